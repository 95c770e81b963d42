#include "platform/FileFaults.h"
#include "platform/TextFile.h"
#include "tests/support/FaultSweep.h"
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

// A folder that cannot be listed, a file that cannot be read, a path that cannot be looked at:
// each is told by its errno, and only ENOENT (ENOTDIR) means nothing is there.
TEST(FileFaults, FailuresToListReadOrStatAreToldApartFromAbsence) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "a.cfg", "a"));
    std::filesystem::create_directories(dir / "sub");
    std::vector<FolderEntry> entries;
    ASSERT_EQ(0, ListFolder(dir.Path(), entries));
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(ENOENT, ListFolder(dir / "none", entries));
    EXPECT_EQ(ENOTDIR, ListFolder(dir / "a.cfg", entries));
    std::string bytes;
    EXPECT_EQ(ENOENT, ReadWholeFile(dir / "none", bytes));
    EXPECT_FALSE(StatPath(dir / "none").exists);
    EXPECT_FALSE(StatPath(dir / "none").Failed());
    const PathStat file = StatPath(dir / "a.cfg");
    EXPECT_TRUE(file.exists && file.file && !file.folder);
    EXPECT_EQ(1u, file.size);

    for (int error : {EACCES, EMFILE, EIO}) {
        CFileFaults faults;
        faults.FailNth(FileStep::List, 1, {}, error)
            .FailNth(FileStep::Open, 1, {}, error)
            .FailNth(FileStep::Read, 1, {}, error)
            .FailNth(FileStep::Stat, 1, {}, error);
        EXPECT_EQ(error, ListFolder(dir.Path(), entries));
        EXPECT_TRUE(entries.empty());
        bytes = "stale";
        EXPECT_EQ(error, ReadWholeFile(dir / "a.cfg", bytes));
        EXPECT_TRUE(bytes.empty());
        EXPECT_EQ(error, ReadWholeFile(dir / "a.cfg", bytes)) << "the read itself";
        EXPECT_EQ(0, ReadWholeFile(dir / "a.cfg", bytes));
        EXPECT_EQ("a", bytes);
        const PathStat failed = StatPath(dir / "a.cfg");
        EXPECT_EQ(error, failed.error);
        EXPECT_FALSE(failed.exists);
        CGbkLineReader reader;
        EXPECT_TRUE(reader.Open(dir / "a.cfg"));
        EXPECT_FALSE(reader.Open(dir / "none"));
        EXPECT_EQ(ENOENT, reader.OpenError());
    }
}

// A positioned read of a whole range: continued across short reads, a file that ends first and a
// read the seam fails are both failures with their errno.
TEST(FileFaults, APositionedReadIsWholeOrFailsWithItsReason) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "a.bin", "0123456789"));
    const int fd = ::open((dir / "a.bin").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    char buffer[8] = {};
    ASSERT_TRUE(ReadFileAt(fd, buffer, 4, 3, dir / "a.bin"));
    EXPECT_EQ("3456", std::string(buffer, 4));
    errno = 0;
    EXPECT_FALSE(ReadFileAt(fd, buffer, 8, 5, dir / "a.bin")) << "the file ends after five bytes";
    EXPECT_EQ(EIO, errno);
    {
        CFileFaults faults;
        faults.FailNth(FileStep::Read, 1, {}, EACCES);
        EXPECT_FALSE(ReadFileAt(fd, buffer, 4, 0, dir / "a.bin"));
        EXPECT_EQ(EACCES, errno);
        EXPECT_EQ(1, faults.Failed(FileStep::Read));
        EXPECT_TRUE(ReadFileAt(fd, buffer, 4, 0, dir / "a.bin"));
    }
    ::close(fd);
}

// The nth call of any step fails with the errno asked for; nested plans each count every call.
TEST(FileFaults, TheNthCallOfAnyStepFailsAndNestedPlansAllCount) {
    TempDir dir;
    CFileFaults outer;
    outer.FailNth(FileStep::Exchange, 1, {}, EINVAL);
    CFileFaults inner;
    inner.FailNthCall(3, EACCES);
    std::string bytes;
    EXPECT_EQ(ENOENT, ReadWholeFile(dir / "x", bytes));        // call 1: open
    EXPECT_EQ(0, ChangeMode(dir.Path(), 0755));                // call 2: chmod
    EXPECT_EQ(EACCES, ChangeMode(dir.Path(), 0700));           // call 3
    EXPECT_TRUE(FileStepFails(FileStep::Exchange, dir / "y")); // the outer plan's rule
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ(4, inner.TotalCalls());
    EXPECT_EQ(4, outer.TotalCalls());
    EXPECT_EQ(2, inner.TotalFailed() + outer.TotalFailed());
    const auto log = inner.Log();
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ(FileStep::Chmod, log[1].step);
    EXPECT_EQ(dir / "y", log[3].path);
}

