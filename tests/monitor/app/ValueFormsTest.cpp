// The editable value lists: the settings download in two steps, the indication form's manual
// setting and telecontrol, and the reference-table form.
#include "AppTestRig.h"
#include "HeldPrompt.h"
#include "tests/support/Found.h"

#include "monitor/app/TransferProgressDlg.h"
#include "monitor/app/ValueForms.h"
#include "monitor/coreui/TelecontrolDlg.h"
#include "monitor/model/MonitorTexts.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QTableWidget>

using namespace marindle;
using namespace montest;
using apptest::AppRig;

namespace {
CGroupRecord* AddGroup(CDeviceRecord* d, std::uint8_t number, const std::string& title, int kind, int entries,
                       std::uint8_t type = 7) {
    CGroupRecord* g = d->AddGroup(number);
    g->title = title;
    g->kind = kind;
    for (int i = 1; i <= entries; ++i) {
        CEntryRecord* e = g->AddEntry(static_cast<std::uint16_t>(number | i << 8));
        e->address = d->address;
        e->description = title + std::to_string(i);
        e->dataType = type;
        e->dataSize = 4;
        e->number = 1;
    }
    return g;
}

void ShowValues(CDeviceRecord* d, std::uint8_t group, const std::string& text) {
    for (const auto& e : testsupport::Found(d->FindGroup(group))->Entries())
        e->actualValue = text;
}

// The indication window of device 5 with one telecontrol row, selected, telecontrol permitted.
CYaoForm* OpenTelecontrolRow(AppRig& rig) {
    CDeviceRecord* d = rig.Ready(5);
    AddGroup(d, 5, "遥控/断路器", 1, 1, 9);
    platform::WritePrivateProfileString("System Config", "YK_PERMIT", "1", rig.app->cfg.File());
    auto* form = dynamic_cast<CYaoForm*>(rig.app->windows.OpenTelecontrol(d->key));
    if (form)
        form->List()->setCurrentCell(0, 0);
    return form;
}

// The settings window of device 5 with one group 2 of that title whose values were read.
CProtForm* OpenReadSettings(AppRig& rig, const std::string& title, int entries, const std::string& value) {
    CDeviceRecord* d = rig.Ready(5);
    AddGroup(d, 2, title, 2, entries);
    ShowValues(d, 2, value);
    auto* form = dynamic_cast<CProtForm*>(rig.app->windows.OpenSettings(d->key));
    if (form)
        form->GroupValuesArrived(2);
    return form;
}
} // namespace

TEST(SettingsFormTest, EditAndDownloadInTwoSteps) {
    AppRig rig;
    rig.Login();
    CDeviceRecord* d = rig.Ready(5);
    AddGroup(d, 2, "保护定值", 2, 2);
    AddGroup(d, 3, "遥测", 2, 1);
    AddGroup(d, 4, "遥信/开关", 1, 1);
    auto* form = dynamic_cast<CProtForm*>(rig.app->windows.OpenSettings(d->key));
    ASSERT_NE(form, nullptr);
    QTableWidget* list = form->List();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->item(0, 6)->text(), QString::fromUtf8(" -  ()"));
    EXPECT_FALSE(form->BeginEdit(0, 4)); // never read: not editable
    form->ReadGroup();
    EXPECT_EQ(rig.prompts.LastText(), "请先选择所需召唤的组。");
    list->selectRow(0);
    rig.ClearSent();
    form->ReadGroup();
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(d->readState, CDeviceRecord::kValues);
    ShowValues(d, 2, "1.5");
    ShowValues(d, 3, "7");
    form->GroupValuesArrived(2);
    form->GroupValuesArrived(3);
    form->GroupValuesArrived(9); // a group without rows changes nothing
    EXPECT_EQ(list->item(1, 4)->text(), "1.5");
    EXPECT_FALSE(form->BeginEdit(2, 4)); // "遥测" is no settings group
    EXPECT_TRUE(form->BeginEdit(0, 4));
    form->CommitEdit(0, "1.5"); // unchanged: nothing pending
    EXPECT_TRUE(form->Pending().Empty());
    form->CommitEdit(0, "2.5");
    form->CommitEdit(0, "2.6");
    EXPECT_EQ(form->Pending().Size(), 1u);
    EXPECT_EQ(list->item(0, 1)->foreground().color(), QColor(190, 0, 0));
    EXPECT_EQ(testsupport::Found(d->FindEntry(0x0102))->actualValue, "2.6");

    rig.ClearSent();
    rig.grantRights = false;
    form->Download();
    EXPECT_EQ(rig.rights, (std::vector<int>{8}));
    EXPECT_TRUE(rig.SentBodies().empty());
    rig.grantRights = true;
    form->Download();
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][5], 249);
    EXPECT_EQ(rig.SentBodies()[0][7] & 0x3F, 1);
    EXPECT_EQ(d->writeState, 2);
    ASSERT_NE(form->Progress(), nullptr);
    rig.ClearSent();
    form->WriteAck(1, 1);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][5], 250);
    EXPECT_EQ(form->Progress()->Pos(), 50);
    form->WriteAck(0, 1);
    // The wait and the pending state end before the result shows, which comes after the frame.
    EXPECT_FALSE(form->Waiting());
    EXPECT_TRUE(form->Pending().Empty());
    EXPECT_EQ(form->Progress(), nullptr);
    EXPECT_EQ(form->State(), 0);
    EXPECT_EQ(rig.prompts.LastText(), "请先选择所需召唤的组。");
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "下装成功。");
    // A late acknowledgement is ignored.
    rig.ClearSent();
    form->WriteAck(1, 1);
    EXPECT_TRUE(rig.SentBodies().empty());
}

