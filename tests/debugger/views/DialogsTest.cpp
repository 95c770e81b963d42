#include "tests/debugger/views/AppRig.h"

#include "debugger/views/CommStatusDlg.h"
#include "debugger/views/EventWindows.h"
#include "debugger/views/StringCmdDlg.h"
#include "debugger/views/TimeDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <ctime>

using namespace quorvex;
using qtest::AppRig;
using qtest::Bytes;

TEST(CommStatus, FillsUpdatesAndFolds) {
    AppRig rig;
    rig.AddBoards();
    // Device 5 also stands under the network port.
    rig.app->Data().m_boards[0].m_netPorts[0].m_addresses.Add(CUnitAddress(5));
    rig.Connect();
    rig.app->OnCommStatus();
    ASSERT_EQ(rig.Bodies().size(), 2u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{25, 0}));
    EXPECT_EQ(rig.Bodies()[1], (Bytes{26, 0}));
    CCommStatusDlg* dlg = rig.app->StatusWindow();
    ASSERT_NE(dlg, nullptr);
    // 板卡1, 串口1, 装置5, 装置6, 连接号1, 装置7, 装置5
    ASSERT_EQ(dlg->List()->rowCount(), 7);
    EXPECT_EQ(dlg->Text(0, 0), "板卡1");
    EXPECT_EQ(dlg->Text(1, 1), "串口1");
    EXPECT_EQ(dlg->Text(2, 2), "装置5");
    rig.app->UpdateDeviceStatus(5, 0x21);
    EXPECT_EQ(dlg->Text(2, 5), "投运");
    EXPECT_EQ(dlg->Text(2, 3), "通");
    EXPECT_EQ(dlg->Text(2, 4), "其他");
    EXPECT_EQ(dlg->Text(6, 5), "投运");
    rig.app->UpdatePortStatus(0, 1, 1, 3);
    EXPECT_EQ(dlg->Text(4, 3), "断");
    EXPECT_EQ(dlg->Text(1, 3), "");
    rig.app->UpdatePortStatus(1, 0, 1, 2); // another board
    EXPECT_EQ(dlg->Text(1, 3), "");

    dlg->ToggleRow(1); // fold the serial port
    EXPECT_EQ(dlg->Text(1, 1), "串口1 ↓");
    EXPECT_EQ(dlg->List()->rowCount(), 5);
    dlg->ToggleRow(1);
    EXPECT_EQ(dlg->Text(1, 1), "串口1");
    EXPECT_EQ(dlg->List()->rowCount(), 7);
    dlg->ToggleRow(0); // fold the board
    EXPECT_EQ(dlg->List()->rowCount(), 1);
    dlg->ToggleRow(0);
    EXPECT_EQ(dlg->Text(0, 0), "板卡1");
    EXPECT_EQ(dlg->List()->rowCount(), 7);

    rig.transport->sent.clear();
    dlg->show();
    dlg->findChild<QPushButton*>("exit")->click();
    EXPECT_FALSE(dlg->isVisible());
    ASSERT_EQ(rig.Bodies().size(), 2u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{25, 1}));
    EXPECT_EQ(rig.Bodies()[1], (Bytes{26, 1, 0, 0}));
}

TEST(TimeDialogs, SetTimeCustomFieldsOutsideTheirRangesAreRefusedNotMasked) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    const char* month = "13";
    const char* minute = "75";
    rig.OnDialog([&](QDialog& d) {
        auto& dlg = dynamic_cast<CSetTimeDlg&>(d);
        EXPECT_TRUE(dlg.m_system->isChecked());
        EXPECT_FALSE(dlg.m_edits[0]->isEnabled());
        EXPECT_EQ(dlg.m_boardCombo->currentText(), QString("所有板卡"));
        dlg.m_custom->click();
        EXPECT_TRUE(dlg.m_edits[0]->isEnabled());
        const char* v[] = {"2027", month, "2", "3", minute, "9"};
        for (int i = 0; i < 6; ++i)
            dlg.m_edits[static_cast<std::size_t>(i)]->setText(v[i]);
        dlg.m_boardCombo->setCurrentIndex(1);
        dlg.accept();
        return dlg.result();
    });
    rig.app->OnSetTime();
    EXPECT_TRUE(rig.Bodies().empty());
    EXPECT_EQ(rig.prompts.LastText(), "月份应在1至12之间!");
    month = "12";
    rig.app->OnSetTime();
    EXPECT_TRUE(rig.Bodies().empty());
    EXPECT_EQ(rig.prompts.LastText(), "分钟应在0至59之间!");
    minute = "59";
    rig.app->OnSetTime();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{6, 0x81, 8, 255, 255, 255, 0x28, 0x23, 59, 3, 2, 12, 127}));
    ASSERT_FALSE(rig.Frames().empty());
    ASSERT_GE(rig.Frames()[0].size(), 28u);
    EXPECT_EQ(rig.Frames()[0][26], 0);
    EXPECT_EQ(rig.Frames()[0][27] & 0x7F, 0);
}

