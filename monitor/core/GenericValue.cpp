#include "monitor/core/GenericValue.h"

#include "monitor/core/DevTime.h"

#include "platform/Gbk.h"
#include "platform/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace marindle {

namespace {

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::string FloatText(float v, int decimals) {
    switch (decimals) {
    case 0:
        return platform::StrFormat("%.0f", static_cast<double>(v));
    case 1:
        return platform::StrFormat("%.1f", static_cast<double>(v));
    case 2:
        return platform::StrFormat("%.2f", static_cast<double>(v));
    case 4:
        return platform::StrFormat("%.4f", static_cast<double>(v));
    case 5:
        return platform::StrFormat("%.5f", static_cast<double>(v));
    default:
        return platform::StrFormat("%.3f", static_cast<double>(v));
    }
}

// The low `width` bytes of v, least significant first: what does not fit is cut off, and the
// fits rule sees that in the value read back.
void PutInt(std::vector<std::uint8_t>& out, std::size_t width, std::uint64_t v) {
    for (std::size_t i = 0; i < width && i < out.size(); ++i)
        out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 4-byte float of the number; one beyond the float's range goes as an infinity, which no field
// accepts.
void PutFloat(std::vector<std::uint8_t>& out, double d) {
    float f;
    if (std::isnan(d))
        f = std::numeric_limits<float>::quiet_NaN();
    else if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
        f = d < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    else
        f = static_cast<float>(d);
    std::memcpy(out.data(), &f, 4);
}

// The whole text as a decimal integer with an optional sign, or nothing.
std::optional<long long> WholeNumber(std::string_view s) {
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    long long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

// The whole text as a decimal real, or nothing.
std::optional<double> RealNumber(std::string_view s) {
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hexadecimal digits, with or without the closing "H".
bool HexDigits(std::string_view s) {
    if (!s.empty() && (s.back() == 'H' || s.back() == 'h'))
        s.remove_suffix(1);
    for (char c : s)
        if (HexDigit(c) < 0)
            return false;
    return true;
}

// The bits of byte i that belong to a bit string of `bits` bits: the last byte of a string narrower
// than whole bytes has bits above the string, which no typed value may set.
unsigned BitStringMask(std::size_t bits, std::size_t i) {
    return bits >= 8 * (i + 1) ? 0xFFu : bits <= 8 * i ? 0u : (1u << (bits - 8 * i)) - 1u;
}

// Whether a real shows as exactly itself with that many decimals: 0.125 with three, 1e-50 with none.
bool ShowsExactly(double v, int decimals) {
    const auto shown = RealNumber(platform::StrFormat("%.*f", decimals, v));
    return shown && *shown == v;
}

// Two hexadecimal texts of the same number, whatever their case and leading zeros.
bool SameHex(std::string_view a, std::string_view b) {
    auto norm = [](std::string_view s) {
        if (!s.empty() && (s.back() == 'H' || s.back() == 'h'))
            s.remove_suffix(1);
        while (!s.empty() && s.front() == '0')
            s.remove_prefix(1);
        std::string out;
        for (char c : s)
            out += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        return out;
    };
    return norm(a) == norm(b);
}

} // namespace

std::size_t GenericValueLength(std::uint8_t type, std::uint8_t size, std::uint8_t number) {
    const std::size_t bits = static_cast<std::size_t>(size) * number;
    return type == 2 ? (bits + 7) / 8 : bits;
}

std::string GbkFieldText(const std::uint8_t* bytes, std::size_t length) {
    std::size_t whole = 0;
    while (whole < length) {
        const bool lead = bytes[whole] >= 0x81 && bytes[whole] <= 0xFE;
        if (lead && whole + 1 >= length)
            break;
        whole += lead ? 2 : 1;
    }
    return platform::FromGbk(std::string_view(reinterpret_cast<const char*>(bytes), whole));
}

// Types 1 to 4: a GBK text field, a bit string, an unsigned and a signed integer. `need(n)`: n bytes
// are both described and available.
template <typename Need>
std::string TextOrIntegerText(std::uint8_t type, std::uint8_t size, std::uint8_t number,
                              const std::uint8_t* v, std::size_t len, std::size_t available,
                              const Need& need) {
    switch (type) {
    case 1: {
        const std::size_t n = std::min(len, available);
        if (n == 0)
            return {};
        const void* zero = std::memchr(v, 0, n);
        const std::size_t textLen =
            zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - v) : n;
        return GbkFieldText(v, textLen);
    }
    case 2: {
        const std::size_t bytes = (len + 7) / 8;
        if (bytes > available)
            return {};
        std::string s;
        for (std::size_t i = bytes; i-- > 0;)
            s += platform::StrFormat("%02x", v[i]);
        return s + "H";
    }
    case 3:
        if (len == 0)
            return {};
        if (size == 1) {
            if (number == 1 && need(1))
                return platform::StrFormat("%u", v[0]);
            if (number == 2 && need(2))
                return platform::StrFormat("%u", U16(v));
            if (number == 4 && need(4))
                // The bytes are the address as it is written, the most significant first.
                return platform::DottedIPv4(std::uint32_t{v[0]} << 24 | std::uint32_t{v[1]} << 16 |
                                            std::uint32_t{v[2]} << 8 | v[3]);
            return {};
        }
        if (size == 2 && need(2))
            return platform::StrFormat("%u", U16(v));
        if (size == 4 && need(4))
            return platform::StrFormat("%u", U32(v));
        return {};
    case 4:
        if (size == 1 && need(1))
            return platform::StrFormat("%d", static_cast<std::int8_t>(v[0]));
        if (size == 2 && need(2))
            return platform::StrFormat("%d", static_cast<std::int16_t>(U16(v)));
        if (size == 4 && need(4))
            return platform::StrFormat("%d", static_cast<std::int32_t>(U32(v)));
        return {};
    default:
        return {};
    }
}

std::string FormatGenericValue(std::uint8_t type, std::uint8_t size, std::uint8_t number,
                               const std::uint8_t* v, std::size_t available, int decimals) {
    // The length counts 16 bits, as the unit's descriptions do.
    const std::size_t len = static_cast<std::uint16_t>(size * number);
    if (!v)
        available = 0;
    auto need = [&](std::size_t n) { return len >= n && available >= n; };
    switch (type) {
    case 1:
    case 2:
    case 3:
    case 4:
        return TextOrIntegerText(type, size, number, v, len, available, need);
    case 6:
    case 7:
    case 20:
    case 205: {
        if (!need(4))
            return {};
        float f;
        std::memcpy(&f, v, 4);
        return FloatText(f, decimals);
    }
    case 8: {
        if (!need(8))
            return {};
        double d;
        std::memcpy(&d, v, 8);
        return platform::StrFormat("%lf", d);
    }
    case 9:
    case 18:
    case 19:
    case 203:
    case 204: {
        if (!need(1))
            return {};
        const unsigned bits = v[0] & 3u;
        if (bits == 1)
            return "分";
        if (bits == 2)
            return "合";
        return "不定" + platform::StrFormat("(%02x)", bits);
    }
    case 10:
        if (!need(1))
            return {};
        return (v[0] & 1) ? "1" : "0";
    case 12:
        if (!need(2))
            return {};
        return platform::StrFormat("%d", static_cast<std::int16_t>(U16(v)) / 8);
    case 17:
        if (!need(2))
            return {};
        return platform::StrFormat("%u/%u", v[0], v[1]);
    case 201:
        if (!need(5))
            return {};
        return platform::StrFormat("%u", U32(v));
    case 202: {
        if (!need(8))
            return {};
        const std::uint32_t bcd = static_cast<std::uint32_t>(v[0]) | static_cast<std::uint32_t>(v[1]) << 8 |
                                  static_cast<std::uint32_t>(v[2]) << 16;
        std::string s;
        for (int shift = 20; shift >= 0; shift -= 4)
            s += platform::StrFormat("%u", bcd >> shift & 0xF);
        return s;
    }
    case 206: {
        if (!need(1))
            return {};
        std::string s = (v[0] & 0x40) ? "遥控撤消 " : (v[0] & 0x80) ? "遥控选择 " : "遥控执行 ";
        const unsigned dcs = v[0] >> 3 & 3u;
        return s + (dcs == 1 ? "分" : dcs == 2 ? "合" : "不定");
    }
    default:
        return {};
    }
}

std::vector<std::uint8_t> ParseGenericValue(std::string_view text, std::uint8_t type, std::uint8_t size,
                                            std::uint8_t number) {
    std::vector<std::uint8_t> out(GenericValueLength(type, size, number), 0);
    switch (type) {
    case 2: {
        std::string rest(text);
        if (!rest.empty() && rest.back() == 'H')
            rest.pop_back();
        for (auto& byte : out) {
            if (rest.empty())
                break;
            const std::size_t take = std::min<std::size_t>(2, rest.size());
            const std::string pair = rest.substr(rest.size() - take);
            rest.erase(rest.size() - take);
            // Up to two hexadecimal digits, stopping at the first that is not one.
            int value = -1;
            for (char c : pair) {
                const int d = HexDigit(c);
                if (d < 0)
                    break;
                value = (value < 0 ? 0 : value * 16) + d;
            }
            if (value >= 0)
                byte = static_cast<std::uint8_t>(value);
        }
        break;
    }
    case 3:
        if (size == 1 && number == 4) {
            // An address, written as it is shown: the most significant byte first.
            if (const auto address = ParseDottedAddress(text))
                for (std::size_t i = 0; i < 4; ++i)
                    out[i] = static_cast<std::uint8_t>(*address >> (8 * (3 - i)));
            break;
        }
        if (size == 1 || size == 2 || size == 4)
            // Two one-byte elements are read back as one 16-bit number.
            PutInt(out, size == 1 && number == 2 ? 2 : size,
                   static_cast<std::uint64_t>(platform::AtoLL(text)));
        break;
    case 4:
        if (size == 1 || size == 2 || size == 4)
            PutInt(out, size, static_cast<std::uint64_t>(platform::AtoLL(text)));
        break;
    case 6:
    case 7:
        if (size == 4 && out.size() >= 4)
            PutFloat(out, platform::AtoF(text));
        break;
    case 8:
        // An 8-byte real goes as the IEEE double it is read as.
        if (size == 8 && out.size() >= 8) {
            const double d = platform::AtoF(text);
            std::memcpy(out.data(), &d, 8);
        }
        break;
    case 9:
    case 18:
    case 19:
    case 203:
    case 204:
        if (size != 0 && !out.empty())
            out[0] = text == "合" ? 2 : text == "分" ? 1 : 0;
        break;
    case 10:
        if (size != 0 && !out.empty())
            out[0] = text == "1" ? 1 : 0;
        break;
    case 12:
        if (size == 2 && out.size() >= 2)
            PutInt(out, 2, static_cast<std::uint64_t>(platform::AtoLL(text)) * 8);
        break;
    case 20:
    case 205:
        if (size >= 5 && out.size() >= 4)
            PutFloat(out, platform::AtoF(text));
        break;
    case 201:
        if (size == 5 && out.size() >= 4)
            PutInt(out, 4, static_cast<std::uint64_t>(platform::AtoLL(text)));
        break;
    case 202:
        if (!text.empty() && out.size() >= 3) {
            std::uint32_t sum = 0;
            std::size_t k = 0;
            for (std::size_t i = text.size(); i-- > 0; ++k)
                sum += (static_cast<std::uint32_t>(static_cast<unsigned char>(text[i])) & 15u)
                       << (4 * (k % 8));
            PutInt(out, 3, sum);
        }
        break;
    default:
        break;
    }
    return out;
}

bool GenericValueFits(std::string_view text, std::uint8_t type, std::uint8_t size, std::uint8_t number,
                      int decimals) {
    // The value is encoded as it would go out and read back as the device reads it; it fits
    // only when that reading is the value typed.
    const std::vector<std::uint8_t> bytes = ParseGenericValue(text, type, size, number);
    const std::string back = FormatGenericValue(type, size, number, bytes.data(), bytes.size(), 3);
    const std::string typed = platform::Trim(text);
    switch (type) {
    case 3:
        if (size == 1 && number == 4)
            return !back.empty() && back == typed;
        [[fallthrough]];
    case 4:
    case 12:
    case 201: {
        const auto want = WholeNumber(typed);
        const auto got = WholeNumber(back);
        return want && got && *want == *got;
    }
    case 202: {
        // Decimal digits only: any other character would make a nibble that is no digit.
        if (typed.empty() || typed.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const auto want = WholeNumber(typed);
        const auto got = WholeNumber(back);
        return want && got && *want == *got;
    }
    case 2: {
        // Bits beyond a string narrower than whole bytes are refused, not sent.
        const std::size_t bits = static_cast<std::size_t>(size) * number;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] & ~BitStringMask(bits, i))
                return false;
        return HexDigits(typed) && HexDigits(back) && SameHex(typed, back);
    }
    case 6:
    case 7:
    case 20:
    case 205: {
        // The value must show as itself with the page's decimals, and so must the float sent:
        // 16777217 would go as 16777216, 1e-50 as 0, and 1.2345 shows as 1.235 with three.
        const auto want = RealNumber(typed);
        if (!want || back.empty() || !std::isfinite(*want))
            return false;
        const int shown = std::clamp(decimals, 0, 5);
        float sent;
        std::memcpy(&sent, bytes.data(), 4);
        return ShowsExactly(*want, shown) && std::isfinite(sent) &&
               platform::StrFormat("%.*f", shown, static_cast<double>(sent)) ==
                   platform::StrFormat("%.*f", shown, *want);
    }
    case 8: {
        const auto want = RealNumber(typed);
        return want && !back.empty() && std::isfinite(*want);
    }
    default:
        // Texts and states: what is read back must be what was typed.
        return back == text;
    }
}

std::uint32_t DebugLevelColour(std::uint8_t level) {
    static constexpr std::uint32_t kColours[] = {0xC8C8C8, 0x808080, 0x00FF80, 0x0080FF, 0xFF0080,
                                                 0x8000FF, 0x808000, 0x008080, 0x008000, 0x800080,
                                                 0x800000, 0x000000, 0x000080};
    if (level <= 20)
        return kColours[0];
    const int band = (level - 1) / 20; // 21-40 -> 1, ..., 241-255 -> 12
    return kColours[band > 12 ? 12 : band];
}

} // namespace marindle