TEST(SettingsFormTest, SixtyThreeValuesGoAndSixtyFourAreRefused) {
    AppRig rig;
    rig.Login();
    CProtForm* form = OpenReadSettings(rig, "定值", 64, "0");
    ASSERT_NE(form, nullptr);
    for (int r = 0; r < 64; ++r)
        form->CommitEdit(r, "1");
    rig.ClearSent();
    form->Download();
    EXPECT_EQ(rig.prompts.LastText(), "输入数目过大。");
    EXPECT_TRUE(rig.SentBodies().empty());
    form->List()->setCurrentCell(63, 0);
    form->WithdrawSelected();
    EXPECT_EQ(form->Pending().Size(), 63u);
    form->Download();
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][7] & 0x3F, 63);
    form->OnTimeout();
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "等待装置应答超时，停止下装。");
    EXPECT_TRUE(form->Pending().Empty());
}

TEST(SettingsFormTest, AValueItsFieldCannotHoldIsRefusedAndNothingIsSent) {
    // Two-byte unsigned and one-byte signed settings: 70000 and 200 would reach the device as
    // other numbers (4464 and -56).
    AppRig rig;
    rig.Login();
    CProtForm* form = OpenReadSettings(rig, "定值", 2, "0");
    ASSERT_NE(form, nullptr);
    CDeviceRecord* d = rig.app->model.FindDeviceByKey(form->Key().key);
    ASSERT_NE(d, nullptr);
    CEntryRecord* first = testsupport::Found(d->FindEntry(0x0102));
    CEntryRecord* second = testsupport::Found(d->FindEntry(0x0202));
    first->dataType = 3;
    first->dataSize = 2;
    second->dataType = 4;
    second->dataSize = 1;
    form->CommitEdit(0, "70000");
    form->CommitEdit(1, "-128");
    rig.ClearSent();
    form->Download();
    EXPECT_EQ(rig.prompts.LastText(), "输入值越限。");
    EXPECT_TRUE(rig.SentBodies().empty());
    EXPECT_EQ(form->Pending().Size(), 2u);
    form->CommitEdit(0, "65535");
    form->CommitEdit(1, "200");
    form->Download();
    EXPECT_TRUE(rig.SentBodies().empty());
    form->CommitEdit(1, "-128");
    form->Download();
    ASSERT_EQ(rig.SentBodies().size(), 1u);

    // The telecontrol window's manual setting keeps to the same rule.
    EXPECT_TRUE(GenericValueFits("4095", 12, 2, 1));
    EXPECT_FALSE(GenericValueFits("4096", 12, 2, 1));
    EXPECT_FALSE(GenericValueFits("-1", 3, 1, 1));
    EXPECT_TRUE(GenericValueFits("192.168.1.1", 3, 1, 4));
    EXPECT_TRUE(GenericValueFits("4294967295", 201, 5, 1));
    EXPECT_FALSE(GenericValueFits("4294967296", 201, 5, 1));
}