// A replaced file keeps its mode: when the mode cannot be set the replacement fails and the
// file stays as it was, never readable by more users than before.
TEST(FileFaults, AReplacementThatCannotKeepTheModeFailsAndKeepsTheFile) {
    TempDir dir;
    const auto target = dir / "QXM7740CFGTool.INI";
    ASSERT_TRUE(WriteFileBytes(target, "old"));
    ASSERT_EQ(0, ChangeMode(target, 0600));
    {
        CFileFaults faults;
        faults.FailNth(FileStep::Chmod, 1, {}, EPERM);
        EXPECT_FALSE(ReplaceFileBytes(target, "new"));
        EXPECT_EQ(1, faults.Failed(FileStep::Chmod));
    }
    EXPECT_EQ("old", ReadBytes(target));
    EXPECT_EQ(0600u, StatPath(target).mode);
    EXPECT_EQ(1u, EntriesIn(dir.Path()));
    {
        // A file that cannot be looked at is not replaced either (its mode is not known).
        CFileFaults faults;
        faults.FailNth(FileStep::Stat, 1, {}, EACCES);
        EXPECT_FALSE(ReplaceFileBytes(target, "new"));
    }
    EXPECT_EQ("old", ReadBytes(target));
    EXPECT_TRUE(ReplaceFileBytes(target, "new"));
    EXPECT_EQ(0600u, StatPath(target).mode);
}

// An append that fails part way is cut back to where it began and reported.
TEST(FileFaults, AFailedAppendIsCutBackAndReported) {
    TempDir dir;
    const auto log = dir / "2026-03.log";
    ASSERT_TRUE(AppendFileBytes(log, "first\r\n"));
    {
        CFileFaults faults;
        faults.FailNth(FileStep::Write, 1);
        EXPECT_FALSE(AppendFileBytes(log, "a torn entry\r\n"));
        EXPECT_EQ(1, faults.Failed(FileStep::Write));
    }
    EXPECT_EQ("first\r\n", ReadBytes(log));
    EXPECT_TRUE(AppendFileBytes(log, "second\r\n"));
    EXPECT_EQ("first\r\nsecond\r\n", ReadBytes(log));
}

// Only one holder of a lock file at a time; the second is told EWOULDBLOCK, not made to wait.
TEST(FileFaults, ALockIsHeldByOneAtATime) {
    TempDir dir;
    CFileLock first, second;
    ASSERT_EQ(0, first.Lock(dir / ".lock"));
    EXPECT_EQ(EWOULDBLOCK, second.Lock(dir / ".lock"));
    EXPECT_FALSE(second.Held());
    first.Unlock();
    EXPECT_EQ(0, second.Lock(dir / ".lock"));
    CFileFaults faults;
    faults.FailNth(FileStep::Lock, 1);
    CFileLock third;
    EXPECT_EQ(EIO, third.Lock(dir / "other.lock"));
}

// The sweep itself, over a replacement: every call failed in turn is told and leaves the old
// file, and a sweep finds a road that says success over a torn file.
TEST(FileFaults, TheSweepFailsEachCallInTurnAndFindsASilentTornWrite) {
    TempDir dir;
    const auto target = dir / "a.ini";
    testsupport::SweepRoad road;
    road.setup = [&] { testsupport::RestoreTree(dir.Path(), {{"a.ini", "old bytes"}}); };
    road.run = [&] {
        const bool ok = ReplaceFileBytes(target, "new bytes");
        return testsupport::RoadOutcome{ok, !ok};
    };
    road.kept = {dir.Path()};
    road.whole = [&] { return ReadBytes(target) == "new bytes" ? std::string() : "torn"; };
    const testsupport::SweepResult result = testsupport::RunFaultSweep(road);
    EXPECT_TRUE(result.faults.empty()) << testing::PrintToString(result.faults);
    EXPECT_GE(result.calls, 5); // stat, open, chmod, write, sync, link, rename
    EXPECT_EQ(result.runs, result.told + result.succeeded);

    road.run = [&] {
        WriteFileBytes(target, "new bytes"); // in place, its result ignored
        return testsupport::RoadOutcome{true, false};
    };
    EXPECT_FALSE(testsupport::RunFaultSweep(road).faults.empty());
}
