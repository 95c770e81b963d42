#include "platform/EventSet.h"

namespace platform {

CEventSet::CEventSet(std::size_t count) : signalled_(count, false) {}

bool CEventSet::Set(std::size_t i) {
    {
        std::lock_guard lock(mutex_);
        if (i >= signalled_.size())
            return false;
        signalled_[i] = true;
    }
    cv_.notify_all();
    return true;
}

bool CEventSet::Reset(std::size_t i) {
    std::lock_guard lock(mutex_);
    if (i >= signalled_.size())
        return false;
    signalled_[i] = false;
    return true;
}

bool CEventSet::IsSet(std::size_t i) const {
    std::lock_guard lock(mutex_);
    return i < signalled_.size() && signalled_[i];
}

int CEventSet::FirstSignalled() const {
    for (std::size_t i = 0; i < signalled_.size(); ++i)
        if (signalled_[i])
            return static_cast<int>(i);
    return kTimeout;
}

int CEventSet::WaitAny(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (signalled_.empty())
        return kFailed;
    int found = kTimeout;
    cv_.wait_for(lock, timeout, [&] {
        found = FirstSignalled();
        return found != kTimeout;
    });
    return found;
}

} // namespace platform
