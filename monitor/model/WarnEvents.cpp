#include "monitor/model/WarnEvents.h"

#include "monitor/core/DevTime.h"
#include "platform/Text.h"

#include <algorithm>

namespace marindle {

std::string CWarnEventList::KindText(int kind) {
    switch (kind) {
    case 0:
        return "SOE事件";
    case 1:
        return "录波事件";
    case 2:
        return "系统事件";
    default:
        return {};
    }
}

bool CWarnEventList::Add(const WarnEvent& e) {
    if (e.kind < 0 || e.kind > 2)
        return false;
    events_.push_back(e);
    return true;
}

bool CWarnEventList::Sort(int column) {
    if (column != 1 && column != 2 && column != 4)
        return false;
    direction_[column] = !direction_[column];
    const bool ascending = direction_[column] == 1;
    auto key = [column](const WarnEvent& e) -> std::pair<long long, long long> {
        if (column == 1)
            return {e.kind, 0};
        if (column == 2)
            return {static_cast<long long>(e.time), e.milliseconds};
        return {e.address, 0};
    };
    // A stable sort gives the order of the repeated selection: equal keys keep their order.
    std::stable_sort(events_.begin(), events_.end(), [&](const WarnEvent& a, const WarnEvent& b) {
        return ascending ? key(a) < key(b) : key(b) < key(a);
    });
    return true;
}

std::vector<std::string> CWarnEventList::RowTexts(std::size_t index) const {
    const WarnEvent& e = events_.at(index);
    return {platform::StrFormat("%u", static_cast<unsigned>(index + 1)),
            KindText(e.kind),
            e.time == kInvalidTime ? FormatLocalTime(e.time)
                                   : FormatLocalTime(e.time) + platform::StrFormat(".%u", e.milliseconds),
            e.name,
            e.kind == 2 ? std::string() : platform::StrFormat("%u", e.address),
            e.description,
            e.state};
}

} // namespace marindle
