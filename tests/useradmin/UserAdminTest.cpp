#include "useradmin/UserAdmin.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

using platform::Answer;

namespace {

class UserAdminRules : public ::testing::Test {
protected:
    void SetUp() override {
        groups.InitialList();
        users.InitialList();
        ops = AddGroup(0x06, "运行");
        AddUser(ops->m_dwId, 0x06, "张三");
        AddUser(ops->m_dwId, 0x06, "李四");
        AddUser(9, 0x02, "无组");
        admin.SetLoggedIn(users.HasUser("系统管理员"));
    }
    CGroupInfo* AddGroup(std::uint32_t priv, const std::string& name) {
        auto g = admin.NewGroup();
        g->m_dwPrivilege = priv;
        g->m_strName = name;
        return groups.AddTail(std::move(g));
    }
    CUserInfo* AddUser(std::uint32_t group, std::uint32_t priv, const std::string& name) {
        auto u = admin.NewUser();
        u->m_dwGroupId = group;
        u->m_dwPrivilege = priv;
        u->m_strName = name;
        u->m_strPassword = "1";
        return users.AddTail(std::move(u));
    }

    testsupport::PromptRecorder prompt;
    CUserInfoList users;
    CGroupInfoList groups;
    CUserAdmin admin{users, groups};
    CGroupInfo* ops = nullptr;
};

} // namespace

TEST_F(UserAdminRules, TreePutsUsersUnderTheLastGroupOfTheirId) {
    CGroupInfo* twin = AddGroup(0x02, "运行副本");
    twin->m_dwId = ops->m_dwId;
    auto tree = admin.BuildTree();
    ASSERT_EQ(3u, tree.size());
    EXPECT_TRUE(tree[1].users.empty());
    ASSERT_EQ(2u, tree[2].users.size());
    EXPECT_EQ("张三", tree[2].users[0]->m_strName);
    EXPECT_EQ(1u, tree[0].users.size());

    auto sel = CUserAdmin::FindSelection(tree, ops->m_dwId, users.HasUser("李四")->m_dwId);
    EXPECT_EQ(2, sel.group);
    EXPECT_EQ(1, sel.user);
    sel = CUserAdmin::FindSelection(tree, 1, 77);
    EXPECT_EQ(0, sel.group);
    EXPECT_EQ(-1, sel.user);
    sel = CUserAdmin::FindSelection(tree, 55, 0);
    EXPECT_EQ(-1, sel.group);
}

TEST_F(UserAdminRules, NewGroupOfAnExistingNameOverwritesOnlyItsBitsWhenConfirmed) {
    auto g = admin.NewGroup();
    g->m_strName = "运行";
    g->m_dwPrivilege = 0x1E;
    prompt.Script({Answer::No});
    EXPECT_EQ(nullptr, admin.CommitNewGroup(std::move(g)));
    EXPECT_EQ(0x06u, ops->m_dwPrivilege);
    EXPECT_EQ("用户组已在列表中，是否覆盖?", prompt.LastText());
    EXPECT_EQ(platform::Buttons::YesNo, prompt.Messages()[0].buttons);

    g = admin.NewGroup();
    std::uint32_t oldId = ops->m_dwId;
    g->m_strName = "运行";
    g->m_dwPrivilege = 0x1E;
    EXPECT_EQ(ops, admin.CommitNewGroup(std::move(g)));
    EXPECT_EQ(0x1Eu, ops->m_dwPrivilege);
    EXPECT_EQ(oldId, ops->m_dwId);
    EXPECT_EQ(2u, groups.GetCount());

    g = admin.NewGroup();
    g->m_strName = "检修";
    CGroupInfo* added = admin.CommitNewGroup(std::move(g));
    ASSERT_NE(nullptr, added);
    EXPECT_EQ(3u, added->m_dwId);
    EXPECT_EQ(3u, groups.GetCount());
}

TEST_F(UserAdminRules, NewUserOfAnExistingNameTakesAllFieldsWhenConfirmed) {
    CUserInfo* zhang = users.HasUser("张三");
    auto u = admin.NewUser();
    u->m_strName = "张三";
    u->m_strPassword = "999";
    u->m_dwGroupId = 1;
    u->m_dwPrivilege = 0x1F;
    std::uint32_t newId = u->m_dwId;
    prompt.Script({Answer::No});
    EXPECT_EQ(nullptr, admin.CommitNewUser(std::make_unique<CUserInfo>(*u)));
    EXPECT_EQ("1", zhang->m_strPassword);
    EXPECT_EQ("用户已在列表中，是否覆盖?", prompt.LastText());
    EXPECT_EQ(zhang, admin.CommitNewUser(std::move(u)));
    EXPECT_EQ(newId, zhang->m_dwId);
    EXPECT_EQ("999", zhang->m_strPassword);
    EXPECT_EQ(0x1Fu, zhang->m_dwPrivilege);
    EXPECT_EQ(4u, users.GetCount());
}

