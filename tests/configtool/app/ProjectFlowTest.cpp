// The main tool with its real project documents: a new user makes a project with the wizard,
// saves it, closes the program and opens the project again; and the classification command with
// the real classification library.
#include "AppFixture.h"
#include "configtool/app/AppClassifier.h"
#include "configtool/shellui/WizardSheet.h"
#include "editors/views/SaveVersionDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/FolderHelpers.h"
#include "projectmodel/ProjectContext.h"
#include "tests/support/Found.h"

#include <algorithm>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

using namespace qxm7740;
using namespace editors;

namespace fs = std::filesystem;
using platform::Qs;
using platform::Ss;

namespace apptest {
namespace {

class ProjectFlowTest : public AppTest {
protected:
    ProjectFlowTest() {
        testsupport::CopyTree(testsupport::IniDir(), root_ / "Ini");
        realProjects_ = true;
    }
    projectmodel::CConfigDoc* Current() const { return app_->DocRef().m_pConfigDoc; }
    static Script Version(const std::string& expected, const std::string& chosen) {
        return [expected, chosen](QDialog& dlg) {
            auto* edit = dlg.findChild<QLineEdit*>("version");
            EXPECT_NE(qobject_cast<CSaveVersionDlg*>(&dlg), nullptr);
            if (!edit)
                return int(QDialog::Rejected);
            EXPECT_EQ(Ss(edit->text()), expected);
            edit->setText(Qs(chosen));
            dlg.accept();
            return dlg.result();
        };
    }
    void NewRealProject(const std::string& name) {
        Queue(Wizard(name));
        Trigger("新建工程(&N)\tCtrl+N");
        ASSERT_NE(Current(), nullptr);
        TakeDialogs();
    }
    static Script ChooseFile(const fs::path& path) {
        return [path](QDialog& dlg) {
            static_cast<QFileDialog&>(dlg).selectFile(Qs(path.string()));
            return int(QDialog::Accepted);
        };
    }
};

TEST_F(ProjectFlowTest, NewUserMakesSavesClosesAndReopensAProject) {
    ASSERT_TRUE(Start("张三", "111"));
    Queue([this](QDialog& dlg) {
        auto& sheet = static_cast<CWizardSheet&>(dlg);
        sheet.SetFolder((root_ / "Project").string());
        sheet.SetName("演示工程");
        return int(QDialog::Accepted);
    });
    Trigger("新建工程(&N)\tCtrl+N");
    ASSERT_NE(Current(), nullptr);
    EXPECT_EQ(Current()->m_strProjectName, "演示工程");
    EXPECT_EQ(Current()->GetTitle(), "新建组态，工程名：演示工程");
    EXPECT_FALSE(Current()->m_devices.IsEmpty()) << "virtual devices of a new project";
    ASSERT_NE(app_->DocRef().m_pConfigFrame, nullptr);
    EXPECT_EQ(app_->GetMainFrame()->MdiArea()->subWindowList().size(), 1);
    const std::string unit = Current()->m_boardCfg.m_strUnitName;
    const int devices = Current()->m_devices.GetSize();

    // Rights refused: nothing is written.
    Queue(Cancel());
    prompt_.Script({platform::Answer::No});
    Trigger("保存工程(&S)\tCtrl+S");
    EXPECT_FALSE(fs::exists(root_ / "Project" / "演示工程" / "ProjectV1.00"));
    EXPECT_TRUE(Current()->IsModified());

    // Saving in place: not an administrator, so the rights are asked, then the version.
    TakeDialogs();
    Queue(Login("张三", "111"));
    Queue(Version("1.00", "1.00"));
    prompt_.Script({platform::Answer::No}); // "是否保存为新的组态文件？"
    Trigger("保存工程(&S)\tCtrl+S");
    const fs::path projectFolder = root_ / "Project" / "演示工程";
    const fs::path mainFile = projectFolder / "ProjectV1.00" / (unit + ".ini");
    ASSERT_TRUE(fs::is_regular_file(mainFile)) << mainFile;
    EXPECT_TRUE(fs::is_regular_file(projectFolder / "Ini" / "二次装置" / "devlist.ini"));
    EXPECT_TRUE(fs::is_regular_file(projectFolder / "ProjectV1.00" / "ccu_工程间隔.cfg"));
    EXPECT_FALSE(Current()->IsModified());
    EXPECT_EQ(Current()->GetTitle(), mainFile.string());
    EXPECT_EQ(Ss(app_->DocRef().m_pConfigFrame->windowTitle()), mainFile.string());
    // The open project's folders are the project's now.
    EXPECT_EQ(app_->GetIniFolder(), projectFolder / "Ini");
    const auto log = LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "张三保存组态文件，工程名为：演示工程。"), log.end());
    const auto dialogs = TakeDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].name, "passwordDlg");

    // A second save proposes the next version; cancelling it writes nothing.
    Queue(Login("张三", "111"));
    Queue([](QDialog&) { return int(QDialog::Rejected); });
    prompt_.Script({platform::Answer::No});
    Trigger("保存工程(&S)\tCtrl+S");
    EXPECT_FALSE(fs::exists(projectFolder / "ProjectV1.01"));

    // Closing the program: answered No, nothing more is written.
    prompt_.Clear();
    prompt_.Script({platform::Answer::No});
    EXPECT_TRUE(app_->GetMainFrame()->close());
    EXPECT_EQ(prompt_.LastText(), "保存当前组态信息吗?");
    app_->ExitInstance();
    realTemplate_.reset();
    app_.reset();

    // The next run opens it with the open command.
    ASSERT_TRUE(Start("张三", "111"));
    Queue(ChooseFile(mainFile));
    Trigger("打开工程(&O)...\tCtrl+O");
    ASSERT_NE(Current(), nullptr);
    EXPECT_EQ(Current()->m_strProjectName, "演示工程");
    EXPECT_EQ(Current()->m_boardCfg.m_strUnitName, unit);
    EXPECT_EQ(Current()->m_devices.GetSize(), devices);
    EXPECT_NEAR(Current()->m_fVersion, 1.0f, 1e-6);
    EXPECT_EQ(Current()->GetTitle(), mainFile.string());
    EXPECT_EQ(app_->GetIniFolder(), projectFolder / "Ini");
    EXPECT_EQ(app_->GetProjectsFolder(), root_ / "Project");
    ASSERT_NE(app_->GetMainFrame()->RecentAction(0), nullptr);

    // A new project while it was only opened: nothing to save, so nothing asks, and the cancelled
    // wizard leaves it open.
    prompt_.Clear();
    Queue(Cancel());
    Trigger("新建工程(&N)\tCtrl+N");
    EXPECT_TRUE(prompt_.Messages().empty()) << prompt_.LastText();
    projectmodel::CConfigDoc* opened = Current();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(projectmodel::CProjectContext::Instance().CurrentDocument(), opened);

    // Changed, the question comes before the wizard; answered No with the wizard cancelled, the
    // project stays open with its change.
    opened->m_boardCfg.m_nUnitAddress += 5;
    const int changedAddress = opened->m_boardCfg.m_nUnitAddress;
    prompt_.Clear();
    prompt_.Script({platform::Answer::No});
    Queue(Cancel());
    Trigger("新建工程(&N)\tCtrl+N");
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"是否先保存当前的组态信息?"});
    ASSERT_EQ(Current(), opened);
    EXPECT_EQ(opened->m_boardCfg.m_nUnitAddress, changedAddress);
    EXPECT_FALSE(app_->GetMainFrame()->MdiArea()->subWindowList().isEmpty());

    // Answered No with the wizard accepted: the changed project closes for the new one.
    prompt_.Clear();
    prompt_.Script({platform::Answer::No});
    Queue(Wizard("第二工程"));
    Trigger("新建工程(&N)\tCtrl+N");
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"是否先保存当前的组态信息?"});
    ASSERT_NE(Current(), nullptr);
    EXPECT_EQ(Current()->m_strProjectName, "第二工程");
    EXPECT_EQ(app_->GetMainFrame()->MdiArea()->subWindowList().size(), 1);
}