TEST(TimeDialogs, DeviceTimeAndRestart) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        d.accept();
        return d.result();
    });
    rig.app->OnDeviceTime();
    ASSERT_NE(rig.app->DeviceTimeWindow(), nullptr);
    EXPECT_EQ(rig.app->DeviceTimeWindow()->m_time->text(), QString("0000-00-00 00:00:00"));
    EXPECT_EQ(rig.Bodies().at(0), Bytes{28});
    EXPECT_EQ(rig.Frames()[0][26], 0);
    CDeviceTime t = MakeDeviceTime(2024, 5, 6, 7, 8, 9);
    rig.app->ShowDeviceTime(t);
    EXPECT_EQ(rig.app->DeviceTimeWindow()->m_time->text(), QString("2024-05-06 07:08:09"));
    rig.transport->sent.clear();
    // 远程启动 cuts the link before its box: the unit is restarting, and a link made again while
    // the box is up stays when the box is answered.
    bool connectedUnderTheBox = true;
    qtest::HeldPrompt held([&] {
        connectedUnderTheBox = rig.app->IsConnected();
        rig.app->OnConnect();
    });
    rig.app->OnRemoteStart();
    EXPECT_EQ(rig.Bodies().at(0), Bytes{2});
    EXPECT_EQ(rig.Frames()[0][26], 255);
    EXPECT_EQ(held.texts, std::vector<std::string>{"稍后，请用户重新进行网络连接。"});
    EXPECT_FALSE(connectedUnderTheBox);
    EXPECT_TRUE(rig.app->IsConnected());
    EXPECT_EQ(rig.transport->closes, 1);
}

TEST(Queries, HistoryQueryAndList) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CEventQueryDlg&>(d);
        EXPECT_EQ(dlg.m_typeCombo->count(), 13);
        dlg.m_allDevices->setChecked(true);
        dlg.m_typeCombo->setCurrentIndex(6);
        dlg.m_times.start_[0]->setText("2030");
        dlg.accept();
        return dlg.result();
    });
    rig.app->OnHistoryEvents();
    ASSERT_NE(rig.app->HistoryWindow(), nullptr);
    EXPECT_EQ(rig.app->HistoryWindow()->Caption()->text(), QString("所有装置历史事件查看"));
    const Bytes b = rig.Bodies().at(0);
    ASSERT_EQ(b.size(), 18u);
    EXPECT_EQ(b[0], 19);
    EXPECT_EQ(b[1], 0xFF);
    EXPECT_EQ(b[9], 30); // 2030, within the century after 2027
    EXPECT_EQ(b[17], 6);
    CHistoryEventRecord rec;
    rec.m_address = 5;
    rec.m_eventType = 13;
    rec.m_value = "合";
    rec.m_time.year = 2007;
    rig.app->AddHistoryEvent(rec);
    rig.app->AddHistoryEvent(rec);
    QTableWidget* list = rig.app->HistoryWindow()->List();
    EXPECT_EQ(list->item(1, 0)->text(), QString("2"));
    EXPECT_EQ(list->item(0, 6)->text(), QString("未定义事件"));
    std::unique_ptr<QMenu> menu(rig.app->HistoryWindow()->CreateContextMenu());
    menu->actions()[0]->trigger();
    EXPECT_EQ(list->rowCount(), 0);
}

TEST(Queries, NoDeviceDisablesOkUntilAll) {
    CUnitBoardArray none;
    CEventQueryDlg dlg(none);
    EXPECT_FALSE(dlg.m_ok->isEnabled());
    dlg.m_allDevices->setChecked(true);
    EXPECT_TRUE(dlg.m_ok->isEnabled());
    CWaveQueryDlg wave(none);
    EXPECT_FALSE(wave.m_ok->isEnabled());
}

