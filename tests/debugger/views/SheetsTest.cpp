#include "tests/debugger/views/AppRig.h"

#include "debugger/core/ValueText.h"
#include "debugger/views/ListCtrls.h"

#include "debugger/core/DeviceRequests.h"
#include "debugger/views/MonitorSheets.h"
#include "debugger/views/SelectDialogs.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>

using namespace quorvex;
using qtest::AppRig;
using qtest::Bytes;
using qtest::HeldPrompt;

namespace {

CDbEntry Entry(std::uint8_t group, std::uint8_t entry, const char* name, const char* value, std::uint8_t type,
               std::uint8_t size) {
    CDbEntry e;
    e.m_address = 5;
    e.m_key = MakeKey(group, entry);
    e.m_name = name;
    e.m_value = value;
    e.m_dataType = type;
    e.m_dataSize = size;
    e.m_number = 1;
    return e;
}

// A real-time sheet of device 5 with a measurand, a double point, a control, a setting and a strap.
struct DbRig : AppRig {
    DbRig() {
        AddBoards();
        Connect();
        OnDialog([](QDialog& d) {
            dynamic_cast<CDbSelDlg&>(d).accept();
            return int(QDialog::Accepted);
        });
        app->OnRealTimeDb();
        sheet = app->DbSheetList().at(0).get();
        sheet->AddDbGroup(1, "遥测");
        sheet->AddDbGroup(2, "遥信");
        sheet->AddDbGroup(3, "遥控");
        sheet->AddSettingGroup(4, "定值");
        sheet->AddSettingGroup(5, "软压板");
        auto& entries = app->Data().m_entries;
        entries.push_back(Entry(1, 1, "Ua", "1.5", 7, 4));
        entries.push_back(Entry(2, 1, "开关", "合", 18, 1));
        entries.push_back(Entry(3, 1, "遥控1", "0", 3, 1));
        entries.push_back(Entry(4, 1, "过流定值", "10", 7, 4));
        entries.push_back(Entry(5, 1, "压板", "0", 9, 1));
        sheet->FillLists();
        transport->sent.clear();
    }
    CDbListCtrl& List() { return *sheet->DbPage()->List(); }
    void Type(CValueGrid& list, int row, const char* text) {
        list.ClickCell(row, 5);
        ASSERT_NE(list.EditBox(), nullptr);
        list.EditBox()->setText(text);
    }
    void Unit(const Bytes& body, std::uint8_t board = 0) {
        const Bytes f = qtest::UnitFrame(1, body, board);
        app->Link()->AppendData(f.data(), f.size());
    }
    // The unit resets the link, and it is made again at once.
    void Drop() {
        transport->events->OnPeerClosed();
        transport->RunPosted();
        app->OnConnect();
    }
    CDisDBSheet* sheet = nullptr;
};

} // namespace

TEST(DbSheet, ReadWithoutAnswerIsReportedAndCanBeReadAgain) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        dynamic_cast<CDbSelDlg&>(d).accept();
        return int(QDialog::Accepted);
    });
    rig.app->OnRealTimeDb();
    CDisDBSheet* sheet = rig.app->DbSheetList().at(0).get();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    const Bytes headings = rig.Bodies()[0];
    EXPECT_TRUE(sheet->ReadWaiting());
    // No answer: the user is told, and Yes reads again.
    rig.prompts.Script({platform::Answer::Yes});
    sheet->OnReadTimeout();
    EXPECT_EQ(rig.prompts.LastText(), "装置无应答，未读到实时库数据。\n重新读取吗？");
    ASSERT_EQ(rig.Bodies().size(), 2u);
    EXPECT_EQ(rig.Bodies()[1], headings);
    EXPECT_TRUE(sheet->ReadWaiting());
    // The answer comes: the wait ends with the lists filled.
    sheet->AddDbGroup(1, "遥测");
    EXPECT_TRUE(sheet->ReadWaiting());
    sheet->FillLists();
    EXPECT_FALSE(sheet->ReadWaiting());
    // No: nothing is sent.
    rig.prompts.Script({platform::Answer::No});
    sheet->OnReadTimeout();
    EXPECT_EQ(rig.Bodies().size(), 2u);
    EXPECT_FALSE(sheet->ReadWaiting());
}

TEST(DbSheet, OpensOncePerDeviceAndReadsHeadings) {
    AppRig rig;
    rig.AddBoards();
    rig.Connect();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CDbSelDlg&>(d);
        EXPECT_FALSE(dlg.m_boardCombo->isEnabled());
        EXPECT_EQ(dlg.m_deviceCombo->count(), 3);
        dlg.m_deviceCombo->setCurrentIndex(1);
        emit dlg.m_deviceCombo->activated(1);
        dlg.accept();
        return int(QDialog::Accepted);
    });
    rig.app->OnRealTimeDb();
    ASSERT_EQ(rig.app->DbSheetList().size(), 1u);
    CDisDBSheet* sheet = rig.app->DbSheetList()[0].get();
    EXPECT_EQ(sheet->DeviceAddress(), 6);
    EXPECT_EQ(sheet->windowTitle(), QString("板卡1装置6监视："));
    EXPECT_EQ(sheet->Pages()->tabText(0), QString("六遥"));
    EXPECT_EQ(sheet->Pages()->tabText(1), QString("保护"));
    EXPECT_EQ(sheet->Pages()->tabText(2), QString("事件"));
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{21, 0x81, 42, 0, 254, 240, 0, 0}));
    EXPECT_EQ(rig.Frames()[0][14], 6);
    rig.app->OnRealTimeDb();
    EXPECT_EQ(rig.prompts.LastText(), "板卡1装置6监控信息已被打开");
    EXPECT_EQ(rig.app->DbSheetList().size(), 1u);
}

TEST(DbSheet, FillsPagesByGroupKind) {
    DbRig rig;
    ASSERT_EQ(rig.List().rowCount(), 3);
    EXPECT_EQ(rig.List().Text(0, 0), "遥测");
    EXPECT_EQ(rig.List().Text(0, 1), "Ua");
    EXPECT_EQ(rig.List().Text(0, 2), "5");
    EXPECT_EQ(rig.List().Text(1, 3), "2");
    EXPECT_EQ(rig.List().Text(1, 4), "1");
    EXPECT_EQ(rig.sheet->ValPage()->List()->rowCount(), 2);
    EXPECT_EQ(rig.sheet->ValPage()->GroupCombo()->count(), 3);
    EXPECT_EQ(rig.sheet->Pages()->currentIndex(), 0);
    EXPECT_EQ(rig.sheet->ExportText(),
              "[六遥]\n遥测 , Ua , 1 , 1 , 1.5\n遥信 , 开关 , 2 , 1 , 合\n遥控 , 遥控1 , 3 , 1 , 0\n"
              "\n[保护]\n定值 , 过流定值 , 4 , 1 , 10\n软压板 , 压板 , 5 , 1 , 0\n");
    rig.sheet->Export();
    const auto exported = rig.dir / "Bin" / "sav" / "Data_Ban1Addr5.qv";
    EXPECT_EQ(testsupport::ReadBytes(exported).substr(0, 8), platform::ToGbk("[六遥]\r\n"));
    // An export that cannot be written is said, and the earlier file stays whole.
    const std::string earlier = testsupport::ReadBytes(exported);
    for (platform::FileStep step :
         {platform::FileStep::Open, platform::FileStep::Write, platform::FileStep::Rename}) {
        {
            platform::CFileFaults faults;
            faults.FailFrom(step, 1);
            rig.prompts.Clear();
            rig.sheet->Export();
            EXPECT_GE(faults.Failed(step), 1) << int(step);
        }
        EXPECT_EQ(rig.prompts.LastText(), "文件保存失败: " + exported.string()) << int(step);
        EXPECT_EQ(testsupport::ReadBytes(exported), earlier) << int(step);
    }
}

