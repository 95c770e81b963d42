#include "monitor/core/DevTime.h"

#include <gtest/gtest.h>

using namespace marindle;

namespace {

class DevTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixedNow_ = MakeLocalTime(2024, 3, 15, 10, 30, 0);
        SetNowFunction([this] { return fixedNow_; });
    }
    void TearDown() override { SetNowFunction(nullptr); }
    std::time_t fixedNow_ = 0;
};

std::tm Local(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

} // namespace

TEST_F(DevTimeTest, Cp56YearBytesMapToTheirCentury) {
    std::uint8_t s[7] = {0x10, 0x27, 5, 6, 7, 8, 10}; // 10.000 s, 06:05, 7 August, year byte 10
    EXPECT_EQ(DecodeCp56(s).year, 2010);
    s[6] = 110;
    EXPECT_EQ(DecodeCp56(s).year, 2010);
    s[6] = 99;
    EXPECT_EQ(DecodeCp56(s).year, 2099);
    s[6] = 0x80 | 20; // flag bit above the seven year bits is not part of the year
    EXPECT_EQ(DecodeCp56(s).year, 2020);
}

TEST_F(DevTimeTest, Cp56ReadsFieldsThroughTheirMasks) {
    // Milliseconds 59999, minute byte with the invalid bit, hour with summer-time bit, day with
    // weekday bits.
    const std::uint8_t s[7] = {0x5F, 0xEA, 0x80 | 59, 0x80 | 23, 0xE0 | 31, 12, 124};
    std::uint16_t ms = 0;
    const std::time_t t = Cp56TimeToCTime(s, &ms);
    EXPECT_EQ(ms, 999);
    const std::tm tm = Local(t);
    EXPECT_EQ(tm.tm_year + 1900, 2024);
    EXPECT_EQ(tm.tm_mon + 1, 12);
    EXPECT_EQ(tm.tm_mday, 31);
    EXPECT_EQ(tm.tm_hour, 23);
    EXPECT_EQ(tm.tm_min, 59);
    EXPECT_EQ(tm.tm_sec, 59);
}

TEST_F(DevTimeTest, Cp56WriteAndReadBack) {
    const std::time_t t = MakeLocalTime(2010, 1, 2, 3, 4, 5);
    const Cp56Time s = CTimeToCp56Time(t, 678);
    EXPECT_EQ(s, (Cp56Time{0x2E, 0x16, 4, 3, 2, 1, 110})); // 5678 ms
    std::uint16_t ms = 0;
    EXPECT_EQ(Cp56TimeToCTime(s.data(), &ms), t);
    EXPECT_EQ(ms, 678);
}

// Years since 1900 while seven bits hold them, the year within the century after: 2027 to 2099
// write and read back as themselves, in the request stamps and in the clock window's text.
TEST_F(DevTimeTest, Cp56YearsBeyondSevenBitsStillReadBack) {
    const std::pair<int, std::uint8_t> years[] = {
        {2026, 126}, {2027, 127}, {2028, 28}, {2031, 31}, {2099, 99}};
    for (const auto& [year, byte] : years) {
        const std::time_t t = MakeLocalTime(year, 12, 31, 23, 59, 58);
        const Cp56Time s = CTimeToCp56Time(t, 250);
        EXPECT_EQ(s, (Cp56Time{0x8A, 0xE3, 59, 23, 31, 12, byte})) << year; // 58250 ms
        std::uint16_t ms = 0;
        EXPECT_EQ(Cp56TimeToCTime(s.data(), &ms), t) << year;
        EXPECT_EQ(ms, 250);
        std::string text;
        ASSERT_TRUE(ClockStampText(s.data(), text)) << year;
        EXPECT_EQ(text, std::to_string(year) + "-12-31 23:59:58");
    }
}

TEST_F(DevTimeTest, ClockStampAcceptsOnlyPlausibleDates) {
    std::string text = "old";
    const std::uint8_t good[7] = {0xE8, 0x03, 2, 1, 15, 3, 124};
    ASSERT_TRUE(ClockStampText(good, text));
    EXPECT_EQ(text, "2024-03-15 01:02:01");
    const std::uint8_t noMonth[7] = {0, 0, 0, 0, 1, 0, 124};
    EXPECT_FALSE(ClockStampText(noMonth, text));
    const std::uint8_t noDay[7] = {0, 0, 0, 0, 0, 1, 124};
    EXPECT_FALSE(ClockStampText(noDay, text));
    EXPECT_EQ(text, "2024-03-15 01:02:01");
    // Every year a year byte can name is shown, 2038 and later included.
    const std::uint8_t y2038[7] = {0, 0, 0, 0, 1, 1, 38};
    ASSERT_TRUE(ClockStampText(y2038, text));
    EXPECT_EQ(text.substr(0, 10), "2038-01-01");
    const std::uint8_t y2070[7] = {0, 0, 0, 12, 2, 1, 70}; // a year byte of 70 reads as 2070
    ASSERT_TRUE(ClockStampText(y2070, text));
    EXPECT_EQ(text.substr(0, 13), "2070-01-02 12");
}

TEST_F(DevTimeTest, DeviceTimeTakesTodaysDate) {
    const std::uint8_t t4[4] = {0x98, 0x3A, 0x80 | 7, 13}; // 15000 ms, minute 7, hour 13
    std::uint16_t ms = 1;
    const std::time_t t = DevTime4ToCTime(t4, &ms);
    EXPECT_EQ(ms, 0);
    EXPECT_EQ(t, MakeLocalTime(2024, 3, 15, 13, 7, 15));
    const std::uint8_t withMs[4] = {0x5F, 0xEA, 59, 23}; // 59999 ms
    EXPECT_EQ(DevTime4ToCTime(withMs, &ms), MakeLocalTime(2024, 3, 15, 23, 59, 59));
    EXPECT_EQ(ms, 999);
}

