#include "platform/Gbk.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "tests/support/TestFiles.h"

#include <climits>
#include <clocale>
#include <gtest/gtest.h>
#include <set>

using namespace platform;

TEST(Gbk, RoundTripsChineseAndAscii) {
    const std::string text = "通讯管理机 QXM7740 板卡1";
    std::string gbk;
    ASSERT_TRUE(Utf8ToGbk(text, gbk));
    // 通 is B7 C6 in GBK.
    EXPECT_EQ(std::string("\xCD\xA8", 2), gbk.substr(0, 2));
    EXPECT_EQ(GbkLength(text), gbk.size());
    std::string back;
    ASSERT_TRUE(GbkToUtf8(gbk, back));
    EXPECT_EQ(text, back);
}

TEST(Gbk, InvalidInputIsReportedAndMarked) {
    std::string out;
    // A lone lead byte at the end and an invalid pair in the middle.
    EXPECT_FALSE(GbkToUtf8(std::string("ab\x81", 3), out));
    EXPECT_EQ("ab?", out);
    EXPECT_FALSE(GbkToUtf8(std::string("a\xFF"
                                       "b",
                                       3),
                           out));
    EXPECT_EQ("a?b", out);
    // Invalid UTF-8 and a character GBK lacks (an emoji) keep the rest of the text.
    EXPECT_FALSE(Utf8ToGbk(std::string("x\xC3y", 3), out));
    EXPECT_EQ("x?y", out);
    EXPECT_FALSE(Utf8ToGbk("a\xF0\x9F\x98\x80z", out));
    EXPECT_EQ("a?z", out);
}

TEST(Gbk, TruncationNeverSplitsACharacter) {
    EXPECT_EQ("通讯", TruncateGbk("通讯管理机", 5));
    EXPECT_EQ("通讯管", TruncateGbk("通讯管理机", 6));
    EXPECT_EQ("ab通", TruncateGbk("ab通讯", 5));
    EXPECT_EQ("abc", TruncateGbk("abc", 64));
    EXPECT_EQ(std::string("\xCD\xA8"), TruncateGbkBytes(std::string("\xCD\xA8\xD1\xB6"), 3));
}

TEST(Gbk, SortsByGbkBytes) {
    // In Unicode 啊 (U+554A) sorts after 阿 (U+963F); in GBK 啊 (B0A1) sorts before 阿 (B0A2).
    EXPECT_LT(CompareGbk("啊", "阿"), 0);
    EXPECT_GT(CompareGbk("阿", "啊"), 0);
    EXPECT_LT(CompareGbk("ab", "abc"), 0);
    EXPECT_EQ(0, CompareGbkNoCase("ABC", "abc"));
}

TEST(Text, NumbersUseTheCLocaleWhateverTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    EXPECT_EQ("1.50,2", StrFormat("%.2f,%d", 1.5, 2));
    EXPECT_DOUBLE_EQ(1.25, AtoF("1.25"));
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!switched)
        GTEST_LOG_(INFO) << "de_DE locale not installed; checked in the C locale only";
}

TEST(Text, AtoIFollowsTheRuntime) {
    EXPECT_EQ(12, AtoI("  12abc"));
    EXPECT_EQ(-7, AtoI("-7"));
    EXPECT_EQ(5, AtoI("+5"));
    EXPECT_EQ(0, AtoI("abc"));
    EXPECT_EQ(0, AtoI(""));
    EXPECT_EQ(0, AtoI("- 3"));
    // Long digit strings saturate instead of wrapping.
    EXPECT_EQ(INT_MAX, AtoI("4294967297"));
    EXPECT_EQ(INT_MIN, AtoI("-4294967297"));
    EXPECT_EQ(LLONG_MAX, AtoLL("9223372036854775807"));
    EXPECT_EQ(LLONG_MAX, AtoLL("9223372036854775808"));
    EXPECT_EQ(LLONG_MAX, AtoLL("99999999999999999999999"));
    EXPECT_EQ(LLONG_MIN, AtoLL("-9223372036854775808"));
    EXPECT_EQ(LLONG_MIN, AtoLL("-99999999999999999999999"));
}

