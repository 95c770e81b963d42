// Writing archives: what Info-ZIP and Python make of them, the records on disk, appending, the
// names stored, and the refusals that leave nothing behind.
#include "platform/Gbk.h"
#include "ziparchive/ZipArchive.h"
#include "ZipTestUtil.h"

#include <algorithm>
#include <vector>

using namespace ziptest;
using testsupport::TempDir;

namespace {

std::vector<fs::path> FilesBelow(const fs::path& root) {
    std::vector<fs::path> files;
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

void Pack(const fs::path& zip, const fs::path& root) {
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
    a.SetRootPath(root.string());
    for (const fs::path& f : FilesBelow(root))
        ASSERT_TRUE(a.AddFile(f.string(), -1, false)) << f;
    a.Close();
}

void ExtractAll(const fs::path& zip, const fs::path& dest) {
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    for (int i = 0; i < a.GetEntryCount(); ++i)
        ASSERT_TRUE(a.ExtractFile(i, dest.string(), false)) << i;
    a.Close();
}

} // namespace

TEST(ZipWrite, NestedFolderIsAcceptedByInfoZipAndPythonAndExtractsIdentical) {
    TempDir tmp;
    MakeTree(tmp / "src");
    const fs::path zip = tmp / "proj.zip";
    Pack(zip, tmp / "src");

    std::string out;
    EXPECT_EQ(Shell("unzip -t " + Quote(zip), &out), 0) << out;
    // Python decodes names without flag bit 11 as cp437; turned back into bytes they are GBK.
    const std::string py = "import sys,zipfile\n"
                           "z=zipfile.ZipFile(sys.argv[1])\n"
                           "assert z.testzip() is None\n"
                           "for i in z.infolist():\n"
                           "  assert i.flag_bits & 0x808 == 0, i.flag_bits\n"
                           "  print(i.filename.encode('cp437').decode('gbk'))\n";
    testsupport::WriteBytes(tmp / "check.py", py);
    ASSERT_EQ(Shell("python3 " + Quote(tmp / "check.py") + " " + Quote(zip), &out), 0) << out;
    EXPECT_EQ(out, "a.txt\nempty.dat\nsub/b.bin\nsub/deeper/c.cfg\n间隔/配置.ini\n");

    ExtractAll(zip, tmp / "out");
    EXPECT_EQ(ReadTree(tmp / "out"), ReadTree(tmp / "src"));

    // Info-ZIP extracts the ASCII-named files to the same bytes.
    ASSERT_EQ(Shell("unzip -q " + Quote(zip) + " -x '*.ini' -d " + Quote(tmp / "unz"), &out), 0) << out;
    EXPECT_EQ(testsupport::ReadBytes(tmp / "unz" / "sub" / "deeper" / "c.cfg"),
              testsupport::ReadBytes(tmp / "src" / "sub" / "deeper" / "c.cfg"));
    EXPECT_EQ(testsupport::ReadBytes(tmp / "unz" / "sub" / "b.bin"),
              testsupport::ReadBytes(tmp / "src" / "sub" / "b.bin"));
}

TEST(ZipWrite, LocalHeadersCarryCrcAndSizesWithoutDataDescriptor) {
    TempDir tmp;
    testsupport::WriteBytes(tmp / "x" / "配置.txt", TextBytes(100, 7));
    const fs::path zip = tmp / "a.zip";
    Pack(zip, tmp / "x");
    const std::string b = testsupport::ReadBytes(zip);
    ASSERT_EQ(U32(b, 0), 0x04034b50u);
    EXPECT_EQ(U16(b, 6) & 0x0808, 0); // no data descriptor, no UTF-8 flag
    EXPECT_EQ(U16(b, 8), 8);          // deflated
    const std::uint32_t comp = U32(b, 18);
    EXPECT_EQ(U32(b, 22), TextBytes(100, 7).size());
    EXPECT_EQ(b.substr(30, U16(b, 26)), platform::ToGbk("配置.txt"));
    // Right after the data comes the central header: no descriptor in between.
    EXPECT_EQ(U32(b, 30 + U16(b, 26) + U16(b, 28) + comp), 0x02014b50u);

    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    CZipEntryHeader h;
    ASSERT_TRUE(a.GetEntryInfo(0, h));
    EXPECT_EQ(h.GetFileName(), "配置.txt");
    EXPECT_EQ(h.m_uCrc32, U32(b, 14));
    EXPECT_FALSE(a.GetEntryInfo(1, h));
}

TEST(ZipWrite, AppendingLeavesOneCentralDirectory) {
    TempDir tmp;
    MakeTree(tmp / "src");
    const fs::path zip = tmp / "a.zip";
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
        a.SetRootPath((tmp / "src").string());
        ASSERT_TRUE(a.AddFile((tmp / "src" / "a.txt").string(), -1, false));
        ASSERT_TRUE(a.AddFile((tmp / "src" / "sub" / "b.bin").string(), -1, false));
        a.Close();
    }
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpen));
        EXPECT_EQ(a.GetEntryCount(), 2);
        EXPECT_FALSE(a.Open(zip.string(), CZipArchive::zipOpen)); // already open
        a.SetRootPath((tmp / "src").string());
        ASSERT_TRUE(a.AddFile((tmp / "src" / "sub" / "deeper" / "c.cfg").string(), -1, false));
        a.Close();
    }
    const std::string b = testsupport::ReadBytes(zip);
    EXPECT_EQ(CountOf(b, std::string("PK\x05\x06", 4)), 1);
    EXPECT_EQ(CountOf(b, std::string("PK\x01\x02", 4)), 3);
    std::string out;
    EXPECT_EQ(Shell("unzip -t " + Quote(zip), &out), 0) << out;
    ExtractAll(zip, tmp / "out");
    EXPECT_EQ(testsupport::ReadBytes(tmp / "out" / "sub" / "deeper" / "c.cfg"),
              testsupport::ReadBytes(tmp / "src" / "sub" / "deeper" / "c.cfg"));

    // Opening and closing without a change rewrites nothing.
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpen));
        a.Close();
    }
    EXPECT_EQ(testsupport::ReadBytes(zip), b);
}

