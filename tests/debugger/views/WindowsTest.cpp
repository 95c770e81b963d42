// The windows as the user meets them: the sizes they open at, the real save dialog of an uploaded
// file, the remote-command query for all devices, and the files read beside the program.
#include "tests/debugger/views/AppRig.h"

#include "debugger/views/CommStatusDlg.h"
#include "debugger/views/EventWindows.h"
#include "debugger/views/FileDialogs.h"
#include "debugger/views/ListCtrls.h"
#include "debugger/views/MonitorSheets.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/SelectDialogs.h"
#include "debugger/views/StringCmdDlg.h"
#include "debugger/views/TimeDialogs.h"

#include "platform/Profile.h"
#include "users/model/UserPwMgr.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace quorvex;
using qtest::AppRig;
using qtest::Bytes;

namespace {

// Every column of a list lies inside its visible width.
void ExpectAllColumnsVisible(QTableWidget* list, const char* what) {
    ASSERT_NE(list, nullptr) << what;
    const int columns = list->horizontalHeader()->length();
    EXPECT_LE(columns, list->viewport()->width()) << what;
    EXPECT_GT(list->viewport()->height(), 100) << what;
}

int AcceptAll(QDialog& d) {
    if (auto* q = dynamic_cast<CEventQueryDlg*>(&d))
        q->m_allDevices->setChecked(true);
    if (auto* q = dynamic_cast<CRemoteCmdQueryDlg*>(&d)) {
        q->m_allDevices->setChecked(true);
        q->m_allSources->setChecked(true);
    }
    d.accept();
    return d.result();
}

} // namespace

TEST(Windows, EveryWindowOpensAtASizeThatShowsItsColumnsAndBoxes) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog(AcceptAll);

    rig.app->OnStringCommand();
    ASSERT_NE(rig.app->Console(), nullptr);
    EXPECT_GE(rig.app->Console()->width(), 600);
    EXPECT_GE(rig.app->Console()->height(), 300);
    EXPECT_GT(rig.app->Console()->Edit()->height(), 200);
    EXPECT_GT(rig.app->Console()->Edit()->width(), 500);

    rig.app->RequestDirectory("/");
    ASSERT_NE(rig.app->DirectoryWindow(), nullptr);
    ExpectAllColumnsVisible(rig.app->DirectoryWindow()->List(), "文件目录");

    rig.app->OnHistoryEvents();
    ASSERT_NE(rig.app->HistoryWindow(), nullptr);
    ExpectAllColumnsVisible(rig.app->HistoryWindow()->List(), "历史事件");

    rig.app->OnRemoteCommands();
    ASSERT_NE(rig.app->RemoteWindow(), nullptr);
    ExpectAllColumnsVisible(rig.app->RemoteWindow()->List(), "远方命令");

    rig.app->OnWaveRecords();
    ASSERT_NE(rig.app->WaveWindow(), nullptr);
    ExpectAllColumnsVisible(rig.app->WaveWindow()->List(), "波形记录");

    rig.app->OnCommStatus();
    ASSERT_NE(rig.app->StatusWindow(), nullptr);
    ExpectAllColumnsVisible(rig.app->StatusWindow()->List(), "通讯状态");

    rig.app->OnRealTimeDb();
    ASSERT_EQ(rig.app->DbSheetList().size(), 1u);
    CDisDBSheet* db = rig.app->DbSheetList()[0].get();
    for (int page = 0; page < 3; ++page) {
        db->Pages()->setCurrentIndex(page);
        QCoreApplication::processEvents();
        ExpectAllColumnsVisible(db->Pages()->currentWidget()->findChild<QTableWidget*>("list"), "实时库");
    }

    rig.app->OnRefTable();
    ASSERT_EQ(rig.app->TabSheetList().size(), 1u);
    ExpectAllColumnsVisible(rig.app->TabSheetList()[0]->TabPage()->List(), "引用表");
}

