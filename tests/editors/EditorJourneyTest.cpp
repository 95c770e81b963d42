// A new project built through the real views of the project frame (offscreen, dialogs and
// questions answered by a script), saved, reopened in a fresh document and compared: what the
// views show after reopening and what the written main file holds.
#include "editors/model/BayListModel.h"
#include "editors/model/DevDetailModel.h"
#include "editors/model/DevinfolistModel.h"
#include "editors/model/EquipDetailModel.h"
#include "editors/model/EquipViewModel.h"
#include "editors/model/PortGridModel.h"
#include "editors/model/PrjbayModel.h"
#include "editors/model/PrjViewModel.h"
#include "editors/model/RefTableModel.h"
#include "editors/views/AdjusttimeView.h"
#include "editors/views/ConfigBayView.h"
#include "editors/views/ConfigEquipDetailView.h"
#include "editors/views/ConfigEquipView.h"
#include "editors/views/ConfigFrame.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/ConfigPortView.h"
#include "editors/views/ConfigPrjbayView.h"
#include "editors/views/ConfigPrjView.h"
#include "editors/views/DevinfolistView.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/RegisterViews.h"
#include "editors/views/SelDevView.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/VirtualPoints.h"
#include "tests/projectmodel/DocFixture.h"
#include "tests/support/Found.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTest>

#include <map>
#include <memory>

using namespace projectmodel;
using namespace editors;
using platform::Ss;

namespace {

QAction* Action(QMenu* menu, const char* text) {
    for (QAction* a : menu ? menu->actions() : QList<QAction*>())
        if (a->text() == QString::fromUtf8(text))
            return a;
    return nullptr;
}

// Every cell of a list as "row,column=text".
std::vector<std::string> Cells(const CGridListCtrl* list) {
    std::vector<std::string> cells;
    for (int r = 0; r < list->GetItemCount(); ++r)
        for (int c = 0; c < list->columnCount(); ++c)
            cells.push_back(platform::StrFormat("%d,%d=", r, c) + list->GetItemText(r, c));
    return cells;
}

// The project window of a document: the tree and the frame with its two panes.
struct Window {
    Window() {
        tree.OnInitialUpdate();
        frame = std::make_unique<CConfigFrame>(&tree);
        frame->resize(1400, 600);
        frame->show();
    }
    ~Window() {
        frame.reset();
        QApplication::processEvents();
    }
    QTreeWidgetItem* Top(int i) const { return tree.RootItem()->child(i); }
    QTreeWidgetItem* NetGroup() const { return Top(3)->child(0)->child(1); }
    // The "信息列表" node of the first equipment (its last child).
    QTreeWidgetItem* Equipment() const {
        QTreeWidgetItem* equipment = Top(2)->child(0)->child(0)->child(0);
        return equipment ? equipment->child(equipment->childCount() - 1) : nullptr;
    }
    template <class View> View* Select(QTreeWidgetItem* item) {
        if (!item)
            return nullptr;
        tree.setCurrentItem(item);
        QApplication::processEvents();
        return dynamic_cast<View*>(frame->LeftView());
    }
    // What the views of the project show, node by node.
    std::map<std::string, std::vector<std::string>> Shown() {
        std::map<std::string, std::vector<std::string>> shown;
        auto take = [&](const char* name, QTreeWidgetItem* item) {
            tree.setCurrentItem(item);
            QApplication::processEvents();
            if (auto* list = frame->LeftView()->findChild<CGridListCtrl*>())
                shown[name] = Cells(list);
        };
        take("对时源", Top(0));
        take("装置总表", Top(1)->child(0));
        take("电压等级", Top(2));
        take("间隔", Top(2)->child(0));
        take("一次设备", Top(2)->child(0)->child(0));
        take("一次设备信息", Equipment());
        take("网络口", NetGroup());
        return shown;
    }
    CConfigOverView tree;
    std::unique_ptr<CConfigFrame> frame;
};

class EditorJourney : public doctest::DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        RegisterEditorViews();
    }
    void TearDown() override {
        for (int k = 0; k < kEditorViewKindCount; ++k)
            CEditorViewRegistry::Register(static_cast<EditorViewKind>(k), nullptr);
        DocFixture::TearDown();
    }
    static void Type(CInPlaceEditor* editor, const char* text) {
        ASSERT_TRUE(editor->Edit()->isVisible());
        editor->Edit()->setText(QString::fromUtf8(text));
        editor->CommitOpen();
    }
    static void Choose(CInPlaceEditor* editor, int index) {
        ASSERT_TRUE(editor->Combo()->isVisible());
        ASSERT_LT(index, editor->Combo()->count());
        editor->Combo()->setCurrentIndex(index);
        editor->CommitOpen();
    }
    static void ChooseText(CInPlaceEditor* editor, const char* text) {
        ASSERT_TRUE(editor->Combo()->isVisible());
        const int index = editor->Combo()->findText(QString::fromUtf8(text));
        ASSERT_GE(index, 0) << text;
        Choose(editor, index);
    }
};

} // namespace

