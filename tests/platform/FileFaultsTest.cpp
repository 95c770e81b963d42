#include "platform/FileFaults.h"
#include "platform/TextFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
using testsupport::ReadBytes;
using testsupport::TempDir;

namespace {

std::size_t EntriesIn(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

} // namespace

TEST(FileFaults, TheNthCallOfAKindFailsAndOnlyThePathsTheFilterPicksAreCounted) {
    TempDir dir;
    CFileFaults faults;
    faults.FailNth(FileStep::Write, 2,
                   [](const std::filesystem::path& p) { return p.extension() == ".cfg"; });
    EXPECT_TRUE(WriteFileBytes(dir / "a.txt", "one"));
    EXPECT_TRUE(WriteFileBytes(dir / "a.cfg", "one"));
    EXPECT_FALSE(WriteFileBytes(dir / "b.cfg", "two"));
    EXPECT_TRUE(WriteFileBytes(dir / "c.cfg", "three"));
    EXPECT_EQ(3, faults.Calls(FileStep::Write));
    EXPECT_EQ(1, faults.Failed(FileStep::Write));
    EXPECT_EQ("three", ReadBytes(dir / "c.cfg"));
}

TEST(FileFaults, APlanEndsWithItsObjectAndFailFromFailsEveryLaterCall) {
    TempDir dir;
    {
        CFileFaults faults;
        faults.FailFrom(FileStep::Rename, 1);
        EXPECT_FALSE(ReplaceFileBytes(dir / "a", "x"));
        EXPECT_FALSE(ReplaceFileBytes(dir / "a", "y"));
        EXPECT_FALSE(RenameFile(dir / "nothing", dir / "b"));
        EXPECT_EQ(3, faults.Failed(FileStep::Rename));
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "a"));
    EXPECT_EQ(0u, EntriesIn(dir.Path())) << "a failed replacement leaves no temporary file";
    EXPECT_TRUE(ReplaceFileBytes(dir / "a", "z"));
    EXPECT_EQ("z", ReadBytes(dir / "a"));
}

// When the unnamed temporary file cannot be given a name, the bytes are written again under a
// name; the closed descriptor's number must not be used, as another file may hold it by then.
TEST(FileFaults, AReplacementWhoseUnnamedFileCannotBeLinkedWritesUnderANameAndTouchesNoOtherFile) {
    TempDir dir;
    const auto target = dir / "Password.dat";
    ASSERT_TRUE(WriteFileBytes(target, "old"));
    ::chmod(target.c_str(), 0640);
    const auto bystander = dir / "bystander";
    ASSERT_TRUE(WriteFileBytes(bystander, "untouched"));
    ::chmod(bystander.c_str(), 0600);

    CFileFaults faults;
    faults.FailNth(FileStep::Link, 1);
    // The first file opened after the failed link gets the lowest free number: the one the
    // temporary file had. Opening the bystander from the seam's own filter models another thread
    // doing so at that moment.
    int stolen = -1;
    faults.FailNth(FileStep::Open, 0, [&](const std::filesystem::path&) {
        if (faults.Failed(FileStep::Link) == 1 && stolen < 0)
            stolen = ::open(bystander.c_str(), O_RDWR | O_CLOEXEC);
        return false;
    });
    EXPECT_TRUE(ReplaceFileBytes(target, "new bytes"));
    if (stolen >= 0)
        ::close(stolen);
    EXPECT_EQ(1, faults.Failed(FileStep::Link));
    EXPECT_EQ("new bytes", ReadBytes(target));
    EXPECT_EQ("untouched", ReadBytes(bystander));
    struct stat st {};
    ASSERT_EQ(0, ::stat(bystander.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    ASSERT_EQ(0, ::stat(target.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 0777);
    EXPECT_EQ(2u, EntriesIn(dir.Path()));
}

TEST(FileFaults, EachStepOfAReplacementThatFailsLeavesTheOldFileWhole) {
    for (FileStep step : {FileStep::Open, FileStep::Write, FileStep::Sync, FileStep::Rename}) {
        TempDir dir;
        const auto target = dir / "system.cfg";
        ASSERT_TRUE(WriteFileBytes(target, "the saved file"));
        {
            CFileFaults faults;
            faults.FailFrom(step, 1);
            EXPECT_FALSE(ReplaceFileBytes(target, "half")) << static_cast<int>(step);
        }
        EXPECT_EQ("the saved file", ReadBytes(target)) << static_cast<int>(step);
        EXPECT_EQ(1u, EntriesIn(dir.Path())) << static_cast<int>(step);
    }
}

TEST(FileFaults, ACopyOrRemovalThatFailsIsToldAndChangesNothing) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "a", "a"));
    CFileFaults faults;
    faults.FailNth(FileStep::Copy, 1).FailNth(FileStep::Remove, 1);
    EXPECT_FALSE(CopyFileBytes(dir / "a", dir / "b"));
    EXPECT_FALSE(std::filesystem::exists(dir / "b"));
    EXPECT_FALSE(RemoveFile(dir / "a"));
    EXPECT_TRUE(std::filesystem::exists(dir / "a"));
    EXPECT_TRUE(RemoveFile(dir / "a"));
    EXPECT_FALSE(std::filesystem::exists(dir / "a"));
}
