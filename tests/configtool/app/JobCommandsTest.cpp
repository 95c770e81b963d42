// The main tool while an SCD import runs on the user-interface thread under its progress dialog:
// every menu command that touches the project is disabled and refused, the project is neither
// closed nor imported into a second time under the import, and a posted project opening waits.
#include "AppFixture.h"
#include "configtool/shellui/WizardSheet.h"
#include "editors/views/ExportProgressDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/SCDImport.h"
#include "points/views/ScdProgress.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenuBar>

namespace fs = std::filesystem;
using platform::Qs;
using platform::Ss;

namespace apptest {
namespace {

// The program's progress of the import; at its first step past the start it runs what the test
// gives, as an event delivered inside the import would.
class SteppingProgress : public points::CScdProgress {
public:
    void SetPos(int pos) override {
        CScdProgress::SetPos(pos);
        if (pos <= 2 || !onStep)
            return;
        auto step = std::move(onStep);
        onStep = nullptr;
        modalDialog =
            qobject_cast<editors::CExportProgressDlg*>(QApplication::activeModalWidget()) != nullptr;
        step();
    }
    std::function<void()> onStep;
    bool modalDialog = false;
};

class JobCommandsTest : public AppTest {
protected:
    JobCommandsTest() {
        testsupport::CopyTree(testsupport::IniDir(), root_ / "Ini");
        realProjects_ = true;
        import_.SetProgress(&progress_);
        projectmodel::CProjectContext::Instance().SetScdImport(&import_);
    }
    ~JobCommandsTest() override { projectmodel::CProjectContext::Instance().SetScdImport(nullptr); }

    projectmodel::CConfigDoc* Current() const { return app_->DocRef().m_pConfigDoc; }
    static fs::path Station() { return testsupport::TestDataDir() / "scl" / "station.scd"; }
    // Starts the tool with a new project.
    void StartWithProject() {
        ASSERT_TRUE(Start("张三", "111"));
        Queue(Wizard("导入工程"));
        Trigger("新建工程(&N)\tCtrl+N");
        ASSERT_NE(Current(), nullptr);
    }
    // 导入SCD文件 with its file dialog answered.
    void Import() {
        Queue([](QDialog& dlg) {
            static_cast<QFileDialog&>(dlg).selectFile(Qs(Station().string()));
            return int(QDialog::Accepted);
        });
        Trigger("导入SCD文件");
    }
    // Every command of the menu bar, exit included.
    std::vector<QAction*> AllCommands() const {
        std::vector<QAction*> all;
        for (QAction* menu : app_->GetMainFrame()->menuBar()->actions())
            if (menu->menu())
                for (QAction* a : menu->menu()->actions())
                    if (!a->isSeparator() && !a->text().isEmpty())
                        all.push_back(a);
        return all;
    }

    // What trying every command during a job did: the dialogs that ran, the project commands that
    // were still enabled, the refusals with the job's text.
    struct Tried {
        std::vector<std::string> dialogs;
        std::vector<std::string> stillEnabled;
        std::size_t refused = 0;
    };
    // Tries every command, disabled ones too (the command itself refuses while the job runs).
    // Whatever a command would open is answered so that it goes as far as it can: the wizard
    // accepted, a file chosen, every question answered No.
    Tried TryEveryCommand(const std::string& job) {
        Tried tried;
        platform::SetDialogRunner([&](QDialog& dlg) {
            tried.dialogs.push_back(Ss(dlg.objectName()));
            if (auto* sheet = qobject_cast<CWizardSheet*>(&dlg)) {
                sheet->SetFolder((root_ / "Project").string());
                sheet->SetName("第二工程");
                return int(QDialog::Accepted);
            }
            if (auto* files = qobject_cast<QFileDialog*>(&dlg)) {
                files->selectFile(Qs(Station().string()));
                return int(QDialog::Accepted);
            }
            return int(QDialog::Rejected);
        });
        prompt_.SetDefaultAnswer(platform::Answer::No);
        prompt_.Clear();
        for (QAction* a : AllCommands()) {
            if (a->isEnabled() && !a->text().startsWith(QString::fromUtf8("监视窗")) &&
                a->text() != QString::fromUtf8("结构图") && !a->text().startsWith(QString::fromUtf8("关于")))
                tried.stillEnabled.push_back(Ss(a->text()));
            const bool enabled = a->isEnabled();
            a->setEnabled(true);
            a->trigger();
            a->setEnabled(enabled);
        }
        platform::SetDialogRunner(nullptr);
        for (const std::string& text : prompt_.Texts())
            tried.refused += text == "正在" + job + "，请等待其完成后再操作。";
        return tried;
    }
    // No command of the project ran: 监视窗, 结构图 and 关于 (its box) run; the nineteen others of
    // the menus are refused (the four link items without a command do nothing), and any recent
    // project.
    static void ExpectAllRefused(const Tried& tried) {
        EXPECT_TRUE(tried.stillEnabled.empty()) << testing::PrintToString(tried.stillEnabled);
        EXPECT_GE(tried.refused, 19u);
        EXPECT_EQ(tried.dialogs, std::vector<std::string>{"aboutDlg"});
    }