TEST_F(EditorJourney, AProjectBuiltThroughTheViewsReopensAsItWasShown) {
    auto doc = std::make_unique<CConfigDoc>();
    ASSERT_TRUE(doc->OnNewDocument());
    auto window = std::make_unique<Window>();
    Window& w = *window;
    ASSERT_NE(w.tree.RootItem(), nullptr);

    // The unit address as high as the view allows.
    auto* properties = w.Select<CConfigPrjView>(w.tree.RootItem());
    ASSERT_NE(properties, nullptr);
    emit properties->List()->cellClicked(0, 2);
    Type(properties->Editor(), "65530");
    EXPECT_EQ(properties->List()->GetItemText(0, 2), "65530");

    // A third network port with its own address; a partial address is refused, and so is a
    // finished text that passed a complete address while typed.
    auto* ports = w.Select<CConfigPortView>(w.NetGroup());
    ASSERT_NE(ports, nullptr);
    ASSERT_EQ(ports->List()->GetItemCount(), 2);
    std::unique_ptr<QMenu> menu(ports->BuildContextMenu({}));
    ASSERT_NE(Action(menu.get(), "添加端口"), nullptr);
    Action(menu.get(), "添加端口")->trigger();
    ASSERT_EQ(ports->List()->GetItemCount(), 3);
    auto* ip = ports->findChild<QLineEdit*>("ipEdit");
    ASSERT_NE(ip, nullptr);
    for (const char* typed : {"10.0.0", "10.0.0.12", "10.0.0.256"}) {
        ports->OnClickCell(2, 2);
        ASSERT_TRUE(ip->isVisible());
        ip->clear();
        QTest::keyClicks(ip, typed);
        QTest::keyClick(ip, Qt::Key_Return);
    }
    EXPECT_EQ(ports->List()->GetItemText(2, 2), "10.0.0.12");

    // Two time sources: one on the third network port, one on the second.
    auto* sources = w.Select<CAdjusttimeView>(w.Top(0));
    ASSERT_NE(sources, nullptr);
    menu.reset(sources->BuildContextMenu());
    Action(menu.get(), "添加对时源")->trigger();
    Action(menu.get(), "添加对时源")->trigger();
    ASSERT_EQ(sources->List()->GetItemCount(), 2);
    emit sources->List()->cellClicked(0, 2);
    ChooseText(sources->Editor(), "NET2<地址2>(未用)");
    emit sources->List()->cellClicked(0, 3);
    Type(sources->Editor(), "5");
    emit sources->List()->cellClicked(1, 2);
    ChooseText(sources->Editor(), "NET1<地址1>(未用)");
    EXPECT_EQ(sources->List()->GetItemText(0, 2), "NET2<地址2>(未用)");
    EXPECT_EQ(sources->List()->GetItemText(1, 2), "NET1<地址1>(未用)");

    // The second network port goes: asked first, since the second source uses it (No by
    // default keeps it); on Yes the later port takes its number, the first source follows its
    // port and the second, whose port is gone, is removed.
    ports = w.Select<CConfigPortView>(w.NetGroup());
    ASSERT_NE(ports, nullptr);
    const std::string portQuestion =
        "删除所选端口将同时删除以下对时源:\n对时源2: 板卡1 网络地址1\n是否继续？";
    prompts.Clear();
    prompts.Script({platform::Answer::No});
    ports->List()->SelectRow(1);
    menu.reset(ports->BuildContextMenu({}));
    Action(menu.get(), "删除端口")->trigger();
    ASSERT_EQ(prompts.Texts(), std::vector<std::string>{portQuestion});
    EXPECT_EQ(prompts.Messages()[0].defaultButton, platform::Answer::No);
    ASSERT_EQ(ports->List()->GetItemCount(), 3);
    prompts.Clear();
    prompts.Script({platform::Answer::Yes});
    ports->List()->SelectRow(1);
    menu.reset(ports->BuildContextMenu({}));
    Action(menu.get(), "删除端口")->trigger();
    ASSERT_EQ(ports->List()->GetItemCount(), 2);
    EXPECT_EQ(ports->List()->GetItemText(1, 0), "1");
    EXPECT_EQ(ports->List()->GetItemText(1, 2), "10.0.0.12");
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{portQuestion});
    sources = w.Select<CAdjusttimeView>(w.Top(0));
    ASSERT_EQ(sources->List()->GetItemCount(), 1);
    EXPECT_EQ(sources->List()->GetItemText(0, 2), "NET1<地址1>(未用)");

    // A device from the model list of the right pane, readdressed; virtual addresses are refused.
    auto* devices = w.Select<CDevinfolistView>(w.Top(1)->child(0));
    ASSERT_NE(devices, nullptr);
    auto* models = dynamic_cast<CSelDevView*>(w.frame->RightView());
    ASSERT_NE(models, nullptr);
    ASSERT_GT(models->List()->GetItemCount(), 0);
    models->List()->SelectRow(0);
    models->OnAddDevices();
    ASSERT_EQ(devices->List()->GetItemCount(), 1);
    emit devices->List()->cellClicked(0, 1);
    Type(devices->Editor(), "65531");
    EXPECT_EQ(prompts.LastText(), "第0行设置错误！\n原因:输入 65531 非法！");
    emit devices->List()->cellClicked(0, 1);
    Type(devices->Editor(), "7");
    EXPECT_EQ(devices->List()->GetItemText(0, 1), "7");
    const CDevice* device = doc->FindDevice(7);
    ASSERT_NE(device, nullptr);
    int ycGroup = -1, ycEntry = -1;
    for (const CInfoGroup& group : device->m_model.m_groups)
        for (const CInfoEntry& entry : group.m_entries)
            if (ycGroup < 0 && group.m_nType == kInfoTypeYC && entry.m_nEntry > 0) {
                ycGroup = group.m_nGroupNo;
                ycEntry = entry.m_nEntry;
            }
    ASSERT_GE(ycGroup, 0) << "the sample model has a telemeasurement";

    // A voltage level, a bay and a line with one of the device's points.
    auto* levels = w.Select<CConfigPrjbayView>(w.Top(2));
    ASSERT_NE(levels, nullptr);
    menu.reset(levels->BuildContextMenu());
    Action(menu.get(), "添加电压等级")->trigger();
    ASSERT_EQ(levels->List()->GetItemCount(), 1);
    auto* bays = w.Select<CConfigBayView>(w.Top(2)->child(0));
    ASSERT_NE(bays, nullptr);
    menu.reset(bays->BuildContextMenu({}));
    Action(menu.get(), "添加间隔")->trigger();
    ASSERT_EQ(bays->List()->GetItemCount(), 1);
    auto* equipment = w.Select<CConfigEquipView>(w.Top(2)->child(0)->child(0));
    ASSERT_NE(equipment, nullptr);
    // Its one tab is as wide as its title, not stretched across the view.
    ASSERT_EQ(equipment->Tabs()->count(), 1);
    EXPECT_LT(equipment->Tabs()->tabRect(0).width(), equipment->Tabs()->width() / 2);
    menu.reset(equipment->BuildContextMenu());
    Action(menu.get(), "添加一次设备")->trigger();
    ASSERT_EQ(equipment->List()->GetItemCount(), 1);
    // The first type takes no points, and says why.
    auto* detail = w.Select<CConfigEquipDetailView>(w.Equipment());
    ASSERT_NE(detail, nullptr);
    detail->AddRefPoints({CPointRef(7, ycGroup, ycEntry)});
    EXPECT_EQ(prompts.LastText().rfind("设备类型断路器(类型QF)不能关联测点", 0), 0u) << prompts.LastText();
    equipment = w.Select<CConfigEquipView>(w.Top(2)->child(0)->child(0));
    emit equipment->List()->cellClicked(0, 1);
    ChooseText(equipment->Editor(), "线路");
    EXPECT_EQ(equipment->List()->GetItemText(0, 1), "线路");
    detail = w.Select<CConfigEquipDetailView>(w.Equipment());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(Ss(detail->Tabs()->tabText(0)), "遥测");
    detail->AddRefPoints({CPointRef(7, ycGroup, ycEntry)});
    ASSERT_EQ(detail->List()->GetItemCount(), 1);
    EXPECT_EQ(detail->List()->GetItemText(0, 1), "7");

    const auto before = w.Shown();
    ASSERT_EQ(before.size(), 7u);
    auto has = [&before](const char* view, const std::string& cell) {
        const auto& cells = before.at(view);
        return std::find(cells.begin(), cells.end(), cell) != cells.end();
    };
    EXPECT_TRUE(has("对时源", "0,2=NET1<地址1>(未用)"));
    EXPECT_TRUE(has("对时源", "0,3=5"));
    EXPECT_TRUE(has("装置总表", "0,1=7"));
    EXPECT_TRUE(has("一次设备", "0,1=线路"));
    EXPECT_TRUE(has("一次设备信息", "0,1=7"));
    EXPECT_TRUE(has("网络口", "1,2=10.0.0.12"));
    EXPECT_EQ(before.at("间隔").size(), 2u);
    ASSERT_EQ(doc->SaveProject(false), 1);
    const std::filesystem::path main = root / "Project/Demo/ProjectV1.00/QXM7740.ini";
    ASSERT_TRUE(std::filesystem::exists(main));

    // Reopened in a fresh document and a fresh window.
    window.reset();
    doc.reset();
    prompts.Clear();
    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(main));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    Window again;
    EXPECT_EQ(again.tree.RootItem()->text(0).toStdString(), "Demo--QXM7740[65530]");
    const auto after = again.Shown();
    for (const auto& [name, cells] : before) {
        ASSERT_TRUE(after.count(name)) << name;
        EXPECT_EQ(after.at(name), cells) << name;
    }
    auto* shownAgain = again.Select<CConfigPrjView>(again.tree.RootItem());
    ASSERT_NE(shownAgain, nullptr);
    EXPECT_EQ(shownAgain->List()->GetItemText(0, 2), "65530");
    EXPECT_EQ(reopened.m_boardCfg.m_nUnitAddress, 65530);

    // The written main file holds the same.
    const std::string text = testsupport::ReadGbkText(main);
    EXPECT_NE(text.find("管理机地址=65530"), std::string::npos);
    EXPECT_NE(text.find("本机IP=10.0.0.12"), std::string::npos);
    EXPECT_NE(text.find("对时源=0,0,2,1,5"), std::string::npos);
    EXPECT_EQ(text.find("对时源=1,"), std::string::npos);
    EXPECT_NE(text.find("[网络1配置]"), std::string::npos);
    EXPECT_EQ(text.find("[网络2配置]"), std::string::npos);
    // The unit address has one home: the unit options in system.cfg carry no second one.
    const std::string options = testsupport::ReadGbkText(main.parent_path() / "system.cfg");
    EXPECT_NE(options.find("对时方式"), std::string::npos);
    EXPECT_EQ(options.find("管理机地址"), std::string::npos);
}

