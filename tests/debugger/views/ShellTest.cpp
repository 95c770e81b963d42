#include "tests/debugger/views/AppRig.h"

#include "debugger/views/ConnectParamDlg.h"
#include "debugger/views/FileDialogs.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/SelectDialogs.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "tests/support/TestFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quorvex;
using qtest::AppRig;
using qtest::Bytes;

TEST(Shell, StartsWithDebugWindowAndLoginKey) {
    AppRig rig;
    EXPECT_EQ(rig.app->Monitors().OpenCount(), 1);
    ASSERT_NE(rig.app->Monitors().GetView(kSlotDebug), nullptr);
    EXPECT_EQ(rig.Frame().windowTitle(), QString("装置调试工具"));
    EXPECT_EQ(rig.Frame().LinkStatus(), "通讯装置通讯中断");
    EXPECT_EQ(rig.app->Data().m_loginKey, 30517);
    EXPECT_TRUE(std::filesystem::is_directory(rig.dir.Path() / "Bin" / "sav"));
    EXPECT_TRUE(rig.app->IsAdministrator());
    EXPECT_FALSE(rig.Frame().Action(kCmdDisconnect)->isEnabled());
    EXPECT_FALSE(rig.Frame().Action(kCmdDebugInfo)->isEnabled());
    EXPECT_TRUE(rig.Frame().Action(kCmdConnect)->isEnabled());
}

TEST(Shell, ConnectStartsLoginWaitAndItsTimeoutDisconnects) {
    AppRig rig;
    rig.app->OnConnect();
    ASSERT_TRUE(rig.app->IsConnected());
    EXPECT_EQ(rig.Frame().LinkStatus(), "通讯装置网络连接");
    EXPECT_TRUE(rig.Frame().TimerActive(kTimerLogin));
    EXPECT_EQ(rig.Frame().TimerInterval(kTimerLogin), 6000);
    rig.Frame().UpdateCommands();
    EXPECT_TRUE(rig.Frame().Action(kCmdDisconnect)->isEnabled());
    EXPECT_FALSE(rig.Frame().Action(kCmdConnectParam)->isEnabled());
    rig.prompts.Clear();
    rig.Frame().OnTimer(kTimerLogin);
    EXPECT_FALSE(rig.app->IsConnected());
    EXPECT_FALSE(rig.Frame().TimerActive(kTimerLogin));
    EXPECT_EQ(rig.prompts.LastText(), "等待身份验证超时\n请尝试重新连接");
    EXPECT_EQ(rig.Frame().LinkStatus(), "通讯装置通讯中断");
    EXPECT_EQ(rig.Frame().Notice(), nullptr);
}

TEST(Shell, SupervisionTimeoutReconnectsWithGreyLine) {
    AppRig rig;
    rig.Connect();
    rig.Frame().StartTimer(kTimerSupervision, 30000);
    rig.Frame().OnTimer(kTimerSupervision);
    EXPECT_TRUE(rig.app->IsConnected());
    COutputView* debug = rig.app->Monitors().GetView(kSlotDebug);
    ASSERT_NE(debug, nullptr);
    debug->Flush();
    EXPECT_TRUE(debug->toPlainText().contains("D心跳超时，重新连接"));
}

TEST(Shell, NoticeShowsOnceAndCloses) {
    AppRig rig;
    rig.Frame().ShowNotice("正在连接");
    CNoticeDlg* first = rig.Frame().Notice();
    ASSERT_NE(first, nullptr);
    rig.Frame().ShowNotice("另一个");
    EXPECT_EQ(rig.Frame().Notice(), first);
    EXPECT_EQ(first->m_text->text(), QString("正在连接"));
    rig.Frame().CloseNotice();
    EXPECT_EQ(rig.Frame().Notice(), nullptr);
    rig.Frame().CloseNotice();
}

TEST(Shell, ConnectionDialogWritesAddressAndConnects) {
    AppRig rig;
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CConnectParamDlg&>(d);
        EXPECT_EQ(dlg.m_portEdit->text(), QString("7001"));
        dlg.m_addressEdit->setText("10.1.2.3");
        dlg.m_portEdit->setText("7005x");
        dlg.findChild<QPushButton*>("connect")->click();
        return dlg.result();
    });
    rig.app->OnConnectParam();
    EXPECT_EQ(rig.app->Link()->Address(), "10.1.2.3");
    EXPECT_EQ(rig.app->Link()->Port(), 7005);
    EXPECT_TRUE(rig.app->IsConnected());
    EXPECT_EQ(CDeviceLink::ReadAddress(rig.dir / "CFG_TOOL.INI"), "10.1.2.3");
    // The port taken is shown again next time; Cancel keeps it.
    rig.OnDialog([](QDialog& d) {
        EXPECT_EQ(dynamic_cast<CConnectParamDlg&>(d).m_portEdit->text(), QString("7005"));
        return static_cast<int>(QDialog::Rejected);
    });
    rig.app->OnConnectParam();
    EXPECT_EQ(rig.app->Link()->Port(), 7005);
}