// A stamp that names no real time is reported as such, never moved on to another date.
TEST_F(DevTimeTest, InvalidStampsAreNotNormalised) {
    const std::uint8_t cases[][7] = {
        {0, 0, 0, 0, 0, 3, 124},        // day 0
        {0, 0, 0, 0, 15, 0, 124},       // month 0
        {0, 0, 0, 0, 15, 13, 124},      // month 13
        {0, 0, 0, 24, 15, 3, 124},      // hour 24
        {0, 0, 60, 1, 15, 3, 124},      // minute 60
        {0x60, 0xEA, 0, 1, 15, 3, 124}, // 60000 ms
        {0, 0, 0, 0, 30, 2, 124},       // 30 February
        {0, 0, 0, 0, 29, 2, 123},       // 29 February of a common year
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp56TimeToCTime(c), kInvalidTime) << int(c[3]) << " " << int(c[4]) << " " << int(c[5]);
        std::string text = "old";
        EXPECT_FALSE(ClockStampText(c, text));
        EXPECT_EQ(text, "old");
    }
    const std::uint8_t leapDay[7] = {0, 0, 0, 0, 29, 2, 124};
    EXPECT_EQ(Cp56TimeToCTime(leapDay), MakeLocalTime(2024, 2, 29, 0, 0, 0));
    EXPECT_EQ(FormatLocalTime(kInvalidTime), "时间有误");

    const std::uint8_t hour24[4] = {0, 0, 0, 24};
    EXPECT_EQ(DevTime4ToCTime(hour24), kInvalidTime);
    const std::uint8_t minute60[4] = {0, 0, 60, 1};
    EXPECT_EQ(DevTime4ToCTime(minute60), kInvalidTime);
    const std::uint8_t ms60000[4] = {0x60, 0xEA, 0, 1};
    EXPECT_EQ(DevTime4ToCTime(ms60000), kInvalidTime);
}

TEST(IpAddressTest, ParseFillsTheBytesFromTheLeft) {
    EXPECT_EQ(ParseIpAddress("192.168.1.10"), 0xC0A8010Au);
    EXPECT_EQ(ParseIpAddress("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseIpAddress("10.1"), 0x0A010000u);
    EXPECT_EQ(ParseIpAddress("19216811"), 0u);
    EXPECT_EQ(ParseIpAddress(".1.2.3"), 0u);
    EXPECT_EQ(ParseIpAddress(""), 0u);
    // Typed filters: taken as typed or refused, never cut.
    EXPECT_EQ(ParseDottedAddress("192.168.1.10"), 0xC0A8010Au);
    for (const char* text :
         {"300.1.1.1", "1.2.3", "1.2.3.4.5", "1..2.3", "a.b.c.d", "1.2.3.256", "-1.2.3.4", ""})
        EXPECT_FALSE(ParseDottedAddress(text)) << text;
    EXPECT_EQ(FrameFilterRefusal("10.0.0.9", "0.0.0.0", "65535"), "");
    EXPECT_EQ(FrameFilterRefusal("10.0.0.9", "0.0.0.256", "1"), kIpAddressInvalid);
    EXPECT_EQ(FrameFilterRefusal("10.0.0.9", "0.0.0.0", "70000"), kDeviceAddressInvalid);
    EXPECT_EQ(FrameFilterRefusal("10.0.0.9", "0.0.0.0", "-1"), kDeviceAddressInvalid);
    EXPECT_EQ(FrameFilterRefusal("10.0.0.9", "0.0.0.0", ""), kDeviceAddressInvalid);
}

TEST(StateTest, CommunicationStates) {
    for (int s : {0x20, 0x21, 0xA0})
        EXPECT_TRUE(IsPointOn(static_cast<std::uint8_t>(s), 1, 1) ||
                    IsPointOn(static_cast<std::uint8_t>(s), 1, 2))
            << s;
    for (int s : {0x10, 0x30, 0xC0})
        EXPECT_FALSE(IsPointOn(static_cast<std::uint8_t>(s), 1, 1) ||
                     IsPointOn(static_cast<std::uint8_t>(s), 1, 2))
            << s;
    EXPECT_TRUE(IsPointOn(2, 0, 0));
    EXPECT_FALSE(IsPointOn(1, 0, 0));
    EXPECT_FALSE(IsPointOn(3, 0, 0));
    EXPECT_TRUE(IsPointOn(0xBF, 1, 2));
    EXPECT_FALSE(IsPointOn(0x7F, 1, 2));
    EXPECT_FALSE(IsPointOn(0x20, 1, 3));
}

TEST(StateTest, TextPairs) {
    EXPECT_EQ(StateTextPair("动作元件"), "动作,返回,");
    EXPECT_EQ(StateTextPair("运行告警"), "动作,返回,");
    EXPECT_EQ(StateTextPair("软压板"), "投入,退出,");
    EXPECT_EQ(StateTextPair("遥控"), "投入,退出,");
    EXPECT_EQ(StateTextPair("遥信"), "合,分,");
    EXPECT_EQ(StateTextPair("特殊遥信"), "通,断,");
    EXPECT_EQ(StateTextPair("遥测"), ",,");
}
