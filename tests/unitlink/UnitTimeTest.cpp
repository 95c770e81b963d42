// The unit's 7-byte time: the year byte on both sides of 2027, written and read back.
#include "unitlink/UnitTime.h"

#include <gtest/gtest.h>

#include <array>

#include <utility>

TEST(UnitTime, YearsRoundTripAcrossTheSevenBitLimit) {
    const struct {
        int year;
        std::uint8_t byte;
    } cases[] = {{2027, 127}, {2028, 28}, {2031, 31}, {2099, 99}, {2000, 100}, {2024, 124}};
    for (const auto& c : cases) {
        unitlink::UnitTime t;
        t.ms = 59999;
        t.minute = 59;
        t.hour = 23;
        t.day = 31;
        t.month = 12;
        t.year = c.year;
        std::uint8_t raw[unitlink::kUnitTimeSize] = {};
        unitlink::WriteUnitTime(t, raw);
        EXPECT_EQ(raw[6], c.byte) << c.year;
        EXPECT_EQ(raw[0], 0x5F);
        EXPECT_EQ(raw[1], 0xEA);
        const unitlink::UnitTime back = unitlink::ReadUnitTime(raw);
        EXPECT_EQ(back.year, c.year);
        EXPECT_EQ(back.ms, 59999);
        EXPECT_EQ(back.month, 12);
    }
    // The eighth bit of the year byte is no part of the year.
    EXPECT_EQ(unitlink::DecodeYear(0x80 | 31), 2031);
}

// Each field has its own byte: the day goes in byte 4 and comes back, the first and last days of
// a month included, next to the minute, hour and month bytes.
TEST(UnitTime, DayAndTheOtherFieldsHaveTheirBytes) {
    for (std::uint8_t day : {1, 15, 28, 29, 30, 31}) {
        unitlink::UnitTime t;
        t.ms = 1234;
        t.minute = 7;
        t.hour = 8;
        t.day = day;
        t.month = 2;
        t.year = 2024;
        std::uint8_t raw[unitlink::kUnitTimeSize] = {};
        unitlink::WriteUnitTime(t, raw);
        EXPECT_EQ(raw[2], 7);
        EXPECT_EQ(raw[3], 8);
        EXPECT_EQ(raw[4], day);
        EXPECT_EQ(raw[5], 2);
        const unitlink::UnitTime back = unitlink::ReadUnitTime(raw);
        EXPECT_EQ(back.day, day);
        EXPECT_EQ(back.minute, 7);
        EXPECT_EQ(back.hour, 8);
    }
}

// A year is the unit's only when its byte reads back as itself: 1900 to 1999 have bytes that are
// read as 2000 to 2099, and 1899 or 2100 would go as a year of this century too.
TEST(UnitTime, UnitYearsAreThoseThatReadBackAsThemselves) {
    const std::pair<int, bool> cases[] = {{1899, false}, {1900, false}, {1999, false}, {2000, true},
                                          {2027, true},  {2028, true},  {2099, true},  {2100, false}};
    for (const auto& [year, fits] : cases) {
        EXPECT_EQ(unitlink::IsUnitYear(year), fits) << year;
        if (fits) {
            EXPECT_EQ(unitlink::DecodeYear(unitlink::EncodeYear(year)), year);
        }
    }
}

// Every field of a typed time is refused outside its range, with its own message, instead of
// being masked into another time.
TEST(UnitTime, TypedFieldsOutsideTheirRangeAreRefused) {
    struct Case {
        int year, month, day, hour, minute, second;
        const char* refusal;
    };
    const Case cases[] = {
        {2026, 12, 10, 23, 59, 59, ""},
        {2024, 2, 29, 0, 0, 0, ""},
        {2100, 1, 1, 0, 0, 0, "年份应在2000至2099之间!"},
        {2026, 13, 1, 0, 0, 0, "月份应在1至12之间!"},
        {2026, 0, 1, 0, 0, 0, "月份应在1至12之间!"},
        {2026, 1, 32, 0, 0, 0, "日期应在1至31之间!"},
        {2026, 4, 31, 0, 0, 0, "日期应在1至30之间!"},
        {2026, 2, 29, 0, 0, 0, "日期应在1至28之间!"},
        {2026, 1, 0, 0, 0, 0, "日期应在1至31之间!"},
        {2026, 1, 1, 25, 0, 0, "小时应在0至23之间!"},
        {2026, 1, 1, 24, 0, 0, "小时应在0至23之间!"},
        {2026, 1, 1, 0, 75, 0, "分钟应在0至59之间!"},
        {2026, 1, 1, 0, 0, 60, "秒应在0至59之间!"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(unitlink::UnitTimeFieldsRefusal(c.year, c.month, c.day, c.hour, c.minute, c.second),
                  c.refusal)
            << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":" << c.minute << ":"
            << c.second;
    std::array<int, 6> v{};
    EXPECT_EQ(unitlink::UnitTimeTextsRefusal({"2026", "12", "10", "-1", "0", "0"}, v), "小时应在0至23之间!");
    EXPECT_EQ(unitlink::UnitTimeTextsRefusal({"2026", "1x", "10", "1", "0", "0"}, v), "月份应在1至12之间!");
    EXPECT_EQ(unitlink::UnitTimeTextsRefusal({"2026", "12", "", "1", "0", "0"}, v), "日期应在1至31之间!");
    EXPECT_EQ(unitlink::UnitTimeTextsRefusal({"2026", "12", "10", "1", "2", "3"}, v), "");
    EXPECT_EQ(v, (std::array<int, 6>{2026, 12, 10, 1, 2, 3}));
}
