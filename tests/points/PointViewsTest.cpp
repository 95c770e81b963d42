// The point views and the expression editors on the offscreen platform: what the user sees and
// what lands in the project.
#include "points/views/PointViews.h"
#include "points/views/CompositeExprDlg.h"
#include "points/views/ConfigGINAllView.h"
#include "points/views/ConfigGINView.h"
#include "points/views/ConfigGINVirView.h"
#include "points/views/ConfigYBToYCDlg.h"
#include "points/views/ConfigYXToYBDlg.h"
#include "points/views/TapToYxDlg.h"
#include "tests/support/Found.h"

#include "editors/views/ConfigFrame.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/ConfigPortFormView.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/RegisterViews.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"
#include "tests/editors/PortViewsFixture.h"
#include "tests/support/DialogRunnerGuard.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>

using namespace projectmodel;
using namespace editors;
using namespace points;
using platform::Answer;
using platform::Qs;
using platform::Ss;

namespace {

// A view of the left pane that records what the all-points view asks of it.
class FakePane : public QWidget, public IEditorView, public IPointPaneView {
public:
    void SelectCategoryTab(int tab, bool force) override { tabs.emplace_back(tab, force); }
    bool CanTakePoints() const override { return takes; }
    void AddRefPoints(const std::vector<CPointRef>& k) override { keys = k; }
    int CurrentRefTableCategory() const override { return category; }

    std::vector<std::pair<int, bool>> tabs;
    std::vector<CPointRef> keys;
    bool takes = true;
    int category = -1;
};
FakePane* g_pane = nullptr;

using testsupport::DialogRunnerGuard;

CInfoGroup Group(const std::string& name, int type, int number,
                 std::vector<std::pair<int, std::string>> entries) {
    CInfoGroup g;
    g.m_strName = name;
    g.m_nType = type;
    g.m_nGroupNo = number;
    for (auto& [n, desc] : entries) {
        CInfoEntry e;
        e.m_nGroup = number;
        e.m_nEntry = n;
        e.m_strDesc = desc;
        e.m_strGroupName = name;
        g.m_entries.InsertSorted(e);
    }
    return g;
}

std::vector<std::string> ColumnTexts(const CGridListCtrl* list, int column) {
    std::vector<std::string> out;
    for (int r = 0; r < list->GetItemCount(); ++r)
        out.push_back(list->GetItemText(r, column));
    return out;
}

QAction* Action(QMenu* menu, const std::string& text) {
    for (QAction* a : menu->actions())
        if (Ss(a->text()) == text)
            return a;
    return nullptr;
}

class PointViewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CProjectContext::Reset();
        RegisterPointViews();
        CEditorViewRegistry::Register(kViewConfigPortForm, [](const CViewContext&) {
            g_pane = new FakePane;
            return g_pane;
        });
        CDevice a;
        a.m_nAddress = 1;
        a.m_strDescription = "线路保护";
        a.m_nKind = kDeviceOrdinary;
        a.m_model.m_groups.Add(Group("遥测", 0, 1, {{1, "Ia"}, {2, "Ib"}, {3, "Ic"}}));
        a.m_model.m_groups.Add(Group("遥信", 1, 2, {{1, "跳闸"}}));
        a.m_model.m_groups.Add(Group("档位", 5, 4, {{1, "主变档位"}}));
        doc.m_devices.Insert(a);
        CDevice status(kDeviceStatus);
        status.m_strDescription = "状态信号虚装置";
        status.m_model.m_groups.Add(Group("遥信", 1, 1, {{1, "板卡1连接状态"}}));
        doc.m_devices.Insert(status);
        doc.m_devices.Insert(CDevice(kDeviceComposite));
        doc.MakeCurrent();
    }
    void TearDown() override {
        CEditorViewRegistry::Register(kViewConfigPortForm, {});
        CProjectContext::Reset();
    }

    CDeviceTemplate& Composite() {
        return testsupport::Found(doc.FindDevice(kCompositeDeviceAddress))->m_model;
    }

    CConfigDoc doc;
    testsupport::PromptRecorder prompts;
};

