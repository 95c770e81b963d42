// The main frame: the wait dialog and monitor reports (also from a worker thread), the view
// commands, "自动排序", "生成文本", and the questions before new, open and close.
#include "AppFixture.h"
#include "tests/support/ServeEvents.h"

#include "configtool/shellui/DownloadProgressDlg.h"
#include "configtool/shellui/MainTabBar.h"
#include "configtool/shellui/TextView.h"
#include "platform/Gbk.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"

#include <atomic>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <thread>

using namespace qxm7740;

namespace fs = std::filesystem;
using namespace apptest;
using platform::Answer;
using platform::Qs;
using platform::Ss;

namespace {

std::string MonitorText(CMainFrame* frame) {
    frame->MonitorView()->FlushFeed(); // the pane is fed once per event-loop turn
    return Ss(frame->MonitorView()->toPlainText());
}

// Runs fn on another thread while this thread serves its events, as the worker does.
void FromWorker(const std::function<void()>& fn) {
    testsupport::RunOnWorkerServing(fn);
}

} // namespace

TEST_F(AppTest, WaitDialogOpensOnceAndFollowsProgressAndClose) {
    ASSERT_TRUE(Start("张三", "111"));
    CMainFrame* frame = app_->GetMainFrame();
    // Nothing to move without a dialog.
    frame->Progress(3, 50);
    frame->WaitText("x");
    EXPECT_EQ(frame->WaitDialog(), nullptr);

    FromWorker([&] { frame->OpenWait(0, "正在保存组态！"); });
    CDownloadProgressDlg* dlg = frame->WaitDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->IsProgressMode());
    EXPECT_EQ(dlg->GetText(), "正在保存组态！");
    EXPECT_EQ(app_->m_bWaitDlg.load(), 1);
    // A second request while the dialog exists is ignored.
    FromWorker([&] { frame->OpenWait(1, "正在连接服务器"); });
    EXPECT_EQ(frame->WaitDialog(), dlg);
    EXPECT_TRUE(dlg->IsProgressMode());
    EXPECT_EQ(dlg->GetText(), "正在保存组态！");

    FromWorker([&] {
        frame->Progress(3, 35);
        frame->WaitText("正在下装文件，文件名：QXM7740.ini");
    });
    EXPECT_EQ(dlg->GetPos(), 35);
    EXPECT_EQ(dlg->GetText(), "正在下装文件，文件名：QXM7740.ini");

    // The user closing it clears the flag the worker polls; the worker then closes it.
    dlg->reject();
    EXPECT_EQ(app_->m_bWaitDlg.load(), 0);
    FromWorker([&] { frame->CloseWait(); });
    EXPECT_EQ(frame->WaitDialog(), nullptr);
    frame->OpenWait(1, "正在连接服务器\nIP地址:1.2.3.4  端口号:7000");
    ASSERT_NE(frame->WaitDialog(), nullptr);
    EXPECT_FALSE(frame->WaitDialog()->IsProgressMode());
    EXPECT_EQ(app_->m_bWaitDlg.load(), 1);
    frame->CloseWait();
    EXPECT_EQ(app_->m_bWaitDlg.load(), 0);
}

TEST_F(AppTest, MonitorLinesArriveWhileTheBarIsHiddenAndTheBarToggles) {
    ASSERT_TRUE(Start("张三", "111"));
    CMainFrame* frame = app_->GetMainFrame();
    ASSERT_TRUE(frame->MonitorBar()->isHidden());
    const std::uint8_t bytes[] = {0x90, 0xEB, 0x01};
    FromWorker([&] {
        frame->MonitorText(LinkColour::Sent, "发送文件打开报文，写操作");
        frame->MonitorBytes(LinkColour::Received, bytes, sizeof bytes);
        frame->MonitorText(LinkColour::Error, "口令验证失败!");
    });
    EXPECT_EQ(MonitorText(frame), "发送文件打开报文，写操作\n90 eb 01 \n口令验证失败!\n");

    QAction* view = frame->Action("监视窗(&D)");
    view->trigger();
    EXPECT_FALSE(frame->MonitorBar()->isHidden());
    EXPECT_TRUE(view->isChecked());
    view->trigger();
    EXPECT_TRUE(frame->MonitorBar()->isHidden());
    EXPECT_FALSE(view->isChecked());
    QAction* tree = frame->Action("结构图");
    EXPECT_TRUE(tree->isChecked());
    // The bar carries the caption of the command that shows it, as the monitor bar does.
    EXPECT_EQ(frame->WorkspaceBar()->windowTitle(), QString("结构图"));
    EXPECT_EQ(frame->MonitorBar()->windowTitle(), QString("监视窗口"));
    tree->trigger();
    EXPECT_TRUE(frame->WorkspaceBar()->isHidden());
    EXPECT_FALSE(tree->isChecked());
}

