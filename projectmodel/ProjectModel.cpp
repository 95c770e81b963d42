#include "projectmodel/ProjectModel.h"

#include "projectmodel/ProjectContext.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>

namespace projectmodel {

CProjectModel::CProjectModel() {
    CProjectContext::Instance().SetDeviceTableSorted(true);
}

CProjectModel::~CProjectModel() {
    CProjectContext& context = CProjectContext::Instance();
    if (context.CurrentDocument() == this)
        context.SetCurrentDocument(nullptr);
}

void CProjectModel::MakeCurrent() {
    CProjectContext::Instance().SetCurrentDocument(this);
}

} // namespace projectmodel

namespace projectmodel {

CInfoEntry* CProjectModel::FindDeviceInfo(int address, int groupNo, int entryNo) {
    CDevice* device = FindDevice(address);
    return device ? device->m_model.FindEntry(groupNo, entryNo) : nullptr;
}

int CProjectModel::GetGroupNo(const CDeviceTemplate* model, std::string_view groupName, int type) {
    if (!model) {
        platform::MessageBox("未指定装置信号，获取组号失败!", {}, platform::Icon::Warning,
                             platform::Buttons::Ok);
        return -1;
    }
    for (const CInfoGroup& g : model->m_groups) {
        if (g.m_nGroupNo != 10 && g.m_nType == type && g.m_entries.GetSize() < 255 &&
            platform::EqualsNoCase(g.m_strName, groupName))
            return g.m_nGroupNo;
    }
    int k = 1;
    while (k == 10 || model->FindGroup(k))
        ++k;
    return k;
}

int CProjectModel::GetEntryNo(const CDeviceTemplate* model, int groupNo) {
    if (!model) {
        platform::MessageBox("未指定装置信号，获取条目号失败!", {}, platform::Icon::Warning,
                             platform::Buttons::Ok);
        return -1;
    }
    const CInfoGroup* g = model->FindGroup(groupNo);
    return g ? g->m_entries.NextFreeEntryNo() : 1;
}

int CProjectModel::SetCompositeExpression(int groupNo, int type, const CInfoEntry& entry) {
    CDevice* device = FindDevice(kCompositeDeviceAddress);
    return SetDeviceExpression(device ? &device->m_model : nullptr, groupNo, type, entry);
}

int CProjectModel::SetDeviceExpression(CDeviceTemplate* model, int groupNo, int type,
                                       const CInfoEntry& entry) {
    if (!model)
        return 0;
    CInfoGroup* group = model->FindGroup(groupNo);
    if (!group) {
        CInfoGroup g;
        g.m_strName = entry.m_strGroupName;
        g.m_nType = type;
        g.m_nGroupNo = groupNo;
        g.m_entries.Add(entry);
        model->m_groups.Add(std::move(g));
        return 1;
    }
    if (CInfoEntry* present = group->m_entries.GetByEntryNo(entry.m_nEntry)) {
        if (!platform::AskYesDefaultNo("已有相同(分组|条目)的表达式, 将要替换原有的表达式吗?", {},
                                       platform::Icon::Warning))
            return 0;
        *present = entry;
        return 1;
    }
    group->m_entries.InsertSorted(entry);
    return 1;
}

void CProjectModel::DeleteCompositeExpression(int groupNo, int entryNo) {
    CDevice* device = FindDevice(kCompositeDeviceAddress);
    if (!device)
        return;
    DeleteDeviceExpression(&device->m_model, groupNo, entryNo);
    // The composite device's groups exist through their entries (a saved group without entries
    // opens as no group): the last entry takes its group with it.
    CInfoGroupArray& groups = device->m_model.m_groups;
    for (int g = 0; g < groups.GetSize(); ++g)
        if (groups[g].m_nGroupNo == groupNo && groups[g].m_entries.IsEmpty()) {
            groups.RemoveAt(g);
            break;
        }
}

void CProjectModel::DeleteDeviceExpression(CDeviceTemplate* model, int groupNo, int entryNo) {
    if (!model)
        return;
    if (CInfoGroup* g = model->FindGroup(groupNo))
        g->m_entries.RemoveByEntryNo(entryNo);
}

} // namespace projectmodel