TEST_F(PointViewsTest, AllPointsViewListsHandsOverAndFollowsTabs) {
    CConfigFrame frame(nullptr);
    auto* all = dynamic_cast<CConfigGINAllView*>(frame.RightView());
    ASSERT_TRUE(all);
    frame.ReplaceLeft(kViewConfigPortForm);
    g_pane->category = 1; // the port view shows a telesignal table
    all->OnInitialUpdate();
    EXPECT_EQ(all->CurrentTab(), 1);
    EXPECT_EQ(Ss(all->DeviceCombo()->itemText(0)), "所有装置");
    EXPECT_EQ(Ss(all->DeviceCombo()->currentText()), "装置1[线路保护]");
    EXPECT_EQ(ColumnTexts(all->List(), 7), std::vector<std::string>{"跳闸"});
    EXPECT_EQ(g_pane->tabs.back(), std::make_pair(1, false));

    all->DeviceCombo()->setCurrentIndex(0);
    EXPECT_EQ(ColumnTexts(all->List(), 7),
              (std::vector<std::string>{"[线路保护]跳闸", "[状态信号虚装置]板卡1连接状态"}));
    // A refresh after a port change keeps "所有装置".
    all->FillPointList();
    EXPECT_EQ(all->CurrentDevice(), -1);
    EXPECT_EQ(all->DeviceCombo()->currentIndex(), 0);

    all->Tabs()->setCurrentIndex(0);
    EXPECT_EQ(g_pane->tabs.back(), std::make_pair(0, false));
    all->List()->selectAll();
    std::unique_ptr<QMenu> menu(all->BuildContextMenu());
    ASSERT_TRUE(menu);
    QAction* add = Action(menu.get(), "<<添加到引用表");
    ASSERT_TRUE(add);
    EXPECT_TRUE(add->isEnabled());
    add->trigger();
    EXPECT_EQ(g_pane->keys, (std::vector<CPointRef>{{1, 1, 1}, {1, 1, 2}, {1, 1, 3}}));

    g_pane->takes = false;
    g_pane->keys.clear();
    menu.reset(all->BuildContextMenu());
    EXPECT_FALSE(Action(menu.get(), "<<添加到引用表")->isEnabled());
    all->OnAddToRefTable();
    EXPECT_TRUE(g_pane->keys.empty());

    all->SelectTab(5, false);
    EXPECT_EQ(all->Tabs()->currentIndex(), 5);
    EXPECT_EQ(ColumnTexts(all->List(), 7), std::vector<std::string>{"[线路保护]主变档位"});

    // A new device refills the combo.
    CDevice b;
    b.m_nAddress = 7;
    b.m_strDescription = "母线保护";
    doc.m_devices.Insert(b);
    all->FillPointList();
    EXPECT_GE(all->DeviceCombo()->findText(Qs("装置7[母线保护]")), 1);
}

// A reference table of a category without a tab leaves the list empty; the tab the bar still
// shows fills it when clicked.
TEST_F(PointViewsTest, AllPointsViewWithoutATabForTheTableTakesAClickOnTheShownTab) {
    CConfigFrame frame(nullptr);
    auto* all = dynamic_cast<CConfigGINAllView*>(frame.RightView());
    ASSERT_TRUE(all);
    frame.ReplaceLeft(kViewConfigPortForm);
    g_pane->category = 8;
    all->OnInitialUpdate();
    EXPECT_EQ(all->List()->GetItemCount(), 0);
    emit all->Tabs()->tabBarClicked(all->Tabs()->currentIndex());
    EXPECT_EQ(all->CurrentTab(), all->Tabs()->currentIndex());
    EXPECT_EQ(all->List()->GetItemCount(), 3);
}

