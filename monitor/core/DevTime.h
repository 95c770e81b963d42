#pragma once
// Times, addresses and state bytes as the unit writes them: the 7-byte CP56Time2a stamp, the
// unit's 4-byte time of day, dotted IPv4 texts, the communication-state tests and the on/off
// texts of a point category. All times are local times of this computer.
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace marindle {

using Cp56Time = std::array<std::uint8_t, 7>;

// The current calendar time; tests replace the clock so that "today" and "now" are fixed.
std::time_t Now();
void SetNowFunction(std::function<std::time_t()> now); // empty restores the system clock

// The fields of a CP56Time2a stamp as read (year already mapped by the unit link's one rule:
// below 100 is 2000 + value).
struct Cp56Fields {
    std::uint16_t milliseconds = 0; // within the minute
    int minute = 0;
    int hour = 0;
    int day = 0;
    int month = 0;
    int year = 0;
};
Cp56Fields DecodeCp56(const std::uint8_t* stamp);

// Calendar seconds of a local date and time (fields as in struct tm: month 1-12, full year); -1
// when the C library cannot represent it.
std::time_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second);

// The time of a stamp whose fields name no real time (day 0, month 13, hour 24, 31 February ...):
// such a stamp is shown as "时间有误", never moved on to a plausible date.
inline constexpr std::time_t kInvalidTime = -1;
inline constexpr const char* kInvalidTimeText = "时间有误";

// The unit's 4-byte time of day, placed on today's date; ms gets the milliseconds remainder.
// kInvalidTime when the minute, hour or milliseconds are out of range.
std::time_t DevTime4ToCTime(const std::uint8_t* time4, std::uint16_t* ms = nullptr);
// A 7-byte stamp as local calendar seconds; ms gets the milliseconds remainder. kInvalidTime when
// a field is out of range.
std::time_t Cp56TimeToCTime(const std::uint8_t* stamp, std::uint16_t* ms = nullptr);
// A stamp of a local time (plus milliseconds), its year byte written by the unit link's one rule:
// years since 1900 while that fits the seven year bits (up to 2027), the year within its century
// after that, which reads back the same.
Cp56Time CTimeToCp56Time(std::time_t t, int milliseconds = 0);

// "%Y-%m-%d %H:%M:%S" of a local calendar time; "时间有误" for kInvalidTime.
std::string FormatLocalTime(std::time_t t);
// The last year a year byte can name (2000 + 99).
inline constexpr int kLastClockYear = 2099;
// The clock window's text of a board's stamp: false (and no text) unless the day is 1-31, the
// month 1-12 and the mapped year 1970-2099.
bool ClockStampText(const std::uint8_t* stamp, std::string& text);

// Four dot-separated decimal numbers from the left into the bytes from most to least significant;
// 0 when the text has no dot or starts with one.
std::uint32_t ParseIpAddress(std::string_view text);

// A dotted address as typed: exactly four decimal parts of 0 to 255, the first the most
// significant; nothing for any other text ("300.1.1.1" is no address, not 44.1.1.1).
std::optional<std::uint32_t> ParseDottedAddress(std::string_view text);
// The frame filters typed in the frame properties: "" when both addresses and the device address
// (0 to 65535) are taken as typed, else the message of the first that is not.
inline constexpr const char* kIpAddressInvalid = "IP地址无效,应为四段0至255之间的数字!";
inline constexpr const char* kDeviceAddressInvalid = "装置地址应为0至65535之间的整数!";
std::string FrameFilterRefusal(std::string_view deviceIp, std::string_view destinationIp,
                               std::string_view deviceAddress);

// State tests of communication states: flag 0 = a port (state 2); kind 1 = network A of a device
// ((s & 0x30) == 0x20); kind 2 = 0x80 to 0xBF.
bool IsPointOn(std::uint8_t state, int flag, int kind);

// The on and off texts of a point category, each followed by a comma.
std::string StateTextPair(std::string_view category);

} // namespace marindle
