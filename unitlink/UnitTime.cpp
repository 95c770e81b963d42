#include "unitlink/UnitTime.h"

namespace unitlink {

bool IsUnitYear(int year) {
    return year >= kFirstUnitYear && year <= kLastUnitYear && DecodeYear(EncodeYear(year)) == year;
}

std::uint8_t EncodeYear(int year) {
    const int since1900 = year - 1900;
    if (since1900 >= 0 && since1900 <= 127)
        return static_cast<std::uint8_t>(since1900);
    return static_cast<std::uint8_t>(((year % 100) + 100) % 100);
}

int DecodeYear(std::uint8_t byte) {
    const int y = byte & 0x7F;
    return y < 100 ? 2000 + y : 1900 + y;
}

UnitTime ReadUnitTime(const std::uint8_t* p) {
    UnitTime t;
    t.ms = static_cast<std::uint16_t>(p[0] | p[1] << 8);
    t.minute = p[2];
    t.hour = p[3];
    t.day = p[4];
    t.month = p[5];
    t.year = DecodeYear(p[6]);
    return t;
}

void WriteUnitTime(const UnitTime& t, std::uint8_t* p) {
    p[0] = static_cast<std::uint8_t>(t.ms);
    p[1] = static_cast<std::uint8_t>(t.ms >> 8);
    p[2] = t.minute;
    p[3] = t.hour;
    p[4] = t.day;
    p[5] = t.month;
    p[6] = EncodeYear(t.year);
}

} // namespace unitlink
