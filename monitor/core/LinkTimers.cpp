#include "monitor/core/LinkTimers.h"

#include <algorithm>
#include <vector>

namespace marindle {

void CLinkTimers::Start(int id, int periodMs) {
    const int p = std::max(1, periodMs);
    timers_[id] = Timer{p, p};
}

void CLinkTimers::Stop(int id) {
    timers_.erase(id);
}

int CLinkTimers::Period(int id) const {
    const auto it = timers_.find(id);
    return it == timers_.end() ? 0 : it->second.period;
}

void CLinkTimers::Advance(int elapsedMs) {
    while (elapsedMs > 0 && !timers_.empty()) {
        int step = elapsedMs;
        for (const auto& [id, t] : timers_)
            step = std::min(step, t.remaining);
        for (auto& [id, t] : timers_)
            t.remaining -= step;
        elapsedMs -= step;
        std::vector<int> due;
        for (auto& [id, t] : timers_)
            if (t.remaining <= 0) {
                t.remaining = t.period;
                due.push_back(id);
            }
        for (int id : due)
            // A handler may have stopped a timer that was due with it.
            if (timers_.count(id) && onExpiry_)
                onExpiry_(id);
    }
}

} // namespace marindle
