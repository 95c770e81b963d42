#include "editors/model/ProjectTreeModel.h"

#include "editors/model/DeviceLabels.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/NameTables.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/TextHelpers.h"

#include <algorithm>

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

namespace {

CTreeNode Node(std::string text, int image, int itemData) {
    CTreeNode n;
    n.text = std::move(text);
    n.image = image;
    n.itemData = itemData;
    return n;
}

bool IsListedDevice(const CDevice& d) {
    return !d.IsVirtual() && d.m_model.m_strType != "虚拟装置";
}

} // namespace

std::string TreeRootText(const CProjectModel& doc) {
    return doc.m_strProjectName + "--" + doc.m_boardCfg.m_strUnitName +
           StrFormat("[%d]", doc.m_boardCfg.m_nUnitAddress);
}

std::string DeviceNodeText(int address, const std::string& name) {
    return StrFormat(kDeviceItemLabel, address, name.c_str());
}

std::string PortNodeText(const CPortRecord& port) {
    // The port's number within its group, then its address: the running number within its type.
    return StrFormat("%s%d<地址%d %s>", port.m_strType.c_str(), port.m_nNumber, port.m_nRunning,
                     port.m_protocol.m_strName.c_str());
}

std::string PortGroupNodeText(const std::string& name, int ports) {
    return StrFormat("%s[%d个]", name.c_str(), ports);
}

std::vector<CTreeNode> DeviceListNodes(const CProjectModel& doc) {
    std::vector<CTreeNode> nodes;
    for (int i = 0; i < doc.m_devices.GetSize(); ++i) {
        const CDevice& d = doc.m_devices[i];
        if (IsListedDevice(d))
            nodes.push_back(Node(DeviceNodeText(d.m_nAddress, d.m_strDescription), kImageDevice, i));
    }
    return nodes;
}

std::vector<CTreeNode> VirtualDeviceNodes(const CProjectModel& doc) {
    std::vector<CTreeNode> nodes;
    for (int address : {kStatusDeviceAddress, kCompositeDeviceAddress, kCustomDeviceAddress}) {
        const CDevice* d = doc.m_devices.FindByAddress(address);
        // The item value comes from the address, so that a missing device shifts no other node.
        if (d)
            nodes.push_back(Node(DeviceNodeText(d->m_nAddress, d->m_strDescription), kImageVirtual,
                                 address - kStatusDeviceAddress));
    }
    return nodes;
}

int PrunePortDevices(const CProjectModel& doc, CPortRecord& port) {
    CIntArray& addresses = port.m_protocol.m_deviceAddresses;
    const std::size_t before = addresses.size();
    std::erase_if(addresses, [&doc](int a) { return doc.m_devices.FindByAddress(a) == nullptr; });
    return static_cast<int>(before - addresses.size());
}

std::vector<CTreeNode> PortDeviceNodes(const CProjectModel& doc, const CPortRecord& port) {
    std::vector<CTreeNode> nodes;
    const CIntArray& addresses = port.m_protocol.m_deviceAddresses;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const CDevice* d = doc.m_devices.FindByAddress(addresses[i]);
        if (d)
            nodes.push_back(
                Node(DeviceNodeText(d->m_nAddress, d->m_strDescription), kImageDevice, static_cast<int>(i)));
    }
    return nodes;
}

std::vector<CTreeNode> PortConfigNodes(const CPortRecord& port) {
    std::vector<CTreeNode> nodes;
    const int devices = static_cast<int>(port.m_protocol.m_deviceAddresses.size());
    const CPortConfigArray& configs = port.m_protocol.m_configs.m_configs;
    for (int i = 0; i < configs.GetSize(); ++i)
        nodes.push_back(Node(configs[i].m_strName, kImageConfig, devices + i));
    return nodes;
}

CTreeNode PortNode(const CProjectModel& doc, const CPortRecord& port, int index) {
    CTreeNode n = Node(PortNodeText(port), kImagePort, index);
    n.children = PortDeviceNodes(doc, port);
    for (CTreeNode& c : PortConfigNodes(port))
        n.children.push_back(std::move(c));
    return n;
}

CTreeNode PortGroupNode(const CProjectModel& doc, int board, int group) {
    const CPortArray& ports = doc.m_boardCfg.m_boards[board].m_ports[group];
    CTreeNode n = Node(PortGroupNodeText(ports.m_strName, ports.GetSize()), kImagePort, group);
    for (int p = 0; p < ports.GetSize(); ++p)
        n.children.push_back(PortNode(doc, ports[p], p));
    return n;
}

