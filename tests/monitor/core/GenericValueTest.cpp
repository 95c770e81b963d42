#include "monitor/core/GenericValue.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace marindle;

namespace {
using Bytes = std::vector<std::uint8_t>;

std::string Fmt(std::uint8_t type, std::uint8_t size, std::uint8_t number, const Bytes& v, int decimals = 3) {
    return FormatGenericValue(type, size, number, v.data(), v.size(), decimals);
}

Bytes FloatBytes(float f) {
    Bytes b(4);
    std::memcpy(b.data(), &f, 4);
    return b;
}
} // namespace

TEST(GenericValueTest, TextAndBitStrings) {
    EXPECT_EQ(Fmt(1, 1, 6, {'a', 'b', 'c', 0, 'x', 'y'}), "abc");
    EXPECT_EQ(Fmt(1, 1, 4, {0xD6, 0xD0, 0xCE, 0xC4}), "中文");
    EXPECT_EQ(Fmt(1, 1, 3, {'a', 'b'}), "ab"); // the body ends first
    // Data size 12 bits: two bytes, the higher-numbered first.
    EXPECT_EQ(Fmt(2, 12, 1, {0x34, 0x12}), "1234H");
    EXPECT_EQ(Fmt(2, 12, 1, {0x34}), ""); // too short to hold it
    EXPECT_EQ(GenericValueLength(2, 12, 1), 2u);
    EXPECT_EQ(GenericValueLength(2, 8, 3), 3u);
    EXPECT_EQ(GenericValueLength(7, 4, 3), 12u);
}

// A text field whose end cuts a double-byte character in two loses the broken half, not shown as
// "?"; a character that is whole stays.
TEST(GenericValueTest, TextCutInsideACharacterDropsTheBrokenByte) {
    EXPECT_EQ(Fmt(1, 1, 3, {0xD6, 0xD0, 0xCE}), "中");
    EXPECT_EQ(Fmt(1, 1, 3, {0xD6, 0xD0, 0xCE, 0xC4}), "中"); // the field ends before the body
    EXPECT_EQ(Fmt(1, 1, 4, {'a', 0xD6, 0, 'x'}), "a");       // cut by the zero
    const Bytes whole = {'A', 0xD6, 0xD0};
    EXPECT_EQ(GbkFieldText(whole.data(), 3), "A中");
    EXPECT_EQ(GbkFieldText(whole.data(), 2), "A");
    EXPECT_EQ(GbkFieldText(whole.data(), 0), "");
}

TEST(GenericValueTest, Integers) {
    EXPECT_EQ(Fmt(3, 1, 1, {200}), "200");
    EXPECT_EQ(Fmt(3, 1, 2, {0x34, 0x12}), "4660");
    EXPECT_EQ(Fmt(3, 1, 4, {192, 168, 1, 10}), "192.168.1.10");
    EXPECT_EQ(Fmt(3, 1, 3, {1, 2, 3}), "");
    EXPECT_EQ(Fmt(3, 2, 1, {0xFF, 0xFF}), "65535");
    EXPECT_EQ(Fmt(3, 4, 1, {0xFF, 0xFF, 0xFF, 0xFF}), "4294967295");
    EXPECT_EQ(Fmt(3, 3, 1, {1, 2, 3}), "");
    EXPECT_EQ(Fmt(3, 0, 1, {}), "");
    EXPECT_EQ(Fmt(4, 1, 1, {0xFF}), "-1");
    EXPECT_EQ(Fmt(4, 2, 1, {0x00, 0x80}), "-32768");
    EXPECT_EQ(Fmt(4, 4, 1, {0xFE, 0xFF, 0xFF, 0xFF}), "-2");
    EXPECT_EQ(Fmt(4, 4, 1, {0xFE, 0xFF}), "");    // truncated
    EXPECT_EQ(Fmt(12, 2, 1, {0xF7, 0xFF}), "-1"); // -9 / 8 truncates toward zero
    EXPECT_EQ(Fmt(12, 2, 1, {0x50, 0x00}), "10");
    EXPECT_EQ(Fmt(17, 2, 1, {160, 3}), "160/3");
    EXPECT_EQ(Fmt(201, 5, 1, {0x40, 0xE2, 0x01, 0x00, 0x00}), "123456");
    EXPECT_EQ(Fmt(201, 4, 1, {0x40, 0xE2, 0x01, 0x00}), "");
    EXPECT_EQ(Fmt(202, 8, 1, {0x56, 0x34, 0x12, 0, 0, 0, 0, 0}), "123456");
}

TEST(GenericValueTest, RealsByDecimals) {
    const Bytes f = FloatBytes(3.14159f);
    EXPECT_EQ(Fmt(7, 4, 1, f, 0), "3");
    EXPECT_EQ(Fmt(7, 4, 1, f, 1), "3.1");
    EXPECT_EQ(Fmt(7, 4, 1, f, 2), "3.14");
    EXPECT_EQ(Fmt(7, 4, 1, f, 3), "3.142");
    EXPECT_EQ(Fmt(7, 4, 1, f, 4), "3.1416");
    EXPECT_EQ(Fmt(6, 4, 1, f, 5), "3.14159");
    EXPECT_EQ(Fmt(20, 5, 1, Bytes{f[0], f[1], f[2], f[3], 0}, 9), "3.142");
    EXPECT_EQ(Fmt(205, 4, 1, f, -1), "3.142");
    EXPECT_EQ(Fmt(7, 2, 1, {1, 2}), "");
    double d = 2.5;
    Bytes db(8);
    std::memcpy(db.data(), &d, 8);
    EXPECT_EQ(Fmt(8, 8, 1, db), "2.500000");
    EXPECT_EQ(Fmt(8, 4, 1, f), "");
}

