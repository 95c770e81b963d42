#include "unitlink/ByteRing.h"

using unitlink::CByteRing;

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>

TEST(ByteRing, FullRingDropsOldestBytes) {
    CByteRing ring(8);
    for (int i = 0; i < 11; ++i)
        ring.Append(static_cast<std::uint8_t>(i));
    ASSERT_EQ(8, ring.Count());
    EXPECT_EQ(3, ring.Peek(0));
    EXPECT_EQ(10, ring.Peek(7));
    // A block longer than the ring keeps only its newest bytes.
    std::uint8_t block[20];
    std::iota(block, block + 20, 100);
    ring.Append(block, 20);
    std::uint8_t out[8];
    ring.Take(out, 8);
    EXPECT_EQ(112, out[0]);
    EXPECT_EQ(119, out[7]);
    EXPECT_EQ(0, ring.Count());
}

TEST(ByteRing, BlocksWrapAroundTheEnd) {
    CByteRing ring(10);
    std::uint8_t a[7] = {1, 2, 3, 4, 5, 6, 7};
    ring.Append(a, 7);
    ring.Drop(5);
    std::uint8_t b[6] = {8, 9, 10, 11, 12, 13};
    ring.Append(b, 6); // wraps
    ASSERT_EQ(8, ring.Count());
    std::uint8_t peek[3];
    ring.PeekBytes(1, peek, 3);
    EXPECT_EQ(7, peek[0]);
    EXPECT_EQ(9, peek[2]);
    std::uint8_t block[5] = {20, 21, 22, 23, 24};
    ring.Append(block, 5); // three oldest bytes make room
    std::uint8_t out[10];
    ring.Take(out, 10);
    const std::uint8_t expected[10] = {9, 10, 11, 12, 13, 20, 21, 22, 23, 24};
    EXPECT_TRUE(std::equal(out, out + 10, expected));
    ring.Drop(5);
    EXPECT_EQ(0, ring.Count());
}

TEST(ByteRing, ADrainedRingStartsAgainAtItsFirstByte) {
    CByteRing ring(10);
    std::uint8_t a[7] = {1, 2, 3, 4, 5, 6, 7};
    ring.Append(a, 7);
    EXPECT_NE(ring.Contiguous(0, 7), nullptr);
    ring.Drop(7);
    // Empty, it starts again at the front: a block of the whole ring lies in one piece.
    std::uint8_t b[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    ring.Append(b, 10);
    const std::uint8_t* whole = ring.Contiguous(0, 10);
    ASSERT_NE(whole, nullptr);
    EXPECT_TRUE(std::equal(b, b + 10, whole));
    ring.Drop(6);
    ring.Append(a, 3); // wraps
    EXPECT_EQ(ring.Contiguous(0, 7), nullptr);
    const std::uint8_t* tail = ring.Contiguous(0, 4);
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(tail[0], 16);
    EXPECT_EQ(tail[3], 19);
}
