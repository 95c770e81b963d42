// Multi-volume archives as numbered files: written, read back, converted to one file when they
// fit on the first volume.
#include "ziparchive/ZipArchive.h"
#include "ZipTestUtil.h"

using namespace ziptest;
using testsupport::TempDir;

namespace {

std::vector<std::string> FileNames(const fs::path& dir) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(ZipVolumes, ThreeVolumesAreWrittenAndReadBack) {
    TempDir tmp;
    fs::create_directories(tmp / "src");
    fs::create_directories(tmp / "arc");
    for (int i = 0; i < 3; ++i)
        testsupport::WriteBytes(tmp / "src" / ("f" + std::to_string(i) + ".bin"), RandomBytes(50000, 10 + i));
    const fs::path zip = tmp / "arc" / "multi.zip";
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreateSpan, 65536));
        EXPECT_EQ(a.GetSpanMode(), 1);
        a.SetRootPath((tmp / "src").string());
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(a.AddFile((tmp / "src" / ("f" + std::to_string(i) + ".bin")).string(), -1, false));
        EXPECT_FALSE(a.OpenEntry(0)); // no reading while the volumes are written
        a.Close();
    }
    EXPECT_EQ(FileNames(tmp / "arc"), (std::vector<std::string>{"multi.000", "multi.001", "multi.zip"}));
    for (const char* v : {"multi.000", "multi.001"})
        EXPECT_LE(fs::file_size(tmp / "arc" / v), 65536u) << v;
    EXPECT_EQ(testsupport::ReadBytes(tmp / "arc" / "multi.000").substr(0, 4), std::string("PK\x07\x08", 4));

    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpen));
    EXPECT_EQ(a.GetSpanMode(), -1);
    ASSERT_EQ(a.GetEntryCount(), 3);
    EXPECT_FALSE(a.AddFile((tmp / "src" / "f0.bin").string(), -1, false)); // never written again
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(a.ExtractFile(i, (tmp / "out").string(), false));
    a.Close();
    EXPECT_EQ(ReadTree(tmp / "out"), ReadTree(tmp / "src"));
}

TEST(ZipVolumes, VolumesSmallerThanOneRecordStillHoldItWhole) {
    TempDir tmp;
    fs::create_directories(tmp / "arc");
    const std::string longName(60, 'n');
    testsupport::WriteBytes(tmp / (longName + ".txt"), "first");
    testsupport::WriteBytes(tmp / "b.txt", TextBytes(20, 2));
    const fs::path zip = tmp / "arc" / "tiny.zip";
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreateSpan, 64));
        ASSERT_TRUE(a.AddFile((tmp / (longName + ".txt")).string(), -1, false));
        ASSERT_TRUE(a.AddFile((tmp / "b.txt").string(), 0, false));
        a.Close();
    }
    EXPECT_GT(FileNames(tmp / "arc").size(), 3u);
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    ASSERT_EQ(a.GetEntryCount(), 2);
    ASSERT_TRUE(a.ExtractFile(0, (tmp / "out").string(), false));
    ASSERT_TRUE(a.ExtractFile(1, (tmp / "out").string(), false));
    a.Close();
    EXPECT_EQ(testsupport::ReadBytes(tmp / "out" / (longName + ".txt")), "first");
    EXPECT_EQ(testsupport::ReadBytes(tmp / "out" / "b.txt"), TextBytes(20, 2));
}

// Whether the conversion runs in the write buffer (small archive) or in the file (write buffer
// already flushed), the result is one plain archive.
class FittingSpan : public ::testing::TestWithParam<int> {};

TEST_P(FittingSpan, IsConvertedToOneFile) {
    TempDir tmp;
    MakeTree(tmp / "src");
    fs::create_directories(tmp / "arc");
    const fs::path zip = tmp / "arc" / "one.zip";
    {
        CZipArchive a;
        a.SetBufferSizes(GetParam(), 16384, 32768);
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreateSpan, 10 * 1024 * 1024));
        a.SetRootPath((tmp / "src").string());
        for (auto& e : fs::recursive_directory_iterator(tmp / "src")) {
            if (e.is_regular_file()) {
                ASSERT_TRUE(a.AddFile(e.path().string(), -1, false));
            }
        }
        ASSERT_TRUE(a.SetPassword("pw"));
        ASSERT_TRUE(
            a.AddFile((tmp / "src" / "a.txt").string(), -1, true)); // an encrypted one keeps its descriptor
        a.Close();
    }
    EXPECT_EQ(FileNames(tmp / "arc"), std::vector<std::string>{"one.zip"});
    const std::string b = testsupport::ReadBytes(zip);
    EXPECT_EQ(U32(b, 0), 0x04034b50u);
    EXPECT_EQ(U16(b, 6) & 8, 0);
    std::string out;
    EXPECT_EQ(Shell("unzip -t -P pw " + Quote(zip), &out), 0) << out;
    const std::string py = "import sys,zipfile\n"
                           "z=zipfile.ZipFile(sys.argv[1])\n"
                           "z.setpassword(b'pw')\n"
                           "assert z.testzip() is None\n";
    testsupport::WriteBytes(tmp / "check.py", py);
    EXPECT_EQ(Shell("python3 " + Quote(tmp / "check.py") + " " + Quote(zip), &out), 0) << out;

    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    EXPECT_EQ(a.GetSpanMode(), 0);
    for (int i = 0; i + 1 < a.GetEntryCount(); ++i)
        ASSERT_TRUE(a.ExtractFile(i, (tmp / "out").string(), false));
    a.Close();
    EXPECT_EQ(ReadTree(tmp / "out"), ReadTree(tmp / "src"));
}

INSTANTIATE_TEST_SUITE_P(InBufferAndInFile, FittingSpan, ::testing::Values(3000000, 1024));

TEST(ZipVolumes, RemovableDiskSpanningAndVolumeLimit) {
    TempDir tmp;
    CZipArchive a;
    try {
        a.Open((tmp / "r.zip").string(), CZipArchive::zipCreateSpan, 0);
        ADD_FAILURE();
    } catch (const CZipException& e) {
        EXPECT_EQ(e.m_iCause, CZipException::noCallback);
    }
    a.SetVolumeCallback([](int, int, void*) { return true; }, nullptr);
    try {
        a.Open((tmp / "r.zip").string(), CZipArchive::zipCreateSpan, 0);
        ADD_FAILURE();
    } catch (const CZipException& e) {
        EXPECT_EQ(e.m_iCause, CZipException::nonRemovable);
    }
    EXPECT_TRUE(a.IsClosed());

    // One byte a volume: the 999th volume is refused.
    fs::create_directories(tmp / "v");
    testsupport::WriteBytes(tmp / "data.bin", std::string(1200, 'x'));
    ASSERT_TRUE(a.Open((tmp / "v" / "many.zip").string(), CZipArchive::zipCreateSpan, 1));
    try {
        a.AddFile((tmp / "data.bin").string(), 0, false);
        ADD_FAILURE();
    } catch (const CZipException& e) {
        EXPECT_EQ(e.m_iCause, CZipException::tooManyVolumes);
    }
    a.Close(true);
    EXPECT_TRUE(a.IsClosed());
}
