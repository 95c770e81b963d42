// The ordered pool: results taken in item order whatever thread made them, never more than the
// allowed items worked past the last one taken nor more held by results waiting than allowed,
// one thread working on the caller's, and a stop part-way that ends every thread.
#include "points/OrderedWork.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

using points::COrderedWork;

namespace {

struct State {
    std::thread::id thread = std::this_thread::get_id();
    int items = 0;
};

struct Result {
    std::size_t item = 0;
    std::thread::id thread;
};

} // namespace

TEST(OrderedWorkTest, ResultsComeInItemOrderAndNoThreadRunsFarAhead) {
    constexpr std::size_t kItems = 200, kAhead = 6;
    std::atomic<std::size_t> taken{0};
    std::atomic<bool> tooFar{false};
    std::set<std::thread::id> threads;
    std::mutex threadsMutex;
    COrderedWork<State, Result> work(
        kItems, 4, kAhead, [] { return std::make_unique<State>(); },
        [&](State& state, std::size_t i) {
            ++state.items;
            // The count here is raised before each Take, so it is never behind the pool's.
            if (i >= taken.load() + kAhead)
                tooFar = true;
            {
                const std::lock_guard lock(threadsMutex);
                threads.insert(std::this_thread::get_id());
            }
            // Later items finish first now and then.
            if (i % 7 == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            auto r = std::make_unique<Result>();
            r->item = i;
            r->thread = std::this_thread::get_id();
            return r;
        });
    for (std::size_t i = 0; i < kItems; ++i) {
        taken = i + 1;
        const auto r = work.Take(i);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->item, i);
        EXPECT_NE(r->thread, std::this_thread::get_id());
    }
    EXPECT_FALSE(tooFar.load()) << "an item was started more than " << kAhead << " past the last taken";
    EXPECT_GT(threads.size(), 1u);
}

// Results that hold more than the bound: the threads stop starting items once the results waiting
// hold more, and the item to be taken next is still started whatever they hold.
TEST(OrderedWorkTest, ResultsWaitingHoldLittleMoreThanTheBound) {
    struct Held {
        std::size_t item = 0;
        std::size_t bytes = 0;
    };
    using Work = COrderedWork<State, Held>;
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t started = 0;
    const auto make = [] { return std::make_unique<State>(); };
    const auto work = [&](std::size_t bytes) {
        return [&, bytes](State&, std::size_t i) {
            {
                const std::lock_guard lock(mutex);
                ++started;
            }
            changed.notify_all();
            auto r = std::make_unique<Held>();
            r->item = i;
            r->bytes = bytes;
            return r;
        };
    };
    const auto held = [](const Held& r) { return r.bytes; };
    {
        // Nothing taken: with 25 allowed, items of 10 start while at most two wait; four threads
        // may each start one then.
        Work pool(100, 4, 50, make, work(10), Work::HeldBound{held, 25});
        {
            std::unique_lock lock(mutex);
            ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return started >= 3; }));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        {
            const std::lock_guard lock(mutex);
            EXPECT_LE(started, 6u);
        }
        for (std::size_t i = 0; i < 100; ++i) {
            const auto r = pool.Take(i);
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r->item, i);
        }
    }
    // Each result alone beyond the bound.
    Work pool(40, 3, 8, make, work(1000), Work::HeldBound{held, 25});
    for (std::size_t i = 0; i < 40; ++i) {
        const auto r = pool.Take(i);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->item, i);
    }
}

TEST(OrderedWorkTest, OneThreadWorksEachItemOnTheCallersThreadWhenTaken) {
    std::vector<std::size_t> worked;
    COrderedWork<State, Result> work(
        3, 1, 4, [] { return std::make_unique<State>(); },
        [&](State& state, std::size_t i) {
            EXPECT_EQ(state.thread, std::this_thread::get_id());
            worked.push_back(i);
            auto r = std::make_unique<Result>();
            r->item = i;
            r->thread = std::this_thread::get_id();
            return r;
        });
    EXPECT_TRUE(worked.empty());
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(work.Take(i)->thread, std::this_thread::get_id());
        EXPECT_EQ(worked.size(), i + 1);
    }
}