// The voltage-level combo: the arrow keys browse without writing, the Return that confirms the
// choice brings the question about the level's bays with 否 as its default, so the same key keeps
// them; saved and reopened, the level and its bay are there. A click on an entry of the open list
// commits at once, and a deliberate 是 renames the level without its bays.
TEST_F(EditorJourney, BrowsingTheLevelComboAndConfirmingWithReturnKeepsTheBays) {
    auto doc = std::make_unique<CConfigDoc>();
    ASSERT_TRUE(doc->OnNewDocument());
    auto window = std::make_unique<Window>();
    Window& w = *window;
    auto* levels = w.Select<CConfigPrjbayView>(w.Top(2));
    ASSERT_NE(levels, nullptr);
    std::unique_ptr<QMenu> menu(levels->BuildContextMenu());
    Action(menu.get(), "添加电压等级")->trigger();
    ASSERT_EQ(levels->List()->GetItemCount(), 1);
    const std::string name = levels->List()->GetItemText(0, 1);
    auto* bays = w.Select<CConfigBayView>(w.Top(2)->child(0));
    ASSERT_NE(bays, nullptr);
    menu.reset(bays->BuildContextMenu({}));
    Action(menu.get(), "添加间隔")->trigger();
    ASSERT_EQ(bays->List()->GetItemCount(), 1);
    const std::vector<std::string> bayCells = Cells(bays->List());

    levels = w.Select<CConfigPrjbayView>(w.Top(2));
    ASSERT_NE(levels, nullptr);
    prompts.Clear();
    prompts.AnswerWithDefaultButton();
    emit levels->List()->cellClicked(0, 1);
    QComboBox* combo = levels->Editor()->Combo();
    ASSERT_TRUE(combo->isVisible());
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(prompts.Count(), 0u) << prompts.LastText();
    EXPECT_TRUE(combo->isVisible());
    EXPECT_NE(Ss(combo->currentText()), name);
    EXPECT_EQ(levels->List()->GetItemText(0, 1), name);
    QTest::keyClick(combo, Qt::Key_Return);
    const auto asked = prompts.Messages();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "更改电压等级" + name + "将同时删除其下的1个间隔及其一次设备，是否继续？");
    EXPECT_EQ(asked[0].buttons, platform::Buttons::YesNo);
    EXPECT_EQ(asked[0].defaultButton, platform::Answer::No);
    EXPECT_FALSE(combo->isVisible());
    EXPECT_EQ(levels->List()->GetItemText(0, 1), name);
    ASSERT_EQ(doc->SaveProject(false), 1);
    const std::filesystem::path main = root / "Project/Demo/ProjectV1.00/QXM7740.ini";

    window.reset();
    doc.reset();
    prompts.Clear();
    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(main));
    Window again;
    levels = again.Select<CConfigPrjbayView>(again.Top(2));
    ASSERT_NE(levels, nullptr);
    EXPECT_EQ(levels->List()->GetItemText(0, 1), name);
    bays = again.Select<CConfigBayView>(again.Top(2)->child(0));
    ASSERT_NE(bays, nullptr);
    EXPECT_EQ(Cells(bays->List()), bayCells);

    // An entry clicked in the open list is written at once; 是 renames and the bay goes.
    levels = again.Select<CConfigPrjbayView>(again.Top(2));
    emit levels->List()->cellClicked(0, 1);
    combo = levels->Editor()->Combo();
    ASSERT_TRUE(combo->isVisible());
    const int other = combo->currentIndex() == 0 ? 1 : 0;
    const std::string otherName = Ss(combo->itemText(other));
    prompts.Script({platform::Answer::Yes});
    combo->setCurrentIndex(other);
    emit combo->activated(other);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(levels->List()->GetItemText(0, 1), otherName);
    EXPECT_EQ(reopened.m_bays.GetSize(), 0);
}

