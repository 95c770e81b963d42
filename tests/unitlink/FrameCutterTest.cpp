// The one frame cutter of all three programs: frames split and batched, junk before a frame,
// oversized frames skipped whole across reads up to the largest frame and searched past beyond it, reads
// larger than the ring's room, and feeds made while a frame is being handled.
#include "unitlink/FrameCutter.h"
#include "unitlink/FrameLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using unitlink::CFrameCutter;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A frame from the unit whose body is n bytes of the given value.
Bytes Frame(std::size_t bodySize, std::uint8_t fill) {
    const Bytes body(bodySize, fill);
    unitlink::FrameHeaderFields f;
    f.direction = unitlink::kUnitDirection;
    f.kind = unitlink::kFromUnit | unitlink::kKindDsdu;
    return unitlink::BuildFrame(body.data(), body.size(), f);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct Collector {
    std::vector<Bytes> frames;
    CFrameCutter::FrameHandler Handler() {
        // A cutter that cuts empty pieces without end stops here instead of eating the memory.
        return [this](const std::uint8_t* f, std::size_t n) {
            frames.emplace_back(f, f + n);
            return frames.size() < 10000;
        };
    }
};

// Feeds the bytes in reads of at most `read` bytes.
void FeedInReads(CFrameCutter& cutter, const Bytes& all, std::size_t read, Collector& c) {
    for (std::size_t at = 0; at < all.size(); at += read)
        cutter.Feed(all.data() + at, std::min(read, all.size() - at), c.Handler());
}

class FrameCutterModes : public ::testing::TestWithParam<CFrameCutter::Start> {};

} // namespace

TEST_P(FrameCutterModes, SplitAndBatchedFramesComeOutWholeAndInOrder) {
    CFrameCutter cutter(30720, 30720, GetParam());
    Collector c;
    const Bytes a = Frame(1, 'a'), b = Frame(40, 'b'), d = Frame(0, 'd');
    const Bytes all = Cat({a, b, d});
    FeedInReads(cutter, all, 1, c);
    ASSERT_EQ(c.frames.size(), 3u);
    EXPECT_EQ(c.frames[0], a);
    EXPECT_EQ(c.frames[1], b);
    EXPECT_EQ(c.frames[2], d);
    EXPECT_EQ(cutter.Ring().Count(), 0);
}

TEST_P(FrameCutterModes, OversizedFrameIsSkippedWholeAndTheNextFrameIsHandled) {
    CFrameCutter cutter(30720, 30720, GetParam());
    Collector c;
    const Bytes big = Frame(30720 - 28 + 5000, 'x'); // 5000 bytes above the largest frame
    const Bytes next = Frame(3, 'n');
    // In 900-byte reads: the refused frame's rest arrives over many reads and is skipped as it comes.
    FeedInReads(cutter, Cat({big, next, big, next}), 900, c);
    ASSERT_EQ(c.frames.size(), 2u);
    EXPECT_EQ(c.frames[0], next);
    EXPECT_EQ(c.frames[1], next);
    EXPECT_EQ(cutter.RefusedCount(), 2u);
    EXPECT_EQ(cutter.SkipPending(), 0u);
    EXPECT_EQ(cutter.Ring().Count(), 0);

    // All in one read, with a frame of exactly the largest size behind it.
    Collector whole;
    const Bytes largest = Frame(30720 - 28, 'L');
    cutter.Feed(Cat({big, largest, next}).data(), big.size() + largest.size() + next.size(), whole.Handler());
    ASSERT_EQ(whole.frames.size(), 2u);
    EXPECT_EQ(whole.frames[0], largest);
    EXPECT_EQ(whole.frames[1], next);
}

TEST_P(FrameCutterModes, FrameUpToTheLargestIsSkippedWholeAndALongerLengthIsNoFrame) {
    CFrameCutter cutter(30720, 30720, GetParam());
    Collector c;
    // The largest frame there is, 65,028 bytes (a body of 65000 bytes behind the 28-byte header),
    // in 900-byte reads and in one read: skipped whole.
    const Bytes largest = Frame(65000, 'x');
    ASSERT_EQ(largest.size(), 65028u);
    const Bytes next = Frame(3, 'n');
    FeedInReads(cutter, Cat({largest, next, largest, next}), 900, c);
    ASSERT_EQ(c.frames.size(), 2u);
    EXPECT_EQ(c.frames[0], next);
    EXPECT_EQ(c.frames[1], next);
    EXPECT_EQ(cutter.SkipPending(), 0u);
    EXPECT_EQ(cutter.RefusedCount(), 2u);
    const Bytes once = Cat({largest, next});
    cutter.Feed(once.data(), once.size(), c.Handler());
    ASSERT_EQ(c.frames.size(), 3u);
    EXPECT_EQ(c.frames[2], next);

    // Lengths beyond it, up to the largest positive one, with both marks: no frame has them, so
    // nothing is skipped on their word; the frame right behind is found in the same connection.
    // (65028 - 8 + 1 is the length word of a frame one byte longer than the largest.)
    for (std::uint32_t length : {65028u - 8u + 1u, 0x00100000u, 0x7FFFFFFFu}) {
        SCOPED_TRACE(length);
        Collector after;
        Bytes huge = Frame(10, 'h');
        unitlink::PutU32(huge.data() + unitlink::kOffLength, length);
        FeedInReads(cutter, Cat({huge, next}), 7, after);
        ASSERT_EQ(after.frames.size(), 1u);
        EXPECT_EQ(after.frames[0], next);
        EXPECT_EQ(cutter.SkipPending(), 0u);
    }
    EXPECT_EQ(cutter.RefusedCount(), 3u);
}

