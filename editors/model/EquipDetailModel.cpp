#include "editors/model/EquipDetailModel.h"

#include "editors/model/CellValue.h"
#include "editors/model/PointKeyText.h"
#include "editors/model/RefTableModel.h"
#include "platform/Gbk.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

#include <algorithm>

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

namespace {
// Entries of a telesignal or telecontrol table also take combined groups.
bool TypesMatch(int tableType, int groupType) {
    return tableType == groupType ||
           (groupType == kInfoTypeYKYX && (tableType == kInfoTypeYX || tableType == kInfoTypeYK));
}

void ResetLink(CProjectModel& doc, const CRefTableEntry& e) {
    if (CInfoEntry* info = doc.FindDeviceInfo(e.m_nAddress, e.m_nGroup, e.m_nEntry))
        std::fill(std::begin(info->m_equip), std::end(info->m_equip), -1);
}

} // namespace

bool CEquipDetailModel::IsSystem(const CPrjDevice& equipment) {
    return platform::EqualsNoCase(equipment.m_settings.m_strType, "SYSTEM");
}

std::vector<std::string> CEquipDetailModel::Headers(const CRefTable& table) {
    std::vector<std::string> headers{"序号", "地址", "组号", "条目号", "FUN", "INF", "描述"};
    for (const COptionItem& item : table.m_columns)
        headers.push_back(item.m_strName);
    return headers;
}

std::string CEquipDetailModel::Description(CProjectModel& doc, int address, int group, int entry) {
    const CInfoEntry* info = doc.FindDeviceInfo(address, group, entry);
    if (!info)
        return "无效引用，请删除该无效信息！";
    const std::string& desc = info->m_strDesc;
    if (!desc.empty() && desc.front() == '[' && desc.find(']', 1) != std::string::npos)
        return desc;
    const CDevice* device = doc.FindDevice(address);
    return StrFormat("[%s]", device ? device->m_strDescription.c_str() : "") + desc;
}

