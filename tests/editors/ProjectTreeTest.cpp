#include "editors/views/ConfigFrame.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/ConfigPortView.h"
#include "editors/views/ConfigView.h"
#include "editors/views/PointPanes.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ConfigDoc.h"
#include "tests/editors/EditorFixture.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <fstream>
#include <gtest/gtest.h>
#include <QApplication>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSplitter>

using namespace projectmodel;
using namespace editors;

namespace {

// A registered view that counts its initial updates and refills.
class CountingView : public QWidget, public IEditorView, public IAllPointsPane {
public:
    void OnInitialUpdate() override { ++updates; }
    void SelectTab(int, bool) override {}
    void FillPointList() override { ++fills; }
    int updates = 0;
    int fills = 0;
};

struct ProjectTreeTest : ::testing::Test {
    ProjectTreeTest() {
        CEditorViewRegistry::Register(kViewConfigPortForm,
                                      [](const CViewContext&) { return new CountingView; });
        CEditorViewRegistry::Register(kViewConfigGINAll,
                                      [](const CViewContext&) { return new CountingView; });
        tree.OnInitialUpdate();
        frame = new CConfigFrame(&tree);
        frame->resize(800, 400);
    }
    ~ProjectTreeTest() override {
        delete frame;
        CEditorViewRegistry::Register(kViewConfigPortForm, nullptr);
        CEditorViewRegistry::Register(kViewConfigGINAll, nullptr);
    }
    QTreeWidgetItem* Protocols() { return tree.RootItem()->child(3); }

    editortest::Project project;
    CConfigOverView tree;
    CConfigFrame* frame;
};

class FakeBook : public IPointWorkbook {
public:
    explicit FakeBook(std::vector<std::string>& log) : log_(log) {}
    bool Open(const std::string& path) override {
        log_.push_back("open " + path);
        path_ = path;
        return true;
    }
    void SetSheetName(const std::string& name) override { log_.push_back("sheet " + name); }
    bool CreateSheet(const std::vector<std::string>& headers) override {
        log_.push_back("headers " + std::to_string(headers.size()));
        return true;
    }
    bool AddRow(const std::vector<std::string>& values) override {
        std::string row = "row";
        for (const std::string& v : values)
            row += " " + v;
        log_.push_back(row);
        return rowsWritten++ != failRow;
    }
    // The workbook's bytes are written where it was opened, as the real one does on closing.
    bool Close() override {
        log_.push_back("close");
        std::ofstream(path_) << "book";
        return !failClose;
    }
    int failRow = -1; // the row (from 0) whose writing fails
    bool failClose = false;
    int rowsWritten = 0;

private:
    std::vector<std::string>& log_;
    std::string path_;
};

} // namespace

TEST_F(ProjectTreeTest, SelectionPlacesTheViewOfTheNodeKind) {
    ASSERT_NE(tree.RootItem(), nullptr);
    EXPECT_EQ(tree.RootItem()->text(0).toStdString(), "演示--管理机[7]");
    EXPECT_EQ(project.doc->Views(), &tree);
    EXPECT_EQ(frame->LeftKind(), kViewConfigPrj);
    EXPECT_EQ(frame->RightKind(), kViewConfigGINAll);
    EXPECT_EQ(frame->Splitter()->count(), 2);

    QTreeWidgetItem* port = Protocols()->child(0)->child(0)->child(0);
    tree.setCurrentItem(port);
    const CPathRecord path = tree.GetSelectedPath();
    EXPECT_EQ(path.depth, 4);
    EXPECT_EQ(path.Slot(1), kItemProtocols);
    EXPECT_EQ(path.Slot(4), 0);
    EXPECT_EQ(path.Slot(5), -1);
    ASSERT_EQ(frame->LeftKind(), kViewConfigPortForm);
    auto* view = dynamic_cast<CountingView*>(frame->LeftView());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->updates, 1);

    // A node of the same kind keeps the view and updates it again.
    tree.setCurrentItem(Protocols()->child(0)->child(0)->child(1));
    EXPECT_EQ(frame->LeftView(), view);
    EXPECT_EQ(view->updates, 2);

    // Kinds without a registered view get the placeholder, which stands for the kind.
    tree.setCurrentItem(tree.RootItem()->child(0));
    auto* placeholder = dynamic_cast<CConfigView*>(frame->LeftView());
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->StandsFor(), kViewAdjusttime);
    EXPECT_EQ(placeholder->InitialUpdates(), 1);
}

