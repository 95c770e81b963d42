#include "users/model/DesCipher.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Hex(const std::string& h) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(h.substr(i, 2), nullptr, 16)));
    return out;
}

struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};

void CheckVectors(const std::vector<Vector>& vectors, CDesCipher::KeySchedule schedule) {
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.key);
        CDesCipher des;
        des.DesSetKey(Hex(v.key).data(), schedule);
        auto plain = Hex(v.plain);
        std::vector<std::uint8_t> out(8), back(8);
        ASSERT_EQ(1, des.DesCryptBuffer(plain.data(), out.data(), 8, CDesCipher::encrypt));
        EXPECT_EQ(Hex(v.cipher), out);
        ASSERT_EQ(1, des.DesCryptBuffer(out.data(), back.data(), 8, CDesCipher::decrypt));
        EXPECT_EQ(plain, back);
    }
}

} // namespace

TEST(DesCipher, PublishedVectorsWithTheStandardSchedule) {
    CheckVectors({{"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
                  {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
                  {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
                  {"0101010101010101", "0000000000000001", "166B40B44ABA4BD6"},
                  {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"}},
                 CDesCipher::standard);
}

TEST(DesCipher, ModifiedScheduleVectors) {
    // Worked out independently with a bit-by-bit model of the user file's key schedule.
    CheckVectors({{"133457799BBCDFF1", "0123456789ABCDEF", "56BE69481C0A1D1B"},
                  {"0123456789ABCDEF", "4E6F772069732074", "2676A9F493BC7882"},
                  {"0000000000000000", "0000000000000000", "8CA64DE9C1B123A7"}},
                 CDesCipher::modified);
}

TEST(DesCipher, ModifiedScheduleDiffersFromRoundTwoOn) {
    const std::uint8_t key[8] = {0xC7, 0xE0, 0xCB, 0xC9, 0xB4, 0xE4, 0xB0, 0xD8}; // "青松翠柏"
    CDesCipher std_, mod;
    std_.DesSetKey(key, CDesCipher::standard);
    mod.DesSetKey(key, CDesCipher::modified);
    EXPECT_EQ(std_.RoundKey(0), mod.RoundKey(0));
    EXPECT_EQ(0xDFD75B003E00u, mod.RoundKey(0));
    EXPECT_EQ(0xEFCD56100084u, mod.RoundKey(1));
    EXPECT_EQ(0xAF63FC000A00u, mod.RoundKey(2));
    EXPECT_NE(std_.RoundKey(1), mod.RoundKey(1));
}

TEST(DesCipher, BufferRules) {
    CDesCipher des;
    const std::uint8_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    des.DesSetKey(key);
    std::vector<std::uint8_t> in(72, 0x41), out(72, 0);
    EXPECT_EQ(0, des.DesCryptBuffer(in.data(), out.data(), 70, CDesCipher::encrypt));
    EXPECT_EQ(std::vector<std::uint8_t>(72, 0), out);
    EXPECT_EQ(0, des.DesCryptBuffer(nullptr, out.data(), 8, CDesCipher::encrypt));
    EXPECT_EQ(0, des.DesCryptBuffer(in.data(), nullptr, 8, CDesCipher::encrypt));
    // Blocks are independent: equal plain blocks give equal scrambled blocks, in place as well.
    ASSERT_EQ(1, des.DesCryptBuffer(in.data(), in.data(), 72, CDesCipher::encrypt));
    for (int b = 1; b < 9; ++b)
        EXPECT_TRUE(std::equal(in.begin(), in.begin() + 8, in.begin() + b * 8));
    ASSERT_EQ(1, des.DesCryptBuffer(in.data(), in.data(), 72, CDesCipher::decrypt));
    EXPECT_EQ(std::vector<std::uint8_t>(72, 0x41), in);
}