// The settings download and the manual setting send a value only when its bytes read back as the
// value typed; the edges of each field, by the bytes that go out.
TEST(SettingsFormTest, EdgesOfEachFieldByTheBytesSent) {
    struct Case {
        const char* text;
        std::uint8_t type, size, number;
        Bytes value; // empty: refused, nothing sent
    };
    const Case cases[] = {
        {"255", 3, 1, 1, {0xFF}},
        {"256", 3, 1, 1, {}},
        {"-129", 4, 1, 1, {}},
        {"128", 4, 1, 1, {}},
        {"-128", 4, 1, 1, {0x80}},
        {"3000000000", 3, 4, 1, {0x00, 0x5E, 0xD0, 0xB2}},
        {"4294967295", 3, 4, 1, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"4294967296", 3, 4, 1, {}},
        {"192.168.1.1", 3, 1, 4, {0xC0, 0xA8, 0x01, 0x01}},
        {"7", 3, 1, 4, {}},
        {"-1", 201, 5, 1, {}},
        {"123456", 202, 8, 1, {0x56, 0x34, 0x12, 0, 0, 0, 0, 0}},
        {"1234567", 202, 8, 1, {}},
        // A real the float cannot hold with the page's three decimals, or that shows as another.
        {"16777217", 7, 4, 1, {}},
        {"1e-50", 7, 4, 1, {}},
        {"1.2345", 7, 4, 1, {}},
        {"0.125", 7, 4, 1, {0x00, 0x00, 0x00, 0x3E}},
        // A bit string of 12 bits takes no 16.
        {"FFFFH", 2, 12, 1, {}},
        {"0FFFH", 2, 12, 1, {0xFF, 0x0F}},
    };
    for (const Case& c : cases) {
        AppRig rig;
        rig.Login();
        CProtForm* form = OpenReadSettings(rig, "定值", 1, "0");
        ASSERT_NE(form, nullptr);
        CEntryRecord* e =
            testsupport::Found(rig.app->model.FindDeviceByKey(form->Key().key)->FindEntry(0x0102));
        e->dataType = c.type;
        e->dataSize = c.size;
        e->number = c.number;
        form->CommitEdit(0, c.text);
        rig.ClearSent();
        form->Download();
        const std::vector<Bytes> sent = rig.SentBodies();
        if (c.value.empty()) {
            EXPECT_TRUE(sent.empty()) << c.text;
            EXPECT_EQ(rig.prompts.LastText(), "输入值越限。") << c.text;
            continue;
        }
        ASSERT_EQ(sent.size(), 1u) << c.text;
        // GIN, KOD and GDD of the one data set, then its value.
        EXPECT_EQ(Bytes(sent[0].begin() + 14, sent[0].end()), c.value) << c.text;
    }

    // The manual setting of the reference-table form keeps to the same rule.
    for (const Case& c : {cases[1], cases[5]}) {
        AppRig rig;
        rig.Login();
        CDeviceRecord* d = rig.Ready(5);
        AddGroup(d, 4, "遥测", 1, 1, c.type);
        testsupport::Found(d->FindEntry(0x0104))->dataSize = c.size;
        ShowValues(d, 4, "0");
        CTableRecord* table = rig.app->model.Ports()[0]->Tables()[0].get();
        auto* form = dynamic_cast<CTabForm*>(rig.app->windows.OpenRefTable(table->key));
        ASSERT_NE(form, nullptr);
        form->AddRow(5, 0x0104, "x");
        form->RowsComplete();
        form->ValuesComplete();
        ASSERT_TRUE(form->BeginEdit(0, 6));
        form->CommitEdit(0, c.text);
        rig.ClearSent();
        form->ManualSet();
        const std::vector<Bytes> sent = rig.SentBodies();
        if (c.value.empty()) {
            EXPECT_TRUE(sent.empty()) << c.text;
            EXPECT_EQ(rig.prompts.LastText(), "输入值越限。") << c.text;
            continue;
        }
        ASSERT_EQ(sent.size(), 1u) << c.text;
        // Code, count, device address, entry key, KOD and GDD, then the value.
        EXPECT_EQ(Bytes(sent[0].begin() + 10, sent[0].end()), c.value) << c.text;
    }
}

