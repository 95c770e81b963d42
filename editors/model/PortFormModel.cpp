#include "editors/model/PortFormModel.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/NameTables.h"
#include "projectmodel/ProjectModel.h"

#include "editors/model/DeviceLabels.h"
#include "editors/model/DevinfolistModel.h"
#include "editors/model/RefTableModel.h"

#include <algorithm>

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

std::vector<int> CFormColumns::ValueItems() const {
    std::vector<int> items;
    for (int item : map)
        if (item >= 0)
            items.push_back(item);
    return items;
}

int CPortFormModel::KindMark(const CPortRecord& port) {
    if (port.m_protocol.IsType("DEVICE"))
        return 0;
    if (port.m_protocol.IsType("SCHEDULE") || port.m_protocol.IsType("SYSTEM"))
        return 1;
    return -1;
}

std::vector<std::string> CPortFormModel::Tabs(const CPortRecord& port) {
    std::vector<std::string> tabs;
    const int mark = KindMark(port);
    if (mark == 0) {
        tabs.push_back(kDeviceListTab);
        tabs.push_back(kConfigListTab);
    }
    if (mark >= 0)
        for (const CRefTable& table : port.m_protocol.m_tables)
            tabs.push_back(table.m_strName);
    if (mark == 1)
        tabs.push_back(kConfigListTab);
    return tabs;
}

std::string CPortFormModel::Caption(const CBoardInfo& board, const CPortRecord& port) {
    return StrFormat("板卡%d%s%d[%s]组态", ShownBoardNumber(board.m_nNumber), port.m_strName.c_str(),
                     port.m_nNumber, port.m_protocol.m_strName.c_str());
}

CFormColumns CPortFormModel::Columns(const std::vector<std::string>& fixed, const COptionItemArray& items,
                                     const std::string& context) {
    CFormColumns columns;
    columns.titles = fixed;
    columns.map.assign(fixed.size(), -1);
    for (int k = 0; k < items.GetSize(); ++k) {
        std::string title;
        const bool applies = items[k].AppliesTo(context, title) != 0;
        columns.applies.push_back(applies);
        if (applies) {
            columns.titles.push_back(title);
            columns.map.push_back(k);
        }
    }
    return columns;
}

std::vector<std::string> CPortFormModel::DeviceColumnTitles() {
    return {DeviceTableColumns.begin(), DeviceTableColumns.end()};
}

std::vector<std::string> CPortFormModel::PointColumnTitles() {
    return {"序号", "地址", "组号", "条目号", "FUN", "INF", "描述"};
}

std::vector<int> CPortFormModel::DeviceAddresses(const CProjectModel& doc, const CPortRecord* port) {
    if (port)
        return port->m_protocol.m_deviceAddresses;
    std::vector<int> addresses;
    for (int address : {kStatusDeviceAddress, kCompositeDeviceAddress, kCustomDeviceAddress})
        if (doc.m_devices.FindByAddress(address))
            addresses.push_back(address);
    return addresses;
}