TEST_F(ProjectFlowTest, AProjectThatCannotBeReadIsNotOpened) {
    ASSERT_TRUE(Start("系统管理员", "482916"));
    const fs::path bad = root_ / "Project" / "坏" / "Version2" / "X.ini";
    fs::create_directories(bad.parent_path());
    testsupport::WriteBytes(bad, "[工程]\r\n");
    EXPECT_EQ(app_->GetMainFrame()->OpenProjectPath(bad.string()), 0);
    EXPECT_EQ(prompt_.LastText(), "项目路径错误！");
    EXPECT_EQ(Current(), nullptr);
    EXPECT_EQ(app_->GetIniFolder(), root_ / "Ini");
    EXPECT_EQ(projectmodel::CProjectContext::Instance().CurrentDocument(), nullptr);

    EXPECT_EQ(
        app_->GetMainFrame()->OpenProjectPath((root_ / "Project" / "无" / "Project" / "X.ini").string()), 0);
    EXPECT_EQ(Current(), nullptr);
}

TEST_F(ProjectFlowTest, AdministratorSavesWithoutRightsAndAsANewProject) {
    ASSERT_TRUE(Start("系统管理员", "482916"));
    Queue([this](QDialog& dlg) {
        auto& sheet = static_cast<CWizardSheet&>(dlg);
        sheet.SetFolder((root_ / "Project").string());
        sheet.SetName("甲");
        return int(QDialog::Accepted);
    });
    Trigger("新建工程(&N)\tCtrl+N");
    ASSERT_NE(Current(), nullptr);
    TakeDialogs();
    // "工程另存为": a new name restarts the version.
    Queue([](QDialog& dlg) {
        auto* name = dlg.findChild<QLineEdit*>("name");
        EXPECT_NE(name, nullptr);
        if (name)
            name->setText("乙");
        dlg.accept();
        return dlg.result();
    });
    // An empty version is refused by the dialog, which stays open.
    Queue([this](QDialog& dlg) {
        auto* edit = dlg.findChild<QLineEdit*>("version");
        EXPECT_NE(qobject_cast<CSaveVersionDlg*>(&dlg), nullptr);
        if (!edit)
            return int(QDialog::Rejected);
        edit->clear();
        dlg.accept();
        EXPECT_EQ(dlg.result(), int(QDialog::Rejected));
        EXPECT_EQ(prompt_.LastText(), "请输入要保存的版本号！");
        EXPECT_EQ(testsupport::Back(prompt_.Messages()).caption, "错误");
        edit->setText("2.50");
        dlg.accept();
        return dlg.result();
    });
    Trigger("工程另存为(&A)...");
    EXPECT_EQ(Current()->m_strProjectName, "乙");
    EXPECT_TRUE(fs::is_directory(root_ / "Project" / "乙" / "ProjectV2.50"));
    const auto log = LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "系统管理员保存组态文件，工程名为：乙。"), log.end());
    for (const auto& d : TakeDialogs())
        EXPECT_NE(d.name, "passwordDlg");
}