TEST_P(FrameCutterModes, LengthNearFourGibibytesDoesNotWrapToASmallFrameNorBlindTheLink) {
    // 0xFFFFFFFC + 8 is 4 in 32 bits: a cutter counting in 32 bits would cut a 4-byte piece; one
    // that took the length for a frame's would drop the next 4 GB.
    for (std::uint32_t length : {0xFFFFFFFCu, 0xFFFFFFF8u, 0xFFFFFFFFu}) {
        CFrameCutter cutter(30720, 30720, GetParam());
        Collector c;
        Bytes header = Frame(0, 0);
        unitlink::PutU32(header.data() + unitlink::kOffLength, length);
        const Bytes all = Cat({header, Frame(40, 'a')});
        cutter.Feed(all.data(), all.size(), c.Handler());
        ASSERT_EQ(c.frames.size(), 1u) << length;
        EXPECT_EQ(c.frames[0], Frame(40, 'a')) << length;
        EXPECT_EQ(cutter.SkipPending(), 0u) << length;
        EXPECT_EQ(cutter.RefusedCount(), 0u) << length;
        EXPECT_GT(cutter.JunkCount(), 0u) << length;
    }
}

TEST_P(FrameCutterModes, ResetInsideAHandlerDropsTheOldConnectionsBytesAndKeepsTheNewOnes) {
    CFrameCutter cutter(30720, 30720, GetParam());
    const Bytes a = Frame(1, 'a'), b = Frame(1, 'b'), d = Frame(1, 'd'), n = Frame(1, 'n');
    Collector c;
    bool reset = false;
    std::function<bool(const std::uint8_t*, std::size_t)> handler = [&](const std::uint8_t* f,
                                                                        std::size_t size) {
        c.frames.emplace_back(f, f + size);
        if (!reset) {
            reset = true;
            // Bytes of the old connection that came in meanwhile, then the reconnect, then the
            // first frame of the new connection.
            cutter.Feed(d.data(), d.size(), handler);
            cutter.Clear();
            cutter.Feed(n.data(), n.size(), handler);
        }
        return true; // the link is up again: only the reset tells the cutter
    };
    const Bytes old = Cat({a, b, Bytes(b.begin(), b.begin() + 10)});
    EXPECT_FALSE(cutter.Feed(old.data(), old.size(), handler));
    ASSERT_EQ(c.frames.size(), 2u);
    EXPECT_EQ(c.frames[0], a);
    EXPECT_EQ(c.frames[1], n);
    EXPECT_EQ(cutter.Ring().Count(), 0);
    // The next read starts cleanly.
    cutter.Feed(d.data(), d.size(), handler);
    ASSERT_EQ(c.frames.size(), 3u);
    EXPECT_EQ(c.frames[2], d);
}

TEST_P(FrameCutterModes, ReadLargerThanTheRingsRoomLosesNoFrame) {
    CFrameCutter cutter(30720, 30720, GetParam());
    Collector c;
    // 120 frames of 1000 bytes and one of the largest size, all in one read (four times the ring).
    Bytes all;
    for (int i = 0; i < 120; ++i)
        all = Cat({all, Frame(972, static_cast<std::uint8_t>(i))});
    all = Cat({all, Frame(30720 - 28, 'L'), Frame(1, 'z')});
    cutter.Feed(all.data(), all.size(), c.Handler());
    ASSERT_EQ(c.frames.size(), 122u);
    for (int i = 0; i < 120; ++i)
        EXPECT_EQ(c.frames[static_cast<std::size_t>(i)][28], static_cast<std::uint8_t>(i)) << i;
    EXPECT_EQ(c.frames[120].size(), 30720u);
    EXPECT_EQ(c.frames[121], Frame(1, 'z'));

    // The largest frame in 900-byte reads, with a frame right behind it in the same read.
    Collector reads;
    FeedInReads(cutter, Cat({Frame(30720 - 28, 'L'), Frame(1, 'z'), Frame(30720 - 28, 'M'), Frame(1, 'y')}),
                900, reads);
    ASSERT_EQ(reads.frames.size(), 4u);
    EXPECT_EQ(reads.frames[0].size(), 30720u);
    EXPECT_EQ(reads.frames[1], Frame(1, 'z'));
    EXPECT_EQ(reads.frames[2][28], 'M');
    EXPECT_EQ(reads.frames[3], Frame(1, 'y'));
}

