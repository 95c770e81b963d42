// The main tool started with a scripted login: start-up, rights before the link commands, the log
// lines, the About box, and the sibling programs.
#include "AppFixture.h"

#include "configtool/app/AboutDlg.h"
#include "configtool/shellui/MainTabBar.h"
#include "configtool/shellui/RestartDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "users/model/UserInfo.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <QCoreApplication>
#include <QLineEdit>
#include <QThread>
#include <thread>

using namespace qxm7740;

namespace fs = std::filesystem;
using namespace apptest;
using platform::Ss;

namespace {

bool Contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

} // namespace

TEST_F(AppTest, StartUpLogsInWithoutRequiredRightsAndWritesTheLoginLine) {
    ASSERT_TRUE(Start("李四", "222"));
    const auto dialogs = TakeDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    // Mask 0: every user is offered, 李四 (log-in right only) too.
    EXPECT_EQ(dialogs[0].users, (std::vector<std::string>{"系统管理员", "张三", "李四"}));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"李四登陆7740组态工具。"});
    EXPECT_FALSE(app_->IsAdministrator());
    EXPECT_EQ(app_->GetRootFolder(), root_.Path());
    EXPECT_EQ(app_->GetProjectsFolder(), root_ / "Project");
    EXPECT_EQ(app_->GetIniFolder(), root_ / "Ini");
    CMainFrame* frame = app_->GetMainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->MonitorBar()->isHidden());
    EXPECT_FALSE(frame->WorkspaceBar()->isHidden());
    EXPECT_EQ(frame->LinkPaneText(), "通讯中断");
    // Without a link and a project only what needs neither is offered.
    for (const char* caption : {"下装组态", "上装组态", "建立连接", "参数设置", "调试(&D)", "人员管理"})
        EXPECT_TRUE(frame->Action(caption) && frame->Action(caption)->isEnabled()) << caption;
    for (const char* caption : {"断开连接", "下装文件", "重启动", "上装IP", "下装IP", "召唤时间", "设置时间",
                                "保存工程(&S)\tCtrl+S", "工程另存为(&A)..."})
        EXPECT_TRUE(frame->Action(caption) && !frame->Action(caption)->isEnabled()) << caption;
    EXPECT_EQ(app_->DocRef().m_pConfigDoc, nullptr);
    EXPECT_EQ(app_->DocRef().m_pDebugView, frame->MonitorView());
    EXPECT_EQ(app_->m_bIdle.load(), 1);
    EXPECT_NE(worker_, nullptr);
    EXPECT_TRUE(prompt_.Texts().empty());
}

TEST_F(AppTest, CancelledLoginEndsStartUpQuietly) {
    app_ = std::make_unique<CConfigToolApp>();
    Queue(Cancel());
    EXPECT_EQ(app_->InitInstance(root_ / "Bin", {}), 0);
    EXPECT_EQ(app_->GetMainFrame(), nullptr);
    EXPECT_FALSE(fs::exists(root_ / "LogFiles"));
    EXPECT_TRUE(prompt_.Texts().empty());
}

TEST_F(AppTest, WorkerThatCannotStartIsReportedAndLeftOut) {
    app_ = std::make_unique<CConfigToolApp>();
    app_->SetLinkFactory([this](ILinkReport* r) {
        return std::make_unique<CDeviceLink>(std::make_unique<FakeTransport>(&connectOk_), r);
    });
    app_->SetWorkerFactory([](CConfigToolApp&) {
        auto w = std::make_unique<FakeWorker>();
        w->startOk = false;
        return w;
    });
    Queue(Login("张三", "111"));
    ASSERT_EQ(app_->InitInstance(root_ / "Bin", {}), 1);
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"通讯线程创建失败!"});
    EXPECT_EQ(app_->GetWorker(), nullptr);
}

TEST_F(AppTest, ProjectOnTheCommandLineOpensAsTheCurrentOne) {
    const std::string path = (root_ / "Project" / "站" / "ProjectV1.00" / "站.ini").string();
    ASSERT_TRUE(Start("张三", "111", {path}));
    EXPECT_EQ(template_->calls, std::vector<std::string>{"open " + path});
    ASSERT_NE(app_->DocRef().m_pConfigDoc, nullptr);
    app_->ExitInstance();
    // A project that cannot be opened ends start-up.
    MakeApp();
    template_->openOk = false;
    Queue(Login("张三", "111"));
    EXPECT_EQ(app_->InitInstance(root_ / "Bin", {path}), 0);
}

TEST_F(AppTest, LinkCommandsWaitForARunningJob) {
    ASSERT_TRUE(Start("张三", "111"));
    Queue(AcceptParams());
    ASSERT_EQ(app_->ConnectDevice(), 1);
    app_->m_bIdle = 0; // the worker runs a job
    Trigger("断开连接");
    EXPECT_TRUE(app_->IsLinkConnected());
    app_->OnDisconnect();
    EXPECT_TRUE(app_->IsLinkConnected());
    app_->m_bIdle = 1;
    Trigger("断开连接");
    EXPECT_FALSE(app_->IsLinkConnected());
    EXPECT_EQ(app_->GetMainFrame()->GetLinkStatus(), "通讯中断");
    // Not connected and busy: no connect, no dialog, nothing set.
    app_->m_bIdle = 0;
    Trigger("下装组态");
    EXPECT_FALSE(worker_->Events().IsSet(INetWorker::kDownloadConfig));
    app_->m_bIdle = 1;
}

