// The main tool with its real project documents, project frame and project tree: a project made
// with the wizard fills the tree, the selected node decides the frame's left view, the project
// window refuses to close by itself, and the project saved through the version dialog opens again
// in a new frame.
#include "AppFixture.h"
#include "configtool/shellui/WizardSheet.h"
#include "editors/views/AdjusttimeView.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/ConfigPrjView.h"
#include "editors/views/ConfigView.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/RegisterViews.h"
#include "editors/views/SaveVersionDlg.h"
#include "platform/Gbk.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/views/PointViews.h"
#include "projectmodel/ProjectContext.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTabBar>

using namespace qxm7740;
using namespace editors;

namespace fs = std::filesystem;
using platform::Qs;
using platform::Ss;

namespace apptest {
namespace {

class ProjectFrameTest : public AppTest {
protected:
    ProjectFrameTest() {
        testsupport::CopyTree(testsupport::IniDir(), root_ / "Ini");
        realProjects_ = true;
        RegisterEditorViews();
        points::RegisterPointViews();
    }
    CConfigDoc* Current() const { return app_->DocRef().m_pConfigDoc; }
    // Logs in as the administrator and makes the project "演示工程" with the wizard.
    void NewDemoProject(CConfigDoc*& doc) {
        ASSERT_TRUE(Start("系统管理员", "482916"));
        Queue(Wizard("演示工程"));
        Trigger("新建工程(&N)\tCtrl+N");
        doc = Current();
        ASSERT_NE(doc, nullptr);
    }
    // Saves the current project under its name as that version, through the version dialog; the
    // main file it should have written.
    fs::path SaveVersion(const char* chosen) {
        prompt_.Script({platform::Answer::No}); // "是否保存为新的组态文件？"
        Queue(ChooseVersion(chosen));
        Trigger("保存工程(&S)\tCtrl+S");
        return root_ / "Project" / "演示工程" / ("ProjectV" + std::string(chosen)) /
               (Current()->m_boardCfg.m_strUnitName + ".ini");
    }
    // Fills the version dialog with the version and accepts it.
    static Script ChooseVersion(const char* chosen) {
        return [chosen](QDialog& dlg) {
            auto* edit = dlg.findChild<QLineEdit*>("version");
            if (!edit)
                return int(QDialog::Rejected);
            edit->setText(QString::fromUtf8(chosen));
            dlg.accept();
            return dlg.result();
        };
    }
    // Types the unit address into its cell of the properties view, leaving the cell's editor open.
    void TypeUnitAddress(const char* address) {
        Tree()->setCurrentItem(Tree()->RootItem());
        auto* properties = qobject_cast<CConfigPrjView*>(Frame()->LeftView());
        ASSERT_NE(properties, nullptr);
        emit properties->List()->cellClicked(0, 2);
        ASSERT_TRUE(properties->Editor()->Edit()->isVisible());
        properties->Editor()->Edit()->setText(QString::fromUtf8(address));
    }
    CConfigOverView* Tree() const { return app_->DocRef().m_pOverView; }
    // The project frame of the one project window.
    CConfigFrame* Frame() const {
        const auto windows = app_->GetMainFrame()->MdiArea()->subWindowList();
        return windows.size() == 1 ? qobject_cast<CConfigFrame*>(windows.front()->widget()) : nullptr;
    }
    // The left view is the registered view of the kind, or the placeholder standing in for it.
    static void ExpectLeftView(CConfigFrame* frame, EditorViewKind kind) {
        EXPECT_EQ(frame->LeftKind(), kind);
        auto* placeholder = qobject_cast<CConfigView*>(frame->LeftView());
        if (CEditorViewRegistry::IsRegistered(kind)) {
            EXPECT_EQ(placeholder, nullptr) << kind;
        } else {
            ASSERT_NE(placeholder, nullptr) << kind;
            EXPECT_EQ(placeholder->StandsFor(), kind);
            EXPECT_GE(placeholder->InitialUpdates(), 1);
        }
    }
    void ExpectTreeOf(const CConfigDoc* doc, CConfigFrame* frame) {
        CConfigOverView* tree = Tree();
        ASSERT_NE(tree, nullptr);
        EXPECT_EQ(tree->Frame(), frame);
        QTreeWidgetItem* root = tree->RootItem();
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(Ss(root->text(0)), doc->TreeRootText());
        ASSERT_EQ(root->childCount(), 4);
        EXPECT_EQ(Ss(root->child(0)->text(0)), "对时源");
        EXPECT_EQ(Ss(root->child(1)->text(0)), "装置配置");
        EXPECT_EQ(Ss(root->child(2)->text(0)), "间隔配置");
        EXPECT_EQ(Ss(root->child(3)->text(0)), "规约配置");
        // Boards with their port groups and ports; the virtual devices of a new project.
        QTreeWidgetItem* protocols = root->child(3);
        ASSERT_GT(protocols->childCount(), 0);
        EXPECT_EQ(protocols->childCount(), doc->m_boardCfg.m_boards.GetSize());
        ASSERT_GT(protocols->child(0)->childCount(), 0);
        EXPECT_GT(protocols->child(0)->child(0)->childCount(), 0);
        ASSERT_EQ(root->child(1)->childCount(), 2);
        EXPECT_EQ(Ss(root->child(1)->child(1)->text(0)), "虚拟装置");
        EXPECT_EQ(root->child(1)->child(1)->childCount(), 3);
    }
    std::vector<QWidget*> FrameViews(CConfigFrame* frame) const {
        return {frame->LeftView(), frame->RightView()};
    }
};

TEST_F(ProjectFrameTest, WizardProjectFillsTheTreeSelectionPlacesViewsAndItSavesClosesAndReopens) {
    ASSERT_TRUE(Start("系统管理员", "482916"));
    Queue([this](QDialog& dlg) {
        auto& sheet = static_cast<CWizardSheet&>(dlg);
        sheet.SetFolder((root_ / "Project").string());
        sheet.SetName("演示工程");
        return int(QDialog::Accepted);
    });
    Trigger("新建工程(&N)\tCtrl+N");
    CConfigDoc* doc = Current();
    ASSERT_NE(doc, nullptr);
    CConfigFrame* frame = Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(projectmodel::CProjectContext::Instance().CurrentDocument(), doc);
    EXPECT_EQ(app_->DocRef().m_pConfigFrame, realTemplate_->GetFrame(doc));
    EXPECT_TRUE(app_->DocRef().m_pConfigFrame->isMaximized());
    EXPECT_EQ(realTemplate_->GetViews(doc), FrameViews(frame));
    EXPECT_EQ(app_->DocRef().GetFirstView(), frame->LeftView());
    ExpectLeftView(frame, kViewConfigPrj);
    EXPECT_EQ(frame->RightKind(), kViewConfigGINAll);
    ExpectTreeOf(doc, frame);

    // Selecting nodes: a board, a virtual device, then the root again.
    QTreeWidgetItem* root = Tree()->RootItem();
    Tree()->setCurrentItem(root->child(3)->child(0));
    ExpectLeftView(frame, kViewConfigPort);
    Tree()->setCurrentItem(root->child(1)->child(1)->child(0));
    ExpectLeftView(frame, kViewConfigGIN);
    EXPECT_EQ(realTemplate_->GetViews(doc), FrameViews(frame));
    Tree()->setCurrentItem(root);
    ExpectLeftView(frame, kViewConfigPrj);

    // The project window does not close by itself.
    prompt_.Clear();
    EXPECT_FALSE(app_->DocRef().m_pConfigFrame->close());
    EXPECT_EQ(prompt_.LastText(), "请从文件菜单正常退出！");
    EXPECT_EQ(Frame(), frame);

    // Saved through the version dialog.
    Queue([](QDialog& dlg) {
        EXPECT_NE(qobject_cast<CSaveVersionDlg*>(&dlg), nullptr);
        auto* edit = dlg.findChild<QLineEdit*>("version");
        if (!edit)
            return int(QDialog::Rejected);
        EXPECT_EQ(Ss(edit->text()), "1.00");
        dlg.accept();
        return dlg.result();
    });
    Trigger("保存工程(&S)\tCtrl+S");
    const fs::path mainFile =
        root_ / "Project" / "演示工程" / "ProjectV1.00" / (doc->m_boardCfg.m_strUnitName + ".ini");
    ASSERT_TRUE(fs::is_regular_file(mainFile)) << mainFile;
    EXPECT_FALSE(doc->IsModified());

    // Opening it closes the saved project through the file menu: no question, no refusal.
    prompt_.Clear();
    Queue([mainFile](QDialog& dlg) {
        static_cast<QFileDialog&>(dlg).selectFile(Qs(mainFile.string()));
        return int(QDialog::Accepted);
    });
    Trigger("打开工程(&O)...\tCtrl+O");
    EXPECT_TRUE(prompt_.Messages().empty()) << prompt_.LastText();
    CConfigDoc* reopened = Current();
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->m_strProjectName, "演示工程");
    CConfigFrame* second = Frame();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(realTemplate_->GetViews(reopened), FrameViews(second));
    ExpectTreeOf(reopened, second);
    Tree()->setCurrentItem(Tree()->RootItem()->child(3)->child(0)->child(0));
    ExpectLeftView(second, kViewConfigPort);
}

// Edits made through the views after a save are asked for before another project is opened:
// saved on Yes they are there when the project opens again, and an opening that was not asked
// for never drops them.
TEST_F(ProjectFrameTest, EditsAfterASaveAreAskedForBeforeOpeningAndKeptWhenSaved) {
    CConfigDoc* doc = nullptr;
    ASSERT_NO_FATAL_FAILURE(NewDemoProject(doc));
    EXPECT_TRUE(doc->IsModified());
    auto chooseFile = [](const fs::path& file) {
        return [file](QDialog& dlg) {
            static_cast<QFileDialog&>(dlg).selectFile(Qs(file.string()));
            return int(QDialog::Accepted);
        };
    };
    const fs::path mainFile = SaveVersion("1.00");
    ASSERT_TRUE(fs::is_regular_file(mainFile)) << mainFile;
    EXPECT_FALSE(doc->IsModified());

    // The unit address through the properties view, a time source through its own view.
    auto edit = [&](const char* address) {
        ASSERT_NO_FATAL_FAILURE(TypeUnitAddress(address));
        qobject_cast<CConfigPrjView*>(Frame()->LeftView())->Editor()->CommitOpen();
        Tree()->setCurrentItem(Tree()->RootItem()->child(0));
        auto* sources = qobject_cast<CAdjusttimeView*>(Frame()->LeftView());
        ASSERT_NE(sources, nullptr);
        std::unique_ptr<QMenu> menu(sources->BuildContextMenu());
        for (QAction* action : menu->actions())
            if (action->text() == QString::fromUtf8("添加对时源"))
                action->trigger();
    };
    ASSERT_NO_FATAL_FAILURE(edit("7"));
    ASSERT_EQ(Current()->m_boardCfg.m_nUnitAddress, 7);
    ASSERT_EQ(Current()->m_timeSources.GetSize(), 1);
    EXPECT_TRUE(Current()->IsModified());

    // Opening the same project: asked first; saved over version 1.00 on Yes.
    prompt_.Clear();
    prompt_.Script({platform::Answer::Yes, platform::Answer::No, platform::Answer::Yes});
    Queue(chooseFile(mainFile));
    Queue(ChooseVersion("1.00"));
    Trigger("打开工程(&O)...\tCtrl+O");
    EXPECT_EQ(prompt_.Texts(),
              (std::vector<std::string>{"是否先保存当前的组态信息?", "是否保存为新的组态文件？",
                                        "版本号为1.00的工程文件已经存在，确认要覆盖么？"}));
    ASSERT_NE(Current(), nullptr);
    EXPECT_EQ(Current()->m_boardCfg.m_nUnitAddress, 7);
    EXPECT_EQ(Current()->m_timeSources.GetSize(), 1);
    EXPECT_NE(Ss(Tree()->RootItem()->text(0)).find("[7]"), std::string::npos);
    EXPECT_FALSE(Current()->IsModified());

    // Only opened, it closes without a question; edited again and answered No, the opening goes on
    // without the edit, as the user chose.
    prompt_.Clear();
    Queue(chooseFile(mainFile));
    Trigger("打开工程(&O)...\tCtrl+O");
    EXPECT_TRUE(prompt_.Messages().empty()) << prompt_.LastText();
    ASSERT_NO_FATAL_FAILURE(edit("9"));
    prompt_.Clear();
    prompt_.Script({platform::Answer::No});
    Queue(chooseFile(mainFile));
    Trigger("打开工程(&O)...\tCtrl+O");
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"是否先保存当前的组态信息?"});
    ASSERT_NE(Current(), nullptr);
    EXPECT_EQ(Current()->m_boardCfg.m_nUnitAddress, 7);
    EXPECT_EQ(Current()->m_timeSources.GetSize(), 1);
}

