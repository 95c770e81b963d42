#include "users/views/PasswordDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "tests/support/PromptRecorder.h"
#include "users/model/UserPwMgr.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using platform::Qs;

namespace {

class LoginDialog : public ::testing::Test {
protected:
    void SetUp() override {
        CUserInfoList& users = *mgr.GetUserList();
        users.ClearAll();
        users.InitialList();
        Add(2, 0x02, "操作员", "111");
        Add(3, 0x06, "工程师", "222");
        Add(4, 0x1F, "全权", "333");
    }
    void TearDown() override {
        platform::SetDialogRunner(nullptr);
        mgr.GetUserList()->ClearAll();
    }
    void Add(std::uint32_t id, std::uint32_t priv, const std::string& name, const std::string& pw) {
        auto u = std::make_unique<CUserInfo>();
        u->m_dwId = id;
        u->m_dwGroupId = 1;
        u->m_dwPrivilege = priv;
        u->m_strName = name;
        u->m_strPassword = pw;
        mgr.GetUserList()->AddTail(std::move(u));
    }
    // Runs CheckPassword with a runner that calls fn on the dialog, then reports the result.
    int Run(char* buffer, std::uint32_t rights, const std::function<void(QDialog&)>& fn) {
        platform::SetDialogRunner([&](QDialog& d) {
            fn(d);
            return d.result();
        });
        return mgr.CheckPassword(buffer, rights);
    }
    static QStringList Entries(QDialog& d) {
        QStringList out;
        auto* combo = d.findChild<QComboBox*>("userCombo");
        for (int i = 0; i < combo->count(); ++i)
            out << combo->itemText(i);
        return out;
    }
    static void Choose(QDialog& d, const char* name, const char* password) {
        auto* combo = d.findChild<QComboBox*>("userCombo");
        combo->setCurrentIndex(combo->findText(Qs(name)));
        auto* edit = d.findChild<QLineEdit*>("passwordEdit");
        edit->clear();
        edit->insert(Qs(password)); // typed text, Chinese included
    }
    static void Ok(QDialog& d) { d.findChild<QPushButton*>("okButton")->click(); }

    testsupport::PromptRecorder prompt;
    CUserPwMgr mgr;
};

} // namespace

TEST_F(LoginDialog, ListsOnlyUsersHoldingEveryRequiredBit) {
    QStringList all, updown, full;
    Run(nullptr, 0, [&](QDialog& d) {
        all = Entries(d);
        EXPECT_EQ(-1, d.findChild<QComboBox*>("userCombo")->currentIndex());
        EXPECT_TRUE(d.windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(Qs("密码"), d.windowTitle());
        EXPECT_TRUE(d.findChild<QLineEdit*>("plainEdit")->isHidden());
        EXPECT_EQ(QLineEdit::Password, d.findChild<QLineEdit*>("passwordEdit")->echoMode());
    });
    Run(nullptr, 0x04, [&](QDialog& d) { updown = Entries(d); });
    Run(nullptr, 0x1F, [&](QDialog& d) { full = Entries(d); });
    EXPECT_EQ(QStringList({Qs("系统管理员"), Qs("操作员"), Qs("工程师"), Qs("全权")}), all);
    EXPECT_EQ(QStringList({Qs("系统管理员"), Qs("工程师"), Qs("全权")}), updown);
    EXPECT_EQ(QStringList({Qs("系统管理员"), Qs("全权")}), full);
}

TEST_F(LoginDialog, OkWithoutAChoiceDoesNothingAndAWrongPasswordKeepsTheDialogOpen) {
    char buffer[65] = "旧内容";
    int result = Run(buffer, 0x02, [&](QDialog& d) {
        QTest::keyClicks(d.findChild<QLineEdit*>("passwordEdit"), "111");
        Ok(d);
        EXPECT_EQ(0, d.result());
        EXPECT_EQ(0u, prompt.Count());

        Choose(d, "操作员", "222");
        Ok(d);
        EXPECT_EQ(0, d.result());
        ASSERT_EQ(1u, prompt.Count());
        EXPECT_EQ("密码错误！", prompt.Messages()[0].text);
        EXPECT_EQ("密码", prompt.Messages()[0].caption);
        EXPECT_EQ(platform::Icon::Error, prompt.Messages()[0].icon);
        EXPECT_EQ(Qs("操作员"), d.findChild<QComboBox*>("userCombo")->currentText());

        Choose(d, "操作员", "111");
        Ok(d);
    });
    EXPECT_EQ(1, result);
    EXPECT_STREQ("操作员", buffer);
}

TEST_F(LoginDialog, CancelLeavesTheBufferAndANullBufferIsAllowed) {
    char buffer[65] = "旧内容";
    EXPECT_EQ(0, Run(buffer, 0, [&](QDialog& d) {
                  Choose(d, "系统管理员", "482916");
                  d.findChild<QPushButton*>("cancelButton")->click();
              }));
    EXPECT_STREQ("旧内容", buffer);
    EXPECT_EQ(1, Run(nullptr, 0, [&](QDialog& d) {
                  Choose(d, "系统管理员", "482916");
                  Ok(d);
              }));
    std::string name;
    platform::SetDialogRunner([&](QDialog& d) {
        Choose(d, "全权", "333");
        Ok(d);
        return d.result();
    });
    EXPECT_EQ(1, mgr.CheckPassword(name, 0x10));
    EXPECT_EQ("全权", name);
}

TEST_F(LoginDialog, PasswordsAreLimitedToSixGbkBytes) {
    Add(5, 0x02, "中文", "密码密");
    Run(nullptr, 0, [&](QDialog& d) {
        auto* edit = d.findChild<QLineEdit*>("passwordEdit");
        QTest::keyClicks(edit, "1234567");
        EXPECT_EQ(QString("123456"), edit->text());
        edit->clear();
        edit->insert(Qs("密码密码"));
        EXPECT_EQ(Qs("密码密"), edit->text());
        Choose(d, "中文", "密码密码");
        Ok(d);
    });
    EXPECT_EQ(0u, prompt.Count());
}

TEST_F(LoginDialog, ALongNameIsCutForTheCharBufferButNotForTheString) {
    std::string longName;
    for (int i = 0; i < 32; ++i)
        longName += "长";
    Add(6, 0, longName, "1");
    char buffer[65];
    std::memset(buffer, 'x', sizeof buffer);
    std::string full;
    auto choose = [&](QDialog& d) {
        Choose(d, longName.c_str(), "1");
        Ok(d);
    };
    ASSERT_EQ(1, Run(buffer, 0, choose));
    EXPECT_EQ(63u, std::strlen(buffer)); // 21 characters of 3 UTF-8 bytes
    EXPECT_EQ(longName.substr(0, 63), std::string(buffer));
    platform::SetDialogRunner([&](QDialog& d) {
        choose(d);
        return d.result();
    });
    ASSERT_EQ(1, mgr.CheckPassword(full, 0));
    EXPECT_EQ(longName, full);
}