CTreeNode BoardNode(const CProjectModel& doc, int board) {
    const CBoardInfo& b = doc.m_boardCfg.m_boards[board];
    CTreeNode n =
        Node(StrFormat("板卡%d[%s]", ShownBoardNumber(b.m_nNumber), b.m_strType.c_str()), kImageBoard, board);
    for (int g = 0; g < b.m_ports.GetSize(); ++g)
        n.children.push_back(PortGroupNode(doc, board, g));
    return n;
}

std::vector<CTreeNode> EquipmentChildNodes(const CProjectModel& doc, const CPrjDevice& equipment) {
    std::vector<CTreeNode> nodes;
    const CIntArray& linked = equipment.m_linkedDevices;
    for (std::size_t i = 0; i < linked.size(); ++i) {
        const CDevice* d = doc.m_devices.FindByAddress(linked[i]);
        if (d)
            nodes.push_back(
                Node(DeviceNodeText(d->m_nAddress, d->m_strDescription), kImageDevice, static_cast<int>(i)));
    }
    nodes.push_back(Node("信息列表", kImageConfig, static_cast<int>(linked.size())));
    return nodes;
}

std::vector<CTreeNode> EquipmentNodes(const CProjectModel& doc, const CPrjBay& bay) {
    std::vector<CTreeNode> nodes;
    for (std::size_t i = 0; i < bay.m_equipmentIds.size(); ++i) {
        const CPrjDevice* e = doc.m_prjDevices.GetById(bay.m_equipmentIds[i]);
        if (!e)
            continue;
        CTreeNode n =
            Node(e->m_strName + "[" + e->m_settings.m_strName + "]", kImageEquipment, static_cast<int>(i));
        n.children = EquipmentChildNodes(doc, *e);
        nodes.push_back(std::move(n));
    }
    return nodes;
}

std::vector<CTreeNode> BayNodes(const CProjectModel& doc, const CVoltLevel& level) {
    std::vector<CTreeNode> nodes;
    for (std::size_t i = 0; i < level.m_bayIds.size(); ++i) {
        const CPrjBay* bay = doc.m_bays.GetById(level.m_bayIds[i]);
        if (!bay)
            continue;
        CTreeNode n = Node(bay->m_strName, kImageBay, static_cast<int>(i));
        n.children = EquipmentNodes(doc, *bay);
        nodes.push_back(std::move(n));
    }
    return nodes;
}

std::vector<CTreeNode> VoltLevelNodes(const CProjectModel& doc) {
    std::vector<CTreeNode> nodes;
    const CIntArray& codes = doc.m_voltOrder.m_codes;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const CVoltLevel* level = doc.m_voltLevels.GetById(codes[i]);
        if (!level)
            continue;
        CTreeNode n = Node(level->m_strName, kImageVoltLevel, static_cast<int>(i));
        n.children = BayNodes(doc, *level);
        nodes.push_back(std::move(n));
    }
    return nodes;
}

CTreeNode BuildProjectTree(const CProjectModel& doc) {
    CTreeNode root = Node(TreeRootText(doc), kImageRoot, 0);
    root.children.push_back(Node("对时源", kImageTimeSources, kItemTimeSources));
    CTreeNode devices = Node("装置配置", kImageConfig, kItemDevices);
    CTreeNode list = Node("装置总表", kImageDeviceList, kItemDeviceList);
    list.children = DeviceListNodes(doc);
    CTreeNode virtuals = Node("虚拟装置", kImageVirtual, kItemVirtualDevices);
    virtuals.children = VirtualDeviceNodes(doc);
    devices.children.push_back(std::move(list));
    devices.children.push_back(std::move(virtuals));
    root.children.push_back(std::move(devices));
    CTreeNode bays = Node("间隔配置", kImageBays, kItemBays);
    bays.children = VoltLevelNodes(doc);
    root.children.push_back(std::move(bays));
    CTreeNode protocols = Node("规约配置", kImageProtocols, kItemProtocols);
    for (int b = 0; b < doc.m_boardCfg.m_boards.GetSize(); ++b)
        protocols.children.push_back(BoardNode(doc, b));
    root.children.push_back(std::move(protocols));
    return root;
}

CPortRecord* GetPortRecord(CProjectModel* doc, int board, int group, int port) {
    if (!doc)
        return nullptr;
    CBoardInfo* b = doc->m_boardCfg.m_boards.GetPtr(board);
    CPortArray* g = b ? b->m_ports.GetPtr(group) : nullptr;
    return g ? g->GetPtr(port) : nullptr;
}

