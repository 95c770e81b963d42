#include "debugger/model/GroupTable.h"

namespace quorvex {

bool CGroupTable::Add(std::uint8_t group, const std::string& title) {
    if (static_cast<int>(slots_.size()) >= capacity_)
        return false;
    slots_.emplace_back(group, title);
    return true;
}

bool CGroupTable::Has(std::uint8_t group) const {
    for (const auto& s : slots_)
        if (s.first == group)
            return true;
    return false;
}

std::string CGroupTable::TitleOf(std::uint8_t group) const {
    std::string title;
    for (const auto& s : slots_)
        if (s.first == group)
            title = s.second;
    return title;
}

} // namespace quorvex