// A port out of range, or an address the settings file did not take, keeps the dialog open with a
// box; the link keeps what it had.
TEST(Shell, ConnectionDialogRefusesABadPortAndTellsAFailedSave) {
    AppRig rig;
    const std::filesystem::path file = rig.dir / "CFG_TOOL.INI";
    testsupport::WriteBytes(file, "[TCP Config]\r\nIP_ADDR=10.9.9.9\r\n");
    rig.OnDialog([&](QDialog& d) {
        auto& dlg = dynamic_cast<CConnectParamDlg&>(d);
        auto* ok = dlg.findChild<QPushButton*>("ok");
        dlg.m_addressEdit->setText("10.1.2.3");
        for (const char* port : {"99999", "0", "x"}) {
            dlg.m_portEdit->setText(port);
            ok->click();
            EXPECT_EQ(dlg.result(), static_cast<int>(QDialog::Rejected)) << port;
            EXPECT_EQ(rig.prompts.LastText(), "端口号必须是1到65535之间的整数。") << port;
        }
        dlg.m_portEdit->setText("7005");
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Rename, 1);
        dlg.findChild<QPushButton*>("connect")->click();
        EXPECT_EQ(dlg.result(), static_cast<int>(QDialog::Rejected));
        EXPECT_EQ(rig.prompts.LastText(), "保存连接参数失败，文件：" + file.string());
        return static_cast<int>(QDialog::Rejected);
    });
    rig.app->OnConnectParam();
    EXPECT_FALSE(rig.app->IsConnected());
    EXPECT_EQ(CDeviceLink::ReadAddress(file), "10.9.9.9");
}

TEST(Shell, NinthMonitorWindowIsRefusedAndNothingIsSent) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    for (int slot : {1, 4, 5, 6, 7, 8, 2})
        ASSERT_NE(rig.app->Monitors().Open(slot), nullptr);
    EXPECT_EQ(rig.app->Monitors().OpenCount(), 8);
    rig.OnDialog([](QDialog& d) {
        return d.metaObject()->className() == QString("quorvex::CProtocolInfoDlg") ? 1 : 0;
    });
    rig.app->OnProtocolInfo();
    EXPECT_EQ(rig.prompts.LastText(), "最多只能打开8个监视窗口，请关闭其它窗口后再试");
    EXPECT_TRUE(rig.Bodies().empty());
}

TEST(Shell, SerialMonitorOpensMixedWindowAndClosingStopsIt) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CPortMonitorDlg&>(d);
        EXPECT_TRUE(dlg.m_ok->isEnabled());
        EXPECT_EQ(dlg.m_deviceCombo->currentText(), QString("5"));
        dlg.m_saveCheck->setChecked(true);
        dlg.accept();
        return int(QDialog::Accepted);
    });
    rig.app->OnSerialMonitor();
    COutputView* view = rig.app->Monitors().GetView(kSlotReceive);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->windowTitle(), QString("板卡1串口1装置5收/发数据监视"));
    EXPECT_TRUE(view->Log().m_saving);
    EXPECT_EQ(std::filesystem::path(view->Log().m_path).filename(), "Ser1_5_0.qv");
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{1, 0, 2, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_NE(rig.app->PortMonitor(kSlotReceive), nullptr);
    EXPECT_EQ(rig.app->PortMonitor(kSlotReceive)->direction, 2);

    // Queued lines are drawn and saved at the flush (the title is queued at the opening).
    view->Flush();
    rig.app->QueuePortLine(kSlotReceive, true, "[ 装置 5 ] 01 02", "Ser1_5");
    EXPECT_EQ(view->PendingCount(), 1);
    view->Flush();
    EXPECT_EQ(view->PendingCount(), 0);
    EXPECT_TRUE(view->toPlainText().contains("01 02"));
    EXPECT_NE(testsupport::ReadBytes(view->Log().m_path).find(platform::ToGbk("数据发：[ 装置 5 ] 01 02")),
              std::string::npos);

    rig.transport->sent.clear();
    const int before = rig.app->Monitors().OpenCount();
    delete view->parentWidget();
    EXPECT_EQ(rig.app->Monitors().OpenCount(), before - 1);
    EXPECT_EQ(rig.app->Monitors().GetView(kSlotReceive), nullptr);
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{1, 1, 2, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Shell, SplitMonitorOpensTwoWindowsAllDevices) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CPortMonitorDlg&>(d);
        dlg.m_splitRadio->click();
        dlg.m_allCheck->setChecked(true);
        EXPECT_FALSE(dlg.m_deviceCombo->isEnabled());
        dlg.accept();
        return int(QDialog::Accepted);
    });
    rig.app->OnSerialMonitor();
    ASSERT_NE(rig.app->Monitors().GetView(kSlotSend), nullptr);
    ASSERT_NE(rig.app->Monitors().GetView(kSlotReceive), nullptr);
    EXPECT_EQ(rig.app->Monitors().GetView(kSlotSend)->windowTitle(),
              QString("板卡1串口1所有装置发送数据监视"));
    EXPECT_EQ(rig.app->Monitors().GetView(kSlotReceive)->windowTitle(),
              QString("板卡1串口1所有装置接收数据监视"));
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0][5], 0xFF);
    EXPECT_EQ(rig.Bodies()[0][6], 0xFF);
}