int VoltLevelPosition(const CProjectModel& doc, int levelCode) {
    const CIntArray& codes = doc.m_voltOrder.m_codes;
    const auto it = std::find(codes.begin(), codes.end(), levelCode);
    return it == codes.end() ? -1 : static_cast<int>(it - codes.begin());
}

bool LocateBay(const CProjectModel& doc, int bayId, int& levelPos, int& bayPos) {
    const CIntArray& codes = doc.m_voltOrder.m_codes;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const CVoltLevel* level = doc.m_voltLevels.GetById(codes[i]);
        if (!level)
            continue;
        const auto it = std::find(level->m_bayIds.begin(), level->m_bayIds.end(), bayId);
        if (it != level->m_bayIds.end()) {
            levelPos = static_cast<int>(i);
            bayPos = static_cast<int>(it - level->m_bayIds.begin());
            return true;
        }
    }
    return false;
}

CLeftViewChoice ChooseLeftView(const CPathRecord& path, int image) {
    const int s1 = path.Slot(1);
    const int s2 = path.Slot(2);
    const int s3 = path.Slot(3);
    switch (path.depth) {
    case 0:
        return {kViewConfigPrj, false};
    case 1:
        if (s1 == kItemTimeSources)
            return {kViewAdjusttime, false};
        if (s1 == kItemDevices)
            return {kViewConDevList, false};
        if (s1 == kItemProtocols)
            return {kViewConfigBan, false};
        if (s1 == kItemBays)
            return {kViewConfigPrjbay, false};
        break;
    case 2:
        if (s1 == kItemProtocols)
            return {kViewConfigPort, false};
        if (s1 == kItemDevices && s2 == kItemDeviceList)
            return {kViewDevinfolist, true};
        if (s1 == kItemDevices && s2 == kItemVirtualDevices)
            return {kViewConfigPortForm, false};
        if (s1 == kItemBays)
            return {kViewConfigBay, false};
        break;
    case 3:
        if (s1 == kItemProtocols)
            return {kViewConfigPort, false};
        if (s1 == kItemBays)
            return {kViewConfigEquip, false};
        if (s2 == kItemDeviceList)
            return {kViewConfigDevDetail, false};
        if (s2 == kItemVirtualDevices && (s3 == 0 || s3 == 2))
            return {kViewConfigGIN, false};
        if (s2 == kItemVirtualDevices && s3 == 1)
            return {kViewConfigGINVir, false};
        break;
    case 4:
        if (s1 == kItemProtocols)
            return {kViewConfigPortForm, true};
        if (s1 == kItemBays)
            return {kViewEquipRefDevList, true};
        break;
    case 5:
        if (s1 == kItemProtocols && image == kImageDevice)
            return {kViewConfigGIN, false};
        if (s1 == kItemProtocols && image == kImageConfig)
            return {kViewConfigPortCon, false};
        if (s1 == kItemBays && image == kImageDevice)
            return {kViewConfigUnitDetail, false};
        if (s1 == kItemBays && image == kImageConfig)
            return {kViewConfigEquipDetail, false};
        break;
    default:
        break;
    }
    return {kViewConfigView, false};
}

RightPaneAction DecideRightPane(bool marked, EditorViewKind left, const std::string& portKind,
                                bool rightIsSelDev) {
    if (marked && (left == kViewDevinfolist || left == kViewEquipRefDevList))
        return RightPaneAction::ShowSelDev;
    if (marked && left == kViewConfigPortForm && platform::EqualsNoCase(portKind, "DEVICE"))
        return RightPaneAction::ShowSelDev;
    return rightIsSelDev ? RightPaneAction::ShowAllPoints : RightPaneAction::Keep;
}

CPortMenuState PortMenuState(const CPortRecord& port, bool somethingCopied) {
    CPortMenuState state;
    const std::string& kind = port.m_protocol.m_strType;
    if (kind.empty()) {
        state.copy = false;
        state.exportPoints = false;
    } else if (platform::EqualsNoCase(kind, "DEVICE")) {
        state.copy = false;
        state.paste = false;
        state.exportPoints = false;
    }
    if (!somethingCopied)
        state.paste = false;
    return state;
}

PasteResult PastePortConfig(const CPortRecord* source, CPortRecord* target) {
    // Pasting a port onto itself changes nothing; another port of the same number is a real target.
    if (!source || !target || source == target)
        return PasteResult::Nothing;
    if (PortTypeFromText(source->m_strType) != PortTypeFromText(target->m_strType)) {
        platform::MessageBox("端口类型不一致！", "错误", platform::Icon::Error);
        return PasteResult::TypeMismatch;
    }
    return target->CopyProtocolFrom(source) ? PasteResult::Pasted : PasteResult::Refused;
}

} // namespace editors