TEST(Queries, RemoteCommandsWithAllSources) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CRemoteCmdQueryDlg&>(d);
        dlg.m_allSources->setChecked(true);
        EXPECT_FALSE(dlg.m_sourceBoardCombo->isEnabled());
        dlg.m_typeCombo->setCurrentIndex(2);
        dlg.accept();
        return dlg.result();
    });
    rig.app->OnRemoteCommands();
    ASSERT_NE(rig.app->RemoteWindow(), nullptr);
    EXPECT_EQ(rig.app->RemoteWindow()->Caption()->text(), QString("装置5远方命令监视 所有命令源"));
    const Bytes b = rig.Bodies().at(0);
    ASSERT_EQ(b.size(), 21u);
    EXPECT_EQ(b[1], 5);
    EXPECT_EQ((Bytes{b[17], b[18], b[19], b[20]}), (Bytes{255, 255, 255, 2}));
    EXPECT_EQ(rig.Frames()[0][26], 0);
    CRemoteCommandRecord rec;
    rec.m_sourceBoard = 0;
    rec.m_sourceClass = 2;
    rec.m_sourcePort = 3;
    rec.m_commandType = 13;
    rig.app->AddRemoteCommand(rec);
    QTableWidget* list = rig.app->RemoteWindow()->List();
    EXPECT_EQ(list->item(0, 1)->text(), QString("未定义命令"));
    EXPECT_EQ(list->item(0, 2)->text(), QString("板卡1未知命令源3"));
}

TEST(Queries, WaveRecordsByNof) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CWaveQueryDlg&>(d);
        dlg.m_byNof->click();
        EXPECT_FALSE(dlg.m_times.start_[0]->isEnabled());
        dlg.m_nofEdit->setText("70000");
        dlg.accept();
        return dlg.result();
    });
    rig.app->OnWaveRecords();
    const Bytes b = rig.Bodies().at(0);
    ASSERT_EQ(b.size(), 20u);
    EXPECT_EQ(b[3], 1);
    EXPECT_EQ(b[18] | b[19] << 8, 70000 & 0xFFFF);
    EXPECT_NE(b[9], 0); // the month still travels
    rig.app->AddWaveRecord("a.cfg", 5, MakeDeviceTime(2024, 1, 2, 3, 4, 5), 9);
    EXPECT_EQ(rig.app->WaveWindow()->List()->item(0, 3)->text(), QString("2024-01-02 03:04:05.000"));
}

TEST(StringConsole, SendsLinesKeepsHistoryAndHandlesWords) {
    AppRig rig;
    rig.app->OnStringCommand(); // not connected: the command is refused by its rule only in the menu
    CStringCmdDlg* dlg = rig.app->Console();
    ASSERT_NE(dlg, nullptr);
    CCommandEdit* edit = dlg->Edit();
    QTest::keyClicks(edit, "x");
    QTest::keyClick(edit, Qt::Key_Up); // an empty history empties the line
    EXPECT_EQ(edit->LastLine(), "");
    QTest::keyClicks(edit, "ver");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(rig.Bodies().empty()); // the link is down
    EXPECT_EQ(edit->History().Count(), 1);
    rig.Connect();
    QTest::keyClicks(edit, "ps");
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{3, 'p', 's'}));
    EXPECT_EQ(rig.Frames()[0][26], 255);
    QTest::keyClicks(edit, "clear");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(edit->History().Count(), 2);
    // Up brings back the newest command, Right types the remembered one letter by letter.
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->LastLine(), "ps");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->LastLine(), "");
    QTest::keyClick(edit, Qt::Key_Right);
    EXPECT_EQ(edit->LastLine(), "p");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Backspace); // at the left edge: nothing joins
    rig.app->ShowStringAnswer("ok");
    EXPECT_TRUE(edit->toPlainText().contains("ok"));
}

