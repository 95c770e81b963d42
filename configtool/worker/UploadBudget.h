#pragma once
// The bound of one configuration upload as a whole: every byte it writes is charged to one total
// (the files it fetches, what their archive unpacks to, the library copied from that), so a small
// archive cannot fill the disk. Each file may be announced with no more than what is left of that
// total and of the free space of the disk it lands on; the link refuses a longer announcement
// before a byte is written, the unpacking and the copy refuse what would pass the total before
// they write it; each refusal names the file and the bound it broke.
#include "unitlink/FrameLayout.h"

#include <cstdint>
#include <string>

namespace qxm7740 {

class CUploadBudget {
public:
    // The whole of one upload: the unit's files, the archive that holds them again, what it
    // unpacks to and the library's copy (200 MB: a real project's files and library are some MB).
    static constexpr std::uint64_t kDefaultTotal = 2ull * unitlink::kMaxTransferLength;

    explicit CUploadBudget(std::uint64_t total = kDefaultTotal) : m_total(total) {}

    // What the next file may be announced with, given the free bytes of the disk.
    std::uint32_t Allowance(std::uint64_t freeBytes) const;
    // A file that arrived whole.
    void Charge(std::uint64_t bytes) { m_used += bytes; }
    std::uint64_t Used() const { return m_used; }
    std::uint64_t Left() const { return m_used >= m_total ? 0 : m_total - m_used; }

    // Why a file that would take more than is left is refused.
    std::string OverText() const;
    // The line for a file announced with more than its allowance: the total's bound when that was
    // what it broke, else the disk's.
    std::string RefusalText(const std::string& name, std::uint64_t announced, std::uint64_t freeBytes) const;

private:
    std::uint64_t m_total;
    std::uint64_t m_used = 0;
};

} // namespace qxm7740
