#pragma once
// The reference tables of a port configuration or a port protocol without widgets: point and
// device rows, the cell editor of a column kind, point values of point-valued columns, adding a
// point with its category and duplicate checks, and moving, deleting and numbering entries.
#include "editors/GridRows.h"
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
    // Moves the selected elements (ascending rows) to the 1-based position: the i-th selected row
    // r goes to target + i when r > target, the element at r - i goes to target when r < target
    // (each move takes the element out and inserts it at that index). The rows where the moved
    // elements ended, ascending.
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
    const int p = MoveTarget(position, count);
    // Each slot carries its original index so that the moved elements can be found afterwards.
    std::vector<int> order(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::vector<int> moved;
    auto move = [&](int from, int to) {
        if (from < 0 || from >= count)
            return;
        const int original = order[static_cast<std::size_t>(from)];
        order.erase(order.begin() + from);
        to = std::clamp(to, 0, static_cast<int>(order.size()));
        order.insert(order.begin() + to, original);
        moved.push_back(original);
    };
    int i = 0;
    for (int r : selected) {
        if (r < 0 || r >= count)
            continue;
        if (r > p)
            move(r, p + i);
        else if (r < p)
            move(r - i, p);
        else
            moved.push_back(order[static_cast<std::size_t>(r)]);
        ++i;
    }
    std::vector<T> result;
    result.reserve(items.size());
    std::vector<int> rowOf(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        result.push_back(std::move(items[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])]));
        rowOf[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])] = k;
    }
    items = std::move(result);
    std::vector<int> rows;
    for (int original : moved)
        rows.push_back(rowOf[static_cast<std::size_t>(original)]);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
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