// The real project frame: points chosen in the all-points view land in the reference table of a
// port's view, and either pane's tab change makes the other follow.
TEST(PointPanes, PortFormViewTakesPointsAndTabsFollowBothWays) {
    testsupport::PromptRecorder prompts;
    porttest::PortProject project(true);
    RegisterPortViews();
    RegisterPointViews();
    CConfigOverView tree;
    tree.OnInitialUpdate();
    CConfigFrame frame(&tree);
    frame.resize(1000, 500);
    frame.show();
    tree.setCurrentItem(tree.RootItem()->child(3)->child(0)->child(0)->child(0));
    auto* form = dynamic_cast<CConfigPortFormView*>(frame.LeftView());
    auto* all = dynamic_cast<CConfigGINAllView*>(frame.RightView());
    ASSERT_TRUE(form);
    ASSERT_TRUE(all);
    ASSERT_EQ(form->CurrentTabText(), "遥测表");
    EXPECT_EQ(all->CurrentTab(), kInfoTypeYC);

    all->List()->selectAll();
    std::unique_ptr<QMenu> menu(all->BuildContextMenu());
    ASSERT_TRUE(menu);
    QAction* add = Action(menu.get(), "<<添加到引用表");
    ASSERT_TRUE(add);
    EXPECT_TRUE(add->isEnabled());
    add->trigger();
    const CRefTable* table = project.Port(0, 0).m_protocol.m_tables.FindByName("遥测表");
    ASSERT_TRUE(table);
    ASSERT_EQ(table->m_entries.GetSize(), 2);
    EXPECT_EQ(table->m_entries[0].m_nAddress, 1);
    EXPECT_EQ(table->m_entries[1].m_nEntry, 2);
    EXPECT_EQ(form->List()->GetItemCount(), 2);

    all->Tabs()->setCurrentIndex(kInfoTypeYX);
    EXPECT_EQ(form->CurrentTabText(), "遥信表");
    form->Tabs()->setCurrentIndex(2);
    EXPECT_EQ(form->CurrentTabText(), "遥调表");
    EXPECT_EQ(all->CurrentTab(), kInfoTypeYT);
    EXPECT_EQ(all->Tabs()->currentIndex(), kInfoTypeYT);

    // The configuration list takes no points.
    form->Tabs()->setCurrentIndex(3);
    menu.reset(all->BuildContextMenu());
    EXPECT_FALSE(Action(menu.get(), "<<添加到引用表")->isEnabled());
}

TEST_F(PointViewsTest, DevicePointViewShowsAndRenames) {
    CConfigFrame frame(nullptr);
    auto* view = dynamic_cast<CConfigGINView*>(frame.ReplaceLeft(kViewConfigGIN));
    ASSERT_TRUE(view);
    auto* all = dynamic_cast<CConfigGINAllView*>(frame.RightView());
    all->OnInitialUpdate();
    view->ShowPath(3, {0, 1, 3, 0, -1, -1, -1});
    ASSERT_TRUE(view->Device());
    EXPECT_EQ(Ss(view->Caption()->text()), "板卡0装置65530[状态信号虚装置]组态:");
    EXPECT_TRUE(view->VarInfoButton()->isHidden());
    EXPECT_EQ(view->ColumnRebuilds(), 1);

    view->SelectCategoryTab(1, false);
    EXPECT_EQ(all->CurrentTab(), 1); // the all-points view follows
    EXPECT_EQ(ColumnTexts(view->List(), 6), std::vector<std::string>{"板卡1连接状态"});
    EXPECT_EQ(view->ColumnRebuilds(), 2);
    view->SelectCategoryTab(1, true);
    EXPECT_EQ(view->ColumnRebuilds(), 2);

    frame.show();
    view->OnClickCell(0, 6);
    ASSERT_TRUE(view->Editor()->Edit()->isVisible());
    view->Editor()->Edit()->setText("  连接状态 ");
    view->Editor()->CommitOpen();
    EXPECT_EQ(testsupport::Found(doc.FindDevice(kStatusDeviceAddress)->m_model.FindEntry(1, 1))->m_strDesc,
              "连接状态");
    EXPECT_EQ(view->List()->GetItemText(0, 6), "连接状态");

    CConfigGINView empty(CViewContext{});
    empty.ShowPath(3, {0, 1, 3, 2, -1, -1, -1}); // no custom device
    EXPECT_FALSE(empty.Device());
    EXPECT_FALSE(empty.IsInitialised());
}

