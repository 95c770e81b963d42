#include "users/model/UserPwMgr.h"

#include <gtest/gtest.h>

namespace {

CUserInfo* AddUser(CUserInfoList& list, std::uint32_t id, std::uint32_t group, std::uint32_t priv,
                   const std::string& name, const std::string& password) {
    auto u = std::make_unique<CUserInfo>();
    u->m_dwId = id;
    u->m_dwGroupId = group;
    u->m_dwPrivilege = priv;
    u->m_strName = name;
    u->m_strPassword = password;
    return list.AddTail(std::move(u));
}

CGroupInfo* AddGroup(CGroupInfoList& list, std::uint32_t id, std::uint32_t priv, const std::string& name) {
    auto g = std::make_unique<CGroupInfo>();
    g->m_dwId = id;
    g->m_dwPrivilege = priv;
    g->m_strName = name;
    return list.AddTail(std::move(g));
}

} // namespace

TEST(UserRecords, LookupsKeepTheLastMatch) {
    CUserInfoList users;
    CUserInfo* first = AddUser(users, 1, 1, 0x1F, "张三", "111");
    CUserInfo* second = AddUser(users, 2, 2, 0x02, "张三", "222");
    AddUser(users, 3, 2, 0x02, "李四", "333");
    EXPECT_EQ(second, users.HasUser("张三"));
    EXPECT_EQ(nullptr, users.HasUser("张"));
    EXPECT_EQ(1, users.VertifyCode("张三", "111"));
    EXPECT_EQ(1, users.VertifyCode("张三", "222"));
    EXPECT_EQ(0, users.VertifyCode("张三", "333"));
    EXPECT_EQ(0, users.VertifyCode("张三", "2222"));
    (void)first;

    CGroupInfoList groups;
    AddGroup(groups, 4, 1, "甲");
    CGroupInfo* g2 = AddGroup(groups, 4, 2, "乙");
    CGroupInfo* g3 = AddGroup(groups, 5, 3, "乙");
    EXPECT_EQ(g2, groups.FindGroup(4));
    EXPECT_EQ(g3, groups.HasGroup("乙"));
    EXPECT_EQ(nullptr, groups.FindGroup(6));
}

TEST(UserRecords, NextIdIsTheLargestPlusOne) {
    CUserInfoList users;
    EXPECT_EQ(1u, users.GetNextId());
    AddUser(users, 1, 1, 0, "a", "");
    AddUser(users, 7, 1, 0, "b", "");
    AddUser(users, 3, 1, 0, "c", "");
    EXPECT_EQ(8u, users.GetNextId());
    CGroupInfoList groups;
    AddGroup(groups, 0x80000000u, 0, "g");
    AddGroup(groups, 2, 0, "h");
    EXPECT_EQ(0x80000001u, groups.GetNextId());
}

TEST(UserRecords, GroupOperationsTouchOnlyThatGroup) {
    CUserInfoList users;
    AddUser(users, 1, 2, 0x02, "a", "");
    AddUser(users, 2, 3, 0x04, "b", "");
    AddUser(users, 3, 2, 0x02, "c", "");
    AddUser(users, 4, 2, 0x02, "d", "");
    users.ResetGroupPriv(2, 0x18);
    for (const auto& u : users.GetItems())
        EXPECT_EQ(u->m_dwGroupId == 2 ? 0x18u : 0x04u, u->m_dwPrivilege) << u->m_strName;
    users.DelGroup(2);
    ASSERT_EQ(1u, users.GetCount());
    EXPECT_EQ("b", users.GetItems().front()->m_strName);
}

TEST(UserRecords, ScramblingKeepsEveryByteAndComesBack) {
    CUserInfo u;
    u.m_strName = "系统管理员";
    u.m_strPassword = "482916";
    u.EnscriptInfo();
    ASSERT_EQ(65u, u.m_strName.size());
    EXPECT_EQ(7u, u.m_strPassword.size());
    EXPECT_EQ(0x05, static_cast<unsigned char>(u.m_strName[0]));
    u.DescriptInfo();
    EXPECT_EQ("系统管理员", u.m_strName);
    EXPECT_EQ("482916", u.m_strPassword);

    // Over-long texts are cut in GBK bytes, never in the middle of a character.
    auto repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    };
    u.m_strName = "xxx" + repeat("测试", 17); // 71 GBK bytes
    u.m_strPassword = "abc密码";
    u.EnscriptInfo();
    u.DescriptInfo();
    EXPECT_EQ("xxx" + repeat("测试", 15), u.m_strName); // 63 bytes: a 64th would split a character
    EXPECT_EQ("abc密", u.m_strPassword);
}

TEST(UserRecords, ManagerSharesTheListsAndItsDestructorEmptiesTheUsers) {
    CUserPwMgr a;
    a.GetUserList()->ClearAll();
    a.GetGroupList()->ClearAll();
    a.GetUserList()->InitialList();
    a.GetGroupList()->InitialList();
    {
        CUserPwMgr b(a);
        b = a;
        EXPECT_EQ(a.GetUserList(), b.GetUserList());
        EXPECT_EQ(1u, b.GetUserList()->GetCount());
    }
    EXPECT_TRUE(a.GetUserList()->IsEmpty());
    EXPECT_EQ(1u, a.GetGroupList()->GetCount());
    a.GetGroupList()->ClearAll();
}
