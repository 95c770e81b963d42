// The gate of the queued calls: what comes to run while a connection attempt is going on is held
// and queued again, in its order, when the last attempt has ended.
#include "unitlink/PostGate.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace {

// A queue run by hand, as the event loop would run it.
struct Loop {
    std::deque<unitlink::CPostGate::Call> calls;
    void RunAll() {
        while (!calls.empty()) {
            auto call = std::move(calls.front());
            calls.pop_front();
            call();
        }
    }
};

} // namespace

TEST(PostGateTest, CallsThatComeToRunDuringAnAttemptWaitForItsEndInTheirOrder) {
    Loop loop;
    std::string ran;
    {
        unitlink::CPostGate gate([&](unitlink::CPostGate::Call c) { loop.calls.push_back(std::move(c)); });
        gate.Post([&] { ran += 'a'; });
        gate.Post([&] { ran += 'b'; });
        {
            const unitlink::CPostGate::CHold outer(&gate);
            // An attempt inside an attempt (a retry started from the first one).
            {
                const unitlink::CPostGate::CHold inner(&gate);
                loop.RunAll(); // the attempt's notice or question runs the loop
                EXPECT_EQ(ran, "");
                EXPECT_EQ(gate.HeldCount(), 2u);
            }
            gate.Post([&] { ran += 'c'; });
            loop.RunAll();
            EXPECT_EQ(ran, "");
            EXPECT_TRUE(gate.Holding());
            loop.calls.push_back([&] { ran += 'x'; }); // queued meanwhile, not through the gate
        }
        // Queued again behind what is already queued; nothing runs inside the release itself.
        EXPECT_EQ(ran, "");
        EXPECT_EQ(gate.HeldCount(), 0u);
        loop.RunAll();
        EXPECT_EQ(ran, "xabc");

        // Held again when a new attempt begins before they run.
        gate.Post([&] { ran += 'd'; });
        gate.Hold();
        loop.RunAll();
        EXPECT_EQ(ran, "xabc");
        gate.Release();
        gate.Release(); // one release too many does not turn the count below zero
        EXPECT_FALSE(gate.Holding());
        gate.Post([&] { ran += 'e'; });
        gate.Hold();
        gate.Release();
        loop.RunAll();
        EXPECT_EQ(ran, "xabcde");

        // A gate that is not there holds nothing.
        const unitlink::CPostGate::CHold none(nullptr);
        gate.Post([&] { ran += 'f'; });
    }
    // A call still queued when its gate has gone runs as it stands.
    loop.RunAll();
    EXPECT_EQ(ran, "xabcdef");
}

// Each nested attempt keeps the calls held when it ends; only the end of the outermost one queues
// them again, once, and they run behind what was queued meanwhile.
TEST(PostGateTest, NestedHoldsKeepTheCallsUntilTheOutermostEnds) {
    Loop loop;
    std::string ran;
    unitlink::CPostGate gate([&](unitlink::CPostGate::Call c) { loop.calls.push_back(std::move(c)); });
    gate.Post([&] { ran += 'a'; });
    gate.Hold();
    gate.Hold();
    gate.Hold();
    loop.RunAll();
    ASSERT_EQ(gate.HeldCount(), 1u);
    for (int level = 3; level > 1; --level) {
        SCOPED_TRACE(level);
        gate.Release();
        EXPECT_TRUE(gate.Holding());
        EXPECT_EQ(gate.HeldCount(), 1u);
        EXPECT_TRUE(loop.calls.empty()); // nothing queued again while an attempt goes on
    }
    loop.calls.push_back([&] { ran += 'x'; });
    gate.Release();
    EXPECT_FALSE(gate.Holding());
    EXPECT_EQ(gate.HeldCount(), 0u);
    EXPECT_EQ(loop.calls.size(), 2u);
    loop.RunAll();
    EXPECT_EQ(ran, "xa");
}
