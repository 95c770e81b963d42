// The line cursor of the configuration text format: one counter over the lines read, key checks
// and values of the main file and of the files it names, and their exact report texts.
#include "projectmodel/LineCursor.h"

#include "platform/Gbk.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace projectmodel;

namespace {

CConfigTextFile FileOf(const std::string& utf8, const std::string& name = "main.ini") {
    CConfigTextFile f;
    f.OpenBytes(platform::ToGbk(utf8), name);
    return f;
}

class LineCursorTest : public ::testing::Test {
protected:
    testsupport::PromptRecorder prompts;
    std::string line, value;
    int n = -7;
};

} // namespace

TEST_F(LineCursorTest, CountsEveryLineReadAndOnPastTheEnd) {
    CConfigTextFile f = FileOf("a\nb\n");
    CLineCursor cur(f);
    EXPECT_EQ(cur.LineNumber(), 0);
    EXPECT_TRUE(cur.Next(line));
    EXPECT_EQ(line, "a");
    EXPECT_EQ(cur.NextLine(), "b");
    EXPECT_EQ(cur.LineNumber(), 2);
    // Past the end: empty lines, still counted, so that a report names the line after the last.
    EXPECT_FALSE(cur.Next(line));
    EXPECT_EQ(line, "");
    EXPECT_EQ(cur.LineNumber(), 3);
    // A cursor that goes on counting where another stopped (a block read from the main file).
    CConfigTextFile g = FileOf("{\n");
    CLineCursor block(g, cur.LineNumber());
    EXPECT_FALSE(block.CloseBrace());
    EXPECT_EQ(prompts.LastText(), "读组态文件错!\n第4行:\n{");
    EXPECT_EQ(block.FileName(), "main.ini");
}

TEST_F(LineCursorTest, KeyIsPrefixAfterBlanksAndTabs) {
    CConfigTextFile f = FileOf("  数目=3\n\t数目=4\n数目=5\n数目 =6\n数目扩展=7\n");
    CLineCursor cur(f);
    for (int expected : {3, 4, 5, 6, 7}) {
        ASSERT_TRUE(cur.KeyInt(line, "数目", n));
        EXPECT_EQ(n, expected);
    }
    EXPECT_EQ(cur.LineNumber(), 5);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(LineCursorTest, ValueAfterFirstEqualsKeepsTrailingBlanks) {
    CConfigTextFile f = FileOf("名称=a=b\n名称=  x \n名称=\n");
    CLineCursor cur(f);
    ASSERT_TRUE(cur.KeyValue(line, "名称", value));
    EXPECT_EQ(value, "a=b");
    ASSERT_TRUE(cur.KeyValue(line, "名称", value));
    EXPECT_EQ(value, "x ");
    ASSERT_TRUE(cur.KeyValue(line, "名称", value));
    EXPECT_EQ(value, "");
}

// An empty number is told with its line, key and all, and the number stays as it was.
TEST_F(LineCursorTest, EmptyCountIsReportedWithItsKeyAndKeepsNumber) {
    CConfigTextFile f = FileOf("数目=\n  数目=  \n");
    CLineCursor cur(f);
    EXPECT_FALSE(cur.KeyInt(line, "数目", n));
    EXPECT_EQ(prompts.LastText(), "读组态文件错!\n第1行:\n数目=");
    EXPECT_FALSE(cur.KeyInt(line, "数目", n));
    EXPECT_EQ(prompts.LastText(), "读组态文件错!\n第2行:\n  数目=  ");
    EXPECT_EQ(n, -7);
    EXPECT_EQ(prompts.Count(), 2u);
}

TEST_F(LineCursorTest, WrongKeyReportsLineAsRead) {
    CConfigTextFile f = FileOf("[工程标识]\n  名称 x\n");
    CLineCursor cur(f);
    ASSERT_TRUE(cur.Line(line, "[工程标识]"));
    EXPECT_FALSE(cur.KeyValue(line, "名称", value)); // no "="
    EXPECT_EQ(prompts.LastText(), "读组态文件错!\n第2行:\n  名称 x");
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).buttons, platform::Buttons::Ok);
}

