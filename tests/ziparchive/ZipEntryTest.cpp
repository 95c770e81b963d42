// What one entry carries besides its bytes: the attributes stored and applied on extraction, the
// date and time, names with "\" from older archives, and data that runs past its declared size.
#include "ziparchive/ZipArchive.h"
#include "ZipTestUtil.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

using namespace ziptest;
using testsupport::TempDir;

namespace {

// Packs one file of root under its name.
void PackOne(const fs::path& zip, const fs::path& root, const std::string& name) {
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
    a.SetRootPath(root.string());
    ASSERT_TRUE(a.AddFile((root / name).string(), -1, false));
    a.Close();
}

// Extracts entry 0; false when the archive refuses it (a false result or a CZipException).
bool ExtractFirst(const fs::path& zip, const fs::path& dest) {
    try {
        CZipArchive a;
        if (!a.Open(zip.string(), CZipArchive::zipOpenReadOnly))
            return false;
        const bool ok = a.ExtractFile(0, dest.string(), false);
        a.Close();
        return ok;
    } catch (const CZipException&) {
        return false;
    }
}

mode_t ModeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

// Runs a Python script with the archive path as its argument.
void RunPython(const fs::path& dir, const std::string& script, const fs::path& zip) {
    testsupport::WriteBytes(dir / "mk.py", script);
    std::string out;
    ASSERT_EQ(Shell("python3 " + Quote(dir / "mk.py") + " " + Quote(zip), &out), 0) << out;
}

// A one-entry archive written byte by byte: the data, the sizes and the checksum as given.
const char* kRawZip = R"(import sys,struct,zlib
def raw(path, name, method, data, usize, crc):
    n = name.encode()
    local = struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, method, 0, 0x21, crc, len(data), usize, len(n), 0) + n
    cd = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, 0, method, 0, 0x21, crc, len(data), usize,
                     len(n), 0, 0, 0, 0, 0x20, 0) + n
    end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, len(cd), len(local) + len(data), 0)
    open(path, 'wb').write(local + data + cd + end)
)";

class ZipEntries : public UmaskTest {};

} // namespace

TEST_F(ZipEntries, AttributesAreStoredAndApplied) {
    fs::create_directories(tmp / "src");
    testsupport::WriteBytes(tmp / "src" / "plain.txt", "p");
    testsupport::WriteBytes(tmp / "src" / "locked.txt", "l");
    ASSERT_EQ(::chmod((tmp / "src" / "plain.txt").c_str(), 0644), 0);
    ASSERT_EQ(::chmod((tmp / "src" / "locked.txt").c_str(), 0444), 0);
    for (const std::string name : {"plain.txt", "locked.txt"}) {
        SCOPED_TRACE(name);
        const fs::path zip = tmp / (name + ".zip");
        PackOne(zip, tmp / "src", name);
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
        CZipEntryHeader h;
        ASSERT_TRUE(a.GetEntryInfo(0, h));
        a.Close();
        const bool locked = name == "locked.txt";
        EXPECT_EQ(h.m_uExternalAttr & 0xFFu, locked ? 0x21u : 0x20u);
        ASSERT_TRUE(ExtractFirst(zip, tmp / "out"));
        // An ordinary file comes out writable; a read-only one read-only.
        EXPECT_EQ(ModeOf(tmp / "out" / name) & 0222, locked ? 0u : static_cast<mode_t>(S_IWUSR));
    }
}

TEST_F(ZipEntries, UnixModeBitsGetTheUmask) {
    const fs::path zip = tmp / "m.zip";
    RunPython(tmp.Path(),
              "import sys,zipfile\n"
              "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
              "  i = zipfile.ZipInfo('open.sh'); i.create_system = 3; i.external_attr = 0o100777 << 16\n"
              "  z.writestr(i, 'x')\n",
              zip);
    ASSERT_TRUE(ExtractFirst(zip, tmp / "out"));
    EXPECT_EQ(ModeOf(tmp / "out" / "open.sh"), 0755u);
    ::umask(077);
    ASSERT_TRUE(ExtractFirst(zip, tmp / "out2"));
    EXPECT_EQ(ModeOf(tmp / "out2" / "open.sh"), 0700u);
}

