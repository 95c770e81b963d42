#pragma once
// The link's timers without a clock of their own: the shell's timer calls Advance with the time
// that passed, tests call it to move time on without waiting. A timer repeats until stopped, like
// a window timer.
#include <functional>
#include <map>

namespace marindle {

class CLinkTimers {
public:
    using Handler = std::function<void(int id)>;

    explicit CLinkTimers(Handler onExpiry) : onExpiry_(std::move(onExpiry)) {}

    // (Re)starts a timer: its first expiry comes periodMs from now.
    void Start(int id, int periodMs);
    void Stop(int id);
    bool IsRunning(int id) const { return timers_.count(id) != 0; }
    int Period(int id) const;
    // Moves time on; every expiry in that span is handled in time order (timers due at the same
    // moment by id). Handlers may start and stop timers.
    void Advance(int elapsedMs);

private:
    struct Timer {
        int period;
        int remaining;
    };
    std::map<int, Timer> timers_;
    Handler onExpiry_;
};

} // namespace marindle
