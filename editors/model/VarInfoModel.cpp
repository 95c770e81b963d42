#include "editors/model/VarInfoModel.h"

#include "editors/model/CellValue.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/TextHelpers.h"

using namespace projectmodel;
using platform::Buttons;
using platform::Icon;

namespace editors {

namespace {
constexpr const char* kRegionOption = "规约适用地区";
const char* const kPointKinds[] = {"GIN", "YC", "YX", "YM", "YP", "YT", "YK", "YKYX", "YXYK"};
const char* const kTypedKinds[] = {"STRING", "BYTE", "WORD", "INT", "FLOAT"};
} // namespace

CVarInfoModel::CVarInfoModel(CItemRecordArray records) : m_records(std::move(records)) {
    InitRegion();
}

const CItemRecord* CVarInfoModel::Record(int tab) const {
    return m_records.GetPtr(tab);
}

CItemRecord* CVarInfoModel::Record(int tab) {
    return m_records.GetPtr(tab);
}

bool CVarInfoModel::Applies(const COptionItem& item) const {
    std::string title;
    return item.AppliesTo(m_strRegion, title) != 0;
}

bool CVarInfoModel::IsPropertyList(int tab) const {
    const CItemRecord* r = Record(tab);
    return r && r->m_nDimension == 1;
}

std::vector<CGridColumn> CVarInfoModel::Columns(int tab) {
    std::vector<CGridColumn> columns;
    m_columnMap.clear();
    const CItemRecord* r = Record(tab);
    if (!r)
        return columns;
    if (IsPropertyList(tab))
        return {{"名称", 70}, {"数据类型", 70}, {"设置值", 80}};
    columns.push_back({"序号", 40});
    m_columnMap.push_back(-1);
    for (int i = 0; i < r->m_items.GetSize(); ++i) {
        const COptionItem& item = r->m_items[i];
        if (!Applies(item))
            continue;
        columns.push_back({StripBracketPrefix(item.m_strName) + "(" + item.m_strKind + ")", 80});
        m_columnMap.push_back(i);
    }
    return columns;
}

std::vector<CGridRow> CVarInfoModel::Rows(int tab) const {
    std::vector<CGridRow> rows;
    const CItemRecord* r = Record(tab);
    if (!r)
        return rows;
    if (IsPropertyList(tab)) {
        for (int i = 0; i < r->m_items.GetSize(); ++i) {
            const COptionItem& item = r->m_items[i];
            if (!Applies(item))
                continue;
            CGridRow row;
            row.cells = {StripBracketPrefix(item.m_strName), item.m_strKind, StoredValue(tab, 0, i)};
            row.itemData = i;
            rows.push_back(std::move(row));
        }
        return rows;
    }
    for (std::size_t v = 0; v < r->m_rows.size(); ++v) {
        CGridRow row;
        row.cells.push_back(platform::StrFormat("%d", static_cast<int>(v) + 1));
        row.itemData = static_cast<long long>(v);
        const CStringArray& values = r->m_rows[v];
        if (static_cast<int>(values.size()) != r->m_items.GetSize()) {
            platform::MessageBox("二维表显示错误：条目与值个数不一致！", {}, Icon::Warning, Buttons::Ok);
        } else {
            for (int i = 0; i < r->m_items.GetSize(); ++i)
                if (Applies(r->m_items[i]))
                    row.cells.push_back(values[static_cast<std::size_t>(i)]);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

int CVarInfoModel::OptionAt(int tab, int column, long long rowItemData) const {
    const CItemRecord* r = Record(tab);
    if (!r)
        return -1;
    if (IsPropertyList(tab))
        return column == 2 && r->m_items.IsValidIndex(static_cast<int>(rowItemData))
                   ? static_cast<int>(rowItemData)
                   : -1;
    if (column < 1 || column >= static_cast<int>(m_columnMap.size()))
        return -1;
    return m_columnMap[static_cast<std::size_t>(column)];
}

CVarInfoModel::EditorKind CVarInfoModel::EditorFor(int tab, int option) const {
    const CItemRecord* r = Record(tab);
    if (!r || !r->m_items.IsValidIndex(option))
        return kNoEditor;
    const COptionItem& item = r->m_items[option];
    if (item.IsKind("ENUM"))
        return kComboEditor;
    for (const char* k : kTypedKinds)
        if (item.IsKind(k))
            return kTextEditor;
    for (const char* k : kPointKinds)
        if (item.IsKind(k))
            return kPointEditor;
    return kNoEditor;
}

std::vector<std::string> CVarInfoModel::ChoicesOf(int tab, int option) const {
    const CItemRecord* r = Record(tab);
    if (!r || !r->m_items.IsValidIndex(option))
        return {};
    return r->m_items[option].m_choices;
}

std::string CVarInfoModel::StoredValue(int tab, int row, int option) const {
    const CItemRecord* r = Record(tab);
    if (!r || option < 0)
        return {};
    const std::size_t v = IsPropertyList(tab) ? 0 : static_cast<std::size_t>(row);
    if (row < 0 || v >= r->m_rows.size() || static_cast<std::size_t>(option) >= r->m_rows[v].size())
        return {};
    return r->m_rows[v][static_cast<std::size_t>(option)];
}

std::string CVarInfoModel::CheckTyped(int tab, int option, const std::string& text) const {
    const CItemRecord* r = Record(tab);
    if (!r || !r->m_items.IsValidIndex(option))
        return text;
    const COptionItem& item = r->m_items[option];
    if (item.m_choices.size() != 2)
        return text;
    return CheckOptionValue(item.m_strKind, &item.m_choices[0], &item.m_choices[1], text);
}

bool CVarInfoModel::Store(int tab, int row, int option, const std::string& value) {
    CItemRecord* r = Record(tab);
    if (!r || !r->m_items.IsValidIndex(option) || row < 0)
        return false;
    const std::size_t v = IsPropertyList(tab) ? 0 : static_cast<std::size_t>(row);
    // A property list without its value row gets one, so that the value is not lost.
    if (v >= r->m_rows.size()) {
        if (!IsPropertyList(tab))
            return false;
        CStringArray defaults;
        r->m_items.GetDefaultValues(defaults);
        r->m_rows.push_back(defaults);
    }
    CStringArray& values = r->m_rows[v];
    if (values.size() < static_cast<std::size_t>(r->m_items.GetSize()))
        values.resize(static_cast<std::size_t>(r->m_items.GetSize()));
    values[static_cast<std::size_t>(option)] = value;
    if (StripBracketPrefix(r->m_items[option].m_strName) == kRegionOption) {
        m_strRegion = value;
        m_bRegionChanged = 1;
        return true;
    }
    return false;
}

int CVarInfoModel::AddRow(int tab) {
    CItemRecord* r = Record(tab);
    if (!r)
        return 0;
    if (static_cast<int>(r->m_rows.size()) >= r->m_nDimension) {
        platform::MessageBox("不允许再添加组态值!", {}, Icon::Warning, Buttons::Ok);
        return 0;
    }
    CStringArray defaults;
    r->m_items.GetDefaultValues(defaults);
    r->m_rows.push_back(std::move(defaults));
    return 1;
}

void CVarInfoModel::DeleteRows(int tab, const std::vector<int>& rows) {
    CItemRecord* r = Record(tab);
    if (!r)
        return;
    int removed = 0;
    for (int row : rows) {
        const int at = row - removed;
        if (at < 0 || at >= static_cast<int>(r->m_rows.size()))
            continue;
        r->m_rows.erase(r->m_rows.begin() + at);
        ++removed;
    }
}

} // namespace editors