TEST(DbSheet, EditorsCheckTypedValuesAndKeepPending) {
    DbRig rig;
    rig.Type(rig.List(), 0, "1e3");
    EXPECT_FALSE(rig.List().CommitEdit());
    EXPECT_EQ(rig.prompts.LastText(), "输入数值无效!");
    ASSERT_NE(rig.List().EditBox(), nullptr);
    // Another click keeps the refused editor.
    rig.List().ClickCell(1, 5);
    ASSERT_NE(rig.List().EditBox(), nullptr);
    rig.List().EditBox()->setText("12.50");
    EXPECT_TRUE(rig.List().CommitEdit());
    EXPECT_EQ(rig.List().Text(0, 5), "12.5");
    EXPECT_EQ(rig.List().RowColour(0), CValueGrid::kChanged);
    CPendingList& pending = rig.sheet->DbPage()->Pending();
    ASSERT_EQ(pending.Count(), 1);
    EXPECT_EQ(pending.Items()[0].m_oldText, "1.5");
    // A value answer does not overwrite the typed text.
    CDbEntry e = rig.app->Data().m_entries[0];
    e.m_value = "3";
    rig.sheet->ShowValue(e);
    EXPECT_EQ(rig.List().Text(0, 5), "12.5");

    // Double points take a 分/合 choice; controls take nothing.
    rig.List().ClickCell(1, 5);
    ASSERT_NE(rig.List().ChoiceBox(), nullptr);
    EXPECT_EQ(rig.List().ChoiceBox()->currentText(), QString("合"));
    rig.List().ChoiceBox()->setCurrentIndex(0);
    EXPECT_TRUE(rig.List().CommitEdit());
    EXPECT_EQ(rig.List().Text(1, 5), "分");
    EXPECT_EQ(pending.Count(), 2);
    EXPECT_EQ(pending.Items()[1].m_newValue, 0);
    rig.List().ClickCell(2, 5);
    EXPECT_EQ(rig.List().EditBox(), nullptr);
    EXPECT_EQ(rig.List().ChoiceBox(), nullptr);
    EXPECT_EQ(rig.sheet->DbPage()->CreateContextMenu(2), nullptr);

    // Esc abandons an editor.
    rig.Type(rig.List(), 0, "99");
    rig.List().CancelEdit();
    EXPECT_EQ(rig.List().Text(0, 5), "12.5");

    // 还原本条目 puts the old text back (a double point as its text).
    std::unique_ptr<QMenu> menu(rig.sheet->DbPage()->CreateContextMenu(1));
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
    ASSERT_TRUE(menu->actions()[1]->isEnabled());
    menu->actions()[1]->trigger();
    EXPECT_EQ(rig.List().Text(1, 5), "合");
    EXPECT_EQ(pending.Count(), 1);
}

TEST(DbSheet, ManualSettingSendsPendingAndMarksAnswers) {
    DbRig rig;
    rig.Type(rig.List(), 0, "12.5");
    ASSERT_TRUE(rig.List().CommitEdit());
    rig.List().ClickCell(1, 5);
    rig.List().ChoiceBox()->setCurrentIndex(1);
    rig.List().CommitEdit();
    rig.sheet->DbPage()->Button("manualSet")->click();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    Bytes expected = {20, 2, 5, 0, 1, 1, 1, 7, 4, 1};
    float v = 12.5f;
    std::uint8_t fb[4];
    std::memcpy(fb, &v, 4);
    expected.insert(expected.end(), fb, fb + 4);
    for (std::uint8_t b : Bytes{5, 0, 2, 1, 1, 18, 1, 1, 2})
        expected.push_back(b);
    EXPECT_EQ(rig.Bodies()[0], expected);
    EXPECT_EQ(rig.Frames()[0][26], 0); // board 1 less one
    EXPECT_TRUE(rig.Frame().TimerActive(kTimerDbSet));
    EXPECT_FALSE(rig.sheet->DbPage()->Button("manualSet")->isEnabled());
    EXPECT_EQ(rig.app->Link()->ManualWaitKey(), 5);

    // The unit accepts the first and refuses the second.
    rig.Unit({20, 2, 5, 0, 1, 1, 1, 1, 5, 0, 2, 1, 1, 0});
    EXPECT_FALSE(rig.Frame().TimerActive(kTimerDbSet));
    EXPECT_EQ(rig.List().Text(0, 6), "√");
    EXPECT_EQ(rig.app->Data().m_entries[0].m_manualSet, 1);
    EXPECT_EQ(rig.List().Text(1, 6), "×");
    EXPECT_EQ(rig.List().RowColour(1), CValueGrid::kChanged);
    EXPECT_EQ(rig.sheet->DbPage()->Pending().Count(), 1);
    EXPECT_TRUE(rig.sheet->DbPage()->Button("manualSet")->isEnabled());
    EXPECT_EQ(rig.app->Link()->ManualSettingFlags(), 0);

    // Cancelling the set entry clears its mark.
    rig.transport->sent.clear();
    std::unique_ptr<QMenu> menu(rig.sheet->DbPage()->CreateContextMenu(0));
    ASSERT_TRUE(menu->actions()[0]->isEnabled());
    menu->actions()[0]->trigger();
    EXPECT_EQ(rig.Bodies().at(0), (Bytes{21, 1, 5, 0, 1, 1, 1}));
    EXPECT_TRUE(rig.Frame().TimerActive(kTimerDbCancel));
    rig.Unit({21, 1, 5, 0, 1, 1, 1, 1});
    EXPECT_EQ(rig.List().Text(0, 6), "");
    EXPECT_EQ(rig.app->Data().m_entries[0].m_manualSet, 0);
}

TEST(DbSheet, ManualSettingRefusesAValueItsFieldCannotHold) {
    DbRig rig;
    // A two-byte measurand with quality bits holds no 10000: the grid refuses it as typed.
    rig.app->Data().m_entries[0].m_dataType = 12;
    rig.app->Data().m_entries[0].m_dataSize = 2;
    rig.Type(rig.List(), 0, "10000");
    EXPECT_FALSE(rig.List().CommitEdit());
    EXPECT_EQ(rig.prompts.LastText(), "输入数值越限!");
    rig.List().CancelEdit();
    // Typed while the type was not known yet, the manual setting refuses it.
    rig.app->Data().m_entries[0].m_dataType = 0;
    rig.Type(rig.List(), 0, "10000");
    ASSERT_TRUE(rig.List().CommitEdit());
    rig.app->Data().m_entries[0].m_dataType = 12;
    rig.sheet->DbPage()->Button("manualSet")->click();
    EXPECT_EQ(rig.prompts.LastText(), "条目 Ua 输入数值越限!\n人工置数失败!");
    EXPECT_TRUE(rig.Bodies().empty());
    EXPECT_EQ(rig.List().Text(0, 6), "");
    EXPECT_FALSE(rig.Frame().TimerActive(kTimerDbSet));
    EXPECT_TRUE(rig.sheet->DbPage()->Button("manualSet")->isEnabled());
    EXPECT_EQ(rig.sheet->DbPage()->Pending().Count(), 1);

    // Within its range the value goes out shifted over the quality bits.
    rig.Type(rig.List(), 0, "1000");
    ASSERT_TRUE(rig.List().CommitEdit());
    rig.sheet->DbPage()->Button("manualSet")->click();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{20, 1, 5, 0, 1, 1, 1, 12, 2, 1, 0x40, 0x1F}));
}

