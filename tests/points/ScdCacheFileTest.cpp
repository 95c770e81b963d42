// The cache file writer: its head, a commit that puts the file in place, and a discard or a failed
// write that keeps the old file and leaves no temporary one.
#include "points/ScdCacheFile.h"

#include "platform/Archive.h"
#include "platform/TextFile.h"
#include "projectmodel/DeviceTemplate.h"
#include "projectmodel/ProjectContext.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace points;
namespace fs = std::filesystem;

namespace {

class ScdCacheFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        projectmodel::CProjectContext::Reset();
        projectmodel::CProjectContext::Instance().SetLibraryFolder(tmp.Path());
    }
    void TearDown() override {
        platform::SetWriteFaultHook({});
        projectmodel::CProjectContext::Reset();
    }
    testsupport::TempDir tmp;
};

} // namespace

TEST_F(ScdCacheFileTest, CommittedFileHoldsTheHeadAndTheModelsInOrder) {
    EXPECT_EQ(ScdCacheFilePath(), tmp / "UserDefine" / "IEDListFromSCD.dat");
    projectmodel::CDeviceTemplate a, b;
    a.m_strName = "A_T";
    b.m_strName = "B_T";
    platform::CArchive bytes;
    SerializeSCDIED(bytes, a);
    SerializeSCDIED(bytes, b);

    CScdCacheWriter writer;
    writer.Open(2);
    EXPECT_TRUE(writer.IsOpen());
    EXPECT_TRUE(fs::exists(CScdCacheWriter::TempPath()));
    EXPECT_FALSE(fs::exists(ScdCacheFilePath()));
    writer.Write(bytes.Bytes());
    ASSERT_TRUE(writer.Commit());
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(fs::exists(CScdCacheWriter::TempPath()));
    EXPECT_EQ(testsupport::ReadBytes(ScdCacheFilePath()), std::string("\0\2\0\0\0", 5) + bytes.Bytes());

    platform::CArchive in;
    ASSERT_TRUE(platform::CArchive::LoadFromFile(ScdCacheFilePath(), in));
    in.Skip(1);
    ASSERT_EQ(in.ReadU32(), 2u);
    projectmodel::CDeviceTemplate first, second;
    SerializeSCDIED(in, first);
    SerializeSCDIED(in, second);
    EXPECT_TRUE(first == a);
    EXPECT_TRUE(second == b);
}

TEST_F(ScdCacheFileTest, DiscardedOrFailedFileKeepsTheOldOne) {
    {
        CScdCacheWriter writer;
        writer.Open(0);
        ASSERT_TRUE(writer.Commit());
    }
    const std::string old = testsupport::ReadBytes(ScdCacheFilePath());
    ASSERT_EQ(old.size(), 5u);
    {
        CScdCacheWriter writer;
        writer.Open(3);
        writer.Write("partial");
        writer.Discard();
        EXPECT_FALSE(fs::exists(CScdCacheWriter::TempPath()));
        writer.Open(3);
        writer.Write("unfinished"); // and the writer goes without a commit
    }
    EXPECT_FALSE(fs::exists(CScdCacheWriter::TempPath()));
    EXPECT_EQ(testsupport::ReadBytes(ScdCacheFilePath()), old);

    platform::SetWriteFaultHook([](const fs::path&) { return true; });
    CScdCacheWriter writer;
    writer.Open(1);
    writer.Write("x");
    EXPECT_FALSE(writer.Commit());
    platform::SetWriteFaultHook({});
    EXPECT_FALSE(fs::exists(CScdCacheWriter::TempPath()));
    EXPECT_EQ(testsupport::ReadBytes(ScdCacheFilePath()), old);
    EXPECT_FALSE(CScdCacheWriter().Commit()); // nothing opened
}
