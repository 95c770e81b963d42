// The cache file writer: its head, a commit that puts the file in place, and a discard or a failed
// write that keeps the old file and leaves no temporary one.
#include "points/ScdCacheFile.h"

#include "platform/Archive.h"
#include "platform/FileFaults.h"
#include "platform/TextFile.h"
#include "projectmodel/DeviceTemplate.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ScdCacheBound.h"
#include "tests/support/TestFiles.h"

#include <optional>

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
    void TearDown() override { projectmodel::CProjectContext::Reset(); }
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
    writer.Open(2, 3000);
    EXPECT_TRUE(writer.IsOpen());
    EXPECT_TRUE(fs::exists(CScdCacheWriter::TempPath()));
    EXPECT_FALSE(fs::exists(ScdCacheFilePath()));
    writer.Write(bytes.Bytes());
    ASSERT_TRUE(writer.Commit());
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(fs::exists(CScdCacheWriter::TempPath()));
    // The bound follows the models: the SCD file's size, the bytes before the bound, a tag.
    projectmodel::CScdCacheBound bound;
    bound.scdBytes = 3000;
    bound.cacheBytes = 5 + bytes.Bytes().size();
    const std::string trailer = bound.Trailer();
    EXPECT_EQ(trailer.substr(0, 8), std::string("\xb8\x0b\0\0\0\0\0\0", 8));
    EXPECT_EQ(trailer.substr(16), "SCDBOUND");
    EXPECT_EQ(testsupport::ReadBytes(ScdCacheFilePath()),
              std::string("\0\2\0\0\0", 5) + bytes.Bytes() + trailer);
    projectmodel::CScdCacheBound back;
    ASSERT_TRUE(projectmodel::CScdCacheBound::FromTrailer(trailer, back));
    EXPECT_EQ(back.scdBytes, 3000u);
    EXPECT_EQ(back.cacheBytes, bound.cacheBytes);
    EXPECT_FALSE(projectmodel::CScdCacheBound::FromTrailer(trailer.substr(1), back));
    EXPECT_FALSE(projectmodel::CScdCacheBound::FromTrailer(std::string(24, 'x'), back));

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
        writer.Open(0, 100);
        ASSERT_TRUE(writer.Commit());
    }
    const std::string old = testsupport::ReadBytes(ScdCacheFilePath());
    ASSERT_EQ(old.size(), 5u + projectmodel::CScdCacheBound::kTrailerBytes);
    {
        CScdCacheWriter writer;
        writer.Open(3, 100);
        writer.Write("partial");
        writer.Discard();
        EXPECT_FALSE(fs::exists(CScdCacheWriter::TempPath()));
        writer.Open(3, 100);
        writer.Write("unfinished"); // and the writer goes without a commit
    }
    EXPECT_FALSE(fs::exists(CScdCacheWriter::TempPath()));
    EXPECT_EQ(testsupport::ReadBytes(ScdCacheFilePath()), old);

    std::optional<platform::CFileFaults> faults;
    faults.emplace().FailFrom(platform::FileStep::Write, 1);
    CScdCacheWriter writer;
    writer.Open(1, 100);
    writer.Write("x");
    EXPECT_FALSE(writer.Commit());
    faults.reset();
    EXPECT_FALSE(fs::exists(CScdCacheWriter::TempPath()));
    EXPECT_EQ(testsupport::ReadBytes(ScdCacheFilePath()), old);
    EXPECT_FALSE(CScdCacheWriter().Commit()); // nothing opened
}

TEST_F(ScdCacheFileTest, FailedRenameKeepsTheOldFileAndRemovesTheNewOne) {
    {
        CScdCacheWriter writer;
        writer.Open(0, 100);
        ASSERT_TRUE(writer.Commit());
    }
    const std::string old = testsupport::ReadBytes(ScdCacheFilePath());
    platform::CFileFaults faults;
    faults.FailNth(platform::FileStep::Rename, 1);
    CScdCacheWriter writer;
    writer.Open(1, 100);
    writer.Write("x");
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(faults.Failed(platform::FileStep::Rename), 1);
    EXPECT_FALSE(fs::exists(CScdCacheWriter::TempPath()));
    EXPECT_EQ(testsupport::ReadBytes(ScdCacheFilePath()), old);
}
