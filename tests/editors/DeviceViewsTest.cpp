// The device-side views placed by the project tree, driven as a user would.
#include "editors/views/AdjusttimeView.h"
#include "editors/views/ConfigDevDetailView.h"
#include "editors/views/ConfigEquipDetailView.h"
#include "editors/views/ConfigFrame.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/ConfigPrjbayView.h"
#include "editors/views/ConfigPrjView.h"
#include "editors/views/DevinfolistView.h"
#include "editors/views/EquipRefDevListView.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/MovePosDlg.h"
#include "editors/views/RegisterViews.h"
#include "editors/views/SelBoardDlg.h"
#include "editors/views/SelDevView.h"
#include "editors/views/VarInfoDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "tests/editors/EditorFixture.h"
#include "tests/support/DialogRunnerGuard.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

#include <algorithm>

using namespace projectmodel;
using namespace editors;

namespace {

struct DeviceViewsTest : ::testing::Test {
    DeviceViewsTest() {
        RegisterDeviceViews();
        CDeviceTemplate model;
        model.m_strName = "测控装置";
        model.m_strType = "测控";
        project.doc->m_deviceModels.Add(model);
        tree.OnInitialUpdate();
        frame = new CConfigFrame(&tree);
        frame->resize(900, 400);
        frame->show();
    }
    ~DeviceViewsTest() override {
        delete frame;
        for (int k = 0; k < kEditorViewKindCount; ++k)
            CEditorViewRegistry::Register(static_cast<EditorViewKind>(k), nullptr);
    }
    QTreeWidgetItem* DeviceList() { return tree.RootItem()->child(1)->child(0); }
    QTreeWidgetItem* Equipment() { return tree.RootItem()->child(2)->child(0)->child(0)->child(0); }
    template <class View> View* Left() { return dynamic_cast<View*>(frame->LeftView()); }
    static std::vector<std::string> Column(const CGridListCtrl* list, int column) {
        std::vector<std::string> texts;
        for (int r = 0; r < list->GetItemCount(); ++r)
            texts.push_back(list->GetItemText(r, column));
        return texts;
    }
    static void Type(CInPlaceEditor* editor, int row, int column, const char* text) {
        ASSERT_TRUE(editor->OpenEdit(row, column));
        editor->Edit()->setText(QString::fromUtf8(text));
        editor->CommitOpen();
    }

    editortest::Project project;
    testsupport::PromptRecorder prompts;
    CConfigOverView tree;
    CConfigFrame* frame;
};

} // namespace

TEST_F(DeviceViewsTest, TheProjectOpensOnItsPropertiesAndTheUnitAddressIsClamped) {
    auto* view = Left<CConfigPrjView>();
    ASSERT_NE(view, nullptr);
    view->OnInitialUpdate();
    EXPECT_EQ(view->List()->GetItemText(0, 0), "演示");
    Type(view->Editor(), 0, 2, "70000");
    EXPECT_EQ(prompts.LastText(), "数值越限，自动设定为最大值!");
    EXPECT_EQ(view->List()->GetItemText(0, 2), "65530");
    EXPECT_EQ(tree.RootItem()->text(0).toStdString(), "演示--管理机[65530]");
}