// The first device model of the library with a telecontrol group of at least `entries` entries.
const CDeviceTemplate* TelecontrolModel(const CConfigDoc& doc, int entries, int& ykGroup) {
    for (const CDeviceTemplate& m : doc.m_deviceModels)
        for (const CInfoGroup& g : m.m_groups)
            if (g.m_nType == kInfoTypeYK && g.m_entries.GetSize() >= entries) {
                ykGroup = g.m_nGroupNo;
                return &m;
            }
    return nullptr;
}

// A voltage level with one bay holding one line (the sample library's equipment type that takes
// points).
void AddLine(CConfigDoc& doc, CPrjDevice*& line) {
    ASSERT_TRUE(CPrjbayModel::AddLevel(doc));
    CVoltLevel& level = *doc.m_voltLevels.GetById(doc.m_voltOrder.m_codes[0]);
    ASSERT_TRUE(CBayListModel::AddBay(doc, level));
    CPrjBay& bay = *doc.m_bays.GetById(level.m_bayIds[0]);
    ASSERT_TRUE(CEquipViewModel::AddEquipment(doc, bay));
    ASSERT_TRUE(CEquipViewModel::SetType(doc, bay, 0, "线路"));
    line = testsupport::Found(doc.m_prjDevices.GetById(bay.m_equipmentIds[0]));
}

// A new project with two unplaced devices a < b of the first model whose telecontrol group has at
// least `entries` entries; a's model is marked as an SCD import's (its descriptions are kept).
void AddTwoDevices(CConfigDoc& doc, int entries, int& ykGroup, int& a, int& b) {
    ASSERT_TRUE(doc.OnNewDocument());
    const CDeviceTemplate* model = TelecontrolModel(doc, entries, ykGroup);
    ASSERT_NE(model, nullptr) << "the sample library has a model with telecontrols";
    const auto unplaced = [](CDevice&, const std::vector<CPortChoice>&, int) { return -1; };
    a = CDevinfolistModel::AddDevice(doc, *model, unplaced);
    b = CDevinfolistModel::AddDevice(doc, *model, unplaced);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, a);
    testsupport::Found(doc.FindDevice(a))->m_model.m_nFlag = 1;
}