// What the grid accepts goes out as bytes the page shows as typed: type 3 is the unsigned number
// its texts show, a float keeps the decimals typed, and what either cannot hold is refused as typed.
TEST(DbSheet, TypedValuesGoOutAsTheyAreShown) {
    DbRig rig;
    CDbEntry& entry = rig.app->Data().m_entries[0];
    struct Case {
        std::uint8_t type, size, number;
        const char* text;
        const char* refusal; // nullptr: accepted
        Bytes sent;
    };
    const Case cases[] = {
        {3, 2, 1, "65535", nullptr, {0xFF, 0xFF}},
        {3, 2, 1, "-1", "输入数值越限!", {}},
        {3, 4, 1, "70000", "输入数值越限!", {}},
        {3, 1, 2, "256", "输入数值越限!", {}},
        {3, 1, 2, "255", nullptr, {0xFF, 0x00}},
        {202, 4, 1, "12345678", "输入数值越限!", {}},
        {202, 4, 1, "012345", nullptr, {0x45, 0x23, 0x01, 0x00}},
        {12, 4, 1, "-1", nullptr, {0xF8, 0xFF, 0xFF, 0xFF}},
        {7, 4, 1, "16777217", "输入数值超出浮点数的精度!", {}},
        {7, 4, 1, "1.2345678", "输入数值超出浮点数的精度!", {}},
        {7, 4, 1, "0.1", nullptr, {0xCD, 0xCC, 0xCC, 0x3D}},
    };
    for (const Case& c : cases) {
        rig.prompts.Clear();
        rig.transport->sent.clear();
        entry.m_dataType = c.type;
        entry.m_dataSize = c.size;
        entry.m_number = c.number;
        rig.Type(rig.List(), 0, c.text);
        if (c.refusal) {
            EXPECT_FALSE(rig.List().CommitEdit()) << c.text;
            EXPECT_EQ(rig.prompts.LastText(), c.refusal) << c.text;
            rig.List().CancelEdit();
            continue;
        }
        ASSERT_TRUE(rig.List().CommitEdit()) << c.text;
        rig.sheet->DbPage()->Button("manualSet")->click();
        ASSERT_EQ(rig.Bodies().size(), 1u) << c.text;
        const Bytes body = rig.Bodies()[0];
        ASSERT_GE(body.size(), 10u);
        const Bytes value(body.begin() + 10, body.end());
        EXPECT_EQ(value, c.sent) << c.text;
        std::string shown;
        ASSERT_TRUE(ActualValueText(c.type, c.size, value.data(), value.size(), shown, true)) << c.text;
        EXPECT_EQ(CValueCodec::Normalise(TrimNumber(shown)), CValueCodec::Normalise(c.text)) << shown;
        rig.Unit({20, 1, 5, 0, 1, 1, 1, 1});
        EXPECT_TRUE(rig.sheet->DbPage()->Pending().IsEmpty()) << c.text;
    }

    // A float that shows more decimals than were typed is sent only when the user agrees to what
    // will be shown.
    entry.m_dataType = 7;
    entry.m_dataSize = 4;
    entry.m_number = 1;
    rig.prompts.Clear();
    rig.prompts.Script({platform::Answer::No});
    rig.Type(rig.List(), 0, "123.456");
    EXPECT_FALSE(rig.List().CommitEdit());
    EXPECT_EQ(rig.prompts.LastText(), "该数值将以123.456001发送,是否继续?");
    EXPECT_TRUE(rig.sheet->DbPage()->Pending().IsEmpty());
    rig.prompts.Script({platform::Answer::Yes});
    EXPECT_TRUE(rig.List().CommitEdit());
    EXPECT_EQ(rig.sheet->DbPage()->Pending().Count(), 1);
    rig.transport->sent.clear();
    rig.sheet->DbPage()->Button("manualSet")->click();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    const float sent = 123.456f;
    Bytes expected(4);
    std::memcpy(expected.data(), &sent, 4);
    const Bytes body = rig.Bodies()[0];
    ASSERT_GE(body.size(), 10u);
    EXPECT_EQ(Bytes(body.begin() + 10, body.end()), expected);
}

TEST(DbSheet, NothingPendingAndTimeout) {
    DbRig rig;
    rig.sheet->DbPage()->ManualSet();
    EXPECT_EQ(rig.prompts.LastText(), "当前无置数");
    EXPECT_TRUE(rig.Bodies().empty());
    rig.Type(rig.List(), 0, "2");
    rig.List().CommitEdit();
    rig.sheet->DbPage()->ManualSet();
    rig.Frame().OnTimer(kTimerDbSet);
    EXPECT_EQ(rig.prompts.LastText(), "装置人工置数等待返回超时\n人工置数失败!");
    EXPECT_EQ(rig.List().Text(0, 6), "×");
    EXPECT_TRUE(rig.sheet->DbPage()->Button("cancelSet")->isEnabled());
    EXPECT_EQ(rig.sheet->DbPage()->Pending().Count(), 1);
}

TEST(DbSheet, RightsAreAskedOfOtherUsers) {
    DbRig rig;
    rig.app->SetUserName("张三");
    std::vector<std::uint32_t> asked;
    rig.app->m_rightsCheck = [&](std::uint32_t r) {
        asked.push_back(r);
        return false;
    };
    CDbListCtrl& list = *rig.app->DbSheetList()[0]->DbPage()->List();
    list.ClickCell(0, 5);
    list.EditBox()->setText("3");
    list.CommitEdit();
    rig.app->DbSheetList()[0]->DbPage()->ManualSet();
    rig.app->DbSheetList()[0]->ValPage()->Download();
    EXPECT_EQ(asked, (std::vector<std::uint32_t>{0x10, 0x08}));
    EXPECT_TRUE(rig.Bodies().empty());
}

TEST(DbSheet, ClosingSendsCancelAndStopAndForgetsEntries) {
    DbRig rig;
    rig.app->Link()->SetGroupReadState(5, CDeviceLink::kReadValues);
    ASSERT_EQ(rig.app->Data().m_groupQueues.count(5), 1u);
    rig.sheet->DbPage()->Button("exit")->click();
    ASSERT_EQ(rig.Bodies().size(), 2u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{23, 5, 0}));
    EXPECT_EQ(rig.Frames()[0][26], 0);
    EXPECT_EQ(rig.Bodies()[1], (Bytes{21, 0x81, 10, 0, 254, 245, 0, 0}));
    EXPECT_TRUE(rig.app->DbSheetList().empty());
    EXPECT_TRUE(rig.app->Data().m_entries.empty());
    EXPECT_EQ(rig.app->Data().m_groupQueues.count(5), 0u);
    EXPECT_EQ(rig.app->Link()->GroupReadState(5), CDeviceLink::kReadIdle);
}