TEST_F(AppTest, AdministratorIsNeverAskedAgain) {
    ASSERT_TRUE(Start("系统管理员", "482916"));
    EXPECT_TRUE(app_->IsAdministrator());
    TakeDialogs();
    Queue(AcceptParams());
    Trigger("下装组态");
    EXPECT_TRUE(worker_->Events().IsSet(INetWorker::kDownloadConfig));
    EXPECT_EQ(app_->GetMainFrame()->GetLinkStatus(), "通讯建立 IP:" + app_->GetLink()->Address());
    Trigger("上装组态");
    EXPECT_TRUE(worker_->Events().IsSet(INetWorker::kUploadConfig));
    Queue([](QDialog& dlg) {
        dlg.findChild<QLineEdit*>("localFileEdit")->setText("/tmp/a.bin");
        dlg.findChild<QLineEdit*>("targetFileEdit")->setText("a.bin");
        dlg.accept();
        return dlg.result();
    });
    Trigger("下装文件");
    EXPECT_TRUE(worker_->Events().IsSet(INetWorker::kDownloadFile));
    EXPECT_EQ(worker_->localPath, "/tmp/a.bin");
    EXPECT_EQ(worker_->remoteName, "a.bin");
    EXPECT_EQ(worker_->board, 0);
    Queue(AcceptParams()); // the restart dialog, "全部"
    Trigger("重启动");
    FakeDoc* doc = NewProject("站A");
    ASSERT_NE(doc, nullptr);
    prompt_.Script({platform::Answer::No}); // save in place
    Trigger("保存工程(&S)\tCtrl+S");
    EXPECT_TRUE(doc->saved);

    for (const DialogRecord& d : TakeDialogs())
        EXPECT_NE(d.name, "passwordDlg");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"系统管理员登陆7740组态工具。",
                                                    "系统管理员下载组态文件到通讯管理机。",
                                                    "系统管理员从通讯管理机上装组态文件。",
                                                    "系统管理员下载文件/tmp/a.bin到通讯管理机。",
                                                    "系统管理员重新启动通讯管理机。"}));
    // The restart frame went out with board 255 and the link was closed after it.
    ASSERT_FALSE(transport_->sent.empty());
    EXPECT_EQ(transport_->sent.back().at(26), 255);
    EXPECT_EQ(app_->GetMainFrame()->GetLinkStatus(), "通讯中断");
}

TEST_F(AppTest, OtherUserIsAskedWithTheUploadDownloadMaskEveryTime) {
    ASSERT_TRUE(Start("张三", "111"));
    TakeDialogs();
    const std::vector<std::string> mask4{"系统管理员", "张三"};
    auto expectAsked = [&](const char* what) {
        const auto dialogs = TakeDialogs();
        int asked = 0;
        for (const DialogRecord& d : dialogs)
            if (d.name == "passwordDlg") {
                ++asked;
                EXPECT_EQ(d.users, mask4) << what;
            }
        EXPECT_EQ(asked, 1) << what;
    };

    Queue(AcceptParams());
    Queue(Login("张三", "111"));
    Trigger("下装组态");
    expectAsked("download");
    EXPECT_TRUE(worker_->Events().IsSet(INetWorker::kDownloadConfig));

    Queue(Login("张三", "111"));
    Trigger("上装组态");
    expectAsked("upload");

    Queue(Login("张三", "111"));
    Queue(Cancel()); // the file-download dialog
    Trigger("下装文件");
    expectAsked("one file");
    EXPECT_FALSE(worker_->Events().IsSet(INetWorker::kDownloadFile));

    Queue(Login("张三", "111"));
    Queue(AcceptParams());
    Trigger("重启动");
    expectAsked("restart");

    FakeDoc* doc = NewProject("站B");
    ASSERT_NE(doc, nullptr);
    TakeDialogs();
    prompt_.Script({platform::Answer::No});
    Queue(Login("张三", "111"));
    Trigger("保存工程(&S)\tCtrl+S");
    expectAsked("save");
    EXPECT_TRUE(doc->saved);

    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"张三登陆7740组态工具。", "张三下载组态文件到通讯管理机。",
                                        "张三从通讯管理机上装组态文件。", "张三重新启动通讯管理机。"}));
}

