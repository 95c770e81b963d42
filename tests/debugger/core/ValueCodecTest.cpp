// The value codec against the texts the program shows and the bytes its requests carry: every byte
// pattern shows a text that types back to the same bytes, and every typed text is either refused
// or goes out as bytes whose text is the one typed.
#include "debugger/core/ValueCodec.h"
#include "debugger/core/DeviceRequests.h"
#include "debugger/core/ValueText.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

using namespace quorvex;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Field {
    std::uint8_t type, size, number;
};

// Every type the pages send, in the widths the devices describe, with more than one element too.
const Field kFields[] = {
    {3, 1, 1},   {3, 2, 1},   {3, 3, 1},   {3, 4, 1},   {3, 8, 1},   {3, 1, 2},   {3, 2, 3},
    {17, 2, 1},  {7, 4, 1},   {7, 4, 2},   {7, 8, 1},   {9, 1, 1},   {18, 1, 1},  {19, 1, 2},
    {12, 1, 1},  {12, 2, 1},  {12, 2, 2},  {12, 4, 1},  {201, 2, 1}, {201, 4, 1}, {201, 5, 1},
    {201, 4, 2}, {202, 2, 1}, {202, 3, 1}, {202, 4, 1}, {202, 4, 2},
};

std::string Name(const Field& f) {
    return platform::StrFormat("type %u, %u x %u", f.type, f.size, f.number);
}

// The number text a page shows for the value bytes of a field, without quality marks; a float with
// the decimals of the text typed.
std::string Shown(const Field& f, const Bytes& v, const std::string& typed) {
    std::string text;
    if (f.type == 9 || f.type == 19)
        GroupValueText(f.type, f.size, f.number, v.data(), v.size(), text);
    else if (f.type == 18)
        text = v.empty() ? "" : (v[0] & 3) == 1 ? "0" : (v[0] & 3) == 2 ? "1" : "";
    else
        ActualValueText(f.type, f.size, v.data(), v.size(), text, true);
    text = text.substr(0, text.find('|'));
    if (f.type == 7) {
        const std::string normal = CValueCodec::Normalise(typed);
        const std::size_t point = normal.find('.');
        const int decimals = point == std::string::npos ? 0 : static_cast<int>(normal.size() - point - 1);
        text = platform::StrFormat("%.*f", decimals, platform::AtoF(text));
    }
    return text;
}

// The value bytes of the one item of a manual setting and of a settings download.
Bytes ManualSetValue(const requests::SetItem& item) {
    const Bytes b = requests::ManualSet(1, {item}).Bytes();
    return b.size() >= 10 ? Bytes(b.begin() + 10, b.end()) : Bytes{};
}
Bytes SettingsWriteValue(const requests::SetItem& item) {
    const Bytes b = requests::SettingsWrite(1, 9, {item}).Bytes();
    return b.size() >= 14 ? Bytes(b.begin() + 14, b.end()) : Bytes{};
}

} // namespace