std::vector<CGridRow> CPortFormModel::DeviceRows(const CProjectModel& doc, const std::vector<int>& addresses,
                                                 const CFormColumns& columns, bool tips) {
    std::vector<CGridRow> rows;
    rows.reserve(addresses.size());
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const CDevice* d = doc.m_devices.FindByAddress(addresses[i]);
        if (!d)
            continue;
        std::vector<std::string> cells{StrFormat("%d", static_cast<int>(i) + 1),
                                       StrFormat("%d", ShownBoardNumber(d->m_nBoard)),
                                       StrFormat("%d", d->m_nAddress),
                                       StrFormat("%d", d->m_nMappedAddress),
                                       d->m_strModelName,
                                       d->m_model.m_strType,
                                       d->m_model.m_strVersion,
                                       d->m_strDescription};
        for (int item : columns.ValueItems())
            cells.push_back(item < static_cast<int>(d->m_optionValues.size())
                                ? d->m_optionValues[static_cast<std::size_t>(item)]
                                : std::string());
        CGridRow row = GridRow(std::move(cells));
        row.itemData = static_cast<long long>(i);
        if (tips)
            row.rowText = StrFormat(kDeviceListLabel, d->m_nAddress, d->m_strDescription.c_str());
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<CGridRow> CPortFormModel::ConfigRows(const CPortRecord& port) {
    std::vector<CGridRow> rows;
    const CPortConfigArray& configs = port.m_protocol.m_configs.m_configs;
    for (int i = 0; i < configs.GetSize(); ++i)
        rows.push_back(GridRow({StrFormat("%d", i), configs[i].m_strName}));
    return rows;
}

bool CPortFormModel::AddDevice(int boardNumber, const CPortRecord& port, CRefTable& table, CDevice& device) {
    if (!table.IsDeviceTable()) {
        platform::MessageBox("类型不对应!", "错误", platform::Icon::Error);
        return false;
    }
    if (table.m_devices.FindByAddress(device.m_nAddress)) {
        platform::MessageBox(
            StrFormat("装置%s(地址%d)已存在!", device.m_strModelName.c_str(), device.m_nAddress), "告警",
            platform::Icon::Warning);
        return false;
    }
    device.m_pointRefs.Add(CPointRef(boardNumber, PortTypeFromText(port.m_strType), port.m_nNumber));
    CRefTableDevice entry;
    entry.m_nBoard = device.m_nBoard;
    entry.m_nAddress = device.m_nAddress;
    entry.m_nMappedAddress = device.m_nMappedAddress;
    entry.m_strModelName = device.m_strModelName;
    entry.m_strDescription = device.m_strDescription;
    entry.m_strModelType = device.m_model.m_strType;
    entry.m_strModelVersion = device.m_model.m_strVersion;
    table.m_columns.GetDefaultValues(entry.m_values);
    table.m_devices.Add(std::move(entry));
    return true;
}

CPortFormModel::MoveResult CPortFormModel::MoveDeviceToPort(CProjectModel& doc, int board, int group,
                                                            int port, CDevice& device) {
    MoveResult result;
    CPortRecord* target = nullptr;
    if (doc.m_boardCfg.m_boards.IsValidIndex(board)) {
        CPortList& ports = doc.m_boardCfg.m_boards[board].m_ports;
        if (ports.IsValidIndex(group))
            target = ports[group].GetPtr(port);
    }
    if (!target || target->HasDevice(device.m_nAddress))
        return result;
    if (device.m_model.m_nPortIndex != -1) {
        const char* fmt = device.m_model.m_nPortGroup == 0
                              ? "该装置<%s>已被加载在板卡%i下串口%i,确认移动吗？"
                              : "该装置<%s>已被加载在板卡%i下网络口%i,确认移动吗？";
        if (platform::MessageBox(StrFormat(fmt, device.m_strDescription.c_str(),
                                           ShownBoardNumber(device.m_nBoard), device.m_model.m_nPortIndex),
                                 "提示", platform::Icon::Warning,
                                 platform::Buttons::OkCancel) != platform::Answer::Ok)
            return result;
        CBoardArray& boards = doc.m_boardCfg.m_boards;
        for (int b = 0; b < boards.GetSize(); ++b) {
            if (boards[b].m_nNumber != device.m_nBoard ||
                !boards[b].m_ports.IsValidIndex(device.m_model.m_nPortGroup))
                continue;
            CPortArray& old = boards[b].m_ports[device.m_model.m_nPortGroup];
            for (int p = 0; p < old.GetSize(); ++p) {
                CIntArray& list = old[p].m_protocol.m_deviceAddresses;
                auto it = std::find(list.begin(), list.end(), device.m_nAddress);
                if (it == list.end())
                    continue;
                list.erase(it);
                result.oldBoard = b;
                result.oldGroup = device.m_model.m_nPortGroup;
                result.oldPort = p;
                break;
            }
            break;
        }
    }
    doc.PlaceDevice(device, doc.m_boardCfg.m_boards[board], group, port, *target);
    doc.RelinkPortReferences(device);
    result.placed = true;
    return result;
}

int CPortFormModel::AddNewDevice(CProjectModel& doc, int board, int group, int port) {
    if (!doc.m_boardCfg.m_boards.IsValidIndex(board))
        return -1;
    CBoardInfo& info = doc.m_boardCfg.m_boards[board];
    CPortRecord* target = info.m_ports.IsValidIndex(group) ? info.m_ports[group].GetPtr(port) : nullptr;
    if (!target)
        return -1;
    CDevice device(kDeviceOrdinary);
    device.m_nBoard = info.m_nNumber;
    doc.m_devices.PrepareNewDevice(device, doc.m_deviceExtItems);
    const int address = device.m_nAddress;
    if (doc.m_devices.Insert(device) < 0)
        return -1;
    if (CDevice* inserted = doc.FindDevice(address))
        doc.PlaceDevice(*inserted, info, group, port, *target);
    return address;
}

std::vector<int> CPortFormModel::AddressesAt(const CPortRecord& port, const std::vector<int>& rows) {
    const CIntArray& list = port.m_protocol.m_deviceAddresses;
    std::vector<int> addresses;
    for (int r : rows)
        if (r >= 0 && r < static_cast<int>(list.size()))
            addresses.push_back(list[static_cast<std::size_t>(r)]);
    return addresses;
}

int CPortFormModel::RemoveDevices(CProjectModel& doc, CPortRecord& port, const std::vector<int>& rows,
                                  bool fromTable) {
    CIntArray& list = port.m_protocol.m_deviceAddresses;
    std::vector<int> deleted;
    int removed = 0;
    for (int r : rows) {
        const int index = r - removed;
        if (index < 0 || index >= static_cast<int>(list.size()))
            continue;
        const int address = list[static_cast<std::size_t>(index)];
        list.erase(list.begin() + index);
        ++removed;
        if (fromTable) {
            deleted.push_back(address);
        } else if (CDevice* device = doc.FindDevice(address)) {
            device->Unplace();
            doc.RelinkPortReferences(*device);
        }
    }
    // The same deletion as the device list's: every reference to the devices goes with them. It
    // comes last, as it may end with a message.
    if (!deleted.empty())
        CDevinfolistModel::DeleteDevices(doc, deleted, CDevinfolistModel::Confirm::Asked);
    return removed;
}

void CPortFormModel::SortAddresses(CPortRecord& port) {
    CIntArray& list = port.m_protocol.m_deviceAddresses;
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        std::size_t smallest = i;
        for (std::size_t j = i + 1; j < list.size(); ++j)
            if (list[j] < list[smallest])
                smallest = j;
        std::swap(list[i], list[smallest]);
    }
}

