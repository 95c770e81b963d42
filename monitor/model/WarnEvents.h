#pragma once
// The live event list of the warning view: its rows and its sort by type, time or address.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace marindle {

struct WarnEvent {
    int kind = 0; // 0 SOE, 1 recording, 2 system
    std::time_t time = 0;
    std::uint16_t milliseconds = 0;
    std::string name;
    std::uint16_t address = 0;
    std::string description;
    std::string state;
};

class CWarnEventList {
public:
    // False (nothing listed) for a kind other than 0, 1, 2.
    bool Add(const WarnEvent& e);
    void Clear() { events_.clear(); }
    // Inverts the column's direction and re-orders; false for a column that does not sort.
    bool Sort(int column);
    const std::vector<WarnEvent>& Events() const { return events_; }
    // The seven cells of the event at index (row number from 1).
    std::vector<std::string> RowTexts(std::size_t index) const;
    static std::string KindText(int kind);

private:
    std::vector<WarnEvent> events_;
    int direction_[7] = {};
};

} // namespace marindle