TEST(TimeDialogs, YearsAfter2027GoWithinTheCenturyAndReadBackWhole) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    const char* year = "2031";
    rig.OnDialog([&](QDialog& d) {
        auto& dlg = dynamic_cast<CSetTimeDlg&>(d);
        dlg.m_custom->click();
        const char* v[] = {year, "1", "2", "3", "4", "5"};
        for (std::size_t i = 0; i < 6; ++i)
            dlg.m_edits[i]->setText(v[i]);
        dlg.accept();
        return dlg.result();
    });
    for (const auto& [text, byte] : std::vector<std::pair<const char*, std::uint8_t>>{
             {"2027", 127}, {"2028", 28}, {"2031", 31}, {"2099", 99}}) {
        year = text;
        rig.transport->sent.clear();
        rig.app->OnSetTime();
        ASSERT_EQ(rig.Bodies().size(), 1u);
        EXPECT_EQ(rig.Bodies()[0].back(), byte) << text;
    }
    // A year without a year byte that reads back as itself is refused and nothing is sent: 1900
    // to 1999 would go as bytes read back as 2000 to 2099.
    for (const char* text : {"2100", "1999", "1900", "1899"}) {
        year = text;
        rig.transport->sent.clear();
        rig.prompts.Clear();
        rig.app->OnSetTime();
        EXPECT_TRUE(rig.Bodies().empty()) << text;
        EXPECT_EQ(rig.prompts.LastText(), "年份应在2000至2099之间!") << text;
    }
    year = "2000";
    rig.transport->sent.clear();
    rig.app->OnSetTime();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0].back(), 100);

    // The other fields are refused outside their ranges too, never masked into another time.
    const char* fields[6] = {"2026", "12", "10", "23", "59", "59"};
    rig.OnDialog([&](QDialog& d) {
        auto& dlg = dynamic_cast<CSetTimeDlg&>(d);
        dlg.m_custom->click();
        for (std::size_t i = 0; i < 6; ++i)
            dlg.m_edits[i]->setText(fields[i]);
        dlg.accept();
        return dlg.result();
    });
    const std::pair<std::size_t, const char*> wrong[] = {{1, "13"}, {2, "32"}, {3, "25"}, {4, "75"},
                                                         {5, "66"}, {3, "-1"}, {2, "0"}};
    for (const auto& [field, text] : wrong) {
        const char* kept = fields[field];
        fields[field] = text;
        rig.transport->sent.clear();
        rig.prompts.Clear();
        rig.app->OnSetTime();
        EXPECT_TRUE(rig.Bodies().empty()) << field << " " << text;
        EXPECT_FALSE(rig.prompts.LastText().empty()) << field << " " << text;
        fields[field] = kept;
    }
    fields[1] = "2";
    fields[2] = "29";
    rig.prompts.Clear();
    rig.app->OnSetTime();
    EXPECT_EQ(rig.prompts.LastText(), "日期应在1至28之间!");
    fields[2] = "28";
    rig.transport->sent.clear();
    rig.app->OnSetTime();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    const Bytes set = rig.Bodies()[0];
    ASSERT_GE(set.size(), 7u);
    // ms within the minute, minute, hour, day, month, year.
    EXPECT_EQ(Bytes(set.end() - 7, set.end()), (Bytes{0x78, 0xE6, 59, 23, 28, 2, 126}));

    // The unit's clock, read back through the dispatcher into the window.
    rig.OnDialog([](QDialog& d) {
        d.accept();
        return d.result();
    });
    rig.app->OnDeviceTime();
    for (const auto& [byte, shown] :
         std::vector<std::pair<std::uint8_t, const char*>>{{127, "2027-01-02 03:04:05"},
                                                           {28, "2028-01-02 03:04:05"},
                                                           {31, "2031-01-02 03:04:05"},
                                                           {99, "2099-01-02 03:04:05"}}) {
        const Bytes f = qtest::UnitFrame(1, {28, 0x88, 0x13, 4, 3, 2, 1, byte});
        rig.app->Link()->AppendData(f.data(), f.size());
        EXPECT_EQ(rig.app->DeviceTimeWindow()->m_time->text(), QString(shown));
    }
}

