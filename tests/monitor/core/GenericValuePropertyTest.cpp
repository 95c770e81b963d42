// The generic value texts against the bytes the requests carry, for every type and width the
// windows send: every byte pattern shows a text that is accepted and goes out as the same bytes,
// and every typed text is either refused or goes out as bytes that show as it.
#include "monitor/core/DeviceMessage.h"
#include "monitor/core/GenericValue.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

using namespace marindle;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Field {
    Gdd gdd;
    int decimals;
};

const Field kFields[] = {
    {{3, 1, 1}, 3},   {{3, 2, 1}, 3},   {{3, 4, 1}, 3}, {{3, 1, 2}, 3},  {{3, 1, 4}, 3},  {{4, 1, 1}, 3},
    {{4, 2, 1}, 3},   {{4, 4, 1}, 3},   {{2, 4, 1}, 3}, {{2, 8, 1}, 3},  {{2, 12, 1}, 3}, {{2, 16, 1}, 3},
    {{2, 4, 3}, 3},   {{2, 20, 1}, 3},  {{7, 4, 1}, 3}, {{7, 4, 1}, 0},  {{7, 4, 1}, 5},  {{12, 2, 1}, 3},
    {{201, 5, 1}, 3}, {{202, 8, 1}, 3}, {{9, 1, 1}, 3}, {{10, 1, 1}, 3},
};

std::string Name(const Field& f) {
    return platform::StrFormat("type %u, %u x %u, %d dec", f.gdd.type, f.gdd.size, f.gdd.number, f.decimals);
}

std::string Show(const Field& f, const Bytes& b) {
    return FormatGenericValue(f.gdd.type, f.gdd.size, f.gdd.number, b.data(), b.size(), f.decimals);
}

bool Fits(const Field& f, const std::string& text) {
    return GenericValueFits(text, f.gdd.type, f.gdd.size, f.gdd.number, f.decimals);
}

Bytes Parse(const Field& f, const std::string& text) {
    return ParseGenericValue(text, f.gdd.type, f.gdd.size, f.gdd.number);
}

// Why a shown text cannot be typed back, or "" when it can: a state that is no 分/合, a BCD nibble
// above 9, an infinity, bits beyond a bit string.
std::string Untypable(const Field& f, const Bytes& b, const std::string& text) {
    if (text.empty())
        return "no text";
    switch (f.gdd.type) {
    case 9:
        return text == "分" || text == "合" ? "" : "no state";
    case 202:
        for (std::size_t i = 0; i < 3; ++i)
            if ((b[i] >> 4) > 9 || (b[i] & 15) > 9)
                return "no BCD";
        return "";
    case 7:
        return text.find_first_of("in") != std::string::npos ? "no finite number" : "";
    case 2: {
        const std::size_t bits = static_cast<std::size_t>(f.gdd.size) * f.gdd.number;
        return bits % 8 != 0 && (b.back() >> (bits % 8)) != 0 ? "bits beyond the string" : "";
    }
    default:
        return "";
    }
}

// The bytes a text carries of a pattern: what the text does not show is zero.
Bytes Carried(const Field& f, Bytes b) {
    switch (f.gdd.type) {
    case 201:
        b[4] = 0; // the quality byte
        break;
    case 202:
        std::fill(b.begin() + 3, b.end(), 0);
        break;
    case 9:
        b[0] &= 3;
        break;
    case 10:
        b[0] &= 1;
        break;
    default:
        break;
    }
    return b;
}

// The value bytes of the one item of a manual setting and of a settings download.
Bytes ManualSetValue(const Field& f, const std::string& text) {
    const CManualSetMsg m({ManualValue{5, 0x0103, f.gdd, text}});
    return m.Body().size() >= 10 ? Bytes(m.Body().begin() + 10, m.Body().end()) : Bytes{};
}
Bytes SettingsWriteValue(const Field& f, const std::string& text) {
    const CSettingsWriteMsg m(0, 5, 249, 0, {WriteItem{0x0103, f.gdd, text}});
    return m.Body().size() >= 14 ? Bytes(m.Body().begin() + 14, m.Body().end()) : Bytes{};
}

} // namespace

TEST(GenericValuePropertyTest, EveryBytePatternShowsATextThatGoesOutAsItsBytes) {
    std::mt19937 random(48);
    std::string table;
    for (const Field& f : kFields) {
        const std::size_t len = GenericValueLength(f.gdd.type, f.gdd.size, f.gdd.number);
        const bool full = len <= 2;
        const std::size_t tries = full ? std::size_t{1} << (8 * len) : 20000;
        std::size_t typable = 0;
        for (std::size_t i = 0; i < tries; ++i) {
            Bytes b(len);
            for (std::size_t k = 0; k < len; ++k)
                b[k] = static_cast<std::uint8_t>(full ? i >> (8 * k) : random());
            const std::string text = Show(f, b);
            const std::string why = Untypable(f, b, text);
            if (!why.empty()) {
                // Not these bytes; when the text is accepted at all, what goes out shows as it
                // ("0148514" of a broken BCD goes as 148514, "不定(00)" as the state 0).
                if (!text.empty() && Fits(f, text)) {
                    const std::string back = Show(f, Parse(f, text));
                    if (f.gdd.type == 202) {
                        EXPECT_EQ(platform::AtoLL(back), platform::AtoLL(text)) << Name(f) << " " << text;
                    } else {
                        EXPECT_EQ(back, text) << Name(f) << " " << why;
                    }
                }
                continue;
            }
            ++typable;
            ASSERT_TRUE(Fits(f, text)) << Name(f) << " " << text;
            const Bytes sent = Parse(f, text);
            EXPECT_EQ(Show(f, sent), text) << Name(f);
            // Whole numbers, addresses, strings and states go out as the very bytes shown; a
            // measurand's quality bits and a float's digits beyond the page's are not carried.
            if (f.gdd.type != 7 && f.gdd.type != 12) {
                EXPECT_EQ(sent, Carried(f, b)) << Name(f) << " " << text;
            }
        }
        table += platform::StrFormat("%-28s %8zu patterns, %8zu typable\n", Name(f).c_str(), tries, typable);
        EXPECT_GT(typable, 0u) << Name(f);
    }
    std::printf("%s", table.c_str());
}

