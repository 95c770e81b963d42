// The history query windows and the statistics window: the query at opening, the range checks,
// answers in parts, the export files, the statistics query file and the viewer.
#include "AppTestRig.h"

#include "monitor/app/HistoryForms.h"
#include "monitor/app/StatForm.h"
#include "monitor/core/DevTime.h"
#include "monitor/model/MonitorTexts.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTableWidget>
#include <thread>

using namespace marindle;
using namespace montest;
using apptest::AppRig;

namespace {
struct FixedNow {
    explicit FixedNow(std::time_t t) {
        SetNowFunction([t] { return t; });
    }
    ~FixedNow() { SetNowFunction({}); }
};
} // namespace

TEST(HistoryWindowTest, EventQueryAtOpeningAndAnswerInParts) {
    AppRig rig;
    rig.Login();
    const std::time_t now = MakeLocalTime(2024, 5, 6, 10, 30, 0);
    FixedNow fixed(now);
    CDeviceRecord* d = rig.Ready(5);
    auto* form = dynamic_cast<CEventForm*>(rig.app->windows.OpenEvents(d->key));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QString::fromStdString(d->name + "历史事件"));
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    const Bytes q = rig.SentBodies()[0];
    ASSERT_EQ(q.size(), 18u);
    EXPECT_EQ(q[0], 19);
    EXPECT_EQ(Cp56TimeToCTime(q.data() + 3), now - 3600);
    EXPECT_EQ(Cp56TimeToCTime(q.data() + 10), now);
    EXPECT_EQ(q[17], 255);
    EXPECT_TRUE(form->Waiting());

    form->AddRecord("过流", 1, now, 0x0302, "动作");
    rig.app->windows.HistoryListComplete({d->key}, false);
    form->AddRecord("自检", 13, now, 0x0101, "");
    rig.app->windows.HistoryListComplete({d->key}, false);
    form->AddRecord("告警", 3, now, 0x0101, "");
    rig.app->windows.HistoryListComplete({d->key}, true);
    ASSERT_EQ(form->List()->rowCount(), 3);
    EXPECT_EQ(form->List()->item(2, 0)->text(), "3");
    EXPECT_EQ(form->List()->item(1, 2)->text(), QString::fromUtf8("未定义"));
    EXPECT_EQ(form->List()->item(0, 3)->text(), "2");
    EXPECT_EQ(form->List()->item(0, 4)->text(), "3");
    EXPECT_FALSE(form->Waiting());
    EXPECT_TRUE(form->WaitLabel()->isHidden());

    form->Export();
    const auto file = rig.app->SavFolder() / ("EVT_" + d->name + ".txt");
    const std::string text = testsupport::ReadGbkText(file);
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "序号,描述,类型,组号,条目号,值,时间\n");
    EXPECT_NE(text.find("1,过流,动作元件,2,3,动作,2024-05-06 10:30:00\n"), std::string::npos);
    EXPECT_EQ(rig.prompts.LastText(), "已成功导出历史事件为文件\"" + file.string() + "\"");
    // An export that cannot be written says so, and the earlier one stays as it was.
    {
        const std::string earlier = testsupport::ReadBytes(file);
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Rename, 1);
        form->Export();
        EXPECT_EQ(rig.prompts.LastText(), "导出历史事件失败，无法写入文件\"" + file.string() + "\"");
        EXPECT_EQ(testsupport::ReadBytes(file), earlier);
    }

    rig.ClearSent();
    form->SetRange(now, now);
    form->Query();
    EXPECT_EQ(rig.prompts.LastText(), "时间范围有误。");
    EXPECT_TRUE(rig.SentBodies().empty());

    // A year the unit's time cannot carry stays as typed and is refused: neither it nor the date
    // held before goes out.
    form->SetRange(now - 3600, now);
    for (const char* name : {"date1030", "date1025"})
        for (const QDate typed : {QDate(2100, 5, 6), QDate(1999, 5, 6)}) {
            auto* date = form->findChild<QDateEdit*>(name);
            ASSERT_NE(date, nullptr);
            const QDate held = date->date();
            date->setDate(typed);
            EXPECT_EQ(date->text(), typed.toString("yyyy-MM-dd"));
            rig.prompts.Clear();
            form->Query();
            EXPECT_EQ(rig.prompts.LastText(), "年份应在2000至2099之间!") << name;
            EXPECT_TRUE(rig.SentBodies().empty()) << name;
            date->setDate(held);
        }
    form->Query();
    EXPECT_EQ(rig.SentBodies().size(), 1u);
}

