#include "projectmodel/Board.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

#include <algorithm>

namespace projectmodel {

const std::string_view PortTypeNames[3] = {"未定义", "串口", "网络"};

int PortTypeFromText(std::string_view text) {
    if (platform::EqualsNoCase(text, PortTypeNames[1]))
        return kPortTypeSerial;
    if (platform::EqualsNoCase(text, PortTypeNames[2]))
        return kPortTypeNetwork;
    return kPortTypeUndefined;
}

std::string_view PortTypeName(int code) {
    return code >= 0 && code <= 2 ? PortTypeNames[code] : PortTypeNames[0];
}

bool CPortRecord::HasDevice(int address) const {
    const CIntArray& a = m_protocol.m_deviceAddresses;
    return std::find(a.begin(), a.end(), address) != a.end();
}

void CPortRecord::SetValuesFrom(const COptionItemArray& definitions) {
    definitions.GetDefaultValues(m_values);
}

int CPortRecord::CopyProtocolFrom(const CPortRecord* other) {
    if (!other)
        return 0;
    if (m_protocol.m_nNumber != 0) {
        if (other->m_protocol.m_nNumber == m_protocol.m_nNumber) {
            // The port's own table rows go: counted and asked about first.
            int rows = 0;
            for (const CRefTable& table : m_protocol.m_tables)
                rows += table.m_entries.GetSize() + table.m_devices.GetSize();
            if (rows > 0 &&
                !platform::AskYesDefaultNo(platform::StrFormat("粘贴端口配置将替换本端口引用表中的%d"
                                                               "个元素，是否继续？",
                                                               rows),
                                           "提示"))
                return 0;
            m_protocol.m_tables = other->m_protocol.m_tables;
            return 1;
        }
        if (!platform::AskYesDefaultNo("复制端口规约与当前规约不一致，是否继续？", "提示"))
            return 0;
    }
    m_protocol = other->m_protocol;
    m_values = other->m_values;
    return 1;
}

CPortRecord* CPortArray::FindPortWithDevice(int address) {
    for (CPortRecord& p : items_)
        if (p.HasDevice(address))
            return &p;
    return nullptr;
}

const CPortRecord* CPortArray::FindPortWithDevice(int address) const {
    return const_cast<CPortArray*>(this)->FindPortWithDevice(address);
}

CPortRecord* CPortList::FindPortWithDevice(int address) {
    for (CPortArray& g : items_)
        if (CPortRecord* p = g.FindPortWithDevice(address))
            return p;
    return nullptr;
}

const CPortRecord* CPortList::FindPortWithDevice(int address) const {
    return const_cast<CPortList*>(this)->FindPortWithDevice(address);
}

CPortRecord* CPortList::FindPortByTypeAndNumber(std::string_view type, int running) {
    for (CPortArray& g : items_) {
        if (!platform::EqualsNoCase(g.m_strType, type))
            continue;
        for (CPortRecord& p : g)
            if (p.m_nRunning == running)
                return &p;
    }
    return nullptr;
}

const CPortRecord* CPortList::FindPortByTypeAndNumber(std::string_view type, int running) const {
    return const_cast<CPortList*>(this)->FindPortByTypeAndNumber(type, running);
}

int CPortList::FindGroupIndexByName(std::string_view name) const {
    for (int i = 0; i < GetSize(); ++i)
        if (platform::EqualsNoCase(items_[static_cast<std::size_t>(i)].m_strName, name))
            return i;
    return -1;
}

CPortArray* CPortList::FindGroupByName(std::string_view name) {
    return GetPtr(FindGroupIndexByName(name));
}

CPortRecord* CPortList::GetPortAt(std::string_view groupName, int n) {
    CPortArray* g = FindGroupByName(groupName);
    return g ? g->GetPtr(n) : nullptr;
}

bool CPortList::LocatePort(const CPortRecord* port, int& group, int& index) const {
    for (int g = 0; g < GetSize(); ++g) {
        const CPortArray& ports = items_[static_cast<std::size_t>(g)];
        if (ports.IsEmpty())
            continue;
        const CPortRecord* first = &ports[0];
        if (port >= first && port < first + ports.GetSize()) {
            group = g;
            index = static_cast<int>(port - first);
            return true;
        }
    }
    return false;
}

CBoardInfo* CBoardArray::FindBoard(int number) {
    for (CBoardInfo& b : items_)
        if (b.m_nNumber == number)
            return &b;
    return nullptr;
}

const CBoardInfo* CBoardArray::FindBoard(int number) const {
    return const_cast<CBoardArray*>(this)->FindBoard(number);
}

void CBoardCommCfg::BuildLinkStatusSignals(CProjectModel* doc) const {
    if (!doc)
        return;
    CDevice* device = doc->FindDevice(kStatusDeviceAddress);
    if (!device)
        return;
    CInfoGroupArray& groups = device->m_model.m_groups;
    for (int b = 0; b < m_boards.GetSize(); ++b) {
        const CBoardInfo& board = m_boards[b];
        CInfoGroup group;
        group.m_strName = "遥信";
        group.m_nType = kInfoTypeYX;
        group.m_nGroupNo = board.m_nNumber + 1;
        int e = 1;
        for (const CPortArray& ports : board.m_ports.Items()) {
            for (int i = 0; i < ports.GetSize(); ++i, ++e) {
                CInfoEntry entry;
                entry.m_nSeq = e;
                entry.m_nGroup = group.m_nGroupNo;
                entry.m_nEntry = e;
                entry.m_strDesc = platform::StrFormat("板卡%d%s连接%d状态", board.m_nNumber + 1,
                                                      ports.m_strName.c_str(), i);
                entry.m_strGroupName = "遥信";
                group.m_entries.Add(std::move(entry));
            }
        }
        if (b < groups.GetSize())
            groups[b] = std::move(group);
        else
            groups.Add(std::move(group));
    }
}

} // namespace projectmodel
