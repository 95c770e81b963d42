// The request bodies the monitor and the debugger share, byte for byte, and the body reader.
#include "unitlink/RequestBodies.h"
#include "unitlink/BodyReader.h"
#include "unitlink/FrameLayout.h"

#include <gtest/gtest.h>

#include <string>

using unitlink::body::Bytes;

TEST(RequestBodies, FileTransferBodiesByteForByte) {
    EXPECT_EQ(unitlink::body::Restart(), Bytes({2}));
    // "装置" is D7 B0 D6 C3 in GBK.
    EXPECT_EQ(unitlink::body::StringCommand("装置 a"), Bytes({3, 0xD7, 0xB0, 0xD6, 0xC3, ' ', 'a'}));
    EXPECT_EQ(unitlink::body::FileOpen(1, 0x01020304, "a.cfg"),
              Bytes({4, 1, 4, 3, 2, 1, 'a', '.', 'c', 'f', 'g', 0}));
    EXPECT_EQ(unitlink::body::FileReady(0xA0B0C0D0), Bytes({5, 0xD0, 0xC0, 0xB0, 0xA0, 1}));
    const std::uint8_t data[] = {9, 8};
    EXPECT_EQ(unitlink::body::FileData(7, 1, 0x0102, data, 2), Bytes({6, 7, 0, 0, 0, 1, 2, 1, 9, 8}));
    EXPECT_EQ(unitlink::body::FileData(7, 0, 3), Bytes({6, 7, 0, 0, 0, 0, 3, 0}));
    EXPECT_EQ(unitlink::body::FileClose("装置"), Bytes({7, 0xD7, 0xB0, 0xD6, 0xC3, 0}));
    EXPECT_EQ(unitlink::body::ChallengeAnswer(0x11223344), Bytes({14, 0x44, 0x33, 0x22, 0x11}));
}

TEST(RequestBodies, NoBodyPassesTheLargestBody) {
    // A name of 40,000 two-byte characters is cut at a whole character, its terminator kept.
    std::string name;
    for (int i = 0; i < 40000; ++i)
        name += "装";
    const Bytes open = unitlink::body::FileOpen(0, 1, name);
    EXPECT_LE(open.size(), unitlink::kMaxBody);
    EXPECT_EQ(open.back(), 0);
    EXPECT_EQ((open.size() - 7) % 2, 0u);
    EXPECT_LE(unitlink::body::FileClose(name).size(), unitlink::kMaxBody);
    EXPECT_LE(unitlink::body::StringCommand(name).size(), unitlink::kMaxBody);
    const Bytes big(70000, 1);
    EXPECT_EQ(unitlink::body::FileData(1, 1, 1, big.data(), big.size()).size(), unitlink::kMaxBody);
}

TEST(BodyReader, InOrderAndAtOffsetsNeverPastTheEnd) {
    const std::uint8_t body[] = {1, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12};
    unitlink::CBodyReader r(body, sizeof body);
    EXPECT_EQ(r.U8(), 1);
    EXPECT_EQ(r.U16(), 0x1234);
    EXPECT_EQ(r.U32(), 0x12345678u);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.U8(), 0); // past the end: fails and stays failed
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.Left(), 0u);
    EXPECT_TRUE(r.Has(3, 4));
    EXPECT_FALSE(r.Has(4, 4));
    EXPECT_FALSE(r.Has(8, 0));
    EXPECT_FALSE(r.Has(1, SIZE_MAX)); // no wrap-around
    EXPECT_EQ(r.U32At(3), 0x12345678u);
    EXPECT_EQ(r.U16At(1), 0x1234);
}

TEST(RequestBodies, AnswerReadersNameTheFieldsAndRefuseShortBodies) {
    const std::uint8_t open[] = {4, 1, 0x10, 0x20, 0x30, 0x40, 0x01, 0x02, 0x03, 0x04};
    const auto reply = unitlink::body::ReadFileOpenReply(open, sizeof open);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->opened);
    EXPECT_EQ(reply->length, 0x40302010u);
    EXPECT_EQ(reply->fileId, 0x04030201u);
    EXPECT_FALSE(unitlink::body::ReadFileOpenReply(open, sizeof open - 1));

    // What the encoder writes, the reader reads back.
    const std::uint8_t bytes[] = {9, 8, 7};
    const Bytes packet = unitlink::body::FileData(0xA1B2C3D4, 1, 0x0203, bytes, 3);
    const auto data = unitlink::body::ReadFileData(packet.data(), packet.size());
    ASSERT_TRUE(data);
    EXPECT_EQ(data->fileId, 0xA1B2C3D4u);
    EXPECT_EQ(data->flag, 1);
    EXPECT_EQ(data->packet, 0x0203);
    ASSERT_EQ(data->size, 3u);
    EXPECT_EQ(data->data, packet.data() + unitlink::body::kDataBytes);
    EXPECT_EQ(data->data[2], 7);
    const Bytes ack = unitlink::body::FileData(5, 0, 9);
    ASSERT_TRUE(unitlink::body::ReadFileData(ack.data(), ack.size()));
    EXPECT_EQ(unitlink::body::ReadFileData(ack.data(), ack.size())->size, 0u);
    EXPECT_FALSE(unitlink::body::ReadFileData(ack.data(), ack.size() - 1));

    const std::uint8_t challenge[] = {14, 0x5A, 0x17, 0xC3, 0x81};
    EXPECT_EQ(unitlink::body::ReadChallenge(challenge, sizeof challenge), challenge + 1);
    EXPECT_EQ(unitlink::body::ReadChallenge(challenge, 4), nullptr);

    const std::uint8_t verdict[] = {15, 1};
    EXPECT_EQ(unitlink::body::ReadVerdict(verdict, sizeof verdict), 1);
    EXPECT_FALSE(unitlink::body::ReadVerdict(verdict, 1));

    // The unit's text starts after one unused byte and ends at its first zero or the body's end.
    const std::uint8_t text[] = {2, 0xFF, 0xD7, 0xB0, 'x', 0, 'y'};
    EXPECT_EQ(unitlink::body::ReadUnitText(text, sizeof text), std::string_view("\xD7\xB0x"));
    EXPECT_EQ(unitlink::body::ReadUnitText(text, 4), std::string_view("\xD7\xB0"));
    EXPECT_EQ(unitlink::body::ReadUnitText(text, 2), std::string_view());
    EXPECT_FALSE(unitlink::body::ReadUnitText(text, 1));
}