TEST_F(ProjectTreeTest, TheDeviceModelListGivesWayToTheAllPointsView) {
    // A DEVICE port made anew shows the device model list.
    tree.setCurrentItem(Protocols()->child(0)->child(1)->child(0));
    EXPECT_EQ(frame->RightKind(), kViewSelDev);
    // Another port: the port view stays, the all-points view comes back.
    tree.setCurrentItem(Protocols()->child(0)->child(0)->child(0));
    EXPECT_EQ(frame->RightKind(), kViewConfigGINAll);
    ASSERT_NE(dynamic_cast<CountingView*>(frame->RightView()), nullptr);
    // The device list always brings the device model list when it is made anew.
    tree.setCurrentItem(tree.RootItem()->child(1)->child(0));
    EXPECT_EQ(frame->LeftKind(), kViewDevinfolist);
    EXPECT_EQ(frame->RightKind(), kViewSelDev);
}

TEST_F(ProjectTreeTest, RefreshesRebuildTheNodesOfChangedRecords) {
    QTreeWidgetItem* port = Protocols()->child(0)->child(0)->child(0);
    tree.setCurrentItem(port->child(1));
    // The selected device leaves the port, and an address without a device is dropped.
    project.Port(0, 0).m_protocol.m_deviceAddresses = {1, 77};
    tree.RefreshPortChildNodes(0, 0, 0);
    EXPECT_EQ(project.Port(0, 0).m_protocol.m_deviceAddresses, (CIntArray{1}));
    ASSERT_EQ(port->childCount(), 2);
    EXPECT_EQ(port->child(1)->text(0).toStdString(), "转发表");
    EXPECT_EQ(COverView::ItemData(port->child(1)), 1);
    EXPECT_EQ(tree.currentItem(), port);
    auto* allPoints = dynamic_cast<CountingView*>(frame->RightView());
    ASSERT_NE(allPoints, nullptr);
    const int fills = allPoints->fills;
    QApplication::processEvents();
    EXPECT_EQ(allPoints->fills, fills + 1);

    project.Port(0, 0).m_protocol.m_configs.m_configs.RemoveAll();
    tree.RefreshPortConfigNodes(0, 0, 0);
    EXPECT_EQ(port->childCount(), 1);

    project.Port(0, 0).m_protocol.m_strName = "P101";
    tree.RefreshPortNode(0, 0, 0);
    EXPECT_EQ(port->text(0).toStdString(), "串口0<地址0 P101>");
    tree.RefreshPortNode(0, 0, 9);

    // A port group that lost a port.
    project.doc->m_boardCfg.m_boards[0].m_ports[0].RemoveAt(1);
    tree.RefreshPortGroupNode(0, 0);
    QTreeWidgetItem* group = Protocols()->child(0)->child(0);
    EXPECT_EQ(group->text(0).toStdString(), "串口[1个]");
    EXPECT_EQ(group->childCount(), 1);
    tree.RefreshPortGroupNode(0, 5);

    project.doc->m_devices.Insert(editortest::MakeDevice(3, "新装置"));
    tree.RefreshDeviceNodes();
    QTreeWidgetItem* list = tree.RootItem()->child(1)->child(0);
    ASSERT_EQ(list->childCount(), 4);
    EXPECT_EQ(list->child(2)->text(0).toStdString(), "装置3[新装置]");

    project.doc->m_prjDevices.GetById(3)->m_linkedDevices = {5};
    tree.RefreshEquipmentNode(0, 3);
    QTreeWidgetItem* equipment = tree.RootItem()->child(2)->child(0)->child(0)->child(0);
    ASSERT_EQ(equipment->childCount(), 2);
    EXPECT_EQ(equipment->child(0)->text(0).toStdString(), "装置5[母线保护]");
    project.doc->m_bays.GetById(0)->m_strName = "主变间隔";
    tree.RefreshBayNodes(project.doc->m_voltOrder.m_codes[0]);
    EXPECT_EQ(tree.RootItem()->child(2)->child(0)->child(0)->text(0).toStdString(), "主变间隔");
    tree.SetRootText("新名");
    EXPECT_EQ(tree.RootItem()->text(0).toStdString(), "新名");
}

