#pragma once
// The project tree of the workspace bar: time sources, devices, bays with their equipment, and
// boards with their ports, devices and configurations. Selecting a node puts the editing view of
// that kind of node into the left pane of the project frame and decides the right pane. The
// project document asks it, through IProjectViews, to rebuild nodes after changes. Port nodes
// offer copying and pasting a port's configuration and the export of its points.
#include "editors/model/PortPointExport.h"
#include "editors/views/ConfigFrame.h"
#include "editors/views/ExportProgressDlg.h"
#include "editors/views/OverView.h"
#include "projectmodel/ProjectModel.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMenu;

namespace editors {

class CConfigOverView : public COverView, public projectmodel::IProjectViews {
    Q_OBJECT
public:
    explicit CConfigOverView(QWidget* parent = nullptr);
    ~CConfigOverView() override;

    // The project frame whose panes the tree fills (the frame registers itself).
    void SetFrame(CConfigFrame* frame) { m_pFrame = frame; }
    CConfigFrame* Frame() const { return m_pFrame; }

    void BuildTree() override;
    // The whole tree anew (the document asks for it after its boards were read).
    void RebuildTree() override { COverView::RebuildTree(); }
    // Also makes the tree the current document's refresh target.
    void OnInitialUpdate() override;

    // Selection of a node (the tree's selection signal calls it).
    void OnSelChanged(QTreeWidgetItem* item);

    // Refresh operations of the project document, by board, group and port indices.
    void RefreshPortGroupNode(int board, int group) override;
    void RefreshPortNode(int board, int group, int port) override;
    void RefreshPortChildNodes(int board, int group, int port) override;
    void RefreshPortConfigNodes(int board, int group, int port) override;
    // Sets or inserts a port's node (existing null: appended to group) with its device and
    // configuration nodes.
    QTreeWidgetItem* InsertPortNode(projectmodel::CPortRecord& port, QTreeWidgetItem* group,
                                    QTreeWidgetItem* existing, int index);
    // The port's device nodes; addresses without a device leave the port's list, and every node
    // after the device nodes is deleted.
    void RefreshPortDeviceNodes(projectmodel::CPortRecord& port, QTreeWidgetItem* item);
    // The configuration nodes after the device nodes.
    void FillPortConfigNodes(const projectmodel::CPortRecord& port, QTreeWidgetItem* item);
    void RefreshDeviceNodes() override;
    void RefreshVoltLevelNodes() override;
    void RefreshBayNodes(int levelCode) override;
    void RefreshBayNode(int bayId) override;
    void RefreshEquipmentNode(int bayId, int equipmentId) override;
    void SetRootText(const std::string& text) override;
    void UpdateSaveTime() override;
    void FillDeviceList() override;
    void FillPointList() override;

    projectmodel::CPortRecord* GetPortRecord(int board, int group, int port) const;
    // Items by position from the root (null when absent).
    QTreeWidgetItem* RootItem() const;
    QTreeWidgetItem* PortItem(int board, int group, int port) const;

    // The port menu of an item (null for other nodes); the caller shows and deletes it.
    QMenu* BuildPortMenu(QTreeWidgetItem* item);
    void OnCopyConfig();
    void OnPasteConfig();
    void OnExportPoints();
    // Writes the port's points into the workbook at path; 1 when written.
    int ExportPortPoints(const projectmodel::CPortRecord& port, const std::string& path);
    bool HasCopiedPort() const { return m_copied.doc != nullptr; }

    static void SetWorkbookFactory(PointWorkbookFactory factory);
    CExportProgressDlg* ProgressDialog() const { return m_pProgress; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct PortIndex {
        projectmodel::CProjectModel* doc = nullptr;
        int board = -1;
        int group = -1;
        int port = -1;
    };
    PortIndex PortOfItem(QTreeWidgetItem* item) const;
    QTreeWidgetItem* TopItem(int position) const;
    void ShowRight(EditorViewKind kind);
    void RegisterWithDocument();
    void ExpandUp(QTreeWidgetItem* item, int levels);

    CConfigFrame* m_pFrame = nullptr;
    PortIndex m_menuPort; // the port node right-clicked last
    PortIndex m_copied;
    CExportProgressDlg* m_pProgress;
    double m_fStep = 0;
    double m_fPos = 0;
};

} // namespace editors