TEST(HistoryWindowTest, AnswerPartsGoToTheWindowOfTheirDevice) {
    AppRig rig;
    rig.Login();
    const std::uint16_t firstKey = rig.Ready(5)->key;
    auto* first = dynamic_cast<CEventForm*>(rig.app->windows.OpenEvents(firstKey));
    auto* second = dynamic_cast<CEventForm*>(rig.app->windows.OpenEvents(rig.Ready(6)->key));
    ASSERT_TRUE(first->Waiting() && second->Waiting());
    // The answer of a device without a window ends no other device's query.
    rig.app->windows.HistoryListComplete({rig.Ready(7)->key}, true);
    EXPECT_TRUE(first->Waiting() && second->Waiting());
    first->AddRecord("过流", 1, 0, 0x0101, "");
    rig.app->windows.HistoryListComplete({firstKey}, true);
    EXPECT_FALSE(first->Waiting());
    EXPECT_TRUE(second->Waiting());
    rig.app->windows.HistoryListComplete({}, true); // an empty answer ends the one still waiting
    EXPECT_FALSE(second->Waiting());
    EXPECT_EQ(second->List()->rowCount(), 0);
}

TEST(HistoryWindowTest, RemoteCommandsFilterBySourcePort) {
    AppRig rig;
    rig.Login();
    CDeviceRecord* d = rig.Ready(6);
    auto* form = dynamic_cast<CRmtForm*>(rig.app->windows.OpenRemoteCmds(d->key));
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(form->SourceCombo()->count(), 3);
    EXPECT_EQ(form->SourceCombo()->itemText(2), QString::fromUtf8("板卡1NET2"));
    Bytes q = rig.SentBodies().at(0);
    ASSERT_EQ(q.size(), 21u);
    EXPECT_EQ(q[17], 255);
    EXPECT_EQ(q[20], 255);
    rig.ClearSent();
    form->SourceCombo()->setCurrentIndex(2);
    form->TypeCombo()->setCurrentIndex(2);
    form->Query();
    q = rig.SentBodies().at(0);
    EXPECT_EQ(q[17], 0); // board
    EXPECT_EQ(q[18], 1); // network port
    EXPECT_EQ(q[19], 2);
    EXPECT_EQ(q[20], 2);
    form->AddRecord("开关", 2, "调度", 0, 0x0101, "合", "自述");
    rig.app->windows.RemoteCmdListComplete({d->key});
    ASSERT_EQ(form->List()->rowCount(), 1);
    EXPECT_EQ(form->List()->item(0, 1)->text(), QString::fromUtf8("遥控执行"));
    form->Export();
    const auto file = rig.app->SavFolder() / ("RMT_" + d->name + ".txt");
    const std::string text = testsupport::ReadGbkText(file);
    EXPECT_NE(text.find("\n1,开关,遥控执行,调度,1,1,合,"), std::string::npos);
    // An export that cannot be written says so, and the earlier one stays as it was.
    platform::CFileFaults faults;
    faults.FailFrom(platform::FileStep::Write, 1);
    form->Export();
    EXPECT_EQ(rig.prompts.LastText(), "导出远方命令失败，无法写入文件\"" + file.string() + "\"");
    EXPECT_EQ(testsupport::ReadGbkText(file), text);
}

