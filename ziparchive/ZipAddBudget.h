#pragma once
// The byte budget of the parallel AddFiles: the deflated output its workers hand to the writer
// and the writer has not written yet. The file being written may hold a few chunks of its own
// (its worker waits for nothing else), the files after it share the rest; the bytes of a file
// stop counting as waiting once the writer reaches it. Not thread-safe: AddFiles guards it.
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace zipdetail {

class CAddFilesBudget {
public:
    CAddFilesBudget(std::uint64_t writingBudget, std::uint64_t waitingBudget)
        : writingBudget_(writingBudget), waitingBudget_(waitingBudget) {}

    // True when n more bytes of file `index`, which holds fileHeld bytes now, fit. A file reached
    // by the writer may still hold more than its share from its waiting time: the files after it
    // then wait until the whole stays within the budget again.
    bool Fits(std::size_t index, std::uint64_t fileHeld, std::uint64_t n) const {
        if (index == writing_)
            return fileHeld + n <= writingBudget_;
        return waiting_ + n <= waitingBudget_ && held_ + n <= writingBudget_ + waitingBudget_;
    }
    // n bytes of file `index` were handed to the writer.
    void Handed(std::size_t index, std::uint64_t n) {
        if (index != writing_)
            waiting_ += n;
        held_ += n;
        peak_ = std::max(peak_, held_);
    }
    // The writer wrote n bytes of the file it is at.
    void Taken(std::uint64_t n) { held_ -= n; }
    // The writer is done with its file and moves to the next, which holds nextHeld bytes now.
    void Next(std::uint64_t nextHeld) {
        ++writing_;
        waiting_ -= std::min(waiting_, nextHeld);
    }

    std::size_t Writing() const { return writing_; }
    // Bytes of the files after the one being written.
    std::uint64_t Waiting() const { return waiting_; }
    // Bytes not yet written, and the most there were at once.
    std::uint64_t Held() const { return held_; }
    std::uint64_t Peak() const { return peak_; }

private:
    const std::uint64_t writingBudget_, waitingBudget_;
    std::size_t writing_ = 0;
    std::uint64_t waiting_ = 0, held_ = 0, peak_ = 0;
};

} // namespace zipdetail