TEST_F(AppTest, AutoSortTogglesTheFlagAndSortsWhenTurnedOn) {
    ASSERT_TRUE(Start("张三", "111"));
    CMainFrame* frame = app_->GetMainFrame();
    QAction* sort = frame->Action("自动排序");
    auto& context = projectmodel::CProjectContext::Instance();
    ASSERT_TRUE(context.IsDeviceTableSorted());
    frame->UpdateCommandUI();
    EXPECT_TRUE(sort->isChecked());
    sort->trigger(); // off: nothing is sorted
    EXPECT_FALSE(context.IsDeviceTableSorted());
    EXPECT_FALSE(sort->isChecked());
    sort->trigger(); // on without a project: nothing to sort
    EXPECT_TRUE(context.IsDeviceTableSorted());
    ASSERT_NE(NewProject("站C"), nullptr);
    sort->trigger();
    sort->trigger();
    EXPECT_TRUE(sort->isChecked());
    EXPECT_EQ(std::count(template_->calls.begin(), template_->calls.end(), "sort 站C"), 1);
    EXPECT_EQ(template_->calls.back(), "sort 站C");
}

TEST_F(AppTest, QuestionsBeforeNewOpenAndClose) {
    ASSERT_TRUE(Start("张三", "111"));
    CMainFrame* frame = app_->GetMainFrame();
    FakeDoc* first = NewProject("站E");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->title, "新建组态，工程名：站E");
    EXPECT_EQ(template_->calls.back(), "new " + (root_ / "Project").string() + " 站E");
    EXPECT_EQ(frame->GetNewProjectName(), "站E");

    // Unsaved: asked; No discards it and the next project is made.
    prompt_.Clear();
    prompt_.Script({Answer::No});
    FakeDoc* second = NewProject("站F");
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"是否先保存当前的组态信息?"});
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->name, "站F");

    // 取消 (Escape and the close button answer it) keeps the project open and opens nothing:
    // the question has three buttons.
    prompt_.Clear();
    prompt_.Script({Answer::Cancel});
    Trigger("新建工程(&N)\tCtrl+N");
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Messages()[0].buttons, platform::Buttons::YesNoCancel);
    EXPECT_EQ(app_->DocRef().m_pConfigDoc, FakeTemplate::Doc(second));
    prompt_.Script({Answer::Cancel});
    EXPECT_EQ(frame->OpenProjectPath((root_ / "Project" / "x" / "ProjectV1.00" / "x.ini").string()), 0);
    EXPECT_EQ(app_->DocRef().m_pConfigDoc, FakeTemplate::Doc(second));

    // Yes runs the save command; a refused save keeps the project and makes nothing new.
    prompt_.Clear();
    prompt_.Script({Answer::Yes, Answer::No});
    Queue(Cancel()); // the rights are refused
    Trigger("新建工程(&N)\tCtrl+N");
    EXPECT_EQ(prompt_.Texts(),
              (std::vector<std::string>{"是否先保存当前的组态信息?", "是否保存为新的组态文件？"}));
    EXPECT_EQ(app_->DocRef().m_pConfigDoc, FakeTemplate::Doc(second));
    // Save as under a new name with the rights refused: name and folder stay the saved ones.
    Queue([](QDialog& dlg) {
        if (auto* name = dlg.findChild<QLineEdit*>("name"))
            name->setText("站G");
        if (auto* folder = dlg.findChild<QLineEdit*>("path"))
            folder->setText("/elsewhere");
        dlg.accept();
        return dlg.result();
    });
    Queue(Cancel());
    Trigger("工程另存为(&A)...");
    EXPECT_EQ(template_->calls.back(), "saveAsNew");
    EXPECT_EQ(second->name, "站F");
    EXPECT_EQ(app_->GetProjectsFolder(), root_ / "Project");

    // Open: asked too; Yes and a granted save, then the file opens as the current project.
    prompt_.Clear();
    prompt_.Script({Answer::Yes, Answer::No});
    Queue(Login("张三", "111"));
    const std::string path = (root_ / "Project" / "站F" / "ProjectV1.00" / "站F.ini").string();
    EXPECT_EQ(frame->OpenProjectPath(path), 1);
    EXPECT_EQ(prompt_.Texts(),
              (std::vector<std::string>{"是否先保存当前的组态信息?", "是否保存为新的组态文件？"}));
    FakeDoc* opened = FakeTemplate::Fake(app_->DocRef().m_pConfigDoc);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->title, path);
    // A saved project is replaced without a question; a failed open leaves no current project.
    prompt_.Clear();
    template_->openOk = false;
    EXPECT_EQ(frame->OpenProjectPath("/nowhere.ini"), 0);
    EXPECT_TRUE(prompt_.Texts().empty());
    EXPECT_EQ(app_->DocRef().m_pConfigDoc, nullptr);
    template_->openOk = true;
    ASSERT_EQ(frame->OpenProjectPath(path), 1);

    // Close: Cancel stays; Yes with a failed save stays; No closes.
    QCloseEvent cancel;
    prompt_.Clear();
    prompt_.Script({Answer::Cancel});
    QCoreApplication::sendEvent(frame, &cancel);
    EXPECT_FALSE(cancel.isAccepted());
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"保存当前组态信息吗?"});
    QCloseEvent failedSave;
    prompt_.Script({Answer::Yes});
    template_->saveOk = false;
    Queue(Login("张三", "111"));
    QCoreApplication::sendEvent(frame, &failedSave);
    EXPECT_FALSE(failedSave.isAccepted());
    QCloseEvent no;
    prompt_.Script({Answer::No});
    QCoreApplication::sendEvent(frame, &no);
    EXPECT_TRUE(no.isAccepted());
}