TEST_F(DeviceViewsTest, TheDeviceListAddsModelsFromTheRightPane) {
    tree.setCurrentItem(DeviceList());
    auto* list = Left<CDevinfolistView>();
    auto* models = dynamic_cast<CSelDevView*>(frame->RightView());
    ASSERT_TRUE(list && models);
    EXPECT_TRUE(models->IsModelMode());
    EXPECT_EQ(models->Caption()->text().toStdString(), "装置型号列表: ");
    EXPECT_EQ(Column(list->List(), 1), (std::vector<std::string>{"1", "2", "5"}));

    models->List()->SelectRow(0);
    emit models->List()->cellDoubleClicked(0, 0);
    EXPECT_EQ(Column(list->List(), 1), (std::vector<std::string>{"1", "2", "3", "5"}));
    EXPECT_EQ(DeviceList()->childCount(), 4);
    EXPECT_EQ(DeviceList()->child(2)->text(0).toStdString(), "装置3[测控装置]");

    // A device of the list opens its points; the model list gives way.
    tree.setCurrentItem(DeviceList()->child(0));
    auto* detail = Left<CConfigDevDetailView>();
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->Caption()->text().toStdString(), "装置1<线路保护>信息列表:");
    EXPECT_EQ(frame->RightKind(), kViewConfigGINAll);
    EXPECT_EQ(detail->List()->GetItemCount(), 2);
    detail->Tabs()->setCurrentIndex(1);
    EXPECT_EQ(detail->List()->GetItemText(0, 6), "线路保护开关1");
    // A cleared description keeps the old one.
    Type(detail->Editor(), 0, 6, "");
    EXPECT_EQ(testsupport::Found(project.doc->FindDeviceInfo(1, 2, 1))->m_strDesc, "线路保护开关1");
    Type(detail->Editor(), 0, 6, "合位");
    EXPECT_EQ(testsupport::Found(project.doc->FindDeviceInfo(1, 2, 1))->m_strDesc, "合位");
}

// A wide frame: the pane of the model list widens (up to half the frame) so that every column,
// sized to its widest text, is shown whole; a frame too narrow for that leaves the list scrolling.
TEST_F(DeviceViewsTest, TheModelListPaneShowsItsColumnsWhole) {
    CDeviceTemplate model;
    model.m_strName = "IEC61850_QXB610_线路保护";
    model.m_strType = "IEC61850装置";
    model.m_strVersion = "1.00";
    project.doc->m_deviceModels.Add(model);
    struct Case {
        int frameWidth;
        bool whole;
    };
    for (const Case& c : {Case{1400, true}, Case{700, false}}) {
        SCOPED_TRACE(c.frameWidth);
        frame->resize(c.frameWidth, 600);
        tree.setCurrentItem(tree.RootItem());
        tree.setCurrentItem(DeviceList());
        QApplication::processEvents();
        auto* models = dynamic_cast<CSelDevView*>(frame->RightView());
        ASSERT_NE(models, nullptr);
        const CGridListCtrl* list = models->List();
        int columns = 0;
        for (int col = 0; col < list->columnCount(); ++col) {
            columns += list->columnWidth(col);
            for (int r = 0; r < list->rowCount(); ++r)
                EXPECT_GE(list->columnWidth(col),
                          list->fontMetrics().horizontalAdvance(list->item(r, col)->text()));
        }
        EXPECT_LE(models->width(), frame->width() / 2 + 1);
        if (c.whole) {
            EXPECT_LE(columns, list->viewport()->width());
        } else {
            EXPECT_GT(columns, list->viewport()->width());
            EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
        }
    }
}

