// The shell of the monitor program: connect and login, the command states, the window manager's
// limit and refusals, the structure trees, the notice, the comm-parameters dialog, the frame
// properties, the device commands, the warning view and the communication state window.
#include "AppTestRig.h"
#include "HeldPrompt.h"
#include "monitor/app/CommandIds.h"
#include "tests/support/Found.h"

#include "monitor/app/CommForm.h"
#include "monitor/app/CommParamDlg.h"
#include "monitor/app/FramePropDlg.h"
#include "monitor/app/OverallView.h"
#include "monitor/app/StartWindow.h"
#include "monitor/app/TextMonitorForm.h"
#include "monitor/app/WarnView.h"
#include "monitor/coreui/DevClockDlg.h"
#include "platform/FileFaults.h"
#include "platform/Profile.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace marindle;
using namespace montest;
using apptest::AppRig;

namespace {
QStringList Texts(const QTreeWidgetItem* parent) {
    QStringList out;
    for (int i = 0; i < parent->childCount(); ++i)
        out << parent->child(i)->text(0);
    return out;
}
} // namespace

TEST(ShellTest, LoginBuildsTreesAndOpensTheDebugWindow) {
    AppRig rig;
    EXPECT_TRUE(rig.app->Frame()->Action(kCmdCommParams)->isEnabled());
    EXPECT_TRUE(rig.app->Frame()->Action(kCmdConnect)->isEnabled());
    EXPECT_FALSE(rig.app->Frame()->Action(kCmdDisconnect)->isEnabled());
    EXPECT_FALSE(rig.app->Frame()->Action(kCmdVersion)->isEnabled());
    rig.Login();
    EXPECT_EQ(rig.app->Frame()->LinkText(), "通讯装置网络连接");
    EXPECT_NE(rig.app->windows.FindDebug(), nullptr);
    EXPECT_FALSE(rig.app->Frame()->Action(kCmdCommParams)->isEnabled());
    EXPECT_FALSE(rig.app->Frame()->Action(kCmdConnect)->isEnabled());
    EXPECT_TRUE(rig.app->Frame()->Action(kCmdDisconnect)->isEnabled());
    EXPECT_EQ(rig.app->Frame()->NoticeText(), "");

    COverallView* down = rig.app->Frame()->TreeView(1);
    ASSERT_EQ(down->topLevelItemCount(), 1);
    QTreeWidgetItem* unit = down->topLevelItem(0);
    EXPECT_EQ(unit->text(0), QString::fromUtf8("通讯装置"));
    EXPECT_EQ(Texts(unit),
              (QStringList{"装置总表", "文件目录", "调试信息", "字符串命令", "板卡1_COM1", "板卡1_NET2"}));
    QTreeWidgetItem* com1 = unit->child(4);
    ASSERT_EQ(com1->childCount(), 4);
    EXPECT_EQ(com1->child(0)->text(0), QString::fromUtf8("通讯报文"));
    QTreeWidgetItem* dev = com1->child(2);
    EXPECT_EQ(COverallView::KindOf(dev), kNodeDevice);
    EXPECT_EQ(Texts(dev),
              (QStringList{"六遥", "保护", "历史事件", "远方命令", "装置报文", "波形记录", "统计数据"}));
    // The ports with devices all stand on the "对下" side: "对上" lists only the fixed nodes.
    EXPECT_EQ(rig.app->Frame()->TreeView(2)->topLevelItem(0)->childCount(), 4);

    rig.app->OnDisconnect();
    EXPECT_EQ(rig.app->Frame()->LinkText(), "通讯装置通讯中断");
    EXPECT_TRUE(rig.app->Frame()->Action(kCmdConnect)->isEnabled());
}

