#include "configtool/model/MgrIpFile.h"
#include "configtool/model/MgrTime.h"
#include "configtool/model/ProjectFolderRules.h"
#include "configtool/model/TextFormat.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

using namespace qxm7740;

namespace fs = std::filesystem;
using testsupport::PromptRecorder;
using testsupport::TempDir;

TEST(TextFormat, HexBreaksEverySixteenBytesAndEndsWithNewline) {
    std::vector<std::uint8_t> bytes(20);
    for (int i = 0; i < 20; ++i)
        bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
    std::string text = CTextFormat::Hex(bytes.data(), bytes.size(), true);
    EXPECT_EQ("a0 a1 a2 a3 a4 a5 a6 a7 a8 a9 aa ab ac ad ae af \nb0 b1 b2 b3 \n", text);
    EXPECT_EQ("a0 a1 a2 a3 a4 ", CTextFormat::Hex(bytes.data(), 5, false));
    EXPECT_EQ("", CTextFormat::Hex(bytes.data(), 0, true));
    // Other widths keep the numbers and move the breaks.
    EXPECT_EQ("a0 a1 \na2 a3 \na4 ", CTextFormat::Hex(bytes.data(), 5, false, 2));
    EXPECT_EQ(std::string(20 * 3, 'x').size(), CTextFormat::Hex(bytes.data(), 20, false, 0).size());
    EXPECT_EQ("ok\n", CTextFormat::Line("ok", true));
    EXPECT_EQ("ok", CTextFormat::Line("ok", false));
}

TEST(ProjectFolderRules, NamesThatCannotBeOneFolderAreRefused) {
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "../x"})
        EXPECT_FALSE(CProjectFolderRules::IsValidProjectName(bad)) << bad;
    EXPECT_FALSE(CProjectFolderRules::IsValidProjectName(std::string("a\0b", 3)));
    EXPECT_FALSE(CProjectFolderRules::IsValidProjectName(std::string(256, 'a')));
    EXPECT_TRUE(CProjectFolderRules::IsValidProjectName("新建工程"));
    EXPECT_TRUE(CProjectFolderRules::IsValidProjectName("...a"));
}

TEST(ProjectFolderRules, TrailingSeparatorsLeadToTheSamePath) {
    EXPECT_EQ(fs::path("/p/Project/甲"), CProjectFolderRules::ProjectPath("/p/Project", "甲"));
    EXPECT_EQ(fs::path("/p/Project/甲"), CProjectFolderRules::ProjectPath("/p/Project/", "甲"));
    EXPECT_EQ(fs::path("/p/Project/甲"), CProjectFolderRules::ProjectPath("/p/Project\\\\", "甲"));
    EXPECT_EQ("/", CProjectFolderRules::StripTrailingSeparators("//"));
    EXPECT_EQ("/a/b", CProjectFolderRules::StripTrailingSeparators("/a\\b\\\\"));
}

TEST(ProjectFolderRules, CheckOrderAndRemovalStaysInsideTheProjectsFolder) {
    TempDir dir;
    const std::string folder = dir.Path().string();
    fs::path path;
    EXPECT_EQ(CProjectFolderRules::Check::Empty, CProjectFolderRules::CheckNewProject("", "x", path));
    EXPECT_EQ(CProjectFolderRules::Check::Empty, CProjectFolderRules::CheckNewProject(folder, "", path));
    EXPECT_EQ(CProjectFolderRules::Check::BadName, CProjectFolderRules::CheckNewProject(folder, "..", path));
    EXPECT_EQ(CProjectFolderRules::Check::Ok, CProjectFolderRules::CheckNewProject(folder, "甲", path));
    EXPECT_EQ(dir.Path() / "甲", path);

    // An existing project with contents, and a link inside it to something outside.
    fs::create_directories(dir / "甲" / "ProjectV1.00");
    testsupport::WriteBytes(dir / "甲" / "ProjectV1.00" / "U.ini", "x");
    fs::create_directories(dir / "outside");
    testsupport::WriteBytes(dir / "outside" / "keep.txt", "keep");
    fs::create_directory_symlink(dir / "outside", dir / "甲" / "link");
    EXPECT_EQ(CProjectFolderRules::Check::Exists,
              CProjectFolderRules::CheckNewProject(folder + "/", "甲", path));
    EXPECT_TRUE(CProjectFolderRules::RemoveProject(folder + "/", "甲"));
    EXPECT_FALSE(fs::exists(dir / "甲"));
    EXPECT_TRUE(fs::exists(dir / "outside" / "keep.txt"));

    // An unsafe name never removes anything.
    EXPECT_FALSE(CProjectFolderRules::RemoveProject((dir / "outside").string(), ".."));
    EXPECT_FALSE(CProjectFolderRules::RemoveProject(folder, "outside/keep.txt"));
    EXPECT_TRUE(fs::exists(dir / "outside" / "keep.txt"));
}