// A cell still being edited when a road closes or replaces the project (a toolbar button or a
// shortcut leaves the editor open) is written back first: its value counts as a change, so the
// save question comes, and 取消 keeps the project open with the value; the exit takes it too.
TEST_F(ProjectFrameTest, ACellStillBeingEditedIsWrittenBackBeforeTheProjectIsReplaced) {
    CConfigDoc* doc = nullptr;
    ASSERT_NO_FATAL_FAILURE(NewDemoProject(doc));
    // The project window shows the program's icon, not Qt's logo.
    const QIcon programIcon = app_->GetMainFrame()->windowIcon();
    ASSERT_FALSE(programIcon.isNull());
    for (QMdiSubWindow* sub : app_->GetMainFrame()->MdiArea()->subWindowList())
        EXPECT_EQ(sub->windowIcon().cacheKey(), programIcon.cacheKey());
    const fs::path mainFile = SaveVersion("1.00");
    ASSERT_TRUE(fs::is_regular_file(mainFile)) << mainFile;
    ASSERT_FALSE(doc->IsModified());
    // The saved version heads the recent-file list.
    ASSERT_FALSE(app_->GetMainFrame()->RecentFiles().GetPaths().empty());
    EXPECT_EQ(app_->GetMainFrame()->RecentFiles().GetPaths().front(), mainFile.string());

    ASSERT_NO_FATAL_FAILURE(TypeUnitAddress("9"));
    prompt_.Clear();
    prompt_.Script({platform::Answer::Cancel});
    EXPECT_EQ(app_->GetMainFrame()->OpenProjectPath(mainFile.string()), 0);
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"是否先保存当前的组态信息?"});
    ASSERT_EQ(Current(), doc);
    EXPECT_EQ(doc->m_boardCfg.m_nUnitAddress, 9);
    EXPECT_TRUE(doc->IsModified());

    ASSERT_NO_FATAL_FAILURE(TypeUnitAddress("11"));
    prompt_.Clear();
    prompt_.Script({platform::Answer::Cancel});
    QCloseEvent close;
    QCoreApplication::sendEvent(app_->GetMainFrame(), &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_EQ(doc->m_boardCfg.m_nUnitAddress, 11);
}

