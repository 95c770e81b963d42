#include "tests/support/Found.h"
#include "tests/useradmin/UserAdminFixture.h"

#include <functional>
#include <gtest/gtest.h>

using nevlor::CUserAdmin;
using platform::Answer;

namespace {

class UserAdminRules : public UserAdminFixture {
protected:
    void SetUp() override { Fill(0x06); }
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

    auto sel =
        CUserAdmin::FindSelection(tree, ops->m_dwId, testsupport::Found(users.HasUser("李四"))->m_dwId);
    EXPECT_EQ(2, sel.group);
    EXPECT_EQ(1, sel.user);
    sel = CUserAdmin::FindSelection(tree, 1, 77);
    EXPECT_EQ(0, sel.group);
    EXPECT_EQ(-1, sel.user);
    sel = CUserAdmin::FindSelection(tree, 55, 0);
    EXPECT_EQ(-1, sel.group);
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

TEST_F(UserAdminRules, AnotherUserOfTheSameIdLendsNoRights) {
    // A hand-edited file may repeat an id: the later administrator must not count as the login.
    CUserInfo* zhang = users.HasUser("张三");
    admin.SetLoggedIn(zhang);
    CUserInfo* twin = AddUser(ops->m_dwId, 0x1F, "王五");
    twin->m_dwId = zhang->m_dwId;
    EXPECT_EQ(zhang, admin.LoggedInUser());
    EXPECT_FALSE(admin.IsAdministrator());
    EXPECT_FALSE(admin.CanModifyUser(*twin));
    // Renaming oneself keeps the login.
    zhang->m_strName = "张三丰";
    admin.UserModified(*zhang, true);
    EXPECT_EQ(zhang, admin.LoggedInUser());
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

TEST_F(UserAdminRules, NewRecordsAndUnchangedNamesPassTheUserCheck) {
    // A new record may name an existing user: the overwrite question follows on commit.
    CUserInfo fresh;
    EXPECT_TRUE(admin.CheckUserInput(fresh, "李四", "", "", ops));
    EXPECT_TRUE(admin.CheckUserInput(*users.HasUser("张三"), "张三", "1", "1", ops));
    EXPECT_TRUE(admin.CheckUserInput(*users.HasUser("系统管理员"), "系统管理员", "", "", ops));
    CGroupInfo group;
    EXPECT_TRUE(admin.CheckGroupInput(*groups.HasGroup("超级用户"), "超级用户"));
    EXPECT_TRUE(admin.CheckGroupInput(group, "超级"));
    EXPECT_EQ(0u, prompt.Count());
}

namespace {

// A question during which the lists change (as they may while a box runs its event loop): the
// action runs inside the box, then the question is answered Yes.
class ActingPrompt : public platform::IPrompt {
public:
    explicit ActingPrompt(std::function<void()> act) : act_(std::move(act)) { platform::SetPrompt(this); }
    ~ActingPrompt() override { platform::SetPrompt(nullptr); }
    Answer Message(const std::string&, const std::string&, platform::Icon, platform::Buttons) override {
        act_();
        return Answer::Yes;
    }
    Answer MessageWithDefault(const std::string&, const std::string&, platform::Icon, platform::Buttons,
                              Answer) override {
        act_();
        return Answer::Yes;
    }

private:
    std::function<void()> act_;
};

} // namespace

TEST_F(UserAdminRules, RecordsRemovedWhileTheirQuestionIsOpenAreLookedUpAgain) {
    {
        // The namesake goes while the overwrite question is open: the new user is added instead.
        ActingPrompt acting([&] { users.RemoveAndDelete(users.HasUser("张三")); });
        auto u = admin.NewUser();
        u->m_strName = "张三";
        u->m_strPassword = "999";
        CUserInfo* added = admin.CommitNewUser(std::move(u));
        ASSERT_NE(added, nullptr);
        EXPECT_EQ("999", added->m_strPassword);
        EXPECT_EQ(added, users.HasUser("张三"));
    }
    {
        ActingPrompt acting([&] { groups.RemoveAndDelete(groups.HasGroup("运行")); });
        auto g = admin.NewGroup();
        g->m_strName = "运行";
        g->m_dwPrivilege = 0x1F;
        CGroupInfo* added = admin.CommitNewGroup(std::move(g));
        ASSERT_NE(added, nullptr);
        EXPECT_EQ(0x1Fu, added->m_dwPrivilege);
    }
    {
        // The group to delete goes while the force question is open: nothing else is touched.
        CGroupInfo* target = testsupport::Found(groups.HasGroup("运行"));
        ActingPrompt acting([&] { groups.RemoveAndDelete(target); });
        EXPECT_FALSE(admin.DeleteGroup(target, true));
        EXPECT_EQ(4u, users.GetCount());
    }
}