TEST_F(EditorJourney, DeletedPointsAndDevicesLeaveNoReferenceBehindInTheSavedProject) {
    auto doc = std::make_unique<CConfigDoc>();
    // A device model with a telecontrol group of at least three entries, used by two devices.
    int ykGroup = -1, a = 0, b = 0;
    ASSERT_NO_FATAL_FAILURE(AddTwoDevices(*doc, 3, ykGroup, a, b));
    const CInfoGroup* group = testsupport::Found(doc->FindDevice(a))->m_model.FindGroup(ykGroup);
    const int first = group->m_entries[1].m_nEntry;
    const int second = group->m_entries[2].m_nEntry;
    const std::string secondDesc = group->m_entries[2].m_strDesc;

    // The two telecontrols are named by the system port's table, a line and a composite signal;
    // device b is named too.
    CBoardInfo& board = doc->m_boardCfg.m_boards[0];
    CPortRecord& net = board.m_ports[1][0];
    CPortGridModel::ChangeProtocol(*doc, net, "IEC103后台");
    CRefTable* yk = nullptr;
    for (CRefTable& t : net.m_protocol.m_tables)
        if (t.m_nType == kInfoTypeYK)
            yk = &t;
    ASSERT_NE(yk, nullptr);
    for (int entry : {first, second})
        ASSERT_EQ(CRefTableModel::AddPoint(*doc, *yk, a, ykGroup, entry, false),
                  CRefTableModel::AddResult::Added);
    ASSERT_EQ(CRefTableModel::AddPoint(*doc, *yk, b, ykGroup, first, false),
              CRefTableModel::AddResult::Added);
    CPrjDevice* line = nullptr;
    ASSERT_NO_FATAL_FAILURE(AddLine(*doc, line));
    CPrjDevice& equipment = *line;
    const int ykTable = CEquipDetailModel::TableOfCategory(equipment, kInfoTypeYK);
    ASSERT_GE(ykTable, 0);
    ASSERT_EQ(CEquipDetailModel::AddRefPoint(*doc, equipment, ykTable, a, ykGroup, second), 1);
    CDevice* composite = doc->FindDevice(kCompositeDeviceAddress);
    ASSERT_NE(composite, nullptr);
    CInfoEntry signal;
    signal.m_nGroup = 1;
    signal.m_nEntry = 1;
    signal.m_strDesc = "合成信号";
    signal.m_expr.m_nOperator = 1;
    CExprOperand op;
    op.m_nAddress = a;
    op.m_nGroup = ykGroup;
    op.m_nEntry = second;
    CExprOperand gone = op;
    gone.m_nEntry = first;
    CExprOperand other = op;
    other.m_nAddress = b;
    signal.m_expr.m_operands = {op, gone, other};
    if (composite->m_model.m_groups.IsEmpty()) {
        CInfoGroup g;
        g.m_nGroupNo = 1;
        g.m_nType = kInfoTypeYX;
        g.m_strName = "复合信号";
        composite->m_model.m_groups.Add(g);
    }
    composite->m_model.m_groups[0].m_entries.RemoveAll();
    composite->m_model.m_groups[0].m_entries.InsertSorted(signal);

    // The first telecontrol of a goes (after a Yes), then device b.
    prompts.Script({platform::Answer::Yes});
    ASSERT_TRUE(CDevDetailModel::DeleteTelecontrol(*doc, a, kInfoTypeYK,
                                                   {CDevDetailModel::EntryKey(ykGroup, first)}));
    CDevinfolistModel::DeleteDevices(*doc, {b});
    ASSERT_EQ(doc->SaveProject(false), 1);
    const std::filesystem::path main = root / "Project/Demo/ProjectV1.00/QXM7740.ini";
    doc.reset();

    prompts.Clear();
    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(main));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    // The second telecontrol took the first one's number, and every reference followed it.
    const CInfoEntry* moved = reopened.FindDeviceInfo(a, ykGroup, first);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->m_strDesc, secondDesc);
    const CPortRecord& port = reopened.m_boardCfg.m_boards[0].m_ports[1][0];
    const CRefTable* table = nullptr;
    for (const CRefTable& t : port.m_protocol.m_tables)
        if (t.m_nType == kInfoTypeYK)
            table = &t;
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->m_entries.GetSize(), 1);
    EXPECT_EQ(table->m_entries[0].m_nAddress, a);
    EXPECT_EQ(table->m_entries[0].m_nEntry, first);
    ASSERT_EQ(reopened.m_prjDevices.GetSize(), 1);
    const CRefTable& lineTable = reopened.m_prjDevices[0].m_settings.m_tables[ykTable];
    ASSERT_EQ(lineTable.m_entries.GetSize(), 1);
    EXPECT_EQ(lineTable.m_entries[0].m_nEntry, first);
    const CInfoEntry* saved = reopened.FindDeviceInfo(kCompositeDeviceAddress, 1, 1);
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(saved->m_expr.m_operands.size(), 1u);
    EXPECT_EQ(saved->m_expr.m_operands[0].m_nAddress, a);
    EXPECT_EQ(saved->m_expr.m_operands[0].m_nEntry, first);
    EXPECT_EQ(reopened.FindDevice(b), nullptr);
}

TEST_F(EditorJourney, EquipmentRowLinksFollowTheReferencesLeftByEntryAndDeviceDeletion) {
    auto doc = std::make_unique<CConfigDoc>();
    int ykGroup = -1, a = 0, b = 0;
    ASSERT_NO_FATAL_FAILURE(AddTwoDevices(*doc, 2, ykGroup, a, b));
    const CInfoGroup* group = testsupport::Found(doc->FindDevice(a))->m_model.FindGroup(ykGroup);
    const int first = group->m_entries[0].m_nEntry;
    const int second = group->m_entries[1].m_nEntry;

    // A line whose telecontrol table names A1, A2 and B1, in rows 0, 1 and 2.
    CPrjDevice* line = nullptr;
    ASSERT_NO_FATAL_FAILURE(AddLine(*doc, line));
    CPrjDevice& equipment = *line;
    const int ykTable = CEquipDetailModel::TableOfCategory(equipment, kInfoTypeYK);
    ASSERT_GE(ykTable, 0);
    for (const auto& [address, entry] : {std::pair{a, first}, {a, second}, {b, first}})
        ASSERT_EQ(CEquipDetailModel::AddRefPoint(*doc, equipment, ykTable, address, ykGroup, entry), 1);
    const int* link = testsupport::Found(doc->FindDeviceInfo(b, ykGroup, first))->m_equip;
    ASSERT_EQ(link[4], 2);
    const std::string linkHead = platform::StrFormat("设备=%d,%d,%d,%d,", link[0], link[1], link[2], link[3]);

    // A1 goes: A2 takes its number and row 0, B1 moves to row 1.
    prompts.Script({platform::Answer::Yes});
    ASSERT_TRUE(CDevDetailModel::DeleteTelecontrol(*doc, a, kInfoTypeYK,
                                                   {CDevDetailModel::EntryKey(ykGroup, first)}));
    EXPECT_EQ(testsupport::Found(doc->FindDeviceInfo(a, ykGroup, first))->m_equip[4], 0);
    EXPECT_EQ(testsupport::Found(doc->FindDeviceInfo(b, ykGroup, first))->m_equip[4], 1);
    ASSERT_EQ(doc->SaveProject(false), 1);
    const std::filesystem::path main = root / "Project/Demo/ProjectV1.00/QXM7740.ini";
    doc.reset();
    std::string text = testsupport::ReadGbkText(main);
    EXPECT_NE(text.find(linkHead + "0"), std::string::npos) << linkHead;
    EXPECT_NE(text.find(linkHead + "1"), std::string::npos) << linkHead;
    EXPECT_EQ(text.find(linkHead + "2"), std::string::npos) << linkHead;

    auto reopened = std::make_unique<CConfigDoc>();
    ASSERT_TRUE(reopened->OnOpenDocument(main));
    EXPECT_EQ(testsupport::Found(reopened->FindDeviceInfo(a, ykGroup, first))->m_equip[4], 0);
    EXPECT_EQ(testsupport::Found(reopened->FindDeviceInfo(b, ykGroup, first))->m_equip[4], 1);

    // Device a goes: B1 is the table's only reference, in row 0.
    CDevinfolistModel::DeleteDevices(*reopened, {a});
    EXPECT_EQ(testsupport::Found(reopened->FindDeviceInfo(b, ykGroup, first))->m_equip[4], 0);
    ASSERT_EQ(reopened->SaveProject(false), 1);
    const std::filesystem::path next = reopened->GetTitle(); // the next version's main file
    ASSERT_NE(next, main);
    reopened.reset();
    text = testsupport::ReadGbkText(next);
    EXPECT_NE(text.find(linkHead + "0"), std::string::npos) << linkHead;
    EXPECT_EQ(text.find(linkHead + "1"), std::string::npos) << linkHead;
    CConfigDoc again;
    ASSERT_TRUE(again.OnOpenDocument(next));
    ASSERT_EQ(again.m_prjDevices.GetSize(), 1);
    ASSERT_EQ(again.m_prjDevices[0].m_settings.m_tables[ykTable].m_entries.GetSize(), 1);
    EXPECT_EQ(testsupport::Found(again.FindDeviceInfo(b, ykGroup, first))->m_equip[4], 0);
}