TEST(ShellTest, TreeStatesTextsAndContextMenus) {
    AppRig rig;
    rig.Login();
    COverallView* tree = rig.app->Frame()->TreeView(1);
    CDeviceRecord* d = testsupport::Found(rig.app->model.FindDevice(5));
    QTreeWidgetItem* node = tree->FindNode(kNodeDevice, 1, d->key);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(COverallView::ImageOf(node), 4);
    // Nodes of one image share one drawn picture.
    QTreeWidgetItem* other =
        tree->FindNode(kNodeDevice, 1, testsupport::Found(rig.app->model.FindDevice(6))->key);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(node->icon(0).cacheKey(), other->icon(0).cacheKey());
    tree->SetNodeState(true, d->key, true);
    EXPECT_EQ(COverallView::ImageOf(node), 5);
    EXPECT_NE(node->icon(0).cacheKey(), other->icon(0).cacheKey());
    d->name = "线路保护";
    tree->RefreshNodeTexts();
    EXPECT_EQ(node->text(0), QString::fromUtf8("(5)线路保护"));
    EXPECT_EQ(tree->BuildContextMenu(tree->topLevelItem(0)), nullptr);
    auto menu = tree->BuildContextMenu(node);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[2]->text(), QString::fromUtf8("复归"));
    // "刷新" of a device that does not communicate is refused.
    menu->actions()[0]->trigger();
    EXPECT_EQ(rig.prompts.Texts(), (std::vector<std::string>{"确定重新初始化当前装置？", "装置未连通。"}));
    // "导出" writes the device's text file.
    rig.prompts.Clear();
    menu->actions()[1]->trigger();
    const auto exported = rig.app->SavFolder() / "线路保护.txt";
    EXPECT_TRUE(std::filesystem::exists(exported));
    // One that cannot be written is said, and the earlier file stays whole.
    const std::string earlier = testsupport::ReadBytes(exported);
    {
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Rename, 1);
        rig.prompts.Clear();
        menu->actions()[1]->trigger();
        EXPECT_GE(faults.Failed(platform::FileStep::Rename), 1);
    }
    EXPECT_EQ(rig.prompts.LastText(), "写入文件失败。");
    EXPECT_EQ(testsupport::ReadBytes(exported), earlier);
    // A double click on a device node opens nothing.
    const int before = rig.app->windows.Count();
    tree->OpenNode(node);
    EXPECT_EQ(rig.app->windows.Count(), before);
}

TEST(ShellTest, WindowLimitAndCloseOnConnect) {
    AppRig rig;
    rig.Login();
    CWindowManager& w = rig.app->windows;
    for (std::uint16_t a : {5, 6, 7})
        rig.Ready(a);
    ASSERT_NE(w.OpenCatalogue(), nullptr);
    w.OpenCommand();
    w.OpenCommState();
    w.OpenTrace(1, 0, 0);
    w.OpenInfo();
    w.OpenLog(0, 0);
    for (const auto& p : rig.app->model.Ports()) {
        ASSERT_NE(w.OpenTrace(0, 0, p->key), nullptr);
        ASSERT_NE(w.OpenProtocol(p->key), nullptr);
    }
    for (std::uint16_t a : {5, 6, 7}) {
        const std::uint16_t key = testsupport::Found(rig.app->model.FindDevice(a))->key;
        ASSERT_NE(w.OpenTrace(0, 1, key), nullptr);
        ASSERT_NE(w.OpenEvents(key), nullptr);
        ASSERT_NE(w.OpenRemoteCmds(key), nullptr);
        ASSERT_NE(w.OpenWave(key), nullptr);
        ASSERT_NE(w.OpenTelecontrol(key), nullptr);
        ASSERT_NE(w.OpenSettings(key), nullptr);
        ASSERT_NE(w.OpenStat(key), nullptr);
    }
    EXPECT_EQ(w.Count(), 32);
    EXPECT_EQ(static_cast<int>(w.Windows().size()), 32);
    // An open window comes forward without counting again.
    const std::uint16_t key5 = testsupport::Found(rig.app->model.FindDevice(5))->key;
    CMonitorForm* events = w.Find(kEventWindow, {0, 1, key5});
    EXPECT_EQ(w.OpenEvents(key5), events);
    EXPECT_EQ(w.Count(), 32);
    rig.prompts.Clear();
    const std::uint16_t table = rig.app->model.Ports()[0]->Tables()[0]->key;
    EXPECT_EQ(w.OpenRefTable(table), nullptr);
    ASSERT_EQ(rig.prompts.Messages().size(), 1u);
    EXPECT_EQ(rig.prompts.Messages()[0].text, "最多只能打开32个监视窗口，请关闭其它窗口后再试");
    EXPECT_EQ(rig.prompts.Messages()[0].caption, "警告信息");
    EXPECT_EQ(w.Count(), 32);

    rig.app->OnDisconnect();
    rig.app->OnConnect();
    ASSERT_EQ(w.Windows().size(), 2u);
    EXPECT_NE(w.FindDebug(), nullptr);
    EXPECT_NE(w.FindTrace(1, 0, 0), nullptr);
    EXPECT_EQ(w.Count(), 2);
    EXPECT_EQ(rig.app->model.Ports().size(), 0u);
}

