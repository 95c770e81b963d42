#include "platform/Profile.h"
#include "platform/Gbk.h"
#include "platform/TextFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

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
    SetWriteFaultHook([](const std::filesystem::path&) { return true; });
    EXPECT_FALSE(WritePrivateProfileString("TCP Config", "PORT", "7001", file));
    SetWriteFaultHook({});
    EXPECT_EQ(before, ReadBytes(file));
    EXPECT_EQ(7000, GetPrivateProfileInt("TCP Config", "PORT", 1, file));
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
        1);
}