// Two composite telesignals 11-1 and 11-3 of a new project; 11-1 is named by 11-3's operands, the
// system port's telesignal table (beside 11-3), a line's telesignal table and a telecontrol's
// "遥信=" link.
struct CompositeScene {
    int a = 0;
    int ykGroup = -1;
    int control = 0;
    CRefTable* yx = nullptr;
    CPrjDevice* equipment = nullptr;
    int yxTable = -1;
};

void BuildCompositeScene(CConfigDoc& doc, CompositeScene& scene) {
    int& ykGroup = scene.ykGroup;
    ASSERT_TRUE(doc.OnNewDocument());
    const CDeviceTemplate* model = TelecontrolModel(doc, 1, ykGroup);
    ASSERT_NE(model, nullptr) << "the sample library has a model with telecontrols";
    const auto unplaced = [](CDevice&, const std::vector<CPortChoice>&, int) { return -1; };
    const int a = scene.a = CDevinfolistModel::AddDevice(doc, *model, unplaced);
    ASSERT_GT(a, 0);
    const int control = scene.control =
        testsupport::Found(testsupport::Found(doc.FindDevice(a))->m_model.FindGroup(ykGroup))
            ->m_entries[0]
            .m_nEntry;

    // Two composite telesignals 11-1 and 11-3; the second has the first among its operands.
    constexpr int composite = kCompositeDeviceAddress;
    auto signal = [](int entry, const char* name) {
        CInfoEntry e;
        e.m_nGroup = 11;
        e.m_nEntry = entry;
        e.m_strDesc = name;
        e.m_strGroupName = "遥信";
        e.m_expr.m_nOperator = 1;
        return e;
    };
    ASSERT_EQ(doc.SetCompositeExpression(11, kInfoTypeYX, signal(1, "合成一")), 1);
    CInfoEntry second = signal(3, "合成三");
    CExprOperand op;
    op.m_nAddress = composite;
    op.m_nGroup = 11;
    op.m_nEntry = 1;
    CExprOperand kept = op;
    kept.m_nAddress = a;
    kept.m_nGroup = ykGroup;
    kept.m_nEntry = control;
    second.m_expr.m_operands = {op, kept};
    ASSERT_EQ(doc.SetCompositeExpression(11, kInfoTypeYX, second), 1);

    // 11-1 is named by the system port's telesignal table (beside 11-3), a line and the
    // telecontrol's "遥信=" link.
    CPortRecord& net = doc.m_boardCfg.m_boards[0].m_ports[1][0];
    CPortGridModel::ChangeProtocol(doc, net, "IEC103后台");
    CRefTable*& yx = scene.yx;
    for (CRefTable& t : net.m_protocol.m_tables)
        if (!yx && t.m_nType == kInfoTypeYX)
            yx = &t;
    ASSERT_NE(yx, nullptr);
    for (int entry : {1, 3})
        ASSERT_EQ(CRefTableModel::AddPoint(doc, *yx, composite, 11, entry, false),
                  CRefTableModel::AddResult::Added);
    ASSERT_NO_FATAL_FAILURE(AddLine(doc, scene.equipment));
    CPrjDevice& equipment = *scene.equipment;
    const int yxTable = scene.yxTable = CEquipDetailModel::TableOfCategory(equipment, kInfoTypeYX);
    ASSERT_GE(yxTable, 0);
    ASSERT_EQ(CEquipDetailModel::AddRefPoint(doc, equipment, yxTable, composite, 11, 1), 1);
    int* link = testsupport::Found(doc.FindDeviceInfo(a, ykGroup, control))->m_yx;
    link[0] = composite;
    link[1] = 11;
    link[2] = 1;
}

