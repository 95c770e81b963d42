#pragma once
// A small pool of threads that works items 0..count-1 and hands the results out in order.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace points {

// Items 0..count-1 worked on by threads of their own, each with a State, and taken in order: a
// thread works at most `ahead` items past the last one taken, so that only a few results are held
// at once. With one thread no thread is started and Take works the item itself. An `ahead` of 0
// would let no thread start an item and is refused (std::invalid_argument).
// With a bound on what results hold, a thread also starts no item while the results waiting to be
// taken hold more than the bound: a few large items do not wait all at once. (The next item to be
// taken is always started: while it is not, no result waits.)
template <class State, class Result> class COrderedWork {
public:
    using Work = std::function<std::unique_ptr<Result>(State&, std::size_t)>;
    struct HeldBound {
        std::function<std::size_t(const Result&)> held; // what a result holds until taken
        std::size_t bound = 0;
    };

    COrderedWork(std::size_t count, std::size_t threads, std::size_t ahead,
                 const std::function<std::unique_ptr<State>()>& makeState, Work work, HeldBound held = {})
        : count_(count), ahead_(ahead), work_(std::move(work)), held_(std::move(held)) {
        if (ahead == 0)
            throw std::invalid_argument("COrderedWork: ahead must be at least 1");
        if (threads <= 1) {
            own_ = makeState();
            return;
        }
        done_.resize(count);
        if (held_.held)
            heldBy_.resize(count);
        try {
            for (std::size_t t = 0; t < threads; ++t)
                pool_.emplace_back([this, state = makeState()] { Run(*state); });
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~COrderedWork() { Stop(); }
    COrderedWork(const COrderedWork&) = delete;
    COrderedWork& operator=(const COrderedWork&) = delete;

    // The result of item i, i from 0 upward one at a time.
    std::unique_ptr<Result> Take(std::size_t i) {
        if (pool_.empty())
            return work_(*own_, i);
        std::unique_ptr<Result> result;
        bool belowBound = false;
        {
            std::unique_lock lock(mutex_);
            produced_.wait(lock, [&] { return done_[i] != nullptr; });
            result = std::move(done_[i]);
            taken_ = i + 1;
            if (held_.held) {
                belowBound = waiting_ > held_.bound && waiting_ - heldBy_[i] <= held_.bound;
                waiting_ -= heldBy_[i];
            }
        }
        // Back below the bound, every thread held by it may start an item.
        if (belowBound)
            room_.notify_all();
        else
            room_.notify_one();
        return result;
    }

    // Gives a result taken back to be destroyed on a worker thread, before the worker's next
    // item: what the workers allocated is freed where the freeing does not hold up the thread
    // that takes the results in order. With one thread it is destroyed at once.
    void Release(std::unique_ptr<Result> result) {
        if (pool_.empty() || !result)
            return;
        const std::lock_guard lock(mutex_);
        released_.push_back(std::move(result));
    }

    // No more items are started; returns once the threads have ended.
    void Stop() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        room_.notify_all();
        for (std::thread& t : pool_)
            t.join();
        pool_.clear();
    }

private:
    void Run(State& state) {
        std::vector<std::unique_ptr<Result>> released;
        for (;;) {
            std::size_t i = 0;
            released.clear(); // outside the lock
            {
                std::unique_lock lock(mutex_);
                released.swap(released_);
                room_.wait(lock, [&] {
                    return stop_ || next_ >= count_ ||
                           (next_ < taken_ + ahead_ && (!held_.held || waiting_ <= held_.bound));
                });
                if (stop_ || next_ >= count_)
                    return;
                i = next_++;
            }
            std::unique_ptr<Result> result = work_(state, i);
            const std::size_t held = held_.held && result ? held_.held(*result) : 0;
            {
                const std::lock_guard lock(mutex_);
                done_[i] = std::move(result);
                if (held_.held) {
                    heldBy_[i] = held;
                    waiting_ += held;
                }
            }
            produced_.notify_one();
        }
    }

    const std::size_t count_, ahead_;
    const Work work_;
    const HeldBound held_;
    std::unique_ptr<State> own_;
    std::mutex mutex_;
    std::condition_variable produced_, room_;
    std::vector<std::unique_ptr<Result>> done_;
    std::vector<std::unique_ptr<Result>> released_; // taken and given back, to be destroyed
    std::vector<std::size_t> heldBy_;               // what each result waiting holds
    std::size_t next_ = 0, taken_ = 0;
    std::size_t waiting_ = 0; // what the results waiting to be taken hold
    bool stop_ = false;
    std::vector<std::thread> pool_; // last: the threads end before the rest goes
};

} // namespace points