TEST(GenericValuePropertyTest, EveryTypedTextIsRefusedOrSentAsItShows) {
    std::vector<std::string> texts = {
        "0",          "1",          "-1",          "+1",         "007",         "127",
        "128",        "-128",       "-129",        "255",        "256",         "4095",
        "4096",       "-4096",      "-4097",       "32767",      "32768",       "-32768",
        "-32769",     "65535",      "65536",       "70000",      "999999",      "1000000",
        "123456",     "012345",     "12345678",    "16777216",   "16777217",    "33554433",
        "2147483647", "2147483648", "-2147483648", "4294967295", "4294967296",  "9223372036854775808",
        "99999999",   "0.5",        "1.5",         "0.1",        "1.2345",      "1.23456",
        "123456.7",   "1e-50",      "1E-50",       "-1e-50",     "1e39",        "1e5",
        "abc",        "FFH",        "FFFFH",       "0FFFH",      "0fH",         "fH",
        "1BEEFH",     "beefH",      "XYH",         "H",          "192.168.1.1", "300.1.1.1",
        "1.2.3",      "",           "12:30:00",    "2026-12-10", "分",          "合",
        "开",         " 1",         "1 ",
    };
    std::mt19937 random(52);
    for (int i = 0; i < 300; ++i) {
        texts.push_back(std::to_string(static_cast<std::int64_t>(random()) - (1ll << 31)));
        texts.push_back(std::to_string(random() % 70000));
        texts.push_back(platform::StrFormat("%.*f", static_cast<int>(random() % 6),
                                            (static_cast<double>(random()) - 2147483648.0) / 1000.0));
        texts.push_back(platform::StrFormat("%xH", static_cast<unsigned>(random() % 0x20000)));
        const auto part = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
        texts.push_back(platform::StrFormat("%u.%u.%u.%u", part(300), part(256), part(256), part(256)));
    }
    std::string table;
    for (const Field& f : kFields) {
        std::size_t sent = 0;
        for (const std::string& text : texts) {
            if (!Fits(f, text))
                continue;
            ++sent;
            const Bytes manual = ManualSetValue(f, text);
            EXPECT_EQ(manual, Parse(f, text)) << Name(f) << " " << text;
            EXPECT_EQ(SettingsWriteValue(f, text), manual) << Name(f) << " " << text;
            const std::string shown = Show(f, manual);
            const std::string typed = platform::Trim(text);
            switch (f.gdd.type) {
            case 7:
                EXPECT_EQ(shown, platform::StrFormat("%.*f", f.decimals, platform::AtoF(typed)))
                    << Name(f) << " " << text;
                break;
            case 2:
            case 3:
            case 4:
            case 12:
            case 201:
            case 202:
                if (typed.find_first_of(".H") == std::string::npos) {
                    EXPECT_EQ(platform::AtoLL(shown), platform::AtoLL(typed)) << Name(f) << " " << text;
                } else if (f.gdd.type == 2) {
                    EXPECT_EQ(std::strtoull(shown.c_str(), nullptr, 16),
                              std::strtoull(typed.c_str(), nullptr, 16))
                        << Name(f) << " " << text;
                } else {
                    EXPECT_EQ(shown, typed) << Name(f) << " " << text;
                }
                break;
            default:
                EXPECT_EQ(shown, text) << Name(f);
            }
        }
        table += platform::StrFormat("%-28s %6zu texts, %6zu sent\n", Name(f).c_str(), texts.size(), sent);
    }
    std::printf("%s", table.c_str());
}

TEST(GenericValuePropertyTest, RealsTheFloatOrThePageCannotShowAreRefused) {
    for (const char* text : {"16777217", "33554433", "2147483647", "99999999", "1e-50", "1E-50", "-1e-50",
                             "0.0001", "1.2345", "123456.7", "1e39"})
        EXPECT_FALSE(GenericValueFits(text, 7, 4, 1, 3)) << text;
    for (const char* text : {"16777216", "0.1", "-2.5", "0.001", "12.34", "0"})
        EXPECT_TRUE(GenericValueFits(text, 7, 4, 1, 3)) << text;
    // More decimals on the page admit more, and fewer admit less.
    EXPECT_TRUE(GenericValueFits("0.0001", 7, 4, 1, 4));
    EXPECT_TRUE(GenericValueFits("123456.7", 7, 4, 1, 1));
    EXPECT_FALSE(GenericValueFits("0.5", 7, 4, 1, 0));
}

TEST(GenericValuePropertyTest, BitStringsNarrowerThanTheirBytesTakeNoWiderValue) {
    EXPECT_FALSE(GenericValueFits("FFFFH", 2, 12, 1));
    EXPECT_TRUE(GenericValueFits("0FFFH", 2, 12, 1));
    EXPECT_FALSE(GenericValueFits("FFH", 2, 4, 1));
    EXPECT_TRUE(GenericValueFits("FH", 2, 4, 1));
    EXPECT_FALSE(GenericValueFits("1000H", 2, 4, 3));
    EXPECT_TRUE(GenericValueFits("0FFFH", 2, 4, 3));
    EXPECT_TRUE(GenericValueFits("FFFFH", 2, 16, 1));
}
