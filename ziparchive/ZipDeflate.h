#pragma once
// The deflate settings every entry is written with, and the check that decides whether a file is
// worth deflating at all. AddFile and the parallel AddFiles both go through here, so that an
// archive has the same bytes whichever way it was written.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>
#include <zlib.h>

namespace zipdeflate {

// Raw deflate (no zlib header) with an 8 KB window and zlib's default memory level. At level 6
// deflate tries up to 128 earlier strings for each match; a smaller window leaves fewer to try.
// On repetitive configuration text that saves about a fifth of the deflate time of the 32 KB
// window, for archives about half a percent larger (one percent on program source text).
constexpr int kWindowBits = 13;
constexpr int kMemLevel = 8;

// deflateInit2 with the settings above; zalloc, zfree and opaque are taken as the caller set them.
int Init(z_stream& zs, int level);

// Tells files that deflate cannot shrink (already compressed or random data) from the others by
// deflating a few samples spread over the file, a small part of its size. Such a file is stored,
// as Info-ZIP's zip stores a file that does not shrink; deflating it all would cost the full
// deflate time for nothing.
// Files too small to sample are always deflated.
class CStoreProbe {
public:
    // Reads `length` bytes at `offset`; false when they cannot be read.
    using ReadSample = std::function<bool(std::uint64_t offset, std::uint8_t* buffer, std::size_t length)>;

    static constexpr std::size_t kSampleSize = 32 * 1024;
    static constexpr std::uint64_t kMinSize = 2 * kSampleSize;
    // One sample per this many bytes, at most kMaxSamples.
    static constexpr std::uint64_t kSampleSpacing = 1u << 20;
    static constexpr int kMaxSamples = 16;

    CStoreProbe() = default;
    ~CStoreProbe();
    CStoreProbe(const CStoreProbe&) = delete;
    CStoreProbe& operator=(const CStoreProbe&) = delete;

    // True when the file of `size` bytes is to be stored rather than deflated with `level`: no
    // sample shrinks. A sample that cannot be read makes it false (the file is then read, and its
    // failure reported, the usual way).
    bool ShouldStore(std::uint64_t size, int level, const ReadSample& read);

private:
    bool SampleShrinks(const std::uint8_t* data, std::size_t length, int level);

    z_stream m_zs{};
    bool m_bReady = false;
    int m_iLevel = 0;
    std::vector<std::uint8_t> m_sample;
    std::vector<std::uint8_t> m_out;
};

} // namespace zipdeflate
