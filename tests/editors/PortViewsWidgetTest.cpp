#include "editors/model/PortGridModel.h"
#include "editors/views/ConfigBanView.h"
#include "editors/views/ConfigBayView.h"
#include "editors/views/ConfigFrame.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/ConfigPortConView.h"
#include "editors/views/ConfigPortFormView.h"
#include "editors/views/ConfigPortView.h"
#include "editors/views/ConfigUnitDetailView.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/MovePosDlg.h"
#include "editors/views/PointSelectDlg.h"
#include "editors/views/RegisterViews.h"
#include "editors/views/StepDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "tests/editors/PortViewsFixture.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

using namespace projectmodel;
using namespace editors;
using platform::Ss;

namespace {

// Fills and accepts the editors' small dialogs: a move position, a step, and "no point".
struct DialogScript {
    DialogScript() {
        platform::SetDialogRunner([this](QDialog& d) {
            ++runs;
            if (auto* move = dynamic_cast<CMovePosDlg*>(&d))
                move->Edit()->setText(QString::number(position));
            if (auto* step = dynamic_cast<CStepDlg*>(&d))
                step->Edit()->setText(QString::number(stepValue));
            if (auto* points = dynamic_cast<CPointSelectDlg*>(&d))
                points->List()->SelectRow(0);
            d.accept();
            return d.result();
        });
    }
    ~DialogScript() { platform::SetDialogRunner(nullptr); }
    int position = 1;
    int stepValue = 1;
    int runs = 0;
};

struct PortViewsTest : ::testing::Test {
    PortViewsTest() {
        RegisterPortViews();
        tree.OnInitialUpdate();
        frame = new CConfigFrame(&tree);
        frame->resize(1000, 500);
        frame->show();
    }
    ~PortViewsTest() override { delete frame; }
    QTreeWidgetItem* Top(int i) { return tree.RootItem()->child(i); }
    QTreeWidgetItem* Board() { return Top(3)->child(0); }
    template <class View> View* Select(QTreeWidgetItem* item) {
        tree.setCurrentItem(item);
        return dynamic_cast<View*>(frame->LeftView());
    }
    static std::vector<std::string> TabTexts(const CGridFormView* view) {
        std::vector<std::string> texts;
        for (int i = 0; i < view->Tabs()->count(); ++i)
            texts.push_back(Ss(view->Tabs()->tabText(i)));
        return texts;
    }
    static QAction* Action(QMenu* menu, const char* text) {
        for (QAction* a : menu->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    }
    void Type(CGridFormView* view, int row, int column, const char* text) {
        view->OnClickCell(row, column);
        ASSERT_TRUE(view->Editor()->Edit()->isVisible());
        view->Editor()->Edit()->setText(text);
        view->Editor()->CommitOpen();
    }

    testsupport::PromptRecorder prompts;
    porttest::PortProject project;
    CConfigOverView tree;
    CConfigFrame* frame;
};

} // namespace

TEST_F(PortViewsTest, PortGridOpensTheSelectedGroupAndStoresCheckedValues) {
    auto* view = Select<CConfigPortView>(Board());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(Ss(view->Caption()->text()), "板卡1[通讯板]通讯口配置");
    EXPECT_EQ(view->Tabs()->currentIndex(), 0);
    EXPECT_EQ(view->List()->GetItemCount(), 2);
    EXPECT_EQ(view->BuildContextMenu({}), nullptr); // serial group

    EXPECT_EQ(Select<CConfigPortView>(Board()->child(1)), view);
    EXPECT_EQ(view->Tabs()->currentIndex(), 1);
    Type(view, 0, 2, "70000");
    EXPECT_EQ(prompts.LastText(), "数值越限，自动设定为最大值!");
    EXPECT_EQ(project.Port(1, 0).m_values[1], "65535");
    EXPECT_EQ(view->List()->GetItemText(0, 2), "65535");
    view->OnClickCell(0, 5); // DEVSUM: no editor
    EXPECT_FALSE(view->Editor()->Edit()->isVisible());
    EXPECT_FALSE(view->Editor()->Combo()->isVisible());

    std::unique_ptr<QMenu> menu(view->BuildContextMenu({}));
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(Action(menu.get(), "删除端口")->isEnabled());
    Action(menu.get(), "添加端口")->trigger();
    EXPECT_EQ(view->List()->GetItemCount(), 2);
    EXPECT_EQ(Board()->child(1)->text(0).toStdString(), "网络[2个]");
    EXPECT_EQ(Board()->child(1)->child(1)->text(0).toStdString(), "网络1<地址1 未用>");

    // A new protocol through the combo box is shown in the port's node.
    view->OnClickCell(1, 1);
    ASSERT_TRUE(view->Editor()->Combo()->isVisible());
    view->Editor()->Combo()->setCurrentText("P103");
    view->Editor()->CommitOpen();
    EXPECT_EQ(project.Port(1, 1).m_protocol.m_strName, "P103");
    EXPECT_EQ(view->List()->GetItemText(1, 6), "3");
    EXPECT_EQ(Board()->child(1)->child(1)->text(0).toStdString(), "网络1<地址1 P103>");

    // An address cell stores only the finished text and only a complete dotted IPv4 address; the
    // rest leaves the value the cell had when the edit began, even when a complete address was
    // met on the way ("10.0.0.25" while typing "10.0.0.256").
    auto* ip = view->findChild<QLineEdit*>("ipEdit");
    ASSERT_NE(ip, nullptr);
    for (const char* bad : {"10.0.0", "256.0.0.1", "999.999.1.1", "10.0.0.256"}) {
        view->OnClickCell(1, 7);
        ASSERT_TRUE(ip->isVisible());
        ip->clear();
        QTest::keyClicks(ip, bad);
        QTest::keyClick(ip, Qt::Key_Return);
        EXPECT_FALSE(ip->isVisible());
        EXPECT_EQ(project.Port(1, 1).m_values[6], "0.0.0.0") << bad;
        EXPECT_EQ(view->List()->GetItemText(1, 7), "0.0.0.0") << bad;
        EXPECT_EQ(prompts.LastText().rfind(std::string("输入 ") + bad + " 非法！", 0), 0u)
            << prompts.LastText();
    }
    view->OnClickCell(1, 7);
    ip->clear();
    QTest::keyClicks(ip, "10.0.0.12");
    QTest::keyClick(ip, Qt::Key_Return);
    EXPECT_EQ(project.Port(1, 1).m_values[6], "10.0.0.12");
    EXPECT_EQ(view->List()->GetItemText(1, 7), "10.0.0.12");
    // Backspacing to "10.0.0." passes "10.0.0.1"; the cell keeps "10.0.0.12".
    view->OnClickCell(1, 7);
    ASSERT_EQ(Ss(ip->text()), "10.0.0.12");
    QTest::keyClick(ip, Qt::Key_End);
    QTest::keyClick(ip, Qt::Key_Backspace);
    QTest::keyClick(ip, Qt::Key_Backspace);
    QTest::keyClick(ip, Qt::Key_Return);
    EXPECT_EQ(project.Port(1, 1).m_values[6], "10.0.0.12");
    EXPECT_EQ(view->List()->GetItemText(1, 7), "10.0.0.12");
    EXPECT_EQ(prompts.LastText().rfind("输入 10.0.0. 非法！", 0), 0u) << prompts.LastText();
}

TEST_F(PortViewsTest, ConfigurationReferencesAreAddedMovedEditedAndDeleted) {
    DialogScript dialogs;
    QTreeWidgetItem* port = Board()->child(0)->child(0);
    auto* view = Select<CConfigPortConView>(port->child(2));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(Ss(view->Caption()->text()), "串口0<P103>转发表组态:");
    EXPECT_EQ(TabTexts(view), (std::vector<std::string>{"遥测表", "遥信表", "遥调表"}));
    const CPointRef keys[] = {{1, 1, 1}, {2, 1, 2}, {1, 2, 1}};
    view->AddRefPoints(keys, 3);
    EXPECT_EQ(prompts.LastText(), "类型不对应!");
    ASSERT_EQ(view->List()->GetItemCount(), 2);
    EXPECT_EQ(view->List()->GetItemText(1, 0), "2");
    EXPECT_EQ(view->List()->GetItemText(1, 6), "[主变测控]主变测控电流2");

    view->List()->SelectRow(1);
    view->OnMoveRef();
    CRefTable* table = view->CurrentTable();
    EXPECT_EQ(table->m_entries[0].m_nAddress, 2);
    EXPECT_EQ(view->List()->GetSelectedRows(), (std::vector<int>{0}));

    Type(view, 0, 8, "12.5");
    EXPECT_EQ(table->m_entries[0].m_values[1], "12.500000");
    table->m_entries[0].m_values[2] = "1-1-1(x)";
    view->FillGrid();
    view->OnClickCell(0, 9); // the point dialog ends on "no point"
    EXPECT_EQ(table->m_entries[0].m_values[2], "");

    view->List()->SelectRow(0);
    QTest::keyClick(view->List(), Qt::Key_Delete);
    ASSERT_EQ(table->m_entries.GetSize(), 1);
    EXPECT_EQ(table->m_entries[0].m_nAddress, 1);

    // A configuration that is no SYSTEM configuration takes no points.
    project.Port(0, 0).m_protocol.m_configs.m_configs[0].m_settings.m_strType = "SCHEDULE";
    view->AddRefPoint(1, 1, 2);
    EXPECT_EQ(table->m_entries.GetSize(), 1);
    // A configuration slot below the port's device count shows nothing.
    auto* again = Select<CConfigPortConView>(port->child(0));
    EXPECT_EQ(again, nullptr);
}

TEST_F(PortViewsTest, PortFormShowsTheTabsOfTheProtocolKind) {
    DialogScript dialogs;
    // The device port's protocol names a region in which the [YC] columns do not apply.
    CItemRecord region;
    region.m_items.Add(porttest::Item("规约适用地区", "STRING", "XX"));
    region.m_rows.push_back({"XX"});
    project.Port(1, 0).m_protocol.m_groups.Add(region);
    auto* device = Select<CConfigPortFormView>(Board()->child(1)->child(0));
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(TabTexts(device),
              (std::vector<std::string>{"装置列表", "配置列表", "装置表", "遥测表", "遥信表", "遥调表"}));
    ASSERT_EQ(device->List()->GetItemCount(), 1);
    EXPECT_EQ(device->List()->GetRowText(0), "装置5<母线保护>");
    EXPECT_EQ(frame->RightKind(), kViewSelDev);
    // Another device joins from the right pane's device list; a device already there does not.
    EXPECT_TRUE(device->AddSelDevice(2));
    EXPECT_FALSE(device->AddSelDevice(2));
    EXPECT_EQ(device->List()->GetItemCount(), 2);
    EXPECT_EQ(Board()->child(1)->child(0)->childCount(), 2);
    device->List()->SelectRow(0);
    QTest::keyClick(device->List(), Qt::Key_Delete);
    EXPECT_EQ(project.Port(1, 0).m_protocol.m_deviceAddresses, (CIntArray{2}));
    EXPECT_FALSE(testsupport::Found(project.doc->FindDevice(5))->IsPlaced());
    // The device list's menu makes a new device on the port and deletes devices from the project.
    std::unique_ptr<QMenu> listMenu(device->BuildContextMenu({}));
    ASSERT_NE(listMenu, nullptr);
    ASSERT_NE(Action(listMenu.get(), "删除装置"), nullptr);
    ASSERT_NE(Action(listMenu.get(), "添加装置"), nullptr);
    ASSERT_NE(Action(listMenu.get(), CConfigPortFormView::kDeleteFromTableText), nullptr);
    EXPECT_FALSE(Action(listMenu.get(), CConfigPortFormView::kDeleteFromTableText)->isEnabled());
    Action(listMenu.get(), "添加装置")->trigger();
    EXPECT_EQ(project.Port(1, 0).m_protocol.m_deviceAddresses, (CIntArray{2, 3}));
    ASSERT_NE(project.doc->FindDevice(3), nullptr);
    // Deleted from the project, the new device leaves no reference behind.
    project.doc->m_prjDevices.GetById(3)->m_linkedDevices.push_back(3);
    device->List()->SelectRow(1);
    listMenu.reset(device->BuildContextMenu({}));
    Action(listMenu.get(), CConfigPortFormView::kDeleteFromTableText)->trigger();
    EXPECT_EQ(project.doc->FindDevice(3), nullptr);
    EXPECT_EQ(project.Port(1, 0).m_protocol.m_deviceAddresses, (CIntArray{2}));
    EXPECT_EQ(project.doc->m_prjDevices.GetById(3)->m_linkedDevices, (CIntArray{1, 99, 2}));
    EXPECT_EQ(device->List()->GetItemCount(), 1);
    // On the device table a handed-over device goes into the table; a point table takes none.
    device->Tabs()->setCurrentIndex(2);
    ASSERT_EQ(device->CurrentTabText(), "装置表");
    EXPECT_TRUE(device->AddSelDevice(1));
    EXPECT_EQ(
        testsupport::Found(project.Port(1, 0).m_protocol.m_tables.FindByName("装置表"))->m_devices.GetSize(),
        1);
    EXPECT_FALSE(device->AddSelDevice(999));
    device->Tabs()->setCurrentIndex(3);
    EXPECT_FALSE(device->AddSelDevice(1));
    EXPECT_EQ(project.Port(1, 0).m_protocol.m_deviceAddresses, (CIntArray{2}));

    auto* system = Select<CConfigPortFormView>(Board()->child(0)->child(0));
    ASSERT_EQ(system, device);
    EXPECT_EQ(TabTexts(system), (std::vector<std::string>{"遥测表", "遥信表", "遥调表", "配置列表"}));
    // Without a region of its own the port shows every column, whatever port was shown before.
    EXPECT_EQ(system->List()->GetColumnCount(), 10);
    EXPECT_EQ(frame->RightKind(), kViewConfigGINAll);
    EXPECT_TRUE(system->ShowsPointTable());
    const CPointRef keys[] = {{1, 1, 1}, {1, 1, 2}, {2, 1, 1}};
    system->AddRefPoints(keys, 3);
    ASSERT_EQ(system->List()->GetItemCount(), 3);
    EXPECT_EQ(system->List()->GetItemText(0, 0), "0");
    // 数值连续 over the 偏移 column of three rows: start 0, step 2.
    system->List()->selectAll();
    std::unique_ptr<QMenu> menu(
        system->BuildContextMenu(QPoint(system->List()->columnViewportPosition(7) + 2, 5)));
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(Action(menu.get(), "数值连续"), nullptr);
    dialogs.stepValue = 2;
    Action(menu.get(), "数值连续")->trigger();
    EXPECT_EQ(system->List()->GetItemText(2, 7), "4");
    // The all-points view's category picks the first table of that type.
    system->SelectCategoryTab(kInfoTypeYX);
    EXPECT_EQ(system->CurrentTabText(), "遥信表");
    EXPECT_TRUE(system->PointsMark());

    system->Tabs()->setCurrentIndex(3);
    EXPECT_EQ(system->List()->GetItemCount(), 1);
    menu.reset(system->BuildContextMenu({}));
    Action(menu.get(), "增加配置")->trigger();
    EXPECT_EQ(system->List()->GetItemCount(), 2);
    EXPECT_EQ(Board()->child(0)->child(0)->child(3)->text(0).toStdString(), "召唤表");

    // The virtual devices node lists the virtual devices.
    auto* virtuals = Select<CConfigPortFormView>(Top(1)->child(1));
    ASSERT_NE(virtuals, nullptr);
    EXPECT_EQ(Ss(virtuals->Caption()->text()), "虚装置列表:");
    EXPECT_EQ(virtuals->List()->GetItemCount(), 3);
}

TEST_F(PortViewsTest, BoardsBaysAndUnitPoints) {
    auto* boards = Select<CConfigBanView>(Top(3));
    ASSERT_NE(boards, nullptr);
    ASSERT_EQ(boards->List()->GetItemCount(), 1);
    EXPECT_EQ(boards->List()->GetItemText(0, 1), "通讯板");

    auto* bays = Select<CConfigBayView>(Top(2)->child(0));
    ASSERT_NE(bays, nullptr);
    EXPECT_EQ(Ss(bays->Caption()->text()), "220kV间隔列表");
    EXPECT_FALSE(bays->Button()->isVisible());
    EXPECT_EQ(bays->List()->GetColumnCount(), 2);
    std::unique_ptr<QMenu> menu(bays->BuildContextMenu({}));
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(Action(menu.get(), "删除间隔")->isEnabled());
    Action(menu.get(), "添加间隔")->trigger();
    EXPECT_EQ(bays->List()->GetItemCount(), 2);
    EXPECT_EQ(Top(2)->child(0)->childCount(), 2);
    Type(bays, 1, 1, " 主变间隔 ");
    EXPECT_EQ(project.doc->m_bays.GetById(1)->m_strName, "主变间隔");

    QTreeWidgetItem* equipment = Top(2)->child(0)->child(0)->child(0);
    auto* unit = Select<CConfigUnitDetailView>(equipment->child(1));
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(Ss(unit->Caption()->text()), "断路器1装置2<主变测控>信息列表:");
    EXPECT_EQ(unit->List()->GetItemCount(), 2);
    EXPECT_EQ(Select<CConfigUnitDetailView>(equipment->child(0)), unit);
    EXPECT_EQ(unit->Tabs()->count(), 7);
    unit->SelectGroupTab(1, 0);
    EXPECT_EQ(unit->Tabs()->currentIndex(), 1);
    EXPECT_EQ(unit->List()->GetItemText(0, 6), "线路保护开关1");
}

// A protocol change that would throw away a port's filled tables and configurations, and the
// deletion of a bay with equipment, ask first; No, the default, keeps everything.
// A protocol change that redistributes the protocol's devices shows the ports' new device counts at
// once: the grid shows what its row builder gives for the group afterwards.
TEST_F(PortViewsTest, TheGridShowsTheDevicesARedistributionPlaced) {
    for (int address : {2, 5})
        testsupport::Found(project.doc->FindDevice(address))->m_model.m_strProtocol = "P104";
    auto* view = Select<CConfigPortView>(Board());
    ASSERT_NE(view, nullptr);
    view->OnClickCell(1, 1);
    ASSERT_TRUE(view->Editor()->Combo()->isVisible());
    view->Editor()->Combo()->setCurrentText("P104");
    view->Editor()->CommitOpen();
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"是否重新分配规约（P104）的所属装置？"});
    const CPortArray& serial = project.doc->m_boardCfg.m_boards[0].m_ports[0];
    ASSERT_FALSE(project.Port(0, 1).m_protocol.m_deviceAddresses.empty());
    const std::vector<CGridRow> rows = CPortGridModel::Rows(serial);
    ASSERT_EQ(view->List()->GetItemCount(), static_cast<int>(rows.size()));
    for (int r = 0; r < view->List()->GetItemCount(); ++r)
        for (std::size_t c = 0; c < rows[static_cast<std::size_t>(r)].cells.size(); ++c)
            EXPECT_EQ(view->List()->GetItemText(r, static_cast<int>(c)),
                      rows[static_cast<std::size_t>(r)].cells[c])
                << "row " << r << " column " << c;
}