TEST(TelecontrolFormTest, ManualSettingAndReplies) {
    AppRig rig;
    rig.Login();
    CDeviceRecord* d = rig.Ready(5);
    AddGroup(d, 4, "遥信/开关", 1, 2, 9);
    AddGroup(d, 5, "遥控/断路器", 1, 1, 9);
    auto* form = dynamic_cast<CYaoForm*>(rig.app->windows.OpenTelecontrol(d->key));
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(rig.SentBodies().size(), 1u); // the general interrogation
    QTableWidget* list = form->List();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->item(0, 0)->text(), QString::fromUtf8("开关"));
    ShowValues(d, 4, "分");
    ShowValues(d, 5, "分");
    form->GroupValuesArrived();
    form->OneValueArrived(0x0204, "合");
    EXPECT_EQ(list->item(1, 4)->text(), QString::fromUtf8("合"));
    EXPECT_FALSE(form->BeginEdit(2, 4)); // telecontrol rows are never edited
    EXPECT_TRUE(form->BeginEdit(0, 4));
    auto* combo = list->findChild<QComboBox*>("inPlaceList");
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(1);
    list->setCurrentCell(1, 0); // another click takes the text
    form->CommitEdit(0, "合");
    EXPECT_EQ(form->Pending().Size(), 1u);
    rig.ClearSent();
    form->ManualSet();
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 20);
    rig.app->windows.ManualSetDone({{5, 0x0104}});
    EXPECT_EQ(list->item(0, 5)->text(), QString::fromUtf8("√"));
    EXPECT_TRUE(form->Pending().Empty());
    testsupport::Found(d->FindEntry(0x0104))->manualSet = 1;
    rig.ClearSent();
    form->ManualCancel();
    EXPECT_EQ(rig.SentBodies().at(0)[0], 21);
    rig.app->windows.AllManualCancelled();
    EXPECT_EQ(list->item(0, 5)->text(), "");
    rig.ClearSent();
    rig.app->windows.CloseLinkWindows();
    ASSERT_EQ(rig.SentBodies().size(), 1u); // the interrogation ends with COT 10
    EXPECT_EQ(rig.SentBodies()[0][2], 10);
}

TEST(TelecontrolFormTest, CommandNeedsPermissionAndTimesOut) {
    AppRig rig;
    rig.Login();
    CDeviceRecord* d = rig.Ready(5);
    AddGroup(d, 5, "遥控/断路器", 1, 1, 9);
    auto* form = dynamic_cast<CYaoForm*>(rig.app->windows.OpenTelecontrol(d->key));
    EXPECT_EQ(form->BuildContextMenu(0), nullptr);
    platform::WritePrivateProfileString("System Config", "YK_PERMIT", "1", rig.app->cfg.File());
    auto menu = form->BuildContextMenu(0);
    ASSERT_NE(menu, nullptr);
    form->List()->setCurrentCell(0, 0);
    rig.OnDialog([](QDialog& dlg) {
        dlg.findChild<QRadioButton*>("radio1072")->setChecked(true);
        dlg.findChild<QRadioButton*>("radio1074")->setChecked(true);
        dlg.accept();
        return static_cast<int>(QDialog::Accepted);
    });
    rig.ClearSent();
    menu->actions()[0]->trigger();
    EXPECT_EQ(rig.rights, (std::vector<int>{16}));
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][5], 250);
    EXPECT_EQ(d->writeState, 1);
    ASSERT_TRUE(form->Waiting());
    for (int i = 0; i < 20; ++i)
        form->OnTick();
    EXPECT_EQ(form->Progress()->Pos(), 100);
    EXPECT_EQ(rig.prompts.Count(), 0u);
    form->OnTick();
    EXPECT_FALSE(form->Waiting());
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "等待装置应答超时，停止遥控。");
    form->TelecontrolAck(1, 1); // nothing waits any more
    rig.Settle();
    EXPECT_EQ(rig.prompts.Count(), 1u);
}

