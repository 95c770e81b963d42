#include "platform/Profile.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/TextFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace platform;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteGbkText;

class Profile : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path file = dir / "a.ini";
    void SetUp() override {
        WriteGbkText(file, "; comment\n"
                           "[TCP Config]\n"
                           "  Remote_IP_Addr0 = 192 \n"
                           "PORT=7000x\n"
                           "NAME=\"quoted value\"\n"
                           "empty=\n"
                           "\n"
                           "[属性]\n"
                           "默认规约=通讯规约甲乙\n"
                           "noequals\n");
    }
};

TEST_F(Profile, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
    EXPECT_EQ("192", GetPrivateProfileString("tcp config", "REMOTE_IP_ADDR0", "x", 64, file));
    EXPECT_EQ("quoted value", GetPrivateProfileString("TCP Config", "name", "", 64, file));
    EXPECT_EQ("通讯规约甲乙", GetPrivateProfileString("属性", "默认规约", "", 128, file));
    EXPECT_EQ("", GetPrivateProfileString("属性", "noequals", "d", 128, file));
    EXPECT_EQ((std::vector<std::string>{"TCP Config", "属性"}), GetPrivateProfileSectionNames(file));
    EXPECT_EQ((std::vector<std::string>{"默认规约=通讯规约甲乙", "noequals"}),
              GetPrivateProfileSection("属性", file));
}

TEST_F(Profile, DefaultsForMissingKeysSectionsAndFiles) {
    EXPECT_EQ("dflt", GetPrivateProfileString("TCP Config", "nokey", "dflt  ", 64, file));
    EXPECT_EQ("dflt", GetPrivateProfileString("nosection", "PORT", "dflt", 64, file));
    EXPECT_EQ("dflt", GetPrivateProfileString("TCP Config", "PORT", "dflt", 64, dir / "none.ini"));
    EXPECT_EQ(7000, GetPrivateProfileInt("TCP Config", "PORT", 1, file));
    EXPECT_EQ(5, GetPrivateProfileInt("TCP Config", "missing", 5, file));
    EXPECT_EQ(5, GetPrivateProfileInt("TCP Config", "empty", 5, file));
    EXPECT_EQ(0, GetPrivateProfileInt("TCP Config", "NAME", 5, file));
}

TEST_F(Profile, ResultIsCutToTheBufferInGbkBytes) {
    // Six characters, twelve GBK bytes: a buffer of 8 leaves 7 bytes, three whole characters.
    EXPECT_EQ("通讯规", GetPrivateProfileString("属性", "默认规约", "", 8, file));
    EXPECT_EQ("通讯规约", GetPrivateProfileString("属性", "默认规约", "", 9, file));
    EXPECT_EQ("19", GetPrivateProfileString("TCP Config", "REMOTE_IP_ADDR0", "", 3, file));
    EXPECT_EQ("", GetPrivateProfileString("TCP Config", "REMOTE_IP_ADDR0", "", 0, file));
    EXPECT_EQ("de", GetPrivateProfileString("TCP Config", "nokey", "default", 3, file));
}

TEST_F(Profile, WritesKeepEveryOtherLine) {
    std::string before = ReadBytes(file);
    ASSERT_TRUE(WritePrivateProfileString("tcp config", "port", "7001", file));
    std::string expected = before;
    expected.replace(expected.find("PORT=7000x"), 10, "port=7001");
    EXPECT_EQ(expected, ReadBytes(file));
    EXPECT_EQ(7001, GetPrivateProfileInt("TCP Config", "PORT", 1, file));

    ASSERT_TRUE(WritePrivateProfileString("属性", "新键", "值", file));
    std::string now = ReadBytes(file);
    EXPECT_NE(std::string::npos, now.find(ToGbk("noequals\r\n新键=值\r\n")));

    ASSERT_TRUE(WritePrivateProfileString("New", "K", "V", file));
    EXPECT_EQ(now + "[New]\r\nK=V\r\n", ReadBytes(file));
}

TEST_F(Profile, WriteCreatesAMissingFileAndDeletes) {
    auto fresh = dir / "new.ini";
    ASSERT_TRUE(WritePrivateProfileString("TCP Config", "PORT", "7000", fresh));
    EXPECT_EQ("[TCP Config]\r\nPORT=7000\r\n", ReadBytes(fresh));
    ASSERT_TRUE(WritePrivateProfileString("TCP Config", "A", "1", fresh));
    ASSERT_TRUE(DeletePrivateProfileKey("TCP Config", "port", fresh));
    EXPECT_EQ("[TCP Config]\r\nA=1\r\n", ReadBytes(fresh));
    ASSERT_TRUE(DeletePrivateProfileSection("tcp config", fresh));
    EXPECT_EQ("", ReadBytes(fresh));
}