TEST_F(PointViewsTest, VirtualViewAddsWarningSignalThroughItsEditor) {
    CConfigFrame frame(nullptr);
    auto* view = dynamic_cast<CConfigGINVirView*>(frame.ReplaceLeft(kViewConfigGINVir));
    ASSERT_TRUE(view);
    view->OnInitialUpdate();
    ASSERT_TRUE(view->IsInitialised());
    EXPECT_EQ(Ss(view->Caption()->text()), "板卡0装置65531[复合信号虚装置]组态:");

    view->SelectCategoryTab(1, false);
    std::string seenName, seenGroup;
    DialogRunnerGuard guard([&](QDialog& d) {
        auto& dlg = dynamic_cast<CConfigYXExprDlg&>(d);
        seenName = Ss(dlg.NameEdit()->text());
        seenGroup = Ss(dlg.GroupEdit()->text()) + "-" + Ss(dlg.EntryEdit()->text());
        EXPECT_EQ(Ss(dlg.OperatorCombo()->currentText()), "或(or)");
        dlg.SourceList()->SelectRow(0);
        dlg.OnAddPoints();
        dlg.SourceList()->SelectRow(1);
        dlg.OnAddPoints();
        dlg.accept();
        return d.result();
    });
    std::unique_ptr<QMenu> menu(view->BuildContextMenu());
    ASSERT_TRUE(menu);
    EXPECT_FALSE(Action(menu.get(), "删除")->isEnabled());
    EXPECT_FALSE(Action(menu.get(), "粘贴")->isEnabled());
    Action(menu.get(), "添加预告信息")->trigger();
    EXPECT_EQ(seenName, "预告警信号(65531-10-1)");
    EXPECT_EQ(seenGroup, "10-1");
    const CInfoEntry* e = Composite().FindEntry(10, 1);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->m_expr.m_nOperator, 9);
    EXPECT_EQ(e->m_expr.m_operands.size(), 2u);
    EXPECT_EQ(ColumnTexts(view->List(), 6), std::vector<std::string>{"预告警信号(65531-10-1)"});

    // Copying the warning signal does not offer pasting it as a telesignal.
    view->List()->SelectRow(0);
    view->OnCopy();
    menu.reset(view->BuildContextMenu());
    EXPECT_FALSE(Action(menu.get(), "粘贴")->isEnabled());
    EXPECT_TRUE(Action(menu.get(), "删除")->isEnabled());
    Action(menu.get(), "删除")->trigger();
    EXPECT_FALSE(Composite().FindEntry(10, 1));
    EXPECT_EQ(view->List()->GetItemCount(), 0);

    view->SelectCategoryTab(2, false);
    EXPECT_EQ(view->BuildContextMenu(), nullptr);
}

TEST_F(PointViewsTest, WholeModelEditorChangesTheDeviceOnlyAfterOk) {
    CConfigFrame frame(nullptr);
    auto* view = dynamic_cast<CConfigGINVirView*>(frame.ReplaceLeft(kViewConfigGINVir));
    view->OnInitialUpdate();
    view->SelectCategoryTab(1, false);
    int result = QDialog::Rejected;
    DialogRunnerGuard guard([&](QDialog& d) {
        auto& dlg = dynamic_cast<CConfigYBToYXEJZDlg&>(d);
        dlg.SourceList()->SelectRow(0);
        for (int bit : {0, 3, 7})
            dlg.BitButtons()[static_cast<std::size_t>(bit)]->click();
        EXPECT_EQ(ColumnTexts(dlg.ResultList(), 0),
                  (std::vector<std::string>{"GetBit0", "GetBit3", "GetBit7"}));
        if (result == QDialog::Accepted)
            dlg.accept();
        else
            dlg.reject();
        return d.result();
    });
    view->OnYbToYxEjz();
    EXPECT_TRUE(Composite().m_groups.IsEmpty());
    result = QDialog::Accepted;
    view->OnYbToYxEjz();
    ASSERT_TRUE(Composite().FindEntry(1, 3));
    EXPECT_EQ(testsupport::Found(Composite().FindEntry(1, 3))->m_expr.m_nOperator, 22);
    EXPECT_EQ(view->List()->GetItemCount(), 3);
}