TEST(ShellTest, DeviceWindowsAreRefusedUntilTheDeviceIsReady) {
    AppRig rig;
    rig.Login();
    CDeviceRecord* d = testsupport::Found(rig.app->model.FindDevice(6));
    EXPECT_EQ(rig.app->windows.OpenEvents(d->key), nullptr);
    EXPECT_EQ(rig.prompts.LastText(), "装置未连通。");
    d->communicating = 1;
    rig.ClearSent();
    EXPECT_EQ(rig.app->windows.OpenSettings(d->key), nullptr);
    EXPECT_EQ(rig.prompts.LastText(), "正在初始化装置，请重试……");
    EXPECT_FALSE(rig.SentBodies().empty()); // the reading starts again
    EXPECT_EQ(rig.app->windows.Count(), 1); // the debug window
    EXPECT_EQ(rig.app->windows.OpenEvents(0x7777), nullptr);
}

TEST(ShellTest, SystemLogCollectsTheUnitsEntries) {
    AppRig rig;
    rig.Login();
    rig.app->Frame()->findChild<QAction*>("actionSystemLog")->trigger();
    ILogWindow* log = rig.app->windows.FindLog(0, 0);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(rig.app->windows.FindLog(1, 0), nullptr);
    log->AddLogEntry(7, 1000);
    auto* form = dynamic_cast<CMonitorForm*>(log);
    EXPECT_EQ(form->Title(), "系统日志");
    EXPECT_EQ(form->findChild<QTableWidget*>("list1000")->rowCount(), 1);
}

TEST(ShellTest, NoticeKeepsItsFirstText) {
    AppRig rig;
    CMainFrame* f = rig.app->Frame();
    f->CloseNotice();
    f->ShowNotice("第一");
    f->ShowNotice("第二");
    EXPECT_EQ(f->NoticeText(), "第一");
    f->CloseNotice();
    EXPECT_EQ(f->NoticeText(), "");
}

TEST(ShellTest, LoginTimeOutDisconnectsAndTellsOnce) {
    AppRig rig;
    rig.app->OnConnect();
    ASSERT_TRUE(rig.app->IsConnected());
    rig.app->link.AdvanceTime(6000);
    EXPECT_FALSE(rig.app->IsConnected());
    rig.Settle();
    EXPECT_EQ(rig.prompts.Texts(), (std::vector<std::string>{"等待身份验证超时，请尝试重新连接。"}));
    EXPECT_EQ(rig.app->Frame()->NoticeText(), "");
    EXPECT_EQ(rig.app->Frame()->LinkText(), "通讯装置通讯中断");
}

TEST(ShellTest, CommParametersStoreTheAddressAndConnect) {
    AppRig rig;
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CCommParamDlg&>(d);
        EXPECT_EQ(dlg.port_->text(), "7001");
        EXPECT_EQ(dlg.address_->text(), "0.0.0.0");
        dlg.address_->setText("127.0.0.1");
        dlg.port_->setText("7002");
        dlg.onStore(dlg.Address());
        return CCommParamDlg::kConnect;
    });
    rig.app->OnCommParams();
    EXPECT_TRUE(rig.app->IsConnected());
    EXPECT_EQ(rig.app->link.Address(), "127.0.0.1");
    EXPECT_EQ(rig.app->link.Port(), 7002);
    EXPECT_EQ(rig.app->cfg.IpAddress(), "127.0.0.1");
    EXPECT_EQ(rig.app->Frame()->AddressText(), "127.0.0.1");
    // The port taken is shown again next time; Cancel changes nothing.
    rig.OnDialog([](QDialog& d) {
        EXPECT_EQ(dynamic_cast<CCommParamDlg&>(d).port_->text(), "7002");
        return static_cast<int>(QDialog::Rejected);
    });
    rig.app->OnCommParams();
    EXPECT_EQ(rig.app->link.Port(), 7002);
}

// A port the socket cannot use, or an address the settings file did not take, keeps the dialog
// open with a box: nothing is connected to that the file does not hold.
TEST(ShellTest, CommParametersRefuseABadPortAndTellAFailedSave) {
    AppRig rig;
    ASSERT_TRUE(rig.app->cfg.SetIpAddress("10.0.0.1"));
    const std::string before = testsupport::ReadBytes(rig.app->cfg.File());
    int refused = 0;
    rig.OnDialog([&](QDialog& d) {
        auto& dlg = dynamic_cast<CCommParamDlg&>(d);
        auto* ok = dlg.findChild<QPushButton*>("button1");
        dlg.address_->setText("127.0.0.1");
        for (const char* port : {"99999", "0", "abc"}) {
            dlg.port_->setText(port);
            ok->click();
            refused += dlg.result() == QDialog::Rejected &&
                       rig.prompts.LastText() == "端口号必须是1到65535之间的整数。";
        }
        dlg.port_->setText("7002");
        {
            platform::CFileFaults faults;
            faults.FailFrom(platform::FileStep::Rename, 1);
            ok->click();
        }
        EXPECT_EQ(dlg.result(), static_cast<int>(QDialog::Rejected));
        EXPECT_EQ(rig.prompts.LastText(), "保存连接参数失败，文件：" + rig.app->cfg.File().string());
        return static_cast<int>(QDialog::Rejected);
    });
    rig.app->OnCommParams();
    EXPECT_EQ(refused, 3);
    EXPECT_EQ(testsupport::ReadBytes(rig.app->cfg.File()), before);
    EXPECT_NE(rig.app->link.Address(), "127.0.0.1");
}

