// The unit's 7-byte time: the year byte on both sides of 2027, written and read back.
#include "unitlink/UnitTime.h"

#include <gtest/gtest.h>

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
