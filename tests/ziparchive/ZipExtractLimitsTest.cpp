// Extracting a whole archive is bounded by what the archive can justify: declared sizes beyond
// the total, beyond a plausible ratio to the archive's size or beyond the free space are refused
// before anything is written; an entry that inflates past its declared size stops; a failed
// extraction leaves nothing of its own behind.
#include "ZipTestUtil.h"

#include "ziparchive/ZipArchive.h"

#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <limits>
#include <optional>
#include <vector>

namespace {

using namespace ziptest;
using testsupport::TempDir;

// Sets the uncompressed size an entry declares, in its central and its local header, as a
// forged archive would.
void SetDeclaredSize(std::string& bytes, const std::string& name, std::uint32_t size) {
    bool found = false;
    for (std::size_t at = bytes.find("PK\x01\x02"); at != std::string::npos;
         at = bytes.find("PK\x01\x02", at + 4)) {
        if (bytes.compare(at + 46, name.size(), name) != 0 || U16(bytes, at + 28) != name.size())
            continue;
        PutU32(bytes, at + 24, size);
        PutU32(bytes, U32(bytes, at + 42) + 22, size);
        found = true;
    }
    ASSERT_TRUE(found) << name;
}

struct Outcome {
    bool ok = false;
    std::optional<int> cause; // the CZipException's cause when one was raised
};

Outcome Extract(const fs::path& zip, const fs::path& dest, int threads,
                const std::optional<CZipArchive::ExtractLimits>& limits = std::nullopt) {
    Outcome out;
    CZipArchive a;
    EXPECT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
    if (limits)
        a.SetExtractLimits(*limits);
    a.SetExtractBytesPerThread(0); // the threads asked for, however small the archive
    try {
        out.ok = Bounded([&] { return a.ExtractFiles(dest.string(), threads); });
        a.Close();
    } catch (const CZipException& e) {
        out.cause = e.m_iCause;
        a.Close(true);
    } catch (const std::exception&) {
        out.cause = 0;
        a.Close(true);
    }
    return out;
}

class ZipExtractLimits : public UmaskTest {};

} // namespace

TEST_F(ZipExtractLimits, DeclaredSizesBeyondTheLimitsAreRefusedBeforeAnythingIsWritten) {
    const fs::path zip = tmp / "a.zip";
    const std::string zeros(4u << 20, '\0');
    WriteNamed(zip, {{"cfg/a.txt", TextBytes(2000, 1)}, {"cfg/zeros.dat", zeros}});
    const fs::path out = tmp / "out";

    CZipArchive::ExtractLimits small;
    small.maxTotal = zeros.size(); // less than the two files together
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        const Outcome o = Extract(zip, out, threads, small);
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.cause, CZipException::tooLarge);
        EXPECT_FALSE(fs::exists(out));
    }

    // 4 MB of zeros deflate to a few kilobytes: beyond the ratio once past the floor.
    CZipArchive::ExtractLimits ratio;
    ratio.ratioFloor = 1u << 20;
    EXPECT_EQ(Extract(zip, out, 4, ratio).cause, CZipException::tooLarge);
    EXPECT_FALSE(fs::exists(out));
    // The defaults let such a small archive through, and the files come out whole.
    ASSERT_TRUE(Extract(zip, out, 4).ok);
    EXPECT_TRUE(SameBytes(testsupport::ReadBytes(out / "cfg" / "zeros.dat"), zeros));

    // A small archive whose entries claim gigabytes, as a hostile unit might send: the defaults
    // refuse it, on any thread count.
    std::string bytes = testsupport::ReadBytes(zip);
    SetDeclaredSize(bytes, "cfg/a.txt", 0xF0000000u);
    SetDeclaredSize(bytes, "cfg/zeros.dat", 0xF0000000u);
    const fs::path forged = tmp / "forged.zip";
    testsupport::WriteBytes(forged, bytes);
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        const Outcome o = Extract(forged, tmp / "forged-out", threads);
        EXPECT_EQ(o.cause, CZipException::tooLarge);
        EXPECT_FALSE(fs::exists(tmp / "forged-out"));
    }
}

// An honest archive of 80 MB of zeros deflates to well under a megabyte: the defaults refuse it
// as they refuse a unit's archive that would fill the disk.
TEST_F(ZipExtractLimits, TheDefaultsRefuseADeflateBomb) {
    const fs::path zip = tmp / "bomb.zip";
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
        CZipEntryHeader h;
        h.SetFileName("Project/zeros.dat");
        ASSERT_TRUE(a.OpenNewEntry(h, 9));
        const std::string zeros(1u << 20, '\0');
        for (int i = 0; i < 80; ++i)
            ASSERT_TRUE(a.WriteToNewEntry(zeros.data(), zeros.size()));
        ASSERT_TRUE(a.CloseNewEntry());
        a.Close();
    }
    ASSERT_LT(fs::file_size(zip), 1u << 20);
    const Outcome o = Extract(zip, tmp / "out", 4);
    EXPECT_EQ(o.cause, CZipException::tooLarge);
    EXPECT_FALSE(fs::exists(tmp / "out"));
}