TEST_F(DeviceViewsTest, DeviceListEditsMenuAndClipboard) {
    tree.setCurrentItem(DeviceList());
    auto* view = Left<CDevinfolistView>();
    ASSERT_NE(view, nullptr);
    Type(view->Editor(), 2, 1, "12a");
    EXPECT_EQ(prompts.LastText(), "第2行设置错误！\n原因:输入 12a 非法！");
    // 0 and the virtual devices' addresses are no ordinary address.
    for (const char* bad : {"0", "65530", "65531", "65535", "65536", "4294967297"}) {
        Type(view->Editor(), 2, 1, bad);
        EXPECT_EQ(prompts.LastText(), std::string("第2行设置错误！\n原因:输入 ") + bad + " 非法！");
    }
    Type(view->Editor(), 2, 1, "4");
    EXPECT_EQ(Column(view->List(), 1), (std::vector<std::string>{"1", "2", "4"}));
    EXPECT_EQ(DeviceList()->child(2)->text(0).toStdString(), "装置4[母线保护]");

    std::unique_ptr<QMenu> menu(view->BuildContextMenu());
    ASSERT_TRUE(menu);
    auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    for (QAction* a : actions)
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();

    view->List()->SelectRow(1);
    view->OnCopy();
    EXPECT_EQ(view->ClipboardCount(), 1);
    menu.reset(view->BuildContextMenu());
    actions = menu->actions();
    EXPECT_TRUE(actions[0]->isEnabled());
    EXPECT_TRUE(actions[1]->isEnabled());
    EXPECT_FALSE(actions[3]->isEnabled()); // the table is kept sorted
    actions[1]->trigger();
    EXPECT_EQ(Column(view->List(), 1), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(project.Port(0, 0).m_protocol.m_deviceAddresses, (CIntArray{1, 2}));
}

TEST_F(DeviceViewsTest, TimeSourcesAreAddedEditedAndDeleted) {
    tree.setCurrentItem(tree.RootItem()->child(0));
    auto* view = Left<CAdjusttimeView>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Caption()->text().toStdString(), "对时源列表: ");
    std::unique_ptr<QMenu> menu(view->BuildContextMenu());
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_FALSE(menu->actions()[1]->isEnabled());
    menu->actions()[0]->trigger();
    menu->actions()[0]->trigger();
    ASSERT_EQ(view->List()->GetItemCount(), 2);
    EXPECT_EQ(view->List()->GetItemText(1, 2), "串口0<地址0>(P103)");
    Type(view->Editor(), 1, 3, "300");
    EXPECT_EQ(view->List()->GetItemText(1, 3), "255");

    // An empty choice changes nothing.
    emit view->List()->cellClicked(0, 2);
    ASSERT_TRUE(view->Editor()->Combo()->isVisible());
    ASSERT_EQ(view->Editor()->Combo()->count(), 3);
    view->Editor()->Combo()->setCurrentIndex(-1);
    view->Editor()->CommitOpen();
    EXPECT_EQ(prompts.Count(), 1u);
    // The chosen entry is the port stored.
    emit view->List()->cellClicked(0, 2);
    view->Editor()->Combo()->setCurrentIndex(2);
    view->Editor()->CommitOpen();
    EXPECT_EQ(project.doc->m_timeSources[0].m_nPortType, 2);
    EXPECT_EQ(view->List()->GetItemText(0, 2), "网络0<地址0>(P104)");

    // A group whose name holds a digit, and two ports that read alike: a serial port of group
    // "RS485" and a network port given the same name, number, address and protocol.
    CBoardInfo& board = project.doc->m_boardCfg.m_boards[0];
    CPortArray rs485;
    rs485.m_strName = "RS485";
    rs485.m_strType = "串口";
    rs485.m_bSerial = true;
    CPortRecord serialPort = editortest::MakePort("串口", 1, 2, "P103", "SYSTEM");
    serialPort.m_strName = "RS485";
    rs485.Add(serialPort);
    board.m_ports.Add(rs485);
    CPortRecord netPort = editortest::MakePort("网络", 1, 2, "P103", "SYSTEM");
    netPort.m_strName = "RS485";
    board.m_ports[1].Add(netPort);
    auto choose = [&](int group, int port) {
        emit view->List()->cellClicked(0, 2);
        ASSERT_TRUE(view->Editor()->Combo()->isVisible());
        int index = 0;
        for (int g = 0; g < group; ++g)
            index += board.m_ports[g].GetSize();
        view->Editor()->Combo()->setCurrentIndex(index + port);
        ASSERT_EQ(view->Editor()->Combo()->currentText().toStdString(), "RS4851<地址2>(P103)");
        view->Editor()->CommitOpen();
    };
    choose(2, 0);
    EXPECT_EQ(project.doc->m_timeSources[0].m_nPortType, 1);
    EXPECT_EQ(project.doc->m_timeSources[0].m_nPort, 2);
    EXPECT_EQ(view->List()->GetItemText(0, 2), "RS4851<地址2>(P103)");
    choose(1, board.m_ports[1].GetSize() - 1);
    EXPECT_EQ(project.doc->m_timeSources[0].m_nPortType, 2);
    EXPECT_EQ(project.doc->m_timeSources[0].m_nPort, 2);
    EXPECT_EQ(view->List()->GetItemText(0, 2), "RS4851<地址2>(P103)");

    view->List()->SelectRow(0);
    view->OnDeleteSource();
    ASSERT_EQ(project.doc->m_timeSources.GetSize(), 1);
    EXPECT_EQ(project.doc->m_timeSources[0].m_nPriority, 255);
}