TEST(HistoryWindowTest, WaveformQueryByNof) {
    AppRig rig;
    rig.Login();
    CDeviceRecord* d = rig.Ready(7);
    auto* form = dynamic_cast<CWaveForm*>(rig.app->windows.OpenWave(d->key));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(rig.SentBodies().at(0).size(), 20u);
    rig.ClearSent();
    form->SetMode(1);
    form->Query();
    EXPECT_EQ(rig.prompts.LastText(), "请输入NOF。");
    form->NofEdit()->setText("-1");
    form->Query();
    EXPECT_EQ(rig.prompts.LastText(), "请输入正整数。");
    form->NofEdit()->setText("300");
    form->Query();
    const Bytes q = rig.SentBodies().at(0);
    EXPECT_EQ(q[0], 27);
    EXPECT_EQ(q[3], 1);
    EXPECT_EQ(U16(q, 18), 300);
    form->AddRecord("w1", "src1", 0, 300);
    rig.app->windows.WaveListComplete({d->key});
    ASSERT_EQ(form->List()->rowCount(), 1);
    EXPECT_EQ(form->List()->item(0, 4)->text(), "300");
}

// The years around the end of the seven year bits, through the program's own requests and readers:
// the query windows' default range (the hour before now), the PC clock sent to the unit and an
// answer stamped with the time the request carried. 2027 still goes as years since 1900, later
// years as the year within the century; each reads back as itself, and a range across New Year
// keeps its start before its end.
TEST(HistoryWindowTest, QueryRangesAndClockAcrossTheYearByte) {
    const std::pair<int, std::uint8_t> years[] = {{2027, 127}, {2028, 28}, {2031, 31}, {2099, 99}};
    for (const auto& [year, byte] : years) {
        AppRig rig;
        rig.Login();
        const std::time_t now = MakeLocalTime(year, 1, 1, 0, 30, 0); // the start lies in the year before
        FixedNow fixed(now);
        CDeviceRecord* d = rig.Ready(5);
        const std::uint16_t key = d->key;
        auto* events = dynamic_cast<CEventForm*>(rig.app->windows.OpenEvents(key));
        ASSERT_NE(events, nullptr);
        rig.app->windows.OpenRemoteCmds(key);
        rig.app->windows.OpenWave(key);
        const std::vector<Bytes> q = rig.SentBodies();
        ASSERT_EQ(q.size(), 3u) << year;
        for (const auto& [body, at] : {std::pair{q[0], 3}, std::pair{q[1], 3}, std::pair{q[2], 4}}) {
            EXPECT_EQ(body[at + 13], byte) << year << " request " << int(body[0]);
            EXPECT_EQ(Cp56TimeToCTime(body.data() + at), now - 3600) << year;
            EXPECT_EQ(Cp56TimeToCTime(body.data() + at + 7), now) << year;
        }

        // An event stamped with the request's end time is shown with its year.
        Bytes record = {5, 0, 0x02, 0x01, 0, 0, 1};
        record.insert(record.end(), q[0].begin() + 10, q[0].begin() + 17);
        record = Cat(record, {3, 2, 1, 0x10, 0x00});
        rig.Feed(Dsdu(Cat({19, 0, 1, 0}, record)));
        ASSERT_EQ(events->List()->rowCount(), 1) << year;
        EXPECT_EQ(events->List()->item(0, 6)->text().toStdString(), std::to_string(year) + "-01-01 00:30:00");

        // 装置对时 from the PC clock.
        rig.ClearSent();
        rig.prompts.Script({platform::Answer::Yes});
        rig.app->OnSystemClock();
        ASSERT_EQ(rig.SentBodies().size(), 1u);
        const Bytes clock = rig.SentBodies()[0];
        ASSERT_EQ(clock.size(), 13u);
        EXPECT_EQ(clock[12], byte) << year;
        EXPECT_EQ(Cp56TimeToCTime(clock.data() + 6), now) << year;
        std::string text;
        ASSERT_TRUE(ClockStampText(clock.data() + 6, text)) << year;
        EXPECT_EQ(text, std::to_string(year) + "-01-01 00:30:00");
    }
}