TEST(Windows, TheRealSaveDialogKeepsTheDottedNameOfTheUnitsFile) {
    AppRig rig;
    const std::filesystem::path folder = rig.dir.Path() / "out";
    std::filesystem::create_directories(folder);
    QString filter, proposed;
    rig.OnDialog([&](QDialog& d) {
        auto& dlg = dynamic_cast<QFileDialog&>(d);
        dlg.show(); // the dialog as the user sees it, its name filter applied
        QCoreApplication::processEvents();
        filter = dlg.selectedNameFilter();
        auto* name = dlg.findChild<QLineEdit*>("fileNameEdit");
        EXPECT_NE(name, nullptr);
        if (name)
            proposed = name->text();
        static_cast<QDialog&>(dlg).accept(); // QFileDialog's own accept: the name as typed is checked
        return dlg.result();
    });
    std::string path;
    ASSERT_TRUE(rig.app->AskSaveFile(folder.string() + "/", "big.cfg", path));
    EXPECT_EQ(filter, QString("所有文件 (*)"));
    EXPECT_EQ(proposed, QString("big.cfg"));
    EXPECT_EQ(std::filesystem::path(path), folder / "big.cfg");

    // A name with several dots, typed by the user, stays as typed.
    rig.OnDialog([&](QDialog& d) {
        auto& dlg = dynamic_cast<QFileDialog&>(d);
        dlg.show();
        QCoreApplication::processEvents();
        if (auto* name = dlg.findChild<QLineEdit*>("fileNameEdit"))
            name->setText("a.b.tar.gz");
        static_cast<QDialog&>(dlg).accept(); // QFileDialog's own accept: the name as typed is checked
        return dlg.result();
    });
    ASSERT_TRUE(rig.app->AskSaveFile(folder.string() + "/", "big.cfg", path));
    EXPECT_EQ(std::filesystem::path(path), folder / "a.b.tar.gz");
}

TEST(Windows, RemoteCommandsOfAllDevicesAskTheUnitItself) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog(AcceptAll);
    rig.app->OnRemoteCommands();
    ASSERT_EQ(rig.Frames().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0][0], 18);
    EXPECT_EQ(rig.Frames()[0][26], 255); // as every other all-board request, not 254
    EXPECT_EQ(rig.Bodies()[0][1], 0xFF);
    EXPECT_EQ(rig.Bodies()[0][2], 0xFF);
}

TEST(Windows, TheUnitsAddressIsReadBesideTheProgram) {
    testsupport::TempDir dir;
    const std::filesystem::path bin = dir.Path() / "Bin";
    std::filesystem::create_directories(bin);
    platform::WritePrivateProfileString("TCP Config", "IP_ADDR", "10.1.2.3", bin / "CFG_TOOL.INI");
    // The working folder holds another file that must not be read.
    platform::WritePrivateProfileString("TCP Config", "IP_ADDR", "10.9.9.9", "CFG_TOOL.INI");
    CQuorvexApp app([] { return std::make_unique<qtest::MemoryTransport>(); }, bin);
    ASSERT_TRUE(app.InitInstance("系统管理员", "", false));
    EXPECT_EQ(app.Link()->Address(), "10.1.2.3");
    std::filesystem::remove("CFG_TOOL.INI");
    app.ExitInstance();
}

TEST(Windows, DisconnectingDuringTheLoginWaitClosesTheNoticeAndEndsTheWait) {
    AppRig rig;
    rig.app->RunCommand(kCmdConnect);
    ASSERT_NE(rig.Frame().Notice(), nullptr);
    ASSERT_TRUE(rig.Frame().TimerActive(kTimerLogin));
    rig.app->RunCommand(kCmdDisconnect);
    EXPECT_EQ(rig.Frame().Notice(), nullptr);
    EXPECT_FALSE(rig.Frame().TimerActive(kTimerLogin));
    EXPECT_FALSE(rig.Frame().TimerActive(kTimerPortInfo));
    EXPECT_TRUE(rig.prompts.Texts().empty());
}

