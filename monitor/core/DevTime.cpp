#include "monitor/core/DevTime.h"

#include "platform/Text.h"
#include "unitlink/UnitTime.h"

#include <mutex>

namespace marindle {

namespace {
std::mutex g_nowMutex;
std::function<std::time_t()> g_now;

std::tm LocalTm(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}
} // namespace

std::time_t Now() {
    std::lock_guard lock(g_nowMutex);
    return g_now ? g_now() : std::time(nullptr);
}

void SetNowFunction(std::function<std::time_t()> now) {
    std::lock_guard lock(g_nowMutex);
    g_now = std::move(now);
}

Cp56Fields DecodeCp56(const std::uint8_t* p) {
    const unitlink::UnitTime u = unitlink::ReadUnitTime(p);
    Cp56Fields f;
    f.milliseconds = u.ms;
    f.minute = u.minute & 0x3F;
    f.hour = u.hour & 0x1F;
    f.day = u.day & 0x1F;
    f.month = u.month & 0x0F;
    f.year = u.year;
    return f;
}

std::time_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

namespace {
bool ValidTimeOfDay(unsigned msInMinute, int minute, int hour) {
    return msInMinute < 60000 && minute < 60 && hour < 24;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}
} // namespace

std::time_t DevTime4ToCTime(const std::uint8_t* p, std::uint16_t* ms) {
    const unsigned msInMinute = static_cast<unsigned>(p[0] | p[1] << 8);
    if (ms)
        *ms = static_cast<std::uint16_t>(msInMinute % 1000);
    if (!ValidTimeOfDay(msInMinute, p[2] & 0x3F, p[3] & 0x7F))
        return kInvalidTime;
    const std::tm today = LocalTm(Now());
    return MakeLocalTime(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday, p[3] & 0x7F, p[2] & 0x3F,
                         static_cast<int>(msInMinute / 1000));
}

std::time_t Cp56TimeToCTime(const std::uint8_t* stamp, std::uint16_t* ms) {
    const Cp56Fields f = DecodeCp56(stamp);
    if (ms)
        *ms = static_cast<std::uint16_t>(f.milliseconds % 1000);
    if (!ValidTimeOfDay(f.milliseconds, f.minute, f.hour) || f.month < 1 || f.month > 12 || f.day < 1 ||
        f.day > DaysInMonth(f.year, f.month))
        return kInvalidTime;
    return MakeLocalTime(f.year, f.month, f.day, f.hour, f.minute, f.milliseconds / 1000);
}

Cp56Time CTimeToCp56Time(std::time_t t, int milliseconds) {
    const std::tm tm = LocalTm(t);
    unitlink::UnitTime u;
    u.ms = static_cast<std::uint16_t>(static_cast<unsigned>(tm.tm_sec) * 1000u +
                                      static_cast<unsigned>(milliseconds % 1000));
    u.minute = static_cast<std::uint8_t>(tm.tm_min & 0x3F);
    u.hour = static_cast<std::uint8_t>(tm.tm_hour & 0x1F);
    u.day = static_cast<std::uint8_t>(tm.tm_mday & 0x1F);
    u.month = static_cast<std::uint8_t>((tm.tm_mon + 1) & 0x0F);
    u.year = tm.tm_year + 1900;
    Cp56Time s{};
    unitlink::WriteUnitTime(u, s.data());
    return s;
}

std::string FormatLocalTime(std::time_t t) {
    if (t == kInvalidTime)
        return kInvalidTimeText;
    const std::tm tm = LocalTm(t);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

bool ClockStampText(const std::uint8_t* stamp, std::string& text) {
    const Cp56Fields f = DecodeCp56(stamp);
    if (f.day < 1 || f.day > 31 || f.month < 1 || f.month > 12 || f.year < 1970 || f.year > kLastClockYear)
        return false;
    const std::time_t t = Cp56TimeToCTime(stamp);
    if (t == static_cast<std::time_t>(-1))
        return false;
    text = FormatLocalTime(t);
    return true;
}

std::uint32_t ParseIpAddress(std::string_view text) {
    const auto dot = text.find('.');
    if (dot == std::string_view::npos || dot == 0)
        return 0;
    std::uint32_t value = 0;
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t part = 0;
        if (pos <= text.size()) {
            const auto end = text.find('.', pos);
            part = static_cast<std::uint32_t>(platform::AtoI(
                text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos)));
            pos = end == std::string_view::npos ? text.size() + 1 : end + 1;
        }
        value |= (part & 0xFF) << (24 - 8 * i);
    }
    return value;
}

std::optional<std::uint32_t> ParseDottedAddress(std::string_view s) {
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? s.find('.') : s.size();
        if (dot == std::string_view::npos || dot == 0 || dot > 3)
            return std::nullopt;
        unsigned v = 0;
        for (char c : s.substr(0, dot)) {
            if (c < '0' || c > '9')
                return std::nullopt;
            v = v * 10 + static_cast<unsigned>(c - '0');
        }
        if (v > 255)
            return std::nullopt;
        address = address << 8 | v;
        s.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return address;
}

std::string FrameFilterRefusal(std::string_view deviceIp, std::string_view destinationIp,
                               std::string_view deviceAddress) {
    if (!ParseDottedAddress(platform::Trim(deviceIp)) || !ParseDottedAddress(platform::Trim(destinationIp)))
        return kIpAddressInvalid;
    const std::string address = platform::Trim(deviceAddress);
    if (address.empty() || address.size() > 5 ||
        address.find_first_not_of("0123456789") != std::string::npos || platform::AtoI(address) > 65535)
        return kDeviceAddressInvalid;
    return {};
}

bool IsPointOn(std::uint8_t state, int flag, int kind) {
    if (flag == 0)
        return state == 2;
    if (kind == 1)
        return (state & 0x30) == 0x20;
    if (kind == 2)
        return state >= 0x80 && state <= 0xBF;
    return false;
}

std::string StateTextPair(std::string_view category) {
    if (category == "动作元件" || category == "运行告警")
        return "动作,返回,";
    if (category == "硬压板" || category == "软压板" || category == "遥控")
        return "投入,退出,";
    if (category == "遥信")
        return "合,分,";
    if (category == "特殊遥信")
        return "通,断,";
    return ",,";
}

} // namespace marindle