TEST_P(FrameCutterModes, StoppingHandlerDropsTheRestAndNestedFeedsKeepTheOrder) {
    CFrameCutter cutter(30720, 30720, GetParam());
    const Bytes a = Frame(1, 'a'), b = Frame(1, 'b'), d = Frame(1, 'd'), e = Frame(1, 'e');
    // A handler that stops (the link closed) ends the feed; the rest is not handled.
    int seen = 0;
    const Bytes ab = Cat({a, b});
    EXPECT_FALSE(cutter.Feed(ab.data(), ab.size(), [&](const std::uint8_t*, std::size_t) {
        ++seen;
        return false;
    }));
    EXPECT_EQ(seen, 1);
    cutter.Clear();

    // Bytes fed while a frame is handled (a nested event loop) come after the ones already read.
    Collector c;
    bool nested = false;
    std::function<bool(const std::uint8_t*, std::size_t)> handler = [&](const std::uint8_t* f,
                                                                        std::size_t n) {
        c.frames.emplace_back(f, f + n);
        if (!nested) {
            nested = true;
            const Bytes later = Cat({d, e});
            cutter.Feed(later.data(), later.size(), handler);
        }
        return true;
    };
    const Bytes first = Cat({a, b});
    EXPECT_TRUE(cutter.Feed(first.data(), first.size(), handler));
    ASSERT_EQ(c.frames.size(), 4u);
    EXPECT_EQ(c.frames[0], a);
    EXPECT_EQ(c.frames[1], b);
    EXPECT_EQ(c.frames[2], d);
    EXPECT_EQ(c.frames[3], e);
}

TEST_P(FrameCutterModes, APieceHandedWithoutACopyStaysWholeWhileItIsHandled) {
    // Frames of 10 KB in a 32 KB ring: every third one wraps round its end when the bytes come
    // faster than the frames are taken; a handler that receives more bytes meanwhile (a nested
    // event loop) must still read the piece it was given, byte for byte.
    CFrameCutter cutter(32768, 32768, GetParam());
    std::vector<Bytes> frames;
    for (int i = 0; i < 9; ++i)
        frames.push_back(Frame(10000 + static_cast<std::size_t>(i), static_cast<std::uint8_t>('a' + i)));
    const Bytes all = Cat(
        {frames[0], frames[1], frames[2], frames[3], frames[4], frames[5], frames[6], frames[7], frames[8]});
    std::size_t seen = 0;
    std::size_t next = 0; // the next byte of `all` to feed
    std::vector<bool> intact;
    std::function<bool(const std::uint8_t*, std::size_t)> handler = [&](const std::uint8_t* f,
                                                                        std::size_t n) {
        const Bytes before(f, f + n);
        // More of the stream arrives while this frame is handled.
        if (next < all.size()) {
            const std::size_t k = std::min<std::size_t>(7000, all.size() - next);
            cutter.Feed(all.data() + next, k, handler);
            next += k;
        }
        intact.push_back(seen < frames.size() && Bytes(f, f + n) == before && before == frames[seen]);
        ++seen;
        return true;
    };
    while (next < all.size()) {
        const std::size_t k = std::min<std::size_t>(25000, all.size() - next);
        const std::size_t at = next;
        next += k;
        cutter.Feed(all.data() + at, k, handler);
    }
    ASSERT_EQ(seen, frames.size());
    for (std::size_t i = 0; i < intact.size(); ++i)
        EXPECT_TRUE(intact[i]) << "frame " << i;
    EXPECT_EQ(cutter.Ring().Count(), 0);
    // The copying form cuts the same pieces.
    std::vector<std::uint8_t> piece;
    EXPECT_EQ(cutter.Take(all.data(), frames[0].size() + frames[1].size()),
              frames[0].size() + frames[1].size());
    ASSERT_TRUE(cutter.Next(piece));
    EXPECT_EQ(piece, frames[0]);
    ASSERT_TRUE(cutter.Next(piece));
    EXPECT_EQ(piece, frames[1]);
    EXPECT_FALSE(cutter.Next(piece));
}

