// The ceilings on the files of a project's library: a file beyond its kind's ceiling refuses the
// open before anything of the library is read, naming the file and the ceiling.
#include "projectmodel/LibraryFileBounds.h"
#include "projectmodel/ConfigDoc.h"
#include "tests/projectmodel/DocFixture.h"
#include "tests/support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace projectmodel;
namespace fs = std::filesystem;

namespace {

class LibraryFileBoundsTest : public doctest::DocFixture {};

// A file of the given size whose bytes are never written (a hole): the test costs no disk.
void Padded(const fs::path& file, std::uint64_t size) {
    testsupport::WriteBytes(file, "[a]\r\n");
    ASSERT_EQ(::truncate(file.c_str(), static_cast<off_t>(size)), 0);
}

TEST(LibraryFileCeilingTest, EachKindHasItsCeiling) {
    EXPECT_EQ(LibraryFileCeiling("a/组态配置.ini"), kLibraryTextCeiling);
    EXPECT_EQ(LibraryFileCeiling("a/QXE300.CFG"), kLibraryTextCeiling);
    EXPECT_EQ(LibraryFileCeiling("a/站.scd"), kLibrarySclCeiling);
    EXPECT_EQ(LibraryFileCeiling("a/QXB610.icd"), kLibrarySclCeiling);
    EXPECT_EQ(LibraryFileCeiling("a/IEDListFromSCD.dat"), 0u);
}

TEST_F(LibraryFileBoundsTest, AFileBeyondItsCeilingRefusesTheOpenNamingIt) {
    const fs::path demo = tmp.Path() / "projects" / "Demo";
    testsupport::CopyTree(testsupport::IniDir(), demo / "Ini");
    fs::create_directories(demo / "ProjectV1.00");
    for (const auto& e : fs::directory_iterator(testsupport::TestDataDir() / "projectmodel" / "sample"))
        fs::copy_file(e.path(), demo / "ProjectV1.00" / e.path().filename());
    const fs::path main = demo / "ProjectV1.00" / "QXM7740.ini";
    {
        CConfigDoc doc;
        ASSERT_EQ(doc.OpenProject(main), 1) << testing::PrintToString(prompts.Texts());
    }
    // At its ceiling a file is opened as any other; one byte more refuses the whole project.
    const fs::path protocol = demo / "Ini" / "规约" / "IEC104.ini";
    const std::string bytes = testsupport::ReadBytes(protocol);
    EXPECT_EQ(LibraryFileOverCeiling(demo / "Ini"), "");
    Padded(demo / "Ini" / "规约" / "填充.ini", kLibraryTextCeiling);
    EXPECT_EQ(LibraryFileOverCeiling(demo / "Ini"), "");
    Padded(demo / "Ini" / "规约" / "填充.ini", kLibraryTextCeiling + 1);
    Padded(demo / "Ini" / "二次装置" / "巨大.icd", kLibrarySclCeiling + 1);
    CConfigDoc doc;
    EXPECT_EQ(doc.OpenProject(main), 0);
    const std::string text = "配置文件" + (demo / "Ini" / "二次装置" / "巨大.icd").string() + "的长度（" +
                             std::to_string(kLibrarySclCeiling + 1) + "字节）超过上限" +
                             std::to_string(kLibrarySclCeiling) + "字节，不能打开工程！";
    EXPECT_EQ(prompts.LastText(), text);
    EXPECT_EQ(doc.m_devices.GetSize(), 0);
    fs::remove(demo / "Ini" / "二次装置" / "巨大.icd");
    EXPECT_NE(LibraryFileOverCeiling(demo / "Ini").find("填充.ini"), std::string::npos);
    EXPECT_EQ(testsupport::ReadBytes(protocol), bytes);
}

} // namespace