// An option range wider than its kind is used as cut to the kind, and the monitor pane says so
// when the library is read for a new project.
TEST_F(ProjectFrameTest, AnOptionRangeBeyondItsKindIsCutWithALineInTheMonitorPane) {
    const fs::path options = root_ / "Ini" / "组态配置.ini";
    std::string text = platform::FromGbk(testsupport::ReadBytes(options));
    const std::string shipped = "召唤周期,WORD,900(0-65535)";
    ASSERT_NE(text.find(shipped), std::string::npos);
    text.replace(text.find(shipped), shipped.size(), "召唤周期,WORD,900(0-86400)");
    testsupport::WriteBytes(options, platform::ToGbk(text));
    ASSERT_TRUE(Start("系统管理员", "482916"));
    Queue([this](QDialog& dlg) {
        auto& sheet = static_cast<CWizardSheet&>(dlg);
        sheet.SetFolder((root_ / "Project").string());
        sheet.SetName("范围");
        return int(QDialog::Accepted);
    });
    Trigger("新建工程(&N)\tCtrl+N");
    ASSERT_NE(Current(), nullptr);
    const std::vector<std::string> expected{"0", "65535"};
    bool found = false;
    for (const auto& item : Current()->m_deviceExtItems)
        if (item.m_strName == "召唤周期") {
            found = true;
            EXPECT_EQ(item.m_choices, expected);
        }
    EXPECT_TRUE(found);
    CDebugTextView* pane = app_->GetMainFrame()->MonitorView();
    pane->FlushFeed();
    EXPECT_NE(Ss(pane->toPlainText()).find("[装置总表扩展信息]\"选项2\" 的范围超出WORD类型，按0-65535使用"),
              std::string::npos)
        << Ss(pane->toPlainText());
}

