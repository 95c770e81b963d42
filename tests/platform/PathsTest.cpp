#include "platform/Paths.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Paths, RootFolderIsCutBeforeTheLastBinComponent) {
    EXPECT_EQ(std::filesystem::path("/opt/QXM7740"), RootFolderFrom("/opt/QXM7740/Bin"));
    EXPECT_EQ(std::filesystem::path("/home/robin/qxm"), RootFolderFrom("/home/robin/qxm/bin/"));
    EXPECT_EQ(std::filesystem::path("/srv/tools"), RootFolderFrom("/srv/tools"));
    EXPECT_EQ(std::filesystem::path("/a/bin/b"), RootFolderFrom("/a/bin/b/BIN"));
    // "binary" or "robin" are not "bin".
    EXPECT_EQ(std::filesystem::path("/robin/binary"), RootFolderFrom("/robin/binary"));
}

TEST(Paths, WindowsStylePathsResolveWithoutRegardToCase) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir / "Ini" / "二次装置");
    testsupport::WriteBytes(dir / "Ini" / "二次装置" / "Model.TXT", "x");
    EXPECT_EQ(dir / "Ini" / "二次装置" / "Model.TXT", JoinPath(dir.Path(), "\\ini\\二次装置\\model.txt"));
    EXPECT_EQ(dir / "Ini" / "new.txt",
              JoinPath(dir.Path(), "INI/new.txt").parent_path().parent_path() / "Ini" / "new.txt");
    EXPECT_EQ("c.cfg", FileNameOf("a\\b/c.cfg"));
    EXPECT_TRUE(IsSafeFileName("工程1"));
    EXPECT_FALSE(IsSafeFileName(".."));
    EXPECT_FALSE(IsSafeFileName("a/b"));
    EXPECT_FALSE(IsSafeFileName(""));
}
