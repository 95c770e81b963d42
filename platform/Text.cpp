#include "platform/Text.h"

#include <cctype>
#include <climits>
#include <clocale>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace platform {
namespace {

locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

// Switches this thread to the C locale for the life of the object.
class CLocaleScope {
public:
    CLocaleScope() : old_(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(old_); }

private:
    locale_t old_;
};

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
}

} // namespace

std::string StrFormat(const char* fmt, ...) {
    CLocaleScope scope;
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    char small[256];
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    std::string out;
    if (n < 0) {
        va_end(ap2);
        return out;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        out.assign(small, n);
    } else {
        out.resize(n + 1);
        std::vsnprintf(out.data(), n + 1, fmt, ap2);
        out.resize(n);
    }
    va_end(ap2);
    return out;
}

long long AtoLL(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        neg = s[i] == '-';
        ++i;
    }
    // Numbers beyond the range saturate to its end (as strtoll does) instead of wrapping.
    constexpr unsigned long long kMax = static_cast<unsigned long long>(LLONG_MAX);
    const unsigned long long limit = neg ? kMax + 1 : kMax;
    unsigned long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(s[i] - '0');
        if (v > (limit - digit) / 10) {
            v = limit;
            break;
        }
        v = v * 10 + digit;
    }
    if (neg)
        return v == kMax + 1 ? LLONG_MIN : -static_cast<long long>(v);
    return static_cast<long long>(v);
}

int AtoI(std::string_view s) {
    const long long v = AtoLL(s);
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

double AtoF(std::string_view s) {
    CLocaleScope scope;
    std::string copy(s);
    return std::strtod(copy.c_str(), nullptr);
}

std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& ch : out)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return out;
}

std::string ToUpperAscii(std::string_view s) {
    std::string out(s);
    for (char& ch : out)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::string TrimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1]))
        --n;
    return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s) {
    return TrimLeft(TrimRight(s));
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

std::string HexDump(const std::uint8_t* data, std::size_t size, std::size_t bytesPerLine) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 3 + size / 16 + 1);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 0x0F]);
        out.push_back(' ');
        if (bytesPerLine != 0 && (i + 1) % bytesPerLine == 0)
            out.push_back('\n');
    }
    return out;
}

std::string DottedIPv4(std::uint32_t a) {
    return StrFormat("%u.%u.%u.%u", a >> 24 & 0xFFu, a >> 16 & 0xFFu, a >> 8 & 0xFFu, a & 0xFFu);
}

bool IsDottedIPv4(std::string_view text) {
    int parts = 0;
    std::size_t pos = 0;
    while (parts < 4) {
        std::size_t end = pos;
        int value = 0;
        while (end < text.size() && end - pos < 4 && text[end] >= '0' && text[end] <= '9')
            value = value * 10 + (text[end++] - '0');
        if (end == pos || end - pos > 3 || value > 255)
            return false;
        ++parts;
        if (parts == 4)
            return end == text.size();
        if (end >= text.size() || text[end] != '.')
            return false;
        pos = end + 1;
    }
    return false;
}

namespace {

// The length of the run of ASCII bytes from `from` on, eight bytes at a time: station files are
// mostly ASCII, and a file of hundreds of MB is checked at memory speed.
std::size_t AsciiRun(const unsigned char* d, std::size_t n, std::size_t from) {
    std::size_t i = from;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, d + i, 8);
        if (word & 0x8080808080808080ull)
            break;
    }
    while (i < n && d[i] < 0x80)
        ++i;
    return i;
}

} // namespace

std::size_t FirstInvalidUtf8(std::string_view text) {
    const auto* d = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (;;) {
        i = AsciiRun(d, n, i);
        if (i >= n)
            return std::string_view::npos;
        const unsigned char c = d[i];
        std::size_t len = 0;
        unsigned char low = 0x80, high = 0xBF; // the range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0)
                low = 0xA0; // no overlong form
            else if (c == 0xED)
                high = 0x9F; // no surrogate
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F; // nothing past U+10FFFF
        } else {
            return i;
        }
        if (i + len > n || d[i + 1] < low || d[i + 1] > high)
            return i;
        for (std::size_t k = 2; k < len; ++k)
            if ((d[i + k] & 0xC0) != 0x80)
                return i;
        i += len;
    }
}

bool IsXmlChar(std::uint32_t code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

std::size_t FirstNonXmlChar(std::string_view text) {
    const std::size_t invalid = FirstInvalidUtf8(text);
    const std::size_t end = std::min(invalid, text.size());
    for (std::size_t i = 0; i < end;) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8CharLength(lead);
        std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            code = code << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (!IsXmlChar(code))
            return i;
        i += length;
    }
    return invalid;
}

} // namespace platform