TEST(ValPage, ReadsGroupsAndDownloadsWithEchoCheck) {
    DbRig rig;
    CValPage& page = *rig.sheet->ValPage();
    EXPECT_FALSE(page.Button("call")->isEnabled());
    page.GroupCombo()->setCurrentIndex(1);
    ASSERT_TRUE(page.Button("call")->isEnabled());
    page.Button("call")->click();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{21, 0x81, 42, 0, 254, 241, 0, 1, 4, 0, 1}));
    EXPECT_EQ(rig.app->Link()->GroupReadState(rig.sheet->DeviceAddress()), CDeviceLink::kReadValues);

    // The strap takes only 0 and 1; the same value changes nothing.
    CValListCtrl& list = *page.List();
    rig.Type(list, 1, "2");
    EXPECT_FALSE(list.CommitEdit());
    EXPECT_EQ(rig.prompts.LastText(), "输入数值越限!");
    list.EditBox()->setText("0");
    EXPECT_TRUE(list.CommitEdit());
    EXPECT_TRUE(page.Pending().IsEmpty());
    rig.Type(list, 0, "11");
    ASSERT_TRUE(list.CommitEdit());
    ASSERT_EQ(page.Pending().Count(), 1);

    rig.transport->sent.clear();
    page.Download();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    const Bytes written = rig.Bodies()[0];
    EXPECT_EQ(written.size(), 8u + 6u + 4u);
    EXPECT_EQ((Bytes(written.begin(), written.begin() + 14)),
              (Bytes{10, 0x81, 40, 0, 254, 249, 0, 1, 4, 1, 1, 7, 4, 1}));
    EXPECT_TRUE(rig.Frame().TimerActive(kTimerSettings));
    EXPECT_FALSE(page.Button("download")->isEnabled());
    EXPECT_TRUE(page.CompareEcho({{MakeKey(4, 1), 7, 4, 1, 11.0f}}));
    EXPECT_FALSE(page.CompareEcho({{MakeKey(4, 1), 7, 4, 1, 11.5f}}));
    EXPECT_FALSE(page.CompareEcho({{MakeKey(4, 2), 7, 4, 1, 11.0f}}));
    EXPECT_TRUE(page.CompareEcho({}));

    rig.Frame().OnTimer(kTimerSettings);
    EXPECT_EQ(rig.prompts.LastText(), "下装定值等待返回超时\n定值下装失败!");
    EXPECT_EQ(list.Text(0, 5), "10");
    EXPECT_TRUE(page.Pending().IsEmpty());
    EXPECT_TRUE(page.Button("download")->isEnabled());
}

TEST(ValPage, SuccessClearsPending) {
    DbRig rig;
    CValPage& page = *rig.sheet->ValPage();
    rig.Type(*page.List(), 0, "12");
    page.List()->CommitEdit();
    page.Download();
    page.DownloadSucceeded();
    // The box comes once the answer has been handled, after the page is done.
    EXPECT_TRUE(page.Pending().IsEmpty());
    EXPECT_EQ(rig.prompts.Count(), 0u);
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.prompts.LastText(), "定值下装成功!");
    EXPECT_EQ(page.List()->Text(0, 5), "12");
    page.Download();
    EXPECT_EQ(rig.prompts.LastText(), "当前无准备下装的定值");
}

namespace {

struct TabRig : AppRig {
    explicit TabRig(std::uint8_t kind, const char* start = "0") {
        AddBoards(kind);
        Connect();
        OnDialog([start](QDialog& d) {
            auto& dlg = dynamic_cast<CTabSelDlg&>(d);
            dlg.m_startEdit->setText(start);
            dlg.accept();
            return dlg.result();
        });
        app->OnRefTable();
        sheet = app->TabSheetList().at(0).get();
        for (std::uint16_t address : {5, 7}) {
            CTabEntry e;
            e.m_boardNumber = 1;
            e.m_portType = 0;
            e.m_portNumber = 1;
            e.m_tableNumber = 2;
            e.m_address = address;
            e.m_key = MakeKey(1, 1);
            e.m_name = "点";
            e.m_value = "1";
            e.m_dataType = 3;
            e.m_dataSize = 2;
            e.m_number = 1;
            app->Data().m_tabEntries.push_back(e);
        }
        sheet->FillList();
        transport->sent.clear();
    }
    CDisTabSheet* sheet = nullptr;
};

} // namespace

TEST(TabSheet, OpensWithContentsRequestAndCaptions) {
    TabRig rig(1, "50");
    EXPECT_EQ(rig.sheet->windowTitle(), QString("板卡1串口1表A监视："));
    CDbListCtrl& list = *rig.sheet->TabPage()->List();
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.Text(0, 0), "表A 50");
    EXPECT_EQ(list.Text(1, 0), "表A 51");
    EXPECT_EQ(list.Text(1, 2), "7");
    rig.app->OnRefTable();
    EXPECT_EQ(rig.prompts.LastText(), "板卡1串口1表A监控信息已被打开");
}

TEST(TabSheet, ReadOnlyKindsOfferNoEditor) {
    TabRig rig(4);
    CDbListCtrl& list = *rig.sheet->TabPage()->List();
    list.ClickCell(0, 5);
    EXPECT_EQ(list.EditBox(), nullptr);
    EXPECT_EQ(rig.sheet->TabPage()->CreateContextMenu(0), nullptr);
}

TEST(TabSheet, SettingAnEntryMarksTheRealTimePageToo) {
    TabRig rig(1);
    // A real-time sheet of device 7 shows the same entry.
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CDbSelDlg&>(d);
        dlg.m_deviceCombo->setCurrentIndex(2);
        emit dlg.m_deviceCombo->activated(2);
        dlg.accept();
        return int(QDialog::Accepted);
    });
    rig.app->OnRealTimeDb();
    CDisDBSheet* db = rig.app->DbSheetList().at(0).get();
    db->AddDbGroup(1, "遥测");
    CDbEntry e;
    e.m_address = 7;
    e.m_key = MakeKey(1, 1);
    e.m_name = "点";
    e.m_value = "1";
    rig.app->Data().m_entries.push_back(e);
    db->FillLists();
    rig.transport->sent.clear();

    CDbListCtrl& list = *rig.sheet->TabPage()->List();
    list.ClickCell(1, 5);
    list.EditBox()->setText("300");
    ASSERT_TRUE(list.CommitEdit());
    rig.sheet->TabPage()->ManualSet();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{20, 1, 7, 0, 1, 1, 1, 3, 2, 1, 0x2C, 0x01}));
    EXPECT_TRUE(rig.Frame().TimerActive(kTimerTabSet));
    EXPECT_EQ(rig.app->Link()->ManualSettingFlags(), CDeviceLink::kTabSetting);
    const Bytes answer = {20, 1, 7, 0, 1, 1, 1, 1};
    const Bytes f = qtest::UnitFrame(1, answer);
    rig.app->Link()->AppendData(f.data(), f.size());
    EXPECT_EQ(list.Text(1, 6), "√");
    EXPECT_EQ(db->DbPage()->List()->Text(0, 6), "√");
    EXPECT_EQ(rig.app->Data().m_entries.back().m_manualSet, 1);

    // Closing the table sends request 24 and then the stop.
    rig.transport->sent.clear();
    rig.sheet->CloseMonitor();
    ASSERT_EQ(rig.Bodies().size(), 2u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{24, 0, 0, 2}));
    EXPECT_EQ(rig.Bodies()[1], (Bytes{12, 2, 1, 1, 0, 0, 2, 0, 0, 100, 0}));
    EXPECT_TRUE(rig.app->TabSheetList().empty());
    EXPECT_TRUE(rig.app->Data().m_tabEntries.empty());
}

TEST(TabSheet, CancelTimeoutLeavesTheOtherWaitRunning) {
    TabRig rig(1);
    rig.sheet->TabPage()->CancelSettings();
    EXPECT_EQ(rig.Bodies().at(0), (Bytes{24, 0, 0, 2}));
    EXPECT_TRUE(rig.Frame().TimerActive(kTimerTabCancel));
    rig.Frame().StartTimer(kTimerDbSet, 5000);
    rig.Frame().OnTimer(kTimerTabCancel);
    EXPECT_EQ(rig.prompts.LastText(), "引用表取消置数等待返回超时\n取消置数失败!");
    EXPECT_TRUE(rig.Frame().TimerActive(kTimerDbSet));
    EXPECT_TRUE(rig.sheet->TabPage()->Button("manualSet")->isEnabled());
}

