// The line reader of the configuration text format: key checks, values, both primitive families
// and their exact report texts.
#include "projectmodel/BaseDoc.h"

#include "platform/Gbk.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include "tests/support/Found.h"

#include <gtest/gtest.h>

using namespace projectmodel;

namespace {

CConfigTextFile FileOf(const std::string& utf8, const std::string& name = "main.ini") {
    CConfigTextFile f;
    f.OpenBytes(platform::ToGbk(utf8), name);
    return f;
}

class BaseDocTest : public ::testing::Test {
protected:
    testsupport::PromptRecorder prompts;
    CBaseDoc doc;
    std::string line, value;
    int n = -7;
};

} // namespace

TEST_F(BaseDocTest, KeyIsPrefixAfterBlanksAndTabs) {
    CConfigTextFile f = FileOf("  数目=3\n\t数目=4\n数目=5\n数目 =6\n数目扩展=7\n");
    for (int expected : {3, 4, 5, 6, 7}) {
        ASSERT_EQ(doc.ReadKeyInt(&f, line, "数目", n), 1);
        EXPECT_EQ(n, expected);
    }
    EXPECT_EQ(doc.GetLineNumber(), 5);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(BaseDocTest, ValueAfterFirstEqualsKeepsTrailingBlanks) {
    CConfigTextFile f = FileOf("名称=a=b\n名称=  x \n名称=\n");
    ASSERT_EQ(doc.ReadKeyValue(&f, line, "名称", value), 1);
    EXPECT_EQ(value, "a=b");
    ASSERT_EQ(doc.ReadKeyValue(&f, line, "名称", value), 1);
    EXPECT_EQ(value, "x ");
    ASSERT_EQ(doc.ReadKeyValue(&f, line, "名称", value), 1);
    EXPECT_EQ(value, "");
}

TEST_F(BaseDocTest, EmptyCountFailsSilentlyAndKeepsNumber) {
    CConfigTextFile f = FileOf("数目=\n数目=  \n");
    EXPECT_EQ(doc.ReadKeyInt(&f, line, "数目", n), 0);
    EXPECT_EQ(doc.ReadKeyInt(&f, line, "数目", n), 0);
    EXPECT_EQ(n, -7);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(BaseDocTest, WrongKeyReportsLineAsRead) {
    CConfigTextFile f = FileOf("[工程标识]\n  名称 x\n");
    ASSERT_EQ(doc.ReadLine(&f, line, "[工程标识]"), 1);
    EXPECT_EQ(doc.ReadKeyValue(&f, line, "名称", value), 0); // no "="
    EXPECT_EQ(prompts.LastText(), "读组态文件错!\n第2行:\n  名称 x");
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).buttons, platform::Buttons::Ok);
}

TEST_F(BaseDocTest, WithoutFileTestsHeldLineSilently) {
    line = "  数目=9";
    EXPECT_EQ(doc.ReadKeyInt(nullptr, line, "数目", n), 1);
    EXPECT_EQ(n, 9);
    EXPECT_EQ(doc.ReadLine(nullptr, line, "地址"), 0);
    EXPECT_EQ(doc.ReadLine(nullptr, line, nullptr), 1);
    EXPECT_EQ(doc.GetLineNumber(), 0);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(BaseDocTest, BracesAndEndOfFile) {
    CConfigTextFile f = FileOf("{ \n{{\n}\n");
    EXPECT_EQ(doc.ReadOpenBrace(&f), 1);
    EXPECT_EQ(doc.ReadOpenBrace(&f), 0);
    EXPECT_EQ(prompts.LastText(), "读组态文件错!\n第2行:\n{{");
    EXPECT_EQ(doc.ReadCloseBrace(&f), 1);
    // Past the end: an empty line with the next number.
    EXPECT_EQ(doc.ReadCloseBrace(&f), 0);
    EXPECT_EQ(prompts.LastText(), "读组态文件错!\n第4行:\n");
    doc.ReportLineError();
    EXPECT_EQ(prompts.LastText(), "读组态文件第4行错");
}

TEST_F(BaseDocTest, ExplicitCounterFamilyTrimsAndNamesFile) {
    CConfigTextFile f = FileOf("  [可变信息]  \n  名称=  a b \n数目=\n  {\n", "ccu_x.cfg");
    int counter = 0;
    EXPECT_EQ(doc.ReadFileExpectLine(&f, counter, line, "[可变信息]"), 1);
    ASSERT_EQ(doc.ReadFileKeyValue(&f, counter, line, "名称", value), 1);
    EXPECT_EQ(value, "a b");
    EXPECT_EQ(doc.ReadFileKeyInt(&f, counter, line, "数目", n), 0);
    EXPECT_EQ(prompts.LastText(), "读组态文件ccu_x.cfg错!\n第3行:\n数目=");
    EXPECT_EQ(doc.ReadFileCloseBrace(&f, counter, line), 0);
    EXPECT_EQ(prompts.LastText(), "读组态文件ccu_x.cfg错!\n第4行:\n  {");
    EXPECT_EQ(counter, 4);
    EXPECT_EQ(doc.GetLineNumber(), 0); // the document's counter is not touched
}

TEST_F(BaseDocTest, ExplicitCounterExpectLineIgnoresCaseOfWholeLine) {
    CConfigTextFile f = FileOf("[Abc]\n[abc] x\n");
    int counter = 0;
    EXPECT_EQ(doc.ReadFileExpectLine(&f, counter, line, "[ABC]"), 1);
    EXPECT_EQ(doc.ReadFileExpectLine(&f, counter, line, "[ABC]"), 0);
    EXPECT_EQ(doc.ReadFileExpectLine(nullptr, counter, line, "[ABC]"), 0);
    EXPECT_EQ(prompts.Count(), 1u);
}

TEST_F(BaseDocTest, ReadsRealFileWithCrLf) {
    testsupport::TempDir dir;
    testsupport::WriteGbkText(dir / "工程.ini", "[组态文件开始]\n格式=2\n");
    CConfigTextFile f;
    ASSERT_TRUE(f.Open(dir / "工程.ini"));
    EXPECT_EQ(f.FileName(), "工程.ini");
    EXPECT_EQ(doc.ReadLine(&f, line, "[组态文件开始]"), 1);
    EXPECT_EQ(line, "[组态文件开始]");
    EXPECT_EQ(doc.ReadKeyInt(&f, line, "格式", n), 1);
    EXPECT_EQ(n, 2);
}
