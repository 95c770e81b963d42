#pragma once
// Reads the fields of a received body (little-endian), never past its end. In order: a read
// beyond the end fails and leaves the reader failed, so a parser checks once after a group of
// reads. At fixed offsets: Has checks a range, and the At reads assume it was checked.
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
        const std::uint16_t v = U16At(pos_);
        pos_ += 2;
        return v;
    }
    std::uint32_t U32() {
        if (!Need(4))
            return 0;
        const std::uint32_t v = U32At(pos_);
        pos_ += 4;
        return v;
    }

    std::size_t Size() const { return size_; }
    const std::uint8_t* Data() const { return data_; }
    bool Has(std::size_t off, std::size_t n) const { return off <= size_ && n <= size_ - off; }
    std::uint8_t U8At(std::size_t off) const { return data_[off]; }
    std::uint16_t U16At(std::size_t off) const {
        return static_cast<std::uint16_t>(data_[off] | data_[off + 1] << 8);
    }
    std::uint32_t U32At(std::size_t off) const {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(data_[off + i]) << (8 * i);
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