TEST(Shell, PortMonitorDialogButtons) {
    AppRig rig;
    rig.AddBoards();
    CPortMonitorDlg dlg(rig.app->Data().m_boards);
    EXPECT_TRUE(dlg.m_mixRadio->isChecked());
    dlg.m_sendCheck->click();
    EXPECT_FALSE(dlg.m_splitRadio->isEnabled());
    EXPECT_TRUE(dlg.m_ok->isEnabled());
    dlg.m_receiveCheck->click();
    EXPECT_FALSE(dlg.m_ok->isEnabled());
}

TEST(Shell, NetworkMonitorKeepsAddressesInNetCfg) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CNetMonitorDlg&>(d);
        EXPECT_EQ(dlg.m_typeCombo->currentText(), QString("全部"));
        dlg.m_unitEdit->setText("10.0.0.2");
        dlg.m_destEdit->setText("10.0.0.9");
        dlg.m_allCheck->setChecked(true);
        dlg.accept();
        return int(QDialog::Accepted);
    });
    rig.app->OnNetMonitor();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    const Bytes b = rig.Bodies()[0];
    EXPECT_EQ(b[3], 3);
    EXPECT_EQ(b[5], 0xFF);
    EXPECT_EQ((Bytes(b.begin() + 7, b.begin() + 11)), (Bytes{2, 0, 0, 10}));
    EXPECT_EQ((Bytes(b.begin() + 11, b.end())), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    // The destination is kept even though the request asks for all.
    const std::string ini = platform::FromGbk(testsupport::ReadBytes(rig.dir / "Bin" / "sav" / "NetCfg.ini"));
    EXPECT_NE(ini.find("DEST_IP=10.0.0.9"), std::string::npos);
    EXPECT_NE(ini.find("MAST_IP=10.0.0.2"), std::string::npos);
}

TEST(Shell, NoBoardInUse) {
    AppRig rig;
    rig.Connect();
    rig.app->OnRealTimeDb();
    EXPECT_EQ(rig.prompts.LastText(), "没有任何板卡被使用");
    rig.app->OnSerialMonitor();
    EXPECT_EQ(rig.prompts.LastText(), "没有任何板卡被使用");
}

TEST(Shell, DirectoryRequestNormalisesPathAndOpensWindow) {
    AppRig rig;
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CDirPathDlg&>(d);
        dlg.m_edit->setText("/a/b/../c/.");
        dlg.accept();
        return int(QDialog::Accepted);
    });
    rig.app->OnFileDirectory();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{8, 4, '/', 'a', '/', 'c'}));
    ASSERT_NE(rig.app->DirectoryWindow(), nullptr);
    EXPECT_EQ(rig.app->DirectoryWindow()->Path(), "/a/c");
    rig.app->AddDirectoryEntry("x.bin", 1234567, 1, -1);
    rig.app->AddDirectoryEntry("??", 1, 9, 0);
    QTableWidget* list = rig.app->DirectoryWindow()->List();
    EXPECT_EQ(list->item(0, 1)->text(), QString("1,234,567"));
    EXPECT_EQ(list->item(0, 3)->text(), QString("时间有误"));
    list->setCurrentCell(1, 0);
    EXPECT_EQ(rig.app->DirectoryWindow()->CreateContextMenu(), nullptr);
    list->setCurrentCell(0, 0);
    std::unique_ptr<QMenu> menu(rig.app->DirectoryWindow()->CreateContextMenu());
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->actions()[0]->isEnabled());
    EXPECT_FALSE(menu->actions()[1]->isEnabled());
    // Upload of the selected file: child path with "//", progress window.
    rig.transport->sent.clear();
    menu->actions()[0]->trigger();
    EXPECT_NE(rig.app->ProgressWindow(), nullptr);
    ASSERT_EQ(rig.Bodies().size(), 1u);
    const Bytes b = rig.Bodies()[0];
    EXPECT_EQ(b[0], 4);
    EXPECT_EQ(b[1], 1);
    EXPECT_EQ(std::string(b.begin() + 6, b.end() - 1), "/a/c//x.bin");
}

TEST(Shell, CancelAllAsksAndStartsItsTimer) {
    AppRig rig;
    rig.Connect();
    rig.prompts.Script({platform::Answer::No});
    rig.app->OnCancelAllSettings();
    EXPECT_TRUE(rig.Bodies().empty());
    rig.prompts.Script({platform::Answer::Yes});
    rig.app->OnCancelAllSettings();
    EXPECT_EQ(rig.prompts.Messages().back().text, "确实要取消全部人工置数吗？");
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], Bytes{22});
    EXPECT_EQ(rig.Frames()[0][26], 255);
    EXPECT_TRUE(rig.Frame().TimerActive(kTimerCancelAll));
    EXPECT_EQ(rig.Frame().TimerInterval(kTimerCancelAll), 5500);
    rig.Frame().OnTimer(kTimerCancelAll);
    EXPECT_EQ(rig.prompts.LastText(), "取消置数等待返回超时\n取消置数失败!");
    EXPECT_FALSE(rig.Frame().TimerActive(kTimerCancelAll));
}

