// Reading archives made by Info-ZIP in its several forms, and broken archives giving their cause.
#include "ziparchive/ZipArchive.h"
#include "ZipTestUtil.h"

using namespace ziptest;
using testsupport::TempDir;

namespace {

// Extracts every entry of the archive into dest; the archive is closed afterwards.
void ExtractAll(const fs::path& zip, const fs::path& dest, int searchBuffer = 32768) {
    CZipArchive a;
    a.SetBufferSizes(65535, 16384, searchBuffer);
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    for (int i = 0; i < a.GetEntryCount(); ++i)
        ASSERT_TRUE(a.ExtractFile(i, dest.string(), false)) << i;
    a.Close();
}

// The cause of the CZipException that fn raises, 0 when it raises none.
template <class Fn> int CauseOf(Fn fn) {
    try {
        fn();
    } catch (const CZipException& e) {
        return e.m_iCause;
    }
    return 0;
}

void MakeAsciiTree(const fs::path& root) {
    fs::create_directories(root / "sub" / "deeper");
    testsupport::WriteBytes(root / "a.txt", TextBytes(300, 1));
    testsupport::WriteBytes(root / "empty.dat", "");
    testsupport::WriteBytes(root / "sub" / "b.bin", RandomBytes(70000, 2));
    testsupport::WriteBytes(root / "sub" / "deeper" / "c.cfg", TextBytes(5000, 3));
}

class InfoZipArchives : public ::testing::Test {
protected:
    TempDir tmp;
    fs::path src;
    void SetUp() override {
        src = tmp / "src";
        MakeAsciiTree(src);
    }
    std::string InSrc(const std::string& cmd) { return "cd " + Quote(src) + " && " + cmd; }
};

} // namespace

TEST_F(InfoZipArchives, EachFormIsReadCorrectly) {
    const fs::path plain = tmp / "plain.zip";
    const fs::path stored = tmp / "stored.zip";
    const fs::path streamed = tmp / "streamed.zip";
    const fs::path commented = tmp / "commented.zip";
    const fs::path stub = tmp / "stub.zip";
    const fs::path adjusted = tmp / "adjusted.zip";
    ASSERT_EQ(Shell(InSrc("zip -q -r " + Quote(plain) + " .")), 0);
    ASSERT_EQ(Shell(InSrc("zip -q -r -0 " + Quote(stored) + " .")), 0);
    // Written to a pipe, zip cannot seek back: every entry gets a data descriptor.
    ASSERT_EQ(Shell(InSrc("zip -q -r - . | cat > " + Quote(streamed))), 0);
    ASSERT_EQ(Shell(InSrc("zip -q -r " + Quote(commented) + " . && echo 'project archive' | zip -q -z " +
                          Quote(commented))),
              0);
    // Bytes before the archive, once with offsets left alone and once adjusted by zip -A.
    testsupport::WriteBytes(stub, std::string(1000, 'S') + testsupport::ReadBytes(plain));
    testsupport::WriteBytes(adjusted, std::string(777, 'S') + testsupport::ReadBytes(plain));
    ASSERT_EQ(Shell("zip -q -A " + Quote(adjusted)), 0);

    const auto expected = ReadTree(src);
    int n = 0;
    for (const fs::path& zip : {plain, stored, streamed, commented, stub, adjusted}) {
        const fs::path out = tmp / ("out" + std::to_string(n++));
        ExtractAll(zip, out);
        EXPECT_EQ(ReadTree(out), expected) << zip;
        EXPECT_TRUE(fs::is_directory(out / "sub" / "deeper")) << zip;
    }
    CZipArchive a;
    ASSERT_TRUE(a.Open(commented.string(), CZipArchive::zipOpenReadOnly));
    EXPECT_EQ(a.GetGlobalComment(), "project archive");
    a.Close();

    // Packed from a pipe, the local header gives its sizes in a Zip64 extra field.
    const fs::path piped = tmp / "piped.zip";
    ASSERT_EQ(Shell(InSrc("cat a.txt | zip -q " + Quote(piped) + " -")), 0);
    ExtractAll(piped, tmp / "outpiped");
    EXPECT_EQ(testsupport::ReadBytes(tmp / "outpiped" / "-"), testsupport::ReadBytes(src / "a.txt"));

    // An archive with data descriptors can be extended and stays valid.
    CZipArchive b;
    ASSERT_TRUE(b.Open(streamed.string(), CZipArchive::zipOpen));
    ASSERT_TRUE(b.AddFile((src / "a.txt").string(), -1, false));
    b.Close();
    std::string out;
    EXPECT_EQ(Shell("unzip -t " + Quote(streamed), &out), 0) << out;
}

