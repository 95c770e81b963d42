#include "useradmin/views/UserAdminDlg.h"
#include "tests/support/PromptRecorder.h"
#include "tests/useradmin/DialogScript.h"
#include "tests/useradmin/UserAdminFixture.h"
#include "useradmin/model/UserAdmin.h"
#include "useradmin/views/PrivilegeBoxes.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>

using nevlor::CPrivilegeBoxes;
using nevlor::CUserAdminDlg;
using platform::Answer;
using platform::Qs;

namespace {

class AdminDialog : public UserAdminFixture {
protected:
    void SetUp() override {
        platform::SetDefaultCaption("Nevlor");
        Fill(0x0E);
    }
    void TearDown() override { platform::SetDefaultCaption({}); }
    static QTreeWidget* Tree(QDialog& d) { return d.findChild<QTreeWidget*>("userTree"); }
    static QTreeWidgetItem* Item(QDialog& d, const char* group, const char* user = nullptr) {
        QTreeWidgetItem* root = Tree(d)->topLevelItem(0);
        QTreeWidgetItem* found = nullptr;
        for (int g = 0; g < root->childCount(); ++g) {
            QTreeWidgetItem* gi = root->child(g);
            if (gi->text(0) != Qs(group))
                continue;
            if (!user)
                found = gi;
            for (int u = 0; user && u < gi->childCount(); ++u)
                if (gi->child(u)->text(0) == Qs(user))
                    found = gi->child(u);
        }
        return found;
    }
    static void Select(QDialog& d, const char* group, const char* user = nullptr) {
        QTreeWidgetItem* item = Item(d, group, user);
        ASSERT_NE(nullptr, item);
        Tree(d)->setCurrentItem(item);
    }
    static QString Current(QDialog& d) { return Tree(d)->currentItem()->text(0); }
    static std::uint32_t ShownBits(QDialog& d) { return d.findChild<CPrivilegeBoxes*>()->Bits(0); }
    std::string LastCaption() const { return prompt.Messages().back().caption; }

    DialogScript script;
};

} // namespace

TEST_F(AdminDialog, TreeShowsGroupsWithTheirUsersAndTheSelectedBits) {
    CUserAdminDlg dlg(admin);
    EXPECT_EQ(Qs("密码管理"), dlg.windowTitle());
    QTreeWidgetItem* root = Tree(dlg)->topLevelItem(0);
    EXPECT_EQ(Qs("用户列表"), root->text(0));
    EXPECT_EQ(root, Tree(dlg)->currentItem());
    ASSERT_EQ(2, root->childCount());
    EXPECT_TRUE(root->child(1)->isExpanded());
    EXPECT_EQ(2, root->child(1)->childCount());
    EXPECT_EQ(nullptr, Item(dlg, "运行", "无组")); // its group does not exist
    EXPECT_EQ(0u, ShownBits(dlg));
    Select(dlg, "运行");
    EXPECT_EQ(0x0Eu, ShownBits(dlg));
    Select(dlg, "运行", "李四");
    EXPECT_EQ(0x06u, ShownBits(dlg));
    EXPECT_FALSE(dlg.findChild<QCheckBox*>("priv04")->isEnabled());
}

TEST_F(AdminDialog, ANonAdministratorChangesOnlyItsOwnNameAndPassword) {
    admin.SetLoggedIn(users.HasUser("张三"));
    CUserAdminDlg dlg(admin);
    for (const char* b :
         {"addGroupButton", "delGroupButton", "addUserButton", "delUserButton", "modifyGroupButton"})
        EXPECT_FALSE(dlg.findChild<QPushButton*>(b)->isEnabled()) << b;
    EXPECT_TRUE(dlg.findChild<QPushButton*>("modifyUserButton")->isEnabled());
    dlg.OnAddGroup();
    dlg.OnAddUser();
    Select(dlg, "运行", "李四");
    dlg.OnModifyUser();
    EXPECT_TRUE(script.seen.empty());

    script.On("userInfoDlg", [](QDialog& d) {
        EXPECT_FALSE(d.findChild<QListWidget*>("groupList")->isEnabled());
        DialogScript::SetText(d, "userNameEdit", "张三丰");
        DialogScript::SetText(d, "passwordEdit", "777");
        DialogScript::SetText(d, "confirmEdit", "777");
        DialogScript::Click(d, "okButton");
    });
    Select(dlg, "运行", "张三");
    dlg.findChild<QPushButton*>("modifyUserButton")->click();
    CUserInfo* me = users.HasUser("张三丰");
    ASSERT_NE(nullptr, me);
    EXPECT_EQ("777", me->m_strPassword);
    EXPECT_EQ(ops->m_dwId, me->m_dwGroupId);
    EXPECT_EQ(0x0Eu, me->m_dwPrivilege); // the group's bits
    EXPECT_EQ(Qs("张三丰"), Current(dlg));
    EXPECT_EQ("张三丰", admin.LoggedInName());
}