TEST_F(DeviceViewsTest, EquipmentTakesDevicesAndPoints) {
    CPrjDevice& eq = *project.doc->m_prjDevices.GetById(3);
    eq.m_nBayId = 0;
    eq.m_settings.m_strType = "SYSTEM";
    CRefTable yx;
    yx.m_strName = "遥信表";
    yx.m_nType = 1;
    eq.m_settings.m_tables.Add(yx);
    tree.RebuildTree();

    tree.setCurrentItem(Equipment());
    auto* refs = Left<CEquipRefDevListView>();
    auto* devices = dynamic_cast<CSelDevView*>(frame->RightView());
    ASSERT_TRUE(refs && devices);
    EXPECT_FALSE(devices->IsModelMode());
    EXPECT_EQ(Column(devices->List(), 1), (std::vector<std::string>{"1", "2", "5"}));
    EXPECT_EQ(Column(refs->List(), 1), (std::vector<std::string>{"1", "99", "2"}));
    devices->List()->SelectRow(2);
    devices->List()->SelectRow(0);
    devices->OnAddDevices();
    EXPECT_EQ(eq.m_linkedDevices, (CIntArray{1, 99, 2}));
    devices->List()->clearSelection();
    devices->List()->SelectRow(2);
    devices->OnAddDevices();
    EXPECT_EQ(Column(refs->List(), 1), (std::vector<std::string>{"1", "99", "2", "5"}));
    EXPECT_EQ(Equipment()->childCount(), 4); // 99 has no node; 信息列表 last

    tree.setCurrentItem(Equipment()->child(3));
    auto* detail = Left<CConfigEquipDetailView>();
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->Caption()->text().toStdString(), "220kV线路间隔断路器1信息列表");
    EXPECT_EQ(detail->Tabs()->tabText(0).toStdString(), "遥信表");
    const int points[] = {1, 2, 1, 1, 1, 1};
    detail->AddRefPoints(points, 2);
    EXPECT_EQ(prompts.LastText(), "类型不对应!");
    ASSERT_EQ(detail->List()->GetItemCount(), 1);
    EXPECT_EQ(detail->List()->GetItemText(0, 6), "[线路保护]线路保护开关1");
}

TEST_F(DeviceViewsTest, VoltageLevelsAreRenamedInPlace) {
    tree.setCurrentItem(tree.RootItem()->child(2));
    auto* view = Left<CConfigPrjbayView>();
    ASSERT_NE(view, nullptr);
    std::unique_ptr<QMenu> menu(view->BuildContextMenu());
    menu->actions()[0]->trigger();
    EXPECT_EQ(Column(view->List(), 1), (std::vector<std::string>{"220kV", "6kV"}));
    ASSERT_TRUE(view->Editor()->OpenCombo(1, 1, {"6kV", "220kV"}));
    view->Editor()->Combo()->setCurrentIndex(1);
    view->Editor()->CommitOpen();
    EXPECT_EQ(prompts.LastText(), "220kV已存在");
    EXPECT_EQ(tree.RootItem()->child(2)->childCount(), 2);
}