namespace {
CMgrIpFile::Rows SampleRows() {
    CMgrIpFile::Rows rows;
    for (int i = 0; i < CMgrIpFile::kRowCount; ++i)
        rows[i] = {"192.168.1." + std::to_string(i + 1), "255.255.255.0", i == 2 ? "" : "192.168.1.254"};
    return rows;
}
} // namespace

TEST(MgrIpFile, WritesSixSectionsInTableOrderAsGbkWithCrLfAndReadsThemBack) {
    PromptRecorder rec;
    TempDir dir;
    CMgrIpFile::Rows rows = SampleRows();
    rows[5].address = "备用";
    ASSERT_TRUE(CMgrIpFile::Write(dir / "7-PCTCP.ini", rows));
    const std::string bytes = testsupport::ReadBytes(dir / "7-PCTCP.ini");
    std::string expected;
    const char* sections[] = {"[arm0-ethnet1]", "[arm0-ethnet2]", "[arm1-ethnet1]",
                              "[arm1-ethnet2]", "[arm2-ethnet1]", "[arm2-ethnet2]"};
    for (int i = 0; i < 6; ++i)
        expected += std::string(sections[i]) + "\r\nip-address=" + rows[i].address +
                    "\r\nsubnet-mask=" + rows[i].mask + "\r\nrouter=" + rows[i].gateway + "\r\n";
    EXPECT_EQ(platform::ToGbk(expected), bytes);

    CMgrIpFile::Rows back;
    EXPECT_EQ(CMgrIpFile::ReadResult::Ok, CMgrIpFile::Read(dir / "7-PCTCP.ini", back));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rows[i].address, back[i].address);
        EXPECT_EQ(rows[i].mask, back[i].mask);
        EXPECT_EQ(rows[i].gateway, back[i].gateway);
    }
    EXPECT_EQ(0u, rec.Count());

    // Never-filled cells are written as empty values.
    ASSERT_TRUE(CMgrIpFile::Write(dir / "e.ini", CMgrIpFile::Rows{}));
    const std::string empty = testsupport::ReadBytes(dir / "e.ini");
    EXPECT_EQ(6 * 4, std::count(empty.begin(), empty.end(), '\n'));
    EXPECT_NE(std::string::npos, empty.find("[arm2-ethnet2]\r\nip-address=\r\nsubnet-mask=\r\nrouter=\r\n"));
}

TEST(MgrIpFile, ReaderFillsBySectionNameAndStopsAtFormatErrors) {
    CMgrIpFile::Rows rows;
    // Sections out of order and in another case; the value is what follows the first "=".
    EXPECT_EQ(
        CMgrIpFile::ReadResult::Ok,
        CMgrIpFile::ParseBytes("[ARM2-ETHNET2]\r\nip-address=10.0.0.6\r\nrouter=a=b\r\n[arm0-ethnet1]\r\n"
                               "subnet-mask=255.0.0.0\r\n",
                               rows));
    EXPECT_EQ("10.0.0.6", rows[5].address);
    EXPECT_EQ("a=b", rows[5].gateway);
    EXPECT_EQ("255.0.0.0", rows[0].mask);

    CMgrIpFile::Rows partial;
    EXPECT_EQ(CMgrIpFile::ReadResult::BadFormat,
              CMgrIpFile::ParseBytes("[arm1-ethnet1]\nip-address=1.1.1.1\n\nrouter=2.2.2.2\n", partial));
    EXPECT_EQ("1.1.1.1", partial[2].address);
    EXPECT_EQ("", partial[2].gateway);

    CMgrIpFile::Rows none;
    EXPECT_EQ(CMgrIpFile::ReadResult::BadFormat,
              CMgrIpFile::ParseBytes("ip-address=1.1.1.1\n[arm0-ethnet1]\n", none));
    EXPECT_EQ(CMgrIpFile::ReadResult::BadFormat, CMgrIpFile::ParseBytes("[arm3-ethnet1]\n", none));

    PromptRecorder rec;
    TempDir dir;
    testsupport::WriteBytes(dir / "bad.ini", "ip-address=1.1.1.1\r\n");
    EXPECT_EQ(CMgrIpFile::ReadResult::BadFormat, CMgrIpFile::Read(dir / "bad.ini", none));
    EXPECT_EQ("IP文件格式错误！", rec.LastText());
    EXPECT_EQ(CMgrIpFile::ReadResult::CannotOpen, CMgrIpFile::Read(dir / "missing.ini", none));
    EXPECT_EQ("IP文件:" + (dir / "missing.ini").string() + "，无法打开！", rec.LastText());
}

