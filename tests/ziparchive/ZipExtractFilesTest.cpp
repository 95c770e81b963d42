// Extracting a whole archive at once: on one thread or several, the same files with the same
// bytes, times and modes; a failing entry is reported and leaves no file behind; refused and
// repeated names end as extracting entry by entry ends; files already there are replaced, never
// written through.
#include "ZipTestUtil.h"

#include "ziparchive/ZipArchive.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <vector>

namespace {

using namespace ziptest;
using testsupport::TempDir;

// Packs every file and folder below root, in name order (a folder before what it holds).
void PackTree(const fs::path& root, const fs::path& zip) {
    std::vector<std::string> paths;
    for (const auto& e : fs::recursive_directory_iterator(root))
        paths.push_back(e.path().string());
    std::sort(paths.begin(), paths.end());
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
    a.SetRootPath(root.string());
    ASSERT_TRUE(a.AddFiles(paths, -1, false, 1));
    a.Close();
}

// Every file and folder below root: kind, permission bits, modification time and bytes.
std::map<std::string, std::string> Describe(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        struct stat st {};
        EXPECT_EQ(::lstat(e.path().c_str(), &st), 0);
        std::string d = (S_ISDIR(st.st_mode)   ? "dir "
                         : S_ISREG(st.st_mode) ? "file "
                                               : "other ") +
                        std::to_string(st.st_mode & 07777);
        if (S_ISREG(st.st_mode))
            d += " " + std::to_string(st.st_mtime) + " " + testsupport::ReadBytes(e.path());
        out[fs::relative(e.path(), root).string()] = d;
    }
    return out;
}

// ExtractFiles on as many threads as asked, however small the archive; false when it fails or
// raises (the archive is closed either way).
bool ExtractAll(const fs::path& zip, const fs::path& dest, int threads) {
    CZipArchive a;
    if (!a.Open(zip.string(), CZipArchive::zipOpenReadOnly))
        return false;
    a.SetExtractBytesPerThread(0);
    try {
        const bool ok = Bounded([&] { return a.ExtractFiles(dest.string(), threads); });
        a.Close();
        return ok;
    } catch (const std::exception&) {
        a.Close(true);
        return false;
    }
}

class ZipExtractFiles : public UmaskTest {};

} // namespace

TEST_F(ZipExtractFiles, SeveralThreadsWriteWhatOneThreadWrites) {
    const fs::path src = tmp / "src";
    MakeTree(src);
    for (int i = 0; i < 60; ++i) {
        const fs::path dir = src / ("d" + std::to_string(i % 5)) / ("e" + std::to_string(i % 3));
        testsupport::WriteBytes(dir / ("t" + std::to_string(i) + ".cfg"), TextBytes(20 + i * 13, i));
        if (i % 10 == 0)
            testsupport::WriteBytes(dir / ("r" + std::to_string(i) + ".bin"), RandomBytes(90000 + i, i));
    }
    fs::create_directories(src / "empty" / "folder");
    ASSERT_EQ(::chmod((src / "a.txt").c_str(), 0444), 0);
    // Ours (MS-DOS attributes, folder entries) and Info-ZIP's (Unix modes, extra fields).
    const fs::path ours = tmp / "ours.zip";
    const fs::path infozip = tmp / "infozip.zip";
    PackTree(src, ours);
    ASSERT_EQ(Shell("cd " + Quote(src) + " && zip -q -r " + Quote(infozip) + " ."), 0);

    for (const fs::path& zip : {ours, infozip}) {
        SCOPED_TRACE(zip.filename().string());
        const fs::path one = tmp / ("one-" + zip.stem().string());
        ASSERT_TRUE(ExtractAll(zip, one, 1));
        const auto expected = Describe(one);
        // Info-ZIP marks no name as UTF-8: its Chinese names are read as GBK. Ours come back.
        if (zip == ours) {
            EXPECT_EQ(ReadTree(one), ReadTree(src));
        }
        for (int threads : {2, 4, 8}) {
            SCOPED_TRACE(threads);
            const fs::path many = tmp / ("many-" + zip.stem().string() + std::to_string(threads));
            ASSERT_TRUE(ExtractAll(zip, many, threads));
            EXPECT_EQ(Describe(many), expected);
        }
    }
}

