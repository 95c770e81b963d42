#pragma once
// The structure tree of the unit in the "Workspace" bar: mode 1 ("对下") lists the ports toward
// the field devices with their devices, mode 2 ("对上") the ports toward the master stations with
// their reference tables. Double-click opens the node's monitor window; the right-button menus
// give the frame properties of a frame-trace node and the device commands.
#include "monitor/core/MonitorWindows.h"

#include <memory>
#include <QIcon>
#include <QTreeWidget>
#include <unordered_map>

class QMenu;

namespace marindle {

class CMarindleApp;

// The node kinds of the tree.
enum NodeKind {
    kNodeUnit = 0,
    kNodeCatalogue = 1,
    kNodeLog = 2,
    kNodeDebug = 3,
    kNodeCommand = 4,
    kNodeCommState = 5,
    kNodePort = 6,
    kNodeTrace = 7,
    kNodeProtocol = 8,
    kNodeDevice = 9,
    kNodeTelecontrol = 10,
    kNodeSettings = 11,
    kNodeEvents = 12,
    kNodeRemote = 13,
    kNodeWave = 14,
    kNodeStat = 15,
    kNodeTable = 16
};

class COverallView : public QTreeWidget, public IStructureTree {
    Q_OBJECT
public:
    COverallView(CMarindleApp& app, int mode, QWidget* parent = nullptr);

    int Mode() const { return mode_; }

    void BuildTree() override;
    void RefreshNodeTexts() override;
    void SetNodeState(bool isDevice, std::uint16_t key, bool ok) override;
    bool SelectNode(int kind, int deviceFlag, std::uint16_t key);

    // The node's kind, key and device flag (kind -1 for none).
    static int KindOf(const QTreeWidgetItem* item);
    static std::uint16_t KeyOf(const QTreeWidgetItem* item);
    static int DeviceFlagOf(const QTreeWidgetItem* item);
    // The image index of a node (0 unit .. 7 reference table).
    static int ImageOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* FindNode(int kind, int deviceFlag, std::uint16_t key) const;

    // Opens the node's window (double-click).
    void OpenNode(QTreeWidgetItem* item);
    // The menu of a node: "属性" on trace nodes, "刷新", "导出", "复归" on device nodes; null on
    // other nodes.
    std::unique_ptr<QMenu> BuildContextMenu(QTreeWidgetItem* item);
    void OnFrameProperties(QTreeWidgetItem* item);
    void OnRefreshDevice(QTreeWidgetItem* item);
    void OnExportDevice(QTreeWidgetItem* item);
    void OnResetDevice(QTreeWidgetItem* item);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, int kind, const std::string& text, int image,
                             std::uint16_t key, int deviceFlag);
    void SetImage(QTreeWidgetItem* item, int image);

    static std::uint64_t IndexKey(int kind, int deviceFlag, std::uint16_t key) {
        return static_cast<std::uint64_t>(kind) << 32 | static_cast<std::uint64_t>(deviceFlag) << 16 | key;
    }

    CMarindleApp& app_;
    int mode_;
    // The nodes by kind, device flag and key (first node wins), so state updates stay cheap.
    std::unordered_map<std::uint64_t, QTreeWidgetItem*> index_;
    // The node pictures, drawn once per image number rather than once per node.
    std::unordered_map<int, QIcon> icons_;
};

} // namespace marindle