// The windows open on a shown main frame, where the combos are first laid out before they are
// filled: each combo is as wide as its longest item, and a file name or description is never cut.
TEST(HistoryWindowTest, ColumnsAndCombosFitTheirTexts) {
    AppRig rig;
    rig.app->Frame()->show();
    rig.Login();
    const std::uint16_t key = rig.Ready(7)->key;
    auto* remote = dynamic_cast<CRmtForm*>(rig.app->windows.OpenRemoteCmds(key));
    ASSERT_NE(remote, nullptr);
    QCoreApplication::processEvents();
    for (QComboBox* combo : {remote->SourceCombo(), remote->TypeCombo()})
        for (int i = 0; i < combo->count(); ++i)
            EXPECT_GE(combo->width(), combo->fontMetrics().horizontalAdvance(combo->itemText(i)) + 16)
                << combo->itemText(i).toStdString();

    auto* wave = dynamic_cast<CWaveForm*>(rig.app->windows.OpenWave(key));
    ASSERT_NE(wave, nullptr);
    const std::string name = "WAVE0001_20240506_103000_001.cfg";
    const std::string source = std::string(60, 'S') + ".dat";
    wave->AddRecord(name, source, 0, 1);
    rig.app->windows.WaveListComplete({key});
    QTableWidget* list = wave->List();
    ASSERT_EQ(list->rowCount(), 1);
    const QFontMetrics fm(list->font());
    EXPECT_GT(list->columnWidth(1), fm.horizontalAdvance(QString::fromStdString(name)));
    EXPECT_GT(list->columnWidth(2), fm.horizontalAdvance(QString::fromStdString(source)));
    EXPECT_EQ(list->columnWidth(4), 60); // short texts keep the column's own width
}

namespace {
void AddStatGroup(CDeviceRecord* d, int entries) {
    CGroupRecord* g = d->AddGroup(9);
    g->title = "统计数据";
    g->kind = 3;
    for (int i = 1; i <= entries; ++i) {
        CEntryRecord* e = g->AddEntry(static_cast<std::uint16_t>(9 | i << 8));
        e->description = "量" + std::to_string(i);
        e->dimension = "A";
    }
}
} // namespace

