#include "ziparchive/ZipDeflate.h"

#include <algorithm>
#include <cmath>

namespace zipdeflate {

int Init(z_stream& zs, int level) {
    return deflateInit2_(&zs, level, Z_DEFLATED, -kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY, ZLIB_VERSION,
                         static_cast<int>(sizeof(z_stream)));
}

void CStoredBlocks::Write(const std::uint8_t* data, std::size_t length, const Output& out) {
    while (length > 0) {
        const std::size_t n = std::min(length, kBlock - m_block.size());
        m_block.insert(m_block.end(), data, data + n);
        data += n;
        length -= n;
        if (m_block.size() == kBlock)
            Emit(false, out);
    }
}

void CStoredBlocks::Finish(const Output& out) {
    Emit(true, out);
}

void CStoredBlocks::Emit(bool final, const Output& out) {
    // A stored block at a byte boundary: the three header bits (final flag, type 00) padded to a
    // byte, then the length and its complement, little-endian, then the bytes.
    const auto n = static_cast<std::uint16_t>(m_block.size());
    const std::uint8_t head[5] = {static_cast<std::uint8_t>(final ? 1 : 0),
                                  static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8),
                                  static_cast<std::uint8_t>(~n & 0xFF),
                                  static_cast<std::uint8_t>((~n >> 8) & 0xFF)};
    out(head, sizeof head);
    if (!m_block.empty())
        out(m_block.data(), m_block.size());
    m_block.clear();
}

CShrinkProbe::~CShrinkProbe() {
    if (m_bReady)
        deflateEnd(&m_zs);
}

bool CShrinkProbe::CannotShrink(std::uint64_t size, int level, const ReadSample& read) {
    if (size < kMinSize || level == 0)
        return false;
    const std::uint64_t samples = std::min<std::uint64_t>(kMaxSamples, 1 + size / kSampleSpacing);
    m_sample.resize(kSampleSize);
    for (std::uint64_t i = 0; i < samples; ++i) {
        // Evenly spread from the start to the end of the file.
        const std::uint64_t offset = samples == 1 ? 0 : i * (size - kSampleSize) / (samples - 1);
        if (!read(offset, m_sample.data(), kSampleSize))
            return false;
        if (SampleShrinks(m_sample.data(), kSampleSize, level))
            return false;
    }
    return true;
}

bool CShrinkProbe::SampleShrinks(const std::uint8_t* data, std::size_t length, int level) {
    // The byte statistics first: data whose bytes are far from evenly spread shrinks under
    // deflate's Huffman codes alone, and costs no trial.
    std::uint32_t counts[256] = {};
    for (std::size_t i = 0; i < length; ++i)
        ++counts[data[i]];
    double sum = 0;
    for (std::uint32_t c : counts)
        if (c)
            sum += c * std::log2(static_cast<double>(c));
    const double n = static_cast<double>(length);
    const double bitsPerByte = std::log2(n) - sum / n;
    if (bitsPerByte < 7.9)
        return true;

    // Evenly spread bytes may still repeat as strings: deflate the sample to see.
    if (!m_bReady || m_iLevel != level) {
        if (m_bReady)
            deflateEnd(&m_zs);
        m_zs = z_stream{};
        m_bReady = Init(m_zs, level) == Z_OK;
        m_iLevel = level;
        if (!m_bReady)
            return true;
    } else if (deflateReset(&m_zs) != Z_OK) {
        return true;
    }
    m_out.resize(deflateBound(&m_zs, static_cast<uLong>(length)));
    m_zs.next_in = const_cast<Bytef*>(data);
    m_zs.avail_in = static_cast<uInt>(length);
    m_zs.next_out = m_out.data();
    m_zs.avail_out = static_cast<uInt>(m_out.size());
    if (deflate(&m_zs, Z_FINISH) != Z_STREAM_END)
        return true;
    const std::size_t packed = m_out.size() - m_zs.avail_out;
    // Less than 1/64 saved is not worth deflating for.
    return packed + length / 64 < length;
}

} // namespace zipdeflate
