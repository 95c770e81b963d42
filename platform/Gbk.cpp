#include "platform/Gbk.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <mutex>
#include <stdexcept>

namespace platform {
namespace {

// One conversion descriptor per direction and thread: iconv_open is far too slow to call per line.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts, replacing each invalid or unconvertible input sequence with '?', and appends the
    // result to out.
    bool Run(std::string_view in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.reserve(out.size() + in.size() * 2);
        bool ok = true;
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buf[4096];
        while (srcLeft > 0) {
            char* dst = buf;
            size_t dstLeft = sizeof buf;
            size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, dst - buf);
            if (r != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: a bad or cut sequence. Skip one character's worth and go on.
            ok = false;
            out.push_back('?');
            size_t skip = BadSequenceLength(src, srcLeft);
            src += skip;
            srcLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, dst - buf);
        return ok;
    }

    void SetFromUtf8(bool v) { fromUtf8_ = v; }
    iconv_t Handle() const { return cd_; }

private:
    size_t BadSequenceLength(const char* src, size_t left) const {
        unsigned char lead = static_cast<unsigned char>(*src);
        size_t n = 1;
        if (fromUtf8_) {
            // A valid UTF-8 character that GBK lacks is skipped whole.
            if (lead >= 0xF0 && lead < 0xF8)
                n = 4;
            else if (lead >= 0xE0)
                n = 3;
            else if (lead >= 0xC0)
                n = 2;
        }
        n = std::min(n, left);
        // Only real continuation bytes belong to the bad character.
        for (size_t i = 1; i < n; ++i)
            if ((static_cast<unsigned char>(src[i]) & 0xC0) != 0x80)
                return i;
        return n;
    }

    iconv_t cd_;
    bool fromUtf8_ = false;
};

// The length of the GB18030 sequence at src as its form says: a lead byte takes a trail byte of
// a pair, or the three bytes of a four-byte form; anything else is one byte.
std::size_t Gb18030SequenceLength(const unsigned char* src, std::size_t left) {
    if (left < 2 || src[0] < 0x81 || src[0] > 0xFE)
        return 1;
    if (src[1] >= 0x30 && src[1] <= 0x39)
        return std::min<std::size_t>(left, 4);
    if (src[1] >= 0x40 && src[1] <= 0xFE && src[1] != 0x7F)
        return 2;
    return 1;
}

} // namespace

std::size_t DecodeGb18030(std::string_view bytes, std::string* out) {
    std::size_t ascii = 0;
    while (ascii < bytes.size() && !(bytes[ascii] & 0x80))
        ++ascii;
    if (out)
        out->assign(bytes.substr(0, ascii));
    if (ascii == bytes.size())
        return std::string_view::npos;
    thread_local Converter converter("UTF-8", "GB18030");
    const iconv_t cd = converter.Handle();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (out)
        out->reserve(bytes.size() * 3 / 2);
    std::size_t firstBad = std::string_view::npos;
    char* src = const_cast<char*>(bytes.data() + ascii);
    std::size_t srcLeft = bytes.size() - ascii;
    char buf[4096];
    while (srcLeft > 0) {
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        if (out)
            out->append(buf, static_cast<std::size_t>(dst - buf));
        if (r != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: an invalid or cut sequence, skipped whole.
        if (firstBad == std::string_view::npos)
            firstBad = static_cast<std::size_t>(src - bytes.data());
        if (!out)
            break;
        out->push_back('?');
        const std::size_t skip = Gb18030SequenceLength(reinterpret_cast<const unsigned char*>(src), srcLeft);
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return firstBad;
}

std::string FromGb18030(std::string_view bytes) {
    std::string out;
    DecodeGb18030(bytes, &out);
    return out;
}

namespace {

// The converters of this thread, one per direction, shared by the tables below and by the
// conversions they do not cover.
Converter& GbkDecoder() {
    thread_local Converter c("UTF-8", "GBK");
    return c;
}

Converter& GbkEncoder() {
    thread_local Converter c("GBK", "UTF-8");
    c.SetFromUtf8(true);
    return c;
}

// Converts one character alone with iconv: what it gives when the whole input is taken as one
// character, empty when it fails or when it takes the input as more than one.
std::string OneCharacter(iconv_t cd, std::string_view in) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buf[16];
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) || srcLeft != 0)
        return {};
    if (iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1))
        return {};
    return std::string(buf, static_cast<std::size_t>(dst - buf));
}