TEST(ZipWrite, StoredNamesFollowTheRootPath) {
    TempDir tmp;
    testsupport::WriteBytes(tmp / "r" / "d" / "f.txt", "x");
    const std::string root = (tmp / "r").string();
    const std::string file = (tmp / "r" / "d" / "f.txt").string();
    CZipArchive a;
    ASSERT_TRUE(a.Open((tmp / "a.zip").string(), CZipArchive::zipCreate));
    a.SetRootPath(root + "/");
    ASSERT_TRUE(a.AddFile(file, -1, false));
    a.SetRootPath(root);
    ASSERT_TRUE(a.AddFile(file, -1, false));
    EXPECT_FALSE(a.AddFile(root, -1, false)); // the root itself gives an empty name
    a.SetRootPath((tmp / "other").string());
    ASSERT_TRUE(a.AddFile(file, -1, false)); // outside the root: the file name alone
    a.SetRootPath({});
    ASSERT_TRUE(a.AddFile(file, -1, true));
    ASSERT_TRUE(a.AddFile((tmp / "r" / "d").string(), 0, false));
    std::vector<std::string> names;
    for (int i = 0; i < a.GetEntryCount(); ++i) {
        CZipEntryHeader h;
        a.GetEntryInfo(i, h);
        names.push_back(h.GetFileName());
    }
    a.Close();
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], "d/f.txt");
    EXPECT_EQ(names[1], "d/f.txt");
    EXPECT_EQ(names[2], "f.txt");
    EXPECT_EQ(names[3], file.substr(1));
    EXPECT_EQ(names[4], "d/");
}

TEST(ZipWrite, FolderEntryIsStoredAndExtractedAsFolder) {
    TempDir tmp;
    fs::create_directories(tmp / "src" / "emptydir");
    const fs::path zip = tmp / "a.zip";
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
        a.SetRootPath((tmp / "src").string());
        ASSERT_TRUE(a.AddFile((tmp / "src" / "emptydir").string(), 0, false));
        a.Close();
    }
    std::string out;
    EXPECT_EQ(Shell("unzip -t " + Quote(zip), &out), 0) << out;
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    CZipEntryHeader h;
    ASSERT_TRUE(a.GetEntryInfo(0, h));
    EXPECT_EQ(h.m_uMethod, 0);
    EXPECT_EQ(h.m_uUncomprSize, 0u);
    EXPECT_TRUE(h.m_uExternalAttr & 0x10);
    ASSERT_TRUE(a.ExtractFile(0, (tmp / "out").string(), false));
    EXPECT_TRUE(fs::is_directory(tmp / "out" / "emptydir"));
}