TEST(DbSheet, TextsThatAreNoWholeNumberOfTheFieldAreRefusedAndTheOldValueStays) {
    DbRig rig;
    // Row 0 is a float (type 7); row 2 of the tab page an integer entry is made below.
    for (const char* text : {"", "-", ".", "1.2.3"}) {
        rig.prompts.Clear();
        rig.Type(rig.List(), 0, text);
        EXPECT_FALSE(rig.List().CommitEdit()) << text;
        EXPECT_EQ(rig.prompts.LastText(), "输入数值无效!") << text;
        rig.List().CancelEdit();
        EXPECT_EQ(rig.List().Text(0, 5), "1.5") << text;
    }
    EXPECT_TRUE(rig.sheet->DbPage()->Pending().IsEmpty());
    // An integer entry takes no fraction.
    rig.app->Data().m_entries[0].m_dataType = 3;
    rig.Type(rig.List(), 0, "2.5");
    EXPECT_FALSE(rig.List().CommitEdit());
    EXPECT_EQ(rig.prompts.LastText(), "输入数值无效!\n该条目只能输入整数");
    rig.List().EditBox()->setText("2");
    EXPECT_TRUE(rig.List().CommitEdit());
    ASSERT_EQ(rig.sheet->DbPage()->Pending().Count(), 1);
    EXPECT_EQ(rig.sheet->DbPage()->Pending().Items()[0].m_newValue, 2.0f);
    // A double point typed as a number takes only 0 and 1.
    rig.app->Data().m_entries[0].m_dataType = 18;
    rig.Type(rig.List(), 0, "2");
    EXPECT_FALSE(rig.List().CommitEdit());
    EXPECT_EQ(rig.prompts.LastText(), "输入数值越限!");
    rig.List().EditBox()->setText("1");
    EXPECT_TRUE(rig.List().CommitEdit());
}

TEST(ValPage, IntegerSettingsAreRefusedWithAFractionAndTheEchoIsComparedAsSent) {
    DbRig rig;
    CValPage& page = *rig.sheet->ValPage();
    CValListCtrl& list = *page.List();
    CDbEntry& setting = rig.app->Data().m_entries[3]; // 过流定值, row 0
    setting.m_dataType = 3;
    setting.m_dataSize = 2;
    rig.Type(list, 0, "45.5");
    EXPECT_FALSE(list.CommitEdit());
    EXPECT_EQ(rig.prompts.LastText(), "输入数值无效!\n该条目只能输入整数");
    list.CancelEdit();
    EXPECT_EQ(list.Text(0, 5), "10");

    // Typed while the type was not known yet: the download refuses it instead of sending 45.
    setting.m_dataType = 0;
    rig.Type(list, 0, "45.5");
    ASSERT_TRUE(list.CommitEdit());
    setting.m_dataType = 3;
    page.Download();
    EXPECT_EQ(rig.prompts.LastText(), "条目 过流定值 只能输入整数\n定值未下装!");
    EXPECT_TRUE(rig.Bodies().empty());
    page.RestoreAll();

    // A whole value goes out, the device echoes it as an integer and the execution follows.
    rig.Type(list, 0, "45");
    ASSERT_TRUE(list.CommitEdit());
    page.Download();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0], (Bytes{10, 0x81, 40, 0, 254, 249, 0, 1, 4, 1, 1, 3, 2, 1, 45, 0}));
    rig.prompts.Clear();
    const Bytes echo = {10, 0x81, 44, 0, 254, 249, 0, 1, 4, 1, 1, 3, 2, 1, 45, 0};
    const Bytes f = qtest::UnitFrame(0, echo, 0, 5);
    rig.app->Link()->AppendData(f.data(), f.size());
    QCoreApplication::processEvents();
    EXPECT_TRUE(rig.prompts.Texts().empty());
    EXPECT_EQ(rig.Bodies().back(), (Bytes{10, 0x81, 40, 0, 254, 250, 0, 0x40}));
}

TEST(ValPage, ADoublePointSettingOtherThanZeroOrOneIsNotSentAsAZeroByte) {
    DbRig rig;
    CValPage& page = *rig.sheet->ValPage();
    CValListCtrl& list = *page.List();
    CDbEntry& setting = rig.app->Data().m_entries[3]; // a 定值 row, not named 软压板
    setting.m_dataType = 9;
    setting.m_dataSize = 1;
    rig.Type(list, 0, "2");
    EXPECT_FALSE(list.CommitEdit());
    EXPECT_EQ(rig.prompts.LastText(), "输入数值越限!");
    list.CancelEdit();
    // Typed before the type was known: refused at the download.
    setting.m_dataType = 0;
    rig.Type(list, 0, "2");
    ASSERT_TRUE(list.CommitEdit());
    setting.m_dataType = 19;
    page.Download();
    EXPECT_EQ(rig.prompts.LastText(), "条目 过流定值 只能为0或1\n定值未下装!");
    EXPECT_TRUE(rig.Bodies().empty());
}

