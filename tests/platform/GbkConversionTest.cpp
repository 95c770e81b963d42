// The GBK conversions convert ASCII and the characters in their tables themselves and leave the
// rest to iconv: whatever the text, they give what iconv gives, result and failure alike.
#include "platform/Gbk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

using namespace platform;

namespace {

// Both conversions of one direction, compared: the text, the result and the bytes given.
void ExpectGbkToUtf8AsIconv(const std::string& gbk) {
    std::string fast, slow;
    const bool fastOk = GbkToUtf8(gbk, fast);
    const bool slowOk = GbkToUtf8ByIconv(gbk, slow);
    EXPECT_EQ(fastOk, slowOk) << testing::PrintToString(gbk);
    EXPECT_EQ(fast, slow) << testing::PrintToString(gbk);
}

void ExpectUtf8ToGbkAsIconv(const std::string& utf8) {
    std::string fast, slow;
    const bool fastOk = Utf8ToGbk(utf8, fast);
    const bool slowOk = Utf8ToGbkByIconv(utf8, slow);
    EXPECT_EQ(fastOk, slowOk) << testing::PrintToString(utf8);
    EXPECT_EQ(fast, slow) << testing::PrintToString(utf8);
}

std::string Utf8Of(std::uint32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        // Surrogates too: their three bytes are not UTF-8, and must be refused as iconv refuses them.
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

} // namespace

// Every byte pair a GBK text can hold, alone, between ASCII, and cut after its first byte.
TEST(GbkConversion, EveryBytePairDecodesAsIconvDecodesIt) {
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead)
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            ExpectGbkToUtf8AsIconv(pair);
            ExpectGbkToUtf8AsIconv("ab" + pair + "c" + pair);
            ExpectGbkToUtf8AsIconv(pair + pair.substr(0, 1));
        }
}

// Every character of the Basic Multilingual Plane (the surrogates' bytes included), alone and
// among ASCII and Chinese text, and cut short.
TEST(GbkConversion, EveryCharacterOfThePlaneEncodesAsIconvEncodesIt) {
    for (std::uint32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
        const std::string c = Utf8Of(cp);
        ExpectUtf8ToGbkAsIconv(c);
        ExpectUtf8ToGbkAsIconv("引用=" + c + "1,2" + c);
        ExpectUtf8ToGbkAsIconv(c + c.substr(0, c.size() - 1));
    }
    // Beyond the plane, overlong forms and stray continuation bytes.
    for (const std::string& bad :
         {Utf8Of(0x1F600), Utf8Of(0x10FFFF), std::string("\xC0\x80"), std::string("\xE0\x80\x80"),
          std::string("\x80"), std::string("\xF8\x88"), std::string("\xFF")})
        ExpectUtf8ToGbkAsIconv("a" + bad + "通讯");
}

// Random texts mixing ASCII, valid pairs, bytes and characters GBK lacks, and cut sequences.
TEST(GbkConversion, RandomMixedTextsConvertAsIconvConvertsThem) {
    std::mt19937 random(20261210);
    auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
    for (int t = 0; t < 3000; ++t) {
        std::string gbk, utf8;
        const unsigned runs = below(24);
        for (unsigned p = 0; p < runs; ++p) {
            switch (below(6)) {
            case 0: // an ASCII run, line ends included
                for (unsigned n = below(20); n-- > 0;) {
                    const char ch = static_cast<char>(below(10) == 0 ? '\n' : 0x20 + below(0x5F));
                    gbk += ch;
                    utf8 += ch;
                }
                break;
            case 1: // a pair of the common range (B0A1..F7FE)
                gbk += static_cast<char>(0xB0 + below(0x48));
                gbk += static_cast<char>(0xA1 + below(0x5E));
                utf8 += Utf8Of(0x4E00 + below(0x5200));
                break;
            case 2: // any lead and trail
                gbk += static_cast<char>(0x81 + below(0x7E));
                gbk += static_cast<char>(below(0x100));
                utf8 += Utf8Of(0x80 + below(0xFF80));
                break;
            case 3: // any byte
                gbk += static_cast<char>(below(0x100));
                utf8 += static_cast<char>(below(0x100));
                break;
            case 4: // a character beyond the plane
                utf8 += Utf8Of(0x10000 + below(0x100000));
                gbk += static_cast<char>(0x81 + below(0x7E));
                break;
            default: // the Chinese texts of the configuration files
                utf8 += "遥测,遥信;合规则=";
                gbk += ToGbk("遥测,遥信;合规则=");
                break;
            }
        }
        if (below(4) == 0 && !utf8.empty()) // cut anywhere
            utf8.pop_back();
        ExpectGbkToUtf8AsIconv(gbk);
        ExpectUtf8ToGbkAsIconv(utf8);
    }
}

TEST(GbkConversion, AppendingKeepsWhatWasThere) {
    std::string out = "前";
    EXPECT_TRUE(AppendUtf8(ToGbk("通讯ab"), out));
    EXPECT_EQ(out, "前通讯ab");
    out = "x";
    EXPECT_FALSE(AppendGbk("a\xF0\x9F\x98\x80管理", out));
    EXPECT_EQ(out, "xa?" + ToGbk("管理"));
}
