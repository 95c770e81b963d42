#include "debugger/core/ValueCodec.h"

#include "debugger/core/ValueText.h"

#include "platform/Text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace quorvex {

namespace {

// The value truncated toward zero, saturated at the ends of a 64-bit integer.
std::int64_t Truncated(double v) {
    const double d = std::trunc(v);
    if (d >= 9.2e18)
        return std::numeric_limits<std::int64_t>::max();
    if (d <= -9.2e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(d);
}

void PutLow(CValueCodec::Bytes& out, std::uint64_t v, std::size_t n) {
    for (std::size_t i = 0; i < n && i < out.size() && i < 8; ++i)
        out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The first n bytes, sign-extended from their width.
std::int64_t SignedLow(const std::uint8_t* data, std::size_t n) {
    std::uint64_t u = 0;
    for (std::size_t i = 0; i < n; ++i)
        u |= static_cast<std::uint64_t>(data[i]) << (8 * i);
    if (n < 8 && (u >> (8 * n - 1) & 1))
        u |= ~std::uint64_t{0} << (8 * n);
    return static_cast<std::int64_t>(u);
}

} // namespace

bool CValueCodec::IsNumberText(std::string_view text) {
    std::size_t digits = 0, points = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.')
            ++points;
        else if (c != '-' || i != 0)
            return false;
    }
    return digits > 0 && points <= 1;
}

CValueCodec::CValueCodec(std::uint8_t dataType, std::uint8_t dataSize, std::uint8_t number)
    : type_(dataType), size_(dataSize), length_(static_cast<std::size_t>(dataSize) * number) {}

bool CValueCodec::HasNumbers() const {
    if (size_ == 0 || length_ < size_)
        return false;
    switch (type_) {
    case 3:
    case 9:
    case 12:
    case 17:
    case 18:
    case 19:
    case 201:
    case 202:
        return true;
    case 7:
        return size_ >= 4;
    default:
        return false;
    }
}

std::optional<double> CValueCodec::Number(const std::uint8_t* data, std::size_t len) const {
    if (!HasNumbers())
        return std::nullopt;
    switch (type_) {
    case 3:
    case 17: {
        const std::size_t n = std::min<std::size_t>(size_, 2);
        if (len < n)
            return std::nullopt;
        return static_cast<double>(n == 2 ? data[0] | data[1] << 8 : data[0]);
    }
    case 7: {
        if (len < 4)
            return std::nullopt;
        std::uint32_t bits = LeValue(data, 4);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return static_cast<double>(f);
    }
    case 9:
    case 18:
    case 19:
        if (len < 1 || (data[0] & 3) == 0 || (data[0] & 3) == 3)
            return std::nullopt;
        return (data[0] & 3) == 2 ? 1.0 : 0.0;
    case 12:
        if (size_ == 1)
            return len < 1 ? std::nullopt : std::optional<double>((data[0] & 0xF8) >> 3);
        if (len < 2)
            return std::nullopt;
        return static_cast<double>(static_cast<std::int16_t>((data[0] | data[1] << 8) & 0xFFF8) / 8);
    case 201: {
        const std::size_t n = std::min<std::size_t>(size_, 4);
        if (len < n)
            return std::nullopt;
        return static_cast<double>(SignedLow(data, n));
    }
    case 202: {
        const std::size_t n = std::min<std::size_t>(size_, 3);
        if (len < n)
            return std::nullopt;
        double value = 0;
        for (std::size_t i = n; i-- > 0;) {
            const unsigned hi = data[i] >> 4, lo = data[i] & 15u;
            if (hi > 9 || lo > 9)
                return std::nullopt;
            value = value * 100 + hi * 10 + lo;
        }
        return value;
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::string> CValueCodec::Format(const std::uint8_t* data, std::size_t len) const {
    const auto n = Number(data, len);
    if (!n)
        return std::nullopt;
    if (type_ == 7) {
        // A value that shows as zero shows without a sign, as zero is typed.
        std::string text = platform::StrFormat("%f", *n);
        if (text.front() == '-' && Normalise(text) == "0")
            text.erase(0, 1);
        return text;
    }
    if (type_ == 202)
        // Every digit of the field is shown, leading zeros included.
        return platform::StrFormat("%0*.0f", static_cast<int>(2 * std::min<std::size_t>(size_, 3)), *n);
    return platform::StrFormat("%.0f", *n);
}

std::optional<CValueCodec::Bytes> CValueCodec::Encode(double value) const {
    if (!HasNumbers() || std::isnan(value))
        return std::nullopt;
    Bytes out(length_, 0);
    const std::int64_t whole = Truncated(value);
    switch (type_) {
    case 3:
    case 17:
        PutLow(out, static_cast<std::uint64_t>(whole), size_);
        break;
    case 7: {
        // A number beyond the float's range goes as an infinity, which shows as no number typed.
        float f = std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())
                      ? std::copysign(std::numeric_limits<float>::infinity(), static_cast<float>(value))
                      : static_cast<float>(value);
        if (f == 0.0f)
            f = 0.0f; // no sign on zero
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        PutLow(out, bits, 4);
        break;
    }
    case 9:
    case 18:
    case 19:
        if (value != 0.0 && value != 1.0)
            return std::nullopt;
        out[0] = value == 0.0 ? 1 : 2;
        break;
    case 12:
        PutLow(out, static_cast<std::uint64_t>(whole) << 3, size_);
        break;
    case 201:
        // Byte 4 and on are quality flags, not the number's sign.
        PutLow(out, static_cast<std::uint64_t>(whole), std::min<std::size_t>(size_, 4));
        break;
    case 202: {
        if (whole < 0)
            return std::nullopt;
        std::uint64_t bcd = 0;
        std::uint64_t v = static_cast<std::uint64_t>(whole);
        for (int shift = 0; v != 0 && shift < 64; shift += 4, v /= 10)
            bcd |= (v % 10) << shift;
        PutLow(out, bcd, std::min<std::size_t>(size_, 3));
        break;
    }
    default:
        return std::nullopt;
    }
    return out;
}

std::optional<CValueCodec::Bytes> CValueCodec::Parse(std::string_view text, std::string* why) const {
    auto refuse = [why](const char* message) -> std::optional<Bytes> {
        if (why)
            *why = message;
        return std::nullopt;
    };
    if (!IsNumberText(text))
        return refuse(kValueInvalid);
    const double value = platform::AtoF(text);
    if (IsWhole() && value != std::trunc(value))
        return refuse(kValueNotWhole);
    const auto bytes = Encode(value);
    if (!bytes)
        return refuse(kValueOutOfRange);
    auto shown = Format(*bytes);
    if (shown && type_ == 7) {
        // A float is shown with six decimals, of which the typed ones must read as typed: 0.1 goes
        // as 0.100000, 123.456 as 123.456001, but 16777217 would go as 16777216.
        const std::string typed = Normalise(text);
        const std::size_t point = typed.find('.');
        const std::size_t decimals = point == std::string::npos ? 0 : typed.size() - point - 1;
        if (decimals > 6)
            return refuse(kFloatPrecision);
        shown =
            platform::StrFormat("%.*f", static_cast<int>(decimals), *Number(bytes->data(), bytes->size()));
    }
    if (!shown || Normalise(*shown) != Normalise(text)) {
        const bool inRange = std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max());
        return refuse(type_ == 7 && inRange ? kFloatPrecision : kValueOutOfRange);
    }
    return bytes;
}

std::optional<std::string> CValueCodec::ShownBeyondTyped(std::string_view text) const {
    const auto bytes = Parse(text);
    if (!bytes)
        return std::nullopt;
    auto shown = Format(*bytes);
    if (!shown || Normalise(*shown) == Normalise(text))
        return std::nullopt;
    return TrimNumber(*shown);
}

std::string CValueCodec::Refusal(std::string_view text) const {
    std::string why;
    return Parse(text, &why) ? std::string() : why;
}

std::string CValueCodec::Refusal(double value) const {
    if (std::isnan(value))
        return kValueInvalid;
    return Refusal(IsWhole() ? platform::StrFormat("%.0f", std::trunc(value))
                             : TrimNumber(platform::StrFormat("%f", value)));
}

std::optional<CValueCodec::Bytes> CValueCodec::Canonical(const Bytes& b) const {
    if (!Number(b.data(), b.size()))
        return std::nullopt;
    Bytes out(length_, 0);
    auto keep = [&](std::size_t n) {
        std::copy_n(b.begin(), std::min({n, b.size(), out.size()}), out.begin());
    };
    switch (type_) {
    case 3:
    case 17:
        keep(std::min<std::size_t>(size_, 2));
        break;
    case 7: {
        float f;
        std::memcpy(&f, b.data(), 4);
        if (!std::isfinite(f))
            return std::nullopt;
        // The float nearest to the value as its six decimals show it.
        return Encode(platform::AtoF(*Format(b)));
    }
    case 9:
    case 18:
    case 19:
        out[0] = b[0] & 3;
        break;
    case 12:
        keep(std::min<std::size_t>(size_, 2));
        out[0] &= 0xF8;
        for (std::size_t i = 2; i < size_; ++i)
            out[i] = (b[1] & 0x80) ? 0xFF : 0;
        break;
    case 201:
        keep(std::min<std::size_t>(size_, 4));
        break;
    case 202:
        keep(std::min<std::size_t>(size_, 3));
        break;
    default:
        return std::nullopt;
    }
    return out;
}

std::string CValueCodec::Normalise(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    std::string_view whole = text, fraction;
    if (const std::size_t point = text.find('.'); point != std::string_view::npos) {
        whole = text.substr(0, point);
        fraction = text.substr(point + 1);
    }
    while (whole.size() > 1 && whole.front() == '0')
        whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.remove_suffix(1);
    std::string out(whole.empty() ? "0" : whole);
    if (!fraction.empty())
        out += "." + std::string(fraction);
    if (negative && out != "0")
        out.insert(out.begin(), '-');
    return out;
}

} // namespace quorvex