TEST(GenericValueTest, PointStatesAndCommands) {
    EXPECT_EQ(Fmt(9, 1, 1, {1}), "分");
    EXPECT_EQ(Fmt(9, 1, 1, {2}), "合");
    EXPECT_EQ(Fmt(9, 1, 1, {3}), "不定(03)");
    EXPECT_EQ(Fmt(18, 5, 1, {0xFE, 0, 0, 0, 0}), "合");
    EXPECT_EQ(Fmt(204, 12, 1, {0x00}), "不定(00)");
    EXPECT_EQ(Fmt(9, 0, 1, {}), "");
    EXPECT_EQ(Fmt(10, 1, 1, {0xFF}), "1");
    EXPECT_EQ(Fmt(10, 1, 1, {0xFE}), "0");
    EXPECT_EQ(Fmt(206, 1, 1, {0x40 | 0x80 | 0x08}), "遥控撤消 分");
    EXPECT_EQ(Fmt(206, 1, 1, {0x80 | 0x10}), "遥控选择 合");
    EXPECT_EQ(Fmt(206, 1, 1, {0x18}), "遥控执行 不定");
    EXPECT_EQ(Fmt(99, 1, 1, {1}), "");
}

TEST(GenericValueTest, ParseByType) {
    // Four hex digits and "H" into two bytes: the last two digits into byte 0.
    EXPECT_EQ(ParseGenericValue("ABCDH", 2, 16, 1), (Bytes{0xCD, 0xAB}));
    EXPECT_EQ(ParseGenericValue("1", 2, 16, 1), (Bytes{0x01, 0x00}));
    EXPECT_EQ(ParseGenericValue("", 2, 12, 1), (Bytes{0, 0}));
    EXPECT_EQ(ParseGenericValue("-2", 4, 2, 1), (Bytes{0xFE, 0xFF}));
    EXPECT_EQ(ParseGenericValue("255", 3, 1, 1), (Bytes{255}));
    EXPECT_FALSE(GenericValueFits("300", 3, 1, 1)); // refused before it is parsed
    EXPECT_EQ(ParseGenericValue("300", 3, 3, 1), (Bytes{0, 0, 0}));
    EXPECT_EQ(ParseGenericValue("1.5", 7, 4, 1), FloatBytes(1.5f));
    EXPECT_EQ(ParseGenericValue("1.5", 7, 2, 1), (Bytes{0, 0}));
    EXPECT_EQ(ParseGenericValue("合", 9, 1, 1), (Bytes{2}));
    EXPECT_EQ(ParseGenericValue("分", 203, 8, 1), (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ParseGenericValue("?", 9, 1, 1), (Bytes{0}));
    EXPECT_EQ(ParseGenericValue("1", 10, 1, 1), (Bytes{1}));
    EXPECT_EQ(ParseGenericValue("2", 10, 1, 1), (Bytes{0}));
    EXPECT_EQ(ParseGenericValue("-1", 12, 2, 1), (Bytes{0xF8, 0xFF}));
    EXPECT_EQ(ParseGenericValue("2.5", 20, 5, 1),
              Bytes({FloatBytes(2.5f)[0], FloatBytes(2.5f)[1], FloatBytes(2.5f)[2], FloatBytes(2.5f)[3], 0}));
    EXPECT_EQ(ParseGenericValue("123456", 201, 5, 1), (Bytes{0x40, 0xE2, 0x01, 0x00, 0x00}));
    EXPECT_EQ(ParseGenericValue("123456", 202, 8, 1), (Bytes{0x56, 0x34, 0x12, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ParseGenericValue("12", 202, 1, 2), (Bytes{0, 0})); // too short for three bytes
    EXPECT_EQ(ParseGenericValue("x", 1, 1, 3), (Bytes{0, 0, 0}));
    double d = -0.25;
    Bytes db(8);
    std::memcpy(db.data(), &d, 8);
    EXPECT_EQ(ParseGenericValue("-0.25", 8, 8, 1), db);
}

TEST(GenericValueTest, ParsedValuesFormatBack) {
    for (const char* t : {"1234", "-7", "0"})
        EXPECT_EQ(Fmt(4, 2, 1, ParseGenericValue(t, 4, 2, 1)), t);
    EXPECT_EQ(Fmt(2, 16, 1, ParseGenericValue("BEEFH", 2, 16, 1)), "beefH");
    EXPECT_EQ(Fmt(7, 4, 1, ParseGenericValue("12.25", 7, 4, 1), 2), "12.25");
}

TEST(GenericValueTest, DebugColoursByLevel) {
    EXPECT_EQ(DebugLevelColour(0), 0xC8C8C8u);
    EXPECT_EQ(DebugLevelColour(20), 0xC8C8C8u);
    EXPECT_EQ(DebugLevelColour(21), 0x808080u);
    EXPECT_EQ(DebugLevelColour(60), 0x00FF80u);
    EXPECT_EQ(DebugLevelColour(61), 0x0080FFu);
    EXPECT_EQ(DebugLevelColour(240), 0x000000u);
    EXPECT_EQ(DebugLevelColour(241), 0x000080u);
    EXPECT_EQ(DebugLevelColour(255), 0x000080u);
}

// What goes out for a value that fits, and that nothing goes out for one that does not: each value
// is checked as the settings download and the manual setting check it, then encoded as they send it.
TEST(GenericValueTest, AValueFitsOnlyWhenItsBytesReadBackAsTyped) {
    struct Case {
        const char* text;
        Gdd gdd;
        bool fits;
        Bytes sent; // the value bytes of a value that fits
    };
    const Case cases[] = {
        {"255", {3, 1, 1}, true, {0xFF}},
        {"256", {3, 1, 1}, false, {}},
        {"-1", {3, 1, 1}, false, {}},
        {"127", {4, 1, 1}, true, {0x7F}},
        {"128", {4, 1, 1}, false, {}},
        {"-128", {4, 1, 1}, true, {0x80}},
        {"-129", {4, 1, 1}, false, {}},
        {"65535", {3, 2, 1}, true, {0xFF, 0xFF}},
        {"65536", {3, 2, 1}, false, {}},
        {"2147483647", {4, 4, 1}, true, {0xFF, 0xFF, 0xFF, 0x7F}},
        {"2147483648", {4, 4, 1}, false, {}},
        {"-2147483648", {4, 4, 1}, true, {0x00, 0x00, 0x00, 0x80}},
        {"2147483648", {3, 4, 1}, true, {0x00, 0x00, 0x00, 0x80}},
        {"3000000000", {3, 4, 1}, true, {0x00, 0x5E, 0xD0, 0xB2}},
        {"4294967295", {3, 4, 1}, true, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"4294967296", {3, 4, 1}, false, {}},
        {"12abc", {3, 4, 1}, false, {}},
        {"", {3, 2, 1}, false, {}},
        // Two one-byte elements are one 16-bit number.
        {"300", {3, 1, 2}, true, {0x2C, 0x01}},
        {"65536", {3, 1, 2}, false, {}},
        // Four one-byte elements are an address, most significant byte first.
        {"192.168.1.1", {3, 1, 4}, true, {0xC0, 0xA8, 0x01, 0x01}},
        {"192.168.1.256", {3, 1, 4}, false, {}},
        {"192.168.1", {3, 1, 4}, false, {}},
        {"5", {3, 1, 4}, false, {}},
        {"4095", {12, 2, 1}, true, {0xF8, 0x7F}},
        {"4096", {12, 2, 1}, false, {}},
        {"-4096", {12, 2, 1}, true, {0x00, 0x80}},
        {"-4097", {12, 2, 1}, false, {}},
        {"4294967295", {201, 5, 1}, true, {0xFF, 0xFF, 0xFF, 0xFF, 0x00}},
        {"4294967296", {201, 5, 1}, false, {}},
        {"-1", {201, 5, 1}, false, {}},
        // BCD: six digits in three bytes.
        {"123456", {202, 8, 1}, true, {0x56, 0x34, 0x12, 0, 0, 0, 0, 0}},
        {"999999", {202, 8, 1}, true, {0x99, 0x99, 0x99, 0, 0, 0, 0, 0}},
        {"1234567", {202, 8, 1}, false, {}},
        {"123456789", {202, 8, 1}, false, {}},
        {"12a", {202, 8, 1}, false, {}},
        {"-5", {202, 8, 1}, false, {}},
        {"BEEFH", {2, 16, 1}, true, {0xEF, 0xBE}},
        {"1BEEFH", {2, 16, 1}, false, {}},
        {"XYH", {2, 16, 1}, false, {}},
        {"1.5", {7, 4, 1}, true, {0x00, 0x00, 0xC0, 0x3F}},
        {"1e39", {7, 4, 1}, false, {}},
        {"1.5", {7, 2, 1}, false, {}},
        {"abc", {7, 4, 1}, false, {}},
        {"合", {9, 1, 1}, true, {0x02}},
        {"开", {9, 1, 1}, false, {}},
        {"1", {10, 1, 1}, true, {0x01}},
        {"2", {10, 1, 1}, false, {}},
    };
    for (const Case& c : cases) {
        const bool fits = GenericValueFits(c.text, c.gdd.type, c.gdd.size, c.gdd.number);
        EXPECT_EQ(fits, c.fits) << c.text << " in " << int(c.gdd.type) << "/" << int(c.gdd.size) << "/"
                                << int(c.gdd.number);
        if (fits && c.fits) {
            EXPECT_EQ(ParseGenericValue(c.text, c.gdd.type, c.gdd.size, c.gdd.number), c.sent) << c.text;
        }
    }
}