TEST(OrderedWorkTest, StopPartWayEndsTheThreadsWithoutWorkingTheRest) {
    std::atomic<std::size_t> worked{0};
    {
        COrderedWork<State, Result> work(
            100000, 4, 8, [] { return std::make_unique<State>(); },
            [&](State&, std::size_t i) {
                ++worked;
                auto r = std::make_unique<Result>();
                r->item = i;
                return r;
            });
        EXPECT_EQ(work.Take(0)->item, 0u);
        EXPECT_EQ(work.Take(1)->item, 1u);
        work.Stop();
        const std::size_t atStop = worked.load();
        EXPECT_LE(atStop, 2u + 8u + 4u);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(worked.load(), atStop);
    } // and the destructor after a stop joins nothing twice
}

namespace {

// A result that tells where it was destroyed.
struct Tracked {
    std::atomic<int>* onWorkers = nullptr;
    std::atomic<int>* onCaller = nullptr;
    std::thread::id caller;
    ~Tracked() { ++*(std::this_thread::get_id() == caller ? onCaller : onWorkers); }
};

} // namespace

TEST(OrderedWorkTest, ResultsGivenBackAreDestroyedOnTheWorkersOrWithThePool) {
    constexpr int kItems = 300;
    std::atomic<int> onWorkers{0}, onCaller{0};
    const std::thread::id caller = std::this_thread::get_id();
    {
        COrderedWork<State, Tracked> work(
            kItems, 3, 8, [] { return std::make_unique<State>(); },
            [&](State&, std::size_t) {
                auto r = std::make_unique<Tracked>();
                r->onWorkers = &onWorkers;
                r->onCaller = &onCaller;
                r->caller = caller;
                return r;
            });
        for (int i = 0; i < kItems; ++i)
            work.Release(work.Take(static_cast<std::size_t>(i)));
        // Those given back after the last item started wait for the pool to go.
        EXPECT_GT(onWorkers.load(), 0);
    }
    EXPECT_EQ(onWorkers.load() + onCaller.load(), kItems);
    // With one thread a result given back goes at once.
    COrderedWork<State, Tracked> one(
        1, 1, 1, [] { return std::make_unique<State>(); },
        [&](State&, std::size_t) {
            auto r = std::make_unique<Tracked>();
            r->onWorkers = &onWorkers;
            r->onCaller = &onCaller;
            r->caller = caller;
            return r;
        });
    one.Release(one.Take(0));
    EXPECT_EQ(onWorkers.load() + onCaller.load(), kItems + 1);
}

TEST(OrderedWorkTest, NoLookAheadIsRefused) {
    const auto make = [] { return std::make_unique<State>(); };
    const auto work = [](State&, std::size_t) { return std::make_unique<Result>(); };
    for (const std::size_t threads : {std::size_t{1}, std::size_t{3}})
        EXPECT_THROW((COrderedWork<State, Result>(5, threads, 0, make, work)), std::invalid_argument)
            << threads;
    // One item ahead: each item is worked only once the one before is taken, and the first one
    // is worked before anything is taken. Each item is taken only once the pool has started it, so
    // a pool that starts nothing fails here (after a generous wait) instead of holding Take.
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t started = 0;
    COrderedWork<State, Result> one(5, 3, 1, make, [&](State&, std::size_t) {
        {
            const std::lock_guard lock(mutex);
            ++started;
        }
        changed.notify_all();
        return std::make_unique<Result>();
    });
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return started > i; }));
        EXPECT_EQ(started, i + 1);
        lock.unlock();
        EXPECT_NE(one.Take(i), nullptr);
    }
}