// A project never saved has no folder yet: the export's save dialog opens in the projects folder
// (not in the program folder) and proposes the title without a trailing blank.
TEST_F(ProjectFrameTest, GenerateTextOfANeverSavedProjectOpensInTheProjectsFolder) {
    ASSERT_TRUE(Start("系统管理员", "482916"));
    Queue([this](QDialog& dlg) {
        auto& sheet = static_cast<CWizardSheet&>(dlg);
        sheet.SetFolder((root_ / "Project").string());
        sheet.SetName("未存工程");
        return int(QDialog::Accepted);
    });
    Trigger("新建工程(&N)\tCtrl+N");
    ASSERT_NE(Current(), nullptr);
    ASSERT_FALSE(fs::exists(root_ / "Project" / "未存工程"));
    Tree()->setCurrentItem(Tree()->RootItem()->child(1)->child(0));
    ASSERT_EQ(Frame()->LeftKind(), kViewDevinfolist);
    std::string proposed;
    QString directory;
    Queue([&](QDialog& d) {
        auto& dlg = static_cast<QFileDialog&>(d);
        proposed = Ss(dlg.selectedFiles().value(0));
        directory = dlg.directory().absolutePath();
        return int(QDialog::Rejected);
    });
    Trigger("生成文本");
    EXPECT_EQ(fs::path(Ss(directory)), root_ / "Project");
    EXPECT_EQ(fs::path(proposed), root_ / "Project" / "装置总表");
}

