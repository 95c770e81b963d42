#pragma once
// Reads the fields of a received body in order, never past its end: a read beyond the end fails
// and leaves the reader failed, so a parser checks once after a group of reads.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace unitlink {

class CBodyReader {
public:
    CBodyReader(const std::uint8_t* data, std::size_t size, std::size_t pos = 0)
        : data_(data), size_(size), pos_(pos) {}

    bool Ok() const { return ok_; }
    std::size_t Pos() const { return pos_; }
    std::size_t Left() const { return ok_ && pos_ < size_ ? size_ - pos_ : 0; }
    bool AtEnd() const { return pos_ >= size_; }

    std::uint8_t U8() {
        if (!Need(1))
            return 0;
        return data_[pos_++];
    }
    std::uint16_t U16() {
        if (!Need(2))
            return 0;
        const std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    std::uint32_t U32() {
        if (!Need(4))
            return 0;
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(data_[pos_ + static_cast<std::size_t>(i)]) << (8 * i);
        pos_ += 4;
        return v;
    }
    // Pointer to the next n bytes, or null (and failed) when fewer are left.
    const std::uint8_t* Bytes(std::size_t n) {
        if (!Need(n))
            return nullptr;
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    bool Skip(std::size_t n) { return Bytes(n) != nullptr || n == 0; }

private:
    bool Need(std::size_t n) {
        if (!ok_ || n > size_ - std::min(pos_, size_)) {
            ok_ = false;
            return false;
        }
        return true;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_;
    bool ok_ = true;
};

} // namespace unitlink
