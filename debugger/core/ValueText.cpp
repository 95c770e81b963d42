#include "debugger/core/ValueText.h"

#include "debugger/core/ValueCodec.h"

#include "platform/Gbk.h"
#include "platform/Text.h"

#include <algorithm>
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

// The codec of a value of len bytes whose elements are dataSize bytes wide.
CValueCodec CodecOf(std::uint8_t type, std::uint8_t dataSize, std::size_t len) {
    const std::size_t number = dataSize ? std::min<std::size_t>(len / dataSize, 255) : 0;
    return CValueCodec(type, dataSize, static_cast<std::uint8_t>(number));
}

// Six BCD digits and, in a fourth byte of the element, the quality flags.
std::string Bcd202(std::uint8_t dataSize, const std::uint8_t* data, std::size_t len) {
    std::string text = CodecOf(202, dataSize, len).Format(data, len).value_or(kDataError);
    if (dataSize >= 4 && len >= 4) {
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

bool ActualValueText(std::uint8_t type, std::uint8_t dataSize, const std::uint8_t* data, std::size_t len,
                     std::string& text, bool anyLength12) {
    switch (type) {
    case 0:
        text = kNoData;
        return true;
    case 3:
    case 7:
        if (const auto number = CodecOf(type, dataSize, len).Format(data, len)) {
            text = *number;
            return true;
        }
        return false;
    case 12: {
        if (len == 0 || (!anyLength12 && len != 2))
            return false;
        const auto number = CodecOf(type, dataSize, len).Format(data, len);
        if (!number)
            return false;
        text = *number;
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
    case 201: {
        const auto number = CodecOf(type, dataSize, len).Format(data, len);
        if (!number)
            return false;
        text = *number;
        if (dataSize >= 5 && len >= 5) {
            if (data[4] & 0x20)
                text += kOverflowMark;
            if (data[4] & 0x40)
                text += "|被调整";
            if (data[4] & 0x80)
                text += kInvalidMark;
        }
        return true;
    }
    case 202:
        if (!CodecOf(type, dataSize, len).HasNumbers() || len < std::min<std::size_t>(dataSize, 3))
            return false;
        text = Bcd202(dataSize, data, len);
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
    case 7:
        if (const auto shown = CodecOf(type, dataSize, len).Format(data, len)) {
            text = *shown;
            return true;
        }
        return false;
    case 9:
    case 19: {
        if (len == 0)
            return false;
        text = CodecOf(type, dataSize ? dataSize : 1, len).Format(data, len).value_or(kDataError);
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

std::string RemoteCommandValueText(std::uint8_t type, std::uint8_t dataSize, const std::uint8_t* data,
                                   std::size_t len) {
    switch (type) {
    case 0:
        return kNoData;
    case 3:
    case 7:
        return CodecOf(type, dataSize, len).Format(data, len).value_or("");
    case 9:
    case 19:
        if (len == 0)
            return "";
        return (data[0] & 3) == 1 ? "分" : (data[0] & 3) == 2 ? "合" : "";
    default:
        return "";
    }
}

std::string HistoryEventValueText(std::uint8_t type, std::uint8_t dataSize, const std::uint8_t* data,
                                  std::size_t len) {
    switch (type) {
    case 7:
        return CodecOf(type, dataSize, len).Format(data, len).value_or("");
    case 205:
        return len >= 4 ? FloatText(data) : "";
    case 18:
    case 19:
        return len ? DoublePointText(data[0] & 3) + InvalidSuffix(data[0]) : "";
    case 23:
        return kUndefined;
    case 202:
        return CodecOf(type, dataSize, len).HasNumbers() && len >= std::min<std::size_t>(dataSize, 3)
                   ? Bcd202(dataSize, data, len)
                   : "";
    default:
        return "";
    }
}

double EchoValue(std::uint8_t type, std::uint8_t dataSize, const std::uint8_t* data, std::size_t len) {
    switch (type) {
    case 3:
    case 7:
    case 9:
    case 19:
        // Whole numbers travel as themselves: a float would round those above 2^24.
        return CodecOf(type, dataSize, len).Number(data, len).value_or(0.0);
    default:
        return 0.0;
    }
}

std::string EventTimeText(unsigned hours, unsigned minutes, unsigned ms) {
    return platform::StrFormat("%u时%u分%u秒%u毫秒", hours, minutes, ms / 1000, ms % 1000);
}

} // namespace quorvex
