// The main tool with its real project documents, project frame and project tree: a project made
// with the wizard fills the tree, the selected node decides the frame's left view, the project
// window refuses to close by itself, and the project saved through the version dialog opens again
// in a new frame.
#include "AppFixture.h"
#include "configtool/shellui/WizardSheet.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/ConfigView.h"
#include "editors/views/RegisterViews.h"
#include "editors/views/SaveVersionDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>

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
    }
    CConfigDoc* Current() const { return app_->DocRef().m_pConfigDoc; }
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
    EXPECT_EQ(doc->m_bSaved, 1);

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

} // namespace
} // namespace apptest