std::vector<CGridRow> CEquipDetailModel::Rows(CProjectModel& doc, const CRefTable& table) {
    std::vector<CGridRow> rows;
    rows.reserve(static_cast<std::size_t>(table.m_entries.GetSize()));
    for (const CRefTableEntry& e : table.m_entries) {
        const int index = static_cast<int>(rows.size());
        CGridRow row =
            GridRow({StrFormat("%d", index + 1), StrFormat("%d", e.m_nAddress), StrFormat("%d", e.m_nGroup),
                     StrFormat("%d", e.m_nEntry), StrFormat("%d", e.m_nFun), StrFormat("%d", e.m_nInf),
                     Description(doc, e.m_nAddress, e.m_nGroup, e.m_nEntry)});
        for (int c = 0; c < table.m_columns.GetSize(); ++c)
            row.cells.push_back(c < static_cast<int>(e.m_values.size())
                                    ? e.m_values[static_cast<std::size_t>(c)]
                                    : std::string());
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string CEquipDetailModel::WhyNoPoints(const CPrjDevice& equipment, int tableIndex) {
    if (!IsSystem(equipment))
        return StrFormat("设备类型%s(类型%s)不能关联测点：只有类型为SYSTEM的设备类型可以关联测点！",
                         equipment.m_settings.m_strName.c_str(), equipment.m_settings.m_strType.c_str());
    if (!equipment.m_settings.m_tables.IsValidIndex(tableIndex))
        return StrFormat("设备类型%s没有引用表，不能关联测点！", equipment.m_settings.m_strName.c_str());
    return {};
}

int CEquipDetailModel::AddRefPoint(CProjectModel& doc, CPrjDevice& equipment, int tableIndex, int address,
                                   int group, int entry) {
    CDevice* device = doc.FindDevice(address);
    const CInfoGroup* infoGroup = device ? device->m_model.FindGroup(group) : nullptr;
    CInfoEntry* info = infoGroup ? device->m_model.FindEntry(group, entry) : nullptr;
    CRefTable* table = equipment.m_settings.m_tables.GetPtr(tableIndex);
    if (!info || !IsSystem(equipment) || !table)
        return 0;
    if (!TypesMatch(table->m_nType, infoGroup->m_nType)) {
        platform::MessageBox("类型不对应!", "错误", platform::Icon::Error);
        return 0;
    }
    if (const CPrjDevice* other = doc.m_prjDevices.FindByPointRef(address, group, entry)) {
        const CPrjBay* bay = doc.m_bays.GetById(other->m_nBayId);
        platform::MessageBox(StrFormat("测点%d-%d-%d已被关联到%s%s%s!", address, group, entry,
                                       other->m_strVoltLevel.c_str(), bay ? bay->m_strName.c_str() : "",
                                       other->m_strName.c_str()),
                             "告警", platform::Icon::Warning);
        return 0;
    }
    CRefTableEntry ref;
    ref.m_nBoard = device->m_nBoard;
    ref.m_nAddress = address;
    ref.m_nGroup = group;
    ref.m_nEntry = entry;
    ref.m_nFun = info->m_nFun;
    ref.m_nInf = info->m_nInf;
    table->m_columns.GetDefaultValues(ref.m_values);
    const int row = table->m_entries.Add(ref);
    info->m_equip[0] = VoltLevelCodeFromName(equipment.m_strVoltLevel);
    info->m_equip[1] = equipment.m_nBayId;
    info->m_equip[2] = equipment.m_nId;
    info->m_equip[3] = tableIndex;
    info->m_equip[4] = row;
    return 1;
}

bool CEquipDetailModel::SetOptionValue(CRefTable& table, int row, int column, const std::string& text) {
    CRefTableEntry* e = table.m_entries.GetPtr(row);
    const COptionItem* item = table.m_columns.GetPtr(column - kFixedColumns);
    if (!e || !item)
        return false;
    const bool range = item->m_choices.size() == 2;
    const std::string value = CheckOptionValue(item->m_strKind, range ? &item->m_choices[0] : nullptr,
                                               range ? &item->m_choices[1] : nullptr, text);
    const auto index = static_cast<std::size_t>(column - kFixedColumns);
    if (e->m_values.size() <= index)
        e->m_values.resize(static_cast<std::size_t>(table.m_columns.GetSize()));
    e->m_values[index] = value;
    return true;
}

std::string CEquipDetailModel::PointValue(CProjectModel& doc, const CPointRef* key) {
    if (!key)
        return {};
    return PointKeyText(&doc, *key);
}

int CEquipDetailModel::TableOfCategory(const CPrjDevice& equipment, int n) {
    if (!IsSystem(equipment) || n < 0 || n > 6)
        return -1;
    for (int i = 0; i < equipment.m_settings.m_tables.GetSize(); ++i)
        if (equipment.m_settings.m_tables[i].m_nType == n)
            return i;
    return -1;
}

bool CEquipDetailModel::MoveRefs(CProjectModel& doc, CPrjDevice& equipment, int tableIndex,
                                 const std::vector<int>& rows, int position) {
    CRefTable* table = equipment.m_settings.m_tables.GetPtr(tableIndex);
    if (!table || !IsSystem(equipment) || rows.empty())
        return false;
    const bool moved = !CRefTableModel::MoveRows(table->m_entries.Items(), rows, position).empty();
    RelinkRows(doc, equipment, tableIndex);
    return moved;
}

bool CEquipDetailModel::DeleteRefs(CProjectModel& doc, CPrjDevice& equipment, int tableIndex,
                                   const std::vector<int>& rows) {
    CRefTable* table = equipment.m_settings.m_tables.GetPtr(tableIndex);
    if (!table || !IsSystem(equipment) || rows.empty())
        return false;
    int removed = 0;
    for (int r : rows) {
        const int index = r - removed;
        if (!table->m_entries.IsValidIndex(index))
            continue;
        ResetLink(doc, table->m_entries[index]);
        table->m_entries.RemoveAt(index);
        ++removed;
    }
    RelinkRows(doc, equipment, tableIndex);
    return removed > 0;
}

bool CEquipDetailModel::SortRefs(CProjectModel& doc, CPrjDevice& equipment, int tableIndex) {
    CRefTable* table = equipment.m_settings.m_tables.GetPtr(tableIndex);
    if (!table || !IsSystem(equipment))
        return false;
    table->m_entries.Sort();
    RelinkRows(doc, equipment, tableIndex);
    return true;
}

void CEquipDetailModel::RelinkRows(CProjectModel& doc, const CPrjDevice& equipment, int tableIndex) {
    const CRefTable* table = equipment.m_settings.m_tables.GetPtr(tableIndex);
    if (!table)
        return;
    for (int row = 0; row < table->m_entries.GetSize(); ++row) {
        const CRefTableEntry& e = table->m_entries[row];
        CInfoEntry* info = doc.FindDeviceInfo(e.m_nAddress, e.m_nGroup, e.m_nEntry);
        if (info && info->m_equip[1] == equipment.m_nBayId && info->m_equip[2] == equipment.m_nId &&
            info->m_equip[3] == tableIndex)
            info->m_equip[4] = row;
    }
}

void CEquipDetailModel::RelinkRows(CProjectModel& doc, const CPrjDevice& equipment) {
    for (int t = 0; t < equipment.m_settings.m_tables.GetSize(); ++t)
        RelinkRows(doc, equipment, t);
}

void CEquipDetailModel::ResetPointLinks(CProjectModel& doc, const CPrjDevice& equipment) {
    for (const CRefTable& table : equipment.m_settings.m_tables)
        for (const CRefTableEntry& e : table.m_entries)
            ResetLink(doc, e);
}

} // namespace editors