// The version dialog as a user sees it: shown, the list takes the focus, and the field still
// holds the next version above the highest on disk until a row is picked.
TEST_F(ProjectFlowTest, TheShownVersionDialogProposesTheNextVersion) {
    ASSERT_TRUE(Start("系统管理员", "482916"));
    NewRealProject("版本");
    auto shown = [](const std::string& expected, const std::string& chosen, int listed) {
        return [expected, chosen, listed](QDialog& dlg) {
            auto* list = dlg.findChild<QListWidget*>("versions");
            auto* edit = dlg.findChild<QLineEdit*>("version");
            if (!list || !edit) {
                ADD_FAILURE() << "not the version dialog";
                return int(QDialog::Rejected);
            }
            dlg.show();
            dlg.activateWindow();
            for (int i = 0; i < 20 && !list->hasFocus(); ++i)
                QApplication::processEvents();
            EXPECT_TRUE(list->hasFocus());
            EXPECT_EQ(list->count(), listed);
            EXPECT_EQ(Ss(edit->text()), expected);
            if (chosen.empty()) {
                // Picking a row puts it into the field; the dialog is then cancelled.
                list->setCurrentRow(0);
                EXPECT_EQ(Ss(edit->text()), "1.12");
                dlg.reject();
            } else {
                edit->setText(Qs(chosen));
                dlg.accept();
            }
            dlg.hide();
            return dlg.result();
        };
    };
    const fs::path folder = root_ / "Project" / "版本";
    Queue(Version("1.00", "1.12"));
    prompt_.Script({platform::Answer::No});
    Trigger("保存工程(&S)\tCtrl+S");
    ASSERT_TRUE(fs::is_directory(folder / "ProjectV1.12"));

    Queue(shown("1.13", "1.13", 1));
    prompt_.Script({platform::Answer::No});
    Trigger("保存工程(&S)\tCtrl+S");
    ASSERT_TRUE(fs::is_directory(folder / "ProjectV1.13"));

    prompt_.Clear();
    Queue(shown("1.14", "", 2));
    prompt_.Script({platform::Answer::No});
    Trigger("保存工程(&S)\tCtrl+S");
    EXPECT_FALSE(fs::exists(folder / "ProjectV1.14"));
    // Nothing asked to overwrite an old version.
    for (const std::string& text : prompt_.Texts())
        EXPECT_EQ(text.find("已经存在"), std::string::npos) << text;
}