TEST_F(AdminDialog, GroupRefusalsAndTheOverwriteQuestion) {
    CUserAdminDlg dlg(admin);
    script.On("groupInfoDlg", [&](QDialog& d) {
        DialogScript::SetText(d, "groupNameEdit", "超级用户");
        DialogScript::Click(d, "okButton");
        EXPECT_EQ(0, d.result());
        EXPECT_EQ("超级用户组为系统用户组，不可重名！", prompt.LastText());
        EXPECT_EQ("错误", LastCaption());
        EXPECT_EQ(platform::Icon::Error, prompt.Messages().back().icon);
        DialogScript::Click(d, "cancelButton");
    });
    dlg.OnAddGroup();
    EXPECT_EQ(2u, groups.GetCount());

    auto sameName = [](QDialog& d) {
        DialogScript::SetText(d, "groupNameEdit", "运行");
        DialogScript::Check(d, "priv10", true);
        DialogScript::Click(d, "okButton");
    };
    script.On("groupInfoDlg", sameName);
    script.On("groupInfoDlg", sameName);
    prompt.Script({Answer::No, Answer::Yes});
    dlg.OnAddGroup();
    EXPECT_EQ("用户组已在列表中，是否覆盖?", prompt.LastText());
    EXPECT_EQ(0x0Eu, ops->m_dwPrivilege);
    dlg.OnAddGroup();
    EXPECT_EQ(0x10u, ops->m_dwPrivilege);
    EXPECT_EQ(2u, groups.GetCount());
    EXPECT_EQ(Qs("运行"), Current(dlg));
    EXPECT_EQ(2, Tree(dlg)->currentItem()->childCount()); // its users stay under it

    script.On("groupInfoDlg", [](QDialog& d) {
        EXPECT_FALSE(d.findChild<QLineEdit*>("groupNameEdit")->isEnabled());
        DialogScript::Click(d, "cancelButton");
    });
    Select(dlg, "超级用户");
    dlg.OnModifyGroup();

    script.On("groupInfoDlg", [](QDialog& d) {
        DialogScript::Check(d, "priv08", true);
        DialogScript::Click(d, "okButton");
    });
    Select(dlg, "运行");
    dlg.OnModifyGroup();
    EXPECT_EQ(0x18u, users.HasUser("张三")->m_dwPrivilege);
    EXPECT_EQ(0x18u, users.HasUser("李四")->m_dwPrivilege);
    EXPECT_EQ(Qs("运行"), Current(dlg));
}

TEST_F(AdminDialog, DeleteRefusalsAndTheQuestionForAGroupWithUsers) {
    CUserAdminDlg dlg(admin);
    Select(dlg, "超级用户");
    dlg.findChild<QPushButton*>("delGroupButton")->click();
    EXPECT_EQ("超级用户组为系统用户组，不可删除！", prompt.LastText());
    EXPECT_EQ("错误", LastCaption());
    Select(dlg, "超级用户", "系统管理员");
    dlg.findChild<QPushButton*>("delUserButton")->click();
    EXPECT_EQ("系统管理员为系统用户，不可删除！", prompt.LastText());
    EXPECT_EQ("错误", LastCaption());
    // A user command on a group item does nothing.
    prompt.Clear();
    Select(dlg, "运行");
    dlg.OnDelUser();
    EXPECT_EQ(0u, prompt.Count());

    prompt.Script({Answer::No, Answer::Yes});
    dlg.OnDelGroup();
    EXPECT_EQ("该用户组中包含用户，是否强制删除?", prompt.LastText());
    EXPECT_EQ(4u, users.GetCount());
    Select(dlg, "运行");
    dlg.OnDelGroup();
    EXPECT_EQ(1u, groups.GetCount());
    EXPECT_EQ(2u, users.GetCount()); // the administrator and the user without a group
    EXPECT_EQ(Qs("用户列表"), Current(dlg));
}