TEST_F(PortViewsTest, ChangingAFilledProtocolOrDeletingABayWithEquipmentAsksFirst) {
    prompts.AnswerWithDefaultButton();
    CPortRecord& port = project.Port(0, 0);
    port.m_values[0] = "P103";
    CRefTable* yc = testsupport::Found(port.m_protocol.m_tables.FindByName("遥测表"));
    for (int i = 0; i < 3; ++i)
        yc->m_entries.Add(CRefTableEntry());
    auto* view = Select<CConfigPortView>(Board());
    ASSERT_NE(view, nullptr);
    auto choose = [&](const char* name) {
        view->OnClickCell(0, 1);
        ASSERT_TRUE(view->Editor()->Combo()->isVisible());
        view->Editor()->Combo()->setCurrentText(name);
        view->Editor()->CommitOpen();
    };
    const std::string question =
        "端口规约由P103改为P104，将删除端口规约引用表中的3个条目和1个配置，是否继续？";
    ASSERT_NO_FATAL_FAILURE(choose("P104"));
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text, question);
    EXPECT_EQ(prompts.Messages()[0].defaultButton, platform::Answer::No);
    EXPECT_EQ(project.Port(0, 0).m_protocol.m_strName, "P103");
    EXPECT_EQ(project.Port(0, 0).m_protocol.m_tables.CountEntries(), 3);
    EXPECT_EQ(project.Port(0, 0).m_protocol.m_configs.m_configs.GetSize(), 1);
    EXPECT_EQ(view->List()->GetItemText(0, 1), "P103");

    prompts.Clear();
    prompts.Script({platform::Answer::Yes, platform::Answer::Cancel});
    ASSERT_NO_FATAL_FAILURE(choose("P104"));
    ASSERT_GE(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text, question);
    EXPECT_EQ(project.Port(0, 0).m_protocol.m_strName, "P104");
    EXPECT_EQ(project.Port(0, 0).m_protocol.m_tables.CountEntries(), 0);

    // The bay holds a breaker: asked, and No keeps the bay and its equipment.
    auto* bays = Select<CConfigBayView>(Top(2)->child(0));
    ASSERT_NE(bays, nullptr);
    auto deleteFirst = [&] {
        bays->List()->SelectRow(0);
        std::unique_ptr<QMenu> menu(bays->BuildContextMenu({}));
        ASSERT_NE(menu, nullptr);
        Action(menu.get(), "删除间隔")->trigger();
    };
    prompts.Clear();
    ASSERT_NO_FATAL_FAILURE(deleteFirst());
    ASSERT_EQ(
        prompts.Texts(),
        std::vector<std::string>{"删除所选的1个间隔将同时删除其下的1个一次设备及其0处测点关联，是否继续？"});
    EXPECT_EQ(prompts.Messages()[0].defaultButton, platform::Answer::No);
    EXPECT_NE(project.doc->m_bays.GetById(0), nullptr);
    EXPECT_NE(project.doc->m_prjDevices.GetById(3), nullptr);
    prompts.Clear();
    prompts.Script({platform::Answer::Yes});
    ASSERT_NO_FATAL_FAILURE(deleteFirst());
    EXPECT_EQ(project.doc->m_bays.GetById(0), nullptr);
    EXPECT_EQ(project.doc->m_prjDevices.GetById(3), nullptr);
    EXPECT_EQ(bays->List()->GetItemCount(), 0);
}