    points::CSCDImport import_;
    SteppingProgress progress_;
};

// Road: 导入SCD文件, and while the import files its IEDs the user tries every command: 新建工程 (否
// to the save question, the wizard accepted), a second 导入SCD文件, 打开工程, 退出 ... Each project
// command is disabled, and run anyway it is refused with a box; nothing closes the project and the
// import files every IED. Afterwards the commands are enabled again.
TEST_F(JobCommandsTest, EveryMenuCommandWhileAnScdImportRuns) {
    StartWithProject();
    projectmodel::CConfigDoc* doc = Current();
    const int devices = doc->m_devices.GetSize();
    Tried tried;
    progress_.onStep = [&] { tried = TryEveryCommand("导入SCD文件"); };
    Import();
    EXPECT_TRUE(progress_.modalDialog);
    ExpectAllRefused(tried);
    ASSERT_EQ(Current(), doc);
    EXPECT_EQ(doc->m_devices.GetSize(), devices + 4);
    EXPECT_NE(app_->GetMainFrame(), nullptr);
    app_->GetMainFrame()->UpdateCommandUI();
    EXPECT_TRUE(app_->GetMainFrame()->Action("新建工程(&N)\tCtrl+N")->isEnabled());
    EXPECT_TRUE(app_->GetMainFrame()->Action("导入SCD文件")->isEnabled());
}

// An uploaded project asked to open while the import runs (the worker's posted request) does not
// close the project under the import.
TEST_F(JobCommandsTest, APostedOpeningWaitsForTheImport) {
    StartWithProject();
    projectmodel::CConfigDoc* doc = Current();
    const int devices = doc->m_devices.GetSize();
    const fs::path other = root_ / "Project" / "导入工程";
    progress_.onStep = [&] {
        prompt_.SetDefaultAnswer(platform::Answer::No);
        app_->GetMainFrame()->PostOpenProject((other / "Project.ini").string());
    };
    Import();
    ASSERT_EQ(Current(), doc);
    EXPECT_EQ(doc->m_devices.GetSize(), devices + 4);
}

// While the worker's job shows the wait dialog (a download of the configuration, an upload), the
// same commands are refused: the project the job reads stays open.
TEST_F(JobCommandsTest, EveryMenuCommandWhileTheWaitDialogIsUp) {
    StartWithProject();
    projectmodel::CConfigDoc* doc = Current();
    CMainFrame* frame = app_->GetMainFrame();
    frame->OpenWait(0, "正在保存组态！");
    ExpectAllRefused(TryEveryCommand("与通讯装置通讯"));
    EXPECT_EQ(Current(), doc);
    EXPECT_EQ(app_->GetMainFrame(), frame);
    frame->CloseWait();
    EXPECT_TRUE(frame->Action("新建工程(&N)\tCtrl+N")->isEnabled());
    EXPECT_TRUE(frame->Action("导入SCD文件")->isEnabled());
}

} // namespace
} // namespace apptest