TEST(ZipWrite, RefusedSourcesLeaveNoEntryBehind) {
    TempDir tmp;
    testsupport::WriteBytes(tmp / "src" / "good.txt", "good");
    const fs::path zip = tmp / "a.zip";
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
    a.SetRootPath((tmp / "src").string());
    ASSERT_TRUE(a.AddFile((tmp / "src" / "good.txt").string(), -1, false));
    EXPECT_FALSE(a.AddFile((tmp / "src" / "missing.txt").string(), -1, false));
    // A name with no GBK form would come back changed: refused.
    testsupport::WriteBytes(tmp / "src" / "smile\xF0\x9F\x98\x80.txt", "x");
    EXPECT_FALSE(a.AddFile((tmp / "src" / "smile\xF0\x9F\x98\x80.txt").string(), -1, false));
    EXPECT_FALSE(a.AddFile((tmp / "src" / "good.txt").string(), -1, false, nullptr, nullptr, 0));
    EXPECT_EQ(a.GetEntryCount(), 1);
    // Later additions still work.
    ASSERT_TRUE(a.AddFile((tmp / "src" / "good.txt").string(), 0, false));
    a.Close();
    std::string out;
    EXPECT_EQ(Shell("unzip -t " + Quote(zip), &out), 0) << out;
    EXPECT_EQ(CountOf(testsupport::ReadBytes(zip), std::string("PK\x03\x04", 4)), 2);
}

TEST(ZipWrite, FailureWhileAddingKeepsCompletedEntries) {
    TempDir tmp;
    testsupport::WriteBytes(tmp / "a.txt", TextBytes(50, 1));
    const fs::path zip = tmp / "a.zip";
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
    ASSERT_TRUE(a.AddFile((tmp / "a.txt").string(), -1, false));
    CZipEntryHeader h;
    h.SetFileName("half.txt");
    ASSERT_TRUE(a.OpenNewEntry(h));
    ASSERT_TRUE(a.WriteToNewEntry("some data", 9));
    EXPECT_FALSE(a.OpenNewEntry(h)); // one entry at a time
    // The caller gives up after a failure.
    a.Close(true);
    EXPECT_TRUE(a.IsClosed());
    std::string out;
    EXPECT_EQ(Shell("unzip -t " + Quote(zip), &out), 0) << out;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    EXPECT_EQ(a.GetEntryCount(), 1);
    a.Close();
}

TEST(ZipWrite, UnsafeNamesAreNotExtracted) {
    TempDir tmp;
    const fs::path zip = tmp / "evil.zip";
    const std::string py =
        "import sys,zipfile\n"
        "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
        "  for n in ['../escape.txt','/abs.txt','C:/drive.txt','a/../../up.txt','ok/fine.txt']:\n"
        "    z.writestr(zipfile.ZipInfo(n), 'x')\n";
    testsupport::WriteBytes(tmp / "mk.py", py);
    ASSERT_EQ(Shell("python3 " + Quote(tmp / "mk.py") + " " + Quote(zip)), 0);
    fs::create_directories(tmp / "t" / "in");
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    ASSERT_EQ(a.GetEntryCount(), 5);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(a.ExtractFile(i, (tmp / "t" / "in").string(), false)) << i;
    EXPECT_FALSE(a.ExtractFile(4, (tmp / "t" / "in").string(), false, "../renamed.txt"));
    EXPECT_TRUE(a.ExtractFile(4, (tmp / "t" / "in").string(), false));
    a.Close();
    EXPECT_EQ(ReadTree(tmp / "t").size(), 1u);
    EXPECT_TRUE(fs::exists(tmp / "t" / "in" / "ok" / "fine.txt"));
}

