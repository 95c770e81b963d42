#include "points/PointRows.h"

#include "editors/model/DeviceLabels.h"
#include "platform/Text.h"
#include "projectmodel/TextHelpers.h"

namespace points {

using platform::StrFormat;

const std::vector<std::string>& CategoryTabs() {
    static const std::vector<std::string> tabs{"遥测", "遥信", "遥脉", "遥控", "遥调", "步位置", "其他"};
    return tabs;
}

bool GroupOnTab(int category, int tab) {
    return category == tab || ((tab == 1 || tab == 3) && category == projectmodel::kInfoTypeYKYX);
}

std::string PointDisplayText(const std::string& deviceName, const std::string& desc) {
    if (!desc.empty() && desc[0] == '[' && desc.find(']', 1) != std::string::npos)
        return desc;
    return "[" + deviceName + "]" + desc;
}

const std::vector<std::string>& AllPointColumns() {
    static const std::vector<std::string> columns{"序号",   "地址", "组名称", "组号",
                                                  "条目号", "FUN",  "INF",    "描述"};
    return columns;
}

std::vector<CDeviceComboItem> BuildDeviceCombo(const CProjectModel& doc) {
    std::vector<CDeviceComboItem> items;
    items.reserve(static_cast<std::size_t>(doc.m_devices.GetSize()) + 1);
    items.push_back({"所有装置", -1});
    for (const CDevice& d : doc.m_devices)
        items.push_back(
            {StrFormat(editors::kDeviceItemLabel, d.m_nAddress, d.m_strDescription.c_str()), d.m_nAddress});
    return items;
}

int SelectDeviceComboItem(const std::vector<CDeviceComboItem>& items, int& currentDevice) {
    if (currentDevice == -1 && items.size() > 1) {
        currentDevice = items[1].address;
        return 1;
    }
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].address == currentDevice)
            return static_cast<int>(i);
    return -1;
}

namespace {

void AppendGroupRows(const CDeviceTemplate& model, int address, const std::string& name, int tab,
                     bool withAddress, bool displayText, std::vector<CPointRow>& rows) {
    for (const projectmodel::CInfoGroup& g : model.m_groups) {
        if (!GroupOnTab(g.m_nType, tab))
            continue;
        for (const CInfoEntry& e : g.m_entries) {
            if (e.m_nEntry == 0)
                continue;
            CPointRow row;
            row.texts.reserve(8);
            row.texts.push_back(std::to_string(rows.size() + 1));
            if (withAddress)
                row.texts.push_back(std::to_string(address));
            row.texts.push_back(e.m_strGroupName);
            row.texts.push_back(std::to_string(g.m_nGroupNo));
            row.texts.push_back(std::to_string(e.m_nEntry));
            row.texts.push_back(std::to_string(e.m_nFun));
            row.texts.push_back(std::to_string(e.m_nInf));
            row.texts.push_back(displayText ? PointDisplayText(name, e.m_strDesc) : e.m_strDesc.str());
            if (!withAddress)
                row.texts.emplace_back(); // FCDA
            row.data =
                static_cast<std::int64_t>(e.m_nEntry) + static_cast<std::int64_t>(g.m_nGroupNo) * 65536;
            rows.push_back(std::move(row));
        }
    }
}

} // namespace

std::vector<CPointRow> BuildAllPointRows(const CProjectModel& doc, int tab, int deviceAddress) {
    std::vector<CPointRow> rows;
    if (tab < 0 || tab > 6)
        return rows;
    if (const CDevice* device = doc.m_devices.FindByAddress(deviceAddress)) {
        AppendGroupRows(device->m_model, device->m_nAddress, device->m_strDescription, tab, true, false,
                        rows);
        return rows;
    }
    for (const CDevice& d : doc.m_devices)
        AppendGroupRows(d.m_model, d.m_nAddress, d.m_strDescription, tab, true, true, rows);
    return rows;
}

std::vector<CPointKey> KeysOfRows(const std::vector<CPointRow>& rows, const std::vector<int>& selected) {
    std::vector<CPointKey> keys;
    for (int i : selected) {
        if (i < 0 || i >= static_cast<int>(rows.size()) || rows[static_cast<std::size_t>(i)].texts.size() < 5)
            continue;
        const auto& t = rows[static_cast<std::size_t>(i)].texts;
        keys.push_back({platform::AtoI(t[1]), platform::AtoI(t[3]), platform::AtoI(t[4])});
    }
    return keys;
}

const std::vector<std::string>& DevicePointColumns() {
    static const std::vector<std::string> columns{"序号", "分组名称", "分组号", "条目号",
                                                  "FUN",  "INF",      "描述",   "FCDA"};
    return columns;
}

std::string DeviceCaption(const CDevice& device) {
    return StrFormat("板卡%d装置%d[%s]组态:", device.m_nBoard + 1, device.m_nAddress,
                     device.m_strDescription.c_str());
}

std::vector<CPointRow> BuildDevicePointRows(const CDeviceTemplate& model, int tab) {
    std::vector<CPointRow> rows;
    if (tab < 0 || tab > 6)
        return rows;
    AppendGroupRows(model, 0, {}, tab, false, false, rows);
    return rows;
}

bool RenamePoint(CDeviceTemplate& model, int group, int entry, const std::string& cell,
                 const std::string& typed, std::string& newCell) {
    // The entry line of the configuration file cannot carry some characters; they become blanks.
    const std::string text =
        platform::Trim(projectmodel::ConfigLineSafeText(typed, projectmodel::ConfigTextKind::EntryText));
    if (text == cell)
        return false;
    CInfoEntry* e = model.FindEntry(group, entry);
    if (!e)
        return false;
    e->m_strDesc = text;
    newCell = text;
    return true;
}

CDevice* DeviceOfTreePath(CProjectModel& doc, int depth, const std::array<int, 7>& items) {
    constexpr int kDevicesItem = 1;
    constexpr int kVirtualDevicesItem = 3;
    constexpr int kProtocolsItem = 4;
    if (depth == 3 && items[1] == kDevicesItem && items[2] == kVirtualDevicesItem) {
        if (items[3] == 0)
            return doc.FindDevice(projectmodel::kStatusDeviceAddress);
        if (items[3] == 2)
            return doc.FindDevice(projectmodel::kCustomDeviceAddress);
        return nullptr;
    }
    if (depth != 5 || items[1] != kProtocolsItem)
        return nullptr;
    projectmodel::CBoardArray& boards = doc.m_boardCfg.m_boards;
    if (!boards.IsValidIndex(items[2]))
        return nullptr;
    projectmodel::CPortList& groups = boards[items[2]].m_ports;
    if (!groups.IsValidIndex(items[3]) || !groups[items[3]].IsValidIndex(items[4]))
        return nullptr;
    const auto& addresses = groups[items[3]][items[4]].m_protocol.m_deviceAddresses;
    if (items[5] < 0 || items[5] >= static_cast<int>(addresses.size()))
        return nullptr;
    const int index = doc.m_devices.FindIndexByAddress(addresses[static_cast<std::size_t>(items[5])]);
    return doc.m_devices.GetPtr(index);
}

} // namespace points
