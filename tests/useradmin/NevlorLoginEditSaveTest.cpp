// Nevlor driven through its real dialogs by a script: log in, add a group and a user in the main
// dialog, close it with OK, and read the written "Password.dat" back with a fresh manager; Cancel
// at the login or in the main dialog leaves no file.
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/useradmin/DialogScript.h"
#include "useradmin/views/UserAdminApp.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

class NevlorLoginEditSave : public ::testing::Test {
protected:
    void TearDown() override {
        CUserPwMgr mgr;
        mgr.GetGroupList()->ClearAll();
    }
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompt;
    DialogScript script;
};

} // namespace

TEST_F(NevlorLoginEditSave, AddsAGroupAndAUserAndSavesThem) {
    script.On("passwordDlg", [](QDialog& d) { DialogScript::Login(d, "系统管理员", "482916"); });
    script.On("userAdminDlg", [](QDialog& d) {
        DialogScript::Click(d, "addGroupButton");
        DialogScript::Click(d, "addUserButton");
        DialogScript::Click(d, "okButton");
    });
    script.On("groupInfoDlg", [](QDialog& d) {
        DialogScript::SetText(d, "groupNameEdit", "运行组");
        DialogScript::Check(d, "priv02", true);
        DialogScript::Check(d, "priv04", true);
        DialogScript::Click(d, "okButton");
    });
    script.On("userInfoDlg", [](QDialog& d) {
        DialogScript::SetText(d, "userNameEdit", "张三");
        DialogScript::SetText(d, "passwordEdit", "1234");
        DialogScript::SetText(d, "confirmEdit", "1234");
        DialogScript::ChooseGroup(d, "运行组");
        DialogScript::Click(d, "okButton");
    });
    {
        nevlor::CUserAdminApp app;
        EXPECT_EQ(0, app.InitInstance(dir.Path()));
    }
    EXPECT_EQ((std::vector<std::string>{"passwordDlg", "userAdminDlg", "groupInfoDlg", "userInfoDlg"}),
              script.seen);
    EXPECT_EQ(0u, prompt.Count());

    CUserPwMgr fresh;
    ASSERT_EQ(1, fresh.LoadFromFile(dir.Path()));
    CGroupInfo* g = fresh.GetGroupList()->HasGroup("运行组");
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(2u, g->m_dwId);
    EXPECT_EQ(0x06u, g->m_dwPrivilege);
    CUserInfo* u = fresh.GetUserList()->HasUser("张三");
    ASSERT_NE(nullptr, u);
    EXPECT_EQ(2u, u->m_dwId);
    EXPECT_EQ(2u, u->m_dwGroupId);
    EXPECT_EQ(0x06u, u->m_dwPrivilege);
    EXPECT_EQ(1, fresh.GetUserList()->VertifyCode("张三", "1234"));
    EXPECT_EQ(2u, fresh.GetUserList()->GetCount());
}

TEST_F(NevlorLoginEditSave, CancelAtLoginOrInTheMainDialogWritesNothing) {
    {
        nevlor::CUserAdminApp app;
        EXPECT_EQ(0, app.InitInstance(dir.Path()));
    }
    EXPECT_EQ(std::vector<std::string>{"passwordDlg"}, script.seen);
    script.On("passwordDlg", [](QDialog& d) { DialogScript::Login(d, "系统管理员", "482916"); });
    script.On("userAdminDlg", [](QDialog& d) {
        DialogScript::Click(d, "addGroupButton");
        DialogScript::Click(d, "cancelButton");
    });
    script.On("groupInfoDlg", [](QDialog& d) {
        DialogScript::SetText(d, "groupNameEdit", "丢弃");
        DialogScript::Click(d, "okButton");
    });
    {
        nevlor::CUserAdminApp app;
        app.InitInstance(dir.Path());
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "Password.dat"));
}