TEST_F(AdminDialog, UserDialogRefusals) {
    CUserAdminDlg dlg(admin);
    auto fill = [](const std::string& name, const std::string& pw, const std::string& confirm,
                   const char* group) {
        return [=](QDialog& d) {
            DialogScript::SetText(d, "userNameEdit", name);
            DialogScript::SetText(d, "passwordEdit", pw);
            DialogScript::SetText(d, "confirmEdit", confirm);
            if (group)
                DialogScript::ChooseGroup(d, group);
            DialogScript::Click(d, "okButton");
        };
    };
    struct Case {
        std::function<void(QDialog&)> fill;
        const char* text;
        const char* caption;
    };
    std::vector<Case> cases = {
        {fill("王五", "12", "13", "运行"), "输入密码和确认密码不一致", "Nevlor"},
        {fill("系统管理员", "1", "1", "运行"), "系统管理员为系统用户，不可重名！", "错误"},
        {fill("王五", "1", "1", nullptr), "请为该用户指定一用户组！", "错误"},
    };
    for (const auto& c : cases) {
        script.On("userInfoDlg", [&](QDialog& d) {
            c.fill(d);
            EXPECT_EQ(0, d.result());
            EXPECT_EQ(c.text, prompt.LastText());
            EXPECT_EQ(c.caption, LastCaption());
        });
        dlg.OnAddUser();
    }
    EXPECT_EQ(4u, users.GetCount());

    // Renaming a user to another's name is refused, and Cancel then keeps the record as it was.
    script.On("userInfoDlg", [&](QDialog& d) {
        fill("李四", "5", "5", "运行")(d);
        EXPECT_EQ("用户已在列表中！", prompt.LastText());
        EXPECT_EQ("错误", LastCaption());
        DialogScript::Click(d, "cancelButton");
    });
    Select(dlg, "运行", "张三");
    dlg.OnModifyUser();
    EXPECT_NE(nullptr, users.HasUser("张三"));
    EXPECT_EQ("1", users.HasUser("张三")->m_strPassword);

    // A new user of an existing name asks before overwriting.
    script.On("userInfoDlg", fill("李四", "8", "8", "超级用户"));
    prompt.Script({Answer::Yes});
    dlg.OnAddUser();
    EXPECT_EQ("用户已在列表中，是否覆盖?", prompt.LastText());
    EXPECT_EQ("8", users.HasUser("李四")->m_strPassword);
    EXPECT_EQ(0x1Fu, users.HasUser("李四")->m_dwPrivilege);
    EXPECT_EQ(Qs("李四"), Current(dlg));
    EXPECT_EQ(Qs("超级用户"), Tree(dlg)->currentItem()->parent()->text(0));

    script.On("userInfoDlg", [](QDialog& d) {
        EXPECT_FALSE(d.findChild<QLineEdit*>("userNameEdit")->isEnabled());
        EXPECT_FALSE(d.findChild<QListWidget*>("groupList")->isEnabled());
        DialogScript::Click(d, "cancelButton");
    });
    Select(dlg, "超级用户", "系统管理员");
    dlg.OnModifyUser();
    EXPECT_EQ(6u, script.seen.size());
}

TEST_F(AdminDialog, AboutBoxFromTheSystemMenu) {
    CUserAdminDlg dlg(admin);
    QMenu* menu = dlg.CreateSystemMenu();
    ASSERT_EQ(1, menu->actions().size());
    EXPECT_EQ(Qs("关于 Nevlor(&A)..."), menu->actions()[0]->text());
    script.On("aboutDlg", [](QDialog& d) {
        EXPECT_EQ(Qs("关于 Nevlor"), d.windowTitle());
        EXPECT_EQ(Qs("Nevlor 1.0 版"), d.findChild<QLabel*>("versionLabel")->text());
        DialogScript::Click(d, "okButton");
    });
    menu->actions()[0]->trigger();
    EXPECT_EQ(std::vector<std::string>{"aboutDlg"}, script.seen);
}
