// The budget of the parallel adding: the file being written holds at most its own share however far
// its worker runs ahead, the files after it share the rest, and their bytes stop waiting when the
// writer reaches them, so the workers keep reading ahead through an archive of any size.
#include "ziparchive/ZipAddBudget.h"

#include <gtest/gtest.h>

using zipdetail::CAddFilesBudget;

namespace {
constexpr std::uint64_t kChunk = 256;
} // namespace

TEST(ZipAddBudget, TheFileBeingWrittenHoldsItsShareAtMost) {
    CAddFilesBudget budget(4 * kChunk, 8 * kChunk);
    std::uint64_t held = 0;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(budget.Fits(0, held, kChunk)) << i;
        budget.Handed(0, kChunk);
        held += kChunk;
    }
    // One large file: its worker waits until the writer takes some, whatever else is free.
    EXPECT_FALSE(budget.Fits(0, held, kChunk));
    EXPECT_FALSE(budget.Fits(0, held, 1));
    EXPECT_EQ(budget.Waiting(), 0u);
    budget.Taken(kChunk);
    held -= kChunk;
    EXPECT_TRUE(budget.Fits(0, held, kChunk));
    EXPECT_EQ(budget.Held(), 3 * kChunk);
    EXPECT_EQ(budget.Peak(), 4 * kChunk);
}

TEST(ZipAddBudget, WaitingBytesStopCountingWhenTheWriterReachesTheirFile) {
    CAddFilesBudget budget(2 * kChunk, 4 * kChunk);
    // While the writer is at file 0, files 1 and 2 fill the waiting share.
    budget.Handed(1, 2 * kChunk);
    budget.Handed(2, 2 * kChunk);
    EXPECT_EQ(budget.Waiting(), 4 * kChunk);
    EXPECT_FALSE(budget.Fits(3, 0, kChunk));
    EXPECT_TRUE(budget.Fits(0, 0, kChunk)); // the file being written has a share of its own

    // Round after round the writer moves on and takes the file it reached; each time the room
    // comes back, so the read-ahead never stops whatever the files add up to.
    std::uint64_t handed = 4 * kChunk;
    for (std::size_t file = 1; file <= 40; ++file) {
        SCOPED_TRACE(file);
        budget.Next(2 * kChunk); // file `file` holds two chunks
        ASSERT_EQ(budget.Writing(), file);
        EXPECT_EQ(budget.Waiting(), 2 * kChunk);
        budget.Taken(2 * kChunk);
        ASSERT_TRUE(budget.Fits(file + 2, 0, 2 * kChunk));
        EXPECT_FALSE(budget.Fits(file + 2, 0, 2 * kChunk + 1));
        budget.Handed(file + 2, 2 * kChunk);
        handed += 2 * kChunk;
    }
    EXPECT_GT(handed, 16 * 4 * kChunk);
    EXPECT_EQ(budget.Held(), 4 * kChunk);
    EXPECT_EQ(budget.Peak(), 4 * kChunk);

    // The bytes handed for the file being written never count as waiting.
    budget.Next(2 * kChunk);
    budget.Handed(budget.Writing(), kChunk);
    EXPECT_EQ(budget.Waiting(), 2 * kChunk);
}

// One large file waited with the whole waiting share; once the writer reaches it, the files after
// it take only what its writing frees, so the whole never holds more than the budget.
TEST(ZipAddBudget, ALargeFileReachedByTheWriterKeepsTheWholeWithinTheBudget) {
    CAddFilesBudget budget(2 * kChunk, 4 * kChunk);
    budget.Handed(1, 4 * kChunk);
    budget.Next(4 * kChunk); // the writer reaches file 1 with four chunks held
    EXPECT_EQ(budget.Waiting(), 0u);
    EXPECT_FALSE(budget.Fits(1, 4 * kChunk, kChunk)); // more than its own share already
    EXPECT_TRUE(budget.Fits(2, 0, 2 * kChunk));
    EXPECT_FALSE(budget.Fits(2, 0, 2 * kChunk + 1));
    budget.Handed(2, 2 * kChunk);
    for (int taken = 1; taken <= 2; ++taken) {
        SCOPED_TRACE(taken);
        EXPECT_FALSE(budget.Fits(3, 0, 1));
        budget.Taken(kChunk);
        ASSERT_TRUE(budget.Fits(3, 0, kChunk));
        budget.Handed(3, kChunk);
    }
    EXPECT_EQ(budget.Held(), 6 * kChunk);
    EXPECT_EQ(budget.Peak(), 6 * kChunk);
    // From here the waiting share is the bound again.
    budget.Taken(2 * kChunk);
    EXPECT_FALSE(budget.Fits(3, 0, 1));
    budget.Next(2 * kChunk);
    EXPECT_TRUE(budget.Fits(3, 0, 2 * kChunk));
}