TEST(StatWindowTest, QueryWritesTheFileAndStartsTheViewer) {
    AppRig rig;
    rig.Login();
    CDeviceRecord* d = rig.Ready(5);
    AddStatGroup(d, 9);
    auto* form = dynamic_cast<CStatForm*>(rig.app->windows.OpenStat(d->key));
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(form->List()->rowCount(), 9);
    form->ShowViewer(); // nothing queried yet: nothing starts
    EXPECT_EQ(rig.prompts.Count(), 0u);
    form->List()->selectAll();
    form->Query();
    EXPECT_EQ(rig.prompts.LastText(), "统计数据条目不可超过8条。");
    form->List()->clearSelection();
    form->List()->selectRow(0);
    const std::time_t start = MakeLocalTime(2024, 1, 1, 0, 0, 0);
    form->SetRange(start, start + 7776001);
    form->Query();
    EXPECT_EQ(rig.prompts.LastText(), "时间范围不可超过90天。");
    // A year the unit's time cannot carry stays as typed and is refused before anything is asked.
    auto* startDate = form->findChild<QDateEdit*>("date1030");
    ASSERT_NE(startDate, nullptr);
    startDate->setDate(QDate(2100, 1, 1));
    EXPECT_EQ(startDate->text(), "2100-01-01");
    rig.ClearSent();
    form->Query();
    EXPECT_EQ(rig.prompts.LastText(), "年份应在2000至2099之间!");
    EXPECT_TRUE(rig.SentBodies().empty());
    form->SetRange(start, start + 7776000);
    const auto file = rig.dir.Path() / "q.dat";
    rig.OnDialog([&](QDialog& dlg) {
        auto& fd = dynamic_cast<QFileDialog&>(dlg);
        EXPECT_EQ(fd.windowTitle(), QString::fromUtf8("请选择保存统计数据的文件"));
        fd.selectFile(QString::fromStdString(file.string()));
        return static_cast<int>(QDialog::Accepted);
    });
    rig.ClearSent();
    form->Query();
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 32);
    EXPECT_TRUE(form->Querying());
    form->Query();
    EXPECT_EQ(rig.prompts.LastText(), "当前正有命令在执行。");
    form->SampleArrived(1.5f, start + 10, 0, 0);
    form->EntryData(static_cast<std::uint16_t>(9 | 1 << 8), "量一", true);
    EXPECT_FALSE(form->Querying());
    const std::string text = testsupport::ReadGbkText(file);
    EXPECT_EQ(text.substr(0, text.find('\n')), "[装置]" + d->name + ",5," + std::to_string(start) + "," +
                                                   std::to_string(start + 7776000) + ",1");
    EXPECT_NE(text.find("[条目]量一,A,1\n1.500000,"), std::string::npos);

    // The viewer: a stand-in script that notes its argument (written whole, then renamed, so the
    // marker never exists half written).
    const auto viewer = rig.dir.Path() / "Brevane";
    const auto marker = rig.dir.Path() / "viewer-arg.txt";
    testsupport::WriteBytes(viewer, "#!/bin/sh\nprintf '%s' \"$1\" > '" + marker.string() + ".part' && mv '" +
                                        marker.string() + ".part' '" + marker.string() + "'\n");
    std::filesystem::permissions(viewer, std::filesystem::perms::owner_all);
    form->viewerPath = viewer;
    form->ShowViewer();
    for (int i = 0; i < 300 && !std::filesystem::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(std::filesystem::exists(marker)) << "the viewer was not started within 15 s";
    EXPECT_EQ(testsupport::ReadBytes(marker), file.string());
    form->viewerPath = rig.dir.Path() / "missing" / "Brevane";
    form->ShowViewer();
    EXPECT_NE(rig.prompts.LastText().find("启动统计数据查看程序失败"), std::string::npos);
}

TEST(StatWindowTest, TimeOutStopsTheQuery) {
    AppRig rig;
    rig.Login();
    CDeviceRecord* d = rig.Ready(5);
    AddStatGroup(d, 2);
    auto* form = dynamic_cast<CStatForm*>(rig.app->windows.OpenStat(d->key));
    form->List()->selectAll();
    rig.OnDialog([&](QDialog& dlg) {
        dynamic_cast<QFileDialog&>(dlg).selectFile(
            QString::fromStdString((rig.dir.Path() / "t.dat").string()));
        return static_cast<int>(QDialog::Accepted);
    });
    form->Query();
    ASSERT_TRUE(form->Querying());
    form->OnTimeout();
    EXPECT_FALSE(form->Querying());
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "等待装置应答超时，停止召唤。");
    EXPECT_FALSE(std::filesystem::exists(rig.dir.Path() / "t.dat"));
}

// A statistics file that cannot be written is said, after the frame that ended the query, and an
// earlier file of that name stays as it was.
TEST(StatWindowTest, AFileThatCannotBeWrittenIsSaidAndTheEarlierOneKept) {
    AppRig rig;
    rig.Login();
    CDeviceRecord* d = rig.Ready(5);
    AddStatGroup(d, 1);
    auto* form = dynamic_cast<CStatForm*>(rig.app->windows.OpenStat(d->key));
    ASSERT_NE(form, nullptr);
    const auto file = rig.dir.Path() / "s.dat";
    testsupport::WriteBytes(file, "earlier");
    rig.OnDialog([&](QDialog& dlg) {
        dynamic_cast<QFileDialog&>(dlg).selectFile(QString::fromStdString(file.string()));
        return static_cast<int>(QDialog::Accepted);
    });
    const std::time_t start = MakeLocalTime(2024, 1, 1, 0, 0, 0);
    form->SetRange(start, start + 3600);
    form->List()->selectRow(0);
    form->Query();
    ASSERT_TRUE(form->Querying());
    platform::CFileFaults faults;
    faults.FailFrom(platform::FileStep::Write, 1);
    rig.prompts.Clear();
    form->SampleArrived(2.5f, start + 10, 0, 0);
    form->EntryData(static_cast<std::uint16_t>(9 | 1 << 8), "量一", true);
    EXPECT_FALSE(form->Querying());
    EXPECT_GE(faults.Failed(platform::FileStep::Write), 1);
    EXPECT_EQ(rig.prompts.Count(), 0u); // not inside the frame's handling
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "写入文件失败。\n" + file.string());
    EXPECT_EQ(testsupport::ReadBytes(file), "earlier");
}