TEST(OutputView, FloodBeyondTheTickBudgetIsCountedAndSaidAndTheNewestLinesShow) {
    COutputView view;
    // 40,000 debug texts between two ticks: the queue stays within its budget.
    for (int i = 0; i < 40000; ++i) {
        view.AppendText("\nD text " + std::to_string(i), Qt::black, false);
        ASSERT_LE(view.PendingCount(), static_cast<int>(COutputView::kTickLines));
    }
    view.Flush();
    const std::uint64_t omitted = 40000 - COutputView::kTickLines;
    EXPECT_EQ(view.OmittedCount(), omitted);
    const QString text = view.toPlainText();
    EXPECT_TRUE(text.startsWith(QString::fromStdString("……省略" + std::to_string(omitted) + "条……\n")))
        << text.left(40).toStdString();
    EXPECT_TRUE(text.endsWith("D text 39999"));
    EXPECT_FALSE(text.contains("D text 39499\n"));
    EXPECT_TRUE(text.contains("D text 39500\n"));
    // Ticks go on by themselves.
    view.AppendText("\nlater", Qt::black, false);
    QElapsedTimer waited;
    waited.start();
    while (!view.toPlainText().endsWith("later") && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(view.toPlainText().endsWith("later"));
    EXPECT_LE(view.LineCount(), COutputView::kMaxLines);
}

namespace {

// The lines of a saved file without their time stamps ("MM-DD hh:mm:ss\t"), each checked to have one.
std::vector<std::string> SavedLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", at);
        const std::string line = bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? bytes.size() : end + 2;
        const bool stamped = line.size() > 15 && line[2] == '-' && line[5] == ' ' && line[8] == ':' &&
                             line[11] == ':' && line[14] == '\t';
        lines.push_back(stamped ? line.substr(15) : "unstamped: " + line);
    }
    return lines;
}

} // namespace

TEST(OutputView, AFloodWithSavingOnKeepsEveryFrameInTheFileWhileTheWindowSaysWhatItLeftOut) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        dynamic_cast<CPortMonitorDlg&>(d).m_saveCheck->setChecked(true);
        d.accept();
        return int(QDialog::Accepted);
    });
    rig.app->OnSerialMonitor();
    COutputView* view = rig.app->Monitors().GetView(kSlotReceive);
    ASSERT_NE(view, nullptr);
    view->Flush();
    int opens = 0;
    view->Log().m_append = [&opens](const std::string& path, std::string_view bytes) {
        ++opens;
        return AppendFileBytes(path, bytes);
    };
    // 30,000 frames between two ticks, sixty times the window's budget.
    constexpr int kFrames = 30000;
    std::vector<std::string> expected;
    for (int i = 0; i < kFrames; ++i) {
        const bool sent = i % 2 == 0;
        const std::string text = "[ 装置    5 ] 68 0c " + std::to_string(i) + " 16";
        rig.app->QueuePortLine(kSlotReceive, sent, text, "Ser1_5");
        expected.push_back(platform::ToGbk((sent ? "数据发：" : "数据收：") + text));
    }
    view->Flush();
    EXPECT_EQ(SavedLines(testsupport::ReadBytes(view->Log().m_path)), expected);
    // About 1.5 MB went in two or three writes, not one per frame.
    EXPECT_GE(opens, 1);
    EXPECT_LE(opens, 3);
    const std::uint64_t omitted = kFrames - COutputView::kTickLines;
    EXPECT_EQ(view->OmittedCount(), omitted);
    const QString shown = view->toPlainText();
    EXPECT_TRUE(shown.contains(QString::fromStdString("……省略" + std::to_string(omitted) + "条……\n")));
    EXPECT_TRUE(shown.endsWith(QString::fromStdString("68 0c " + std::to_string(kFrames - 1) + " 16\n")));
    EXPECT_FALSE(shown.contains(" 68 0c 100 16"));

    // Paused, the window shows nothing new but the file still gets the frames; closing the window
    // writes what came since the last tick.
    view->SetPaused(true);
    rig.app->QueuePortLine(kSlotReceive, false, "paused", "Ser1_5");
    view->Flush();
    rig.app->QueuePortLine(kSlotReceive, true, "last", "Ser1_5");
    const std::string path = view->Log().m_path;
    delete view->parentWidget();
    const auto lines = SavedLines(testsupport::ReadBytes(path));
    ASSERT_EQ(lines.size(), expected.size() + 2);
    EXPECT_EQ(lines[kFrames], platform::ToGbk("数据收：paused"));
    EXPECT_EQ(lines[kFrames + 1], platform::ToGbk("数据发：last"));
}