TEST(ShellTest, FramePropertiesOpenTheTraceWindowAndStoreTheFilters) {
    AppRig rig;
    rig.Login();
    COverallView* tree = rig.app->Frame()->TreeView(1);
    const CPortRecord* net = rig.app->model.Ports()[1].get();
    QTreeWidgetItem* traceNode = tree->FindNode(kNodeTrace, 0, net->key);
    ASSERT_NE(traceNode, nullptr);
    rig.OnDialog([&rig](QDialog& d) {
        auto* devIp = d.findChild<QLineEdit*>("ip1057");
        EXPECT_EQ(devIp->text(), "0.0.0.0");
        EXPECT_FALSE(devIp->isEnabled());
        auto* filter = d.findChild<QCheckBox*>("check1059");
        EXPECT_TRUE(filter->isEnabled());
        filter->setChecked(true);
        EXPECT_TRUE(devIp->isEnabled());
        // A filter that would be cut to another one is refused, and the dialog stays.
        devIp->setText("300.1.1.1");
        d.accept();
        EXPECT_EQ(rig.prompts.LastText(), "IP地址无效,应为四段0至255之间的数字!");
        EXPECT_NE(d.result(), QDialog::Accepted);
        devIp->setText("10.0.0.9");
        d.findChild<QLineEdit*>("edit1064")->setText("70000");
        d.accept();
        EXPECT_EQ(rig.prompts.LastText(), "装置地址应为0至65535之间的整数!");
        EXPECT_NE(d.result(), QDialog::Accepted);
        d.findChild<QLineEdit*>("edit1064")->setText("0");
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Accepted);
        return static_cast<int>(QDialog::Accepted);
    });
    tree->OnFrameProperties(traceNode);
    auto* trace = dynamic_cast<CTraceForm*>(rig.app->windows.FindTrace(0, 0, net->key));
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(trace->Settings().devIpFilter, 1);
    EXPECT_EQ(trace->Settings().deviceIp, 0x0A000009u);
    const FrameSettings stored = rig.app->cfg.FrameFilters();
    EXPECT_EQ(stored.devIpFilter, 1);
    EXPECT_EQ(stored.deviceIp, 0x0A000009u);
    // A serial port's dialog keeps transports and filters disabled.
    const CPortRecord* serial = rig.app->model.Ports()[0].get();
    rig.OnDialog([](QDialog& d) {
        EXPECT_FALSE(d.findChild<QCheckBox*>("check1053")->isEnabled());
        EXPECT_FALSE(d.findChild<QCheckBox*>("check1059")->isEnabled());
        return static_cast<int>(QDialog::Rejected);
    });
    tree->OnFrameProperties(tree->FindNode(kNodeTrace, 0, serial->key));
    EXPECT_EQ(rig.app->windows.FindTrace(0, 0, serial->key), nullptr);
}

TEST(ShellTest, MenuCommandsAskAndSend) {
    AppRig rig;
    rig.Login();
    rig.prompts.Script({platform::Answer::No});
    rig.app->OnRemoteReset();
    EXPECT_TRUE(rig.SentBodies().empty());
    rig.app->OnRemoteReset();
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 2);
    EXPECT_EQ(rig.transport->sent[0][26], 255);
    rig.ClearSent();
    rig.app->OnCancelAllManual();
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 22);
    rig.ClearSent();
    rig.app->OnVersion();
    EXPECT_EQ(rig.SentBodies()[0][0], 33);
    rig.ClearSent();
    rig.app->OnViewClocks();
    ASSERT_NE(rig.app->clock, nullptr);
    EXPECT_EQ(rig.app->windows.FindClock(), static_cast<IClockWindow*>(rig.app->clock.get()));
}