TEST_F(InfoZipArchives, NamesFlaggedAsUtf8AreReadAsUtf8) {
    // Names without the UTF-8 flag are GBK, the system's own archives; Python flags its
    // non-ASCII names (bit 11).
    const fs::path zip = tmp / "u.zip";
    const std::string py = "import sys,zipfile\n"
                           "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                           "  z.writestr('工程/说明.txt', 'x')\n";
    testsupport::WriteBytes(tmp / "mk.py", py);
    ASSERT_EQ(Shell("python3 " + Quote(tmp / "mk.py") + " " + Quote(zip)), 0);
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    CZipEntryHeader h;
    ASSERT_TRUE(a.GetEntryInfo(0, h));
    EXPECT_EQ(h.GetFileName(), "工程/说明.txt");
    ASSERT_TRUE(a.ExtractFile(0, (tmp / "o").string(), false));
    a.Close();
    EXPECT_EQ(testsupport::ReadBytes(tmp / "o" / "工程" / "说明.txt"), "x");
}

TEST_F(InfoZipArchives, EndRecordIsFoundBehindLongComments) {
    const fs::path base = tmp / "base.zip";
    ASSERT_EQ(Shell(InSrc("zip -q -r " + Quote(base) + " a.txt")), 0);
    const std::string bytes = testsupport::ReadBytes(base);
    // Comment lengths around the point where the signature straddles two 1024-byte search
    // chunks, and the longest comment there is.
    for (std::size_t len : {1002u, 1003u, 1004u, 1005u, 1006u, 65535u}) {
        std::string b = bytes;
        PutU16(b, b.size() - 2, static_cast<std::uint16_t>(len));
        b += std::string(len, 'c');
        const fs::path zip = tmp / ("c" + std::to_string(len) + ".zip");
        testsupport::WriteBytes(zip, b);
        ExtractAll(zip, tmp / ("o" + std::to_string(len)), 1024);
        EXPECT_EQ(testsupport::ReadBytes(tmp / ("o" + std::to_string(len)) / "a.txt"), TextBytes(300, 1))
            << len;
    }
    // A comment one byte too long pushes the end record out of the search window.
    std::string b = bytes + std::string(65536, 'c');
    testsupport::WriteBytes(tmp / "far.zip", b);
    CZipArchive a;
    EXPECT_EQ(CauseOf([&] { a.Open((tmp / "far.zip").string(), CZipArchive::zipOpenReadOnly); }),
              CZipException::cdirNotFound);
    EXPECT_TRUE(a.IsClosed());
}