TEST(OutputView, TheDebugLogKeepsEveryTextOfTheUnitAndAFileThatCannotBeWrittenIsToldOnce) {
    AppRig rig;
    rig.Connect();
    COutputView* debug = rig.app->Monitors().GetView(kSlotDebug);
    ASSERT_NE(debug, nullptr);
    {
        std::unique_ptr<QMenu> menu(debug->CreateContextMenu());
        QMenu* save = menu->actions()[4]->menu();
        ASSERT_NE(save, nullptr);
        save->actions()[0]->trigger(); // 存文件 / 开始
    }
    ASSERT_TRUE(debug->Log().m_saving);
    int opens = 0;
    bool fail = false;
    debug->Log().m_append = [&](const std::string& path, std::string_view bytes) {
        ++opens;
        return !fail && AppendFileBytes(path, bytes);
    };
    const auto unitText = [&](const std::string& text) {
        Bytes body = {2, 50};
        const std::string gbk = platform::ToGbk(text);
        body.insert(body.end(), gbk.begin(), gbk.end());
        body.push_back(0);
        const Bytes f = qtest::UnitFrame(1, body, 0);
        rig.app->Link()->AppendData(f.data(), f.size());
    };
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        unitText("调试信息 " + std::to_string(i));
        expected += platform::ToGbk("调试信息 " + std::to_string(i)) + "\r\n";
    }
    debug->Flush();
    const auto file = rig.app->Data().SavFolder() / "Debug_Mess.qv";
    EXPECT_EQ(testsupport::ReadBytes(file), expected);
    EXPECT_EQ(opens, 1);

    // The file cannot be written for three ticks: one message, and the file later says how many
    // texts it lost.
    rig.prompts.Clear();
    fail = true;
    for (int tick = 0; tick < 3; ++tick) {
        unitText("lost");
        debug->Flush();
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(rig.prompts.Texts(), std::vector<std::string>{"文件保存失败: " + file.string()});
    fail = false;
    unitText("again");
    debug->Flush();
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.prompts.Count(), 1u);
    EXPECT_EQ(testsupport::ReadBytes(file), expected + platform::ToGbk("……省略3条……\r\nagain\r\n"));
}

TEST(OutputView, PauseClearFindAndLineLimit) {
    testsupport::PromptRecorder prompts;
    COutputView view;
    view.AppendText("abc", Qt::red, true);
    view.AppendText("", Qt::red, true);
    EXPECT_EQ(view.toPlainText(), QString()); // drawn at the tick
    view.Flush();
    EXPECT_EQ(view.toPlainText(), QString("abc\n"));
    view.SetPaused(true);
    view.AppendText("dropped", Qt::red, true);
    view.Flush();
    EXPECT_FALSE(view.toPlainText().contains("dropped"));
    {
        std::unique_ptr<QMenu> menu(view.CreateContextMenu());
        EXPECT_FALSE(menu->actions()[0]->isEnabled()); // 暂停
        EXPECT_TRUE(menu->actions()[1]->isEnabled());  // 继续
        menu->actions()[1]->trigger();
    }
    EXPECT_FALSE(view.IsPaused());
    // The view keeps its last lines.
    std::string many;
    for (int i = 0; i < 3001; ++i)
        many += "line" + std::to_string(i) + "\n";
    view.AppendText(many, Qt::black, false);
    view.Flush();
    EXPECT_LE(view.LineCount(), COutputView::kMaxLines);
    view.AppendText("fresh", Qt::black, false);
    view.Flush();
    EXPECT_LE(view.LineCount(), COutputView::kMaxLines);
    EXPECT_TRUE(view.toPlainText().endsWith("line3000\nfresh"));
    EXPECT_FALSE(view.toPlainText().contains("line0\n"));

    platform::SetDialogRunner([](QDialog& d) {
        auto& dlg = dynamic_cast<CFindTextDlg&>(d);
        EXPECT_EQ(dlg.windowTitle(), QString("查找指定字符"));
        dlg.m_text->setText("zzz");
        return int(QDialog::Accepted);
    });
    view.FindNextCommand(); // no active search: the find dialog
    EXPECT_EQ(prompts.LastText(), "查找无结果。");
    platform::SetDialogRunner([](QDialog& d) {
        dynamic_cast<CFindTextDlg&>(d).m_text->setText("esh");
        return int(QDialog::Accepted);
    });
    view.FindCommand();
    EXPECT_EQ(view.textCursor().selectedText(), QString("esh"));
    platform::SetDialogRunner({});
}

namespace {

// A connected program with boards and a local file of 10205 bytes to download.
std::filesystem::path ReadyToTransfer(AppRig& rig) {
    rig.AddBoards();
    rig.Connect();
    const auto local = rig.dir / "prog.bin";
    testsupport::WriteBytes(local, std::string(10205, 'a'));
    return local;
}

} // namespace

