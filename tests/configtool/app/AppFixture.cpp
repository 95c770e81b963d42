#include "AppFixture.h"

#include "configtool/app/AppNetHost.h"
#include "configtool/shellui/WizardSheet.h"
#include "platform/Gbk.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"
#include "users/model/UserPwMgr.h"

#include <ctime>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

using namespace qxm7740;

namespace fs = std::filesystem;
using platform::Qs;
using platform::Ss;

namespace apptest {

namespace {

void WritePasswordFile(const fs::path& bin) {
    CUserPwMgr mgr;
    mgr.LoadFromFile(bin); // no file yet: the administrator alone
    CUserInfoList* users = mgr.GetUserList();
    auto add = [&](const char* name, const char* password, std::uint32_t rights) {
        auto u = std::make_unique<CUserInfo>();
        u->m_dwId = users->GetNextId();
        u->m_dwGroupId = 1;
        u->m_dwPrivilege = rights;
        u->m_strName = name;
        u->m_strPassword = password;
        users->AddTail(std::move(u));
    };
    add("张三", "111", PRIV_LOGIN | PRIV_UPDOWN);
    add("李四", "222", PRIV_LOGIN);
    ASSERT_TRUE(mgr.SaveToFile(bin));
}

} // namespace

AppTest::AppTest() {
    fs::create_directories(root_ / "Bin");
    fs::create_directories(root_ / "Project");
    fs::create_directories(root_ / "Ini");
    WritePasswordFile(root_ / "Bin");
    projectmodel::CProjectContext::Reset();
    // The recent-project list lives in settings inside the test's own folder (tests run in
    // parallel processes).
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Qs((root_ / "settings").string()));
    QCoreApplication::setOrganizationName("qxm-app-tests");
    QCoreApplication::setApplicationName("QXM7740");
    QSettings().clear();
    prompt_.SetDefaultAnswer(platform::Answer::No);
    platform::SetDialogRunner([this](QDialog& dlg) {
        if (dlg.objectName() == "passwordDlg") {
            DialogRecord rec{"passwordDlg", {}};
            if (auto* combo = dlg.findChild<QComboBox*>("userCombo"))
                for (int i = 0; i < combo->count(); ++i)
                    rec.users.push_back(Ss(combo->itemText(i)));
            dialogs_.push_back(rec);
        } else {
            dialogs_.push_back({Ss(dlg.objectName()), {}});
        }
        if (scripts_.empty()) {
            ADD_FAILURE() << "unexpected dialog " << Ss(dlg.objectName()) << " " << Ss(dlg.windowTitle());
            return int(QDialog::Rejected);
        }
        Script script = std::move(scripts_.front());
        scripts_.pop_front();
        return script(dlg);
    });
}

AppTest::~AppTest() {
    if (app_)
        app_->ExitInstance();
    realTemplate_.reset();
    app_.reset();
    template_.reset();
    shell_.reset();
    platform::SetDialogRunner(nullptr);
    EXPECT_TRUE(scripts_.empty()) << scripts_.size() << " scripted dialogs did not run";
    projectmodel::CProjectContext::Reset();
}

bool AppTest::Start(const std::string& user, const std::string& password,
                    const std::vector<std::string>& arguments) {
    MakeApp();
    Queue(Login(user, password));
    return app_->InitInstance(root_ / "Bin", arguments) != 0;
}

void AppTest::MakeApp() {
    realTemplate_.reset();
    app_ = std::make_unique<CConfigToolApp>();
    template_ = std::make_unique<FakeTemplate>(*app_);
    if (realProjects_) {
        realTemplate_ = std::make_unique<CConfigDocTemplate>(*app_);
        shell_ = std::make_unique<CAppProjectShell>(*app_);
        projectmodel::CProjectContext::Instance().SetShell(shell_.get());
        app_->SetProjectTemplate(realTemplate_.get());
    } else {
        app_->SetProjectTemplate(template_.get());
    }
    app_->SetProgramFolder(root_ / "Bin");
    if (realLink_) {
        // The program's own link, on the socket it loads when the link first makes one.
        app_->SetWorkerFactory(MakeNetWorker);
        return;
    }
    app_->SetLinkFactory([this](ILinkReport* report) {
        auto t = std::make_unique<FakeTransport>(&connectOk_);
        transport_ = t.get();
        return std::make_unique<CDeviceLink>(std::move(t), report);
    });
    app_->SetWorkerFactory([this](CConfigToolApp&) {
        auto w = std::make_unique<FakeWorker>();
        worker_ = w.get();
        return w;
    });
}

AppTest::Script AppTest::Login(const std::string& user, const std::string& password) {
    return [user, password](QDialog& dlg) {
        auto* combo = dlg.findChild<QComboBox*>("userCombo");
        auto* edit = dlg.findChild<QLineEdit*>("passwordEdit");
        auto* ok = dlg.findChild<QPushButton*>("okButton");
        if (!combo || !edit || !ok)
            return int(QDialog::Rejected);
        combo->setCurrentIndex(combo->findText(Qs(user)));
        edit->setText(Qs(password));
        ok->click();
        return dlg.result();
    };
}

AppTest::Script AppTest::Cancel() {
    return [](QDialog&) { return int(QDialog::Rejected); };
}

AppTest::Script AppTest::AcceptParams() {
    return [](QDialog& dlg) {
        dlg.accept();
        return dlg.result();
    };
}

void AppTest::Trigger(const std::string& caption) {
    // The menu refreshes its states when it opens.
    app_->GetMainFrame()->UpdateCommandUI();
    QAction* action = app_->GetMainFrame()->Action(caption);
    ASSERT_NE(action, nullptr) << caption;
    ASSERT_TRUE(action->isEnabled()) << caption;
    action->trigger();
}

std::vector<std::string> AppTest::LogLines() const {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    const fs::path file =
        root_ / "LogFiles" / platform::StrFormat("%4.4d-%2.2d.log", t.tm_year + 1900, t.tm_mon + 1);
    std::vector<std::string> lines;
    const std::string text = platform::FromGbk(testsupport::ReadBytes(file));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // "2026年12月08日20时01分02秒:" is 14 digits and six marks before the colon.
        const std::size_t colon = line.find("秒:");
        lines.push_back(colon == std::string::npos ? line : line.substr(colon + std::string("秒:").size()));
        start = end + 1;
    }
    return lines;
}

std::vector<DialogRecord> AppTest::TakeDialogs() {
    std::vector<DialogRecord> out;
    out.swap(dialogs_);
    return out;
}

AppTest::Script AppTest::Wizard(const std::string& name) const {
    return [folder = root_ / "Project", name](QDialog& dlg) {
        auto& sheet = static_cast<CWizardSheet&>(dlg);
        sheet.SetFolder(folder.string());
        sheet.SetName(name);
        return int(QDialog::Accepted);
    };
}

FakeDoc* AppTest::NewProject(const std::string& name) {
    Queue(Wizard(name));
    Trigger("新建工程(&N)\tCtrl+N");
    CConfigDoc* doc = app_->DocRef().m_pConfigDoc;
    return doc ? FakeTemplate::Fake(doc) : nullptr;
}

} // namespace apptest
