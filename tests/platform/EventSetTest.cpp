#include "platform/EventSet.h"

#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;
using platform::CEventSet;

TEST(EventSet, TimesOutWhenNothingIsSignalled) {
    CEventSet events(9);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CEventSet::kTimeout, events.WaitAny(50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms);
    EXPECT_EQ(CEventSet::kFailed, CEventSet(0).WaitAny(1ms));
}

TEST(EventSet, WakesForAnEventSetByAnotherThreadAndStaysSetUntilReset) {
    CEventSet events(9);
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        events.Set(4);
    });
    EXPECT_EQ(4, events.WaitAny(5000ms));
    setter.join();
    EXPECT_EQ(4, events.WaitAny(0ms)); // manual reset: still signalled
    events.Reset(4);
    EXPECT_EQ(CEventSet::kTimeout, events.WaitAny(10ms));
}

TEST(EventSet, LowestSignalledIndexWins) {
    CEventSet events(4);
    events.Set(3);
    events.Set(1);
    EXPECT_EQ(1, events.WaitAny(0ms));
    EXPECT_FALSE(events.Set(4));
    EXPECT_TRUE(events.IsSet(3));
}
