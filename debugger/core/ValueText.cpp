#include "debugger/core/ValueText.h"

#include "platform/Gbk.h"
#include "platform/Text.h"

#include <cstring>

namespace quorvex {

namespace {

float FloatOf(const std::uint8_t* data) {
    std::uint32_t bits = LeValue(data, 4);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::string FloatText(const std::uint8_t* data) {
    return platform::StrFormat("%f", static_cast<double>(FloatOf(data)));
}

std::string InvalidSuffix(std::uint8_t b) {
    return (b & 0x80) ? kInvalidMark : "";
}

std::string Bcd202(const std::uint8_t* data, std::size_t len) {
    const std::uint32_t v = LeValue(data, 3);
    std::string text;
    for (int shift = 20; shift >= 0; shift -= 4)
        text += platform::StrFormat("%d", static_cast<int>(v >> shift & 0xF));
    if (len >= 4) {
        const std::uint8_t q = data[3];
        if (q & 0x10)
            text += "|闭锁";
        if (q & 0x20)
            text += "|取代";
        if (q & 0x40)
            text += "|非当前值";
        if (q & 0x80)
            text += kInvalidMark;
    }
    return text;
}

} // namespace

std::uint32_t LeValue(const std::uint8_t* data, std::size_t len) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < len && i < 4; ++i)
        v |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return v;
}

std::string TrimNumber(std::string text) {
    if (text.find('.') == std::string::npos)
        return text;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

std::string DoublePointText(unsigned dp) {
    return dp == 1 ? "分" : dp == 2 ? "合" : kDataError;
}

bool ActualValueText(std::uint8_t type, const std::uint8_t* data, std::size_t len, std::string& text,
                     bool anyLength12) {
    switch (type) {
    case 0:
        text = kNoData;
        return true;
    case 3:
        if (len == 0)
            return false;
        text = platform::StrFormat("%d", static_cast<int>(LeValue(data, len) & 0xFFFF));
        return true;
    case 7:
        if (len < 4)
            return false;
        text = FloatText(data);
        return true;
    case 12: {
        if (len == 0 || (!anyLength12 && len != 2))
            return false;
        const std::uint16_t raw = len >= 2 ? static_cast<std::uint16_t>(data[0] | data[1] << 8) : data[0];
        const std::int16_t v = static_cast<std::int16_t>(raw & 0xFFF8);
        text = platform::StrFormat("%d", v / 8);
        if (data[0] & 0x02)
            text += kInvalidMark;
        if (data[0] & 0x01)
            text += kOverflowMark;
        return true;
    }
    case 18:
    case 19:
        if (len == 0)
            return false;
        text = DoublePointText(data[0] & 3) + InvalidSuffix(data[0]);
        return true;
    case 201:
        if (len < 4)
            return false;
        text = platform::StrFormat("%d", static_cast<int>(static_cast<std::int32_t>(LeValue(data, 4))));
        if (len >= 5) {
            if (data[4] & 0x20)
                text += kOverflowMark;
            if (data[4] & 0x40)
                text += "|被调整";
            if (data[4] & 0x80)
                text += kInvalidMark;
        }
        return true;
    case 202:
        if (len < 3)
            return false;
        text = Bcd202(data, len);
        return true;
    case 206: {
        if (len == 0)
            return false;
        const std::uint8_t b = data[0];
        const unsigned mode = b & 7;
        const unsigned action = b >> 3 & 3;
        if (mode == 0 || (action != 1 && action != 2)) {
            text = "不允许";
            return true;
        }
        text = mode == 1 ? "选择同期工作方式" : "无效方式";
        text += action == 1 ? "遥控分" : "遥控合";
        text += (b & 0x40) ? "撤消" : (b & 0x80) ? "选择" : "执行";
        return true;
    }
    default:
        return false;
    }
}

bool GroupValueText(std::uint8_t type, std::uint8_t dataSize, std::uint8_t number, const std::uint8_t* data,
                    std::size_t len, std::string& text) {
    switch (type) {
    case 0:
        text = kNoData;
        return true;
    case 1: {
        std::size_t n = 0;
        while (n < len && data[n] != 0)
            ++n;
        text = platform::FromGbk(std::string_view(reinterpret_cast<const char*>(data), n));
        return true;
    }
    case 2: {
        const std::size_t bytes = std::min<std::size_t>((dataSize + 7u) / 8u, len);
        std::size_t bits = std::min<std::size_t>(bytes * 8, static_cast<std::size_t>(dataSize) * number);
        text.clear();
        for (std::size_t i = bits; i-- > 0;)
            text += platform::StrFormat("%u", static_cast<unsigned>(data[i / 8] >> (i % 8) & 1));
        text += "(";
        for (std::size_t i = bytes; i-- > 0;)
            text += platform::StrFormat("%02x", static_cast<unsigned>(data[i]));
        text += ")";
        return true;
    }
    case 3:
    case 17:
        if (len == 0)
            return false;
        text = platform::StrFormat("%d", static_cast<int>(LeValue(data, len) & 0xFFFF));
        return true;
    case 7:
        if (len < 4)
            return false;
        text = FloatText(data);
        return true;
    case 9:
    case 19: {
        if (len == 0)
            return false;
        const unsigned dp = data[0] & 3;
        text = dp == 1 ? "0" : dp == 2 ? "1" : kDataError;
        if (type == 19)
            text += InvalidSuffix(data[0]);
        return true;
    }
    case 23:
        text = kUndefined;
        return true;
    default:
        return false;
    }
}

std::string RemoteCommandValueText(std::uint8_t type, const std::uint8_t* data, std::size_t len) {
    switch (type) {
    case 0:
        return kNoData;
    case 3:
        return len ? platform::StrFormat("%u", static_cast<unsigned>(LeValue(data, len) & 0xFFFF)) : "";
    case 7:
        return len >= 4 ? FloatText(data) : "";
    case 9:
    case 19:
        if (len == 0)
            return "";
        return (data[0] & 3) == 1 ? "分" : (data[0] & 3) == 2 ? "合" : "";
    default:
        return "";
    }
}

std::string HistoryEventValueText(std::uint8_t type, const std::uint8_t* data, std::size_t len) {
    switch (type) {
    case 7:
    case 205:
        return len >= 4 ? FloatText(data) : "";
    case 18:
    case 19:
        return len ? DoublePointText(data[0] & 3) + InvalidSuffix(data[0]) : "";
    case 23:
        return kUndefined;
    case 202:
        return len >= 3 ? Bcd202(data, len) : "";
    default:
        return "";
    }
}

double EchoValue(std::uint8_t type, const std::uint8_t* data, std::size_t len) {
    switch (type) {
    case 3: {
        const std::size_t n = std::min<std::size_t>(len, 4);
        if (n == 0)
            return 0.0;
        std::uint32_t v = LeValue(data, n);
        if (n < 4 && (v >> (8 * n - 1) & 1))
            v |= ~0u << (8 * n);
        // Whole numbers travel as themselves: a float would round those above 2^24.
        return static_cast<double>(static_cast<std::int32_t>(v));
    }
    case 7:
        return len >= 4 ? static_cast<double>(FloatOf(data)) : 0.0;
    case 9:
    case 19:
        if (len == 0)
            return 0.0;
        return (data[0] & 3) == 2 ? 1.0 : 0.0;
    default:
        return 0.0;
    }
}

std::string EventTimeText(unsigned hours, unsigned minutes, unsigned ms) {
    return platform::StrFormat("%u时%u分%u秒%u毫秒", hours, minutes, ms / 1000, ms % 1000);
}

} // namespace quorvex
