#pragma once
// The information points of one secondary device under a piece of primary equipment, one tab per
// point category; the all-points view of the right pane follows the tab. The view only shows.
#include "editors/model/UnitDetailModel.h"
#include "editors/views/GridFormView.h"
#include "editors/views/PointPanes.h"

namespace editors {

class CConfigUnitDetailView : public CGridFormView, public IPointPaneView {
    Q_OBJECT
public:
    explicit CConfigUnitDetailView(const CViewContext& context, QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    void FillList();
    void OnSelChangeTab() override;
    // The all-points view of the right pane shows the same category.
    void SyncAllPointsTab() const;
    // Selects the tab and refills when it differs from the current one or force is set.
    void SelectGroupTab(int tab, int force);
    // The all-points view's category is the group tab of the same index.
    void SelectCategoryTab(int category, bool force) override { SelectGroupTab(category, force); }

    const projectmodel::CDevice* Device() const;

private:
    CPathRecord m_path;
    int m_nTab = -1;
    std::string m_strTab;
    int m_nAddress = -1;
};

} // namespace editors