namespace projectmodel {

void CProjectModel::AddVirtualDevices(const CDeviceTemplate* customModel) {
    const int boardCount = m_boardCfg.m_boards.GetSize();
    auto prepare = [&](DeviceKind kind) {
        CDevice d(kind);
        d.m_nBoard = boardCount;
        d.m_optionValues.assign(static_cast<std::size_t>(m_deviceExtItems.GetSize()), std::string());
        return d;
    };
    m_devices.Insert(prepare(kDeviceStatus));
    m_devices.Insert(prepare(kDeviceComposite));
    if (customModel) {
        CDevice custom = prepare(kDeviceCustom);
        custom.m_model = *customModel;
        m_devices.Insert(std::move(custom));
    }
    m_boardCfg.BuildLinkStatusSignals(this);
    if (views_)
        views_->FillPointList();
}

void CProjectModel::NumberPorts(CBoardInfo& board) {
    CPortList& list = board.m_ports;
    list.m_nSerialCount = 0;
    list.m_nNetworkCount = 0;
    for (CPortArray& group : list) {
        for (int i = 0; i < group.GetSize(); ++i) {
            CPortRecord& port = group[i];
            switch (PortTypeFromText(port.m_strType)) {
            case kPortTypeSerial:
                port.m_nRunning = list.m_nSerialCount++;
                break;
            case kPortTypeNetwork:
                port.m_nRunning = list.m_nNetworkCount++;
                break;
            default:
                platform::MessageBox(
                    platform::StrFormat("%s%d类型错误，请检查类型设置!\n只有两种类型——串口或网络",
                                        port.m_strName.c_str(), i),
                    {}, platform::Icon::Warning, platform::Buttons::Ok);
                break;
            }
        }
    }
}

int CProjectModel::CountPortsOfProtocol(std::string_view name) const {
    int n = 0;
    for (const CBoardInfo& board : m_boardCfg.m_boards)
        for (const CPortArray& group : board.m_ports)
            for (const CPortRecord& port : group)
                if (platform::EqualsNoCase(port.m_protocol.m_strName, name))
                    ++n;
    return n;
}

CPortRecord* CProjectModel::PortOf(const CDevice& device) {
    CBoardInfo* board = m_boardCfg.m_boards.FindBoard(device.m_nBoard);
    if (!board)
        return nullptr;
    CPortArray* group = board->m_ports.GetPtr(device.m_model.m_nPortGroup);
    return group ? group->GetPtr(device.m_model.m_nPortIndex) : nullptr;
}

int CProjectModel::CollectProtocolDevices(std::string_view name, CDeviceArray& devices) {
    devices.RemoveAll();
    devices.Reserve(m_devices.GetSize());
    for (CDevice& device : m_devices) {
        if (!platform::EqualsNoCase(device.m_model.m_strProtocol, name))
            continue;
        if (device.IsPlaced()) {
            CPortRecord* port = PortOf(device);
            if (port && !platform::EqualsNoCase(port->m_protocol.m_strName, name)) {
                CIntArray& list = port->m_protocol.m_deviceAddresses;
                auto it = std::find(list.begin(), list.end(), device.m_nAddress);
                if (it != list.end())
                    list.erase(it);
                if (views_)
                    views_->RefreshPortNode(device.m_nBoard, device.m_model.m_nPortGroup,
                                            device.m_model.m_nPortIndex);
                device.Unplace();
            }
        }
        devices.Add(device);
    }
    return devices.GetSize();
}

void CProjectModel::DistributeProtocolDevices(int total, int portCount, std::string_view name,
                                              const CDeviceArray& devices) {
    if (portCount <= 0)
        return;
    AssignProtocolDevices(total / portCount, total % portCount, name, devices);
}

void CProjectModel::PlaceDevice(CDevice& device, const CBoardInfo& board, int group, int index,
                                CPortRecord& port) {
    device.m_nBoard = board.m_nNumber;
    device.m_model.m_nPortGroup = group;
    device.m_model.m_nPortIndex = index;
    port.m_protocol.m_deviceAddresses.push_back(device.m_nAddress);
}

void CProjectModel::AssignProtocolDevices(int share, int remainder, std::string_view name,
                                          const CDeviceArray& devices) {
    // Every port of the protocol gives up its devices before any is placed again: a device taken
    // off a later port after it was placed on an earlier one would be listed there yet unplaced.
    for (CBoardInfo& board : m_boardCfg.m_boards)
        for (CPortArray& group : board.m_ports)
            for (CPortRecord& port : group) {
                if (!platform::EqualsNoCase(port.m_protocol.m_strName, name))
                    continue;
                for (int address : port.m_protocol.m_deviceAddresses) {
                    if (CDevice* d = FindDevice(address)) {
                        d->Unplace();
                        RelinkPortReferences(*d);
                    }
                }
                port.m_protocol.m_deviceAddresses.clear();
            }
    int next = 0;
    for (CBoardInfo& board : m_boardCfg.m_boards) {
        for (int g = 0; g < board.m_ports.GetSize(); ++g) {
            CPortArray& group = board.m_ports[g];
            for (int p = 0; p < group.GetSize(); ++p) {
                CPortRecord& port = group[p];
                if (!platform::EqualsNoCase(port.m_protocol.m_strName, name))
                    continue;
                int take = share;
                if (remainder > 0) {
                    ++take;
                    --remainder;
                }
                for (; take > 0 && next < devices.GetSize(); --take, ++next) {
                    CDevice* d = FindDevice(devices[next].m_nAddress);
                    if (!d)
                        continue;
                    PlaceDevice(*d, board, g, p, port);
                    RelinkPortReferences(*d);
                }
                if (views_)
                    views_->RefreshPortChildNodes(board.m_nNumber, g, p);
            }
        }
    }
}

void CProjectModel::RelinkPortReferences(const CDevice& device) {
    for (CBoardInfo& board : m_boardCfg.m_boards)
        for (CPortArray& group : board.m_ports)
            for (CPortRecord& port : group)
                for (CRefTable& table : port.m_protocol.m_tables) {
                    if (!table.IsDeviceTable())
                        continue;
                    for (CRefTableDevice& entry : table.m_devices)
                        if (entry.m_nAddress == device.m_nAddress)
                            entry.m_nBoard = device.m_nBoard;
                }
}

} // namespace projectmodel