TEST_F(ProjectTreeTest, PortMenuCopiesPastesAndExports) {
    testsupport::PromptRecorder prompts;
    QTreeWidgetItem* system = Protocols()->child(0)->child(0)->child(0);
    QTreeWidgetItem* empty = Protocols()->child(0)->child(0)->child(1);
    QTreeWidgetItem* device = Protocols()->child(0)->child(1)->child(0);
    EXPECT_EQ(tree.BuildPortMenu(Protocols()), nullptr);

    std::unique_ptr<QMenu> menu(tree.BuildPortMenu(empty));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_FALSE(menu->actions()[1]->isEnabled());

    menu.reset(tree.BuildPortMenu(system));
    menu->actions()[0]->trigger();
    EXPECT_TRUE(tree.HasCopiedPort());
    menu.reset(tree.BuildPortMenu(device));
    EXPECT_FALSE(menu->actions()[1]->isEnabled());
    tree.setCurrentItem(empty);
    auto* view = dynamic_cast<CountingView*>(frame->LeftView());
    ASSERT_NE(view, nullptr);
    const int updates = view->updates;
    menu.reset(tree.BuildPortMenu(empty));
    EXPECT_TRUE(menu->actions()[1]->isEnabled());
    menu->actions()[1]->trigger();
    // The selected target's view shows the pasted configuration.
    EXPECT_EQ(view->updates, updates + 1);
    EXPECT_EQ(project.Port(0, 1).m_protocol.m_strName, "P103");
    EXPECT_EQ(empty->text(0).toStdString(), "串口1<地址1 P103>");

    // With a board selected, a paste rebuilds the port grid and keeps the group tab shown.
    CEditorViewRegistry::Register(kViewConfigPort,
                                  [](const CViewContext& c) { return new CConfigPortView(c); });
    tree.setCurrentItem(Protocols()->child(0));
    auto* ports = dynamic_cast<CConfigPortView*>(frame->LeftView());
    ASSERT_NE(ports, nullptr);
    ports->Tabs()->setCurrentIndex(1);
    ASSERT_EQ(ports->Tabs()->currentIndex(), 1);
    menu.reset(tree.BuildPortMenu(empty));
    menu->actions()[1]->trigger();
    EXPECT_EQ(ports->Tabs()->currentIndex(), 1);
    CEditorViewRegistry::Register(kViewConfigPort, nullptr);

    // Export: no points yet, then one point through the workbook.
    menu.reset(tree.BuildPortMenu(system));
    menu->actions()[2]->trigger();
    EXPECT_EQ(prompts.LastText(), "当前端口中未添加测点信息！");
    CRefTable table;
    table.m_strName = "遥测";
    CRefTableEntry entry;
    entry.m_nAddress = 1;
    entry.m_nGroup = 1;
    entry.m_nEntry = 1;
    table.m_entries.Add(entry);
    project.Port(0, 0).m_protocol.m_tables.Add(table);
    // A device table is exported with its devices.
    CRefTable devices;
    devices.m_strName = "装置表";
    devices.m_nType = kInfoTypeDevice;
    CRefTableDevice listed;
    listed.m_nBoard = 0;
    listed.m_nAddress = 2;
    listed.m_nMappedAddress = 12;
    listed.m_strModelName = "主变测控";
    listed.m_strDescription = "1号主变";
    devices.m_devices.Add(listed);
    project.Port(0, 0).m_protocol.m_tables.Add(devices);
    std::vector<std::string> log;
    CConfigOverView::SetWorkbookFactory([&log] { return std::make_unique<FakeBook>(log); });
    testsupport::TempDir dir;
    const std::string chosen = (dir.Path() / "points").string();
    // An existing file is replaced whole.
    std::ofstream(chosen + ".xlsx") << "old";
    platform::SetDialogRunner([&](QDialog& d) {
        auto& files = dynamic_cast<QFileDialog&>(d);
        EXPECT_EQ(files.selectedFiles().front().section('/', -1).toStdString(), "串口0(规约：P103)测点");
        EXPECT_EQ(files.nameFilters(), QStringList{"excel files (*.xlsx)"});
        files.selectFile(QString::fromStdString(chosen));
        d.accept();
        return d.result();
    });
    menu->actions()[2]->trigger();
    EXPECT_EQ(log, (std::vector<std::string>{"open " + chosen + ".xlsx.part", "sheet 遥测", "headers 7",
                                             "row 1 1 1 1 -1 -1 [线路保护]线路保护电流1", "sheet 装置表",
                                             "headers 8", "row 1 1 2 12 主变测控   1号主变", "close"}));
    EXPECT_EQ(prompts.LastText(), "导出测点成功完成！");
    EXPECT_EQ(testsupport::ReadBytes(chosen + ".xlsx"), "book");
    EXPECT_FALSE(std::filesystem::exists(chosen + ".xlsx.part"));
    EXPECT_EQ(tree.ProgressDialog()->GetPos(), 100);
    EXPECT_FALSE(tree.ProgressDialog()->isVisible());

    // A file that cannot be replaced (here a folder of that name) is named in a message.
    std::filesystem::remove(chosen + ".xlsx");
    std::filesystem::create_directories(chosen + ".xlsx/inside");
    prompts.Clear();
    menu->actions()[2]->trigger();
    platform::SetDialogRunner(nullptr);
    CConfigOverView::SetWorkbookFactory(nullptr);
    EXPECT_EQ(prompts.LastText(), "文件" + chosen + ".xlsx无法替换，请确认它没有被其他程序打开且可以写入！");
    EXPECT_TRUE(std::filesystem::is_directory(chosen + ".xlsx/inside"));
    EXPECT_FALSE(std::filesystem::exists(chosen + ".xlsx.part"));

    // A row or the closing that fails leaves an existing file as it was, and says so.
    std::filesystem::remove_all(chosen + ".xlsx");
    std::ofstream(chosen + ".xlsx") << "old";
    for (const bool rowFails : {true, false}) {
        CConfigOverView::SetWorkbookFactory([rowFails, &log] {
            auto book = std::make_unique<FakeBook>(log);
            book->failRow = rowFails ? 1 : -1;
            book->failClose = !rowFails;
            return book;
        });
        prompts.Clear();
        EXPECT_EQ(tree.ExportPortPoints(project.Port(0, 0), chosen + ".xlsx"), 0);
        EXPECT_EQ(prompts.LastText(), "导出测点失败，文件" + chosen + ".xlsx未写入！") << rowFails;
        EXPECT_EQ(testsupport::ReadBytes(chosen + ".xlsx"), "old");
        EXPECT_FALSE(std::filesystem::exists(chosen + ".xlsx.part"));
        EXPECT_FALSE(tree.ProgressDialog()->isVisible());
    }
    CConfigOverView::SetWorkbookFactory(nullptr);
}

