#pragma once
// Small helpers shared by the parts of the zip archive.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unistd.h>
#include <zlib.h>

namespace zipdetail {

// Closes a POSIX file descriptor when it goes out of scope.
struct FdGuard {
    int fd = -1;
    ~FdGuard() {
        if (fd >= 0)
            ::close(fd);
    }
};

inline std::string TrimTrailingSlashes(std::string s) {
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

// CRC-32 over any length (zlib takes at most 4 GB at a time).
inline std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t length) {
    const auto* p = static_cast<const Bytef*>(data);
    uLong c = crc;
    while (length > 0) {
        const uInt n = static_cast<uInt>(std::min<std::size_t>(length, 1u << 30));
        c = crc32(c, p, n);
        p += n;
        length -= n;
    }
    return static_cast<std::uint32_t>(c);
}

} // namespace zipdetail