TEST(Text, TrimCaseAndHexDump) {
    EXPECT_EQ("a b", Trim(" \t a b \r\n"));
    EXPECT_TRUE(EqualsNoCase("SCHEDULE", "schedule"));
    EXPECT_FALSE(EqualsNoCase("SCHEDULE", "schedul"));
    std::string bytes;
    for (int i = 0; i < 17; ++i)
        bytes.push_back(static_cast<char>(i == 16 ? 0xEB : i));
    EXPECT_EQ("00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f \neb ", HexDump(bytes));
    EXPECT_EQ("", HexDump(std::string_view()));
    // The device tools' frame monitors write a frame on one line.
    EXPECT_EQ("00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f eb ", HexDump(bytes, 0));
}

TEST(Text, DottedIPv4PutsTheMostSignificantByteFirst) {
    EXPECT_EQ("192.168.1.100", DottedIPv4(0xC0A80164u));
    EXPECT_EQ("0.0.0.0", DottedIPv4(0));
    EXPECT_EQ("255.255.255.255", DottedIPv4(0xFFFFFFFFu));
}

TEST(Text, OnlyCompleteDottedIPv4AddressesAreAddresses) {
    for (const char* good : {"0.0.0.0", "10.0.0.1", "255.255.255.255", "192.168.001.010"})
        EXPECT_TRUE(IsDottedIPv4(good)) << good;
    for (const char* bad : {"", "10.0.0", "10.0.0.", "999.999.1.1", "256.0.0.1", "1.2.3.4.5", "1..2.3",
                            "a.b.c.d", " 1.2.3.4", "1.2.3.4 ", "1234.1.1.1", "1.2.3.-4"})
        EXPECT_FALSE(IsDottedIPv4(bad)) << bad;
}

TEST(TextFile, ReaderCountsLinesAndAcceptsBothLineEnds) {
    CGbkLineReader r;
    r.OpenBytes(ToGbk("[装置]\r\n名称=甲\nlast"));
    std::string line;
    ASSERT_TRUE(r.ReadLine(line));
    EXPECT_EQ("[装置]", line);
    EXPECT_EQ(1, r.LineNumber());
    ASSERT_TRUE(r.ReadLine(line));
    EXPECT_EQ("名称=甲", line);
    ASSERT_TRUE(r.ReadLine(line));
    EXPECT_EQ("last", line);
    EXPECT_EQ(3, r.LineNumber());
    EXPECT_FALSE(r.ReadLine(line));
    EXPECT_EQ(3, r.LineNumber());
}

TEST(TextFile, WriterWritesGbkWithCrLf) {
    testsupport::TempDir dir;
    CGbkTextWriter w;
    ASSERT_TRUE(w.Open(dir / "a.cfg"));
    w.WriteLine("[工程标识]");
    w.Write("a\nb");
    w.WriteLine("");
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(ToGbk("[工程标识]") + "\r\na\r\nb\r\n", testsupport::ReadBytes(dir / "a.cfg"));
    CGbkTextWriter bad;
    EXPECT_FALSE(bad.Open(dir / "missing" / "x.cfg"));
}

// A digest capture tells files apart as the bytes do, however the writes are cut into pieces, and
// holds no copy of them.
TEST(TextFile, ADigestCaptureTellsFilesApartAsTheirBytesDo) {
    auto digest = [](const std::vector<std::string>& pieces, bool reopenToAppend = false) {
        CGbkTextCapture capture(CGbkTextCapture::Keep::Digest);
        CGbkTextWriter w;
        EXPECT_TRUE(w.Open("image/a.ini"));
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (reopenToAppend && i == 1) {
                EXPECT_TRUE(w.Close());
                EXPECT_TRUE(w.Open("image/a.ini", true));
            }
            w.Write(pieces[i]);
        }
        EXPECT_TRUE(w.Close());
        EXPECT_EQ(capture.Files().size(), 1u);
        return capture.Files().begin()->second;
    };
    const std::string big((1 << 16) + 5, 'x');
    const std::string whole = digest({"[工程标识]\n" + big + "尾"});
    EXPECT_EQ(whole, digest({"[工程标识]\n", big, "尾"}));
    EXPECT_EQ(whole, digest({"[工程标识]\n", big + "尾"}, true));
    EXPECT_LT(whole.size(), 64u);
    std::string changed = big;
    changed[1000] = 'y';
    EXPECT_NE(whole, digest({"[工程标识]\n" + changed + "尾"}));
    EXPECT_NE(whole, digest({"[工程标识]\n" + big + "尾\n"}));
    EXPECT_NE(digest({"ab"}), digest({"ba"}));
    // A file opened anew starts its digest again.
    CGbkTextCapture capture(CGbkTextCapture::Keep::Digest);
    CGbkTextWriter w;
    ASSERT_TRUE(w.Open("image/a.ini"));
    w.Write("old");
    ASSERT_TRUE(w.Close());
    ASSERT_TRUE(w.Open("image/a.ini"));
    w.Write("ab");
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(capture.Files().begin()->second, digest({"ab"}));
}

