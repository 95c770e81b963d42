#pragma once
// What the variable-information dialog shows and stores, without widgets: one tab per
// variable-information record; a record of at most one value row is a property list (name, data
// type, value), any other a table (number, then one column per option item). Only the option items
// that apply to the records' protocol region are shown; changing "规约适用地区" changes the region.
#include "editors/model/GridRows.h"
#include "projectmodel/ItemRecord.h"
#include "projectmodel/PointRef.h"

#include <string>
#include <vector>

namespace projectmodel {
class CProjectModel;
}

namespace editors {

struct CGridColumn {
    std::string header;
    int width = -1; // -1: the header text's extent plus 10
};

class CVarInfoModel {
public:
    enum EditorKind { kNoEditor, kComboEditor, kTextEditor, kPointEditor };

    explicit CVarInfoModel(projectmodel::CItemRecordArray records = {});

    projectmodel::CItemRecordArray m_records;
    std::string m_strRegion;
    int m_bRegionChanged = 0;

    // The region from the records' "规约适用地区" value.
    void InitRegion() { m_strRegion = m_records.GetProtocolRegion(); }

    bool IsPropertyList(int tab) const;
    // The columns of a tab; for a table the column map is rebuilt (option index per column, -1 for
    // the number column).
    std::vector<CGridColumn> Columns(int tab);
    // The rows of a tab; a table row whose values do not match the option items shows
    // "二维表显示错误：条目与值个数不一致！" and stays without values.
    std::vector<CGridRow> Rows(int tab) const;

    // The option item behind a clicked cell (rowItemData: the row's item value); -1 when the cell
    // is not editable.
    int OptionAt(int tab, int column, long long rowItemData) const;
    EditorKind EditorFor(int tab, int option) const;
    std::vector<std::string> ChoicesOf(int tab, int option) const;
    // The stored value of the option for a list row (property list: the first value row).
    std::string StoredValue(int tab, int row, int option) const;
    // A typed value checked against the option's range (clamped with a message).
    std::string CheckTyped(int tab, int option, const std::string& text) const;
    // Stores the value; true when the region changed (the list must be built again).
    bool Store(int tab, int row, int option, const std::string& value);

    // "添加信息": a row of default values; 0 after "不允许再添加组态值!" when the record is full.
    int AddRow(int tab);
    // "删除信息": the rows at the given ascending list indices.
    void DeleteRows(int tab, const std::vector<int>& rows);

    const std::vector<int>& ColumnMap() const { return m_columnMap; }

private:
    bool Applies(const projectmodel::COptionItem& item) const;
    const projectmodel::CItemRecord* Record(int tab) const;
    projectmodel::CItemRecord* Record(int tab);

    std::vector<int> m_columnMap;
};

} // namespace editors