TEST_F(EditorJourney, ADeletedCompositeSignalLeavesNoReferenceBehindInTheSavedProject) {
    auto doc = std::make_unique<CConfigDoc>();
    CompositeScene scene;
    ASSERT_NO_FATAL_FAILURE(BuildCompositeScene(*doc, scene));
    const int a = scene.a, ykGroup = scene.ykGroup, control = scene.control, yxTable = scene.yxTable;
    constexpr int composite = kCompositeDeviceAddress;
    CRefTable* yx = scene.yx;
    CPrjDevice& equipment = *scene.equipment;

    // Asked first; No leaves everything as it was.
    points::CVirtualPoints points(*doc);
    prompts.Script({platform::Answer::No});
    EXPECT_FALSE(points.Delete({{11, 1}}));
    EXPECT_EQ(prompts.LastText(), "所选信息被引用4处(引用表、一次设备、复合信号或遥信关联)。\n"
                                  "删除信息将同时删除这些引用，是否继续？");
    EXPECT_EQ(testsupport::Back(prompts.Messages()).defaultButton, platform::Answer::No);
    ASSERT_NE(doc->FindDeviceInfo(composite, 11, 1), nullptr);
    EXPECT_EQ(yx->m_entries.GetSize(), 2);
    EXPECT_EQ(equipment.m_settings.m_tables[yxTable].m_entries.GetSize(), 1);
    EXPECT_EQ(testsupport::Found(doc->FindDeviceInfo(composite, 11, 3))->m_expr.m_operands.size(), 2u);
    EXPECT_EQ(testsupport::Found(doc->FindDeviceInfo(a, ykGroup, control))->m_yx[0], composite);

    prompts.Script({platform::Answer::Yes});
    EXPECT_TRUE(points.Delete({{11, 1}}));
    EXPECT_EQ(doc->FindDeviceInfo(composite, 11, 1), nullptr);
    ASSERT_EQ(doc->SaveProject(false), 1);
    const std::filesystem::path main = root / "Project/Demo/ProjectV1.00/QXM7740.ini";
    doc.reset();
    EXPECT_EQ(testsupport::ReadGbkText(main).find(platform::StrFormat("遥信=%d,11,1", composite)),
              std::string::npos);

    prompts.Clear();
    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(main));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(reopened.FindDeviceInfo(composite, 11, 1), nullptr);
    // The other composite keeps its number and its other operand.
    const CInfoEntry* left = reopened.FindDeviceInfo(composite, 11, 3);
    ASSERT_NE(left, nullptr);
    ASSERT_EQ(left->m_expr.m_operands.size(), 1u);
    EXPECT_EQ(left->m_expr.m_operands[0].m_nAddress, a);
    const CRefTable* table = nullptr;
    for (const CRefTable& t : reopened.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_tables)
        if (!table && t.m_nType == kInfoTypeYX)
            table = &t;
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->m_entries.GetSize(), 1);
    EXPECT_EQ(table->m_entries[0].m_nAddress, composite);
    EXPECT_EQ(table->m_entries[0].m_nEntry, 3);
    ASSERT_EQ(reopened.m_prjDevices.GetSize(), 1);
    EXPECT_TRUE(reopened.m_prjDevices[0].m_settings.m_tables[yxTable].m_entries.IsEmpty());
    EXPECT_EQ(testsupport::Found(reopened.FindDeviceInfo(a, ykGroup, control))->m_yx[0], -1);
}

// Changing a composite signal's key through its dialog (11-1 to 11-5): everything that named it
// names it under the new key, and its own equipment link and settings stay, also after saving and
// reopening. An edit that keeps the key keeps them too.
TEST_F(EditorJourney, AChangedCompositeKeyIsFollowedByItsReferences) {
    auto doc = std::make_unique<CConfigDoc>();
    CompositeScene scene;
    ASSERT_NO_FATAL_FAILURE(BuildCompositeScene(*doc, scene));
    constexpr int composite = kCompositeDeviceAddress;
    const std::vector<int> equipLink(
        std::begin(testsupport::Found(doc->FindDeviceInfo(composite, 11, 1))->m_equip),
        std::end(testsupport::Found(doc->FindDeviceInfo(composite, 11, 1))->m_equip));
    ASSERT_NE(equipLink[0], -1) << "the line's table links the point";
    points::CVirtualPoints points(*doc);
    points::CVirtualPointEdit edit;
    ASSERT_TRUE(points.EditOf(11, 1, edit));
    edit.name = "合成一改";
    ASSERT_EQ(points.StoreChanged(points::VirtualKind::YxComposite, 11, 1, edit), 1);
    EXPECT_EQ(std::vector<int>(std::begin(testsupport::Found(doc->FindDeviceInfo(composite, 11, 1))->m_equip),
                               std::end(testsupport::Found(doc->FindDeviceInfo(composite, 11, 1))->m_equip)),
              equipLink);
    edit.entry = 5;
    ASSERT_EQ(points.StoreChanged(points::VirtualKind::YxComposite, 11, 1, edit), 1);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});

    auto expectFollowed = [&](CConfigDoc& d) {
        EXPECT_EQ(d.FindDeviceInfo(composite, 11, 1), nullptr);
        const CInfoEntry* moved = d.FindDeviceInfo(composite, 11, 5);
        ASSERT_NE(moved, nullptr);
        EXPECT_EQ(moved->m_strDesc, "合成一改");
        EXPECT_EQ(std::vector<int>(std::begin(moved->m_equip), std::end(moved->m_equip)), equipLink);
        const CInfoEntry* other = testsupport::Found(d.FindDeviceInfo(composite, 11, 3));
        ASSERT_EQ(other->m_expr.m_operands.size(), 2u);
        EXPECT_EQ(other->m_expr.m_operands[0].m_nEntry, 5);
        const CRefTable* table = nullptr;
        for (const CRefTable& t : d.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_tables)
            if (!table && t.m_nType == kInfoTypeYX)
                table = &t;
        ASSERT_NE(table, nullptr);
        std::vector<int> entries;
        for (const CRefTableEntry& e : table->m_entries)
            entries.push_back(e.m_nEntry);
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (std::vector<int>{3, 5}));
        ASSERT_EQ(d.m_prjDevices.GetSize(), 1);
        const CRefTable& line = d.m_prjDevices[0].m_settings.m_tables[scene.yxTable];
        ASSERT_EQ(line.m_entries.GetSize(), 1);
        EXPECT_EQ(line.m_entries[0].m_nEntry, 5);
        const int* link = testsupport::Found(d.FindDeviceInfo(scene.a, scene.ykGroup, scene.control))->m_yx;
        EXPECT_EQ((std::vector<int>{link[0], link[1], link[2]}), (std::vector<int>{composite, 11, 5}));
    };
    expectFollowed(*doc);
    ASSERT_EQ(doc->SaveProject(false), 1);
    doc.reset();
    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(root / "Project/Demo/ProjectV1.00/QXM7740.ini"));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    expectFollowed(reopened);
}

