#include "unitlink/SocketFaults.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <sys/socket.h>

namespace unitlink {

namespace {

std::recursive_mutex& PlanMutex() {
    static std::recursive_mutex m;
    return m;
}

CSocketFaults*& Plan() {
    static CSocketFaults* plan = nullptr;
    return plan;
}

} // namespace

CSocketFaults::CSocketFaults() {
    std::lock_guard lock(PlanMutex());
    previous_ = Plan();
    Plan() = this;
}

CSocketFaults::~CSocketFaults() {
    std::lock_guard lock(PlanMutex());
    if (Plan() == this)
        Plan() = previous_;
}

CSocketFaults& CSocketFaults::FailNth(SocketStep step, int nth, int err) {
    std::lock_guard lock(PlanMutex());
    Rule& r = rules_[static_cast<std::size_t>(step)];
    r.nth = nth;
    r.onward = false;
    r.err = err;
    return *this;
}

CSocketFaults& CSocketFaults::FailFrom(SocketStep step, int nth, int err) {
    std::lock_guard lock(PlanMutex());
    FailNth(step, nth, err);
    rules_[static_cast<std::size_t>(step)].onward = true;
    return *this;
}

CSocketFaults& CSocketFaults::LimitSendsFrom(int nth, std::size_t bytes) {
    std::lock_guard lock(PlanMutex());
    limitFrom_ = nth;
    limit_ = bytes;
    return *this;
}

int CSocketFaults::Calls(SocketStep step) const {
    std::lock_guard lock(PlanMutex());
    return rules_[static_cast<std::size_t>(step)].calls;
}

int CSocketFaults::Failed(SocketStep step) const {
    std::lock_guard lock(PlanMutex());
    return rules_[static_cast<std::size_t>(step)].failed;
}

int CSocketFaults::Limited() const {
    std::lock_guard lock(PlanMutex());
    return limited_;
}

bool CSocketFaults::Fails(SocketStep step) {
    Rule& r = rules_[static_cast<std::size_t>(step)];
    const int call = ++r.calls;
    const bool fails = r.nth > 0 && (call == r.nth || (r.onward && call > r.nth));
    if (fails) {
        ++r.failed;
        errno = r.err;
    }
    return fails;
}

bool SocketStepFails(SocketStep step) {
    std::lock_guard lock(PlanMutex());
    CSocketFaults* plan = Plan();
    return plan && plan->Fails(step);
}

ssize_t SocketSend(int fd, const void* data, std::size_t size, int flags) {
    {
        std::lock_guard lock(PlanMutex());
        if (CSocketFaults* plan = Plan()) {
            if (plan->Fails(SocketStep::Send))
                return -1;
            const int call = plan->rules_[static_cast<std::size_t>(SocketStep::Send)].calls;
            if (plan->limitFrom_ > 0 && call >= plan->limitFrom_ && size > plan->limit_) {
                size = plan->limit_;
                ++plan->limited_;
            }
        }
    }
    return ::send(fd, data, size, flags);
}

} // namespace unitlink
