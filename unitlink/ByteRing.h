#pragma once
// A fixed-size byte ring that receives the link's byte stream. Appending to a full ring drops the
// oldest byte first, so new bytes are never lost.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace unitlink {

class CByteRing {
public:
    explicit CByteRing(int capacity);

    void Append(std::uint8_t b);
    void Append(const std::uint8_t* data, std::size_t n);

    int Count() const { return count_; }
    int Capacity() const { return capacity_; }
    int Free() const { return capacity_ - count_; }

    // The byte at offset i from the head (i < Count()).
    std::uint8_t Peek(int i) const { return data_[static_cast<std::size_t>((head_ + i) % capacity_)]; }
    // Copies n bytes from offset `from` on without removing them (from + n <= Count()).
    void PeekBytes(int from, std::uint8_t* out, int n) const;
    // The n bytes from offset `from` on where they lie in one piece (from + n <= Count()), or null
    // when they wrap round the end. A ring that runs empty starts again at its first byte, so the
    // frames of a link that waits for each answer never wrap.
    const std::uint8_t* Contiguous(int from, int n) const {
        const int pos = (head_ + from) % capacity_;
        return pos + n <= capacity_ ? data_.data() + pos : nullptr;
    }
    // Where bytes may be written in one piece behind the last one, with room for `room` of them
    // (0 when the ring is full); Commit(n) then counts n of them (n <= room) as appended. A reader
    // fills the ring this way without a buffer of its own in between.
    std::uint8_t* FreeSpace(int& room) {
        room = count_ == capacity_ ? 0 : (tail_ >= head_ ? capacity_ - tail_ : head_ - tail_);
        return data_.data() + tail_;
    }
    void Commit(int n);
    // Drops n bytes from the head (at most Count()).
    void Drop(int n);
    // Removes n bytes from the head into out (n <= Count()).
    void Take(std::uint8_t* out, int n);
    void Clear();

private:
    int head_ = 0;
    int tail_ = 0;
    int capacity_;
    int count_ = 0;
    std::vector<std::uint8_t> data_;
};

} // namespace unitlink