// Threads only where what the archive declares pays for them: a small archive (a project's)
// is extracted on the calling thread whatever is asked, a large one on a thread per share.
TEST(ZipExtractThreads, TakenOnlyForTheBytesTheEntriesDeclare) {
    constexpr std::uint64_t MB = 1u << 20;
    constexpr std::uint64_t share = CZipArchive::kExtractBytesPerThread;
    struct Case {
        int requested;
        std::uint64_t declared;
        std::uint64_t files;
        std::uint64_t perThread;
        int threads;
    };
    const std::vector<Case> cases = {
        {8, 5 * MB, 408, share, 1},        // a project archive
        {8, share * 2 - 1, 408, share, 1}, // a thread needs a whole share beside the first
        {8, share * 2, 408, share, 2},
        {8, share * 20, 408, share, 8}, // never more than asked
        {8, share * 20, 3, share, 3},   // nor more than there are files
        {8, 1, 408, 0, 8},              // 0: as many as asked
        {200, share * 200, 408, share, 64},
        {0, share * 20, 408, share, 1},
        {4, share * 20, 0, share, 1},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(CZipArchive::ExtractThreadsFor(c.requested, c.declared, c.files, c.perThread), c.threads)
            << "case " << i;
    }

    // And ExtractFiles keeps to it: zeros declare much and pack small.
    testsupport::TempDir dir;
    const std::string zeros(share, '\0');
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < 4; ++i)
        entries.emplace_back("d/z" + std::to_string(i) + ".dat", zeros);
    WriteNamed(dir / "big.zip", entries);
    WriteNamed(dir / "small.zip", {{"a.cfg", TextBytes(300, 1)}, {"b/c.cfg", TextBytes(200, 2)}});
    for (const auto& [name, threads] :
         std::vector<std::pair<std::string, int>>{{"small.zip", 1}, {"big.zip", 4}}) {
        SCOPED_TRACE(name);
        CZipArchive a;
        ASSERT_TRUE(a.Open((dir / name).string(), CZipArchive::zipOpenReadOnly));
        EXPECT_TRUE(Bounded([&] { return a.ExtractFiles((dir / ("out-" + name)).string(), 8); }));
        EXPECT_EQ(a.GetExtractThreads(), threads);
        a.Close();
    }
}

TEST_F(ZipExtractFiles, AFailingEntryIsReportedAndLeavesNoFile) {
    const fs::path src = tmp / "src";
    for (int i = 0; i < 30; ++i)
        testsupport::WriteBytes(src / ("f" + std::to_string(i / 10)) / ("t" + std::to_string(i) + ".cfg"),
                                TextBytes(40 + i, i));
    // Random data is written as stored deflate blocks: a changed byte of it is a checksum error, not
    // a data error.
    testsupport::WriteBytes(src / "f1" / "u.bin", RandomBytes(100000, 5));
    const fs::path zip = tmp / "a.zip";
    PackTree(src, zip);
    std::string bytes = testsupport::ReadBytes(zip);
    int index = -1;
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
        CZipEntryHeader h;
        for (int i = 0; i < a.GetEntryCount() && index < 0; ++i)
            if (a.GetEntryInfo(i, h) && h.GetFileName() == "f1/u.bin")
                index = i;
        ASSERT_GE(index, 0);
        ASSERT_EQ(h.m_uMethod, 8);
        bytes[h.m_uOffset + 30 + h.GetStoredName().size() + 5000] ^= 0x5A;
        a.Close();
    }
    testsupport::WriteBytes(zip, bytes);
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        const fs::path out = tmp / ("out" + std::to_string(threads));
        EXPECT_FALSE(ExtractAll(zip, out, threads));
        EXPECT_FALSE(fs::exists(out / "f1" / "u.bin"));
    }

    // A file that cannot be created (a folder stands in its place) fails the extraction too.
    const fs::path good = tmp / "good.zip";
    PackTree(src, good);
    const fs::path blocked = tmp / "blocked";
    fs::create_directories(blocked / "f2" / "t25.cfg" / "inside");
    EXPECT_FALSE(ExtractAll(good, blocked, 4));
    EXPECT_TRUE(fs::is_directory(blocked / "f2" / "t25.cfg" / "inside"));
}

TEST_F(ZipExtractFiles, RefusedAndRepeatedNamesEndAsEntryByEntry) {
    const fs::path evil = tmp / "evil.zip";
    WriteNamed(evil, {{"a/one.txt", "1"}, {"a/two.txt", "2"}, {"../escape.txt", "x"}, {"b/three.txt", "3"}});
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        const fs::path out = tmp / ("t" + std::to_string(threads)) / "in";
        fs::create_directories(out);
        EXPECT_FALSE(ExtractAll(evil, out, threads));
        EXPECT_FALSE(fs::exists(out.parent_path() / "escape.txt"));
        // It stops at the refused entry and takes back what it wrote before it.
        EXPECT_TRUE(ReadTree(out.parent_path()).empty());
        EXPECT_TRUE(fs::is_directory(out));
    }
    const fs::path absolute = tmp / "abs.zip";
    WriteNamed(absolute, {{"ok.txt", "1"}, {(tmp / "abs.txt").string(), "x"}});
    EXPECT_FALSE(ExtractAll(absolute, tmp / "abs-out", 4));
    EXPECT_FALSE(fs::exists(tmp / "abs.txt"));
}

