#pragma once
// The project tree without widgets: the path record of a node, the nodes of the whole project
// (texts, images, item values), the choice of the editing view for a selected node and of the
// right pane, the port menu's rules and pasting a port's configuration. The tree widget only shows
// these nodes and calls these operations.
#include "editors/model/EditorViewKind.h"

#include <array>
#include <string>
#include <vector>

namespace projectmodel {
class CBoardCommCfg;
class CPortRecord;
class CPrjBay;
class CPrjDevice;
class CProjectModel;
class CVoltLevel;
} // namespace projectmodel

namespace editors {

// A node's depth (ancestors) and the item value of each node from the root down to it; the slots
// below the node's depth hold -1. The tree is at most six levels deep.
struct CPathRecord {
    int depth = 0;
    // The seven item-value slots.
    std::array<int, 7> data{-1, -1, -1, -1, -1, -1, -1};
    int last = 0;

    int Slot(int k) const { return k >= 0 && k < 7 ? data[static_cast<std::size_t>(k)] : -1; }
    bool operator==(const CPathRecord&) const = default;
};

// Images of the tree's nodes.
enum TreeImage {
    kImageRoot = 0,
    kImageTimeSources = 1,
    kImageDeviceList = 2,
    kImageProtocols = 3,
    kImageBoard = 4,
    kImagePort = 6,
    kImageDevice = 7,
    kImageBays = 8,
    kImageVoltLevel = 9,
    kImageBay = 10,
    kImageEquipment = 11,
    kImageConfig = 12,
    kImageVirtual = 13,
    kTreeImageCount = 16,
};

// Item values of the top-level nodes and of the two nodes under 装置配置.
enum TreeTopItem {
    kItemTimeSources = 0,
    kItemDevices = 1,
    kItemDeviceList = 2,
    kItemVirtualDevices = 3,
    kItemProtocols = 4,
    kItemBays = 5,
};

struct CTreeNode {
    std::string text;
    int image = 0;
    int itemData = 0;
    std::vector<CTreeNode> children;

    bool operator==(const CTreeNode&) const = default;
};

// The root's text: project name + "--" + unit name + "[address]".
std::string TreeRootText(const projectmodel::CProjectModel& doc);
std::string DeviceNodeText(int address, const std::string& name);
std::string PortNodeText(const projectmodel::CPortRecord& port);
std::string PortGroupNodeText(const std::string& name, int ports);

// The whole tree of the project.
CTreeNode BuildProjectTree(const projectmodel::CProjectModel& doc);
// Nodes under 装置总表: every device that is no virtual device, item value = its table index.
std::vector<CTreeNode> DeviceListNodes(const projectmodel::CProjectModel& doc);
std::vector<CTreeNode> VirtualDeviceNodes(const projectmodel::CProjectModel& doc);
CTreeNode BoardNode(const projectmodel::CProjectModel& doc, int board);
CTreeNode PortGroupNode(const projectmodel::CProjectModel& doc, int board, int group);
// A port with its device nodes and configuration nodes (item value index).
CTreeNode PortNode(const projectmodel::CProjectModel& doc, const projectmodel::CPortRecord& port, int index);
std::vector<CTreeNode> PortDeviceNodes(const projectmodel::CProjectModel& doc,
                                       const projectmodel::CPortRecord& port);
std::vector<CTreeNode> PortConfigNodes(const projectmodel::CPortRecord& port);
// Removes the addresses of the port's device list that no device of the table has; how many.
int PrunePortDevices(const projectmodel::CProjectModel& doc, projectmodel::CPortRecord& port);
std::vector<CTreeNode> VoltLevelNodes(const projectmodel::CProjectModel& doc);
std::vector<CTreeNode> BayNodes(const projectmodel::CProjectModel& doc,
                                const projectmodel::CVoltLevel& level);
std::vector<CTreeNode> EquipmentNodes(const projectmodel::CProjectModel& doc,
                                      const projectmodel::CPrjBay& bay);
std::vector<CTreeNode> EquipmentChildNodes(const projectmodel::CProjectModel& doc,
                                           const projectmodel::CPrjDevice& equipment);

// The port at board index, group index and port index; null when one is out of range.
projectmodel::CPortRecord* GetPortRecord(projectmodel::CProjectModel* doc, int board, int group, int port);
// Positions of a voltage level (by code) in the level order, and of a bay (by id) in its level.
int VoltLevelPosition(const projectmodel::CProjectModel& doc, int levelCode);
bool LocateBay(const projectmodel::CProjectModel& doc, int bayId, int& levelPos, int& bayPos);

struct CLeftViewChoice {
    EditorViewKind kind = kViewConfigView;
    bool marked = false; // the right pane follows the left view when it is made anew
};
CLeftViewChoice ChooseLeftView(const CPathRecord& path, int image);

enum class RightPaneAction { Keep, ShowSelDev, ShowAllPoints };
// marked: the left view of a marked row was made anew; portKind: the protocol kind of the port a
// port form view shows ("" when none).
RightPaneAction DecideRightPane(bool marked, EditorViewKind left, const std::string& portKind,
                                bool rightIsSelDev);

// Which port-menu entries are enabled.
struct CPortMenuState {
    bool copy = true;
    bool paste = true;
    bool exportPoints = true;
};
CPortMenuState PortMenuState(const projectmodel::CPortRecord& port, bool somethingCopied);

enum class PasteResult { Nothing, TypeMismatch, Refused, Pasted };
// Pastes the copied port's protocol onto the target; "端口类型不一致！" on another port type.
PasteResult PastePortConfig(const projectmodel::CPortRecord* source, projectmodel::CPortRecord* target);

} // namespace editors