// A level chosen with the mouse in the open list of the level combo: when the popup has closed
// and the list is filled again, the list's current and selected row is still the edited one.
TEST_F(DeviceViewsTest, TheEditedLevelStaysTheCurrentRowAfterTheComboCloses) {
    tree.setCurrentItem(tree.RootItem()->child(2));
    auto* view = Left<CConfigPrjbayView>();
    ASSERT_NE(view, nullptr);
    std::unique_ptr<QMenu> menu(view->BuildContextMenu());
    menu->actions()[0]->trigger();
    menu->actions()[0]->trigger();
    CGridListCtrl* list = view->List();
    ASSERT_EQ(list->GetItemCount(), 3);
    for (int row : {0, 1, 2}) {
        SCOPED_TRACE(row);
        const QRect cell = list->SubItemRect(row, 1, list->viewport());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QComboBox* combo = view->Editor()->Combo();
        ASSERT_TRUE(combo->isVisible());
        ASSERT_EQ(list->currentRow(), row);
        // An entry no level has yet, so that the rename goes through.
        int entry = -1;
        const std::vector<std::string> names = Column(list, 1);
        for (int i = 0; i < combo->count() && entry < 0; ++i)
            if (std::find(names.begin(), names.end(), combo->itemText(i).toStdString()) == names.end())
                entry = i;
        ASSERT_GE(entry, 0);
        const std::string chosen = combo->itemText(entry).toStdString();
        combo->showPopup();
        QAbstractItemView* popup = combo->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popup->window()));
        const QRect item = popup->visualRect(popup->model()->index(entry, 0));
        QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, item.center());
        QApplication::processEvents();
        EXPECT_FALSE(combo->isVisible());
        EXPECT_EQ(list->GetItemText(row, 1), chosen);
        EXPECT_EQ(list->currentRow(), row);
        EXPECT_EQ(list->GetSelectedRow(), row);
    }
}

using RunnerGuard = testsupport::DialogRunnerGuard;

TEST_F(DeviceViewsTest, VariableInformationIsWrittenBackOnlyOnOk) {
    CItemRecord record;
    record.m_strName = "通讯参数";
    testsupport::Found(project.doc->FindDevice(1))->m_model.m_optionGroups.Add(record);
    tree.setCurrentItem(DeviceList()->child(0));
    auto* detail = Left<CConfigDevDetailView>();
    ASSERT_NE(detail, nullptr);
    EXPECT_TRUE(detail->Button()->isVisible());
    {
        RunnerGuard guard([](QDialog& d) {
            auto& dlg = dynamic_cast<CVarInfoDlg&>(d);
            const_cast<CItemRecordArray&>(dlg.Records())[0].m_strName = "改";
            d.reject();
            return d.result();
        });
        detail->OnVarInfo();
    }
    EXPECT_EQ(testsupport::Found(project.doc->FindDevice(1))->m_model.m_optionGroups[0].m_strName,
              "通讯参数");
    {
        RunnerGuard guard([](QDialog& d) {
            auto& dlg = dynamic_cast<CVarInfoDlg&>(d);
            const_cast<CItemRecordArray&>(dlg.Records())[0].m_strName = "改";
            d.accept();
            return d.result();
        });
        detail->OnVarInfo();
    }
    EXPECT_EQ(testsupport::Found(project.doc->FindDevice(1))->m_model.m_optionGroups[0].m_strName, "改");
    tree.setCurrentItem(DeviceList()->child(1));
    EXPECT_FALSE(detail->Button()->isVisible());
}

