#include "editors/model/RefTableModel.h"
#include "editors/model/DeviceLabels.h"

#include "editors/model/CellValue.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

namespace {

const char* const kPointKinds[] = {"GIN", "YC", "YX", "YM", "YP", "YT", "YK", "YKYX", "YXYK"};

std::string ValueAt(const CStringArray& values, int index) {
    return index >= 0 && index < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(index)]
                                                                 : std::string();
}

void AppendValues(std::vector<std::string>& cells, const CStringArray& values, const std::vector<int>& items,
                  int columns) {
    if (items.empty()) {
        for (int k = 0; k < columns; ++k)
            cells.push_back(ValueAt(values, k));
        return;
    }
    for (int item : items)
        cells.push_back(ValueAt(values, item));
}

} // namespace

bool CRefTableModel::IsPointKind(const std::string& kind) {
    for (const char* k : kPointKinds)
        if (platform::EqualsNoCase(kind, k))
            return true;
    return false;
}

CRefTableModel::Editor CRefTableModel::EditorFor(const COptionItem& def, bool allowUri) {
    if (def.IsKind("ENUM"))
        return Editor::Combo;
    for (const char* kind : {"STRING", "BYTE", "WORD", "INT", "FLOAT"})
        if (def.IsKind(kind))
            return Editor::Edit;
    if (IsPointKind(def.m_strKind))
        return Editor::Point;
    if (allowUri && def.IsKind("XSTRING"))
        return Editor::Uri;
    return Editor::None;
}

bool CRefTableModel::DescribePoint(const CProjectModel& doc, int address, int group, int entry,
                                   std::string& text, int* fun, int* inf) {
    const CDevice* device = doc.m_devices.FindByAddress(address);
    const CInfoEntry* info = device ? device->m_model.FindEntry(group, entry) : nullptr;
    if (!info)
        return false;
    text = info->m_strDesc;
    const bool prefixed = !text.empty() && text.front() == '[' && text.find(']', 1) != std::string::npos;
    if (!prefixed)
        text = "[" + device->m_strDescription + "]" + text;
    if (fun)
        *fun = info->m_nFun;
    if (inf)
        *inf = info->m_nInf;
    return true;
}

CGridRow CRefTableModel::PointRow(const CProjectModel& doc, const CRefTable& table, int index, int number,
                                  const std::vector<int>& valueItems, const std::string& missing,
                                  bool pointFunInf) {
    const CRefTableEntry& e = table.m_entries[index];
    std::string desc;
    int fun = 0;
    int inf = 0;
    const bool found = DescribePoint(doc, e.m_nAddress, e.m_nGroup, e.m_nEntry, desc, &fun, &inf);
    std::vector<std::string> cells{StrFormat("%d", number), StrFormat("%d", e.m_nAddress),
                                   StrFormat("%d", e.m_nGroup), StrFormat("%d", e.m_nEntry)};
    if (pointFunInf) {
        cells.push_back(found ? StrFormat("%d", fun) : std::string());
        cells.push_back(found ? StrFormat("%d", inf) : std::string());
    } else {
        cells.push_back(StrFormat("%d", e.m_nFun));
        cells.push_back(StrFormat("%d", e.m_nInf));
    }
    cells.push_back(found ? desc : missing);
    AppendValues(cells, e.m_values, valueItems, table.m_columns.GetSize());
    return GridRow(std::move(cells));
}

std::vector<CGridRow> CRefTableModel::PointRows(const CProjectModel& doc, const CRefTable& table,
                                                int firstNumber, const std::vector<int>& valueItems,
                                                const std::string& missing, bool pointFunInf) {
    std::vector<CGridRow> rows;
    rows.reserve(static_cast<std::size_t>(table.m_entries.GetSize()));
    for (int i = 0; i < table.m_entries.GetSize(); ++i)
        rows.push_back(PointRow(doc, table, i, firstNumber + i, valueItems, missing, pointFunInf));
    return rows;
}

