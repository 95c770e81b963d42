#pragma once
// The information points of one device of 装置总表, one point category per tab: descriptions are
// edited in place, telecontrol entries of imported models can be deleted, and the device's
// variable information is edited in the variable-information dialog. The all-points view of the
// right pane keeps the same category tab.
#include "editors/views/DeviceFormBase.h"
#include "editors/views/PointPanes.h"

namespace projectmodel {
class CDevice;
}

namespace editors {

class CConfigDevDetailView : public CDeviceFormBase, public IPointPaneView {
    Q_OBJECT
public:
    explicit CConfigDevDetailView(const CViewContext& context);

    void OnInitialUpdate() override;
    // Selects the category tab (0..6) when it differs from the selected one or force is set.
    void SelectCategoryTab(int tab, bool force) override;
    void FillList();
    // The device shown (null when the path does not designate one).
    projectmodel::CDevice* Device() const;
    // Deletes the selected telecontrol entries (the Delete key).
    void OnDeleteEntries();
    void OnVarInfo();

protected:
    void OnClickCell(int row, int column) override;
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;
    void OnTabChanged(int tab) override;
    void OnButton() override { OnVarInfo(); }
    bool OnListKey(QKeyEvent* event) override;

private:
    int m_nAddress = -1; // the device shown, by address
    int m_nTab = -1;     // the remembered tab
};

} // namespace editors