TEST(Queries, TheDefaultEndFiveYearsOnIsSentAfterItsStart) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CEventQueryDlg&>(d);
        dlg.m_allDevices->setChecked(true);
        dlg.m_times.start_[0]->setText("2024");
        dlg.m_times.end_[0]->setText("2031");
        dlg.accept();
        return dlg.result();
    });
    rig.app->OnHistoryEvents();
    Bytes b = rig.Bodies().at(0);
    EXPECT_EQ(b[9], 124);
    EXPECT_EQ(b[16], 31);
    std::uint8_t start[7], end[7];
    std::copy(b.begin() + 3, b.begin() + 10, start);
    std::copy(b.begin() + 10, b.begin() + 17, end);
    EXPECT_EQ(CDeviceTime::FromBytes(start).year, 2024);
    EXPECT_EQ(CDeviceTime::FromBytes(end).year, 2031);

    // The dialog's own defaults: five years back and on from now, the end read back after the start.
    rig.transport->sent.clear();
    rig.OnDialog([](QDialog& d) {
        dynamic_cast<CEventQueryDlg&>(d).m_allDevices->setChecked(true);
        d.accept();
        return d.result();
    });
    rig.app->OnHistoryEvents();
    b = rig.Bodies().at(0);
    std::copy(b.begin() + 3, b.begin() + 10, start);
    std::copy(b.begin() + 10, b.begin() + 17, end);
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    EXPECT_EQ(CDeviceTime::FromBytes(start).year, tm.tm_year + 1900 - 5);
    EXPECT_EQ(CDeviceTime::FromBytes(end).year, tm.tm_year + 1900 + 5);

    rig.transport->sent.clear();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CRemoteCmdQueryDlg&>(d);
        dlg.m_times.end_[0]->setText("2099");
        dlg.accept();
        return dlg.result();
    });
    rig.app->OnRemoteCommands();
    b = rig.Bodies().at(0);
    EXPECT_EQ(b[16], 99);
    // A year the byte cannot hold keeps the query's dialog open.
    rig.transport->sent.clear();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CWaveQueryDlg&>(d);
        dlg.m_times.end_[0]->setText("2100");
        dlg.accept();
        return dlg.result();
    });
    rig.app->OnWaveRecords();
    EXPECT_TRUE(rig.Bodies().empty());
    EXPECT_EQ(rig.prompts.LastText(), "年份应在2000至2099之间!");
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CWaveQueryDlg&>(d);
        dlg.m_times.start_[0]->setText("1999");
        dlg.accept();
        return dlg.result();
    });
    rig.app->OnWaveRecords();
    EXPECT_TRUE(rig.Bodies().empty());
    // So is a day or an hour outside its range, in any of the three queries' bounds.
    rig.prompts.Clear();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CWaveQueryDlg&>(d);
        dlg.m_times.start_[2]->setText("32");
        dlg.accept();
        return dlg.result();
    });
    rig.app->OnWaveRecords();
    EXPECT_TRUE(rig.Bodies().empty());
    EXPECT_EQ(rig.prompts.LastText(), "日期应在1至31之间!");
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CEventQueryDlg&>(d);
        dlg.m_allDevices->setChecked(true);
        dlg.m_times.end_[3]->setText("25");
        dlg.accept();
        return dlg.result();
    });
    rig.app->OnHistoryEvents();
    EXPECT_TRUE(rig.Bodies().empty());
    EXPECT_EQ(rig.prompts.LastText(), "小时应在0至23之间!");
}

// A console line that finds the link down says so on the line after it, whether the link was
// closed or the unit dropped it under the send.
TEST(StringConsole, ALineThatCannotBeSentSaysTheLinkIsDown) {
    AppRig rig;
    rig.Connect();
    rig.app->OnStringCommand();
    CStringCmdDlg* dlg = rig.app->Console();
    ASSERT_NE(dlg, nullptr);
    CCommandEdit* edit = dlg->Edit();
    rig.transport->sendOk = false;
    QTest::keyClicks(edit, "ver");
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    rig.app->OnDisconnect();
    QTest::keyClicks(edit, "ps");
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->toPlainText(),
              QString("ver\n通讯装置通讯中断，命令未发送。\nps\n通讯装置通讯中断，命令未发送。\n"));
    EXPECT_EQ(edit->History().Count(), 2);
    // A line that went out is answered by the unit only.
    rig.transport->sendOk = true;
    rig.Connect();
    QTest::keyClicks(edit, "ls");
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.Bodies().size(), 1u);
    EXPECT_TRUE(edit->toPlainText().endsWith("ls\n"));
}

// A history list keeps its last rows like the event pages; the numbers go on across the rows that
// left, and 清除 starts them again.
TEST(Queries, AHistoryListKeepsItsLastRowsAndNumbersOn) {
    AppRig rig;
    CEventHistoryDlg dlg("装置5");
    CHistoryEventRecord rec;
    rec.m_address = 5;
    const int extra = 7;
    for (int i = 0; i < CCappedRows::kMaxRows + extra; ++i)
        dlg.AddEvent(rec);
    ASSERT_EQ(dlg.List()->rowCount(), CCappedRows::kMaxRows);
    EXPECT_EQ(dlg.List()->item(0, 0)->text(), QString::number(extra + 1));
    EXPECT_EQ(dlg.List()->item(CCappedRows::kMaxRows - 1, 0)->text(),
              QString::number(CCappedRows::kMaxRows + extra));
    EXPECT_EQ(dlg.Rows().Dropped(), std::uint64_t(extra));
    EXPECT_EQ(dlg.Rows().DroppedLine()->text(), QString("……省略7条……"));
    std::unique_ptr<QMenu> menu(dlg.CreateContextMenu());
    menu->actions()[0]->trigger(); // 清除
    EXPECT_TRUE(dlg.Rows().DroppedLine()->isHidden());
    dlg.AddEvent(rec);
    EXPECT_EQ(dlg.List()->item(0, 0)->text(), QString("1"));
}