TEST(ShellTest, WarningEventsShowTheBar) {
    AppRig rig;
    // The two bars carry the captions of their menu commands (结构图栏, 事件栏).
    EXPECT_EQ(rig.app->Frame()->WorkspaceBar()->windowTitle(), QString::fromUtf8("结构图"));
    EXPECT_EQ(rig.app->Frame()->WarnspaceBar()->windowTitle(), QString::fromUtf8("事件"));
    rig.app->Frame()->WarnspaceBar()->hide();
    rig.app->windows.WarnView()->AddEvent(0, 1000, 5, "保护A", 5, "过流", "动作");
    EXPECT_FALSE(rig.app->Frame()->WarnspaceBar()->isHidden());
    CWarnView* v = rig.app->Frame()->Warn();
    ASSERT_EQ(v->rowCount(), 1);
    EXPECT_EQ(v->item(0, 1)->text(), QString::fromUtf8("SOE事件"));
    auto menu = v->BuildContextMenu();
    menu->actions()[0]->trigger();
    EXPECT_EQ(v->rowCount(), 0);
    v->AddEvent(2, 1000, 0, "B", 9, "", "断");
    EXPECT_EQ(v->item(0, 0)->text(), "1");
    EXPECT_EQ(v->item(0, 4)->text(), "");
}

TEST(ShellTest, CommStateWindowShowsStatesAndSelectsNodes) {
    AppRig rig;
    rig.Login();
    auto* form = dynamic_cast<CCommForm*>(rig.app->windows.OpenCommState());
    ASSERT_NE(form, nullptr);
    QTableWidget* list = form->List();
    ASSERT_EQ(list->rowCount(), 5);
    EXPECT_EQ(list->item(0, 0)->text(), QString::fromUtf8("板卡1_COM1"));
    EXPECT_EQ(list->item(1, 2)->text(), "5");
    rig.Feed(Dsdu({25, 0, 0, 1, 0, 5, 0, 0x91}));
    EXPECT_EQ(list->item(1, 3)->text(), QString::fromUtf8("断"));
    EXPECT_EQ(list->item(1, 4)->text(), QString::fromUtf8("通"));
    EXPECT_EQ(list->item(1, 5)->text(), QString::fromUtf8("投运"));
    form->OnRowActivated(1);
    COverallView* tree = rig.app->Frame()->TreeView(1);
    EXPECT_EQ(COverallView::KindOf(tree->currentItem()), kNodeDevice);
    EXPECT_EQ(COverallView::KeyOf(tree->currentItem()),
              testsupport::Found(rig.app->model.FindDevice(5))->key);
}

// The states that arrived before the window opens are shown when it opens; a record without a
// state yet keeps its cells empty.
TEST(ShellTest, CommStateWindowOpensWithTheStatesTheModelHolds) {
    AppRig rig;
    rig.Login();
    rig.Feed(Dsdu({25, 0, 0, 1, 0, 5, 0, 0x91})); // device 5
    rig.Feed(Dsdu({26, 0, 0, 1, 0, 0, 1, 2}));    // board 0, serial port 1: up
    auto* form = dynamic_cast<CCommForm*>(rig.app->windows.OpenCommState());
    ASSERT_NE(form, nullptr);
    QTableWidget* list = form->List();
    ASSERT_EQ(list->rowCount(), 5);
    EXPECT_EQ(list->item(0, 3)->text(), QString::fromUtf8("通"));
    EXPECT_EQ(list->item(1, 3)->text(), QString::fromUtf8("断"));
    EXPECT_EQ(list->item(1, 4)->text(), QString::fromUtf8("通"));
    EXPECT_EQ(list->item(1, 5)->text(), QString::fromUtf8("投运"));
    // Device 6 and the network port had no state yet.
    for (int c = 3; c < 6; ++c)
        EXPECT_EQ(list->item(2, c)->text(), "") << c;
    EXPECT_EQ(list->item(3, 3)->text(), "");
    // A reconnect forgets the states: a window opened afterwards shows none.
    rig.app->OnDisconnect();
    rig.Login();
    form = dynamic_cast<CCommForm*>(rig.app->windows.OpenCommState());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->List()->item(1, 3)->text(), "");
}