// The length of the UTF-8 character that starts with lead, 0 when lead starts none.
std::size_t Utf8Length(unsigned char lead) {
    return lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
}

// What iconv gives for every two-byte GBK character and for every character of the Basic
// Multilingual Plane, asked of iconv itself once per row of 256 the first time a text needs it: the
// conversions per line then cost a look-up per character, and their results stay iconv's. Anything
// the tables do not hold (an invalid or cut sequence, a character GBK lacks, a character beyond the
// plane) is left to iconv, from that place to the end of the text.
class CGbkTables {
public:
    static CGbkTables& Instance() {
        static CGbkTables tables;
        return tables;
    }

    // The UTF-8 bytes of the GBK pair lead, trail (low three bytes, first byte lowest) and their
    // count (high byte); 0 when iconv does not take the pair as one character.
    std::uint32_t Decode(unsigned char lead, unsigned char trail) {
        const std::size_t row = lead - kFirstLead;
        if (!decodeReady_[row].load(std::memory_order_acquire))
            FillDecodeRow(row);
        return decode_[row * 256 + trail];
    }

    // The GBK bytes of code point cp below 0x10000: a pair as lead * 256 + trail (0x8100 and
    // above), one byte as itself (below 0x100); 0 when iconv has none.
    std::uint16_t Encode(std::uint32_t cp) {
        const std::size_t page = cp >> 8;
        if (!encodeReady_[page].load(std::memory_order_acquire))
            FillEncodePage(page);
        return encode_[cp];
    }

    static constexpr unsigned kFirstLead = 0x81;
    static constexpr unsigned kLeads = 0xFE - kFirstLead + 1;

private:
    void FillDecodeRow(std::size_t row) {
        std::call_once(decodeOnce_[row], [&] {
            const iconv_t cd = GbkDecoder().Handle();
            for (unsigned trail = 0; trail < 256; ++trail) {
                const char pair[2] = {static_cast<char>(kFirstLead + row), static_cast<char>(trail)};
                const std::string utf8 = OneCharacter(cd, std::string_view(pair, 2));
                const std::size_t n = utf8.size();
                if (n < 2 || n > 3 || Utf8Length(static_cast<unsigned char>(utf8[0])) != n)
                    continue;
                std::uint32_t v = static_cast<std::uint32_t>(n) << 24;
                for (std::size_t i = 0; i < n; ++i)
                    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(utf8[i])) << (8 * i);
                decode_[row * 256 + trail] = v;
            }
            decodeReady_[row].store(true, std::memory_order_release);
        });
    }

    void FillEncodePage(std::size_t page) {
        std::call_once(encodeOnce_[page], [&] {
            const iconv_t cd = GbkEncoder().Handle();
            for (std::uint32_t cp = std::max<std::uint32_t>(page << 8, 0x80); cp < ((page + 1) << 8); ++cp) {
                if (cp >= 0xD800 && cp < 0xE000)
                    continue; // no UTF-8 form
                char utf8[3];
                std::size_t n = 0;
                if (cp < 0x800) {
                    utf8[n++] = static_cast<char>(0xC0 | (cp >> 6));
                } else {
                    utf8[n++] = static_cast<char>(0xE0 | (cp >> 12));
                    utf8[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                }
                utf8[n++] = static_cast<char>(0x80 | (cp & 0x3F));
                const std::string gbk = OneCharacter(cd, std::string_view(utf8, n));
                if (gbk.size() == 1 && gbk[0] != 0)
                    encode_[cp] = static_cast<unsigned char>(gbk[0]);
                else if (gbk.size() == 2 && static_cast<unsigned char>(gbk[0]) >= kFirstLead)
                    encode_[cp] = static_cast<std::uint16_t>(static_cast<unsigned char>(gbk[0]) << 8 |
                                                             static_cast<unsigned char>(gbk[1]));
            }
            encodeReady_[page].store(true, std::memory_order_release);
        });
    }

    std::array<std::uint32_t, kLeads * 256> decode_{};
    std::array<std::atomic<bool>, kLeads> decodeReady_{};
    std::array<std::once_flag, kLeads> decodeOnce_;
    std::array<std::uint16_t, 0x10000> encode_{};
    std::array<std::atomic<bool>, 256> encodeReady_{};
    std::array<std::once_flag, 256> encodeOnce_;
};