// A line that is not GBK (a UTF-8 comment, a stray byte) and a line with LF alone are written back
// as the bytes they were; only the edited line changes.
TEST_F(Profile, WritesKeepUnchangedLinesAsTheirBytes) {
    const std::string bytes = std::string("; \xE4\xB8\xAD utf-8 \xFF\r\n") + "[A]\n" + "k=1\r\n" +
                              "x=\x81\x30 odd\r\n" + "[B]\r\n" + "last=2";
    testsupport::WriteBytes(file, bytes);
    ASSERT_TRUE(WritePrivateProfileString("a", "K", "2", file));
    std::string expected = bytes;
    expected.replace(expected.find("k=1"), 3, "K=2");
    expected += "\r\n"; // a last line without its line end gets one
    EXPECT_EQ(expected, ReadBytes(file));
    ASSERT_TRUE(WritePrivateProfileString("B", "new", "3", file));
    expected += "new=3\r\n";
    EXPECT_EQ(expected, ReadBytes(file));
    ASSERT_TRUE(DeletePrivateProfileKey("A", "x", file));
    expected.erase(expected.find("x=\x81\x30 odd\r\n"), 10);
    EXPECT_EQ(expected, ReadBytes(file));
}

// A write that fails part way (a full disk) leaves the old file whole and no temporary file.
TEST_F(Profile, FailedWriteLeavesTheOldFile) {
    const std::string before = ReadBytes(file);
    {
        CFileFaults faults;
        faults.FailFrom(FileStep::Write, 1);
        EXPECT_FALSE(WritePrivateProfileString("TCP Config", "PORT", "7001", file));
    }
    EXPECT_EQ(before, ReadBytes(file));
    EXPECT_EQ(7000, GetPrivateProfileInt("TCP Config", "PORT", 1, file));
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
        1);
}

namespace {

namespace fs = std::filesystem;

std::vector<std::string> FolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs fn in a child process and returns its exit code; -1 when the child did not exit itself.
template <class Fn> int InChild(Fn fn) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(fn());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

// An edit replaces the file but keeps what it was: its mode, and a symbolic link through which it
// was written stays a link to the file that got the edit.
TEST_F(Profile, WritesKeepTheModeAndWriteThroughALink) {
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WritePrivateProfileString("TCP Config", "PORT", "7001", file));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::create_directories(dir / "shared");
    fs::rename(file, dir / "shared/real.ini");
    fs::create_symlink("shared/real.ini", file);
    ASSERT_TRUE(WritePrivateProfileString("TCP Config", "PORT", "7002", file));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(7002, GetPrivateProfileInt("TCP Config", "PORT", 1, dir / "shared/real.ini"));
    EXPECT_EQ(fs::status(dir / "shared/real.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FolderNames(dir / "shared"), std::vector<std::string>{"real.ini"});
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"a.ini", "shared"}));
}

// A file that exists but cannot be read is not taken for an empty one: the edit fails and the
// file stays as it was. (Run as a user without rights, as root reads every file.)
TEST_F(Profile, AFileThatCannotBeReadIsNotReplaced) {
    const std::string before = ReadBytes(file);
    fs::permissions(dir.Path(), fs::perms::all);
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), ::geteuid() == 0 ? 0 : -1);
    fs::permissions(file, fs::perms::owner_write);
    const int result = InChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 3;
        std::string bytes;
        if (ReadFileBytes(file, bytes))
            return 4;
        return WritePrivateProfileString("TCP Config", "PORT", "7001", file) ? 1 : 0;
    });
    EXPECT_EQ(result, 0);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(before, ReadBytes(file));
}

// A writer killed part way leaves no temporary file behind for long: the next edit removes one
// of a writer that is gone, and only such.
TEST_F(Profile, AKilledWriteLeavesNoTemporaryFile) {
    const std::string before = ReadBytes(file);
    const int result = InChild([&] {
        CFileFaults faults;
        faults.FailFrom(FileStep::Write, 1, [](const fs::path&) -> bool { ::_exit(9); });
        WritePrivateProfileString("TCP Config", "PORT", "7001", file);
        return 0;
    });
    EXPECT_EQ(result, 9);
    EXPECT_EQ(before, ReadBytes(file));
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    testsupport::WriteBytes(dir / (std::string("a.ini.") + std::to_string(gone) + "-0.tmp"),
                            "left by a killed writer");
    testsupport::WriteBytes(dir / (std::string("a.ini.") + std::to_string(::getpid()) + "-999999.tmp"),
                            "in use");
    ASSERT_TRUE(WritePrivateProfileString("TCP Config", "PORT", "7002", file));
    EXPECT_EQ(FolderNames(dir.Path()),
              (std::vector<std::string>{"a.ini",
                                        std::string("a.ini.") + std::to_string(::getpid()) + "-999999.tmp"}));
}

// Two writers of one file at once (two programs sharing it) each keep the other's keys.
TEST_F(Profile, WritersOfOneFileAtOnceLoseNoKey) {
    auto writer = [&](char tag) {
        for (int i = 0; i < 40; ++i)
            EXPECT_TRUE(
                WritePrivateProfileString("Shared", std::string(1, tag) + std::to_string(i), "v", file));
    };
    // The other program is started before any thread runs here, so that it holds no lock a
    // thread held at the fork.
    const pid_t other = ::fork();
    if (other == 0) {
        for (int i = 0; i < 40; ++i)
            if (!WritePrivateProfileString("Shared", std::string("c") + std::to_string(i), "v", file))
                ::_exit(1);
        ::_exit(0);
    }
    ASSERT_GT(other, 0);
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    a.join();
    b.join();
    int status = -1;
    ASSERT_EQ(::waitpid(other, &status, 0), other);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    FlushProfileCache();
    EXPECT_EQ(GetPrivateProfileKeys("Shared", file).size(), 120u);
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"a.ini"});
}
