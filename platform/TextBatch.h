#pragma once
// The batching rule of every running-text window of the programs: what arrives between two ticks
// of a window is queued and goes to the screen in one insertion per tick. The queue keeps at most
// a budget of lines and of bytes: as new items come, the oldest go while the ones after them
// fill the budget by themselves, and each one that goes is counted, so that the window can say
// how many it left out ("……省略N条……"). A stream of any length and rate thus costs the window one
// bounded insertion per tick and bounded memory, and the window always ends on the newest lines.
// No widgets here: platform/ui/BatchedText.h puts a batch into a text control.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// The line a window shows in place of the items it left out.
std::string OmittedLine(std::uint64_t count);

// How long a batch queued now waits before it is appended, sinceLastMs after the start of the
// last batch (negative when there was none) which took lastCostMs: at least intervalMs between
// batches, or costFactor times the cost of the last one when that is longer, never more than
// maxPeriodMs. A window sharing its thread with a link then takes about 1/costFactor of it.
std::int64_t BatchWaitMs(std::int64_t sinceLastMs, std::int64_t lastCostMs, std::int64_t intervalMs,
                         std::int64_t costFactor, std::int64_t maxPeriodMs);

template <class Item> class CTextBatch {
public:
    struct Batch {
        // Items left out (dropped from the queue) before the first one of `items`.
        std::uint64_t omitted = 0;
        std::vector<Item> items;
    };

    // maxLines and maxBytes bound what the queue holds (at least one item is always kept).
    CTextBatch(std::size_t maxLines, std::size_t maxBytes) : maxLines_(maxLines), maxBytes_(maxBytes) {}

    // Queues an item of `bytes` bytes that makes `lines` lines on the screen.
    void Push(Item item, std::size_t bytes, std::size_t lines = 1) {
        lines_ += lines;
        bytes_ += bytes;
        queue_.push_back(Entry{std::move(item), bytes, lines});
        // The oldest item goes while the ones after it reach the budget by themselves.
        while (queue_.size() > 1 &&
               (lines_ - queue_.front().lines >= maxLines_ || bytes_ - queue_.front().bytes >= maxBytes_)) {
            lines_ -= queue_.front().lines;
            bytes_ -= queue_.front().bytes;
            spare_ = std::move(queue_.front().item);
            queue_.pop_front();
            ++omitted_;
            ++totalOmitted_;
        }
    }

    // What is queued and how many items were left out before it; the queue is empty afterwards.
    Batch Take() {
        Batch b;
        b.omitted = omitted_;
        b.items.reserve(queue_.size());
        for (Entry& e : queue_)
            b.items.push_back(std::move(e.item));
        queue_.clear();
        lines_ = bytes_ = 0;
        omitted_ = 0;
        return b;
    }

    // The last item the queue let go, for the caller to fill again instead of making a new one: a
    // fast stream of large items then costs no allocation per item. A new item when none went.
    Item TakeSpare() { return std::exchange(spare_, Item{}); }

    // Forgets what is queued and the count of what was left out.
    void Clear() {
        queue_.clear();
        lines_ = bytes_ = 0;
        omitted_ = 0;
    }

    bool Empty() const { return queue_.empty() && omitted_ == 0; }
    std::size_t Size() const { return queue_.size(); }
    std::size_t Lines() const { return lines_; }
    std::size_t Bytes() const { return bytes_; }
    std::size_t MaxLines() const { return maxLines_; }
    // Left out since the last Take, and since the queue was made.
    std::uint64_t Omitted() const { return omitted_; }
    std::uint64_t TotalOmitted() const { return totalOmitted_; }

private:
    struct Entry {
        Item item;
        std::size_t bytes;
        std::size_t lines;
    };
    std::deque<Entry> queue_;
    Item spare_{};
    std::size_t maxLines_;
    std::size_t maxBytes_;
    std::size_t lines_ = 0;
    std::size_t bytes_ = 0;
    std::uint64_t omitted_ = 0;
    std::uint64_t totalOmitted_ = 0;
};

} // namespace platform
