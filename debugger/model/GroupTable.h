#pragma once
// The group titles a data page has been told of, in the order they came.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quorvex {

// The group titles of a page: at most capacity slots.
class CGroupTable {
public:
    explicit CGroupTable(int capacity) : capacity_(capacity) {}
    bool Add(std::uint8_t group, const std::string& title);
    bool Has(std::uint8_t group) const;
    // The title of the last slot with the number (empty when none).
    std::string TitleOf(std::uint8_t group) const;
    const std::vector<std::pair<std::uint8_t, std::string>>& Slots() const { return slots_; }

private:
    int capacity_;
    std::vector<std::pair<std::uint8_t, std::string>> slots_;
};

} // namespace quorvex