TEST(ValPage, FramesAreHandledWhileTheSuccessBoxIsOpenAndClosingTheSheetThenIsSafe) {
    DbRig rig;
    CValPage& page = *rig.sheet->ValPage();
    rig.Type(*page.List(), 0, "11");
    ASSERT_TRUE(page.List()->CommitEdit());
    page.Download();
    const Bytes echo = {10, 0x81, 44, 0, 254, 249, 0, 1, 4, 1, 1, 7, 4, 1, 0, 0, 0x30, 0x41};
    const Bytes f = qtest::UnitFrame(0, echo, 0, 5);
    rig.app->Link()->AppendData(f.data(), f.size());

    int frames = 0;
    bool sawValues = false;
    HeldPrompt held([&] {
        // While the box is up the unit keeps sending: general interrogation values and heartbeats,
        // for longer than the link's supervision allows without a frame.
        for (int i = 0; i < 40; ++i) {
            const Bytes gi = {10, 0x81, 9, 0, 254, 245, 0, 1, 1, 1, 1, 7, 4, 1, 0, 0, 0x40, 0x40};
            const Bytes g = qtest::UnitFrame(0, gi, 0, 5);
            rig.app->Link()->AppendData(g.data(), g.size());
            QCoreApplication::processEvents();
            ++frames;
        }
        sawValues = rig.List().Text(0, 5) == "3.000000";
        EXPECT_TRUE(rig.Frame().TimerActive(kTimerSupervision));
        // The user closes the sheet while the box is still open.
        rig.sheet->CloseMonitor();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    const Bytes done = {10, 0x81, 40, 0, 254, 250, 0, 0};
    const Bytes d = qtest::UnitFrame(0, done, 0, 5);
    rig.app->Link()->AppendData(d.data(), d.size());
    // Nothing is shown inside the receive path; the box comes with the next turn of the loop.
    EXPECT_TRUE(held.texts.empty());
    EXPECT_TRUE(page.Pending().IsEmpty());
    QCoreApplication::processEvents();
    ASSERT_EQ(held.texts, std::vector<std::string>{"定值下装成功!"});
    EXPECT_EQ(frames, 40);
    EXPECT_TRUE(sawValues);
    EXPECT_TRUE(rig.app->IsConnected());
    EXPECT_EQ(rig.transport->closes, 0);
    EXPECT_TRUE(rig.app->DbSheetList().empty());
}

TEST(ValPage, TheTimeoutEndsTheDownloadBeforeItsBoxAndTheSheetMayCloseMeanwhile) {
    DbRig rig;
    CValPage& page = *rig.sheet->ValPage();
    rig.Type(*page.List(), 0, "11");
    ASSERT_TRUE(page.List()->CommitEdit());
    page.Download();
    bool endedFirst = false;
    HeldPrompt held([&] {
        endedFirst = page.Pending().IsEmpty() && page.Button("download")->isEnabled() &&
                     rig.app->Link()->SettingsWaitKey() == 0;
        rig.sheet->CloseMonitor();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    rig.Frame().OnTimer(kTimerSettings);
    EXPECT_EQ(held.texts, std::vector<std::string>{"下装定值等待返回超时\n定值下装失败!"});
    EXPECT_TRUE(endedFirst);
    EXPECT_TRUE(rig.app->DbSheetList().empty());
}

namespace {

// A real-time sheet with 64 measurands of device 5 (rows 0 to 63) and 63 of them typed: the 64th
// value typed brings up the full-list box when the next click commits it.
struct FullRig : DbRig {
    FullRig() {
        auto& entries = app->Data().m_entries;
        entries.clear();
        for (int i = 1; i <= 64; ++i)
            entries.push_back(Entry(1, static_cast<std::uint8_t>(i), "U", "1", 7, 4));
        sheet->FillLists();
        for (int row = 0; row < 64; ++row)
            Type(List(), row, "2");
    }
};

} // namespace

TEST(DbSheet, AClickWhoseCommitBringsUpABoxOpensTheEditorOnTheClickedEntryAfterARefill) {
    FullRig rig;
    const std::uint16_t clicked = rig.List().RowKey(10);
    HeldPrompt held([&] {
        // While the box is up the device's structure is read again: one entry fewer in front.
        auto& entries = rig.app->Data().m_entries;
        entries.erase(entries.begin());
        rig.sheet->FillLists();
    });
    rig.List().ClickCell(10, 5);
    ASSERT_EQ(held.texts, std::vector<std::string>{"输入个数不可超过63"});
    ASSERT_NE(rig.List().EditBox(), nullptr);
    EXPECT_EQ(rig.List().cellWidget(9, 5), rig.List().EditBox());
    EXPECT_EQ(rig.List().RowKey(9), clicked);
}

TEST(DbSheet, TheSheetMayGoWhileTheBoxOfAClickIsUp) {
    FullRig rig;
    QPointer<CDbListCtrl> list(&rig.List());
    HeldPrompt held([&] {
        rig.sheet->CloseMonitor();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    list->ClickCell(10, 5);
    EXPECT_EQ(held.texts, std::vector<std::string>{"输入个数不可超过63"});
    EXPECT_TRUE(list.isNull());
    EXPECT_TRUE(rig.app->DbSheetList().empty());
}

TEST(DbSheet, AMenuActionFindsItsEntryAgainAfterTheRowsWereFilledAnew) {
    DbRig rig;
    rig.Type(rig.List(), 0, "7");
    ASSERT_TRUE(rig.List().CommitEdit());
    std::unique_ptr<QMenu> menu(rig.sheet->DbPage()->CreateContextMenu(0));
    ASSERT_NE(menu, nullptr);
    // Frames handled while the menu is open put another entry in front of Ua.
    auto& entries = rig.app->Data().m_entries;
    entries.insert(entries.begin(), Entry(1, 9, "Ub", "4", 7, 4));
    rig.sheet->FillLists();
    rig.List().SetText(1, 5, "7");
    menu->actions()[1]->trigger(); // 还原本条目
    EXPECT_EQ(rig.List().Text(0, 1), "Ub");
    EXPECT_EQ(rig.List().Text(0, 5), "4");
    EXPECT_EQ(rig.List().Text(1, 5), "1.5");
    EXPECT_TRUE(rig.sheet->DbPage()->Pending().IsEmpty());
}

namespace {

// The value at the end of a request body, of n bytes (a float for 4, a little-endian integer else).
double LastValue(const Bytes& body, std::size_t n) {
    if (body.size() < n)
        return -1;
    if (n == 4) {
        float v = 0;
        std::memcpy(&v, body.data() + body.size() - 4, 4);
        return v;
    }
    unsigned v = 0;
    for (std::size_t i = 0; i < n; ++i)
        v |= unsigned(body[body.size() - n + i]) << (8 * i);
    return v;
}

} // namespace

// The late answer of a first read fills the sheet again while a value is being typed: the editor
// leaves before the rows and comes back on its entry with what was typed; a committed value stays
// on its entry's row (not on the row of its old index) and 人工置数 sends what the row shows.
TEST(DbSheet, AnEditorOpenWhileTheSheetIsFilledAgainStaysOnItsEntryAndTheRowShowsWhatIsSent) {
    DbRig rig;
    rig.Type(rig.List(), 0, "55");
    auto& entries = rig.app->Data().m_entries;
    entries.insert(entries.begin(), Entry(1, 9, "Ub", "4", 7, 4));
    rig.sheet->FillLists();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    rig.List().ClickCell(2, 1); // the next click commits it
    ASSERT_EQ(rig.List().Text(1, 1), "Ua");
    EXPECT_EQ(rig.List().EditBox(), nullptr);
    EXPECT_EQ(rig.List().Text(1, 5), "55");
    ASSERT_EQ(rig.sheet->DbPage()->Pending().Count(), 1);
    EXPECT_EQ(rig.sheet->DbPage()->Pending().Items()[0].m_key, MakeKey(1, 1));

    // The device's value comes with the next fill; the row keeps the value that will be sent.
    entries[1].m_value = "100";
    rig.sheet->FillLists();
    EXPECT_EQ(rig.List().Text(0, 5), "4");
    EXPECT_NE(rig.List().RowColour(0), CValueGrid::kChanged);
    EXPECT_EQ(rig.List().Text(1, 5), "55");
    EXPECT_EQ(rig.List().RowColour(1), CValueGrid::kChanged);
    rig.sheet->DbPage()->Button("manualSet")->click();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0][1], 1);
    EXPECT_EQ(LastValue(rig.Bodies()[0], 4), platform::AtoF(rig.List().Text(1, 5)));
    EXPECT_TRUE(rig.prompts.Texts().empty());
}

TEST(DbSheet, AChoiceOpenWhileTheSheetIsFilledAgainKeepsWhatWasChosenAndALostEntryIsTold) {
    DbRig rig;
    rig.List().ClickCell(1, 5);
    ASSERT_NE(rig.List().ChoiceBox(), nullptr);
    rig.List().ChoiceBox()->setCurrentIndex(0); // 分, not taken yet
    auto& entries = rig.app->Data().m_entries;
    entries.insert(entries.begin(), Entry(1, 9, "Ub", "4", 7, 4));
    rig.sheet->FillLists();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    rig.List().ClickCell(0, 1);
    EXPECT_EQ(rig.List().ChoiceBox(), nullptr);
    ASSERT_EQ(rig.sheet->DbPage()->Pending().Count(), 1);
    EXPECT_EQ(rig.sheet->DbPage()->Pending().Items()[0].m_newValue, 0);
    EXPECT_EQ(rig.List().Text(2, 5), "分");

    // An editor whose entry is gone from the new rows closes, and the user learns that what was
    // typed there is not kept; the chosen 分 stays on its entry.
    rig.Type(rig.List(), 1, "7");
    entries.erase(entries.begin() + 1); // Ua
    rig.sheet->FillLists();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(rig.List().EditBox(), nullptr);
    EXPECT_EQ(rig.List().cellWidget(1, 5), nullptr);
    EXPECT_EQ(rig.List().Text(1, 5), "分");
    EXPECT_EQ(rig.List().RowColour(1), CValueGrid::kChanged);
    rig.List().ClickCell(0, 5);
    rig.List().CancelEdit();
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{"条目 Ua 已不在列表中，输入的值未保留。"});
}

// On the 保护 page an answer of the device does not hide a typed setting, an editor survives the
// fill of the sheet, and 下装 writes what the rows show.
TEST(ValPage, ATypedSettingStaysShownAcrossAnswersAndFillsAndIsWhatTheDownloadWrites) {
    DbRig rig;
    CValPage& page = *rig.sheet->ValPage();
    CValListCtrl& list = *page.List();
    rig.Type(list, 0, "45");
    ASSERT_TRUE(list.CommitEdit());
    CDbEntry answer = rig.app->Data().m_entries[3];
    answer.m_value = "30";
    rig.sheet->ShowSettingValue(answer);
    EXPECT_EQ(list.Text(0, 5), "45");
    EXPECT_EQ(list.RowColour(0), CValueGrid::kChanged);

    rig.Type(list, 1, "1");
    rig.app->Data().m_entries[3].m_value = "30";
    rig.sheet->FillLists();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(list.CommitEdit());
    EXPECT_EQ(list.Text(0, 5), "45");
    EXPECT_EQ(list.Text(1, 5), "1");
    EXPECT_EQ(page.Pending().Count(), 2);

    page.Download();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    const Bytes body = rig.Bodies()[0];
    ASSERT_EQ(body.size(), 8u + 10u + 7u);
    EXPECT_EQ(body[7], 2);
    EXPECT_EQ(LastValue(Bytes(body.begin(), body.begin() + 18), 4), platform::AtoF(list.Text(0, 5)));
}

// A reference table is filled again on every answer of its contents: the editor and the typed
// values stay on their entries, told apart by address as well as key.
TEST(TabSheet, AnEditorAndTypedValuesStayOnTheirEntriesAcrossFills) {
    TabRig rig(1);
    CDbListCtrl& list = *rig.sheet->TabPage()->List();
    list.ClickCell(1, 5); // the entry of address 7
    ASSERT_NE(list.EditBox(), nullptr);
    list.EditBox()->setText("9");
    CTabEntry front = rig.app->Data().m_tabEntries[0];
    front.m_address = 6;
    auto& entries = rig.app->Data().m_tabEntries;
    entries.insert(entries.begin() + 1, front);
    rig.sheet->FillList();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(list.CommitEdit());
    ASSERT_EQ(list.Text(2, 2), "7");
    EXPECT_EQ(list.Text(2, 5), "9");
    rig.sheet->FillList();
    EXPECT_EQ(list.Text(1, 5), "1");
    EXPECT_NE(list.RowColour(1), CValueGrid::kChanged);
    EXPECT_EQ(list.Text(2, 5), "9");
    EXPECT_EQ(list.RowColour(2), CValueGrid::kChanged);
    rig.sheet->TabPage()->Button("manualSet")->click();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    EXPECT_EQ(rig.Bodies()[0][2], 7);
    EXPECT_EQ(LastValue(rig.Bodies()[0], 2), platform::AtoF(list.Text(2, 5)));
}

// A flood of live events keeps the page at its last rows and says how many left.
TEST(EvtPage, KeepsTheLastRowsAndSaysHowManyLeft) {
    DbRig rig;
    const int extra = 250;
    for (int i = 0; i < CCappedRows::kMaxRows + extra; ++i) {
        CEventRecord ev{"SOE", 5, 1, 1, "合", std::to_string(i)};
        rig.sheet->ShowEvent(ev);
    }
    auto* page = rig.sheet->Pages()->findChild<CEvtPage*>();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->List()->rowCount(), CCappedRows::kMaxRows);
    EXPECT_EQ(page->List()->item(0, 5)->text(), QString::number(extra));
    EXPECT_EQ(page->List()->item(CCappedRows::kMaxRows - 1, 5)->text(),
              QString::number(CCappedRows::kMaxRows + extra - 1));
    EXPECT_EQ(page->Rows().Dropped(), std::uint64_t(extra));
    EXPECT_FALSE(page->Rows().DroppedLine()->isHidden());
    EXPECT_EQ(page->Rows().DroppedLine()->text(), QString("……省略250条……"));
    std::unique_ptr<QMenu> menu(page->CreateContextMenu());
    menu->actions()[0]->trigger(); // 清除
    EXPECT_EQ(page->List()->rowCount(), 0);
    EXPECT_TRUE(page->Rows().DroppedLine()->isHidden());
}

// The unit drops the link while a command waits for its answer and the link is made again at
// once: the wait goes on across the new link and ends in its box, and the page takes commands
// again with the values not set still shown.
TEST(DbSheet, ADropWhileACommandWaitsEndsInItsTimeoutBox) {
    struct Case {
        const char* what;
        std::function<void(DbRig&)> start;
        int timer;
        const char* told;
    };
    const std::vector<Case> cases = {
        {"人工置数",
         [](DbRig& rig) {
             rig.Type(rig.List(), 0, "12");
             rig.List().CommitEdit();
             rig.sheet->DbPage()->Button("manualSet")->click();
         },
         kTimerDbSet, "装置人工置数等待返回超时\n人工置数失败!"},
        {"取消置数", [](DbRig& rig) { rig.sheet->DbPage()->Button("cancelSet")->click(); }, kTimerDbCancel,
         "装置取消置数等待返回超时\n取消置数失败!"},
        {"下装",
         [](DbRig& rig) {
             rig.Type(*rig.sheet->ValPage()->List(), 0, "11");
             rig.sheet->ValPage()->List()->CommitEdit();
             rig.sheet->ValPage()->Download();
         },
         kTimerSettings, "下装定值等待返回超时\n定值下装失败!"},
        {"取消全部人工置数",
         [](DbRig& rig) {
             rig.prompts.Script({platform::Answer::Yes});
             rig.app->OnCancelAllSettings();
         },
         kTimerCancelAll, "取消置数等待返回超时\n取消置数失败!"},
    };
    for (const Case& c : cases) {
        DbRig rig;
        c.start(rig);
        ASSERT_EQ(rig.Bodies().size(), 1u) << c.what;
        rig.Drop();
        ASSERT_TRUE(rig.app->IsConnected()) << c.what;
        ASSERT_TRUE(rig.Frame().TimerActive(c.timer)) << c.what;
        rig.prompts.Clear();
        rig.Frame().OnTimer(c.timer);
        EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{c.told}) << c.what;
        EXPECT_TRUE(rig.sheet->DbPage()->Button("manualSet")->isEnabled()) << c.what;
        EXPECT_TRUE(rig.sheet->ValPage()->Button("download")->isEnabled()) << c.what;
        EXPECT_EQ(rig.app->Link()->ManualSettingFlags(), 0) << c.what;
    }
    // The value not set stays shown on its row, marked.
    DbRig rig;
    cases[0].start(rig);
    rig.Drop();
    rig.Frame().OnTimer(kTimerDbSet);
    EXPECT_EQ(rig.List().Text(0, 5), "12");
    EXPECT_EQ(rig.List().Text(0, 6), "×");
}

// A table row's type text holds its position: a menu made before a refill that moved its entry
// down still finds the entry by address and key.
TEST(TabSheet, AMenuActionFindsItsEntryAfterARefillMovedIt) {
    TabRig rig(1);
    CDbListCtrl& list = *rig.sheet->TabPage()->List();
    list.ClickCell(1, 5);
    ASSERT_NE(list.EditBox(), nullptr);
    list.EditBox()->setText("9");
    ASSERT_TRUE(list.CommitEdit());
    std::unique_ptr<QMenu> menu(rig.sheet->TabPage()->CreateContextMenu(1));
    ASSERT_NE(menu, nullptr);
    auto& entries = rig.app->Data().m_tabEntries;
    CTabEntry front = entries[0];
    front.m_address = 6;
    entries.insert(entries.begin(), front);
    rig.sheet->FillList();
    ASSERT_EQ(list.Text(2, 2), "7");
    EXPECT_EQ(list.Text(2, 5), "9");
    menu->actions()[1]->trigger(); // 还原本条目
    EXPECT_EQ(list.Text(2, 5), "1");
    EXPECT_NE(list.RowColour(2), CValueGrid::kChanged);
    EXPECT_TRUE(rig.sheet->TabPage()->Pending().IsEmpty());
}

// A command that sends the values of a page takes what an open editor holds first: what goes out
// is what the row shows afterwards, and a text that cannot be taken stops the command.
TEST(DbSheet, ACommandTakesTheOpenEditorBeforeItReadsTheRows) {
    {
        DbRig rig;
        rig.Type(rig.List(), 0, "55"); // not committed
        rig.sheet->DbPage()->Button("manualSet")->click();
        ASSERT_EQ(rig.Bodies().size(), 1u);
        EXPECT_EQ(LastValue(rig.Bodies()[0], 4), 55);
        EXPECT_EQ(rig.List().EditBox(), nullptr);
        EXPECT_EQ(rig.List().Text(0, 5), "55");
        EXPECT_TRUE(rig.prompts.Texts().empty());
    }
    {
        DbRig rig;
        CValListCtrl& list = *rig.sheet->ValPage()->List();
        rig.Type(list, 0, "45");
        rig.sheet->ValPage()->Button("download")->click();
        ASSERT_EQ(rig.Bodies().size(), 1u);
        EXPECT_EQ(LastValue(rig.Bodies()[0], 4), 45);
        EXPECT_EQ(list.EditBox(), nullptr);
        EXPECT_EQ(list.Text(0, 5), "45");
    }
    {
        // 取消置数 leaves the typed value waiting on its row.
        DbRig rig;
        rig.Type(rig.List(), 0, "12");
        rig.sheet->DbPage()->Button("cancelSet")->click();
        ASSERT_EQ(rig.Bodies().size(), 1u);
        EXPECT_EQ(rig.List().EditBox(), nullptr);
        EXPECT_EQ(rig.List().Text(0, 5), "12");
        EXPECT_EQ(rig.List().RowColour(0), CValueGrid::kChanged);
        EXPECT_EQ(rig.sheet->DbPage()->Pending().Count(), 1);
    }
    {
        // The 保护 page's menu takes the editor too.
        DbRig rig;
        CValListCtrl& list = *rig.sheet->ValPage()->List();
        rig.Type(list, 0, "33");
        std::unique_ptr<QMenu> menu(rig.sheet->ValPage()->CreateContextMenu(0));
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->actions()[1]->isEnabled()); // 还原本条目
        EXPECT_EQ(list.Text(0, 5), "33");
        EXPECT_EQ(rig.sheet->ValPage()->Pending().Count(), 1);
    }
    {
        // A text that is no number is refused: nothing goes and the editor stays with it.
        DbRig rig;
        rig.Type(rig.List(), 0, "abc");
        rig.sheet->DbPage()->Button("manualSet")->click();
        EXPECT_TRUE(rig.Bodies().empty());
        EXPECT_EQ(rig.prompts.Texts().size(), 1u);
        ASSERT_NE(rig.List().EditBox(), nullptr);
        EXPECT_EQ(rig.List().EditBox()->text(), QString("abc"));
    }
}