TEST_F(UserAdminRules, OverwritingTheLoggedInUserKeepsTrackOfIt) {
    admin.SetLoggedIn(users.HasUser("张三"));
    EXPECT_FALSE(admin.IsAdministrator());
    auto u = admin.NewUser();
    u->m_strName = "张三";
    u->m_dwGroupId = 1;
    u->m_dwPrivilege = 0x1F;
    admin.CommitNewUser(std::move(u));
    EXPECT_EQ(users.HasUser("张三"), admin.LoggedInUser());
    EXPECT_TRUE(admin.IsAdministrator());
}

TEST_F(UserAdminRules, DeletingRefusesTheReservedRecordsAndAsksForGroupsWithUsers) {
    EXPECT_FALSE(admin.DeleteGroup(groups.HasGroup("超级用户"), true));
    EXPECT_EQ("超级用户组为系统用户组，不可删除！", prompt.LastText());
    EXPECT_EQ("错误", prompt.Messages().back().caption);
    EXPECT_EQ(platform::Icon::Error, prompt.Messages().back().icon);
    EXPECT_FALSE(admin.DeleteUser(users.HasUser("系统管理员")));
    EXPECT_EQ("系统管理员为系统用户，不可删除！", prompt.LastText());
    EXPECT_EQ("错误", prompt.Messages().back().caption);
    EXPECT_EQ(2u, groups.GetCount());

    prompt.Script({Answer::No});
    EXPECT_FALSE(admin.DeleteGroup(ops, true));
    EXPECT_EQ("该用户组中包含用户，是否强制删除?", prompt.LastText());
    EXPECT_EQ(4u, users.GetCount());
    EXPECT_TRUE(admin.DeleteGroup(ops, true));
    EXPECT_EQ(1u, groups.GetCount());
    ASSERT_EQ(2u, users.GetCount());
    EXPECT_NE(nullptr, users.HasUser("无组"));

    EXPECT_TRUE(admin.DeleteUser(users.HasUser("无组")));
    EXPECT_EQ(1u, users.GetCount());
}

TEST_F(UserAdminRules, DeletingTheLoggedInUserLeavesNoRecordBehind) {
    CUserInfo* zhang = users.HasUser("张三");
    zhang->m_dwPrivilege = 0x1F;
    admin.SetLoggedIn(zhang);
    EXPECT_TRUE(admin.IsAdministrator());
    admin.DeleteUser(zhang);
    EXPECT_EQ(nullptr, admin.LoggedInUser());
    EXPECT_FALSE(admin.IsAdministrator());
    EXPECT_EQ("张三", admin.LoggedInName());
}

TEST_F(UserAdminRules, DialogInputChecks) {
    CGroupInfo fresh;
    EXPECT_FALSE(admin.CheckGroupInput(fresh, "超级用户"));
    EXPECT_EQ("超级用户组为系统用户组，不可重名！", prompt.LastText());
    EXPECT_TRUE(admin.CheckGroupInput(*groups.HasGroup("超级用户"), "超级用户"));
    EXPECT_TRUE(admin.CheckGroupInput(fresh, "超级"));

    prompt.Clear();
    CUserInfo* zhang = users.HasUser("张三");
    EXPECT_FALSE(admin.CheckUserInput(*zhang, "张三", "1", "2", ops));
    EXPECT_EQ("输入密码和确认密码不一致", prompt.LastText());
    EXPECT_FALSE(admin.CheckUserInput(*zhang, "系统管理员", "1", "1", ops));
    EXPECT_EQ("系统管理员为系统用户，不可重名！", prompt.LastText());
    EXPECT_FALSE(admin.CheckUserInput(*zhang, "李四", "1", "1", ops));
    EXPECT_EQ("用户已在列表中！", prompt.LastText());
    EXPECT_EQ("错误", prompt.Messages().back().caption);
    EXPECT_FALSE(admin.CheckUserInput(*zhang, "张三", "1", "1", nullptr));
    EXPECT_EQ("请为该用户指定一用户组！", prompt.LastText());
    EXPECT_EQ(4u, prompt.Count());
    EXPECT_TRUE(admin.CheckUserInput(*zhang, "张三", "1", "1", ops));
    // A new record may name an existing user: the overwrite question follows on commit.
    CUserInfo fresh2;
    EXPECT_TRUE(admin.CheckUserInput(fresh2, "李四", "", "", ops));
    EXPECT_TRUE(admin.CheckUserInput(*users.HasUser("系统管理员"), "系统管理员", "", "", ops));
}

TEST_F(UserAdminRules, GroupChangesReachAllItsUsers) {
    ops->m_dwPrivilege = 0x0C;
    admin.GroupModified(*ops);
    EXPECT_EQ(0x0Cu, users.HasUser("张三")->m_dwPrivilege);
    EXPECT_EQ(0x0Cu, users.HasUser("李四")->m_dwPrivilege);
    EXPECT_EQ(0x1Fu, users.HasUser("系统管理员")->m_dwPrivilege);
}