TEST(TelecontrolFormTest, AcknowledgementEndsTheWait) {
    AppRig rig;
    rig.Login();
    CYaoForm* form = OpenTelecontrolRow(rig);
    ASSERT_NE(form, nullptr);
    rig.OnDialog([](QDialog& dlg) {
        dlg.accept();
        return static_cast<int>(QDialog::Accepted);
    });
    form->Telecontrol();
    ASSERT_TRUE(form->Waiting());
    form->TelecontrolAck(0, 0);
    EXPECT_FALSE(form->Waiting());
    EXPECT_EQ(form->Progress(), nullptr);
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "装置否认应答，遥控选择失败。");
}

TEST(RefTableFormTest, RowsValuesAndStartIndex) {
    AppRig rig;
    rig.Login();
    CDeviceRecord* d = rig.Ready(5);
    AddGroup(d, 4, "遥信/开关", 1, 2, 9);
    CTableRecord* table = rig.app->model.Ports()[0]->Tables()[0].get();
    auto* form = dynamic_cast<CTabForm*>(rig.app->windows.OpenRefTable(table->key));
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 12);
    form->AddRow(5, 0x0104, "x");
    form->AddRow(5, 0x0104, "x"); // a repeated description adds no row
    form->AddRow(5, 0x0204, "y");
    form->RowsComplete();
    QTableWidget* list = form->List();
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->item(1, 0)->text(), "1");
    EXPECT_EQ(list->item(0, 1)->text(), QString::fromUtf8("遥信"));
    EXPECT_EQ(list->item(0, 2)->text(), QString::fromStdString("(5)" + d->name));
    ShowValues(d, 4, "分");
    form->ValuesComplete();
    form->OneValue(5, 0x0204, "合");
    EXPECT_EQ(list->item(1, 6)->text(), QString::fromUtf8("合"));
    EXPECT_TRUE(form->BeginEdit(0, 6));
    form->CommitEdit(0, "合");
    form->ManualSet();
    rig.app->windows.ManualSetDone({{5, 0x0104}});
    EXPECT_EQ(list->item(0, 7)->text(), QString::fromUtf8("√"));

    form->StartEdit()->setText("60001");
    form->Requery();
    EXPECT_EQ(rig.prompts.LastText(), "输入值越限。");
    form->StartEdit()->clear();
    form->Requery();
    EXPECT_EQ(rig.prompts.LastText(), "请输入起始序号。");
    rig.ClearSent();
    form->StartEdit()->setText("60000");
    form->Requery();
    EXPECT_EQ(form->StartIndex(), 60000);
    ASSERT_EQ(rig.SentBodies().size(), 2u); // stop the old, start the new
    EXPECT_EQ(list->rowCount(), 0);
    // A table of telecontrol points never opens an editor.
    table->type = 3;
    form->AddRow(5, 0x0104, "x");
    form->RowsComplete();
    form->ValuesComplete();
    EXPECT_FALSE(form->BeginEdit(0, 6));
}

// The result of a download arrives in frames; its box opens after their handling and is held open
// while a reconnect closes the settings window under it. Answering it afterwards touches nothing
// of the window.
TEST(SettingsFormTest, WindowClosedWhileItsResultBoxIsOpen) {
    AppRig rig;
    rig.Login();
    QPointer<CProtForm> form = OpenReadSettings(rig, "保护定值", 1, "1.5");
    ASSERT_NE(form, nullptr);
    form->CommitEdit(0, "2.5");
    form->Download();
    montest::HeldPrompt held;
    held.whileOpen = [&](const std::string&) {
        if (form) {
            rig.app->Reconnect(); // the silence watch's disconnect and connect
            return false;
        }
        return true; // answered once the window is gone
    };
    rig.Feed(Asdu(5, AsduHead(44, 249, 0)));
    rig.Feed(Asdu(5, AsduHead(40, 250, 0)));
    EXPECT_TRUE(held.texts.empty()); // not from inside the frames' handling
    rig.Settle();
    EXPECT_EQ(held.texts, (std::vector<std::string>{"下装成功。"}));
    EXPECT_FALSE(held.timedOut);
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(rig.app->IsConnected());
}