// The digest takes the bytes a word at a time: wherever the writes cut the text, it is the same,
// and a change of any one byte, or of the length, changes it.
TEST(TextFile, ADigestIsTheSameHoweverTheBytesAreCutAndTellsEveryByte) {
    auto digest = [](const std::vector<std::string>& writes) {
        CGbkTextCapture capture(CGbkTextCapture::Keep::Digest);
        CGbkTextWriter w;
        EXPECT_TRUE(w.Open("image/a.ini"));
        for (const std::string& text : writes)
            w.Write(text);
        EXPECT_TRUE(w.Close());
        EXPECT_EQ(capture.Files().size(), 1u);
        return capture.Files().empty() ? std::string() : capture.Files().begin()->second;
    };
    // A writer hands its bytes on at 64 KiB: writes that long reach the digest as they are cut.
    std::string text;
    for (int i = 0; text.size() < 3 * (1u << 16); ++i)
        text += std::to_string(i) + ',';
    const std::string whole = digest({text});
    for (std::size_t a = 0; a < 8; ++a)
        for (std::size_t b = 0; b < 8; ++b) {
            const std::size_t first = (1u << 16) + a, second = (1u << 16) + b;
            EXPECT_EQ(whole, digest({text.substr(0, first), text.substr(first, second),
                                     text.substr(first + second)}))
                << a << ' ' << b;
        }
    text = "0123456789abcdefghijklmnopq"; // three words and three bytes
    std::set<std::string> seen{digest({text})};
    for (std::size_t a = 0; a <= text.size(); ++a) {
        if (a < text.size()) {
            std::string changed = text;
            changed[a] = static_cast<char>(changed[a] ^ 1);
            EXPECT_TRUE(seen.insert(digest({changed})).second) << a;
        }
        EXPECT_TRUE(seen.insert(digest({text.substr(0, a) + std::string(1, '\0')})).second) << a;
    }
}

// A capture of what is written lets the file be written and keeps the digest a digest capture
// gives of the same bytes, named below the folder it stands for.
TEST(TextFile, ADigestOfWrittenFilesMatchesTheDigestOfTheSameBytes) {
    testsupport::TempDir dir;
    const std::string big((1 << 16) + 9, 'z');
    auto write = [&](const std::filesystem::path& path) {
        CGbkTextWriter w;
        EXPECT_TRUE(w.Open(path));
        w.WriteLine("[工程标识]");
        w.Write(big);
        EXPECT_TRUE(w.Close());
    };
    std::string expected;
    {
        CGbkTextCapture capture(CGbkTextCapture::Keep::Digest);
        write("image/a.ini");
        expected = capture.Files().at((std::filesystem::path("image") / "a.ini").string());
    }
    CGbkTextCapture written(CGbkTextCapture::Keep::DigestOfWritten, dir.Path(), "image");
    write(dir / "a.ini");
    EXPECT_EQ(testsupport::ReadBytes(dir / "a.ini"), ToGbk("[工程标识]") + "\r\n" + big);
    ASSERT_EQ(written.Files().size(), 1u);
    EXPECT_EQ(written.Files().begin()->first, (std::filesystem::path("image") / "a.ini").string());
    EXPECT_EQ(written.Files().begin()->second, expected);
}

