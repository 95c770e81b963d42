#pragma once
// The reference tables of one port configuration: one tab per table and a grid of its entries.
// For a "SYSTEM" configuration points are added from the all-points view and moved, deleted and
// sorted here; value columns are edited in place or through the point selection dialog.
#include "editors/model/ProjectTreeModel.h"
#include "editors/views/GridFormView.h"
#include "editors/views/PointPanes.h"

namespace projectmodel {
class CPointRef;
class CPortConfig;
class CPortRecord;
class CRefTable;
} // namespace projectmodel

namespace editors {

class CConfigPortConView : public CGridFormView, public IPointPaneView {
    Q_OBJECT
public:
    explicit CConfigPortConView(const CViewContext& context, QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    void FillGrid();
    void OnSelChangeTab() override;
    void OnClickCell(int row, int column) override;
    QMenu* BuildContextMenu(const QPoint& pos) override;
    bool OnDeleteKey() override;
    void OnButton() override;

    // Points chosen in the all-points view, added one by one to the current table.
    void AddRefPoints(const projectmodel::CPointRef* keys, int count);
    void AddRefPoint(int address, int group, int entry);
    // The all-points view's category: the first table of that type becomes current.
    void SelectCategoryTab(int category);
    void SelectCategoryTab(int category, bool) override { SelectCategoryTab(category); }
    void AddRefPoints(const std::vector<projectmodel::CPointRef>& keys) override {
        AddRefPoints(keys.data(), static_cast<int>(keys.size()));
    }
    bool CanTakePoints() const override { return true; }

    void OnMoveRef();
    void OnDeleteRef();
    void OnSortRef();

    projectmodel::CPortConfig* Config() const;
    projectmodel::CPortRecord* Port() const;
    projectmodel::CRefTable* CurrentTable() const;
    bool IsSystem() const;

protected:
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;

private:
    void NotifyAllPoints() const;

    CPathRecord m_path;
    int m_nBoard = -1;
    int m_nGroup = -1;
    int m_nPort = -1;
    int m_nConfig = -1;
    int m_nGridTab = -1;
    std::string m_strTable;
};

} // namespace editors
