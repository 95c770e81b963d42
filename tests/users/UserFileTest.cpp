#include "platform/Archive.h"
#include "platform/FileFaults.h"
#include "platform/TextFile.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"
#include "users/model/UserPwMgr.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace {

std::string Hex(const std::string& h) {
    std::string out;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16)));
    return out;
}

// The file a first start writes: the administrator (scrambled) and the group "超级用户" (plain).
const std::string kDefaultFile =
    Hex("0100ffff000009004355736572496e666f01000000010000001f0000004105034de582cffb424c972afea652a19feb4b"
        "77bdabc7cc54eb4b77bdabc7cc54eb4b77bdabc7cc54eb4b77bdabc7cc54eb4b77bdabc7cc54eb4b77bdabc7cc54c007"
        "296652c18eaaf40100ffff00000a004347726f7570496e666f010000001f00000008b3acbcb6d3c3bba7");

std::uint16_t U16At(const std::string& b, std::size_t pos) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[pos]) |
                                      (static_cast<unsigned char>(b[pos + 1]) << 8));
}

class UserFile : public ::testing::Test {
protected:
    void TearDown() override {
        mgr.GetUserList()->ClearAll();
        mgr.GetGroupList()->ClearAll();
    }
    CUserInfo* AddUser(std::uint32_t group, std::uint32_t priv, const std::string& name,
                       const std::string& pw) {
        auto u = std::make_unique<CUserInfo>();
        u->m_dwId = mgr.GetUserList()->GetNextId();
        u->m_dwGroupId = group;
        u->m_dwPrivilege = priv;
        u->m_strName = name;
        u->m_strPassword = pw;
        return mgr.GetUserList()->AddTail(std::move(u));
    }
    CGroupInfo* AddGroup(std::uint32_t priv, const std::string& name) {
        auto g = std::make_unique<CGroupInfo>();
        g->m_dwId = mgr.GetGroupList()->GetNextId();
        g->m_dwPrivilege = priv;
        g->m_strName = name;
        return mgr.GetGroupList()->AddTail(std::move(g));
    }
    // Every record as one comparable text.
    std::string Dump() {
        std::string out;
        for (const auto& u : mgr.GetUserList()->GetItems())
            out += std::to_string(u->m_dwId) + "/" + std::to_string(u->m_dwGroupId) + "/" +
                   std::to_string(u->m_dwPrivilege) + "/" + u->m_strName + "/" + u->m_strPassword + ";";
        for (const auto& g : mgr.GetGroupList()->GetItems())
            out +=
                std::to_string(g->m_dwId) + "/" + std::to_string(g->m_dwPrivilege) + "/" + g->m_strName + ";";
        return out;
    }
    std::filesystem::path File() const { return dir / "Password.dat"; }

    testsupport::TempDir dir;
    testsupport::PromptRecorder prompt;
    CUserPwMgr mgr;
};

} // namespace

TEST_F(UserFile, FirstStartGivesTheDefaultsAndTheirFile) {
    EXPECT_EQ(0, mgr.LoadFromFile(dir.Path()));
    EXPECT_EQ("1/1/31/系统管理员/482916;1/31/超级用户;", Dump());
    EXPECT_EQ(0u, prompt.Count());
    ASSERT_EQ(1, mgr.SaveToFile(dir.Path()));
    EXPECT_EQ(kDefaultFile, testsupport::ReadBytes(File()));
    // The records stay plain, so a second save writes the same bytes.
    EXPECT_EQ("1/1/31/系统管理员/482916;1/31/超级用户;", Dump());
    ASSERT_EQ(1, mgr.SaveToFile(dir.Path()));
    EXPECT_EQ(kDefaultFile, testsupport::ReadBytes(File()));
    EXPECT_FALSE(std::filesystem::exists(dir / "Password.dat.tmp"));
}

TEST_F(UserFile, TagsCountClassesAndRecordsTogether) {
    mgr.LoadFromFile(dir.Path());
    AddUser(1, 0x02, "ab", "1");
    AddUser(1, 0x02, "cd", "2");
    AddGroup(0x06, "运行");
    ASSERT_EQ(1, mgr.SaveToFile(dir.Path()));
    std::string b = testsupport::ReadBytes(File());
    // count, then the first user with its class: 2 + 15 + 12 + 66 + 8 = 103.
    EXPECT_EQ(3, U16At(b, 0));
    EXPECT_EQ(0xFFFF, U16At(b, 2));
    EXPECT_EQ(0x8001, U16At(b, 103));
    EXPECT_EQ(0x8001, U16At(b, 103 + 88));
    std::size_t groups = 103 + 2 * 88;
    EXPECT_EQ(2, U16At(b, groups));
    EXPECT_EQ(0xFFFF, U16At(b, groups + 2));
    // The first group: tag 16 bytes, 8 bytes of numbers, name "超级用户" 1 + 8.
    EXPECT_EQ(0x8000 + 3 + 2, U16At(b, groups + 2 + 33));
    EXPECT_EQ(groups + 2 + 33 + 2 + 8 + 5, b.size());
}