TEST_F(ProjectTreeTest, TheLeftPaneTakes1100PixelsAndTheRightPaneTheRest) {
    EXPECT_EQ(CConfigFrame::InitialPaneWidths(1600), std::make_pair(1100, 500));
    EXPECT_EQ(CConfigFrame::InitialPaneWidths(1200), std::make_pair(880, 320));
    EXPECT_EQ(CConfigFrame::InitialPaneWidths(600), std::make_pair(400, 200));
    EXPECT_EQ(CConfigFrame::InitialPaneWidths(0), std::make_pair(0, 0));
    const int handle = frame->Splitter()->handleWidth();
    frame->resize(1600 + handle, 600);
    frame->show();
    QApplication::processEvents();
    EXPECT_EQ(frame->Splitter()->sizes(), (QList<int>{1100, 500}));
    // Another view in the right pane keeps the widths; a narrower frame keeps a usable right pane.
    tree.setCurrentItem(tree.RootItem()->child(1)->child(0));
    frame->resize(900 + handle, 600);
    QApplication::processEvents();
    EXPECT_EQ(frame->Splitter()->sizes(), (QList<int>{600, 300}));
    EXPECT_GE(frame->RightView()->width(), 300);
    // Once the user moves the handle, the widths are theirs.
    frame->Splitter()->setSizes({450, 450});
    emit frame->Splitter()->splitterMoved(450, 1);
    frame->resize(1000 + handle, 600);
    QApplication::processEvents();
    EXPECT_NE(frame->Splitter()->sizes()[0], 1100);
}

