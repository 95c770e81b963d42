#pragma once
// A growable block of bytes used by every zip record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

class CZipByteBuffer {
public:
    CZipByteBuffer() = default;
    CZipByteBuffer(const CZipByteBuffer& other) { *this = other; }
    CZipByteBuffer& operator=(const CZipByteBuffer& other) {
        if (this != &other) {
            Allocate(other.m_iSize);
            if (m_iSize)
                std::memcpy(m_pData.get(), other.m_pData.get(), m_iSize);
        }
        return *this;
    }
    CZipByteBuffer(CZipByteBuffer&&) noexcept = default;
    CZipByteBuffer& operator=(CZipByteBuffer&&) noexcept = default;

    // A block of the given size; a new block only when the size changes. With zero the bytes are
    // cleared.
    void Allocate(std::size_t size, bool zero = false) {
        if (size != m_iSize) {
            m_pData.reset(size ? new std::uint8_t[size] : nullptr);
            m_iSize = size;
        }
        if (zero && m_iSize)
            std::memset(m_pData.get(), 0, m_iSize);
    }
    void Release() {
        m_pData.reset();
        m_iSize = 0;
    }
    void Assign(const void* data, std::size_t size) {
        Allocate(size);
        if (size)
            std::memcpy(m_pData.get(), data, size);
    }

    std::size_t GetSize() const { return m_iSize; }
    bool IsAllocated() const { return m_pData != nullptr; }
    std::uint8_t* Data() { return m_pData.get(); }
    const std::uint8_t* Data() const { return m_pData.get(); }
    std::uint8_t& operator[](std::size_t i) { return m_pData[i]; }
    std::uint8_t operator[](std::size_t i) const { return m_pData[i]; }

private:
    std::unique_ptr<std::uint8_t[]> m_pData;
    std::size_t m_iSize = 0;
};
