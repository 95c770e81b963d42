// The cutter that finds the tags of the root's children: on markup of every kind, cut short
// anywhere, it finds what a plain byte-by-byte reading finds.
#include "platform/scl/SclScan.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

using namespace platform::scl::scan;

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The cutter's rules read one byte at a time: a tag ends at the first ">" outside its quoted
// values; comments, sections, instructions and declarations are passed over.
CutRun ReadByBytes(std::string_view text, std::size_t from, std::size_t limit) {
    const char* d = text.data();
    const std::size_t n = text.size();
    CutRun run;
    run.from = from;
    run.limit = limit;
    for (std::size_t pos = from;;) {
        while (pos < n && d[pos] != '<')
            ++pos;
        if (pos >= n) {
            run.exit = npos;
            return run;
        }
        if (run.first == npos)
            run.first = pos;
        if (pos >= limit) {
            run.exit = pos;
            return run;
        }
        const std::size_t skip = SkipSpecial(d, n, pos);
        if (skip == npos) {
            run.failAt = pos;
            return run;
        }
        if (skip != pos) {
            pos = skip;
            continue;
        }
        std::size_t end = npos;
        char quote = 0;
        for (std::size_t i = pos + 1; i < n; ++i) {
            if (quote) {
                if (d[i] == quote)
                    quote = 0;
            } else if (d[i] == '"' || d[i] == '\'') {
                quote = d[i];
            } else if (d[i] == '>') {
                end = i + 1;
                break;
            }
        }
        if (end == npos) {
            run.failAt = pos;
            return run;
        }
        const std::int8_t kind = d[pos + 1] == '/' ? -1 : d[end - 2] == '/' ? 0 : 1;
        if (run.depth <= run.lowest + (kind < 0 ? 1 : 0))
            run.tags.push_back({pos, static_cast<std::uint32_t>(end - pos), kind, run.depth});
        run.depth += kind;
        run.lowest = std::min(run.lowest, run.depth);
        pos = end;
    }
}

// Markup of random pieces: start, end and empty tags with values in either quote holding the
// other quote, ">" and "<"; text with quotes and ">"; comments, sections and instructions holding
// tags; long runs and values that cross the cutter's 64-byte blocks.
std::string RandomMarkup(std::mt19937& random) {
    static const char* const kPieces[] = {
        "<IED name=\"a\">",
        "</IED>",
        "<LN0 lnType='x>y' inst=\"1\"/>",
        "<DOI name=\"it's\" desc='say \"hi\"'>",
        "</DOI>",
        "text \" ' > more",
        "<!-- <IED> '\" -->",
        "<![CDATA[ <a> \" ]]>",
        "<?pi <b> ?>",
        "<DAI name=\"a<b\"/>",
        "\n  ",
        "<Val>1</Val>",
        "<P a=\"\" b=''/>",
        "<x\n y = \"1\"\n/>",
        ">",
        "<DA desc=\"x>y\" name=\"a value > longer than one block of the cutter, 0123456789 0123456789 >\" "
        "b=\"\"/>",
        "<Private "
        "type=\"long\">0123456789012345678901234567890123456789012345678901234567890123456789</Private>",
    };
    std::string text = "<SCL>";
    const int count = std::uniform_int_distribution<int>(0, 60)(random);
    for (int i = 0; i < count; ++i)
        text += kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(random)];
    text += "</SCL>";
    return text;
}

void ExpectSame(const CutRun& got, const CutRun& want, const std::string& text) {
    EXPECT_EQ(got.first, want.first) << text;
    EXPECT_EQ(got.exit, want.exit) << text;
    EXPECT_EQ(got.failAt, want.failAt) << text;
    EXPECT_EQ(got.depth, want.depth) << text;
    EXPECT_EQ(got.lowest, want.lowest) << text;
    ASSERT_EQ(got.tags.size(), want.tags.size()) << text;
    for (std::size_t i = 0; i < got.tags.size(); ++i) {
        EXPECT_EQ(got.tags[i].pos, want.tags[i].pos) << text;
        EXPECT_EQ(got.tags[i].length, want.tags[i].length) << text;
        EXPECT_EQ(got.tags[i].kind, want.tags[i].kind) << text;
        EXPECT_EQ(got.tags[i].depth, want.tags[i].depth) << text;
    }
}

} // namespace

TEST(SclScanTest, CutterFindsWhatAByteByByteReadingFinds) {
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text = RandomMarkup(random);
        // Cut short anywhere: a tag, value, comment or section may run to the end.
        if (round % 2 == 1)
            text.resize(std::uniform_int_distribution<std::size_t>(0, text.size())(random));
        const std::size_t from = std::uniform_int_distribution<std::size_t>(0, text.size())(random);
        const std::size_t limit = round % 3 == 0
                                      ? text.size()
                                      : std::uniform_int_distribution<std::size_t>(from, text.size())(random);
        CutRun run;
        run.from = from;
        run.limit = limit;
        // The bytes past the end are markup that must not be read.
        const std::string buffer = text + std::string(80, '>') + "<a>";
        CutTags(buffer.data(), text.size(), run);
        ExpectSame(run, ReadByBytes(text, from, limit), text);
        if (HasFatalFailure())
            return;
    }
}

// The UTF-8 check of a text cut into runs finds the first invalid byte the check of the whole text
// finds, wherever the runs are cut: among characters of two to four bytes, cut short, stray
// continuation bytes, overlong forms and surrogates.
TEST(SclScanTest, Utf8CheckInRunsFindsTheFirstInvalidByte) {
    static const char* const kPieces[] = {
        "a",    "<x>",      "\xE4\xB8\xAD", "\xC3\xA9",     "\xF0\x9F\x98\x80",
        "\x80", "\xE4\xB8", "\xC0\xAF",     "\xED\xA0\x80", "\xF4\x90\x80\x80",
        "\xFF", " "};
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = std::uniform_int_distribution<int>(0, 40)(random);
        for (int i = 0; i < count; ++i) {
            // Mostly valid text, so that an invalid byte often lies in a late run.
            std::size_t k = std::uniform_int_distribution<std::size_t>(0, 4)(random);
            if (std::uniform_int_distribution<int>(0, 30)(random) == 0)
                k = std::uniform_int_distribution<std::size_t>(5, std::size(kPieces) - 1)(random);
            text += kPieces[k];
        }
        const std::size_t runs = std::uniform_int_distribution<std::size_t>(1, 9)(random);
        EXPECT_EQ(FirstInvalidUtf8InRuns(text, runs), platform::FirstInvalidUtf8(text))
            << testing::PrintToString(text) << " in " << runs << " runs";
    }
}