// The sheet is filled again while the values sent wait for their answer: the rows show them as
// sent, not as values still to send; a value refused by the answer is marked again.
TEST(DbSheet, ValuesSentStayShownAsSentAcrossAFillUntilTheAnswer) {
    DbRig rig;
    rig.Type(rig.List(), 0, "12.5");
    ASSERT_TRUE(rig.List().CommitEdit());
    rig.sheet->DbPage()->Button("manualSet")->click();
    ASSERT_EQ(rig.Bodies().size(), 1u);
    rig.sheet->FillLists();
    EXPECT_EQ(rig.List().Text(0, 5), "12.5");
    EXPECT_NE(rig.List().RowColour(0), CValueGrid::kChanged);
    // A value typed again meanwhile is one to send.
    rig.Type(rig.List(), 0, "13");
    ASSERT_TRUE(rig.List().CommitEdit());
    rig.sheet->FillLists();
    EXPECT_EQ(rig.List().Text(0, 5), "13");
    EXPECT_EQ(rig.List().RowColour(0), CValueGrid::kChanged);
    rig.Unit({20, 1, 5, 0, 1, 1, 1, 0});
    EXPECT_EQ(rig.List().RowColour(0), CValueGrid::kChanged);
    EXPECT_EQ(rig.List().Text(0, 6), "×");
    rig.sheet->FillLists();
    EXPECT_EQ(rig.List().RowColour(0), CValueGrid::kChanged);
    EXPECT_EQ(rig.List().Text(0, 6), "×");

    // 下装 the same way.
    CValListCtrl& list = *rig.sheet->ValPage()->List();
    rig.Type(list, 0, "45");
    rig.sheet->ValPage()->Download();
    rig.sheet->FillLists();
    EXPECT_EQ(list.Text(0, 5), "45");
    EXPECT_NE(list.RowColour(0), CValueGrid::kChanged);
}

