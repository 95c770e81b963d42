// The Excel writer: a workbook written and read back from its zip, and its failures.
#include "points/ExcelBook.h"
#include "points/XlsxLibrary.h"

#include "platform/scl/SCLService.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
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

TEST(ExcelBookTest, TheWriterLibraryIsLoadedWhenFirstUsedAndAFailureNamesIt) {
    std::string error;
    const CXlsxLibrary* lib = CXlsxLibrary::Get(error);
    ASSERT_NE(lib, nullptr) << error;
    EXPECT_NE(lib->workbook_close, nullptr);
    EXPECT_EQ(CXlsxLibrary::Get(error), lib);

    CXlsxLibrary other;
    EXPECT_FALSE(CXlsxLibrary::Load("libqxm-no-such-writer.so", other, error));
    EXPECT_EQ(error, "无法加载Excel写入库libqxm-no-such-writer.so");
    // A library without the writer's functions is refused, naming the first one missing.
    EXPECT_FALSE(CXlsxLibrary::Load("libz.so.1", other, error));
    EXPECT_EQ(error, "Excel写入库libz.so.1缺少workbook_new_opt");
    EXPECT_EQ(other.workbook_new_opt, nullptr);
}

TEST(ExcelBookTest, FailuresAreShownAndStopTheBook) {
    testsupport::TempDir tmp;
    testsupport::PromptRecorder prompts;
    CExcelBook none;
    EXPECT_EQ(none.Open((tmp / "no" / "such" / "a.xlsx").string()), 0);
    EXPECT_FALSE(none.CreateSheet({"a"}));

    CExcelBook book;
    ASSERT_NE(book.Open((tmp / "b.xlsx").string()), 0);
    // A name the format does not take is made valid, not refused.
    book.SetSheetName("a[b]");
    EXPECT_TRUE(book.CreateSheet({"a"}));
    EXPECT_TRUE(book.Close());
    EXPECT_EQ(prompts.Count(), 0u);
}

// The texts of a sheet read back from the written book, with its XML parsed.
std::vector<std::string> SheetTexts(const std::filesystem::path& book, int sheet,
                                    const testsupport::TempDir& tmp) {
    const auto xml = tmp / ("sheet" + std::to_string(sheet) + ".xml");
    {
        std::ofstream out(xml, std::ios::binary);
        out << Unzip(book, "xl/worksheets/sheet" + std::to_string(sheet) + ".xml");
    }
    platform::CSCLService scl;
    scl.SetRootName("worksheet");
    scl.SetXmlFileName(xml.string());
    std::vector<std::string> texts;
    EXPECT_EQ(scl.LoadFromXmlFile(), 1) << scl.GetErrorText();
    platform::scl::CtEleList cells;
    scl.GetRoot().FindEleListByName("t", cells, true);
    for (const auto& t : cells)
        texts.push_back(t.GetValue());
    return texts;
}

TEST(ExcelBookTest, EveryTableGetsAValidSheetAndLongTextsAreCutOnACharacter) {
    testsupport::TempDir tmp;
    testsupport::PromptRecorder prompts;
    const auto file = tmp / "p.xlsx";
    const std::string longName = "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二三";
    const std::string longText = std::string(32766, 'a') + "遥信量";
    {
        CExcelBook book;
        ASSERT_NE(book.Open(file.string()), 0);
        for (const std::string& name : {std::string("遥信:表"), longName, std::string("遥信:表"),
                                        std::string("'a[b]'"), std::string()}) {
            book.SetSheetName(name);
            ASSERT_TRUE(book.CreateSheet({"描述"})) << name;
            ASSERT_TRUE(book.AddRow({longText}));
        }
        EXPECT_TRUE(book.Close());
    }
    EXPECT_EQ(prompts.Count(), 0u);
    const std::string workbook = Unzip(file, "xl/workbook.xml");
    for (const std::string& name : {std::string("遥信_表"), longName.substr(0, 31 * 3),
                                    std::string("遥信_表(2)"), std::string("_a_b__"), std::string("Sheet")})
        EXPECT_NE(workbook.find("name=\"" + name + "\""), std::string::npos) << name << workbook;
    for (int sheet = 1; sheet <= 5; ++sheet) {
        const std::vector<std::string> texts = SheetTexts(file, sheet, tmp);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1], std::string(32766, 'a') + "遥");
    }
}

TEST(ExcelBookTest, TextAWorkbookCannotHoldIsNeverWrittenAndTheBookFails) {
    testsupport::TempDir tmp;
    testsupport::PromptRecorder prompts;
    const std::string gbk = "\xD6\xF7\xB1\xE4"; // "主变" in GBK bytes
    const struct {
        const char* what;
        std::string sheet, cell;
        std::string message;
    } cases[] = {
        {"a cell", "装置", gbk, "工作表装置第2行第2列的文字含有无效的字符，无法写入工作簿"},
        {"a sheet name", "装置" + gbk, "x", "工作表名称含有无效的字符，无法写入工作簿"},
        // UTF-8, but characters no XML document may hold: the book could not be opened.
        {"a cell of U+FFFF", "装置", "开入\xEF\xBF\xBF",
         "工作表装置第2行第2列的文字含有无效的字符，无法写入工作簿"},
        {"a sheet name of U+FFFE", "装置\xEF\xBF\xBE", "x", "工作表名称含有无效的字符，无法写入工作簿"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.Clear();
        const auto file = tmp / (std::string(c.what) + ".xlsx");
        CExcelBook book;
        ASSERT_NE(book.Open(file.string()), 0);
        book.SetSheetName(c.sheet);
        if (book.CreateSheet({"序号", "描述"})) {
            EXPECT_FALSE(book.AddRow({"1", c.cell}));
        }
        EXPECT_FALSE(book.AddRow({"2", "after"}));
        EXPECT_FALSE(book.Close());
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{c.message});
    }
    // Control characters are written so that the sheet stays well-formed XML.
    const auto file = tmp / "control.xlsx";
    {
        CExcelBook book;
        ASSERT_NE(book.Open(file.string()), 0);
        ASSERT_TRUE(book.CreateSheet({"描述"}));
        EXPECT_TRUE(book.AddRow({"a\x01b\x1F"}));
        EXPECT_TRUE(book.Close());
    }
    const std::string sheet = Unzip(file, "xl/worksheets/sheet1.xml");
    EXPECT_EQ(sheet.find('\x01'), std::string::npos) << sheet;
    EXPECT_EQ(sheet.find('\x1F'), std::string::npos) << sheet;
}

} // namespace
