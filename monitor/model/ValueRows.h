#pragma once
// The rules of the editable value lists (settings, indications, reference tables) without
// widgets: which rows a device gives, which cells can be edited and with which editor, the list
// of pending edits, and the texts of the cells.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marindle {

class CDeviceRecord;
class CEntryRecord;
class CGroupRecord;

// The most entries one write or manual setting carries.
inline constexpr std::size_t kMaxValuesPerRequest = 63;

// Data types whose values are "分"/"合" and get the drop-down list.
bool IsSwitchType(std::uint8_t dataType);
// "min - max (step)".
std::string RangeText(const CEntryRecord& e);
// The group title without everything up to and including its first "/".
std::string StripCategory(std::string_view title);
// Settings rows can be edited in groups whose title holds "定值", "定值区号", "软压板" or "装置参数".
bool SettingsGroupEditable(std::string_view title);
// Indication rows can be edited unless the title holds "遥控" or "遥调".
bool IndicationGroupEditable(std::string_view title);
// Reference-table rows can be edited for the table types 0, 1, 2 and 5.
bool TableTypeEditable(int type);
std::string TableTypeText(int type);

// One row of a value list: the entry it shows, by device address and key.
struct ValueRow {
    std::uint16_t device = 0;
    std::uint16_t entryKey = 0;
    unsigned number = 0; // running number (reference tables)
    std::string groupTitle;
    std::vector<std::string> cells;
};

// The rows of a device's groups of a kind (2 settings, 1 indications, 3 statistics).
std::vector<ValueRow> BuildSettingsRows(const CDeviceRecord& d);
std::vector<ValueRow> BuildIndicationRows(CDeviceRecord& d);

// The rows with an edited value not yet sent, in the order edited, each once.
class CPendingList {
public:
    bool Add(int row);
    bool Remove(int row);
    bool Contains(int row) const;
    void Clear() { rows_.clear(); }
    std::size_t Size() const { return rows_.size(); }
    bool Empty() const { return rows_.empty(); }
    // In list order.
    std::vector<int> Sorted() const;
    const std::vector<int>& Rows() const { return rows_; }

private:
    std::vector<int> rows_;
};

} // namespace marindle