TEST_F(AppTest, RefusedRightsOrCancelledParametersEndTheCommandWithoutALogLine) {
    ASSERT_TRUE(Start("张三", "111"));
    // Not connected and no parameters yet: the settings dialog comes first; Cancel ends it all.
    Queue(Cancel());
    Trigger("下装组态");
    EXPECT_EQ(TakeDialogs().back().name, "CConnectParamDlg");
    EXPECT_FALSE(app_->IsLinkConnected());
    // Connected, but the rights are refused.
    Queue(AcceptParams());
    Queue(Cancel());
    Trigger("上装组态");
    EXPECT_TRUE(app_->IsLinkConnected());
    EXPECT_EQ(app_->m_bParamSet, 1);
    Queue(Cancel());
    Trigger("重启动");
    EXPECT_FALSE(worker_->Events().IsSet(INetWorker::kDownloadConfig));
    EXPECT_FALSE(worker_->Events().IsSet(INetWorker::kUploadConfig));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"张三登陆7740组态工具。"});
    // A link that does not come up (the retry question answered No) stops before the rights.
    app_->OnDisconnect();
    EXPECT_EQ(app_->GetMainFrame()->GetLinkStatus(), "通讯中断");
    connectOk_ = false;
    Trigger("下装组态");
    EXPECT_TRUE(Contains(prompt_.Texts(), "连接TCP/IP服务器(管理机)失败!\n重试吗?"));
    EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(AppTest, AboutBoxKeepsItsCaptionWithoutEditionAndNamesTheEdition) {
    unsetenv("QXM_SOFT_TOOL");
    ASSERT_TRUE(Start("张三", "111"));
    std::string caption;
    std::string title;
    auto readCaption = [&](QDialog& dlg) {
        caption = static_cast<CAboutDlg&>(dlg).GetCaptionLine();
        title = Ss(dlg.windowTitle());
        return int(QDialog::Accepted);
    };
    Queue(readCaption);
    Trigger("关于 QXM7740(&A)...");
    EXPECT_EQ(caption, "QXM7740组态工具 1.12 版");
    EXPECT_EQ(title, "关于 QXM7740组态工具");
    app_->ExitInstance();

    setenv("QXM_SOFT_TOOL", "专业", 1);
    ASSERT_TRUE(Start("张三", "111"));
    unsetenv("QXM_SOFT_TOOL");
    Queue(readCaption);
    Trigger("关于 QXM7740(&A)...");
    EXPECT_EQ(caption, "QXM7740组态工具专业版");
}

TEST_F(AppTest, MonitorProgramStartsWithTheKeyNumberOrReportsItsFolder) {
    ASSERT_TRUE(Start("张三", "111"));
    Trigger("调试(&D)");
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"启动调试工具失败!\n目录 " +
                                                        (root_ / "Bin").string() + "/ 中程序不存在!"});
    // The user administration program missing is silent.
    Trigger("人员管理");
    EXPECT_EQ(prompt_.Count(), 1u);

    const fs::path out = root_ / "started.txt";
    {
        std::ofstream script(root_ / "Bin" / "Marindle");
        script << "#!/bin/sh\necho \"$# $1 $(pwd)\" > '" << out.string() << ".tmp'\nmv '" << out.string()
               << ".tmp' '" << out.string() << "'\n";
    }
    fs::permissions(root_ / "Bin" / "Marindle", fs::perms::owner_all);
    Trigger("调试(&D)");
    EXPECT_EQ(prompt_.Count(), 1u);
    for (int i = 0; i < 100 && !fs::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(out));
    EXPECT_EQ(testsupport::ReadBytes(out), "1 30517 " + fs::canonical(root_ / "Bin").string() + "\n");
}

TEST_F(AppTest, ExitClosesTheLinkBeforeStoppingTheWorker) {
    ASSERT_TRUE(Start("张三", "111"));
    Queue(AcceptParams());
    ASSERT_EQ(app_->ConnectDevice(), 1);
    bool stopAsked = false;
    bool linkUpAtStop = true;
    worker_->onStop = [&] {
        stopAsked = true;
        linkUpAtStop = app_->GetLink() && app_->GetLink()->IsConnected();
    };
    app_->ExitInstance();
    EXPECT_TRUE(stopAsked);
    EXPECT_FALSE(linkUpAtStop);
    EXPECT_EQ(app_->GetWorker(), nullptr);
    EXPECT_EQ(app_->GetLink(), nullptr);
    EXPECT_EQ(app_->GetMainFrame(), nullptr);
}

// Logged in as 李四, who lacks the right: the log names whoever authorised each command, the
// administrator with the fixed wording.
TEST_F(AppTest, TheLogNamesTheUserWhoseRightsAllowedTheCommand) {
    ASSERT_TRUE(Start("李四", "222"));
    TakeDialogs();
    Queue(AcceptParams());
    Queue(Login("系统管理员", kAdminPassword));
    Trigger("下装组态");
    Queue(Login("张三", "111"));
    Trigger("上装组态");
    Queue(Login("系统管理员", kAdminPassword));
    Queue(AcceptParams());
    Trigger("重启动");
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"李四登陆7740组态工具。", "系统管理员下载组态文件到通讯管理机。",
                                        "张三从通讯管理机上装组态文件。", "系统管理员重新启动通讯管理机。"}));
}