TEST_F(AppTest, UploadedProjectIsOpenedLaterOnTheInterfaceThread) {
    ASSERT_TRUE(Start("张三", "111"));
    CMainFrame* frame = app_->GetMainFrame();
    const std::string path = (root_ / "Project" / "UpTemp" / "Project" / "QXM7740.ini").string();
    std::thread([&] { frame->PostOpenProject(path); }).join();
    EXPECT_EQ(app_->DocRef().m_pConfigDoc, nullptr);
    QCoreApplication::processEvents();
    ASSERT_NE(app_->DocRef().m_pConfigDoc, nullptr);
    EXPECT_EQ(template_->calls.back(), "open " + path);
}

// While a box or dialog is open, whoever waits for its answer may still hold the document and
// its views: the uploaded project replaces them only once it is closed.
TEST_F(AppTest, UploadedProjectWaitsUntilNoBoxIsOpen) {
    ASSERT_TRUE(Start("张三", "111"));
    CMainFrame* frame = app_->GetMainFrame();
    const std::string path = (root_ / "Project" / "UpTemp" / "Project" / "QXM7740.ini").string();
    QDialog box(frame);
    box.setModal(true);
    box.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &box);
    std::thread([&] { frame->PostOpenProject(path); }).join();
    QElapsedTimer held;
    held.start();
    while (held.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(app_->DocRef().m_pConfigDoc, nullptr);
    box.close();
    QElapsedTimer after;
    after.start();
    while (!app_->DocRef().m_pConfigDoc && after.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_NE(app_->DocRef().m_pConfigDoc, nullptr);
    EXPECT_EQ(template_->calls.back(), "open " + path);
}

// The upload posts the opening before its ending box ("组态上装成功！"): the opening, with its save
// question, waits until the job has ended, so that only one box is up at a time.
TEST_F(AppTest, UploadedProjectWaitsUntilTheJobHasEnded) {
    ASSERT_TRUE(Start("张三", "111"));
    CMainFrame* frame = app_->GetMainFrame();
    const std::string path = (root_ / "Project" / "UpTemp" / "Project" / "QXM7740.ini").string();
    app_->m_bIdle = 0;
    std::thread([&] { frame->PostOpenProject(path); }).join();
    QTest::qWait(300);
    EXPECT_EQ(app_->DocRef().m_pConfigDoc, nullptr);
    app_->m_bIdle = 1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return app_->DocRef().m_pConfigDoc != nullptr; }, 5000));
    EXPECT_EQ(template_->calls.back(), "open " + path);
}

TEST_F(AppTest, OpenedProjectsAreRememberedAcrossRuns) {
    ASSERT_TRUE(Start("张三", "111"));
    CMainFrame* frame = app_->GetMainFrame();
    const fs::path a = root_ / "Project" / "甲" / "ProjectV1.00" / "甲.ini";
    const fs::path b = root_ / "Project" / "乙" / "ProjectV1.00" / "乙.ini";
    fs::create_directories(a.parent_path());
    testsupport::WriteBytes(a, "x");
    ASSERT_EQ(frame->OpenProjectPath(a.string()), 1);
    ASSERT_EQ(frame->OpenProjectPath(b.string()), 1);
    ASSERT_NE(frame->RecentAction(1), nullptr);
    EXPECT_EQ(Ss(frame->RecentAction(1)->text()), "&2 " + a.string());
    app_->ExitInstance();

    ASSERT_TRUE(Start("张三", "111"));
    frame = app_->GetMainFrame();
    EXPECT_EQ(frame->RecentFiles().GetPaths(), (std::vector<std::string>{b.string(), a.string()}));
    frame->RecentAction(1)->trigger();
    EXPECT_EQ(template_->calls.back(), "open " + a.string());
    // A project that is gone and fails to open leaves the list.
    template_->openOk = false;
    frame->RecentAction(1)->trigger();
    EXPECT_EQ(frame->RecentFiles().GetPaths(), std::vector<std::string>{a.string()});
}