TEST_F(ZipExtractLimits, FreeSpaceIsCheckedBeforeExtracting) {
    struct statvfs vfs {};
    ASSERT_EQ(::statvfs(tmp.Path().c_str(), &vfs), 0);
    const std::uint64_t room = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    // Enough entries of 4 GB each to declare more than the file system holds.
    const std::uint64_t count = room / 0xFFFFFFFFull + 2;
    ASSERT_LT(count, 60000u);
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::uint64_t i = 0; i < count; ++i)
        entries.emplace_back("big" + std::to_string(i) + ".dat", "x");
    const fs::path zip = tmp / "a.zip";
    WriteNamed(zip, entries);
    std::string bytes = testsupport::ReadBytes(zip);
    for (const auto& e : entries)
        SetDeclaredSize(bytes, e.first, 0xFFFFFFFFu);
    testsupport::WriteBytes(zip, bytes);

    CZipArchive::ExtractLimits unbounded;
    unbounded.maxTotal = std::numeric_limits<std::uint64_t>::max();
    unbounded.maxRatio = std::numeric_limits<std::uint64_t>::max();
    const Outcome o = Extract(zip, tmp / "out", 4, unbounded);
    EXPECT_EQ(o.cause, CZipException::noSpace);
    EXPECT_FALSE(fs::exists(tmp / "out"));
}

TEST_F(ZipExtractLimits, AnEntryThatInflatesPastItsDeclaredSizeStopsAndLeavesNothingBehind) {
    const std::string text = TextBytes(20000, 3);
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < 12; ++i)
        entries.emplace_back("d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".cfg",
                             TextBytes(50 + i, i));
    entries.emplace_back("late/long.cfg", text);
    const fs::path zip = tmp / "a.zip";
    WriteNamed(zip, entries);
    std::string bytes = testsupport::ReadBytes(zip);
    // Declares a tenth of its size: its CRC matches no prefix, but it must stop at the size.
    SetDeclaredSize(bytes, "late/long.cfg", static_cast<std::uint32_t>(text.size() / 10));
    testsupport::WriteBytes(zip, bytes);

    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        // A target that holds a file of its own: the file stays, nothing extracted does.
        const fs::path out = tmp / ("out" + std::to_string(threads));
        testsupport::WriteBytes(out / "mine.txt", "mine");
        const Outcome o = Extract(zip, out / "proj", threads);
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.cause, CZipException::badZipFile);
        EXPECT_EQ(ReadTree(out), (std::map<std::string, std::string>{{"mine.txt", "mine"}}));
        EXPECT_FALSE(fs::exists(out / "proj"));
    }

    // The same entries, honest: everything comes out.
    const fs::path good = tmp / "good.zip";
    WriteNamed(good, entries);
    ASSERT_TRUE(Extract(good, tmp / "good", 4).ok);
    EXPECT_EQ(ReadTree(tmp / "good").size(), entries.size());
}

// The free-space rule at its edges: each file may end in a part-used block and takes an inode.
TEST(ZipFreeSpace, EachFileMayEndInAPartUsedBlockAndTakesAnInode) {
    using Space = CZipArchive::FreeSpace;
    struct Case {
        std::uint64_t declared;
        std::uint64_t files;
        Space space;
        bool fits;
    };
    const std::uint64_t huge = std::numeric_limits<std::uint64_t>::max();
    const std::vector<Case> cases = {
        {4096 * 8, 2, {4096, 10, 100, 100}, true},      // 8 blocks of data and 2 part-used ones
        {4096 * 8 + 1, 2, {4096, 10, 100, 100}, false}, // one byte more needs an eleventh block
        {4096 * 9, 2, {4096, 10, 100, 100}, false},     // without the part-used blocks it would fit
        {0, 10, {4096, 10, 100, 100}, true},            // ten empty files: a block each at most
        {0, 11, {4096, 10, 100, 100}, false},
        {100, 5, {4096, 100, 1000, 5}, true}, // an inode for each file
        {100, 6, {4096, 100, 1000, 5}, false},
        {100, 6, {4096, 100, 0, 0}, true},   // a file system that counts no inodes
        {huge, 1, {4096, huge, 0, 0}, true}, // sizes near the type's limit do not wrap
        {huge, 2, {4096, huge / 4096 + 1, 0, 0}, false},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(CZipArchive::FitsFreeSpace(c.declared, c.files, c.space), c.fits) << "case " << i;
    }
}