// Deleting a device through the device list: the question names the composite and telesignal-link
// references and has 否 as its default; 否 keeps everything. After 是 an operand on the device goes
// with its operator and the rest stays ("A与B" keeps A); a composite left without operands is
// deleted, and so is one whose only operand was that composite; the message names both. Saved and
// reopened, the project holds the same.
TEST_F(EditorJourney, DeletingADeviceAsksAndTidiesTheCompositesThatUsedIt) {
    auto doc = std::make_unique<CConfigDoc>();
    int ykGroup = -1, a = 0, b = 0;
    ASSERT_NO_FATAL_FAILURE(AddTwoDevices(*doc, 2, ykGroup, a, b));
    const int control = testsupport::Found(testsupport::Found(doc->FindDevice(a))->m_model.FindGroup(ykGroup))
                            ->m_entries[0]
                            .m_nEntry;
    auto operand = [&](int address, int group, int entry) {
        CExprOperand op;
        op.m_nKind = 1;
        op.m_nAddress = address;
        op.m_nGroup = group;
        op.m_nEntry = entry;
        return op;
    };
    auto signal = [](int entry, const char* name, int op, std::vector<CExprOperand> operands) {
        CInfoEntry e;
        e.m_nGroup = 11;
        e.m_nEntry = entry;
        e.m_strDesc = name;
        e.m_strGroupName = "遥信";
        e.m_expr.m_nOperator = static_cast<std::uint8_t>(op);
        e.m_expr.m_operands = std::move(operands);
        return e;
    };
    ASSERT_EQ(doc->SetCompositeExpression(
                  11, kInfoTypeYX,
                  signal(1, "甲与乙", 8, {operand(a, ykGroup, control), operand(b, ykGroup, control)})),
              1);
    ASSERT_EQ(
        doc->SetCompositeExpression(11, kInfoTypeYX, signal(2, "非乙", 7, {operand(b, ykGroup, control)})),
        1);
    ASSERT_EQ(doc->SetCompositeExpression(11, kInfoTypeYX,
                                          signal(3, "非非乙", 7, {operand(kCompositeDeviceAddress, 11, 2)})),
              1);
    ASSERT_EQ(doc->SetCompositeExpression(11, kInfoTypeYX,
                                          signal(4, "甲或乙或甲", 9,
                                                 {operand(a, ykGroup, control), operand(b, ykGroup, control),
                                                  operand(a, ykGroup, control)})),
              1);

    auto window = std::make_unique<Window>();
    auto* devices = window->Select<CDevinfolistView>(window->Top(1)->child(0));
    ASSERT_NE(devices, nullptr);
    auto selectB = [&] {
        for (int r = 0; r < devices->List()->GetItemCount(); ++r)
            if (devices->List()->GetItemText(r, 1) == std::to_string(b))
                devices->List()->SelectRow(r);
        ASSERT_EQ(devices->List()->GetSelectedRows().size(), 1u);
    };
    ASSERT_NO_FATAL_FAILURE(selectB());
    const std::string question = "所选装置的信息被引用3处(引用表、一次设备、复合信号或遥信关联)"
                                 "。\n删除装置将同时删除这些引用，是否继续？";
    prompts.Clear();
    prompts.AnswerWithDefaultButton();
    std::unique_ptr<QMenu> menu(devices->BuildContextMenu());
    ASSERT_NE(Action(menu.get(), "删除(&Delete)"), nullptr);
    Action(menu.get(), "删除(&Delete)")->trigger();
    auto asked = prompts.Messages();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, question);
    EXPECT_EQ(asked[0].defaultButton, platform::Answer::No);
    EXPECT_NE(doc->FindDevice(b), nullptr);
    EXPECT_EQ(
        testsupport::Found(doc->FindDeviceInfo(kCompositeDeviceAddress, 11, 1))->m_expr.m_operands.size(),
        2u);

    prompts.Clear();
    prompts.Script({platform::Answer::Yes});
    devices = window->Select<CDevinfolistView>(window->Top(1)->child(0));
    ASSERT_NO_FATAL_FAILURE(selectB());
    menu.reset(devices->BuildContextMenu());
    Action(menu.get(), "删除(&Delete)")->trigger();
    asked = prompts.Messages();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, question);
    // The AND keeps one operand, fewer than it needs: it goes with the NOT of the device and the
    // NOT of that NOT.
    EXPECT_EQ(asked[1].text, "以下复合信号引用的信息已删除，余下的操作数不够其运算符所需，已一并删除：\n"
                             "复合信号(65531-11-1) 甲与乙\n复合信号(65531-11-2) 非乙\n"
                             "复合信号(65531-11-3) 非非乙");
    EXPECT_EQ(asked[1].caption, "删除装置");
    EXPECT_EQ(doc->FindDevice(b), nullptr);
    for (int r = 0; r < devices->List()->GetItemCount(); ++r)
        EXPECT_NE(devices->List()->GetItemText(r, 1), std::to_string(b));
    ASSERT_EQ(doc->SaveProject(false), 1);
    const std::filesystem::path main = root / "Project/Demo/ProjectV1.00/QXM7740.ini";
    menu.reset();
    window.reset();
    doc.reset();

    prompts.Clear();
    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(main));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(reopened.FindDevice(b), nullptr);
    EXPECT_NE(reopened.FindDevice(a), nullptr);
    EXPECT_EQ(reopened.FindDeviceInfo(kCompositeDeviceAddress, 11, 1), nullptr);
    EXPECT_EQ(reopened.FindDeviceInfo(kCompositeDeviceAddress, 11, 2), nullptr);
    // The OR keeps two operands, as many as it needs.
    const CInfoEntry* kept = reopened.FindDeviceInfo(kCompositeDeviceAddress, 11, 4);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->m_expr.m_nOperator, 9);
    EXPECT_EQ(kept->m_expr.m_operands,
              (std::vector<CExprOperand>{operand(a, ykGroup, control), operand(a, ykGroup, control)}));
    EXPECT_EQ(reopened.FindDeviceInfo(kCompositeDeviceAddress, 11, 3), nullptr);
    Window again;
    devices = again.Select<CDevinfolistView>(again.Top(1)->child(0));
    ASSERT_NE(devices, nullptr);
    for (int r = 0; r < devices->List()->GetItemCount(); ++r)
        EXPECT_NE(devices->List()->GetItemText(r, 1), std::to_string(b));
}