TEST(Shell, DownloadAsksForFilesAndTimesOutWithoutAnswer) {
    AppRig rig;
    const auto local = ReadyToTransfer(rig);
    rig.OnDialog([&](QDialog& d) {
        if (auto* files = dynamic_cast<QFileDialog*>(&d)) {
            EXPECT_EQ(files->windowTitle(), QString("下装文件"));
            files->selectFile(QString::fromStdString(local.string()));
            return int(QDialog::Accepted);
        }
        auto& dlg = dynamic_cast<CDownloadFileDlg&>(d);
        EXPECT_EQ(dlg.m_localEdit->text().toStdString(), local.string());
        EXPECT_EQ(dlg.m_targetEdit->text(), QString("prog.bin"));
        dlg.m_targetEdit->setText("/bin/prog.bin");
        dlg.accept();
        return int(QDialog::Accepted);
    });
    rig.app->OnDownloadFile();
    ASSERT_NE(rig.app->ProgressWindow(), nullptr);
    EXPECT_EQ(rig.app->ProgressWindow()->windowTitle(), QString("正在传送文件，请勿作其它操作..."));
    ASSERT_EQ(rig.Bodies().size(), 1u);
    const Bytes b = rig.Bodies()[0];
    EXPECT_EQ((Bytes(b.begin(), b.begin() + 6)), (Bytes{4, 0, 0xDD, 0x27, 0, 0}));
    EXPECT_EQ(std::string(b.begin() + 6, b.end() - 1), "/bin/prog.bin");
    EXPECT_EQ(rig.Frames()[0][26], 0);
    EXPECT_TRUE(rig.Frame().TimerActive(kTimerTransfer));
    rig.Frame().OnTimer(kTimerTransfer);
    EXPECT_EQ(rig.prompts.LastText(), "装置应答超时，停止发送!");
    EXPECT_EQ(rig.app->ProgressWindow(), nullptr);
    EXPECT_FALSE(rig.Frame().TimerActive(kTimerTransfer));
}

TEST(Shell, UploadNeedsRightsOfOtherUsers) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.app->SetUserName("张三");
    std::vector<std::uint32_t> asked;
    rig.app->m_rightsCheck = [&](std::uint32_t r) {
        asked.push_back(r);
        return asked.size() > 1;
    };
    int dialogs = 0;
    rig.OnDialog([&](QDialog& d) {
        ++dialogs;
        auto& dlg = dynamic_cast<CUploadFileDlg&>(d);
        dlg.m_edit->setText("/log/a.txt");
        dlg.accept();
        return int(QDialog::Accepted);
    });
    rig.app->OnUploadFile();
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(rig.Bodies().empty());
    rig.app->OnUploadFile();
    EXPECT_EQ(asked, (std::vector<std::uint32_t>{4, 4}));
    ASSERT_EQ(rig.Bodies().size(), 1u);
    const Bytes b = rig.Bodies()[0];
    EXPECT_EQ((Bytes(b.begin(), b.begin() + 6)), (Bytes{4, 1, 0, 0, 0, 0}));
    EXPECT_EQ(std::string(b.begin() + 6, b.end() - 1), "/log/a.txt");
    EXPECT_NE(rig.app->ProgressWindow(), nullptr);
}

// Every menu command runs from its action, as a click runs it, disconnected and connected (dialogs
// cancelled, questions answered No); under the sanitizers a fault in the way the actions are
// connected stops the test here.
TEST(Shell, EveryMenuCommandRunsFromItsAction) {
    AppRig rig;
    platform::SetDialogRunner([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    rig.prompts.SetDefaultAnswer(platform::Answer::No);
    std::vector<QAction*> all;
    for (QAction* menu : rig.Frame().menuBar()->actions())
        if (menu->menu())
            for (QAction* a : menu->menu()->actions())
                if (!a->isSeparator() && a->objectName() != "exit" && a != rig.Frame().Action(kCmdConnect) &&
                    a != rig.Frame().Action(kCmdDisconnect))
                    all.push_back(a);
    ASSERT_GE(all.size(), 10u);
    for (int round = 0; round < 2; ++round) {
        if (round == 1)
            rig.Connect();
        rig.Frame().UpdateCommands();
        for (QAction* a : all)
            if (a->isEnabled())
                a->trigger();
    }
    rig.Frame().UpdateCommands();
    ASSERT_TRUE(rig.Frame().Action(kCmdDisconnect)->isEnabled());
    rig.Frame().Action(kCmdDisconnect)->trigger();
    EXPECT_FALSE(rig.app->IsConnected());
}

TEST(Shell, TheDirectoryWindowMayGoWhileTheLoginOfItsUploadIsUp) {
    AppRig rig;
    rig.Connect();
    rig.app->RequestDirectory("/a");
    rig.app->AddDirectoryEntry("x.bin", 10, 1, -1);
    QPointer<CFileDirDlg> window(rig.app->DirectoryWindow());
    window->List()->setCurrentCell(0, 0);
    rig.app->SetUserName("张三");
    rig.transport->sent.clear();
    bool goneMeanwhile = false;
    rig.app->m_rightsCheck = [&](std::uint32_t) {
        // The login dialog runs its own loop; the unit's answer that the folder is gone is handled
        // there and the window goes.
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            const Bytes f = qtest::UnitFrame(1, {8, 0});
            rig.app->Link()->AppendData(f.data(), f.size());
        });
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
        goneMeanwhile = window.isNull();
        return true;
    };
    window->UploadSelected();
    EXPECT_TRUE(goneMeanwhile);
    EXPECT_EQ(rig.prompts.LastText(), "装置无此目录");
    ASSERT_EQ(rig.Bodies().size(), 1u);
    const Bytes b = rig.Bodies()[0];
    EXPECT_EQ(std::string(b.begin() + 6, b.end() - 1), "/a//x.bin");
}