TEST_F(ProjectTreeTest, ClosingTheProjectWindowIsRefused) {
    testsupport::PromptRecorder prompts;
    QMdiArea area;
    QMdiSubWindow* window = frame->AddToMdiArea(&area);
    EXPECT_TRUE(window->isMaximized());
    EXPECT_FALSE(window->close());
    EXPECT_EQ(prompts.LastText(), "请从文件菜单正常退出！");
    frame->AllowClose(true);
    EXPECT_TRUE(window->close());
    // The window, not the test, owns the frame now.
    frame->setParent(nullptr);
    delete window;
}

TEST(ProjectTreeOfANewProject, TheShippedLibraryGivesBoardsPortsAndVirtualDevices) {
    testsupport::PromptRecorder prompts;
    testsupport::TempDir tmp;
    CProjectContext::Reset();
    testsupport::CopyTree(testsupport::IniDir(), tmp.Path() / "Ini");
    auto& context = CProjectContext::Instance();
    context.SetLibraryFolder(tmp.Path() / "Ini");
    context.SetProjectsFolder(tmp.Path());
    context.SetNewProjectName("新工程");
    {
        CConfigDoc doc;
        ASSERT_TRUE(doc.OnNewDocument());
        doc.MakeCurrent();
        CConfigOverView tree;
        tree.OnInitialUpdate();
        ASSERT_NE(tree.RootItem(), nullptr);
        EXPECT_EQ(tree.RootItem()->text(0).toStdString(), doc.TreeRootText());
        EXPECT_EQ(doc.Views(), &tree);
        QTreeWidgetItem* protocols = tree.RootItem()->child(3);
        ASSERT_EQ(protocols->childCount(), doc.m_boardCfg.m_boards.GetSize());
        ASSERT_GT(protocols->childCount(), 0);
        EXPECT_EQ(protocols->child(0)->childCount(), doc.m_boardCfg.m_boards[0].m_ports.GetSize());
        EXPECT_EQ(tree.RootItem()->child(1)->child(1)->childCount(), 3);
        EXPECT_EQ(tree.RootItem()->child(1)->child(0)->childCount(), 0);

        // The document's forwards reach the tree.
        CDevice device(doc.m_deviceModels[0]);
        doc.m_devices.PrepareNewDevice(device, doc.m_deviceExtItems);
        doc.m_devices.Insert(device);
        doc.RefreshDeviceNodes();
        ASSERT_EQ(tree.RootItem()->child(1)->child(0)->childCount(), 1);
        doc.SetViews(nullptr);
    }
    CProjectContext::Reset();
}