// The sample project opened in the real frame, for the text export.
class GenerateTextTest : public ProjectFrameTest {
protected:
    void OpenSample() {
        testsupport::CopyTree(testsupport::IniDir(), project_ / "Ini");
        testsupport::CopyTree(testsupport::TestDataDir() / "projectmodel" / "sample",
                              project_ / "ProjectV1.00");
        ASSERT_TRUE(Start("系统管理员", "482916"));
        ASSERT_EQ(app_->GetMainFrame()->OpenProjectPath((project_ / "ProjectV1.00" / "QXM7740.ini").string()),
                  1);
        ASSERT_TRUE(prompt_.Messages().empty()) << prompt_.LastText();
        ASSERT_NE(Frame(), nullptr);
        ASSERT_NE(Tree()->RootItem(), nullptr);
    }
    // The node at the path of child indexes from the project's root; a last index of -1 stands
    // for the first child of the node before whose left view is of that kind.
    QTreeWidgetItem* Node(const std::vector<int>& path, EditorViewKind kind) {
        QTreeWidgetItem* node = Tree()->RootItem();
        for (int i : path) {
            if (!node)
                return nullptr;
            if (i >= 0) {
                node = node->child(i);
                continue;
            }
            QTreeWidgetItem* parent = node;
            node = nullptr;
            for (int c = 0; c < parent->childCount() && !node; ++c) {
                Tree()->setCurrentItem(parent->child(c));
                if (Frame()->LeftKind() == kind)
                    node = parent->child(c);
            }
        }
        return node;
    }
    // Selects the node (and the named tab), exports the left view and checks that the file holds
    // the proposed name, the rule, the column titles and every row the view shows.
    void ExportNode(QTreeWidgetItem* node, EditorViewKind kind, const std::string& name, std::size_t minRows,
                    const char* tab = nullptr) {
        SCOPED_TRACE(name);
        ASSERT_NE(node, nullptr);
        Tree()->setCurrentItem(node);
        ASSERT_EQ(Frame()->LeftKind(), kind);
        QWidget* view = Frame()->LeftView();
        // The point views show one category per tab: the one named is chosen first.
        if (tab) {
            auto* bar = view->findChild<QTabBar*>();
            ASSERT_NE(bar, nullptr);
            int index = -1;
            for (int i = 0; i < bar->count(); ++i)
                if (bar->tabText(i) == QString::fromUtf8(tab))
                    index = i;
            ASSERT_GE(index, 0) << tab;
            bar->setCurrentIndex(index);
        }
        const auto* list = view->findChild<CGridListCtrl*>();
        ASSERT_NE(list, nullptr);
        const std::string file = "导出" + std::to_string(++exported_);
        std::string proposed;
        Queue([&](QDialog& d) {
            auto& dlg = static_cast<QFileDialog&>(d);
            proposed = Ss(dlg.selectedFiles().value(0));
            dlg.selectFile(Qs(file));
            return int(QDialog::Accepted);
        });
        Trigger("生成文本");
        EXPECT_EQ(fs::path(proposed), project_ / name);
        // What the view shows, line by line.
        std::string expected = name + "\n\n" + std::string(68, '-') + "\n";
        for (int c = 0; c < list->columnCount(); ++c)
            expected += (c ? "\t" : "") + Ss(list->horizontalHeaderItem(c)->text());
        expected += "\n\n";
        ASSERT_GE(static_cast<std::size_t>(list->rowCount()), minRows);
        for (int r = 0; r < list->rowCount(); ++r) {
            for (int c = 0; c < list->columnCount(); ++c)
                expected += (c ? "\t" : "") + list->GetItemText(r, c);
            expected += "\n";
        }
        EXPECT_GT(list->columnCount(), 0);
        written_ = platform::FromGbk(testsupport::ReadBytes(project_ / file));
        EXPECT_EQ(written_, expected);
    }

