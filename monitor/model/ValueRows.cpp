#include "monitor/model/ValueRows.h"

#include "monitor/core/DevModel.h"
#include "platform/Text.h"

#include <algorithm>

namespace marindle {

bool IsSwitchType(std::uint8_t t) {
    return t == 9 || t == 18 || t == 19 || t == 203 || t == 204;
}

std::string RangeText(const CEntryRecord& e) {
    return e.rangeMin + " - " + e.rangeMax + " (" + e.rangeStep + ")";
}

std::string StripCategory(std::string_view title) {
    const std::size_t slash = title.find('/');
    return std::string(slash == std::string_view::npos ? title : title.substr(slash + 1));
}

bool SettingsGroupEditable(std::string_view title) {
    for (const char* word : {"定值", "定值区号", "软压板", "装置参数"})
        if (title.find(word) != std::string_view::npos)
            return true;
    return false;
}

bool IndicationGroupEditable(std::string_view title) {
    return title.find("遥控") == std::string_view::npos && title.find("遥调") == std::string_view::npos;
}

bool TableTypeEditable(int type) {
    return type == 0 || type == 1 || type == 2 || type == 5;
}

std::string TableTypeText(int type) {
    switch (type) {
    case 0:
        return "遥测";
    case 1:
        return "遥信";
    case 2:
        return "遥脉";
    case 3:
        return "遥控";
    case 4:
        return "遥调";
    case 5:
        return "档位";
    default:
        return "其它";
    }
}

std::vector<ValueRow> BuildSettingsRows(const CDeviceRecord& d) {
    std::vector<ValueRow> rows;
    for (const auto& g : d.Groups()) {
        if (g->kind != 2)
            continue;
        for (const auto& e : g->Entries()) {
            ValueRow r;
            r.device = d.address;
            r.entryKey = e->key;
            r.groupTitle = g->title;
            r.cells = {g->title,
                       e->description,
                       platform::StrFormat("%u", e->GroupNumber()),
                       platform::StrFormat("%u", e->EntryNumber()),
                       {},
                       e->dimension,
                       RangeText(*e)};
            rows.push_back(std::move(r));
        }
    }
    return rows;
}

std::vector<ValueRow> BuildIndicationRows(CDeviceRecord& d) {
    std::vector<ValueRow> rows;
    for (const auto& g : d.Groups()) {
        if (g->kind != 1)
            continue;
        for (const auto& e : g->Entries()) {
            e->manualSet = 0;
            ValueRow r;
            r.device = d.address;
            r.entryKey = e->key;
            r.groupTitle = g->title;
            r.cells = {StripCategory(g->title),
                       e->description,
                       platform::StrFormat("%u", e->GroupNumber()),
                       platform::StrFormat("%u", e->EntryNumber()),
                       {},
                       {}};
            rows.push_back(std::move(r));
        }
    }
    return rows;
}

bool CPendingList::Add(int row) {
    if (Contains(row))
        return false;
    rows_.push_back(row);
    return true;
}

bool CPendingList::Remove(int row) {
    auto it = std::find(rows_.begin(), rows_.end(), row);
    if (it == rows_.end())
        return false;
    rows_.erase(it);
    return true;
}

bool CPendingList::Contains(int row) const {
    return std::find(rows_.begin(), rows_.end(), row) != rows_.end();
}

std::vector<int> CPendingList::Sorted() const {
    std::vector<int> s = rows_;
    std::sort(s.begin(), s.end());
    return s;
}

} // namespace marindle