std::vector<CGridRow> CRefTableModel::DeviceRows(const CRefTable& table, const std::vector<int>& valueItems) {
    std::vector<CGridRow> rows;
    rows.reserve(static_cast<std::size_t>(table.m_devices.GetSize()));
    int number = 1;
    for (const CRefTableDevice& d : table.m_devices) {
        std::vector<std::string> cells{StrFormat("%d", number++),
                                       StrFormat("%d", ShownBoardNumber(d.m_nBoard)),
                                       StrFormat("%d", d.m_nAddress),
                                       StrFormat("%d", d.m_nMappedAddress),
                                       d.m_strModelName,
                                       d.m_strModelType,
                                       d.m_strModelVersion,
                                       d.m_strDescription};
        AppendValues(cells, d.m_values, valueItems, table.m_columns.GetSize());
        rows.push_back(GridRow(std::move(cells)));
    }
    return rows;
}

std::string CRefTableModel::CheckedValue(const COptionItem& def, const std::string& text) {
    if (def.m_choices.size() != 2)
        return text;
    return CheckOptionValue(def.m_strKind, &def.m_choices[0], &def.m_choices[1], text);
}

bool CRefTableModel::CategoryFits(int tableType, int category, bool setPoint) {
    if (tableType == category)
        return true;
    if ((tableType == kInfoTypeYX || tableType == kInfoTypeYK) && category == kInfoTypeYKYX)
        return true;
    return setPoint && tableType == kInfoTypeYT && category == kInfoTypeYK;
}

CRefTableModel::AddResult CRefTableModel::AddPoint(const CProjectModel& doc, CRefTable& table, int address,
                                                   int group, int entry, bool setPoint) {
    const CDevice* device = doc.m_devices.FindByAddress(address);
    const CInfoGroup* g = device ? device->m_model.FindGroup(group) : nullptr;
    const CInfoEntry* info = g ? g->m_entries.GetByEntryNo(entry) : nullptr;
    if (!info)
        return AddResult::NoPoint;
    if (!CategoryFits(table.m_nType, g->m_nType, setPoint)) {
        platform::MessageBox("类型不对应!", "错误", platform::Icon::Error);
        return AddResult::WrongType;
    }
    if (table.m_entries.Find(address, group, entry)) {
        platform::MessageBox(StrFormat("测点%d-%d-%d已存在!", address, group, entry), "告警",
                             platform::Icon::Warning);
        return AddResult::Exists;
    }
    CRefTableEntry e;
    e.m_nBoard = device->m_nBoard;
    e.m_nAddress = address;
    e.m_nGroup = group;
    e.m_nEntry = entry;
    e.m_nFun = info->m_nFun;
    e.m_nInf = info->m_nInf;
    table.m_columns.GetDefaultValues(e.m_values);
    table.m_entries.Add(std::move(e));
    return AddResult::Added;
}

int CRefTableModel::MoveTarget(long long position, int count) {
    if (position <= 0)
        position = 1;
    if (position > count)
        position = count + 1;
    return static_cast<int>(position - 1);
}

int CRefTableModel::FillConsecutive(CRefTable& table, const std::vector<int>& rows, int item, int step) {
    if (!table.m_columns.IsValidIndex(item) || !table.m_columns[item].IsKind("INT") ||
        table.m_columns[item].m_choices.size() != 2)
        return 0;
    const long long min = platform::AtoLL(table.m_columns[item].m_choices[0]);
    const long long max = platform::AtoLL(table.m_columns[item].m_choices[1]);
    long long value = 0;
    int changed = 0;
    bool first = true;
    for (int r : rows) {
        CRefTableEntry* e = table.m_entries.GetPtr(r);
        if (!e)
            continue;
        if (static_cast<int>(e->m_values.size()) <= item)
            e->m_values.resize(static_cast<std::size_t>(item) + 1);
        std::string& cell = e->m_values[static_cast<std::size_t>(item)];
        value = first ? platform::AtoLL(cell) : value + step;
        if (value > max || value < min) {
            platform::MessageBox(StrFormat("从第%d行数值越限!", r + 1));
            break;
        }
        cell = StrFormat("%lld", value);
        first = false;
        ++changed;
    }
    return changed;
}

} // namespace editors
