// The shrink probe reads only inside the file, and stored deflate blocks carry lengths a reader
// takes: checked against zlib's own inflate, not against the archive's reader.
#include "ZipTestUtil.h"

#include "ziparchive/ZipDeflate.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>
#include <zlib.h>

namespace {

using zipdeflate::CShrinkProbe;
using zipdeflate::CStoredBlocks;

// Random bytes that depend on the offset alone, so a sample reads the same wherever it comes from.
void FillRandom(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
    std::mt19937_64 gen(offset);
    for (std::size_t i = 0; i < length; ++i)
        buffer[i] = static_cast<std::uint8_t>(gen() >> 13);
}

TEST(ZipDeflateProbe, SamplesStayInsideTheFile) {
    const std::uint64_t k = CShrinkProbe::kSampleSize;
    const std::uint64_t spacing = CShrinkProbe::kSampleSpacing;
    for (std::uint64_t size : {CShrinkProbe::kMinSize, CShrinkProbe::kMinSize + 1, spacing - 1, spacing,
                               spacing + 1, 5 * spacing + 12345, 17 * spacing + 3, 40 * spacing + k - 1}) {
        SCOPED_TRACE(size);
        CShrinkProbe probe;
        int reads = 0;
        std::uint64_t end = 0;
        const bool flat =
            probe.CannotShrink(size, 6, [&](std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
                ++reads;
                EXPECT_LE(offset + length, size) << "sample " << reads << " at " << offset;
                end = std::max<std::uint64_t>(end, offset + length);
                if (offset + length > size)
                    return false;
                FillRandom(offset, buffer, length);
                return true;
            });
        EXPECT_TRUE(flat);
        EXPECT_GE(reads, 1);
        EXPECT_LE(reads, CShrinkProbe::kMaxSamples);
        // Several samples reach the end of the file: its last part is looked at too.
        if (size >= spacing) {
            EXPECT_EQ(end, size);
        } else {
            EXPECT_EQ(reads, 1);
        }
    }
    // Files too small to sample, and level 0, read nothing.
    CShrinkProbe probe;
    auto never = [](std::uint64_t, std::uint8_t*, std::size_t) {
        ADD_FAILURE() << "read";
        return false;
    };
    EXPECT_FALSE(probe.CannotShrink(CShrinkProbe::kMinSize - 1, 6, never));
    EXPECT_FALSE(probe.CannotShrink(10 * spacing, 0, never));
}

// Inflates a raw deflate stream with zlib.
std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& stream, int& result) {
    z_stream zs{};
    EXPECT_EQ(inflateInit2(&zs, -15), Z_OK);
    std::vector<std::uint8_t> out(1u << 20);
    zs.next_in = const_cast<Bytef*>(stream.data());
    zs.avail_in = static_cast<uInt>(stream.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    result = inflate(&zs, Z_FINISH);
    out.resize(out.size() - zs.avail_out);
    inflateEnd(&zs);
    return out;
}

TEST(ZipDeflateStoredBlocks, LengthsFitTheirFieldAndZlibReadsTheData) {
    const std::string text = ziptest::RandomBytes(200000, 7);
    const std::vector<std::uint8_t> data(text.begin(), text.end());
    std::vector<std::uint8_t> first;
    for (std::size_t piece : {std::size_t{1000}, std::size_t{65535}, std::size_t{65536}, data.size()}) {
        SCOPED_TRACE(piece);
        std::vector<std::uint8_t> stream;
        const CStoredBlocks::Output out = [&](const std::uint8_t* b, std::size_t n) {
            stream.insert(stream.end(), b, b + n);
        };
        CStoredBlocks blocks;
        blocks.Reset();
        for (std::size_t at = 0; at < data.size(); at += piece)
            blocks.Write(data.data() + at, std::min(piece, data.size() - at), out);
        blocks.Finish(out);

        // Block by block: header, length and its complement, at most 65535 bytes each.
        std::size_t at = 0;
        std::size_t payload = 0;
        bool final = false;
        while (at < stream.size() && !final) {
            ASSERT_LE(at + 5, stream.size());
            final = stream[at] == 1;
            ASSERT_TRUE(stream[at] == 0 || stream[at] == 1) << "block at " << at;
            const unsigned len = stream[at + 1] | (stream[at + 2] << 8);
            const unsigned nlen = stream[at + 3] | (stream[at + 4] << 8);
            ASSERT_EQ(len ^ 0xFFFFu, nlen) << "block at " << at;
            payload += len;
            at += 5 + len;
        }
        EXPECT_TRUE(final);
        EXPECT_EQ(at, stream.size());
        EXPECT_EQ(payload, data.size());

        int result = 0;
        EXPECT_EQ(Inflate(stream, result), data);
        EXPECT_EQ(result, Z_STREAM_END);
        // The bytes depend on the data alone, not on how it was handed in.
        if (first.empty())
            first = stream;
        EXPECT_EQ(stream, first);
    }
    // Nothing at all is one empty final block.
    std::vector<std::uint8_t> empty;
    CStoredBlocks blocks;
    blocks.Finish([&](const std::uint8_t* b, std::size_t n) { empty.insert(empty.end(), b, b + n); });
    EXPECT_EQ(empty, (std::vector<std::uint8_t>{1, 0, 0, 0xFF, 0xFF}));
}

} // namespace