TEST(Shell, ASelectionAcceptedAfterTheLinkDroppedOpensNothingAndSaysTheLinkIsDown) {
    struct Case {
        const char* what;
        void (CQuorvexApp::*command)();
        std::function<bool(CQuorvexApp&)> opened; // a window the command would open
    };
    const Case cases[] = {
        {"protocol information", &CQuorvexApp::OnProtocolInfo,
         [](CQuorvexApp& a) { return a.Monitors().GetView(kSlotProtocol) != nullptr; }},
        {"serial port monitor", &CQuorvexApp::OnSerialMonitor,
         [](CQuorvexApp& a) { return a.Monitors().GetView(kSlotReceive) != nullptr; }},
        {"real-time data sheet", &CQuorvexApp::OnRealTimeDb,
         [](CQuorvexApp& a) { return !a.DbSheets().empty(); }},
        {"reference table sheet", &CQuorvexApp::OnRefTable,
         [](CQuorvexApp& a) { return !a.TabSheets().empty(); }},
        {"history events", &CQuorvexApp::OnHistoryEvents,
         [](CQuorvexApp& a) { return a.HistoryWindow() != nullptr; }},
        {"remote commands", &CQuorvexApp::OnRemoteCommands,
         [](CQuorvexApp& a) { return a.RemoteWindow() != nullptr; }},
        {"waveform records", &CQuorvexApp::OnWaveRecords,
         [](CQuorvexApp& a) { return a.WaveWindow() != nullptr; }},
        {"device time", &CQuorvexApp::OnDeviceTime,
         [](CQuorvexApp& a) { return a.DeviceTimeWindow() != nullptr; }},
        {"set time", &CQuorvexApp::OnSetTime, [](CQuorvexApp&) { return false; }},
        {"file directory", &CQuorvexApp::OnFileDirectory,
         [](CQuorvexApp& a) { return a.DirectoryWindow() != nullptr; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AppRig rig;
        rig.AddBoards();
        rig.Connect();
        // OK is pressed, and the link drops before the dialog has returned (its boards go with it).
        rig.OnDialog([&](QDialog& d) {
            if (auto* dir = dynamic_cast<CDirPathDlg*>(&d))
                dir->m_edit->setText("/a");
            d.accept();
            rig.app->OnDisconnect();
            return int(QDialog::Accepted);
        });
        (rig.app.get()->*c.command)();
        EXPECT_FALSE(c.opened(*rig.app));
        EXPECT_TRUE(rig.Bodies().empty());
        EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{"通讯装置通讯中断"});
    }
}

TEST(Shell, ADirectoryPathLongerThanItsRequestIsRefusedAndTheOpenWindowStays) {
    AppRig rig;
    rig.Connect();
    rig.app->RequestDirectory("/a");
    ASSERT_NE(rig.app->DirectoryWindow(), nullptr);
    rig.transport->sent.clear();
    // 255 bytes go whole; counted in GBK: 127 Chinese characters and a slash are 255 bytes (381 in
    // UTF-8), one character more is 257.
    std::string chinese = "/";
    for (int i = 0; i < 127; ++i)
        chinese += "目";
    for (const std::string& path : {"/" + std::string(255, 'x'), chinese + "目", chinese + "/b"}) {
        SCOPED_TRACE(path.size());
        rig.prompts.Clear();
        rig.app->RequestDirectory(path);
        EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{"目录路径不能超过255个字节!"});
        EXPECT_TRUE(rig.Bodies().empty());
        ASSERT_NE(rig.app->DirectoryWindow(), nullptr);
        EXPECT_EQ(rig.app->DirectoryWindow()->Path(), "/a");
    }
    for (const std::string& path : {std::string(255, 'x'), chinese}) {
        SCOPED_TRACE(path.size());
        rig.prompts.Clear();
        rig.transport->sent.clear();
        rig.app->RequestDirectory(path);
        EXPECT_TRUE(rig.prompts.Texts().empty());
        ASSERT_EQ(rig.Bodies().size(), 1u);
        EXPECT_EQ(rig.Bodies()[0][1], 255);
        EXPECT_EQ(rig.Bodies()[0].size(), 2u + 255u);
        ASSERT_NE(rig.app->DirectoryWindow(), nullptr);
        EXPECT_EQ(rig.app->DirectoryWindow()->Path(), path);
    }
}

