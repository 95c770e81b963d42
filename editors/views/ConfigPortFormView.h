#pragma once
// A port's devices, configurations and reference tables on tabs (by the protocol's kind), or the
// virtual devices of the project. Devices come from the device model list of the right pane or by
// command, points from the all-points view; the right pane follows the selected tab.
#include "editors/model/PortFormModel.h"
#include "editors/model/ProjectTreeModel.h"
#include "editors/model/SelDevModel.h"
#include "editors/views/GridFormView.h"
#include "editors/views/PointPanes.h"

namespace projectmodel {
class CBoardInfo;
class CDevice;
class CPointRef;
class CPortRecord;
class CRefTable;
} // namespace projectmodel

namespace editors {

class CConfigPortFormView : public CGridFormView, public IPointPaneView, public ISelDevReceiver {
    Q_OBJECT
public:
    // The popup entry that deletes the selected devices from the project's device table (the
    // plain "删除装置" takes them off this port only).
    static constexpr const char* kDeleteFromTableText = "删除装置(从装置总表)";

    explicit CConfigPortFormView(const CViewContext& context, QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    void FillGrid();
    void OnSelChangeTab() override;
    void OnClickCell(int row, int column) override;
    void OnColumnClick(int column) override;
    QMenu* BuildContextMenu(const QPoint& pos) override;
    bool OnDeleteKey() override;
    void OnButton() override;

    // Used by the device model list of the right pane.
    bool AddDevice(projectmodel::CDevice* device);
    bool MoveDeviceToPort(projectmodel::CDevice* device);
    // A device of the right pane's list goes to the current device table or to the port's device
    // list, as the port's protocol kind and the current tab say.
    bool AddSelDevice(int address) override;
    // Used by the all-points view.
    void AddRefPoints(const projectmodel::CPointRef* keys, int count);
    void AddRefPoint(int address, int group, int entry);
    void SelectCategoryTab(int category);
    void SelectCategoryTab(int category, bool) override { SelectCategoryTab(category); }
    void AddRefPoints(const std::vector<projectmodel::CPointRef>& keys) override {
        AddRefPoints(keys.data(), static_cast<int>(keys.size()));
    }
    bool CanTakePoints() const override { return ShowsPointTable(); }
    int CurrentRefTableCategory() const override;

    // Commands.
    void OnAddDevice();
    void OnDeleteDeviceFromTable();
    void OnRemoveDeviceFromPort();
    void OnAddConfig();
    void OnDeleteConfig();
    void OnMoveRef();
    void OnDeleteRef();
    void OnSortRef();
    void OnFillConsecutive();

    // What the all-points view reads: the port shown (null for the virtual devices), its
    // protocol kind, the current reference table and whether it takes points.
    projectmodel::CPortRecord* Port() const;
    projectmodel::CBoardInfo* Board() const;
    projectmodel::CRefTable* CurrentTable() const;
    bool ShowsPointTable() const;
    int KindMark() const { return m_nKindMark; }
    bool PointsMark() const { return m_bPoints; }
    const std::string& ContextText() const { return m_strContext; }
    const CFormColumns& Columns() const { return m_columns; }

protected:
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;

private:
    bool OnDeviceTab() const;
    void SyncRightPane();
    // Positions in the port's device list of the selected rows, ascending.
    std::vector<int> SelectedPositions() const;
    projectmodel::CDevice* DeviceOfRow(int row) const;
    // The value list a cell of an option column is stored in; null when none.
    projectmodel::CStringArray* ValuesOfRow(int row);
    void StoreValue(int row, int column, const std::string& value);
    void RunPointDialog(int row, int column, const std::string& kind);
    void RunUriDialog(int row, int column);
    void RefreshChildNodes() const;

    std::string m_strContext;
    CFormColumns m_columns;
    CPathRecord m_path;
    int m_nGridTab = -1;
    std::string m_strTab;
    int m_nKindMark = -1;
    bool m_bPoints = false;
    int m_nMenuColumn = -1;
    int m_nBoard = -1;
    int m_nGroup = -1;
    int m_nPort = -1;
    bool m_bHasView = false; // a port or the virtual devices are shown
};

} // namespace editors