TEST(ValueCodecTest, EveryBytePatternShowsATextThatTypesBackToItsBytes) {
    std::mt19937 random(48);
    std::string table;
    for (const Field& f : kFields) {
        const CValueCodec codec(f.type, f.size, f.number);
        ASSERT_TRUE(codec.HasNumbers()) << Name(f);
        // Whole fields of up to two bytes are tried in full, wider ones by random patterns.
        const std::size_t len = codec.Length();
        const bool full = len <= 2;
        const std::size_t tries = full ? std::size_t{1} << (8 * len) : 20000;
        std::size_t typable = 0;
        for (std::size_t i = 0; i < tries; ++i) {
            Bytes b(len);
            for (std::size_t k = 0; k < len; ++k)
                b[k] = static_cast<std::uint8_t>(full ? i >> (8 * k) : random());
            const auto text = codec.Format(b);
            const auto canonical = codec.Canonical(b);
            if (!canonical)
                continue; // no number: a BCD nibble above 9, a double point of 0 or 3, an infinity
            ++typable;
            ASSERT_TRUE(text) << Name(f);
            std::string why;
            const auto parsed = codec.Parse(*text, &why);
            ASSERT_TRUE(parsed) << Name(f) << " " << *text << " " << why;
            EXPECT_EQ(*parsed, *canonical) << Name(f) << " " << *text;
            EXPECT_EQ(codec.Format(*parsed), text) << Name(f);
            // The canonical bytes differ from the pattern only in what the text does not carry.
            if (f.type == 3 || f.type == 17 || f.type == 201 || f.type == 202) {
                const std::size_t carried = f.type == 201 ? 4 : f.type == 202 ? 3 : 2;
                for (std::size_t k = 0; k < len; ++k)
                    ASSERT_EQ((*canonical)[k], k < std::min<std::size_t>(carried, f.size) ? b[k] : 0)
                        << Name(f) << " byte " << k;
            }
        }
        table += platform::StrFormat("%-20s %8zu patterns, %8zu typable\n", Name(f).c_str(), tries, typable);
        EXPECT_GT(typable, 0u) << Name(f);
    }
    std::printf("%s", table.c_str());
}

TEST(ValueCodecTest, EveryTypedTextIsRefusedOrSentAsItShows) {
    std::vector<std::string> texts = {
        "0",
        "1",
        "-1",
        "7",
        "-0",
        "007",
        "00",
        "127",
        "128",
        "-128",
        "-129",
        "255",
        "256",
        "31",
        "32",
        "4095",
        "4096",
        "-4096",
        "-4097",
        "32767",
        "32768",
        "-32768",
        "-32769",
        "65535",
        "65536",
        "70000",
        "999999",
        "1000000",
        "123456",
        "012345",
        "1234567",
        "12345678",
        "99999999",
        "16777216",
        "16777217",
        "33554433",
        "2147483647",
        "2147483648",
        "-2147483648",
        "-2147483649",
        "4294967295",
        "4294967296",
        "9223372036854775808",
        "18446744073709551616",
        "0.5",
        "1.5",
        "-1.5",
        "0.1",
        "0.000001",
        "0.0000001",
        "1.2345678",
        "3.14159",
        "1e5",
        "1E-50",
        "abc",
        "FFH",
        "+1",
        "1-",
        "--1",
        "1.2.3",
        ".",
        "-",
        "",
        "192.168.1.1",
        "12:30:00",
        "2026-12-10",
        " 1",
    };
    std::mt19937 random(52);
    for (int i = 0; i < 400; ++i) {
        texts.push_back(std::to_string(static_cast<std::int64_t>(random()) - (1ll << 31)));
        texts.push_back(std::to_string(random() % 70000));
        texts.push_back(platform::StrFormat("%.*f", static_cast<int>(random() % 8),
                                            (static_cast<double>(random()) - 2147483648.0) / 1000.0));
    }
    std::string table;
    for (const Field& f : kFields) {
        const CValueCodec codec(f.type, f.size, f.number);
        // Type 9 is a setting only; 17 is shown, never sent.
        const bool manual = f.type != 9 && f.type != 17;
        const bool setting = f.type == 3 || f.type == 7 || f.type == 9 || f.type == 19;
        std::size_t sent = 0;
        for (const std::string& text : texts) {
            std::string why;
            const auto bytes = codec.Parse(text, &why);
            const double value = platform::AtoF(text);
            const requests::SetItem item{5, 0x0104, f.type, f.size, f.number, value};
            if (!bytes) {
                EXPECT_TRUE(why == kValueInvalid || why == kValueNotWhole || why == kValueOutOfRange ||
                            why == kFloatPrecision)
                    << Name(f) << " " << text << " " << why;
                // What the grid refuses for its digits the requests refuse too, unless the text
                // has more decimals than the grid shows (the grid alone sees those).
                const bool finerThanShown =
                    text.find('.') != std::string::npos && text.size() - text.find('.') > 7;
                if (why != kValueInvalid && why != kValueNotWhole && !finerThanShown) {
                    EXPECT_NE(requests::ManualSetRefusal(item), "") << Name(f) << " " << text;
                    EXPECT_NE(requests::SettingRefusal(item), "") << Name(f) << " " << text;
                }
                continue;
            }
            ++sent;
            // The real request carries the codec's bytes, and the page shows them as typed.
            if (manual) {
                EXPECT_EQ(requests::ManualSetRefusal(item), "") << Name(f) << " " << text;
                const Bytes wire = ManualSetValue(item);
                EXPECT_EQ(wire, *bytes) << Name(f) << " " << text;
                EXPECT_EQ(CValueCodec::Normalise(Shown(f, wire, text)), CValueCodec::Normalise(text))
                    << Name(f) << " " << text;
            }
            if (setting) {
                EXPECT_EQ(requests::SettingRefusal(item), "") << Name(f) << " " << text;
                EXPECT_EQ(SettingsWriteValue(item), *bytes) << Name(f) << " " << text;
                EXPECT_EQ(requests::SentSettingValue(item), *codec.Number(bytes->data(), bytes->size()));
            }
        }
        table += platform::StrFormat("%-20s %6zu texts, %6zu sent\n", Name(f).c_str(), texts.size(), sent);
    }
    std::printf("%s", table.c_str());
}