// A path, file name or command line with a character that has no GBK form would reach the unit with
// '?' in its place: each is refused where it is given, and nothing goes out.
TEST(Shell, TextsWithoutAGbkFormAreRefusedAndNothingIsSent) {
    AppRig rig;
    rig.Connect();
    rig.app->RequestDirectory("/a");
    ASSERT_NE(rig.app->DirectoryWindow(), nullptr);
    const std::string emoji = "\xF0\x9F\x98\x80";
    rig.transport->sent.clear();
    rig.app->RequestDirectory("/a/" + emoji);
    EXPECT_EQ(rig.prompts.LastText(), "路径含有无法转换的字符!");
    EXPECT_TRUE(rig.Bodies().empty());
    ASSERT_NE(rig.app->DirectoryWindow(), nullptr);
    EXPECT_EQ(rig.app->DirectoryWindow()->Path(), "/a");

    rig.prompts.Clear();
    EXPECT_EQ(rig.app->Link()->StartUpload("/a/" + emoji + ".txt", 0), 0);
    EXPECT_EQ(rig.prompts.LastText(), "路径含有无法转换的字符!");
    rig.prompts.Clear();
    EXPECT_EQ(rig.app->Link()->StartDownload(QXM_SOURCE_DIR "/CMakeLists.txt", "/a/" + emoji, 0), 0);
    EXPECT_EQ(rig.prompts.LastText(), "路径含有无法转换的字符!");
    EXPECT_TRUE(rig.Bodies().empty());
    // A Chinese name has its GBK form and goes.
    EXPECT_EQ(rig.app->Link()->StartUpload("/a/配置.txt", 0), 1);
    ASSERT_EQ(rig.Bodies().size(), 1u);

    rig.transport->sent.clear();
    rig.OnDialog([](QDialog& d) {
        d.accept();
        return d.result();
    });
    rig.app->OnStringCommand();
    ASSERT_NE(rig.app->Console(), nullptr);
    rig.prompts.Clear();
    rig.app->Console()->SendLine("ver " + emoji);
    EXPECT_EQ(rig.prompts.LastText(), "输入内容含有无法转换的字符!");
    EXPECT_TRUE(rig.Bodies().empty());
    rig.app->Console()->SendLine("ver 中文");
    EXPECT_EQ(rig.Bodies().size(), 1u);
}

// The notice of a connect is drawn without running the event loop: no timer or queued call (a
// worker's job among them) runs in the middle of connecting.
TEST(Shell, TheConnectNoticeRunsNothingQueuedInsideTheConnect) {
    qtest::AppRig rig;
    int ran = 0;
    QTimer::singleShot(0, rig.app.get(), [&] { ++ran; });
    QMetaObject::invokeMethod(
        rig.app.get(), [&] { ++ran; }, Qt::QueuedConnection);
    rig.app->OnConnect();
    EXPECT_TRUE(rig.app->IsConnected());
    ASSERT_NE(rig.Frame().Notice(), nullptr);
    EXPECT_EQ(ran, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 2);
}

// The unit drops the link while a file transfer waits for its answer and the link is made again at
// once: the transfer's wait goes on across the new link and ends in its box, with the progress
// window closed.
TEST(Shell, ADropWhileAFileTransferWaitsEndsInItsTimeoutBox) {
    struct Case {
        const char* what;
        bool upload;
        bool chunkSent; // the unit opened the file and the first chunk went
    };
    for (const Case& c : {Case{"下装，打开文件", false, false}, Case{"下装，文件块", false, true},
                          Case{"上装，打开文件", true, false}}) {
        AppRig rig;
        const auto local = ReadyToTransfer(rig);
        rig.OnDialog([&](QDialog& d) {
            if (auto* files = dynamic_cast<QFileDialog*>(&d)) {
                files->selectFile(QString::fromStdString(local.string()));
                return int(QDialog::Accepted);
            }
            if (auto* up = dynamic_cast<CUploadFileDlg*>(&d))
                up->m_edit->setText("/log/a.txt");
            d.accept();
            return int(QDialog::Accepted);
        });
        if (c.upload)
            rig.app->OnUploadFile();
        else
            rig.app->OnDownloadFile();
        ASSERT_EQ(rig.Bodies().size(), 1u) << c.what;
        if (c.chunkSent) {
            Bytes answer = {4, 1};
            qtest::Le(answer, 10205, 4);
            qtest::Le(answer, 1, 4);
            const Bytes f = qtest::UnitFrame(1, answer);
            rig.app->Link()->AppendData(f.data(), f.size());
            ASSERT_EQ(rig.Bodies().size(), 2u) << c.what;
        }
        ASSERT_TRUE(rig.Frame().TimerActive(kTimerTransfer)) << c.what;
        rig.transport->events->OnPeerClosed();
        rig.transport->RunPosted();
        rig.app->OnConnect();
        ASSERT_TRUE(rig.app->IsConnected()) << c.what;
        ASSERT_TRUE(rig.Frame().TimerActive(kTimerTransfer)) << c.what;
        EXPECT_NE(rig.app->ProgressWindow(), nullptr) << c.what;
        rig.prompts.Clear();
        rig.Frame().OnTimer(kTimerTransfer);
        EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{"装置应答超时，停止发送!"}) << c.what;
        EXPECT_EQ(rig.app->ProgressWindow(), nullptr) << c.what;
        EXPECT_EQ(rig.app->Link()->TransferDirection(), CDeviceLink::kNoTransfer) << c.what;
    }
}
