#include "unitlink/ByteRing.h"

#include <algorithm>
#include <cstring>

namespace unitlink {

CByteRing::CByteRing(int capacity)
    : capacity_(capacity > 0 ? capacity : 1), data_(static_cast<std::size_t>(capacity_)) {}

void CByteRing::Append(std::uint8_t b) {
    if (count_ == capacity_)
        Drop(1);
    data_[static_cast<std::size_t>(tail_)] = b;
    tail_ = (tail_ + 1) % capacity_;
    ++count_;
}

void CByteRing::Append(const std::uint8_t* data, std::size_t n) {
    // Only the last `capacity` bytes can survive; older ones would be dropped anyway.
    if (n > static_cast<std::size_t>(capacity_)) {
        data += n - static_cast<std::size_t>(capacity_);
        n = static_cast<std::size_t>(capacity_);
    }
    const int len = static_cast<int>(n);
    if (len > Free())
        Drop(len - Free());
    int done = 0;
    while (done < len) {
        const int chunk = std::min(len - done, capacity_ - tail_);
        std::memcpy(data_.data() + tail_, data + done, static_cast<std::size_t>(chunk));
        tail_ = (tail_ + chunk) % capacity_;
        done += chunk;
    }
    count_ += len;
}

void CByteRing::Commit(int n) {
    int room = 0;
    FreeSpace(room);
    n = std::clamp(n, 0, room);
    tail_ = (tail_ + n) % capacity_;
    count_ += n;
}

void CByteRing::PeekBytes(int from, std::uint8_t* out, int n) const {
    int pos = (head_ + from) % capacity_;
    int done = 0;
    while (done < n) {
        const int chunk = std::min(n - done, capacity_ - pos);
        std::memcpy(out + done, data_.data() + pos, static_cast<std::size_t>(chunk));
        pos = (pos + chunk) % capacity_;
        done += chunk;
    }
}

void CByteRing::Drop(int n) {
    n = std::clamp(n, 0, count_);
    head_ = (head_ + n) % capacity_;
    count_ -= n;
    if (count_ == 0)
        head_ = tail_ = 0;
}

void CByteRing::Take(std::uint8_t* out, int n) {
    n = std::clamp(n, 0, count_);
    PeekBytes(0, out, n);
    Drop(n);
}

void CByteRing::Clear() {
    head_ = tail_ = count_ = 0;
}

} // namespace unitlink