TEST(TextFile, ACaptureTakesTheWrittenBytesAndCreatesNoFile) {
    testsupport::TempDir dir;
    {
        CGbkTextCapture capture;
        CGbkTextWriter w;
        // A folder that does not exist: nothing is created, so nothing fails.
        ASSERT_TRUE(w.Open(dir / "missing" / "a.cfg"));
        EXPECT_TRUE(w.IsOpen());
        w.WriteLine("[工程标识]");
        w.Write(std::string((1 << 16) + 3, 'x'));
        ASSERT_TRUE(w.Close());
        {
            CGbkTextCapture inner;
            CGbkTextWriter second;
            ASSERT_TRUE(second.Open(dir / "b.cfg"));
            second.WriteLine("内");
            ASSERT_TRUE(second.Close());
            ASSERT_EQ(inner.Files().size(), 1u);
            EXPECT_EQ(inner.Files().begin()->second, ToGbk("内") + "\r\n");
        }
        CGbkTextWriter lossy;
        ASSERT_TRUE(lossy.Open(dir / "c.cfg"));
        lossy.WriteLine("a\xF0\x9F\x98\x80");
        EXPECT_FALSE(lossy.Close());
        ASSERT_EQ(capture.Files().size(), 2u);
        EXPECT_EQ(capture.Files().at((dir / "missing" / "a.cfg").string()),
                  ToGbk("[工程标识]") + "\r\n" + std::string((1 << 16) + 3, 'x'));
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    // Without a capture the writer writes to the disk again.
    CGbkTextWriter w;
    ASSERT_TRUE(w.Open(dir / "d.cfg"));
    w.WriteLine("d");
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(testsupport::ReadBytes(dir / "d.cfg"), "d\r\n");
}

TEST(TextFile, TextBytesKeepExistingCrLfAndNeverDoubleCr) {
    EXPECT_EQ(GbkTextBytes("甲\n乙\r\n丙\r\n\n"),
              ToGbk("甲") + "\r\n" + ToGbk("乙") + "\r\n" + ToGbk("丙") + "\r\n\r\n");
    EXPECT_EQ(GbkTextBytes("a\rb\n"), "a\rb\r\n"); // a lone CR is text, kept as it is

    // A CR handed over with one part of the bytes still counts for the LF that follows.
    CGbkTextBuilder builder;
    builder.WriteLine("头");
    builder.Write("x\r");
    const std::string first = builder.TakeBytes();
    builder.Write("\ny\n");
    EXPECT_EQ(first + builder.TakeBytes(), ToGbk("头") + "\r\nx\r\ny\r\n");
    EXPECT_TRUE(builder.Good());
    builder.Write("a\xF0\x9F\x98\x80");
    EXPECT_FALSE(builder.Good());
}

TEST(TextFile, WriterKeepsCrLfAcrossItsBufferFlush) {
    // The writer hands its buffer to the file every 64 KiB; a CR LF cut by that hand-over stays one
    // line end.
    testsupport::TempDir dir;
    CGbkTextWriter w;
    ASSERT_TRUE(w.Open(dir / "big.txt"));
    const std::string fill((1 << 16) - 1, 'x');
    w.Write(fill + "\r");
    w.Write("\nend");
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(testsupport::ReadBytes(dir / "big.txt"), fill + "\r\nend");

    CGbkTextWriter lossy;
    ASSERT_TRUE(lossy.Open(dir / "lossy.txt"));
    lossy.WriteLine("a\xF0\x9F\x98\x80");
    EXPECT_FALSE(lossy.Good());
    EXPECT_FALSE(lossy.Close());
}

TEST(Gbk, TextsThatSurviveTheConversion) {
    EXPECT_TRUE(platform::SurvivesGbk("/home/通讯装置/配置.ini"));
    EXPECT_TRUE(platform::SurvivesGbk(""));
    EXPECT_FALSE(platform::SurvivesGbk("/tmp/a\xF0\x9F\x98\x80")); // an emoji
    EXPECT_FALSE(platform::SurvivesGbk("\xE0\xB8\x81"));           // a Thai letter
    EXPECT_FALSE(platform::SurvivesGbk("bad\xFF"));                // no UTF-8 at all
}
