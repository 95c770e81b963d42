#pragma once
// Bounded waits of tests that serve the user-interface thread's events while another thread
// works: every wait has a limit and fails the test when it runs out.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

namespace testsupport {

// Serves events until done() holds; false (after a test failure) when ms pass first.
inline bool ServeEventsUntil(const std::function<bool()>& done, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) {
            ADD_FAILURE() << "waited " << ms << " ms in vain";
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs fn on another thread while this thread serves its events, at most ms. A thread that does
// not end in time cannot be joined or left behind safely (it uses the caller's objects): the
// failure is printed and the test program ends at once instead of hanging.
inline void RunOnWorkerServing(const std::function<void()>& fn, int ms = 60000) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        fn();
        done = true;
    });
    if (!ServeEventsUntil([&] { return done.load(); }, ms)) {
        std::fprintf(stderr, "a worker thread did not end within %d ms\n", ms);
        std::fflush(stderr);
        std::_Exit(1);
    }
    worker.join();
}

} // namespace testsupport