// Copies the run of ASCII bytes at the start of src (at most size) to dst and gives its length:
// ASCII is the same in both encodings, and most texts of references and keys are only ASCII.
// Eight bytes are taken at a time while eight are left, and written whole: dst has room for at
// least as many bytes as are left of src.
std::size_t CopyAsciiRun(const char* src, std::size_t size, char* dst) {
    static_assert(std::endian::native == std::endian::little);
    std::size_t i = 0;
    while (i + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, src + i, 8);
        std::memcpy(dst + i, &word, 8);
        if (const std::uint64_t high = word & 0x8080808080808080ull)
            return i + static_cast<std::size_t>(std::countr_zero(high)) / 8;
        i += 8;
    }
    while (i < size && !(src[i] & 0x80)) {
        dst[i] = src[i];
        ++i;
    }
    return i;
}

} // namespace

bool AppendGbk(std::string_view utf8, std::string& out) {
    const char* const s = utf8.data();
    const std::size_t size = utf8.size();
    const std::size_t start = out.size();
    // A GBK form is never longer than its UTF-8 form.
    out.resize(start + size);
    char* const dst = out.data() + start;
    std::size_t i = 0, o = 0;
    CGbkTables* tables = nullptr;
    while (i < size) {
        const std::size_t run = CopyAsciiRun(s + i, size - i, dst + o);
        i += run;
        o += run;
        if (i == size)
            break;
        // A character of two or three bytes, well formed and outside the surrogates' range.
        const auto b0 = static_cast<unsigned char>(s[i]);
        const std::size_t n = Utf8Length(b0);
        if ((n != 2 && n != 3) || i + n > size)
            break;
        const auto b1 = static_cast<unsigned char>(s[i + 1]);
        if ((b1 & 0xC0) != 0x80)
            break;
        std::uint32_t cp;
        if (n == 2) {
            cp = (b0 & 0x1Fu) << 6 | (b1 & 0x3Fu);
        } else {
            const auto b2 = static_cast<unsigned char>(s[i + 2]);
            if ((b2 & 0xC0) != 0x80 || (b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 >= 0xA0))
                break;
            cp = (b0 & 0x0Fu) << 12 | (b1 & 0x3Fu) << 6 | (b2 & 0x3Fu);
        }
        if (!tables)
            tables = &CGbkTables::Instance();
        const std::uint16_t gbk = tables->Encode(cp);
        if (gbk == 0)
            break;
        if (gbk >= 0x100)
            dst[o++] = static_cast<char>(gbk >> 8);
        dst[o++] = static_cast<char>(gbk & 0xFF);
        i += n;
    }
    out.resize(start + o);
    // What the tables do not hold is converted by iconv from there on.
    return i == size || GbkEncoder().Run(utf8.substr(i), out);
}