TEST_F(LineCursorTest, HeldLineIsTestedSilently) {
    line = "  数目=9";
    EXPECT_TRUE(CLineCursor::KeyValueOf(line, "数目", value));
    EXPECT_EQ(value, "9");
    EXPECT_FALSE(CLineCursor::HasPrefix(line, "地址"));
    EXPECT_TRUE(CLineCursor::HasPrefix(line, nullptr));
    EXPECT_FALSE(CLineCursor::KeyValueOf("数目 9", "数目", value));
    EXPECT_TRUE(CLineCursor::FileKeyIntOf("  地址 = 12 ", "地址", n));
    EXPECT_EQ(n, 12);
    EXPECT_FALSE(CLineCursor::FileKeyIntOf("地址=", "地址", n));
    EXPECT_EQ(n, 12);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(LineCursorTest, BracesAndEndOfFile) {
    CConfigTextFile f = FileOf("{ \n{{\n}\n");
    CLineCursor cur(f);
    EXPECT_TRUE(cur.OpenBrace());
    EXPECT_FALSE(cur.OpenBrace());
    EXPECT_EQ(prompts.LastText(), "读组态文件错!\n第2行:\n{{");
    EXPECT_TRUE(cur.CloseBrace());
    // Past the end: an empty line with the next number.
    EXPECT_FALSE(cur.CloseBrace());
    EXPECT_EQ(prompts.LastText(), "读组态文件错!\n第4行:\n");
    cur.ReportLineError();
    EXPECT_EQ(prompts.LastText(), "读组态文件第4行错");
    CLineCursor::ReportReadErrorAt(2, "甲采用了非单一的运算符");
    EXPECT_EQ(prompts.LastText(), "读组态文件错!\n第2行:\n甲采用了非单一的运算符");
}

// The checks of the named files share the one counter with the main file's checks.
TEST_F(LineCursorTest, NamedFileChecksTrimAndNameTheFile) {
    CConfigTextFile f = FileOf("  [可变信息]  \n  名称=  a b \n数目=\n  {\n数目=2\n", "ccu_x.cfg");
    CLineCursor cur(f);
    EXPECT_TRUE(cur.ExpectLine(line, "[可变信息]"));
    ASSERT_TRUE(cur.FileKeyValue(line, "名称", value));
    EXPECT_EQ(value, "a b");
    EXPECT_FALSE(cur.FileKeyInt(line, "数目", n));
    EXPECT_EQ(prompts.LastText(), "读组态文件ccu_x.cfg错!\n第3行:\n数目=");
    EXPECT_FALSE(cur.FileCloseBrace(line));
    EXPECT_EQ(prompts.LastText(), "读组态文件ccu_x.cfg错!\n第4行:\n  {");
    EXPECT_TRUE(cur.KeyInt(line, "数目", n));
    EXPECT_EQ(n, 2);
    EXPECT_EQ(cur.LineNumber(), 5);
    cur.ReportFileError("描述项至少为5个");
    EXPECT_EQ(prompts.LastText(), "读组态文件ccu_x.cfg错!\n第5行:\n描述项至少为5个");
}

TEST_F(LineCursorTest, ExpectLineIgnoresCaseOfWholeLine) {
    CConfigTextFile f = FileOf("[Abc]\n[abc] x\nanything\n");
    CLineCursor cur(f);
    EXPECT_TRUE(cur.ExpectLine(line, "[ABC]"));
    EXPECT_FALSE(cur.ExpectLine(line, "[ABC]"));
    EXPECT_TRUE(cur.ExpectLine(line, nullptr));
    EXPECT_EQ(prompts.Count(), 1u);
}

TEST_F(LineCursorTest, ReadsRealFileWithCrLf) {
    testsupport::TempDir dir;
    testsupport::WriteGbkText(dir / "工程.ini", "[组态文件开始]\n格式=2\n");
    CConfigTextFile f;
    ASSERT_TRUE(f.Open(dir / "工程.ini"));
    EXPECT_EQ(f.FileName(), "工程.ini");
    CLineCursor cur(f);
    EXPECT_TRUE(cur.Line(line, "[组态文件开始]"));
    EXPECT_EQ(line, "[组态文件开始]");
    EXPECT_TRUE(cur.KeyInt(line, "格式", n));
    EXPECT_EQ(n, 2);
}
