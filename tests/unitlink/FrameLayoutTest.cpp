#include "unitlink/FrameLayout.h"

#include <gtest/gtest.h>

using namespace unitlink;

namespace {

std::uint32_t Answer(std::uint8_t c0, std::uint8_t c1, std::uint8_t c2, std::uint8_t c3, std::uint16_t key) {
    const std::uint8_t c[4] = {c0, c1, c2, c3};
    return ComputeChallengeAnswer(c, key);
}

} // namespace

TEST(ChallengeAnswer, ConfigToolConstant) {
    EXPECT_EQ(0x034a7d54u, Answer(0x00, 0x00, 0x00, 0x00, kConfigToolKey));
    EXPECT_EQ(0x007dedb7u, Answer(0x12, 0x34, 0x56, 0x78, kConfigToolKey)); // 16 rotations
    EXPECT_EQ(0xd87167d2u, Answer(0xde, 0xad, 0xbe, 0xef, kConfigToolKey));
    // The top bit travels through the carry into bit 0 one rotation later.
    EXPECT_EQ(0x034a7cabu, Answer(0x80, 0x00, 0x00, 0x00, kConfigToolKey));
}

TEST(ChallengeAnswer, DeviceLoginConstant) {
    EXPECT_EQ(0x0b449a26u, Answer(0x00, 0x00, 0x00, 0x00, kDeviceLoginKey));
    EXPECT_EQ(0xf126381du, Answer(0xde, 0xad, 0xbe, 0xef, kDeviceLoginKey));
    EXPECT_EQ(0x0b4495d9u, Answer(0x80, 0x00, 0x00, 0x00, kDeviceLoginKey));
}

TEST(ChallengeAnswer, ByteSumDivisibleBySixteenRunsOneRotation) {
    // 6 + 48126 = 0xBC04, byte sum 0xC0: one rotation of v with a clear carry.
    EXPECT_EQ(0xBC04u << 1, Answer(0, 0, 0, 6, kConfigToolKey));
    // 4 + 30517 = 0x7739, byte sum 0xB0.
    EXPECT_EQ(0x7739u << 1, Answer(0, 0, 0, 4, kDeviceLoginKey));
    EXPECT_EQ(0x24699b5au, Answer(0x12, 0x34, 0x56, 0x78, kDeviceLoginKey));
}

TEST(ChallengeAnswer, SumWithKeyWrapsAround) {
    EXPECT_EQ(0x01a58156u, Answer(0xff, 0xff, 0xff, 0xff, kConfigToolKey));
    EXPECT_EQ(0x05a225d8u, Answer(0xff, 0xff, 0xff, 0xff, kDeviceLoginKey));
}

TEST(FrameHeader, DeviceToolHeaderFields) {
    std::uint8_t body[] = {17, 1, 2};
    auto f = BuildFrame(body, 3, DeviceToolHeader(kKindAsdu, 255, 0x1234, 0xABCD));
    ASSERT_EQ(31u, f.size());
    EXPECT_EQ(23u, GetU32(&f[kOffLength]));
    EXPECT_EQ(0x1234, GetU16(&f[kOffTarget]));
    EXPECT_EQ(0xABCD, GetU16(&f[kOffSequence]));
    EXPECT_EQ(1, GetU16(&f[kOffDirection]));
    EXPECT_EQ(16, GetU16(&f[kOffWord20]));
    EXPECT_EQ(255, f[kOffBoard]);
    EXPECT_EQ(0, f[kOffKind]);
    EXPECT_EQ(17, f[kOffType]);
    // A unit message never carries the device address.
    auto g = BuildFrame(body, 3, DeviceToolHeader(kKindDsdu, 0, 0x1234, 0));
    EXPECT_EQ(0, GetU16(&g[kOffTarget]));
    EXPECT_EQ(1, g[kOffKind]);
}

TEST(FrameHeader, CheckPolicies) {
    std::uint8_t body[] = {15, 1};
    FrameHeaderFields unit;
    unit.kind = 0x81;
    unit.direction = kUnitDirection;
    auto f = BuildFrame(body, 2, unit);
    EXPECT_EQ(1, CheckHeader(f.data(), f.size(), CheckPolicy::ConfigTool));
    EXPECT_EQ(1, CheckHeader(f.data(), f.size(), CheckPolicy::DeviceTool));
    EXPECT_EQ(-1, CheckHeader(f.data(), 27, CheckPolicy::ConfigTool));

    f[kOffKind] = 0x01; // bit 7 clear: refused by every program
    EXPECT_EQ(-1, CheckHeader(f.data(), f.size(), CheckPolicy::ConfigTool));
    EXPECT_EQ(-1, CheckHeader(f.data(), f.size(), CheckPolicy::DeviceTool));
    f[kOffKind] = 0x80; // an ASDU: the device tools take it, the configuration tool does not
    EXPECT_EQ(-1, CheckHeader(f.data(), f.size(), CheckPolicy::ConfigTool));
    EXPECT_EQ(0, CheckHeader(f.data(), f.size(), CheckPolicy::DeviceTool));
    f[kOffKind] = 0x82;
    EXPECT_EQ(-1, CheckHeader(f.data(), f.size(), CheckPolicy::DeviceTool));
    f[kOffKind] = 0x81;
    PutU16(&f[kOffDirection], 1); // the device tools require direction 43, the configuration tool does not
    EXPECT_EQ(-1, CheckHeader(f.data(), f.size(), CheckPolicy::DeviceTool));
    EXPECT_EQ(1, CheckHeader(f.data(), f.size(), CheckPolicy::ConfigTool));
    PutU16(&f[kOffDirection], kUnitDirection);
    PutU32(&f[kOffLength], 0);
    EXPECT_EQ(-1, CheckHeader(f.data(), f.size(), CheckPolicy::DeviceTool));
    PutU32(&f[kOffLength], 22);
    f[7] = 0xEA;
    EXPECT_EQ(-1, CheckHeader(f.data(), f.size(), CheckPolicy::ConfigTool));
}
