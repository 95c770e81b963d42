#pragma once
// The unit's 7-byte time as both device programs send and read it: milliseconds within the minute
// (seconds x 1000 + milliseconds, low byte first), minute, hour, day, month and year, one byte
// each. The year byte holds years since 1900 while seven bits hold them (up to 2027); later years
// go as their value within the century. A reader takes a value below 100 as 2000 + value and any
// other as 1900 + value, so 2000 to 2099 read back whichever way they were written.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace unitlink {

inline constexpr std::size_t kUnitTimeSize = 7;

struct UnitTime {
    std::uint16_t ms = 0; // within the minute
    std::uint8_t minute = 0;
    std::uint8_t hour = 0;
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    int year = 0; // the full year
};

// The years a year byte carries both ways: written by EncodeYear and read back by DecodeYear as
// themselves. Any other year would reach the unit as one of these, so it is not sent.
inline constexpr int kFirstUnitYear = 2000;
inline constexpr int kLastUnitYear = 2099;
bool IsUnitYear(int year);

// Why the fields of a time typed by a user cannot go out, "" when they can: the year (2000-2099),
// month 1-12, the day within that month, hour 0-23, minute and second 0-59, checked in that
// order. A field that is no number is refused as out of its range. The bytes would otherwise
// carry another time (hour 25 masked to 25 & 31, day 32 to 0).
std::string UnitTimeFieldsRefusal(int year, int month, int day, int hour, int minute, int second);
// The same for the texts of the six fields; their numbers land in values (-1 for no number).
std::string UnitTimeTextsRefusal(const std::array<std::string, 6>& texts, std::array<int, 6>& values);

// The year byte of a full year.
std::uint8_t EncodeYear(int year);
// The full year of a year byte (its seven low bits).
int DecodeYear(std::uint8_t byte);

// The fields of the seven bytes at p as they stand (the minute, hour, day and month bytes
// unmasked), the year mapped.
UnitTime ReadUnitTime(const std::uint8_t* p);
// The seven bytes of a time at p.
void WriteUnitTime(const UnitTime& t, std::uint8_t* p);

} // namespace unitlink
