#include "platform/Gbk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
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

    // Converts, replacing each invalid or unconvertible input sequence with '?'.
    bool Run(std::string_view in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.clear();
        out.reserve(in.size() * 2);
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
// ASCII is the same in both encodings; most texts of references and keys are only ASCII.
bool CopyAscii(std::string_view in, std::string& out) {
    for (char ch : in)
        if (ch & 0x80)
            return false;
    out.assign(in);
    return true;
}
} // namespace

bool Utf8ToGbk(std::string_view utf8, std::string& out) {
    if (CopyAscii(utf8, out))
        return true;
    thread_local Converter c("GBK", "UTF-8");
    c.SetFromUtf8(true);
    return c.Run(utf8, out);
}

bool GbkToUtf8(std::string_view gbk, std::string& out) {
    if (CopyAscii(gbk, out))
        return true;
    thread_local Converter c("UTF-8", "GBK");
    return c.Run(gbk, out);
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
