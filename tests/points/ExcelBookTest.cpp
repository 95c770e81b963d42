// The Excel writer: a workbook written and read back from its zip, and its failures.
#include "points/ExcelBook.h"

#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace points;

namespace {

std::string Unzip(const std::filesystem::path& file, const std::string& entry) {
    const std::string cmd = "unzip -p '" + file.string() + "' '" + entry + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    std::string out;
    char buf[4096];
    std::size_t n;
    while (pipe && (n = fread(buf, 1, sizeof buf, pipe.get())) > 0)
        out.append(buf, n);
    return out;
}

TEST(ExcelBookTest, WritesTitlesAndRowsIntoTheNamedSheet) {
    testsupport::TempDir tmp;
    testsupport::PromptRecorder prompts;
    const auto file = tmp / "测点.xlsx";
    {
        CExcelBook book;
        ASSERT_NE(book.Open(file.string()), 0);
        book.SetSheetName("装置1");
        ASSERT_TRUE(book.CreateSheet({"序号", "描述", "引用"}));
        EXPECT_EQ(book.GetColumnCount(), 3);
        EXPECT_TRUE(book.AddRow({"1", "断路器'合位", "CTRL/XCBR1$ST$Pos$stVal"}));
        EXPECT_TRUE(book.AddRow({"2", "", "<&>", "past the last column"}));
        EXPECT_TRUE(book.Close());
    }
    EXPECT_EQ(prompts.Count(), 0u);
    const std::string sheet = Unzip(file, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<t>序号</t>"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("断路器'合位"), std::string::npos);
    EXPECT_NE(sheet.find("&lt;&amp;&gt;"), std::string::npos);
    EXPECT_EQ(sheet.find("past the last column"), std::string::npos);
    EXPECT_NE(sheet.find("r=\"3\""), std::string::npos);
    EXPECT_NE(Unzip(file, "xl/workbook.xml").find("name=\"装置1\""), std::string::npos);
}

TEST(ExcelBookTest, FailuresAreShownAndStopTheBook) {
    testsupport::TempDir tmp;
    testsupport::PromptRecorder prompts;
    CExcelBook none;
    EXPECT_EQ(none.Open((tmp / "no" / "such" / "a.xlsx").string()), 0);
    EXPECT_FALSE(none.CreateSheet({"a"}));

    CExcelBook book;
    ASSERT_NE(book.Open((tmp / "b.xlsx").string()), 0);
    book.SetSheetName("a[b]");
    EXPECT_FALSE(book.CreateSheet({"a"}));
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Messages()[0].caption, "错误");
    EXPECT_EQ(prompts.Messages()[0].icon, platform::Icon::Error);
    EXPECT_FALSE(book.GetLastError().empty());
    book.SetSheetName("ok");
    EXPECT_FALSE(book.CreateSheet({"a"}));
    EXPECT_FALSE(book.AddRow({"x"}));
}

} // namespace