// "导入SCD文件" hands the chosen file to the current project document's SCD import.
TEST_F(ProjectFlowTest, ScdImportCommandReachesTheProjectDocument) {
    struct RecordingImport : projectmodel::IScdImport {
        int ImportSCD(projectmodel::CConfigDoc& doc, const std::string& path) override {
            calls.emplace_back(&doc, path);
            return 1;
        }
        std::vector<std::pair<projectmodel::CConfigDoc*, std::string>> calls;
    } import;
    ASSERT_TRUE(Start("张三", "111"));
    Queue([this](QDialog& dlg) {
        auto& sheet = static_cast<CWizardSheet&>(dlg);
        sheet.SetFolder((root_ / "Project").string());
        sheet.SetName("演示工程");
        return int(QDialog::Accepted);
    });
    Trigger("新建工程(&N)\tCtrl+N");
    ASSERT_NE(Current(), nullptr);
    projectmodel::CProjectContext::Instance().SetScdImport(&import);
    const fs::path scd = root_ / "站.scd";
    testsupport::WriteBytes(scd, "<SCL/>");
    Queue(Cancel());
    Trigger("导入SCD文件");
    EXPECT_TRUE(import.calls.empty());
    Queue([scd](QDialog& dlg) {
        EXPECT_EQ(static_cast<QFileDialog&>(dlg).nameFilters(), QStringList{"配置文件 (*.scd)"});
        static_cast<QFileDialog&>(dlg).selectFile(Qs(scd.string()));
        return int(QDialog::Accepted);
    });
    Trigger("导入SCD文件");
    projectmodel::CProjectContext::Instance().SetScdImport(nullptr);
    ASSERT_EQ(import.calls.size(), 1u);
    EXPECT_EQ(import.calls[0].first, Current());
    EXPECT_EQ(import.calls[0].second, scd.string());
}