TEST(Windows, TheUserListIsReadBesideTheProgram) {
    testsupport::PromptRecorder prompts;
    testsupport::TempDir dir;
    const std::filesystem::path bin = dir.Path() / "Bin";
    std::filesystem::create_directories(bin);
    {
        CUserPwMgr users;
        users.LoadFromFile(bin); // the defaults
        auto user = std::make_unique<CUserInfo>();
        user->m_strName = "调试员";
        users.GetUserList()->AddTail(std::move(user));
        ASSERT_EQ(users.SaveToFile(bin), 1);
        users.LoadFromFile(dir.Path()); // nothing there: the defaults alone again
    }
    CQuorvexApp app([] { return std::make_unique<qtest::MemoryTransport>(); }, bin);
    CUserPwMgr view; // the lists are shared by the whole process
    bool found = false;
    for (const auto& u : view.GetUserList()->GetItems())
        found |= u->m_strName == "调试员";
    EXPECT_TRUE(found);
}

TEST(Windows, TheMixedPortMonitorShowsWhatTheDeviceSentAndReceived) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        d.accept(); // both directions, mixed display, device 5 of 串口1
        return int(QDialog::Accepted);
    });
    rig.app->OnSerialMonitor();
    COutputView* view = rig.app->Monitors().GetView(kSlotReceive);
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0][2], 2); // both directions in one window
    Bytes body = {1, 2, 0};
    for (std::uint8_t direction : {1, 0}) {
        const Bytes r = {0, 0, 5, 0, direction, 0, 0, 0,
                         0, 0, 0, 0, 0,         1, 0, static_cast<std::uint8_t>(direction ? 0xA1 : 0xB2)};
        body.insert(body.end(), r.begin(), r.end());
    }
    const Bytes f = qtest::UnitFrame(1, body, 0);
    rig.app->Link()->AppendData(f.data(), f.size());
    view->Flush();
    EXPECT_TRUE(view->toPlainText().contains("a1")) << view->toPlainText().toStdString();
    EXPECT_TRUE(view->toPlainText().contains("b2"));
}
TEST(Windows, TimeDialogsAreSizedToTheirFieldsAndPathDialogsToARealPath) {
    CUnitBoardArray none;
    CSetTimeDlg set(none);
    CEventQueryDlg history(none);
    CRemoteCmdQueryDlg remote(none);
    CWaveQueryDlg wave(none);
    CDirPathDlg dir;
    CUploadFileDlg upload;
    CDownloadFileDlg download(none, "/home/user/a.cfg", "a.cfg");
    for (QDialog* d :
         std::initializer_list<QDialog*>{&set, &history, &remote, &wave, &dir, &upload, &download})
        d->show();
    QCoreApplication::processEvents();
    const QFontMetrics fm(set.font());
    // Six fields with their labels fit in the width of a few dozen digits, not of a screen.
    for (QDialog* d : std::initializer_list<QDialog*>{&set, &history, &remote, &wave}) {
        EXPECT_LE(d->width(), fm.horizontalAdvance(QString(64, '0'))) << d->objectName().toStdString();
        const auto edits = d->findChildren<QLineEdit*>(QRegularExpression("^(time|start|end)[0-9]$"));
        EXPECT_GE(edits.size(), 6);
        for (QLineEdit* e : edits) {
            const int content = fm.horizontalAdvance(e->objectName().endsWith('0') ? "2031" : "59");
            EXPECT_GE(e->width(), content) << e->objectName().toStdString();
            EXPECT_LE(e->width(), content + fm.horizontalAdvance("00") + 24) << e->objectName().toStdString();
        }
    }
    for (QDialog* d : std::initializer_list<QDialog*>{&dir, &upload, &download})
        for (QLineEdit* e : d->findChildren<QLineEdit*>())
            EXPECT_GE(e->width(), fm.horizontalAdvance(kSamplePath)) << d->objectName().toStdString();
}
