#include "platform/Archive.h"
#include "platform/FileFaults.h"
#include "platform/TextFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using platform::CArchive;
using platform::CArchiveException;

namespace {
std::string Head(const std::string& bytes, std::size_t n) {
    return bytes.substr(0, n);
}
} // namespace

TEST(Archive, StringLengthFormsByteForByte) {
    struct Case {
        std::size_t len;
        std::string prefix;
    };
    const Case cases[] = {
        {0, std::string("\x00", 1)},
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\x00", 3)},
        {65533, "\xFF\xFD\xFF"},
        {65534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
    };
    for (const Case& c : cases) {
        CArchive out;
        std::string payload(c.len, 'x');
        out.WriteString(payload);
        EXPECT_EQ(c.prefix.size() + c.len, out.Bytes().size()) << c.len;
        EXPECT_EQ(c.prefix, Head(out.Bytes(), c.prefix.size())) << c.len;
        CArchive in(out.Bytes());
        EXPECT_EQ(payload, in.ReadString()) << c.len;
        EXPECT_TRUE(in.AtEnd());
    }
}

TEST(Archive, StringsKeepZeroBytes) {
    CArchive out;
    out.WriteString(std::string("a\0b", 3));
    CArchive in(out.Bytes());
    EXPECT_EQ(std::string("a\0b", 3), in.ReadString());
}

TEST(Archive, CountsAndIntegersAreLittleEndian) {
    CArchive out;
    out.WriteCount(3);
    out.WriteCount(0x12345);
    out.WriteU32(0x01020304);
    out.WriteI32(-1);
    EXPECT_EQ(std::string("\x03\x00\xFF\xFF\x45\x23\x01\x00\x04\x03\x02\x01\xFF\xFF\xFF\xFF", 16),
              out.Bytes());
    CArchive in(out.Bytes());
    EXPECT_EQ(3u, in.ReadCount());
    EXPECT_EQ(0x12345u, in.ReadCount());
    EXPECT_EQ(0x01020304u, in.ReadU32());
    EXPECT_EQ(-1, in.ReadI32());
}

TEST(Archive, ObjectTagsShareOneCounterForClassesAndObjects) {
    CArchive out;
    out.WriteObjectTag("CUserInfo", 1);  // class 1, object 2
    out.WriteObjectTag("CUserInfo", 1);  // object 3
    out.WriteObjectTag("CUserInfo", 1);  // object 4
    out.WriteObjectTag("CGroupInfo", 1); // class 5, object 6
    out.WriteObjectTag("CGroupInfo", 1);
    const std::string expected =
        std::string("\xFF\xFF\x01\x00\x09\x00", 6) + "CUserInfo" + std::string("\x01\x80\x01\x80", 4) +
        std::string("\xFF\xFF\x01\x00\x0A\x00", 6) + "CGroupInfo" + std::string("\x05\x80", 2);
    EXPECT_EQ(expected, out.Bytes());

    CArchive in(out.Bytes());
    std::uint16_t schema = 0;
    EXPECT_EQ("CUserInfo", in.ReadObjectTag(&schema));
    EXPECT_EQ(1, schema);
    EXPECT_EQ("CUserInfo", in.ReadObjectTag());
    EXPECT_EQ("CUserInfo", in.ReadObjectTag());
    EXPECT_EQ("CGroupInfo", in.ReadObjectTag());
    EXPECT_EQ("CGroupInfo", in.ReadObjectTag());
}

TEST(Archive, TruncatedAndMalformedInputThrows) {
    CArchive out;
    out.WriteString(std::string(300, 'y'));
    std::string bytes = out.Bytes();
    for (std::size_t cut : {0ul, 1ul, 2ul, 3ul, 100ul, bytes.size() - 1}) {
        CArchive in(bytes.substr(0, cut));
        EXPECT_THROW(in.ReadString(), CArchiveException) << cut;
    }
    // A huge announced length must not be allocated or read past.
    CArchive huge(std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7));
    EXPECT_THROW(huge.ReadString(), CArchiveException);
    // A back reference to a class that was never named.
    CArchive unknown(std::string("\x07\x80", 2));
    EXPECT_THROW(unknown.ReadObjectTag(), CArchiveException);
    CArchive objectRef(std::string("\x02\x00", 2));
    EXPECT_THROW(objectRef.ReadObjectTag(), CArchiveException);
    EXPECT_EQ("", CArchive(std::string("\x00\x00", 2)).ReadObjectTag());
}

// A big archive goes to its file a piece at a time, taken out by its writer or handed to a sink:
// the pieces make the bytes of the whole archive (class tags refer back across pieces), and a
// write that fails part way fails the close.
TEST(Archive, WrittenInPiecesAsWhole) {
    auto fill = [](CArchive& ar, int piece) {
        ar.WriteObjectTag("CUserInfo", 1);
        ar.WriteString(std::string(static_cast<std::size_t>(100 + piece), 'a' + piece % 26));
        ar.WriteI32(piece);
    };
    CArchive whole;
    for (int i = 0; i < 20; ++i)
        fill(whole, i);

    // Handed to a sink as it fills: the pieces, then what is left, make the whole archive's bytes.
    CArchive sunk;
    std::string handed;
    int pieces = 0;
    sunk.SetSink(
        [&](std::string_view piece) {
            handed += piece;
            ++pieces;
        },
        256);
    for (int i = 0; i < 20; ++i)
        fill(sunk, i);
    EXPECT_GT(pieces, 5);
    EXPECT_LT(sunk.Bytes().size(), std::size_t{256});
    EXPECT_EQ(handed + sunk.Bytes(), whole.Bytes());

    testsupport::TempDir dir;
    const std::filesystem::path file = dir / "pieces.dat";
    CArchive ar;
    platform::CFileWriter out;
    ASSERT_TRUE(out.Open(file));
    for (int i = 0; i < 20; ++i) {
        fill(ar, i);
        if (i % 3 == 0) {
            out.Write(ar.Bytes());
            ar.DiscardBytes();
        }
    }
    out.Write(ar.Bytes());
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(testsupport::ReadBytes(file), whole.Bytes());

    ASSERT_TRUE(out.Open(file));
    out.Write("first");
    {
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Write, 1);
        out.Write("second");
    }
    out.Write("third");
    EXPECT_FALSE(out.Close());
    EXPECT_EQ(testsupport::ReadBytes(file), "firstsec");
    EXPECT_FALSE(out.Close()); // closed already
}