    const fs::path project_ = root_ / "Project" / "Demo";
    int exported_ = 0;
    std::string written_;
};

// One list view of those "生成文本" takes: where it is in the tree, its proposed name, the rows it
// shows at least and the tab chosen first.
struct ExportCase {
    const char* label;
    std::vector<int> path;
    EditorViewKind kind;
    const char* name;
    std::size_t minRows;
    const char* tab = nullptr;
};

// Test names and messages show the case by its label.
void PrintTo(const ExportCase& c, std::ostream* os) {
    *os << c.label;
}

class GenerateTextOfView : public GenerateTextTest, public ::testing::WithParamInterface<ExportCase> {};

TEST_P(GenerateTextOfView, WritesItsTitleColumnsAndRows) {
    ASSERT_NO_FATAL_FAILURE(OpenSample());
    const ExportCase& c = GetParam();
    ExportNode(Node(c.path, c.kind), c.kind, c.name, c.minRows, c.tab);
}

INSTANTIATE_TEST_SUITE_P(
    ListViews, GenerateTextOfView,
    ::testing::Values(
        ExportCase{"ConfigPrj", {}, kViewConfigPrj, "工程属性", 1},
        ExportCase{"Adjusttime", {0}, kViewAdjusttime, "对时源列表", 1},
        ExportCase{"ConfigBan", {3}, kViewConfigBan, "板卡列表", 1},
        ExportCase{"ConfigPort", {3, 0}, kViewConfigPort, "板卡1[QXM-CPU01]通讯口配置_COM", 4},
        ExportCase{"Devinfolist", {1, 0}, kViewDevinfolist, "装置总表", 1},
        ExportCase{"ConfigPortFormVirtual", {1, 1}, kViewConfigPortForm, "虚装置列表_装置列表", 3},
        ExportCase{"ConfigGINStatus",
                   {1, 1, 0},
                   kViewConfigGIN,
                   "板卡3装置65530[状态信号虚装置]组态_遥信",
                   1,
                   "遥信"},
        ExportCase{"ConfigGINVir",
                   {1, 1, 1},
                   kViewConfigGINVir,
                   "板卡3装置65531[复合信号虚装置]组态_遥信",
                   1,
                   "遥信"},
        ExportCase{
            "ConfigPortForm", {3, 0, 0, 0}, kViewConfigPortForm, "板卡1COM0[ModbusRTU]组态_装置列表", 1},
        ExportCase{"ConfigGIN", {3, 0, 0, 0, 0}, kViewConfigGIN, "板卡1装置1[1号电度表]组态_遥测", 3},
        ExportCase{"ConfigPrjbay", {2}, kViewConfigPrjbay, "电压等级列表", 1},
        ExportCase{"ConfigBay", {2, 0}, kViewConfigBay, "220kV间隔列表_间隔列表", 1},
        ExportCase{"ConfigEquip", {2, 0, 0}, kViewConfigEquip, "220kV线路一设备列表_设备列表", 1},
        ExportCase{"ConfigUnitDetail",
                   {2, 0, 0, 0, -1},
                   kViewConfigUnitDetail,
                   "断路器1装置1<1号电度表>信息列表_遥测",
                   3},
        ExportCase{"ConfigEquipDetail",
                   {2, 0, 0, 0, -1},
                   kViewConfigEquipDetail,
                   "220kV线路一断路器1信息列表_位置信号",
                   1}),
    [](const ::testing::TestParamInfo<ExportCase>& info) { return std::string(info.param.label); });