TEST(ZipWrite, PasswordEntriesRoundTripAndOpenWithInfoZip) {
    TempDir tmp;
    testsupport::WriteBytes(tmp / "s.txt", TextBytes(200, 9));
    const fs::path zip = tmp / "p.zip";
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
        ASSERT_TRUE(a.SetPassword("secret"));
        ASSERT_TRUE(a.AddFile((tmp / "s.txt").string(), -1, false));
        ASSERT_TRUE(a.AddFile((tmp / "s.txt").string(), 0, false, nullptr, nullptr, 100));
        a.Close();
    }
    std::string out;
    EXPECT_EQ(Shell("unzip -t -P secret " + Quote(zip), &out), 0) << out;
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    EXPECT_FALSE(a.ExtractFile(0, (tmp / "o").string(), false)); // no password given
    ASSERT_TRUE(a.SetPassword("wrong"));
    try {
        a.ExtractFile(0, (tmp / "o").string(), false);
        ADD_FAILURE() << "a wrong password was accepted";
    } catch (const CZipException& e) {
        // The traditional encryption checks one byte of the header, so about one wrong password
        // in 256 passes that check; the garbage then fails inflate or the CRC instead.
        const std::set<int> refusals = {CZipException::badPassword, CZipException::badCrc,
                                        CZipException::dataError,   CZipException::streamError,
                                        CZipException::bufError,    CZipException::badZipFile};
        EXPECT_TRUE(refusals.count(e.m_iCause)) << e.m_iCause;
    }
    EXPECT_FALSE(fs::exists(tmp / "o" / "s.txt")); // nothing decrypted with the wrong password is left
    a.Close(true);
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    ASSERT_TRUE(a.SetPassword("secret"));
    ASSERT_TRUE(a.ExtractFile(0, (tmp / "o").string(), false, "one.txt"));
    ASSERT_TRUE(a.ExtractFile(1, (tmp / "o").string(), false, "two.txt"));
    a.Close();
    EXPECT_EQ(testsupport::ReadBytes(tmp / "o" / "one.txt"), TextBytes(200, 9));
    EXPECT_EQ(testsupport::ReadBytes(tmp / "o" / "two.txt"), TextBytes(200, 9));
}

TEST(ZipWrite, ProgressIsReportedAndCanStopTheCopy) {
    TempDir tmp;
    testsupport::WriteBytes(tmp / "big.bin", RandomBytes(10000, 5));
    CZipArchive a;
    ASSERT_TRUE(a.Open((tmp / "a.zip").string(), CZipArchive::zipCreate));
    std::vector<std::uint64_t> calls;
    auto record = [](std::uint64_t total, std::uint64_t done, void* user) {
        auto* v = static_cast<std::vector<std::uint64_t>*>(user);
        v->push_back(done);
        return total == 10000 && done < 5000;
    };
    ASSERT_TRUE(a.AddFile((tmp / "big.bin").string(), -1, false, record, &calls, 3000));
    EXPECT_EQ(calls, (std::vector<std::uint64_t>{3000, 6000}));
    a.Close();
    ASSERT_TRUE(a.Open((tmp / "a.zip").string(), CZipArchive::zipOpenReadOnly));
    CZipEntryHeader h;
    a.GetEntryInfo(0, h);
    EXPECT_EQ(h.m_uUncomprSize, 6000u); // the entry is closed normally with what was copied
    ASSERT_TRUE(a.ExtractFile(0, (tmp / "o").string(), false));
    a.Close();
    EXPECT_EQ(testsupport::ReadBytes(tmp / "o" / "big.bin"), RandomBytes(10000, 5).substr(0, 6000));
}

TEST(ZipWrite, The65536thEntryIsRefused) {
    TempDir tmp;
    const fs::path zip = tmp / "many.zip";
    CZipArchive a;
    a.SetBufferSizes(3000000);
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
    for (int i = 0; i < 65535; ++i) {
        CZipEntryHeader h;
        h.SetFileName(std::to_string(i));
        ASSERT_TRUE(a.OpenNewEntry(h, 0));
        ASSERT_TRUE(a.CloseNewEntry());
    }
    CZipEntryHeader h;
    EXPECT_FALSE(a.OpenNewEntry(h, 0));
    a.Close();
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    EXPECT_EQ(a.GetEntryCount(), 65535);
    ASSERT_TRUE(a.GetEntryInfo(65534, h));
    EXPECT_EQ(h.GetFileName(), "65534");
    a.Close();
}
