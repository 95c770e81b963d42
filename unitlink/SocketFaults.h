#pragma once
// The socket layer's one fault seam. The TCP transport's own sends and reads ask it first; a test
// installs a plan that fails the Nth call of a kind with the error the system would give (EPIPE,
// ECONNRESET) or lets the system take only part of what is handed to it, so each failure branch of
// a send and a receive can be run against a real socket. With no plan installed every call goes
// ahead untouched; the programs never install one.
#include <array>
#include <cstddef>
#include <sys/types.h>

namespace unitlink {

enum class SocketStep { Send, Receive };
constexpr std::size_t kSocketStepCount = 2;

// Asked before a read of the socket: true means the read is to fail as the system would (errno is
// set to the plan's error). Counts the call for the installed plan.
bool SocketStepFails(SocketStep step);

// ::send through the plan: a failing call returns -1 with the plan's errno, a limited one hands
// the system at most the plan's number of bytes.
ssize_t SocketSend(int fd, const void* data, std::size_t size, int flags);

// A plan of faults, installed while the object lives (one at a time; installing a second replaces
// the first until it goes).
class CSocketFaults {
public:
    CSocketFaults();
    ~CSocketFaults();
    CSocketFaults(const CSocketFaults&) = delete;
    CSocketFaults& operator=(const CSocketFaults&) = delete;

    // Fails the nth call (from 1) of step with the system error err.
    CSocketFaults& FailNth(SocketStep step, int nth, int err);
    // Fails every call of step from the nth on with err.
    CSocketFaults& FailFrom(SocketStep step, int nth, int err);
    // Every send from the nth on hands the system at most `bytes` bytes (a partial send).
    CSocketFaults& LimitSendsFrom(int nth, std::size_t bytes);
    // Calls of step counted so far.
    int Calls(SocketStep step) const;
    // Calls of step that were made to fail.
    int Failed(SocketStep step) const;
    // Sends that were cut short by the limit.
    int Limited() const;

private:
    friend bool SocketStepFails(SocketStep);
    friend ssize_t SocketSend(int, const void*, std::size_t, int);
    struct Rule {
        int nth = 0; // 0: the step never fails
        bool onward = false;
        int err = 0;
        int calls = 0;
        int failed = 0;
    };
    // Counts a call of step; true when it is to fail (errno set).
    bool Fails(SocketStep step);
    std::array<Rule, kSocketStepCount> rules_{};
    int limitFrom_ = 0;
    std::size_t limit_ = 0;
    int limited_ = 0;
    CSocketFaults* previous_ = nullptr;
};

} // namespace unitlink