TEST_F(PointViewsTest, TelemeasurementEditorRefusesAndCuts) {
    CConfigYCExprDlg dlg;
    dlg.Model().m_nGroup = 1;
    dlg.Model().m_nEntry = 1;
    dlg.OnInitDialog();
    EXPECT_EQ(Ss(dlg.windowTitle()), "遥测量复合运算表达式编辑");
    EXPECT_EQ(Ss(dlg.OperatorCombo()->currentText()), "＋");
    EXPECT_FALSE(dlg.AddPointButton()->isEnabled());
    EXPECT_EQ(ColumnTexts(dlg.SourceList(), 3),
              (std::vector<std::string>{"[线路保护]Ia", "[线路保护]Ib", "[线路保护]Ic"}));
    dlg.SourceList()->selectAll();
    dlg.OnAddPoints();
    dlg.NumberEdit()->setText("5");
    dlg.OnAddNumber();
    EXPECT_EQ(dlg.OperandList()->GetItemCount(), 4);
    EXPECT_EQ(dlg.OperandList()->GetItemText(3, 3), "直接数");
    dlg.OperatorCombo()->setCurrentIndex(3); // "/"
    EXPECT_EQ(prompts.LastText(), "操作数超过2个，删除多余操作数！");
    EXPECT_EQ(dlg.OperandList()->GetItemCount(), 2);

    prompts.Script({Answer::Yes});
    dlg.show();
    dlg.OnClickOperand(0, 0);
    dlg.Editor()->Edit()->setText("7");
    dlg.Editor()->CommitOpen();
    EXPECT_EQ(dlg.OperandList()->GetItemText(0, 3), "无效引用");
    EXPECT_EQ(dlg.Model().m_expr->m_operands[0].m_nAddress, 7);

    dlg.EntryEdit()->setText("300");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(prompts.LastText(), "请输入一个在 1 和 255 之间的整数。");
    dlg.EntryEdit()->setText("3");
    // The group reserved for the warning signals, and a number out of range, keep the dialog open.
    dlg.GroupEdit()->setText("10");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(prompts.LastText(), "组号10只用于预告信号(条目1)和事故总信号(条目2)，不能放入其他测点！");
    dlg.GroupEdit()->setText("256");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(prompts.LastText(), "组号256超出范围，组号应在1和255之间！");
    dlg.GroupEdit()->setText("1");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(PointViewsTest, TapFromTelesignalsShowsBitsFromTheLast) {
    CConfigYXToYBDlg dlg;
    dlg.OnInitDialog();
    EXPECT_EQ(Ss(dlg.windowTitle()), "遥信转步位置表达式编辑器");
    dlg.SourceList()->SelectRow(0);
    dlg.OnAdd();
    dlg.SourceList()->SelectRow(1);
    dlg.OnAdd();
    EXPECT_EQ(ColumnTexts(dlg.OperandList(), 0), (std::vector<std::string>{"第0位", "第1位"}));
    EXPECT_EQ(ColumnTexts(dlg.OperandList(), 4),
              (std::vector<std::string>{"[状态信号虚装置]板卡1连接状态", "[线路保护]跳闸"}));
    dlg.OperandList()->SelectRow(1);
    dlg.OnMoveUp();
    EXPECT_EQ(dlg.OperandList()->GetSelectedRow(), 0);
    EXPECT_EQ(dlg.OperandList()->GetItemText(0, 4), "[线路保护]跳闸");
    dlg.EntryEdit()->setText("1");
    dlg.GroupEdit()->setText("10");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(prompts.LastText(), "组号10只用于预告信号(条目1)和事故总信号(条目2)，不能放入其他测点！");
    dlg.GroupEdit()->setText("2");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

} // namespace

// The narrow right-hand pane at its first display: every column is as wide as its title and its
// widest cell need, and the pane widens (up to half the frame) so that the columns are not cut.
TEST_F(PointViewsTest, AllPointsPaneShowsWholeColumnsAtFirstDisplay) {
    testsupport::Found(doc.FindDevice(1))->m_model.m_groups[0].m_entries[0].m_strDesc =
        "一号主变高压侧A相电流测量值";
    CConfigFrame frame(nullptr);
    frame.resize(1280, 600);
    frame.show();
    QApplication::processEvents();
    auto* all = dynamic_cast<CConfigGINAllView*>(frame.RightView());
    ASSERT_TRUE(all);
    const CGridListCtrl* list = all->List();
    ASSERT_EQ(list->columnCount(), 8);
    ASSERT_GT(list->rowCount(), 0);
    const QHeaderView* header = list->horizontalHeader();
    int columns = 0;
    for (int c = 0; c < list->columnCount(); ++c) {
        SCOPED_TRACE(c);
        columns += list->columnWidth(c);
        EXPECT_GE(list->columnWidth(c), header->sectionSizeHint(c));
        for (int r = 0; r < list->rowCount(); ++r)
            EXPECT_GE(list->columnWidth(c), list->fontMetrics().horizontalAdvance(list->item(r, c)->text()));
    }
    EXPECT_GT(columns, 320 - 20);
    EXPECT_LE(columns, list->viewport()->width());
    EXPECT_LE(all->width(), frame.width() / 2);
    // The rule: the right pane keeps its usable third (at most 320), takes what its view wants up
    // to half the frame, and the left pane never exceeds 1100.
    EXPECT_EQ(CConfigFrame::InitialPaneWidths(1200, 0), std::make_pair(880, 320));
    EXPECT_EQ(CConfigFrame::InitialPaneWidths(1200, 500), std::make_pair(700, 500));
    EXPECT_EQ(CConfigFrame::InitialPaneWidths(1200, 900), std::make_pair(600, 600));
    EXPECT_EQ(CConfigFrame::InitialPaneWidths(2000, 500), std::make_pair(1100, 900));
}