TEST_F(DeviceViewsTest, DeletingADeviceDropsItFromItsPortsNodes) {
    project.Port(1, 0).m_protocol.m_deviceAddresses = {5};
    tree.RebuildTree();
    QTreeWidgetItem* port = tree.PortItem(0, 1, 0);
    ASSERT_EQ(port->childCount(), 1);
    tree.setCurrentItem(DeviceList());
    auto* view = Left<CDevinfolistView>();
    view->List()->SelectRow(2);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(view->List(), &del);
    EXPECT_EQ(Column(view->List(), 1), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(tree.PortItem(0, 1, 0)->childCount(), 0);
    EXPECT_EQ(DeviceList()->childCount(), 2);
}

TEST_F(DeviceViewsTest, EquipmentReferencesMoveThroughThePositionDialog) {
    CPrjDevice& eq = *project.doc->m_prjDevices.GetById(3);
    eq.m_nBayId = 0;
    eq.m_settings.m_strType = "SYSTEM";
    CRefTable yc;
    yc.m_strName = "遥测表";
    yc.m_nType = 0;
    eq.m_settings.m_tables.Add(yc);
    tree.RebuildTree();
    tree.setCurrentItem(Equipment()->child(2));
    auto* detail = Left<CConfigEquipDetailView>();
    ASSERT_NE(detail, nullptr);
    detail->AddRefPoints({CPointRef(1, 1, 1), CPointRef(1, 1, 2), CPointRef(2, 1, 1)});
    ASSERT_EQ(detail->List()->GetItemCount(), 3);

    detail->List()->SelectRow(2);
    RunnerGuard guard([](QDialog& d) {
        dynamic_cast<CMovePosDlg&>(d).Edit()->setText("1");
        d.accept();
        return d.result();
    });
    std::unique_ptr<QMenu> menu(detail->BuildContextMenu());
    ASSERT_EQ(menu->actions().size(), 3);
    menu->actions()[0]->trigger();
    EXPECT_EQ(Column(detail->List(), 1), (std::vector<std::string>{"2", "1", "1"}));
    // The move keeps each point's row in its equipment link.
    EXPECT_EQ(testsupport::Found(project.doc->FindDeviceInfo(2, 1, 1))->m_equip[4], 0);
    EXPECT_EQ(testsupport::Found(project.doc->FindDeviceInfo(1, 1, 2))->m_equip[4], 2);
    menu.reset(detail->BuildContextMenu());
    menu->actions()[2]->trigger();
    EXPECT_EQ(Column(detail->List(), 3), (std::vector<std::string>{"1", "2", "1"}));
    // Two rows moved to position 2 land together at rows 2 and 3, in their order.
    detail->List()->clearSelection();
    detail->List()->selectionModel()->select(detail->List()->model()->index(0, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    detail->List()->selectionModel()->select(detail->List()->model()->index(1, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    RunnerGuard second([](QDialog& d) {
        dynamic_cast<CMovePosDlg&>(d).Edit()->setText("2");
        d.accept();
        return d.result();
    });
    menu.reset(detail->BuildContextMenu());
    menu->actions()[0]->trigger();
    EXPECT_EQ(Column(detail->List(), 1), (std::vector<std::string>{"2", "1", "1"}));
    EXPECT_EQ(Column(detail->List(), 3), (std::vector<std::string>{"1", "1", "2"}));
    EXPECT_EQ(testsupport::Found(project.doc->FindDeviceInfo(1, 1, 2))->m_equip[4], 2);
    EXPECT_EQ(testsupport::Found(project.doc->FindDeviceInfo(2, 1, 1))->m_equip[4], 0);
}

TEST_F(DeviceViewsTest, ANewDeviceGoesOnTheChosenPortOfItsProtocol) {
    project.Port(0, 1).m_protocol.m_strName = "P103";
    CDeviceTemplate model = testsupport::Found(project.doc->m_devices.FindByAddress(1))->m_model;
    model.m_strProtocol = "P103";
    tree.setCurrentItem(DeviceList());
    auto* view = Left<CDevinfolistView>();
    ASSERT_NE(view, nullptr);
    int proposed = -1;
    {
        // The emptier port is proposed; the user takes it.
        RunnerGuard guard([&](QDialog& d) {
            proposed = dynamic_cast<CSelBoardDlg&>(d).Combo()->currentIndex();
            d.accept();
            return d.result();
        });
        view->AddDevice(model);
    }
    EXPECT_EQ(proposed, 1);
    EXPECT_EQ(project.Port(0, 1).m_protocol.m_deviceAddresses, (CIntArray{3}));
    EXPECT_EQ(tree.PortItem(0, 0, 1)->childCount(), 1);
    {
        RunnerGuard guard([](QDialog& d) {
            d.reject();
            return d.result();
        });
        view->AddDevice(model);
    }
    EXPECT_FALSE(testsupport::Found(project.doc->FindDevice(4))->IsPlaced());
    EXPECT_EQ(Column(view->List(), 1), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
}
