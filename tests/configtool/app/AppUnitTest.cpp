// The program's own link and worker against the fake unit: the configuration is downloaded and
// uploaded from the menus, the uploaded project opens, and the unit is restarted.
#include "AppFixture.h"
#include "configtool/shellui/DownloadProgressDlg.h"
#include "configtool/shellui/MainTabBar.h"
#include "projectmodel/ConfigDoc.h"
#include "tests/configtool/worker/WorkerFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

using namespace qxm7740;

namespace fs = std::filesystem;

namespace apptest {
namespace {

class AppUnitTest : public AppTest {
protected:
    AppUnitTest() {
        realProjects_ = true;
        realLink_ = true;
        testsupport::CopyTree(testsupport::IniDir(), root_ / "Ini");
        testsupport::CopyTree(testsupport::IniDir(), project_ / "Ini");
        fs::create_directories(project_ / "ProjectV1.00");
        for (const auto& e : fs::directory_iterator(testsupport::TestDataDir() / "projectmodel" / "sample"))
            fs::copy_file(e.path(), project_ / "ProjectV1.00" / e.path().filename());
        fs::create_directories(store_.Path());
    }
    // Serves the user-interface thread until done() holds (at most 30 s).
    template <class Done> bool Until(Done done) {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > 30000)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }
    bool Shown(const std::string& text) const {
        for (const auto& t : prompt_.Texts())
            if (t == text)
                return true;
        return false;
    }

    fs::path project_ = root_ / "Project" / "Demo";
    testsupport::TempDir store_;
};

TEST_F(AppUnitTest, DownloadUploadAndRestartFromTheMenus) {
    workertest::FakeUnit unit(store_.Path());
    ASSERT_GT(unit.port, 0);
    const fs::path mainFile = project_ / "ProjectV1.00" / "QXM7740.ini";
    // What the download writes and sends: its own stamped copy of the version.
    const fs::path sentFile = root_ / "Project" / "DownTemp" / "Demo" / "ProjectV1.00" / "QXM7740.ini";
    const std::string saved = testsupport::ReadBytes(mainFile);
    ASSERT_TRUE(Start("系统管理员", "482916", {mainFile.string()}));
    ASSERT_NE(app_->GetWorker(), nullptr);
    app_->GetLink()->SetAddress(unit.port, "127.0.0.1");
    app_->m_bParamSet = 1;
    Trigger("建立连接");
    ASSERT_TRUE(app_->IsLinkConnected());
    EXPECT_EQ(app_->GetMainFrame()->GetLinkStatus(), "通讯建立 IP:127.0.0.1");

    Trigger("下装组态");
    ASSERT_TRUE(Until([&] { return Shown("新组态下装成功，请重启装置!"); })) << unit.Log();
    ASSERT_TRUE(Until([&] { return app_->m_bIdle == 1; }));
    EXPECT_EQ(app_->GetMainFrame()->WaitDialog(), nullptr);
    EXPECT_EQ(testsupport::ReadBytes(store_ / "QXM7740.ini"), testsupport::ReadBytes(sentFile));
    EXPECT_EQ(testsupport::ReadBytes(mainFile), saved);
    EXPECT_FALSE(app_->DocRef().m_pConfigDoc->IsModified());
    EXPECT_TRUE(fs::is_regular_file(store_ / "Demo.zip"));
    const auto log = LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "系统管理员下载组态文件到通讯管理机。"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "下装工程文件，文件名：" + sentFile.string()), log.end());

    // The upload opens the fetched project as the current one.
    const fs::path fetched = root_ / "Project" / "UpTemp" / "Project" / "QXM7740.ini";
    Trigger("上装组态");
    ASSERT_TRUE(Until([&] {
        return app_->DocRef().m_pConfigDoc && app_->DocRef().m_pConfigDoc->GetTitle() == fetched.string();
    })) << unit.Log();
    EXPECT_EQ(app_->DocRef().m_pConfigDoc->m_strProjectName, "Demo");
    EXPECT_EQ(app_->GetIniFolder(), root_ / "Project" / "UpTemp" / "ini");
    EXPECT_EQ(app_->GetMainFrame()->WaitDialog(), nullptr);

    // Restart: the whole unit, and the link is down afterwards.
    Queue([](QDialog& dlg) {
        dlg.accept();
        return dlg.result();
    });
    Trigger("重启动");
    EXPECT_TRUE(Until([&] { return unit.Log().find("RESTART board=255") != std::string::npos; }))
        << unit.Log();
    EXPECT_FALSE(app_->IsLinkConnected());
    EXPECT_EQ(app_->GetMainFrame()->GetLinkStatus(), "通讯中断");
}

// A download the unit refuses ends in a box that says so, with the monitor pane brought into view;
// when the unit drops the link the status bar says so as the menu does.
TEST_F(AppUnitTest, AFailedDownloadEndsInABoxAndADroppedLinkIsShown) {
    workertest::FakeUnit unit(store_.Path(), {"refuse-open"});
    ASSERT_GT(unit.port, 0);
    const fs::path mainFile = project_ / "ProjectV1.00" / "QXM7740.ini";
    ASSERT_TRUE(Start("系统管理员", "482916", {mainFile.string()}));
    app_->GetLink()->SetAddress(unit.port, "127.0.0.1");
    app_->m_bParamSet = 1;
    Trigger("建立连接");
    ASSERT_TRUE(app_->IsLinkConnected());
    CMainFrame* frame = app_->GetMainFrame();
    ASSERT_TRUE(frame->MonitorBar()->isHidden());

    Trigger("下装组态");
    ASSERT_TRUE(Until([&] { return Shown("组态下装失败，详见监视窗口！"); })) << unit.Log();
    ASSERT_TRUE(Until([&] { return app_->m_bIdle == 1; }));
    EXPECT_FALSE(frame->MonitorBar()->isHidden());
    EXPECT_EQ(frame->WaitDialog(), nullptr);
    EXPECT_NE(unit.Log().find("OPEN WRITE QXM7740.ini"), std::string::npos) << unit.Log();
    EXPECT_FALSE(Shown("新组态下装成功，请重启装置!"));
    EXPECT_EQ(frame->LinkPaneText(), "通讯建立 IP:127.0.0.1");

    // The unit goes away: the link closes, and the status bar and the menu both say so.
    unit.process.kill();
    ASSERT_TRUE(Until([&] { return !app_->IsLinkConnected(); }));
    EXPECT_EQ(frame->GetLinkStatus(), "通讯中断");
    EXPECT_EQ(frame->LinkPaneText(), "通讯中断");
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->Action("建立连接")->isEnabled());
    EXPECT_FALSE(frame->Action("断开连接")->isEnabled());
}

} // namespace
} // namespace apptest
