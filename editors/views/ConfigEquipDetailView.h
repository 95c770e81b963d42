#pragma once
// The related points of one piece of primary equipment: one tab per reference table of its
// settings, the option values of each reference edited in place, references added from the
// all-points view and moved, deleted and sorted through the context menu.
#include "editors/views/DeviceFormBase.h"
#include "editors/views/PointPanes.h"

#include <vector>

namespace projectmodel {
class CPointRef;
class CPrjDevice;
class CRefTable;
} // namespace projectmodel

namespace editors {

class CConfigEquipDetailView : public CDeviceFormBase, public IPointPaneView {
    Q_OBJECT
public:
    explicit CConfigEquipDetailView(const CViewContext& context);
    void OnInitialUpdate() override;
    void FillList();
    projectmodel::CPrjDevice* Equipment() const;
    projectmodel::CRefTable* CurrentTable() const;
    int CurrentTableIndex() const { return m_nTable; }

    // Points (address, group, entry triples) from the all-points view, added one by one.
    void AddRefPoints(const int* points, int count);
    void AddRefPoints(const std::vector<projectmodel::CPointRef>& points) override;
    void AddRefPoint(int address, int group, int entry);
    // Shows the first table of category n (SYSTEM equipment, n 0..6).
    void SelectCategoryTab(int n);
    void SelectCategoryTab(int n, bool) override { SelectCategoryTab(n); }
    bool CanTakePoints() const override { return true; }

    QMenu* BuildContextMenu() override;
    void OnMoveRefs();
    void OnDeleteRefs();
    void OnSortRefs();
    void OnVarInfo();

protected:
    void OnClickCell(int row, int column) override;
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;
    void OnTabChanged(int tab) override;
    void OnButton() override { OnVarInfo(); }
    bool OnListKey(QKeyEvent* event) override;

private:
    void ShowTable();
    int m_nEquipmentId = -1;
    int m_nTable = -1;
};

} // namespace editors