// The windows a reconnect leaves open keep their maximised state in the tabbed area, also when the
// connect that follows fails.
TEST(ShellTest, WindowsLeftOpenByAReconnectStayMaximised) {
    AppRig rig;
    rig.app->Frame()->show();
    rig.Login();
    CWindowManager& w = rig.app->windows;
    rig.Ready(5);
    w.OpenTrace(1, 0, 0);
    w.OpenCatalogue();
    w.OpenEvents(testsupport::Found(rig.app->model.FindDevice(5))->key);
    w.OpenCommand(); // the active window, closed by the reconnect
    QMdiArea* area = rig.app->Frame()->MdiArea();
    // The unit does not answer and the user gives up the retry.
    rig.transport->failConnects = 1;
    rig.prompts.Script({platform::Answer::No});
    rig.app->Reconnect();
    QCoreApplication::processEvents();
    EXPECT_FALSE(rig.app->IsConnected());
    ASSERT_EQ(w.Windows().size(), 2u);
    ASSERT_EQ(area->subWindowList().size(), 2);
    // Each tab the user activates shows its window maximised.
    for (int round = 0; round < 2; ++round)
        for (QMdiSubWindow* sub : area->subWindowList()) {
            area->setActiveSubWindow(sub);
            EXPECT_TRUE(sub->isMaximized()) << sub->widget()->objectName().toStdString();
        }
    // With a connect that succeeds the debug window comes forward maximised.
    rig.app->OnConnect();
    ASSERT_NE(area->activeSubWindow(), nullptr);
    EXPECT_EQ(area->activeSubWindow()->widget(), dynamic_cast<QWidget*>(w.FindDebug()));
    EXPECT_TRUE(area->activeSubWindow()->isMaximized());
}

// Every command of the menus and the toolbar runs from its action, as a click runs it; under the
// sanitizers a fault in the way the actions are connected stops the test here.
TEST(ShellTest, EveryMainFrameCommandRunsFromItsAction) {
    AppRig rig;
    rig.prompts.SetDefaultAnswer(platform::Answer::No);
    CMainFrame* f = rig.app->Frame();
    std::vector<QAction*> all;
    for (QAction* menu : f->menuBar()->actions())
        if (menu->menu())
            for (QAction* a : menu->menu()->actions())
                if (!a->isSeparator() && a->text() != QString::fromUtf8("退出(&X)"))
                    all.push_back(a);
    ASSERT_GE(all.size(), 15u);
    // "断开连接" is left for the end; "查看或设置装置时钟" only drops down the clock menu, whose three
    // commands are in the list themselves.
    auto triggerAll = [&] {
        for (QAction* a : all)
            if (a->isEnabled() && a->data().toInt() != kCmdDisconnect && a->data().toInt() != kCmdDeviceClock)
                a->trigger();
        rig.Settle();
    };
    // Disconnected: parameters (dialog cancelled), frames window, bars, trees, about, and
    // "建立连接" last of its menu.
    triggerAll();
    EXPECT_NE(rig.app->windows.FindTrace(1, 0, 0), nullptr);
    EXPECT_GE(rig.dialogNames.size(), 2u);
    ASSERT_TRUE(rig.app->IsConnected());
    rig.Feed(Dsdu({14, 1, 2, 3, 4}));
    rig.Feed(Dsdu({15, 1}));
    rig.Feed(Dsdu(Cat({17}, SamplePortInfo())));
    rig.ClearSent();
    rig.prompts.Clear();
    // Connected: each question answered No.
    triggerAll();
    const auto texts = rig.prompts.Texts();
    for (const char* asked :
         {"确定远程复位通讯装置？", "确实要取消全部人工置数吗？", "确定下装当前系统时钟吗？"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), asked), texts.end()) << asked;
    bool versionAsked = false, clocksAsked = false;
    for (const Bytes& b : rig.SentBodies()) {
        versionAsked |= b == Bytes{33};
        clocksAsked |= b == Bytes{28};
    }
    EXPECT_TRUE(versionAsked);
    EXPECT_TRUE(clocksAsked);
    ASSERT_TRUE(f->Action(kCmdDisconnect)->isEnabled());
    f->Action(kCmdDisconnect)->trigger();
    EXPECT_FALSE(rig.app->IsConnected());
    EXPECT_EQ(f->LinkText(), "通讯装置通讯中断");
}

// The device commands of the tree ask first; while the box is open frames are handled and a
// reconnect empties the model and rebuilds the trees. Answering afterwards uses no freed record
// and sends nothing for the device that is gone.
TEST(ShellTest, DeviceCommandsAfterAReconnectUnderTheirQuestion) {
    for (int command = 0; command < 3; ++command) {
        AppRig rig;
        rig.Login();
        COverallView* tree = rig.app->Frame()->TreeView(1);
        CDeviceRecord* d = rig.app->model.FindDevice(5);
        ASSERT_NE(d, nullptr);
        d->name = "线路保护";
        d->communicating = true;
        const std::uint16_t key = d->key;
        QTreeWidgetItem* node = tree->FindNode(kNodeDevice, 1, key);
        ASSERT_NE(node, nullptr);
        auto menu = tree->BuildContextMenu(node);
        ASSERT_NE(menu, nullptr);
        HeldPrompt held;
        bool reconnected = false;
        held.whileOpen = [&](const std::string&) {
            if (!reconnected) {
                reconnected = true;
                rig.app->Reconnect();
                return false;
            }
            return true;
        };
        menu->actions()[command]->trigger();
        EXPECT_TRUE(reconnected);
        EXPECT_EQ(held.texts.size(), 1u) << "command " << command;
        EXPECT_EQ(rig.app->model.FindDeviceByKey(key), nullptr);
        EXPECT_FALSE(std::filesystem::exists(rig.app->SavFolder() / "线路保护.txt"));
    }
}

