// The eight-byte text of the entry fields: texts on both sides of the six bytes kept in the word,
// copies that share a block and moves that must not lose one, assignments from the text's own
// bytes.
#include "projectmodel/CompactText.h"
#include "projectmodel/InfoEntry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using projectmodel::CCompactText;

namespace {

TEST(CompactText, HoldsEveryLength) {
    std::string text;
    for (int n = 0; n < 40; ++n) {
        const CCompactText t(text);
        EXPECT_EQ(t.size(), text.size());
        EXPECT_EQ(t.empty(), text.empty());
        EXPECT_EQ(t.View(), text);
        EXPECT_EQ(t.str(), text);
        text += static_cast<char>('a' + n % 26);
    }
    // Multi-byte texts: one character of three bytes, two (six bytes), three (nine).
    for (const char* s : {"合", "遥信", "特殊遥信", "定值区号"})
        EXPECT_EQ(CCompactText(s).View(), s);
    EXPECT_TRUE(CCompactText().empty());
    EXPECT_TRUE(CCompactText(static_cast<const char*>(nullptr)).empty());
    EXPECT_EQ(sizeof(CCompactText), sizeof(void*));
}

// The zero after the text lies within the object, whatever follows it in memory: texts of up to
// eight bytes (the size of the word) are read with non-zero bytes right behind the object.
TEST(CompactText, TheTerminatorLiesWithinTheObject) {
    struct Guarded {
        CCompactText text;
        std::uint64_t after = 0x4141414141414141u;
        std::uint64_t stop = 0;
    };
    std::string text;
    for (int n = 0; n <= 9; ++n) {
        SCOPED_TRACE(n);
        Guarded g{CCompactText(text)};
        EXPECT_EQ(std::strlen(g.text.c_str()), text.size());
        EXPECT_EQ(std::string(g.text.c_str()), text);
        Guarded copy{g.text};
        EXPECT_EQ(std::strlen(copy.text.c_str()), text.size());
        text += static_cast<char>('1' + n);
    }
}

TEST(CompactText, CopiesAndMovesKeepTheirOwnText) {
    for (const std::string& text :
         {std::string("分"), std::string(",CDC=SPS;ctlModel=direct-with-normal-security")}) {
        CCompactText a(text);
        CCompactText b(a);
        a = "x";
        EXPECT_EQ(b.View(), text);
        CCompactText c(std::move(b));
        EXPECT_EQ(c.View(), text);
        EXPECT_TRUE(b.empty()); // NOLINT(bugprone-use-after-move): a moved-from text is empty
        CCompactText d;
        d = c;
        c.clear();
        EXPECT_EQ(d.View(), text);
        d = d; // NOLINT(clang-diagnostic-self-assign-overloaded)
        EXPECT_EQ(d.View(), text);
        d = std::move(d); // NOLINT
        EXPECT_EQ(d.View(), text);
    }
    // Assigned from its own bytes: the old block is freed only after the new one is made.
    CCompactText long1("0123456789abcdef");
    long1 = long1.View().substr(3);
    EXPECT_EQ(long1.View(), "3456789abcdef");
    long1 = long1.View().substr(8);
    EXPECT_EQ(long1.View(), "bcdef");
    long1 += "ghijkl";
    EXPECT_EQ(long1.View(), "bcdefghijkl");
    long1 += long1.View();
    EXPECT_EQ(long1.View(), "bcdefghijklbcdefghijkl");

    // In a vector that grows, each text stays with its element.
    std::vector<CCompactText> many;
    for (int i = 0; i < 100; ++i)
        many.emplace_back(std::string(static_cast<std::size_t>(i % 12), 'k') + std::to_string(i));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(many[static_cast<std::size_t>(i)].str(),
                  std::string(static_cast<std::size_t>(i % 12), 'k') + std::to_string(i));
}

// Copies share the block of a long text: each keeps the text whatever the others become, on
// whichever thread they are dropped, and the last one frees it.
TEST(CompactText, SharedBlocksOutliveEveryOtherHolder) {
    const std::string text = "LD0/MMXU1$MX$PhV$phsA$cVal$mag$f";
    auto original = std::make_unique<CCompactText>(text);
    CCompactText kept(*original);
    EXPECT_EQ(kept.c_str(), original->c_str()); // one block
    // Assigned a part of the block it shares: the other holder keeps the whole text.
    CCompactText part(kept);
    part = part.View().substr(4);
    EXPECT_EQ(part.View(), text.substr(4));
    part = kept;
    part += "!";
    EXPECT_EQ(part.View(), text + "!");
    EXPECT_EQ(kept.View(), text);
    original.reset();
    EXPECT_EQ(kept.View(), text);

    std::vector<std::thread> threads;
    std::vector<std::vector<CCompactText>> copies(4);
    for (auto& mine : copies)
        threads.emplace_back([&kept, &mine] {
            for (int i = 0; i < 2000; ++i) {
                mine.push_back(kept);
                if (i % 3 == 0)
                    mine.erase(mine.begin());
            }
        });
    for (std::thread& t : threads)
        t.join();
    kept = "short";
    for (const auto& mine : copies) {
        ASSERT_FALSE(mine.empty());
        EXPECT_EQ(mine.front().View(), text);
        EXPECT_EQ(mine.back().View(), text);
    }
}

TEST(CompactText, ComparesJoinsAndPrintsAsAString) {
    const CCompactText t("合规则");
    EXPECT_TRUE(t == "合规则");
    EXPECT_TRUE("合规则" == t);
    EXPECT_TRUE(t == std::string("合规则"));
    EXPECT_FALSE(t == "合规");
    EXPECT_TRUE(t != CCompactText("分规则"));
    EXPECT_EQ("a=" + t + ";", "a=合规则;");
    EXPECT_EQ(std::string("b") + t, "b合规则");
    std::string line = "x";
    line += t;
    EXPECT_EQ(line, "x合规则");
    std::ostringstream out;
    out << t;
    EXPECT_EQ(out.str(), "合规则");
}

TEST(CompactText, EntriesWithCompactFieldsCompareAndCopyByValue) {
    projectmodel::CInfoEntry a;
    ASSERT_TRUE(
        a.ParseReference("1,2,3,断路器,,5,合,分,FCDA=LD/XCBR1$ST$Pos$stVal;CDC=DPS;合规则=R1;分规则=R2"));
    projectmodel::CInfoEntry b = a;
    EXPECT_EQ(a, b);
    b.m_strOpenRule = "R3";
    EXPECT_NE(a, b);
    EXPECT_EQ(a.m_strOpenRule, "R2");
    EXPECT_EQ(a.m_strField7, "合");
    EXPECT_EQ(a.m_strField6, "5");
}

} // namespace