bool CPortFormModel::AddConfig(const CProjectModel& doc, CPortRecord& port) {
    CPortConfig config;
    CPortConfigArray& configs = port.m_protocol.m_configs.m_configs;
    if (!configs.GetFirstUnusedConfig(config, doc.m_portConfigLibrary))
        return false;
    configs.Add(std::move(config));
    return true;
}

int CPortFormModel::DeleteConfigs(CPortRecord& port, const std::vector<int>& rows) {
    CPortConfigArray& configs = port.m_protocol.m_configs.m_configs;
    int removed = 0;
    for (int r : rows) {
        if (!configs.IsValidIndex(r - removed))
            continue;
        configs.RemoveAt(r - removed);
        ++removed;
    }
    return removed;
}

bool CPortFormModel::ChangeConfig(const CProjectModel& doc, CPortRecord& port, int index,
                                  const std::string& name) {
    CPortConfigArray& configs = port.m_protocol.m_configs.m_configs;
    if (!configs.IsValidIndex(index))
        return false;
    if (configs.FindIndexByName(name) >= 0) {
        platform::MessageBox(name + "已存在");
        return false;
    }
    const CNamePairRecord* entry = doc.m_portConfigLibrary.FindByName(name);
    if (!entry)
        return false;
    configs[index].m_settings = *entry;
    configs[index].m_strName = entry->m_strName;
    return true;
}

int CPortFormModel::DeleteEntries(CProjectModel& doc, int boardNumber, CPortRecord& port, CRefTable& table,
                                  const std::vector<int>& rows) {
    if (table.IsDeviceTable()) {
        const std::vector<CRefTableDevice> removed =
            CRefTableModel::RemoveRows(table.m_devices.Items(), rows);
        const CPointRef ref(boardNumber, PortTypeFromText(port.m_strType), port.m_nNumber);
        for (const CRefTableDevice& entry : removed) {
            CDevice* device = doc.FindDevice(entry.m_nAddress);
            if (!device)
                continue;
            const int at = device->m_pointRefs.Find(ref.m_n1, ref.m_n2, ref.m_n3);
            if (at >= 0)
                device->m_pointRefs.RemoveAt(at);
        }
        return static_cast<int>(removed.size());
    }
    return static_cast<int>(CRefTableModel::RemoveRows(table.m_entries.Items(), rows).size());
}

int CPortFormModel::FirstTableOfType(const CPortRecord& port, int type) {
    const CRefTableArray& tables = port.m_protocol.m_tables;
    for (int i = 0; i < tables.GetSize(); ++i)
        if (tables[i].m_nType == type)
            return i;
    return -1;
}

} // namespace editors
