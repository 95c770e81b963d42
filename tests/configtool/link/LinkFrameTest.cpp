#include "configtool/link/LinkFrame.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

using namespace qxm7740;

using namespace unitlink;

TEST(LinkFrame, BuildHeaderOfTypeByteAlone) {
    CLinkFrame f;
    ASSERT_EQ(1, f.BuildHeader(1));
    ASSERT_EQ(29, f.Length());
    const std::vector<std::uint8_t> expected = {0x90, 0xEB, 21, 0, 0, 0, 0x90, 0xEB, 0, 0, 0, 0, 0, 0, 0,
                                                0,    0,    0,  0, 0, 0, 0,    0,    0, 0, 0, 0, 1, 0};
    EXPECT_EQ(expected, std::vector<std::uint8_t>(f.Data(), f.Data() + f.Length()));
}

TEST(LinkFrame, RestartFrameByteForByte) {
    CLinkFrame f;
    ASSERT_EQ(1, f.BuildHeader(1));
    f.Data()[kOffType] = 2;
    f.SetBoard(7);
    const std::vector<std::uint8_t> expected = {0x90, 0xEB, 0x15, 0, 0, 0, 0x90, 0xEB, 0, 0, 0, 0, 0, 0, 0,
                                                0,    0,    0,    0, 0, 0, 0,    0,    0, 0, 0, 7, 1, 2};
    EXPECT_EQ(expected, std::vector<std::uint8_t>(f.Data(), f.Data() + f.Length()));
}

TEST(LinkFrame, AllocateRefusesAbove65000AndKeepsTheFrame) {
    testsupport::PromptRecorder rec;
    CLinkFrame f;
    ASSERT_EQ(1, f.BuildHeader(3));
    f.Data()[28] = 9;
    EXPECT_EQ(0, f.Allocate(65001));
    EXPECT_EQ(0, f.Allocate(-1));
    ASSERT_EQ(2u, rec.Count());
    EXPECT_EQ("缓冲区越限，创建失败！", rec.LastText());
    EXPECT_EQ(31, f.Length());
    EXPECT_EQ(9, f.Data()[28]);
    EXPECT_EQ(1, f.Allocate(65000));
    EXPECT_EQ(65000, f.Length());
    EXPECT_EQ(0, f.BuildHeader(65000 - 27));
    EXPECT_EQ(1, f.BuildHeader(65000 - 28));
    EXPECT_EQ(3u, rec.Count());
    CLinkFrame small;
    small.SetBoard(3); // no header yet: nothing to write
    EXPECT_TRUE(small.IsEmpty());
}

TEST(LinkFrame, BuildHeaderOnlyWritesTheHeaderAndKeepsTheBytesAfterIt) {
    testsupport::PromptRecorder rec;
    CLinkFrame cleared, kept;
    ASSERT_EQ(1, kept.BuildHeader(6));
    for (int i = 28; i < kept.Length(); ++i)
        kept.Data()[i] = static_cast<std::uint8_t>(i);
    kept.SetBoard(4);
    // Shorter: the header of the new length (as BuildHeader writes it, board byte included) and
    // the kept bytes before the new end.
    ASSERT_EQ(1, kept.BuildHeaderOnly(3));
    ASSERT_EQ(1, cleared.BuildHeader(3));
    ASSERT_EQ(31, kept.Length());
    EXPECT_TRUE(std::equal(cleared.Data(), cleared.Data() + 28, kept.Data()));
    EXPECT_EQ((std::vector<std::uint8_t>{28, 29, 30}),
              std::vector<std::uint8_t>(kept.Data() + 28, kept.Data() + 31));
    // Longer: bytes beyond the old end are zero.
    ASSERT_EQ(1, kept.BuildHeaderOnly(5));
    ASSERT_EQ(1, cleared.BuildHeader(5));
    EXPECT_TRUE(std::equal(cleared.Data(), cleared.Data() + 28, kept.Data()));
    EXPECT_EQ((std::vector<std::uint8_t>{28, 29, 30, 0, 0}),
              std::vector<std::uint8_t>(kept.Data() + 28, kept.Data() + 33));
    // Refused as BuildHeader refuses, the frame unchanged.
    EXPECT_EQ(0, kept.BuildHeaderOnly(65000 - 27));
    EXPECT_EQ(1u, rec.Count());
    EXPECT_EQ(33, kept.Length());
}
