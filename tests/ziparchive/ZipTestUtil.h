#pragma once
// Helpers of the zip archive tests: folder trees, tree comparison, outside programs.
#include "tests/support/TestFiles.h"
#include "ziparchive/ZipArchive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <random>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <utility>
#include <vector>

namespace ziptest {

namespace fs = std::filesystem;

// Runs work that waits on other threads (adding or extracting on several threads) and answers
// its result. Work that does not end within the limit fails the test program at once, with a
// message, rather than hanging it.
template <class Work>
auto Bounded(Work work, std::chrono::seconds limit = std::chrono::seconds(30)) -> decltype(work()) {
    std::packaged_task<decltype(work())()> task(std::move(work));
    auto result = task.get_future();
    std::thread runner(std::move(task));
    if (result.wait_for(limit) != std::future_status::ready) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::fprintf(stderr, "FAILED: %s.%s: the work did not end within %lld s (a wait that never ends)\n",
                     test ? test->test_suite_name() : "?", test ? test->name() : "?",
                     static_cast<long long>(limit.count()));
        std::fflush(stderr);
        std::_Exit(1);
    }
    runner.join();
    return result.get();
}

// Runs a shell command; answers its exit status and fills its output (stdout and stderr).
inline int Shell(const std::string& command, std::string* output = nullptr) {
    std::string out;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int status = ::pclose(p);
    if (output)
        *output = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string Quote(const fs::path& p) {
    std::string s = "'";
    for (char c : p.string()) {
        if (c == '\'')
            s += "'\\''";
        else
            s += c;
    }
    return s + "'";
}

inline std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(gen() & 0xFF);
    return s;
}

inline std::string TextBytes(std::size_t lines, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s;
    for (std::size_t i = 0; i < lines; ++i)
        s += "key" + std::to_string(gen() % 1000) + "=value " + std::to_string(i) + "\r\n";
    return s;
}

// Archive bytes compared: where they first differ, rather than a listing of megabytes.
inline ::testing::AssertionResult SameBytes(const std::string& a, const std::string& b) {
    if (a == b)
        return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    return ::testing::AssertionFailure() << "the bytes differ from offset " << at << " on (sizes " << a.size()
                                         << " and " << b.size() << ")";
}

// What two readers written elsewhere make of an archive: Info-ZIP's "unzip -t" and Python's
// zipfile, which checks every entry's CRC and compares its bytes with the file of that name below
// root (names read as GBK, as the archive writes them). Empty when both accept it, else what
// they said.
inline std::string IndependentReadersFault(const fs::path& zip, const fs::path& root) {
    std::string out;
    if (Shell("unzip -tq " + Quote(zip), &out) != 0)
        return "unzip -t: " + out;
    const fs::path script = zip.string() + ".check.py";
    testsupport::WriteBytes(script, "import sys, zipfile, os\n"
                                    "z = zipfile.ZipFile(sys.argv[1])\n"
                                    "bad = z.testzip()\n"
                                    "assert bad is None, 'CRC of ' + bad\n"
                                    "for i in z.infolist():\n"
                                    "  name = i.filename if i.flag_bits & 0x800 else "
                                    "i.filename.encode('cp437').decode('gbk')\n"
                                    "  path = os.path.join(sys.argv[2], name)\n"
                                    "  if name.endswith('/'):\n"
                                    "    assert os.path.isdir(path), name\n"
                                    "    continue\n"
                                    "  with open(path, 'rb') as f:\n"
                                    "    assert z.read(i) == f.read(), 'bytes of ' + name\n"
                                    "print('ok')\n");
    if (Shell("python3 " + Quote(script) + " " + Quote(zip) + " " + Quote(root), &out) != 0 || out != "ok\n")
        return "python zipfile: " + out;
    return {};
}

// A small project-like tree: nested folders, text and binary files, an empty file, Chinese
// names.
inline void MakeTree(const fs::path& root) {
    fs::create_directories(root / "sub" / "deeper");
    fs::create_directories(root / "间隔");
    testsupport::WriteBytes(root / "a.txt", TextBytes(300, 1));
    testsupport::WriteBytes(root / "empty.dat", "");
    testsupport::WriteBytes(root / "sub" / "b.bin", RandomBytes(70000, 2));
    testsupport::WriteBytes(root / "sub" / "deeper" / "c.cfg", TextBytes(5000, 3));
    testsupport::WriteBytes(root / "间隔" / "配置.ini", TextBytes(20, 4));
}

// Relative path -> bytes of every file below root.
inline std::map<std::string, std::string> ReadTree(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[fs::relative(e.path(), root).string()] = testsupport::ReadBytes(e.path());
    return files;
}

inline int CountOf(const std::string& bytes, const std::string& what) {
    int n = 0;
    for (std::size_t pos = bytes.find(what); pos != std::string::npos; pos = bytes.find(what, pos + 1))
        ++n;
    return n;
}

inline std::uint32_t U32(const std::string& b, std::size_t at) {
    return static_cast<std::uint8_t>(b[at]) | (static_cast<std::uint8_t>(b[at + 1]) << 8) |
           (static_cast<std::uint8_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24);
}
inline std::uint16_t U16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                      (static_cast<std::uint8_t>(b[at + 1]) << 8));
}
inline void PutU16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
inline void PutU32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Tests that extract files with modes: the process's file-creation mask is 022 while they run.
class UmaskTest : public ::testing::Test {
protected:
    testsupport::TempDir tmp;
    mode_t savedMask = 0;
    void SetUp() override { savedMask = ::umask(022); }
    void TearDown() override { ::umask(savedMask); }
};

// An archive of the given names and contents, written entry by entry (any name, as another tool
// might store it).
inline void WriteNamed(const fs::path& zip, const std::vector<std::pair<std::string, std::string>>& entries) {
    CZipArchive a;
    ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
    for (const auto& [name, bytes] : entries) {
        CZipEntryHeader h;
        h.SetFileName(name);
        ASSERT_TRUE(a.OpenNewEntry(h));
        ASSERT_TRUE(a.WriteToNewEntry(bytes.data(), bytes.size()));
        ASSERT_TRUE(a.CloseNewEntry());
    }
    a.Close();
}

} // namespace ziptest
