#include "unitlink/UnitTime.h"

#include "unitlink/LinkTexts.h"

namespace unitlink {

bool IsUnitYear(int year) {
    return year >= kFirstUnitYear && year <= kLastUnitYear && DecodeYear(EncodeYear(year)) == year;
}

std::string UnitTimeFieldsRefusal(int year, int month, int day, int hour, int minute, int second) {
    if (!IsUnitYear(year))
        return text::kYearOutOfRange;
    if (month < 1 || month > 12)
        return text::kMonthOutOfRange;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    const int days = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day < 1 || day > days)
        return text::DayOutOfRange(days);
    if (hour < 0 || hour > 23)
        return text::kHourOutOfRange;
    if (minute < 0 || minute > 59)
        return text::kMinuteOutOfRange;
    if (second < 0 || second > 59)
        return text::kSecondOutOfRange;
    return {};
}

std::string UnitTimeTextsRefusal(const std::array<std::string, 6>& texts, std::array<int, 6>& values) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i];
        const bool number =
            !t.empty() && t.size() <= 4 && t.find_first_not_of("0123456789") == std::string::npos;
        values[i] = number ? std::stoi(t) : -1;
    }
    return UnitTimeFieldsRefusal(values[0], values[1], values[2], values[3], values[4], values[5]);
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