TEST(StatWindowTest, MissingViewerGivesAMessage) {
    testsupport::TempDir dir;
    const std::string message = StartStatViewer(dir.Path() / "Brevane", dir.Path() / "q.dat");
    EXPECT_NE(message.find("Brevane"), std::string::npos);
}

// A statistics query or a history query the unit has not answered when the link drops and
// reconnects is told with the window's closing; a query whose file dialog is answered after the
// window closed, or whose frame the socket refuses, is told not sent.
TEST(StatWindowTest, AQueryCutByAReconnectIsTold) {
    AppRig rig;
    const auto file = rig.dir.Path() / "t.dat";
    // Logs in and opens device 5's statistics window with every row chosen; its file dialog runs
    // meanwhile (when given) and answers with the file.
    const auto openStat = [&](std::function<void()> meanwhile) {
        rig.Login();
        CDeviceRecord* d = rig.Ready(5);
        AddStatGroup(d, 2);
        auto* form = dynamic_cast<CStatForm*>(rig.app->windows.OpenStat(d->key));
        if (form)
            form->List()->selectAll();
        rig.OnDialog([&file, meanwhile](QDialog& dlg) {
            if (meanwhile)
                meanwhile();
            dynamic_cast<QFileDialog&>(dlg).selectFile(QString::fromStdString(file.string()));
            return static_cast<int>(QDialog::Accepted);
        });
        return form;
    };
    QPointer<CStatForm> stat = openStat({});
    ASSERT_NE(stat, nullptr);
    stat->Query();
    ASSERT_TRUE(stat->Querying());
    QPointer<CEventForm> events =
        dynamic_cast<CEventForm*>(rig.app->windows.OpenEvents(rig.app->model.FindDevice(5)->key));
    ASSERT_NE(events, nullptr);
    ASSERT_TRUE(events->Waiting()); // its query at opening
    const std::vector<std::string> lines = {stat->Title() + "：统计数据召唤", events->Title() + "：召唤"};
    rig.app->OnDisconnect();
    rig.app->OnConnect();
    EXPECT_TRUE(stat.isNull());
    EXPECT_TRUE(events.isNull());
    rig.Settle();
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{text::CommandsUnanswered(lines)});
    EXPECT_FALSE(std::filesystem::exists(file));

    // The file dialog answered after a reconnect closed the window.
    rig.prompts.Clear();
    stat = openStat([&] {
        rig.app->OnDisconnect();
        rig.app->OnConnect();
    });
    ASSERT_NE(stat, nullptr);
    rig.ClearSent();
    stat->Query();
    EXPECT_TRUE(stat.isNull());
    EXPECT_TRUE(rig.SentBodies().empty());
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), text::CommandNotSent("统计数据召唤"));

    // The socket refuses the query: nothing waits.
    rig.prompts.Clear();
    stat = openStat({});
    ASSERT_NE(stat, nullptr);
    rig.transport->sendOk = false;
    stat->Query();
    EXPECT_FALSE(stat->Querying());
    EXPECT_TRUE(stat->WaitLabel()->isHidden());
    rig.Settle();
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{text::CommandNotSent("统计数据召唤")});
}