// One file named twice, once in another spelling: the later entry's bytes win. The earlier entry
// ends a long stretch of entries in one folder and the later one stands alone in another
// spelling of that folder: extracted side by side, the later would be long written when the
// earlier arrives and replaces it, so the order is kept only where it is kept by design.
TEST_F(ZipExtractFiles, TheLaterEntryOfOneFileWins) {
    std::vector<std::pair<std::string, std::string>> entries;
    const std::string text = TextBytes(9000, 5); // deflates well, takes a while to inflate
    for (int i = 0; i < 31; ++i)
        entries.emplace_back("x/f" + std::to_string(i) + ".cfg", text.substr(0, text.size() - i));
    entries.emplace_back("x/b.txt", "first");
    entries.emplace_back("x//./b.txt", "second");
    entries.emplace_back("y.txt", "y");
    const fs::path twice = tmp / "twice.zip";
    WriteNamed(twice, entries);
    for (int round = 0; round < 3; ++round) {
        for (int threads : {1, 2, 4}) {
            SCOPED_TRACE(threads);
            const fs::path out = tmp / ("twice" + std::to_string(round) + "-" + std::to_string(threads));
            ASSERT_TRUE(ExtractAll(twice, out, threads));
            EXPECT_EQ(testsupport::ReadBytes(out / "x" / "b.txt"), "second");
            EXPECT_EQ(ReadTree(out).size(), 33u);
        }
    }
}

// Folders come out with their entries' modes and times, on any thread count: set after the
// files inside them are written, which would change the times again.
TEST_F(ZipExtractFiles, FoldersGetTheirModesAndTimes) {
    const fs::path src = tmp / "src";
    testsupport::WriteBytes(src / "open" / "a.txt", "a");
    testsupport::WriteBytes(src / "open" / "shut" / "b.txt", "b");
    testsupport::WriteBytes(src / "top.txt", "t");
    ASSERT_EQ(::chmod((src / "open").c_str(), 0750), 0);
    ASSERT_EQ(::chmod((src / "open" / "shut").c_str(), 0700), 0);
    ASSERT_EQ(Shell("touch -d '2001-02-03 04:05:06' " + Quote(src / "open") +
                    " && touch -d '2002-03-04 05:06:08' " + Quote(src / "open" / "shut")),
              0);
    auto mtime = [](const fs::path& p) {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0);
        return std::make_pair(st.st_mtime, st.st_mode & 07777);
    };
    const auto open = mtime(src / "open");
    const auto shut = mtime(src / "open" / "shut");
    // Info-ZIP's archive carries Unix modes; ours the folder entries' DOS times.
    const fs::path infozip = tmp / "infozip.zip";
    ASSERT_EQ(Shell("cd " + Quote(src) + " && zip -q -r " + Quote(infozip) + " open top.txt"), 0);
    const fs::path ours = tmp / "ours.zip";
    PackTree(src, ours);
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        const fs::path a = tmp / ("infozip" + std::to_string(threads));
        ASSERT_TRUE(ExtractAll(infozip, a, threads));
        EXPECT_EQ(mtime(a / "open"), open);
        EXPECT_EQ(mtime(a / "open" / "shut"), shut);
        const fs::path b = tmp / ("ours" + std::to_string(threads));
        ASSERT_TRUE(ExtractAll(ours, b, threads));
        EXPECT_EQ(mtime(b / "open").first, open.first);
        EXPECT_EQ(mtime(b / "open" / "shut").first, shut.first);
    }
}

TEST_F(ZipExtractFiles, FilesAlreadyThereAreReplacedNotWrittenThrough) {
    const fs::path src = tmp / "src";
    testsupport::WriteBytes(src / "locked.txt", "new locked");
    testsupport::WriteBytes(src / "sub" / "linked.txt", "new linked");
    testsupport::WriteBytes(src / "sub" / "plain.txt", "new plain");
    const fs::path zip = tmp / "a.zip";
    PackTree(src, zip);

    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        const fs::path out = tmp / ("out" + std::to_string(threads));
        const fs::path outside = tmp / ("outside" + std::to_string(threads) + ".txt");
        testsupport::WriteBytes(outside, "keep me");
        testsupport::WriteBytes(out / "locked.txt", "old locked, read-only");
        ASSERT_EQ(::chmod((out / "locked.txt").c_str(), 0444), 0);
        fs::create_directories(out / "sub");
        fs::create_symlink(outside, out / "sub" / "linked.txt");
        testsupport::WriteBytes(out / "sub" / "plain.txt", "an old and longer plain file");
        ASSERT_TRUE(ExtractAll(zip, out, threads));
        EXPECT_EQ(ReadTree(out), ReadTree(src));
        EXPECT_FALSE(fs::is_symlink(out / "sub" / "linked.txt"));
        EXPECT_EQ(testsupport::ReadBytes(outside), "keep me");
    }
}
