// The batching rule of the running-text windows: a bounded queue per tick that keeps the newest
// items and counts what it leaves out, and the pacing of batches after their cost.
#include "platform/TextBatch.h"

#include <gtest/gtest.h>

#include <string>

using platform::CTextBatch;

TEST(TextBatchTest, AStreamAboveTheBudgetKeepsTheNewestItemsAndCountsTheRest) {
    CTextBatch<int> batch(100, 1 << 20);
    for (int i = 0; i < 100000; ++i)
        batch.Push(i, 90);
    // Bounded however long the stream between two ticks.
    EXPECT_EQ(batch.Size(), 100u);
    EXPECT_EQ(batch.Lines(), 100u);
    EXPECT_EQ(batch.Bytes(), 9000u);
    auto b = batch.Take();
    EXPECT_EQ(b.omitted, 99900u);
    ASSERT_EQ(b.items.size(), 100u);
    EXPECT_EQ(b.items.front(), 99900);
    EXPECT_EQ(b.items.back(), 99999);
    // The next tick starts afresh; below the budget nothing is left out.
    EXPECT_TRUE(batch.Empty());
    for (int i = 0; i < 100; ++i)
        batch.Push(i, 90);
    b = batch.Take();
    EXPECT_EQ(b.omitted, 0u);
    EXPECT_EQ(b.items.size(), 100u);
    EXPECT_EQ(batch.TotalOmitted(), 99900u);
}

TEST(TextBatchTest, BytesAndMultiLineItemsAreBoundedTooAndOneItemIsAlwaysKept) {
    // Items of many lines count by their lines; the budget is reached by the items after the
    // oldest before that one goes.
    CTextBatch<std::string> lines(10, 1 << 20);
    lines.Push("a", 1, 4);
    lines.Push("b", 1, 4);
    lines.Push("c", 1, 4);
    EXPECT_EQ(lines.Size(), 3u);
    lines.Push("d", 1, 8);
    EXPECT_EQ(lines.Size(), 2u);
    EXPECT_EQ(lines.Omitted(), 2u);
    // A byte budget bounds the memory of long items (a frame of 30 KB as text).
    CTextBatch<std::string> bytes(1000, 100000);
    for (int i = 0; i < 1000; ++i)
        bytes.Push(std::string(90000, 'x'), 90000);
    EXPECT_LE(bytes.Bytes(), 2 * 90000u);
    EXPECT_EQ(bytes.Omitted(), 1000u - bytes.Size());
    // One item larger than the whole budget is still shown.
    CTextBatch<std::string> one(1, 10);
    one.Push(std::string(50, 'y'), 50, 5);
    EXPECT_EQ(one.Size(), 1u);
    one.Clear();
    EXPECT_TRUE(one.Empty());
    EXPECT_EQ(one.Omitted(), 0u);
}

TEST(TextBatchTest, TheItemLetGoIsHandedBackForTheNextOne) {
    // A window fills the spare again instead of making an item per frame: it must be the item
    // that went, its contents whole, and be handed out once.
    CTextBatch<std::string> batch(2, 1 << 20);
    EXPECT_TRUE(batch.TakeSpare().empty());
    batch.Push(std::string(10000, 'a'), 10000);
    batch.Push("b", 1);
    EXPECT_TRUE(batch.TakeSpare().empty()); // nothing went yet
    batch.Push("c", 1);
    const std::string spare = batch.TakeSpare();
    EXPECT_EQ(spare, std::string(10000, 'a'));
    EXPECT_TRUE(batch.TakeSpare().empty());
    const auto b = batch.Take();
    ASSERT_EQ(b.items.size(), 2u);
    EXPECT_EQ(b.items[0], "b");
    EXPECT_EQ(b.items[1], "c");
}

TEST(TextBatchTest, OmittedLineAndPacing) {
    EXPECT_EQ(platform::OmittedLine(12345), "……省略12345条……");
    // The first batch after a quiet spell goes at once; later ones keep the interval, or ten
    // times the cost of the last one, at most the longest period.
    EXPECT_EQ(platform::BatchWaitMs(-1, 500, 200, 10, 1000), 0);
    EXPECT_EQ(platform::BatchWaitMs(50, 3, 200, 10, 1000), 150);
    EXPECT_EQ(platform::BatchWaitMs(200, 3, 200, 10, 1000), 0);
    EXPECT_EQ(platform::BatchWaitMs(250, 40, 200, 10, 1000), 150);
    EXPECT_EQ(platform::BatchWaitMs(0, 100000, 200, 10, 1000), 1000);
    EXPECT_EQ(platform::BatchWaitMs(1000, 100000, 200, 10, 1000), 0);
}