bool AppendUtf8(std::string_view gbk, std::string& out) {
    const char* const s = gbk.data();
    const std::size_t size = gbk.size();
    const std::size_t start = out.size();
    // A pair becomes at most three bytes of UTF-8, an ASCII byte one.
    out.resize(start + size + size / 2);
    char* const dst = out.data() + start;
    std::size_t i = 0, o = 0;
    CGbkTables* tables = nullptr;
    while (i < size) {
        const std::size_t run = CopyAsciiRun(s + i, size - i, dst + o);
        i += run;
        o += run;
        if (i == size)
            break;
        const auto lead = static_cast<unsigned char>(s[i]);
        if (lead < CGbkTables::kFirstLead || lead >= CGbkTables::kFirstLead + CGbkTables::kLeads ||
            i + 1 == size)
            break;
        if (!tables)
            tables = &CGbkTables::Instance();
        const std::uint32_t v = tables->Decode(lead, static_cast<unsigned char>(s[i + 1]));
        if (v == 0)
            break;
        dst[o] = static_cast<char>(v & 0xFF);
        dst[o + 1] = static_cast<char>((v >> 8) & 0xFF);
        dst[o + 2] = static_cast<char>((v >> 16) & 0xFF);
        o += v >> 24;
        i += 2;
    }
    out.resize(start + o);
    return i == size || GbkDecoder().Run(gbk.substr(i), out);
}

bool Utf8ToGbk(std::string_view utf8, std::string& out) {
    out.clear();
    return AppendGbk(utf8, out);
}

bool GbkToUtf8(std::string_view gbk, std::string& out) {
    out.clear();
    return AppendUtf8(gbk, out);
}

bool Utf8ToGbkByIconv(std::string_view utf8, std::string& out) {
    out.clear();
    return GbkEncoder().Run(utf8, out);
}

bool GbkToUtf8ByIconv(std::string_view gbk, std::string& out) {
    out.clear();
    return GbkDecoder().Run(gbk, out);
}

bool SurvivesGbk(std::string_view utf8) {
    std::string gbk, back;
    return Utf8ToGbk(utf8, gbk) && GbkToUtf8(gbk, back) && back == utf8;
}

std::string ToGbk(std::string_view utf8) {
    std::string out;
    Utf8ToGbk(utf8, out);
    return out;
}

std::string FromGbk(std::string_view gbk) {
    std::string out;
    GbkToUtf8(gbk, out);
    return out;
}

std::size_t GbkLength(std::string_view utf8) {
    bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char ch) { return (ch & 0x80) == 0; });
    return ascii ? utf8.size() : ToGbk(utf8).size();
}

std::string TruncateGbkBytes(std::string_view gbk, std::size_t maxBytes) {
    if (gbk.size() <= maxBytes)
        return std::string(gbk);
    // Walk character by character: a byte of 0x81..0xFE starts a two-byte character.
    std::size_t i = 0;
    while (i < maxBytes) {
        unsigned char ch = static_cast<unsigned char>(gbk[i]);
        std::size_t len = (ch >= 0x81 && ch <= 0xFE && i + 1 < gbk.size()) ? 2 : 1;
        if (i + len > maxBytes)
            break;
        i += len;
    }
    return std::string(gbk.substr(0, i));
}

std::string TruncateGbk(std::string_view utf8, std::size_t maxBytes) {
    if (utf8.size() <= maxBytes)
        return std::string(utf8); // a GBK form is never longer than its UTF-8 form
    return FromGbk(TruncateGbkBytes(ToGbk(utf8), maxBytes));
}

int CompareGbk(std::string_view a, std::string_view b) {
    std::string ga = ToGbk(a), gb = ToGbk(b);
    int r = std::memcmp(ga.data(), gb.data(), std::min(ga.size(), gb.size()));
    if (r != 0)
        return r < 0 ? -1 : 1;
    return ga.size() < gb.size() ? -1 : (ga.size() > gb.size() ? 1 : 0);
}

int CompareGbkNoCase(std::string_view a, std::string_view b) {
    auto lower = [](std::string s) {
        for (char& ch : s)
            if (ch >= 'A' && ch <= 'Z')
                ch = static_cast<char>(ch - 'A' + 'a');
        return s;
    };
    return CompareGbk(lower(std::string(a)), lower(std::string(b)));
}

} // namespace platform
