#pragma once
// The process's peak resident memory, for tests that bound what a hostile input may allocate.
// Each test of the suite runs in its own process, so the growth of the peak across a call is what
// the call took (at most; an earlier peak in the same process hides some of it).
#include <sys/resource.h>

namespace testsupport {

// The peak resident memory of the process so far, in MB.
inline long PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024; // kilobytes on Linux
}

} // namespace testsupport