// A device window refused while the device's structure is still being read: the box is held open
// while the unit falls silent and the silence watch rebuilds the link, which empties the model.
// The reading is restarted before the box, and answering it touches no freed record. Each of the
// three window kinds that wait for the structure is tried.
TEST(ShellTest, StructureStillReadBoxHeldOpenAcrossAReconnect) {
    for (int kind = 0; kind < 3; ++kind) {
        AppRig rig;
        rig.Login();
        CDeviceRecord* d = rig.Ready(5);
        ASSERT_NE(d, nullptr);
        d->structureComplete = 0;
        const std::uint16_t key = d->key;
        HeldPrompt held;
        int ticks = 0;
        held.whileOpen = [&](const std::string&) {
            if (ticks <= CDeviceLink::kSilenceTicks) {
                rig.app->link.AdvanceTime(1000); // timer 1's tick, no frame from the unit
                ++ticks;
                return false;
            }
            return rig.app->model.Ports().empty(); // answered once the reconnect emptied the model
        };
        CWindowManager& w = rig.app->windows;
        CMonitorForm* form = kind == 0   ? w.OpenTelecontrol(key)
                             : kind == 1 ? w.OpenSettings(key)
                                         : w.OpenStat(key);
        EXPECT_EQ(form, nullptr);
        EXPECT_EQ(held.texts, (std::vector<std::string>{"正在初始化装置，请重试……"})) << kind;
        EXPECT_FALSE(held.timedOut);
        EXPECT_TRUE(rig.app->model.Ports().empty());
        EXPECT_TRUE(rig.app->IsConnected());
        // The group titles were asked for before the box; nothing after it.
        const std::vector<Bytes> sent = rig.SentBodies();
        const auto asked = std::count_if(sent.begin(), sent.end(), [](const Bytes& b) {
            return b.size() > 5 && b[0] == 21 && b[5] == 240;
        });
        EXPECT_EQ(asked, 1) << kind;
    }
}

namespace {
// Runs the event loop until the main frame is built (the bound only keeps a frame that never
// comes from holding the test for ever; it is no measure of how fast the frame comes).
bool WaitForFrame(const CMarindleApp& app) {
    QElapsedTimer waited;
    waited.start();
    while (!app.Frame() && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return app.Frame() != nullptr;
}
} // namespace

// Start-up runs no event before the event loop (a splash-screen window would run every pending
// event early) and does nothing slow before it: the start window, frameless and on top, is the only
// window made; the main frame is built and shown maximised from the loop once the start window is
// up, with the unit's address from NetCfg.dbg, the start window still above it. No connection is
// made and nothing is asked.
TEST(ShellTest, StartUpRunsNoEventsBeforeTheEventLoop) {
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    CNetCfg(dir.Path()).SetIpAddress("10.1.2.3");
    bool ranEarly = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { ranEarly = true; }, Qt::QueuedConnection);
    const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
    {
        CMarindleApp app(dir.Path(), std::make_unique<MemoryTransport>());
        ASSERT_TRUE(app.InitInstance("", true));
        EXPECT_FALSE(ranEarly);
        EXPECT_EQ(app.Frame(), nullptr);
        EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore + 1);
        QDialog* start = app.StartWindow();
        ASSERT_NE(start, nullptr);
        EXPECT_EQ(start->objectName(), "startWindow");
        EXPECT_TRUE(start->isVisible());
        EXPECT_TRUE(start->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_TRUE(start->windowFlags() & Qt::FramelessWindowHint);

        ASSERT_TRUE(WaitForFrame(app));
        EXPECT_TRUE(ranEarly);
        EXPECT_TRUE(app.Frame()->isVisible());
        EXPECT_TRUE(app.Frame()->isMaximized());
        EXPECT_EQ(app.Frame()->AddressText(), "10.1.2.3");
        EXPECT_EQ(app.link.Address(), "10.1.2.3");
        EXPECT_EQ(app.link.Port(), CDeviceLink::kDefaultPort);
        EXPECT_FALSE(app.IsConnected());
        ASSERT_EQ(app.StartWindow(), start);
        EXPECT_TRUE(start->isVisible());
        // Closing the frame takes the start window with it.
        app.Frame()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(app.StartWindow(), nullptr);
        EXPECT_TRUE(prompts.Texts().empty());
    }
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
}