TEST(ValueCodecTest, UnsignedSixteenBitFieldsAndTheirElements) {
    // Type 3 is shown as the unsigned 16 bits of its first element: what a user reads types back.
    const CValueCodec two(3, 2, 1);
    EXPECT_EQ(two.Refusal("65535"), "");
    EXPECT_EQ(two.Refusal("-1"), kValueOutOfRange);
    EXPECT_EQ(two.Refusal("-32768"), kValueOutOfRange);
    EXPECT_EQ(CValueCodec(3, 4, 1).Refusal("70000"), kValueOutOfRange);
    // One-byte elements: the number is the first element's, the second goes out as zero.
    const CValueCodec bytePair(3, 1, 2);
    EXPECT_EQ(bytePair.Refusal("256"), kValueOutOfRange);
    EXPECT_EQ(bytePair.Parse("255"), (Bytes{0xFF, 0x00}));
    EXPECT_EQ(requests::ManualSetBytes({5, 1, 3, 2, 3, 513}), (Bytes{0x01, 0x02, 0, 0, 0, 0}));
    EXPECT_EQ(requests::SettingBytes({5, 1, 3, 1, 2, 200}), (Bytes{200, 0}));
    std::string text = "old";
    const Bytes pair = {0x00, 0x01};
    ASSERT_TRUE(ActualValueText(3, 1, pair.data(), pair.size(), text));
    EXPECT_EQ(text, "0");
    // Eight-byte elements keep their high bytes zero.
    EXPECT_EQ(requests::ManualSetBytes({5, 1, 3, 8, 1, 65535}), (Bytes{0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
}

TEST(ValueCodecTest, MeasurandsFillTheirWholeElementAndLeaveTheOthers) {
    // A wide measurand carries its sign through the element; the next element stays zero.
    EXPECT_EQ(requests::ManualSetBytes({5, 1, 12, 4, 1, -1}), (Bytes{0xF8, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(requests::ManualSetBytes({5, 1, 12, 4, 1, 4095}), (Bytes{0xF8, 0x7F, 0x00, 0x00}));
    EXPECT_EQ(requests::ManualSetBytes({5, 1, 12, 2, 2, -4096}), (Bytes{0x00, 0x80, 0, 0}));
    EXPECT_EQ(requests::ManualSetRefusal({5, 1, 12, 2, 2, 4096}), kValueOutOfRange);
    EXPECT_EQ(requests::ManualSetRefusal({5, 1, 12, 1, 1, 31}), "");
    EXPECT_EQ(requests::ManualSetRefusal({5, 1, 12, 1, 1, 32}), kValueOutOfRange);
    EXPECT_EQ(requests::ManualSetRefusal({5, 1, 12, 1, 1, -1}), kValueOutOfRange);
    // 201 is signed in four bytes; a fifth is its quality byte and goes out as zero.
    EXPECT_EQ(requests::ManualSetBytes({5, 1, 201, 5, 1, -2}), (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(requests::ManualSetBytes({5, 1, 201, 4, 2, -2}), (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
}

TEST(ValueCodecTest, BcdHasSixDigitsAndLeavesTheQualityByte) {
    const CValueCodec bcd(202, 4, 1);
    EXPECT_EQ(bcd.Parse("123456"), (Bytes{0x56, 0x34, 0x12, 0x00}));
    EXPECT_EQ(bcd.Parse("000042"), (Bytes{0x42, 0x00, 0x00, 0x00}));
    EXPECT_EQ(bcd.Refusal("1234567"), kValueOutOfRange);
    EXPECT_EQ(bcd.Refusal("12345678"), kValueOutOfRange);
    EXPECT_EQ(bcd.Refusal("-5"), kValueOutOfRange);
    const Bytes shown = {0x78, 0x56, 0x34, 0x12};
    std::string text;
    ASSERT_TRUE(ActualValueText(202, 4, shown.data(), shown.size(), text));
    EXPECT_EQ(text, "345678|闭锁");
    EXPECT_EQ(HistoryEventValueText(202, 4, shown.data(), shown.size()), "345678|闭锁");
    // A nibble that is no digit is no number.
    const Bytes broken = {0x5A, 0x00, 0x00};
    ASSERT_TRUE(ActualValueText(202, 3, broken.data(), broken.size(), text));
    EXPECT_EQ(text, kDataError);
    EXPECT_EQ(requests::ManualSetBytes({5, 1, 202, 3, 2, 999999}), (Bytes{0x99, 0x99, 0x99, 0, 0, 0}));
}

TEST(ValueCodecTest, FloatsAreRefusedBeyondTheirPrecisionAsShown) {
    const CValueCodec real(7, 4, 1);
    for (const char* text : {"16777217", "33554433", "2147483647", "99999999", "1.2345678", "0.0000001"})
        EXPECT_EQ(real.Refusal(text), kFloatPrecision) << text;
    for (const char* text : {"16777216", "0.1", "-2.5", "0.000001", "123.456", "1048575.5"})
        EXPECT_EQ(real.Refusal(text), "") << text;
    EXPECT_EQ(real.Refusal("1" + std::string(39, '0')), kValueOutOfRange);
    // Accepted, but shown with more decimals than typed: the grid asks before it goes.
    EXPECT_EQ(real.ShownBeyondTyped("123.456"), "123.456001");
    EXPECT_EQ(real.ShownBeyondTyped("0.1"), std::nullopt);
    EXPECT_EQ(real.ShownBeyondTyped("16777217"), std::nullopt); // refused, not asked
    EXPECT_EQ(CValueCodec(3, 2).ShownBeyondTyped("65535"), std::nullopt);
    EXPECT_EQ(requests::ManualSetRefusal({5, 1, 7, 4, 1, 16777217}), kFloatPrecision);
    EXPECT_EQ(requests::SettingRefusal({5, 1, 7, 4, 1, 99999999}), kFloatPrecision);
    // The second element of a float pair goes out as zeros.
    EXPECT_EQ(requests::ManualSetBytes({5, 1, 7, 4, 2, 1.5}), (Bytes{0, 0, 0xC0, 0x3F, 0, 0, 0, 0}));
}

TEST(ValueCodecTest, NormalisedTexts) {
    EXPECT_EQ(CValueCodec::Normalise("007"), "7");
    EXPECT_EQ(CValueCodec::Normalise("-0"), "0");
    EXPECT_EQ(CValueCodec::Normalise("-0.000"), "0");
    EXPECT_EQ(CValueCodec::Normalise("1.500000"), "1.5");
    EXPECT_EQ(CValueCodec::Normalise(".5"), "0.5");
    EXPECT_EQ(CValueCodec::Normalise("-012.0"), "-12");
}
