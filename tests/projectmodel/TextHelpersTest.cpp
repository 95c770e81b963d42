// Split, trim and parenthesis helpers, and the shared name tables.
#include "projectmodel/TextHelpers.h"
#include "projectmodel/NameTables.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace projectmodel;
using L = CStringList;

TEST(SplitToStringList, RespectsParenthesesAndQuotes) {
    EXPECT_EQ(SplitToStringList("a,b(c,d),'e,f'", ','), (L{"a", "b(c,d)", "'e,f'"}));
    EXPECT_EQ(SplitToStringList("x(1,2),y", ','), (L{"x(1,2)", "y"}));
    EXPECT_EQ(SplitToStringList("\"a,b\" , c ", ','), (L{"\"a,b\"", "c"}));
    EXPECT_EQ(SplitToStringList("", ','), (L{""}));
    EXPECT_EQ(SplitToStringList("a,", ','), (L{"a", ""}));
    EXPECT_EQ(SplitToStringList("0-65535", '-'), (L{"0", "65535"}));
    EXPECT_EQ(SplitToStringList("-5-3", '-'), (L{"", "5", "3"}));
    // A depth below zero blocks splitting until it is back at zero.
    EXPECT_EQ(SplitToStringList("a),b,(c", ','), (L{"a),b,(c"}));
    EXPECT_EQ(SplitToStringList("遥测,遥信", ','), (L{"遥测", "遥信"}));
}

TEST(SplitToStringList, AppendsToExistingList) {
    L list{"x"};
    SplitToStringList("a;b", list, ';');
    EXPECT_EQ(list, (L{"x", "a", "b"}));
}

TEST(TextHelpers, TrimCopyAndBalance) {
    EXPECT_EQ(TrimCopy(" \t\r\n\v\fab c\f\v\n\r\t "), "ab c");
    const std::pair<std::string, std::string> cases[] = {
        {"a)b", "(a)b"},      {"(a(b", "(a(b))"}, {"))", "(())"}, {"((", "(())"},
        {"(a)(b)", "(a)(b)"}, {"", ""},           {")(", "()()"}};
    for (const auto& [in, out] : cases) {
        std::string s = in;
        BalanceParentheses(s);
        EXPECT_EQ(s, out) << in;
    }
}

TEST(TextHelpers, DeleteFileIfExists) {
    testsupport::TempDir dir;
    EXPECT_EQ(DeleteFileIfExists(dir / "missing.txt"), 1);
    testsupport::WriteBytes(dir / "a.txt", "x");
    EXPECT_EQ(DeleteFileIfExists(dir / "a.txt"), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.txt"));
    std::filesystem::create_directories(dir / "full" / "inner");
    EXPECT_EQ(DeleteFileIfExists(dir / "full"), 0); // a folder with content is not removed
}

TEST(NameTables, SerialBitsAndCategories) {
    EXPECT_EQ(SerialControlBitNames[2], "SYN ");
    EXPECT_EQ(SerialControlBitNames[5], "WAIT");
    EXPECT_EQ(SerialStatusBitNames[5], "RXBI");
    for (auto name : SerialControlBitNames)
        EXPECT_EQ(name.size(), 4u);
    EXPECT_EQ(PointCategoryNames[5], "步位置");
    EXPECT_EQ(PointCategoryCodes[6], "OTHER");
    EXPECT_EQ(PointCategoryCodes[7], "YKYX");
    EXPECT_EQ(PointCategoryCodes[8], "DEV");
    EXPECT_EQ(RefTableColumns[1], "装置地址");
    EXPECT_EQ(DeviceTableColumns[3], "映射地址");
    EXPECT_EQ(PointListColumns[7], "FCDA");
}

TEST(NameTables, InfoTypeFromName) {
    for (int i = 0; i < kPointCategoryCount; ++i) {
        EXPECT_EQ(InfoTypeFromName(PointCategoryNames[static_cast<std::size_t>(i)]), i);
        EXPECT_EQ(InfoTypeFromName(PointCategoryCodes[static_cast<std::size_t>(i)]), i);
        // The names written for a type read back to the same type.
        EXPECT_EQ(InfoTypeFromName(PointCategoryName(i)), i);
    }
    EXPECT_EQ(InfoTypeFromName("yk"), 3);
    EXPECT_EQ(InfoTypeFromName("other"), 6);
    EXPECT_EQ(InfoTypeFromName("YXYK"), 7);
    EXPECT_EQ(InfoTypeFromName("ykyx"), 7);
    EXPECT_EQ(InfoTypeFromName("Dev"), 8);
    EXPECT_EQ(InfoTypeFromName(""), 6);
    EXPECT_EQ(InfoTypeFromName("遥测 "), 6);
    EXPECT_EQ(InfoTypeFromName(PointCategoryName(7)), 7);
    EXPECT_EQ(InfoTypeFromName(PointCategoryName(8)), 8);
    EXPECT_EQ(PointCategoryName(9), "");
}