// The written text of one view in full; a file that cannot be created is reported; panes that are
// not list views of the export are skipped.
TEST_F(GenerateTextTest, FailuresAndOtherPanes) {
    ASSERT_NO_FATAL_FAILURE(OpenSample());
    const fs::path& project = project_;
    CConfigFrame* frame = Frame();
    QTreeWidgetItem* root = Tree()->RootItem();
    QTreeWidgetItem* devices = root->child(1);
    QTreeWidgetItem* bays = root->child(2);
    ExportNode(bays->child(0), kViewConfigBay, "220kV间隔列表_间隔列表", 1);
    EXPECT_EQ(written_,
              "220kV间隔列表_间隔列表\n\n" + std::string(68, '-') + "\n序号\t间隔名称\n\n1\t线路一\n");
    QTreeWidgetItem* equipment = bays->child(0)->child(0)->child(0);
    ASSERT_NE(equipment, nullptr);

    // A file that cannot be created (a folder has the name) is reported.
    Tree()->setCurrentItem(root);
    const fs::path taken = project / "占用";
    fs::create_directories(taken);
    Queue([](QDialog& d) {
        static_cast<QFileDialog&>(d).selectFile(Qs("占用"));
        return int(QDialog::Accepted);
    });
    Trigger("生成文本");
    EXPECT_EQ(prompt_.LastText(), "打开文件 " + taken.string() + " 失败!");

    // Panes that are not list views of the export: nothing is asked, nothing is written.
    const auto before = std::distance(fs::directory_iterator(project), fs::directory_iterator());
    Tree()->setCurrentItem(devices->child(0)->child(0));
    ASSERT_EQ(frame->LeftKind(), kViewConfigDevDetail);
    Trigger("生成文本");
    Tree()->setCurrentItem(equipment);
    ASSERT_EQ(frame->LeftKind(), kViewEquipRefDevList);
    Trigger("生成文本");
    EXPECT_EQ(std::distance(fs::directory_iterator(project), fs::directory_iterator()), before);
}

} // namespace
} // namespace apptest