TEST(MgrIpFile, NumbersAndFailedWrites) {
    EXPECT_EQ("12-PCTCP.ini", CMgrIpFile::FileNameFor("12"));
    EXPECT_EQ("", CMgrIpFile::FileNameFor(""));
    EXPECT_TRUE(CMgrIpFile::IsValidNumber("12"));
    EXPECT_FALSE(CMgrIpFile::IsValidNumber(""));
    EXPECT_FALSE(CMgrIpFile::IsValidNumber("../12"));
    EXPECT_EQ("[arm2-ethnet1]", CMgrIpFile::SectionName(4));

    PromptRecorder rec;
    TempDir dir;
    EXPECT_FALSE(CMgrIpFile::Write(dir / "no" / "such" / "1-PCTCP.ini", SampleRows()));
    EXPECT_EQ("管理机IP配置文件创建失败！", rec.LastText());
    // Each step of the replacement failing in turn keeps the file there was, and says so.
    const auto file = dir / "2-PCTCP.ini";
    ASSERT_TRUE(CMgrIpFile::Write(file, SampleRows()));
    const std::string before = testsupport::ReadBytes(file);
    for (platform::FileStep step : {platform::FileStep::Open, platform::FileStep::Write,
                                    platform::FileStep::Sync, platform::FileStep::Rename}) {
        {
            platform::CFileFaults faults;
            faults.FailFrom(step, 1);
            rec.Clear();
            EXPECT_FALSE(CMgrIpFile::Write(file, CMgrIpFile::Rows{})) << int(step);
            EXPECT_GE(faults.Failed(step), 1) << int(step);
        }
        EXPECT_EQ("管理机IP配置文件创建失败！", rec.LastText());
        EXPECT_EQ(testsupport::ReadBytes(file), before) << int(step);
    }
    // A line break inside a value cannot add lines of its own.
    CMgrIpFile::Rows rows;
    rows[0].address = "1.1.1.1\r\n[arm2-ethnet2]";
    EXPECT_EQ(0u, CMgrIpFile::Format(rows).find("[arm0-ethnet1]\nip-address=1.1.1.1\nsubnet-mask=\n"));
}

TEST(MgrTime, RangesAreCheckedFieldByFieldInOrder) {
    CMgrTime t;
    int field = -1;
    std::string message;
    EXPECT_TRUE(t.ParseChecked({"3000", "12", "31", "23", "59", "59", "999"}, field, message));
    EXPECT_EQ(3000u, t.values[CMgrTime::Year]);
    EXPECT_TRUE(t.ParseChecked({"0", "1", "1", "0", "0", "0", "0"}, field, message));

    struct Case {
        std::array<std::string, CMgrTime::FieldCount> texts;
        int field;
        const char* message;
    } cases[] = {
        {{"3001", "1", "1", "0", "0", "0", "0"}, CMgrTime::Year, "请输入一个在 0 和 3000 之间的整数。"},
        {{"2024", "0", "1", "0", "0", "0", "0"}, CMgrTime::Month, "请输入一个在 1 和 12 之间的整数。"},
        {{"2024", "13", "32", "0", "0", "0", "0"}, CMgrTime::Month, "请输入一个在 1 和 12 之间的整数。"},
        {{"2024", "1", "32", "0", "0", "0", "0"}, CMgrTime::Day, "请输入一个在 1 和 31 之间的整数。"},
        {{"2024", "1", "1", "24", "0", "0", "0"}, CMgrTime::Hour, "请输入一个在 0 和 23 之间的整数。"},
        {{"2024", "1", "1", "0", "60", "0", "0"}, CMgrTime::Minute, "请输入一个在 0 和 59 之间的整数。"},
        {{"2024", "1", "1", "0", "0", "60", "0"}, CMgrTime::Second, "请输入一个在 0 和 59 之间的整数。"},
        {{"2024", "1", "1", "0", "0", "0", "1000"},
         CMgrTime::Millisecond,
         "请输入一个在 0 和 999 之间的整数。"},
        {{"2024", "-1", "1", "0", "0", "0", "0"}, CMgrTime::Month, "请输入一个正整数。"},
        {{"", "1", "1", "0", "0", "0", "0"}, CMgrTime::Year, "请输入一个正整数。"},
        {{"99999999999", "1", "1", "0", "0", "0", "0"}, CMgrTime::Year, "请输入一个正整数。"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(t.ParseChecked(c.texts, field, message));
        EXPECT_EQ(c.field, field);
        EXPECT_EQ(c.message, message);
    }

    CMgrTime now = CMgrTime::Now();
    EXPECT_GE(now.values[CMgrTime::Year], 2024u);
    for (int i = 0; i < CMgrTime::FieldCount; ++i) {
        EXPECT_GE(now.values[i], CMgrTime::Min(i));
        EXPECT_LE(now.values[i], CMgrTime::Max(i));
    }
}