// The read of a sheet that cannot go, because the link is lost at the send, is told; the real-time
// sheet stops waiting for it.
TEST(Sheets, AReadThatCannotGoIsToldAndNotWaitedFor) {
    struct Case {
        const char* what;
        void (CQuorvexApp::*open)();
        const char* told;
    };
    for (const Case& c :
         {Case{"实时库", &CQuorvexApp::OnRealTimeDb, "通讯装置通讯中断，实时库读取请求未发送。"},
          Case{"引用表", &CQuorvexApp::OnRefTable, "通讯装置通讯中断，引用表读取请求未发送。"}}) {
        AppRig rig;
        rig.AddBoards();
        rig.Connect();
        rig.OnDialog([](QDialog& d) {
            d.accept();
            return int(QDialog::Accepted);
        });
        rig.transport->sendOk = false;
        (rig.app.get()->*c.open)();
        QCoreApplication::processEvents();
        EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{c.told}) << c.what;
        for (const auto& sheet : rig.app->DbSheetList())
            EXPECT_FALSE(sheet->ReadWaiting()) << c.what;
    }
}

// The page requests without a wait of their own are told when the link is down, and the buttons
// stay as they were.
TEST(DbSheet, PageRequestsThatCannotGoAreTold) {
    DbRig rig;
    // Up, the refresh buttons send and change over.
    rig.sheet->DbPage()->Button("stopRefresh")->click();
    rig.sheet->DbPage()->Button("startRefresh")->click();
    ASSERT_EQ(rig.Bodies().size(), 2u);
    const auto body = [](const CDeviceMessage& m) { return Bytes(m.GetBody(), m.GetBody() + m.GetLength()); };
    EXPECT_EQ(rig.Bodies()[0], body(requests::StopInterrogation(0, 5)));
    EXPECT_EQ(rig.Bodies()[1], body(requests::GeneralInterrogation(0, 5)));
    EXPECT_TRUE(rig.sheet->DbPage()->Button("stopRefresh")->isEnabled());
    rig.transport->sent.clear();
    rig.app->OnDisconnect();
    rig.prompts.Clear();
    rig.sheet->DbPage()->Button("stopRefresh")->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(rig.sheet->DbPage()->Button("stopRefresh")->isEnabled());
    EXPECT_FALSE(rig.sheet->DbPage()->Button("startRefresh")->isEnabled());
    CValPage& page = *rig.sheet->ValPage();
    page.GroupCombo()->setCurrentIndex(1);
    page.Button("call")->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.prompts.Texts(), (std::vector<std::string>{"通讯装置通讯中断，停止刷新请求未发送。",
                                                             "通讯装置通讯中断，召唤请求未发送。"}));
    EXPECT_TRUE(rig.Bodies().empty());
}
