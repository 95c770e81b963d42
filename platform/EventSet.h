#pragma once
// A set of manual-reset events that a worker thread waits on, any one of them, with a time-out.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

namespace platform {

class CEventSet {
public:
    static constexpr int kTimeout = -1;
    static constexpr int kFailed = -2;

    explicit CEventSet(std::size_t count);

    // Signals event i; it stays signalled until Reset. False for an index outside the set.
    bool Set(std::size_t i);
    bool Reset(std::size_t i);
    bool IsSet(std::size_t i) const;
    std::size_t Count() const { return signalled_.size(); }

    // Waits until any event is signalled and returns the lowest signalled index, without resetting
    // it; kTimeout when none was signalled in time; kFailed for an empty set.
    int WaitAny(std::chrono::milliseconds timeout);

private:
    int FirstSignalled() const;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<bool> signalled_;
};

} // namespace platform