TEST_P(FrameCutterModes, BytesReadStraightIntoTheRingAreCutAsFedOnes) {
    CFrameCutter cutter(4096, 4096, GetParam());
    Collector c;
    // Frames that straddle the reads and the ring's end, written where the cutter offers room, in
    // reads of at most 700 bytes (as a socket would fill it).
    Bytes all;
    for (int i = 0; i < 12; ++i)
        all = Cat({all, Frame(static_cast<std::size_t>(300 + 97 * i), static_cast<std::uint8_t>(i))});
    std::size_t at = 0;
    while (at < all.size()) {
        std::size_t room = 0;
        std::uint8_t* space = cutter.Space(room);
        ASSERT_NE(space, nullptr);
        const std::size_t n = std::min({room, std::size_t{700}, all.size() - at});
        std::copy_n(all.data() + at, n, space);
        EXPECT_TRUE(cutter.FeedAppended(n, c.Handler()));
        at += n;
    }
    ASSERT_EQ(c.frames.size(), 12u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(c.frames[static_cast<std::size_t>(i)],
                  Frame(static_cast<std::size_t>(300 + 97 * i), static_cast<std::uint8_t>(i)));
    EXPECT_EQ(cutter.Ring().Count(), 0);

    // No room is offered while a handler runs (its piece lies in the ring), nor while a refused
    // frame is still being skipped.
    std::size_t inside = 1;
    const Bytes f = Frame(10, 'x');
    cutter.Feed(f.data(), f.size(), [&](const std::uint8_t*, std::size_t) {
        EXPECT_EQ(cutter.Space(inside), nullptr);
        return true;
    });
    EXPECT_EQ(inside, 0u);
    const Bytes big = Frame(5000, 'b');
    cutter.Feed(big.data(), 100, c.Handler());
    ASSERT_GT(cutter.SkipPending(), 0u);
    std::size_t room = 1;
    EXPECT_EQ(cutter.Space(room), nullptr);
    EXPECT_EQ(room, 0u);
}

INSTANTIATE_TEST_SUITE_P(BothStarts, FrameCutterModes,
                         ::testing::Values(CFrameCutter::Start::SearchSync, CFrameCutter::Start::AtHead));

TEST(FrameCutter, SearchSyncDropsJunkBeforeAFrame) {
    CFrameCutter cutter(32768, 32768, CFrameCutter::Start::SearchSync);
    Collector c;
    Bytes junk = {1, 2, 3, 0x90, 0xEB, 0, 0};
    // Marks with a length below a bare header, and a negative length, are junk too.
    Bytes shortHeader = Frame(0, 0);
    shortHeader[2] = 4;
    Bytes negative = Frame(0, 0);
    negative[5] = 0x80;
    // Stray marks with a length no frame of the suite has are junk too (the configuration tool's
    // choice): the frame behind them is found.
    Bytes stray = Frame(0, 0);
    stray[2] = stray[3] = 0xFF;
    stray[4] = stray[5] = 0;
    const Bytes f = Frame(5, 'f');
    const Bytes all = Cat({junk, shortHeader, negative, stray, f});
    cutter.Feed(all.data(), all.size(), c.Handler());
    ASSERT_EQ(c.frames.size(), 1u);
    EXPECT_EQ(c.frames[0], f);
    EXPECT_EQ(cutter.SkipPending(), 0u);
    EXPECT_GT(cutter.JunkCount(), junk.size());
}

TEST(FrameCutter, AtHeadCutsPiecesByLengthForTheHeaderCheck) {
    CFrameCutter cutter(30720, 30720, CFrameCutter::Start::AtHead);
    Collector c;
    // A piece with a length below 20 is cut as it stands; the caller refuses it.
    Bytes tiny = Frame(3, 't');
    tiny[2] = 4;
    const Bytes f = Frame(2, 'f');
    const Bytes all = Cat({tiny, f});
    cutter.Feed(all.data(), all.size(), c.Handler());
    ASSERT_GE(c.frames.size(), 1u);
    EXPECT_EQ(c.frames[0].size(), 12u);
    // An oversized length read from junk (no marks) is not remembered: it would eat the stream.
    // The next frame start is searched for; the last bytes may begin one and are kept.
    CFrameCutter junkCutter(30720, 30720, CFrameCutter::Start::AtHead);
    Bytes junk(28, 0x11);
    junk[2] = junk[3] = junk[4] = 0xFF;
    Collector j;
    junkCutter.Feed(junk.data(), junk.size(), j.Handler());
    EXPECT_EQ(junkCutter.SkipPending(), 0u);
    EXPECT_LT(junkCutter.Ring().Count(), 8);
    EXPECT_TRUE(j.frames.empty());
    junkCutter.Feed(f.data(), f.size(), j.Handler());
    ASSERT_EQ(j.frames.size(), 1u);
    EXPECT_EQ(j.frames[0], f);
    // Found, the cutter takes the head as a frame start again: a short piece is cut as it stands.
    junkCutter.Feed(tiny.data(), tiny.size(), j.Handler());
    ASSERT_EQ(j.frames.size(), 2u);
    EXPECT_EQ(j.frames[1].size(), 12u);
}
