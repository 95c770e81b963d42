#pragma once
// The deflate settings every entry is written with, and the check that tells files deflate cannot
// shrink. AddFile and the parallel AddFiles both go through here, so that an archive has the same
// bytes whichever way it was written.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>
#include <zlib.h>

namespace zipdeflate {

// Raw deflate (no zlib header) with the 32 KB window and memory level 8 that the unit's archives
// are written with.
constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;

// deflateInit2 with the settings above; zalloc, zfree and opaque are taken as the caller set them.
int Init(z_stream& zs, int level);

// Data deflate cannot shrink, written as a raw deflate stream of stored blocks of 65535 bytes:
// what level 6 ends up writing for such data too, without its search for matches. Full blocks go
// out as the data comes, and Finish writes the rest as the final block (an empty one when nothing
// is left), so that the bytes depend on the data alone, not on how it is handed in.
class CStoredBlocks {
public:
    using Output = std::function<void(const std::uint8_t* bytes, std::size_t length)>;
    static constexpr std::size_t kBlock = 65535;

    void Reset() { m_block.clear(); }
    void Write(const std::uint8_t* data, std::size_t length, const Output& out);
    void Finish(const Output& out);

private:
    void Emit(bool final, const Output& out);
    std::vector<std::uint8_t> m_block;
};

// Tells files that deflate cannot shrink (already compressed or random data) from the others by
// deflating a few samples spread over the file, a small part of its size. Such a file is still a
// deflated entry, but its stream is written as CStoredBlocks: the full search for matches would
// cost the whole deflate time for nothing. Files too small to sample are deflated at the level
// asked for.
class CShrinkProbe {
public:
    // Reads `length` bytes at `offset`; false when they cannot be read.
    using ReadSample = std::function<bool(std::uint64_t offset, std::uint8_t* buffer, std::size_t length)>;

    static constexpr std::size_t kSampleSize = 32 * 1024;
    static constexpr std::uint64_t kMinSize = 2 * kSampleSize;
    // One sample per this many bytes, at most kMaxSamples.
    static constexpr std::uint64_t kSampleSpacing = 1u << 20;
    static constexpr int kMaxSamples = 16;

    CShrinkProbe() = default;
    ~CShrinkProbe();
    CShrinkProbe(const CShrinkProbe&) = delete;
    CShrinkProbe& operator=(const CShrinkProbe&) = delete;

    // True when the file of `size` bytes is to be written as stored blocks rather than deflated
    // with `level`: no sample shrinks. A sample that cannot be read makes it false (the file is then read,
    // and its failure reported, the usual way).
    bool CannotShrink(std::uint64_t size, int level, const ReadSample& read);

private:
    bool SampleShrinks(const std::uint8_t* data, std::size_t length, int level);

    z_stream m_zs{};
    bool m_bReady = false;
    int m_iLevel = 0;
    std::vector<std::uint8_t> m_sample;
    std::vector<std::uint8_t> m_out;
};

} // namespace zipdeflate
