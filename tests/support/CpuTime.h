#pragma once
// The CPU time the test process has used: a bound on work that holds on a loaded machine, where
// a bound on wall time would not.
#include <ctime>

namespace testsupport {

inline double ProcessCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace testsupport
