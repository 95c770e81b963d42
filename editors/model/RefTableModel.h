#pragma once
// The reference tables of a port configuration or a port protocol without widgets: point and
// device rows, the cell editor of a column kind, point values of point-valued columns, adding a
// point with its category and duplicate checks, and moving, deleting and numbering entries.
#include "editors/model/GridRows.h"
#include "projectmodel/PointRef.h"
#include "projectmodel/RecordArray.h"

#include <algorithm>
#include <string>
#include <vector>

namespace projectmodel {
class COptionItem;
class CProjectModel;
class CRefTable;
} // namespace projectmodel

namespace editors {

class CRefTableModel {
public:
    enum class Editor { None, Combo, Edit, Point, Uri };
    // The editor of a value column by its option kind; "XSTRING" takes the URI table only where
    // allowed.
    static Editor EditorFor(const projectmodel::COptionItem& def, bool allowUri);
    static bool IsPointKind(const std::string& kind);

    // The point's description with "[device description]" put in front unless it already starts
    // with a bracketed prefix; false when the project has no such point.
    static bool DescribePoint(const projectmodel::CProjectModel& doc, int address, int group, int entry,
                              std::string& text, int* fun = nullptr, int* inf = nullptr);

    // Rows of a point table: number (from firstNumber), address, group, entry, FUN, INF,
    // description (missing: the text given), then the entry's values at valueItems (the option
    // index of each value column; all columns in order when empty). pointFunInf: FUN and INF of
    // the point (empty when it is missing) rather than of the entry.
    static std::vector<CGridRow> PointRows(const projectmodel::CProjectModel& doc,
                                           const projectmodel::CRefTable& table, int firstNumber,
                                           const std::vector<int>& valueItems, const std::string& missing,
                                           bool pointFunInf);
    static CGridRow PointRow(const projectmodel::CProjectModel& doc, const projectmodel::CRefTable& table,
                             int index, int number, const std::vector<int>& valueItems,
                             const std::string& missing, bool pointFunInf);
    // Rows of a device table: number from 1, board, address, mapped address, model, type,
    // version, description, then the values at valueItems.
    static std::vector<CGridRow> DeviceRows(const projectmodel::CRefTable& table,
                                            const std::vector<int>& valueItems);

    // The value typed for a column: numbers clamped to a two-entry range with the message.
    static std::string CheckedValue(const projectmodel::COptionItem& def, const std::string& text);

    // Whether a point of group category c fits a table of type t: equal, or a combined
    // telesignal/telecontrol point in a telesignal or telecontrol table; with setPoint also a
    // telecontrol point in a set-point table.
    static bool CategoryFits(int tableType, int category, bool setPoint);
    enum class AddResult { Added, NoPoint, WrongType, Exists };
    // Appends the point (with the columns' default values) after the checks; "类型不对应!" and
    // "测点%d-%d-%d已存在!" are shown for refusals.
    static AddResult AddPoint(const projectmodel::CProjectModel& doc, projectmodel::CRefTable& table,
                              int address, int group, int entry, bool setPoint);

    // Target index of a move to the 1-based position among count rows.
    static int MoveTarget(long long position, int count);
    // The one block move of every list: the selected elements (ascending rows) are taken out and
    // put back together, in their order, so that the first of them stands at the 1-based position
    // (at the end when fewer rows remain; position 0 counts as 1). Rows 1, 2 of A..F moved to
    // position 5 give C D E F A B. The rows where the moved elements ended, ascending.
    template <class T>
    static std::vector<int> MoveRows(std::vector<T>& items, const std::vector<int>& selected,
                                     long long position);
    // Removes the selected rows (ascending); the removed elements in order.
    template <class T>
    static std::vector<T> RemoveRows(std::vector<T>& items, const std::vector<int>& selected);

    // Numbers the value of option item at the selected rows from the first row's value by step;
    // a value outside min..max shows "从第%d行数值越限!" and stops. Rows changed.
    static int FillConsecutive(projectmodel::CRefTable& table, const std::vector<int>& rows, int item,
                               int step);
};

template <class T>
std::vector<int> CRefTableModel::MoveRows(std::vector<T>& items, const std::vector<int>& selected,
                                          long long position) {
    const int count = static_cast<int>(items.size());
    std::vector<bool> chosen(static_cast<std::size_t>(count), false);
    for (int r : selected)
        if (r >= 0 && r < count)
            chosen[static_cast<std::size_t>(r)] = true;
    std::vector<T> block;
    std::vector<T> rest;
    for (int i = 0; i < count; ++i)
        (chosen[static_cast<std::size_t>(i)] ? block : rest)
            .push_back(std::move(items[static_cast<std::size_t>(i)]));
    if (block.empty()) {
        items = std::move(rest);
        return {};
    }
    const int at = std::min(MoveTarget(position, count), static_cast<int>(rest.size()));
    std::vector<int> rows;
    for (int k = 0; k < static_cast<int>(block.size()); ++k)
        rows.push_back(at + k);
    rest.insert(rest.begin() + at, std::make_move_iterator(block.begin()),
                std::make_move_iterator(block.end()));
    items = std::move(rest);
    return rows;
}

template <class T>
std::vector<T> CRefTableModel::RemoveRows(std::vector<T>& items, const std::vector<int>& selected) {
    std::vector<T> removed;
    int i = 0;
    for (int r : selected) {
        const int index = r - i;
        if (index < 0 || index >= static_cast<int>(items.size()))
            continue;
        removed.push_back(std::move(items[static_cast<std::size_t>(index)]));
        items.erase(items.begin() + index);
        ++i;
    }
    return removed;
}

} // namespace editors
