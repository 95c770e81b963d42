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