TEST_F(ProjectFlowTest, ClassificationCommandReadsTheCidFileAndRunsTheWindow) {
    ASSERT_TRUE(Start("系统管理员", "482916"));
    CAppClassifier classifier([this]() -> QWidget* { return app_->GetMainFrame(); }, QXM_PROGRAM_DIR);
    projectmodel::CProjectContext::Instance().SetClassifier(&classifier);
    const fs::path cid = root_ / "Ini" / "Demo.cid";
    fs::copy_file(root_ / "Ini" / "二次装置" / "QXB610.icd", cid);

    // Cancelled in the file dialog: nothing is read.
    Queue(Cancel());
    Trigger("IEC61850装置测点配置");

    Queue([this](QDialog& dlg) {
        EXPECT_EQ(Ss(static_cast<QFileDialog&>(dlg).directory().absolutePath()), (root_ / "Ini").string());
        static_cast<QFileDialog&>(dlg).selectFile(Qs((root_ / "Ini" / "Demo.cid").string()));
        return int(QDialog::Accepted);
    });
    Queue([](QDialog& dlg) {
        EXPECT_EQ(dlg.objectName(), "cidSpyFrame");
        return int(QDialog::Accepted);
    });
    Trigger("IEC61850装置测点配置");
    EXPECT_TRUE(fs::is_regular_file(root_ / "Ini" / "IEC61850_Demo.txt"));
    EXPECT_TRUE(fs::is_regular_file(root_ / "Ini" / "IEC61850_Demo.cfg"));

    // A file the library cannot read: no classification window.
    testsupport::WriteBytes(root_ / "Ini" / "坏.cid", "not xml");
    Queue([this](QDialog& dlg) {
        static_cast<QFileDialog&>(dlg).selectFile(Qs((root_ / "Ini" / "坏.cid").string()));
        return int(QDialog::Accepted);
    });
    prompt_.SetDefaultAnswer(platform::Answer::Ok);
    Trigger("IEC61850装置测点配置");
    EXPECT_FALSE(fs::exists(root_ / "Ini" / "IEC61850_坏.txt"));
    projectmodel::CProjectContext::Instance().SetClassifier(nullptr);
}

} // namespace
} // namespace apptest

namespace apptest {
namespace {

// Every command of the menu bar runs from its action, with no project and with a project open:
// each dialog is cancelled and each question answered No, so nothing is changed; the program is
// still whole afterwards (a sanitizer build aborts here on a bad call through an action).
TEST_F(ProjectFlowTest, EveryMenuCommandRunsFromItsAction) {
    ASSERT_TRUE(Start("张三", "111"));
    std::vector<std::string> dialogs;
    platform::SetDialogRunner([&](QDialog& dlg) {
        dialogs.push_back(Ss(dlg.objectName()));
        return int(QDialog::Rejected);
    });
    CMainFrame* frame = app_->GetMainFrame();
    std::vector<QAction*> all;
    for (QAction* menu : frame->menuBar()->actions())
        if (menu->menu())
            for (QAction* a : menu->menu()->actions())
                if (!a->isSeparator() && a->text() != QString::fromUtf8("退出(&X)") && !a->text().isEmpty())
                    all.push_back(a);
    ASSERT_GE(all.size(), 20u);
    // New and open close the current project first, so they run last.
    std::stable_partition(all.begin(), all.end(), [](QAction* a) {
        return !a->text().startsWith(QString::fromUtf8("新建工程")) &&
               !a->text().startsWith(QString::fromUtf8("打开工程"));
    });
    auto triggerAll = [&] {
        for (QAction* a : all) {
            frame->UpdateCommandUI();
            if (a->isEnabled())
                a->trigger();
        }
    };
    triggerAll();
    EXPECT_FALSE(dialogs.empty());
    EXPECT_EQ(Current(), nullptr);

    platform::SetDialogRunner([&](QDialog& dlg) {
        if (auto* sheet = qobject_cast<CWizardSheet*>(&dlg)) {
            sheet->SetFolder((root_ / "Project").string());
            sheet->SetName("命令工程");
            return int(QDialog::Accepted);
        }
        dialogs.push_back(Ss(dlg.objectName()));
        return int(QDialog::Rejected);
    });
    Trigger("新建工程(&N)\tCtrl+N");
    ASSERT_NE(Current(), nullptr);
    platform::SetDialogRunner([&](QDialog& dlg) {
        dialogs.push_back(Ss(dlg.objectName()));
        return int(QDialog::Rejected);
    });
    dialogs.clear();
    triggerAll();
    EXPECT_FALSE(dialogs.empty());
    EXPECT_EQ(app_->GetMainFrame(), frame);
    EXPECT_NE(std::find(dialogs.begin(), dialogs.end(), "passwordDlg"), dialogs.end())
        << testing::PrintToString(dialogs);
    EXPECT_FALSE(fs::exists(root_ / "Project" / "命令工程" / "ProjectV1.00"));
}

} // namespace
} // namespace apptest