// A telecontrol dialog open while a reconnect closes its window: nothing is sent afterwards, the
// window is not touched, and the user learns that the command was not sent.
TEST(TelecontrolFormTest, WindowClosedWhileItsDialogIsOpen) {
    AppRig rig;
    rig.Login();
    QPointer<CYaoForm> form = OpenTelecontrolRow(rig);
    ASSERT_NE(form, nullptr);
    rig.OnDialog([&](QDialog& dlg) {
        rig.app->OnDisconnect();
        rig.app->OnConnect();
        EXPECT_TRUE(form.isNull());
        dlg.accept();
        return static_cast<int>(QDialog::Accepted);
    });
    rig.ClearSent();
    auto menu = form->BuildContextMenu(0);
    ASSERT_NE(menu, nullptr);
    menu->actions()[0]->trigger();
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(rig.rights.empty());
    for (const Bytes& b : rig.SentBodies())
        EXPECT_NE(b[0], 10); // no telecontrol went out
    rig.Settle();
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{text::CommandNotSent("遥控选择")});
}

// The unit resets the link while a command waits for its answer and the program connects again at
// once: the windows close, and the user is told which command went out without an answer.
TEST(CommandsAcrossADropTest, AnUnansweredTelecontrolOrSettingsStepIsTold) {
    AppRig rig;
    rig.Login();
    CYaoForm* yao = OpenTelecontrolRow(rig);
    ASSERT_NE(yao, nullptr);
    rig.OnDialog([](QDialog& dlg) {
        dlg.accept();
        return static_cast<int>(QDialog::Accepted);
    });
    yao->Telecontrol();
    ASSERT_TRUE(yao->Waiting());
    const std::string yaoTitle = yao->Title();
    QPointer<CProtForm> prot = OpenReadSettings(rig, "保护定值", 1, "1.5");
    ASSERT_NE(prot, nullptr);
    prot->CommitEdit(0, "2.5");
    prot->Download();
    prot->WriteAck(1, 1); // the execution step is out
    ASSERT_EQ(prot->State(), 2);
    const std::string protTitle = prot->Title();
    rig.app->OnDisconnect();
    rig.app->OnConnect();
    EXPECT_TRUE(prot.isNull());
    EXPECT_EQ(rig.prompts.Count(), 0u); // after the connect, not inside it
    rig.Settle();
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{text::CommandsUnanswered(
                                       {yaoTitle + "：遥控选择", protTitle + "：定值下装(执行)"})});

    // Windows without a command in flight close without a word.
    rig.prompts.Clear();
    rig.Login();
    ASSERT_NE(OpenReadSettings(rig, "保护定值", 1, "1.5"), nullptr);
    rig.app->OnConnect();
    rig.Settle();
    EXPECT_EQ(rig.prompts.Count(), 0u);
}

// A download confirmed in its login while the link drops and reconnects is not sent,
// and the user is told so; a command the socket refuses the same.
TEST(CommandsAcrossADropTest, ACommandConfirmedAcrossAReconnectIsToldNotSent) {
    AppRig rig;
    rig.Login();
    QPointer<CProtForm> prot = OpenReadSettings(rig, "保护定值", 1, "1.5");
    ASSERT_NE(prot, nullptr);
    prot->CommitEdit(0, "2.5");
    rig.app->rightCheck = [&](int) {
        rig.app->OnDisconnect();
        rig.app->OnConnect();
        return true;
    };
    rig.ClearSent();
    prot->Download();
    EXPECT_TRUE(prot.isNull());
    for (const Bytes& b : rig.SentBodies())
        EXPECT_NE(b[0], 10) << "a settings write went out";
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), text::CommandNotSent("定值下装"));

    // The socket refuses the frame: nothing waits for an answer that cannot come.
    rig.prompts.Clear();
    rig.Login();
    QPointer<CYaoForm> yao = OpenTelecontrolRow(rig);
    ASSERT_NE(yao, nullptr);
    rig.app->rightCheck = [](int) { return true; };
    rig.OnDialog([](QDialog& dlg) {
        dlg.accept();
        return static_cast<int>(QDialog::Accepted);
    });
    rig.transport->sendOk = false;
    yao->Telecontrol();
    EXPECT_FALSE(yao->Waiting());
    EXPECT_EQ(yao->Progress(), nullptr);
    rig.Settle();
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{text::CommandNotSent("遥控选择")});
}