TEST_F(InfoZipArchives, BrokenArchivesGiveTheirCause) {
    const fs::path stored = tmp / "stored.zip";
    const fs::path deflated = tmp / "deflated.zip";
    ASSERT_EQ(Shell(InSrc("zip -q -0 " + Quote(stored) + " a.txt sub/b.bin")), 0);
    ASSERT_EQ(Shell(InSrc("zip -q " + Quote(deflated) + " a.txt sub/deeper/c.cfg")), 0);
    const std::string s = testsupport::ReadBytes(stored);
    const std::string d = testsupport::ReadBytes(deflated);
    const std::size_t dataAt = 30 + U16(s, 26) + U16(s, 28);

    // A changed byte of stored data: the CRC differs.
    {
        std::string b = s;
        b[dataAt + 10] ^= 0x55;
        testsupport::WriteBytes(tmp / "crc.zip", b);
        CZipArchive a;
        ASSERT_TRUE(a.Open((tmp / "crc.zip").string(), CZipArchive::zipOpenReadOnly));
        EXPECT_EQ(CauseOf([&] { a.ExtractFile(0, (tmp / "o1").string(), false); }), CZipException::badCrc);
        a.Close(true);
        EXPECT_FALSE(fs::exists(tmp / "o1" / "a.txt")); // no corrupt file is left
        // The archive can be opened again and its other entry read.
        ASSERT_TRUE(a.Open((tmp / "crc.zip").string(), CZipArchive::zipOpenReadOnly));
        EXPECT_TRUE(a.ExtractFile(1, (tmp / "o1").string(), false));
        a.Close();
    }
    // Corrupt compressed data: a zlib data error or a CRC mismatch, never a crash.
    {
        std::string b = d;
        const std::size_t at = 30 + U16(d, 26) + U16(d, 28);
        for (std::size_t i = 0; i < 40; ++i)
            b[at + i] = static_cast<char>(0xFF);
        testsupport::WriteBytes(tmp / "data.zip", b);
        CZipArchive a;
        ASSERT_TRUE(a.Open((tmp / "data.zip").string(), CZipArchive::zipOpenReadOnly));
        int cause = CauseOf([&] { a.ExtractFile(0, (tmp / "o2").string(), false); });
        EXPECT_TRUE(cause == CZipException::dataError || cause == CZipException::badCrc) << cause;
        a.Close(true);
    }
    // An unknown method (12, bzip2) in both headers.
    {
        std::string b = s;
        PutU16(b, 8, 12);
        const std::size_t cd = U32(b, b.size() - 6);
        PutU16(b, cd + 10, 12);
        testsupport::WriteBytes(tmp / "method.zip", b);
        CZipArchive a;
        ASSERT_TRUE(a.Open((tmp / "method.zip").string(), CZipArchive::zipOpenReadOnly));
        EXPECT_EQ(CauseOf([&] { a.ExtractFile(0, (tmp / "o3").string(), false); }),
                  CZipException::badZipFile);
        a.Close(true);
    }
    // Truncated: the end record is gone.
    {
        testsupport::WriteBytes(tmp / "cut.zip", d.substr(0, d.size() / 2));
        CZipArchive a;
        EXPECT_EQ(CauseOf([&] { a.Open((tmp / "cut.zip").string(), CZipArchive::zipOpenReadOnly); }),
                  CZipException::cdirNotFound);
        testsupport::WriteBytes(tmp / "empty.zip", "");
        EXPECT_EQ(CauseOf([&] { a.Open((tmp / "empty.zip").string(), CZipArchive::zipOpenReadOnly); }),
                  CZipException::cdirNotFound);
    }
    // Truncated in the middle of the data, directory kept: the offsets no longer add up.
    {
        const std::size_t cd = U32(d, d.size() - 6);
        std::string b = d.substr(0, cd - 100) + d.substr(cd);
        testsupport::WriteBytes(tmp / "short.zip", b);
        CZipArchive a;
        EXPECT_EQ(CauseOf([&] { a.Open((tmp / "short.zip").string(), CZipArchive::zipOpenReadOnly); }),
                  CZipException::badZipFile);
    }
    // An entry count that the directory cannot hold.
    {
        std::string b = d;
        PutU16(b, b.size() - 12, 60000);
        testsupport::WriteBytes(tmp / "count.zip", b);
        CZipArchive a;
        EXPECT_EQ(CauseOf([&] { a.Open((tmp / "count.zip").string(), CZipArchive::zipOpenReadOnly); }),
                  CZipException::badZipFile);
    }
    // A missing archive file is a file error.
    {
        CZipArchive a;
        EXPECT_THROW(a.Open((tmp / "none.zip").string(), CZipArchive::zipOpenReadOnly), CZipFileException);
        EXPECT_TRUE(a.IsClosed());
    }
}

TEST_F(InfoZipArchives, DataCutShortFailsTheEntryOnly) {
    const fs::path zip = tmp / "d.zip";
    ASSERT_EQ(Shell(InSrc("zip -q " + Quote(zip) + " sub/deeper/c.cfg a.txt")), 0);
    std::string b = testsupport::ReadBytes(zip);
    // The first entry claims 10 bytes more than its stream holds.
    const std::uint32_t size = U32(b, 22);
    PutU32(b, 22, size + 10);
    const std::size_t cd = U32(b, b.size() - 6);
    PutU32(b, cd + 24, size + 10);
    testsupport::WriteBytes(zip, b);
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    EXPECT_FALSE(a.ExtractFile(0, (tmp / "o").string(), false));
    EXPECT_FALSE(fs::exists(tmp / "o" / "sub" / "deeper" / "c.cfg"));
    EXPECT_TRUE(a.ExtractFile(1, (tmp / "o").string(), false));
    a.Close();
    EXPECT_EQ(testsupport::ReadBytes(tmp / "o" / "a.txt"), TextBytes(300, 1));
}

// An end record that gives the central directory as shorter than its headers: where the
// directory starts is worked out from that size, so the archive is refused as a bad one, not read
// from the wrong place.
TEST_F(InfoZipArchives, CentralDirectoryLongerThanItsStatedSizeIsRefused) {
    const fs::path zip = tmp / "short.zip";
    ASSERT_EQ(Shell(InSrc("zip -q " + Quote(zip) + " a.txt sub/b.bin sub/deeper/c.cfg")), 0);
    std::string b = testsupport::ReadBytes(zip);
    const std::size_t end = b.size() - 22;
    ASSERT_EQ(U32(b, end), 0x06054b50u);
    for (const std::uint32_t less : {20u, 46u}) {
        SCOPED_TRACE(less);
        std::string changed = b;
        PutU32(changed, end + 12, U32(b, end + 12) - less);
        testsupport::WriteBytes(zip, changed);
        CZipArchive a;
        EXPECT_EQ(CauseOf([&] { a.Open(zip.string(), CZipArchive::zipOpenReadOnly); }),
                  CZipException::badZipFile);
        a.Close(true);
    }
}