TEST_F(ZipEntries, DateAndTimeAreWrittenAndApplied) {
    fs::create_directories(tmp / "src");
    testsupport::WriteBytes(tmp / "src" / "t.cfg", "t");
    std::tm tm{};
    tm.tm_year = 2023 - 1900;
    tm.tm_mon = 10; // November
    tm.tm_mday = 17;
    tm.tm_hour = 13;
    tm.tm_min = 45;
    tm.tm_sec = 58;
    tm.tm_isdst = -1;
    const std::time_t when = std::mktime(&tm);
    struct timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (tmp / "src" / "t.cfg").c_str(), times, 0), 0);
    const fs::path zip = tmp / "t.zip";
    PackOne(zip, tmp / "src", "t.cfg");
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
        CZipEntryHeader h;
        ASSERT_TRUE(a.GetEntryInfo(0, h));
        a.Close();
        EXPECT_EQ(h.m_uModDate, (43 << 9) | (11 << 5) | 17);
        EXPECT_EQ(h.m_uModTime, (13 << 11) | (45 << 5) | 29);
    }
    // An outside reader sees the same date.
    std::string out;
    testsupport::WriteBytes(tmp / "check.py",
                            "import sys,zipfile\n"
                            "print(zipfile.ZipFile(sys.argv[1]).infolist()[0].date_time)\n");
    ASSERT_EQ(Shell("python3 " + Quote(tmp / "check.py") + " " + Quote(zip), &out), 0) << out;
    EXPECT_EQ(out, "(2023, 11, 17, 13, 45, 58)\n");

    ASSERT_TRUE(ExtractFirst(zip, tmp / "out"));
    struct stat st {};
    ASSERT_EQ(::stat((tmp / "out" / "t.cfg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, when);
}

TEST_F(ZipEntries, BackslashNamesBecomeFolders) {
    const fs::path zip = tmp / "b.zip";
    RunPython(tmp.Path(),
              "import sys,zipfile\n"
              "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
              "  i = zipfile.ZipInfo('ProjectV1.00\\\\sub\\\\a.cfg'); i.create_system = 0\n"
              "  z.writestr(i, 'abc')\n",
              zip);
    ASSERT_TRUE(ExtractFirst(zip, tmp / "out"));
    EXPECT_EQ(testsupport::ReadBytes(tmp / "out" / "ProjectV1.00" / "sub" / "a.cfg"), "abc");
}

// The checksum is that of the declared bytes, so only the length tells the extra data.
TEST_F(ZipEntries, DataLongerThanDeclaredIsRefused) {
    const fs::path deflated = tmp / "d.zip", stored = tmp / "s.zip";
    RunPython(
        tmp.Path(),
        std::string(kRawZip) +
            "data = b'A' * 100 + b'B' * 100\n"
            "c = zlib.compressobj(6, zlib.DEFLATED, -15); packed = c.compress(data) + c.flush()\n"
            "raw(sys.argv[1], 'd.txt', 8, packed, 100, zlib.crc32(data[:100]))\n"
            "raw(sys.argv[1].replace('d.zip', 's.zip'), 's.txt', 0, data, 100, zlib.crc32(data[:100]))\n"
            "raw(sys.argv[1].replace('d.zip', 'ok.zip'), 'ok.txt', 0, data[:100], 100, "
            "zlib.crc32(data[:100]))\n",
        deflated);
    EXPECT_FALSE(ExtractFirst(deflated, tmp / "out"));
    EXPECT_FALSE(ExtractFirst(stored, tmp / "out"));
    // The same archive with matching sizes extracts.
    ASSERT_TRUE(ExtractFirst(tmp / "ok.zip", tmp / "out"));
    EXPECT_EQ(testsupport::ReadBytes(tmp / "out" / "ok.txt"), std::string(100, 'A'));
}