// A program ended before its event loop ran builds no frame afterwards; one whose start window is
// never painted builds its frame all the same.
TEST(ShellTest, StartUpEndedEarlyOrUnpaintedStartWindow) {
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    {
        CMarindleApp app(dir.Path(), std::make_unique<MemoryTransport>());
        ASSERT_TRUE(app.InitInstance("", true));
        ASSERT_NE(app.StartWindow(), nullptr);
    }
    QCoreApplication::sendPostedEvents();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 2 * CStartWindow::kFallbackMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    CMarindleApp app(dir.Path(), std::make_unique<MemoryTransport>());
    ASSERT_TRUE(app.InitInstance("", true));
    // Hidden before it could paint: the fallback builds the frame.
    app.StartWindow()->hide();
    ASSERT_TRUE(WaitForFrame(app));
    EXPECT_TRUE(app.Frame()->isVisible());
    EXPECT_TRUE(prompts.Texts().empty());
}

// The "对上" tree stands behind its tab when the frame first shows: it is built when its tab is first
// shown, filling the page, or when something reaches for it first (a node selected in both trees).
TEST(ShellTest, TheUpwardTreeIsBuiltWhenFirstShownOrReached) {
    {
        AppRig rig;
        CMainFrame* frame = rig.app->Frame();
        frame->show();
        EXPECT_EQ(frame->findChild<COverallView*>("treeUp"), nullptr);
        frame->SwitchTree();
        auto* up = frame->findChild<COverallView*>("treeUp");
        ASSERT_NE(up, nullptr);
        EXPECT_EQ(frame->TreeView(2), up);
        EXPECT_TRUE(up->isVisible());
        ASSERT_NE(up->parentWidget(), nullptr);
        EXPECT_EQ(up->geometry(), up->parentWidget()->rect());
        ASSERT_EQ(up->topLevelItemCount(), 1);
        EXPECT_EQ(Texts(up->topLevelItem(0)),
                  (QStringList{"装置总表", "文件目录", "调试信息", "字符串命令"}));
    }
    AppRig rig;
    CMainFrame* frame = rig.app->Frame();
    frame->SelectNode(kNodeCatalogue, 0, 0);
    COverallView* up = frame->TreeView(2);
    ASSERT_NE(up->currentItem(), nullptr);
    EXPECT_EQ(COverallView::KindOf(up->currentItem()), kNodeCatalogue);
    frame->show();
    frame->SwitchTree();
    EXPECT_EQ(frame->findChildren<COverallView*>("treeUp").size(), 1);
    EXPECT_EQ(COverallView::KindOf(up->currentItem()), kNodeCatalogue);
}

// The warning list's title bar is as high as Qt would make it, its titles measured in the font they
// are drawn in; a title that changes is measured again.
TEST(ShellTest, WarningTitleBarKeepsQtsHeight) {
    CWarnView view;
    QHeaderView plain(Qt::Horizontal);
    plain.setModel(view.model());
    EXPECT_GT(view.horizontalHeader()->sizeHint().height(), 0);
    EXPECT_EQ(view.horizontalHeader()->sizeHint().height(), plain.sizeHint().height());
    view.setHorizontalHeaderItem(2, new QTableWidgetItem(QString::fromUtf8("时间\n毫秒")));
    EXPECT_EQ(view.horizontalHeader()->sizeHint().height(), plain.sizeHint().height());
    EXPECT_GT(view.horizontalHeader()->sizeHint().height(), plain.fontMetrics().height() * 2);

    // It clicks and highlights as Qt's own bar of a list does: a click on a title sorts.
    QTableWidget list;
    EXPECT_EQ(view.horizontalHeader()->sectionsClickable(), list.horizontalHeader()->sectionsClickable());
    EXPECT_EQ(view.horizontalHeader()->highlightSections(), list.horizontalHeader()->highlightSections());
    view.AddEvent(0, 1000, 5, "A", 9, "", "");
    view.AddEvent(0, 1000, 5, "B", 5, "", "");
    view.resize(900, 300);
    view.show();
    QHeaderView* titles = view.horizontalHeader();
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                      QPoint(titles->sectionViewportPosition(4) + 10, 5));
    ASSERT_EQ(view.rowCount(), 2);
    EXPECT_EQ(view.item(0, 4)->text(), "5");
}
