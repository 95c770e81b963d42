// Adding many files at once: the archive has the same bytes whether the files are deflated on
// one thread or several, and the kept deflate state survives everything else the archive does.
#include "ZipTestUtil.h"

#include "platform/FileFaults.h"
#include "ziparchive/ZipArchive.h"
#include "ziparchive/ZipException.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <vector>
#include <zlib.h>

namespace {

using namespace ziptest;

// The files and folders of a tree in a fixed order (folders before what they hold).
std::vector<std::string> TreePaths(const fs::path& root) {
    std::vector<std::string> paths;
    for (const auto& e : fs::recursive_directory_iterator(root))
        paths.push_back(e.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string Pack(const fs::path& root, const std::vector<std::string>& paths, const fs::path& archive,
                 int threads, int level = -1) {
    return Bounded([&] {
        CZipArchive zip;
        EXPECT_TRUE(zip.Open(archive.string(), CZipArchive::zipCreate));
        zip.SetRootPath(root.string());
        EXPECT_TRUE(zip.AddFiles(paths, level, false, threads));
        zip.Close();
        return testsupport::ReadBytes(archive);
    });
}

// The same files added one by one with AddFile.
std::string PackOneByOne(const fs::path& root, const std::vector<std::string>& paths,
                         const fs::path& archive) {
    CZipArchive zip;
    EXPECT_TRUE(zip.Open(archive.string(), CZipArchive::zipCreate));
    zip.SetRootPath(root.string());
    for (const std::string& p : paths)
        EXPECT_TRUE(zip.AddFile(p, -1, false)) << p;
    zip.Close();
    return testsupport::ReadBytes(archive);
}

// Whatever way the data takes (stored, stored deflate blocks, deflated at either end of the
// levels, in one output chunk or several), any thread count writes the bytes of adding one by
// one, and readers written elsewhere take the archive and find every file's bytes in it.
TEST(ZipAddFiles, AnyThreadCountWritesTheOneByOneBytesThatOtherReadersAccept) {
    testsupport::TempDir dir;
    const fs::path root = dir / "tree";
    MakeTree(root);
    // Enough files that the workers run ahead of the writer, of every kind of content.
    for (int i = 0; i < 40; ++i) {
        testsupport::WriteBytes(root / "many" / ("t" + std::to_string(i) + ".cfg"),
                                TextBytes(50 + i * 37, i));
        testsupport::WriteBytes(root / "many" / ("r" + std::to_string(i) + ".bin"),
                                RandomBytes(100 + i * 1000, i));
    }
    testsupport::WriteBytes(root / "many" / "empty.txt", "");
    testsupport::WriteBytes(root / "r" / "random.bin", RandomBytes(300001, 31)); // several stored blocks
    testsupport::WriteBytes(root / "r" / "big.cfg", TextBytes(40000, 32));       // several output chunks
    testsupport::WriteBytes(root / "r" / "mixed.bin", RandomBytes(200000, 33) + TextBytes(3000, 34));
    const std::vector<std::string> paths = TreePaths(root);

    const std::string serial = PackOneByOne(root, paths, dir / "serial.zip");
    for (int threads : {1, 2, 4, 8}) {
        SCOPED_TRACE(threads);
        EXPECT_TRUE(SameBytes(Pack(root, paths, dir / "p.zip", threads), serial));
    }
    EXPECT_EQ(IndependentReadersFault(dir / "p.zip", root), "");
    for (int level : {0, 1, 9}) {
        SCOPED_TRACE(level);
        EXPECT_TRUE(SameBytes(Pack(root, paths, dir / "a.zip", 1, level),
                              Pack(root, paths, dir / "b.zip", 4, level)));
        EXPECT_EQ(IndependentReadersFault(dir / "b.zip", root), "");
    }
}

// The raw deflate stream of data at a level, with the archive's window and memory level.
std::size_t DeflatedSize(const std::string& data, int level) {
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<unsigned char> out(deflateBound(&zs, static_cast<uLong>(data.size())));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    const std::size_t size = out.size() - zs.avail_out;
    deflateEnd(&zs);
    return size;
}

// Files that deflate cannot shrink are still deflated entries, their streams stored blocks of
// 65535 bytes (five bytes of header each, the last one final), the same on any thread count; the
// others are deflated at the level asked for.
TEST(ZipAddFiles, FilesThatDeflateCannotShrinkAreStoredBlocksOnAnyThreadCount) {
    testsupport::TempDir dir;
    const fs::path root = dir / "tree";
    const std::string random = RandomBytes(3u << 20, 11);
    std::string block = RandomBytes(1024, 12);
    std::string repeated;
    while (repeated.size() < (1u << 20))
        repeated += block;
    // Random but for a compressible stretch in the middle of the file.
    std::string mostlyRandom = random;
    const std::string text = TextBytes(80000, 13);
    mostlyRandom.replace(900u << 10, 1200u << 10, text.substr(0, 1200u << 10));
    const std::map<std::string, std::pair<std::string, int>> files = {
        {"random.bin", {random.substr(0, 300000), 0}},      // nothing to gain: stored blocks
        {"small-random.bin", {random.substr(0, 60000), 6}}, // too small to sample: as asked
        {"text.cfg", {text.substr(0, 300000), 6}},          // skewed bytes
        {"repeated.bin", {repeated, 6}},                    // evenly spread bytes that repeat as strings
        {"mostly-random.bin", {mostlyRandom, 6}},           // one sample of it shrinks
    };
    for (const auto& [name, file] : files)
        testsupport::WriteBytes(root / name, file.first);
    const std::vector<std::string> paths = TreePaths(root);

    const std::string serial = PackOneByOne(root, paths, dir / "serial.zip");
    EXPECT_TRUE(SameBytes(Pack(root, paths, dir / "p.zip", 4), serial));
    {
        CZipArchive zip;
        ASSERT_TRUE(zip.Open((dir / "p.zip").string(), CZipArchive::zipOpenReadOnly));
        for (int i = 0; i < zip.GetEntryCount(); ++i) {
            CZipEntryHeader h;
            ASSERT_TRUE(zip.GetEntryInfo(i, h));
            const auto& [data, level] = files.at(h.GetFileName());
            EXPECT_EQ(h.m_uMethod, 8) << h.GetFileName();
            const std::size_t expected =
                level == 0 ? data.size() + 5 * (data.size() / 65535 + 1) : DeflatedSize(data, level);
            EXPECT_EQ(h.m_uComprSize, expected) << h.GetFileName();
        }
        zip.SetExtractBytesPerThread(0);
        ASSERT_TRUE(Bounded([&] { return zip.ExtractFiles((dir / "out").string(), 4); }));
        zip.Close();
    }
    EXPECT_EQ(ReadTree(dir / "out"), ReadTree(root));
    EXPECT_EQ(Shell("unzip -tq " + Quote(dir / "p.zip")), 0);
}

// A slow file first, then more fast ones than the budget holds: the workers run ahead of the
// writer only within the budget, and the archive is still the one-thread archive.
TEST(ZipAddFiles, WorkersRunningAheadStayWithinTheBudget) {
    testsupport::TempDir dir;
    const fs::path root = dir / "tree";
    testsupport::WriteBytes(root / "a-slow.cfg", TextBytes(120000, 21));
    const std::string random = RandomBytes(3u << 20, 22);
    const std::uint64_t files = CZipArchive::kAddFilesBudget / random.size() + 4;
    for (std::uint64_t i = 0; i < files; ++i)
        testsupport::WriteBytes(root / ("b" + std::to_string(100 + i) + ".bin"),
                                random.substr(i % 1000, random.size() - 1000));
    const std::vector<std::string> paths = TreePaths(root);

    std::uint64_t peak = 0;
    const std::string parallel = Bounded([&] {
        CZipArchive zip;
        EXPECT_TRUE(zip.Open((dir / "p.zip").string(), CZipArchive::zipCreate));
        zip.SetRootPath(root.string());
        EXPECT_TRUE(zip.AddFiles(paths, 9, false, 8));
        peak = zip.GetAddFilesPeak();
        zip.Close();
        return testsupport::ReadBytes(dir / "p.zip");
    });
    EXPECT_GT(peak, 0u);
    EXPECT_LE(peak, CZipArchive::kAddFilesBudget);
    EXPECT_TRUE(SameBytes(parallel, Pack(root, paths, dir / "one.zip", 1, 9)));
    EXPECT_EQ(Shell("unzip -tq " + Quote(dir / "p.zip")), 0);
}

// A file that opens but cannot be read (the kernel answers EIO) is not left out quietly: the
// adding fails at it, on any thread count, and the entries before it stay whole.
TEST(ZipAddFiles, AFileThatCannotBeReadFailsTheAdd) {
    testsupport::TempDir dir;
    const fs::path root = dir / "tree";
    for (int i = 0; i < 6; ++i)
        testsupport::WriteBytes(root / ("f" + std::to_string(i)), TextBytes(200, i));
    std::vector<std::string> paths = TreePaths(root);
    paths.insert(paths.begin() + 3, "/proc/self/mem");
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        const fs::path zip = dir / ("a" + std::to_string(threads) + ".zip");
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
        a.SetRootPath(root.string());
        bool added = true;
        try {
            added = Bounded([&] { return a.AddFiles(paths, -1, false, threads); });
            a.Close();
        } catch (const std::exception&) {
            added = false;
            a.Close(true);
        }
        EXPECT_FALSE(added);
        CZipArchive r;
        ASSERT_TRUE(r.Open(zip.string(), CZipArchive::zipOpenReadOnly));
        EXPECT_EQ(r.GetEntryCount(), 3);
        r.Close();
        EXPECT_EQ(IndependentReadersFault(zip, root), "");
    }
}

// A read of one file fails as the kernel would (EIO): at its first read, or after its first
// output chunks went to the writer. On any thread count and for every way its data is written, the
// adding fails at that file with AddFile's reason (the file, "read", the error), no entry for it
// is left, and the entries before it stay whole.
TEST(ZipAddFiles, AReadFailingPartWayFailsTheAddWithTheReadAsReason) {
    testsupport::TempDir dir;
    const fs::path root = dir / "tree";
    for (int i = 0; i < 4; ++i)
        testsupport::WriteBytes(root / ("f" + std::to_string(i)), TextBytes(300, i));
    // Stored, stored deflate blocks, deflated: each hands the writer several chunks.
    const std::vector<std::pair<int, std::string>> contents = {
        {0, TextBytes(120000, 5)},
        {-1, RandomBytes(3u << 20, 6)},
        {1, RandomBytes(2u << 20, 7) + TextBytes(90000, 8)}};
    const fs::path bad = root / "f2";
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i)
        paths.push_back((root / ("f" + std::to_string(i))).string());
    for (const auto& [level, content] : contents) {
        testsupport::WriteBytes(bad, content);
        for (int failingRead : {1, 2, 4, 9}) {
            for (int threads : {1, 4}) {
                SCOPED_TRACE(::testing::Message()
                             << "level " << level << ", read " << failingRead << ", threads " << threads);
                const fs::path zip = dir / "a.zip";
                CZipArchive a;
                ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
                a.SetRootPath(root.string());
                platform::CFileFaults faults;
                faults.FailNth(platform::FileStep::Read, failingRead,
                               [&](const fs::path& p) { return p == bad; });
                bool added = true;
                std::string reason;
                try {
                    added = Bounded([&] { return a.AddFiles(paths, level, false, threads); });
                    a.Close();
                } catch (const CZipFileException& e) {
                    added = false;
                    reason = e.m_szFileName + "|" + e.m_szOperation + "|" + std::to_string(e.m_iError);
                    a.Close(true);
                }
                EXPECT_EQ(faults.Failed(platform::FileStep::Read), 1);
                EXPECT_FALSE(added);
                EXPECT_EQ(reason, bad.string() + "|read|" + std::to_string(EIO));
                CZipArchive r;
                ASSERT_TRUE(r.Open(zip.string(), CZipArchive::zipOpenReadOnly));
                EXPECT_EQ(r.GetEntryCount(), 2);
                r.Close();
                EXPECT_EQ(IndependentReadersFault(zip, root), "");
            }
        }
    }
}

TEST(ZipAddFiles, AMissingFileStopsWithTheEntriesBeforeItKept) {
    testsupport::TempDir dir;
    const fs::path root = dir / "tree";
    for (int i = 0; i < 6; ++i)
        testsupport::WriteBytes(root / ("f" + std::to_string(i)), TextBytes(20, i));
    std::vector<std::string> paths = TreePaths(root);
    paths.insert(paths.begin() + 3, (root / "missing").string());
    CZipArchive zip;
    ASSERT_TRUE(zip.Open((dir / "a.zip").string(), CZipArchive::zipCreate));
    zip.SetRootPath(root.string());
    EXPECT_FALSE(Bounded([&] { return zip.AddFiles(paths, -1, false, 4); }));
    EXPECT_EQ(zip.GetEntryCount(), 3);
    zip.Close();
    EXPECT_EQ(Shell("unzip -tq " + Quote(dir / "a.zip")), 0);
}

TEST(ZipAddFiles, AddingAfterExtractingAndAfterALevelChangeStillDeflates) {
    testsupport::TempDir dir;
    const std::string text = TextBytes(500, 7);
    testsupport::WriteBytes(dir / "a.cfg", text);
    const fs::path archive = dir / "x.zip";
    {
        CZipArchive zip;
        ASSERT_TRUE(zip.Open(archive.string(), CZipArchive::zipCreate));
        ASSERT_TRUE(zip.AddFile((dir / "a.cfg").string(), 9, false));
        ASSERT_TRUE(zip.AddFile((dir / "a.cfg").string(), 1, false));
        zip.Close();
    }
    {
        // An archive opened for reading and adding: an extraction between two additions frees
        // zlib's blocks, the kept deflate state among them.
        CZipArchive zip;
        ASSERT_TRUE(zip.Open(archive.string(), CZipArchive::zipOpen));
        ASSERT_TRUE(zip.ExtractFile(0, (dir / "out").string()));
        CZipEntryHeader header;
        header.SetFileName("b.cfg");
        ASSERT_TRUE(zip.OpenNewEntry(header, 6));
        ASSERT_TRUE(zip.WriteToNewEntry(text.data(), text.size()));
        ASSERT_TRUE(zip.CloseNewEntry());
        ASSERT_TRUE(zip.ExtractFile(1, (dir / "out2").string()));
        ASSERT_TRUE(zip.AddFile((dir / "a.cfg").string(), 6, false));
        zip.Close();
    }
    std::string listing;
    EXPECT_EQ(Shell("unzip -tq " + Quote(archive), &listing), 0) << listing;
    EXPECT_EQ(Shell("unzip -p " + Quote(archive) + " b.cfg > " + Quote(dir / "b.out")), 0);
    EXPECT_EQ(testsupport::ReadBytes(dir / "b.out"), text);
}

} // namespace