TEST_F(UserFile, LoadSaveLoadKeepsEverythingAlsoWithZeroBytes) {
    mgr.LoadFromFile(dir.Path());
    // Find a name and a password whose scrambled forms hold zero bytes.
    std::string zeroName, zeroPassword;
    for (int i = 0; i < 100000 && (zeroName.empty() || zeroPassword.empty()); ++i) {
        CUserInfo u;
        u.m_strName = "用户" + std::to_string(i);
        u.m_strPassword = std::to_string(i);
        u.EnscriptInfo();
        bool nameZero = u.m_strName.find('\0') != std::string::npos;
        bool pwZero = u.m_strPassword.find('\0') != std::string::npos;
        if (nameZero && zeroName.empty())
            zeroName = "用户" + std::to_string(i);
        if (pwZero && zeroPassword.empty())
            zeroPassword = std::to_string(i);
    }
    ASSERT_FALSE(zeroName.empty());
    ASSERT_FALSE(zeroPassword.empty());
    CGroupInfo* g = AddGroup(0x0A, "调试组");
    AddUser(g->m_dwId, 0x0A, zeroName, "abc");
    AddUser(g->m_dwId, 0x0A, "操作员", zeroPassword);
    AddUser(7, 0x10, "无组用户", "");
    std::string before = Dump();
    ASSERT_EQ(1, mgr.SaveToFile(dir.Path()));
    EXPECT_EQ(1, mgr.LoadFromFile(dir.Path()));
    EXPECT_EQ(before, Dump());
    EXPECT_EQ(0u, prompt.Count());
}

TEST_F(UserFile, MissingListsGetTheirDefaultsAlone) {
    platform::CArchive ar;
    ar.WriteCount(0);
    ar.WriteCount(1);
    ar.WriteObjectTag("CGroupInfo", 0);
    CGroupInfo g;
    g.m_dwId = 5;
    g.m_dwPrivilege = 2;
    g.m_strName = "其他";
    g.Serialize(ar);
    testsupport::WriteBytes(File(), ar.Bytes());
    EXPECT_EQ(1, mgr.LoadFromFile(dir.Path()));
    EXPECT_EQ("1/1/31/系统管理员/482916;5/2/其他;", Dump());

    // Users but no groups.
    std::string users = kDefaultFile.substr(0, 103) + std::string("\0\0", 2);
    testsupport::WriteBytes(File(), users);
    EXPECT_EQ(1, mgr.LoadFromFile(dir.Path()));
    EXPECT_EQ("1/1/31/系统管理员/482916;1/31/超级用户;", Dump());
}

TEST_F(UserFile, DamagedFilesLoadAsTheDefaultsAndStayUntouched) {
    auto withByte = [](std::size_t pos, char c) {
        std::string b = kDefaultFile;
        b[pos] = c;
        return b;
    };
    std::vector<std::string> damaged;
    for (std::size_t n = 1; n < kDefaultFile.size(); ++n)
        damaged.push_back(kDefaultFile.substr(0, n));
    damaged.push_back(withByte(8, 'X')); // "XUserInfo"
    damaged.push_back(withByte(4, 1));   // schema 1
    damaged.push_back(withByte(29, 66)); // a name of 66 bytes
    damaged.push_back(withByte(95, 8));  // a password of 8 bytes
    std::string zeroTag = kDefaultFile;
    zeroTag[2] = zeroTag[3] = 0; // a null object in the user list
    damaged.push_back(zeroTag);
    // The group list names the user class: a record of the wrong kind.
    damaged.push_back(kDefaultFile.substr(0, 103) + Hex("01000180") + kDefaultFile.substr(5, 86));
    damaged.push_back(kDefaultFile.substr(0, 103) + Hex("01000280")); // a tag of an earlier record

    for (const auto& bytes : damaged) {
        SCOPED_TRACE(bytes.size());
        testsupport::WriteBytes(File(), bytes);
        prompt.Clear();
        EXPECT_EQ(0, mgr.LoadFromFile(dir.Path()));
        EXPECT_EQ("1/1/31/系统管理员/482916;1/31/超级用户;", Dump());
        EXPECT_EQ(1u, prompt.Count());
        EXPECT_EQ(bytes, testsupport::ReadBytes(File()));
    }
    EXPECT_EQ("用户文件Password.dat已损坏，无法读取，将使用默认的用户和组。", prompt.LastText());
}

TEST_F(UserFile, AFailedSaveIsReportedAndKeepsTheOldFile) {
    mgr.LoadFromFile(dir.Path());
    ASSERT_EQ(1, mgr.SaveToFile(dir.Path()));
    AddUser(1, 2, "新用户", "1");
    // A file that cannot be written.
    std::optional<platform::CFileFaults> faults;
    faults.emplace().FailFrom(platform::FileStep::Write, 1);
    EXPECT_EQ(0, mgr.SaveToFile(dir.Path()));
    EXPECT_EQ(kDefaultFile, testsupport::ReadBytes(File()));
    ASSERT_EQ(1u, prompt.Count());
    EXPECT_EQ("无法写入用户文件Password.dat，用户和组的修改没有保存！", prompt.LastText());
    EXPECT_EQ(platform::Icon::Error, prompt.Messages()[0].icon);
    EXPECT_EQ(2u, mgr.GetUserList()->GetCount());

    // A disk that fills up part way through the write leaves the old file and no temporary one.
    EXPECT_EQ(0, mgr.SaveToFile(dir.Path()));
    EXPECT_EQ(kDefaultFile, testsupport::ReadBytes(File()));
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    EXPECT_EQ(2u, prompt.Count());
    EXPECT_EQ(1, mgr.GetUserList()->VertifyCode("新用户", "1")); // the records in memory stay plain
}
