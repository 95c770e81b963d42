#include "configtool/model/ProjectFolderRules.h"
#include "configtool/shellui/WizardSheet.h"
#include "tests/support/Found.h"

#include "platform/ui/WidgetPrompt.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace qxm7740;

namespace fs = std::filesystem;
using platform::Answer;
using platform::Qs;
using testsupport::PromptRecorder;
using testsupport::TempDir;

namespace {

// Starts the wizard on its first page without showing it, as exec() would.
void Start(CWizardSheet& sheet) {
    sheet.restart();
}

// Goes to page 2 and types folder and name.
void FillPage2(CWizardSheet& sheet, const std::string& folder, const std::string& name) {
    Start(sheet);
    sheet.next();
    ASSERT_EQ(1, sheet.currentId());
    sheet.currentPage()->findChild<QLineEdit*>("folder")->setText(Qs(folder));
    sheet.currentPage()->findChild<QLineEdit*>("name")->setText(Qs(name));
}

} // namespace

// A relative 工程目录 is taken below the root folder, not the working folder, and shown whole on
// the page and in the summary.
TEST(Wizard, ARelativeFolderIsTakenBelowTheRootFolderAndShownWhole) {
    PromptRecorder rec;
    TempDir root;
    CWizardSheet sheet(root.Path().string());
    ASSERT_NO_FATAL_FAILURE(FillPage2(sheet, "relproj/", "甲"));
    sheet.next();
    const std::string whole = (root.Path() / "relproj").string();
    EXPECT_EQ(2, sheet.currentId()) << rec.LastText();
    EXPECT_EQ(whole, sheet.GetFolder());
    EXPECT_EQ(Qs(whole), sheet.page(1)->findChild<QLineEdit*>("folder")->text());
    EXPECT_NE(std::string::npos,
              sheet.currentPage()->findChild<QPlainTextEdit*>("summary")->toPlainText().toStdString().find(
                  "工程目录：" + whole));
    EXPECT_EQ(CProjectFolderRules::ResolveFolder("/abs/p", root.Path()), "/abs/p");
    EXPECT_EQ(CProjectFolderRules::ResolveFolder("a/../b", "/r"), "/r/b");
    EXPECT_EQ(CProjectFolderRules::ResolveFolder("", "/r"), "");
}

TEST(Wizard, PagesShowTheirTextsAndStartValues) {
    TempDir root;
    CWizardSheet sheet(root.Path().string());
    EXPECT_EQ(QString("创建新工程向导"), sheet.windowTitle());
    EXPECT_EQ((root.Path() / "Project").string(), sheet.GetFolder());
    EXPECT_EQ("新建工程", sheet.GetName());
    Start(sheet);
    EXPECT_EQ(QString("欢迎使用向导创建工程"), sheet.currentPage()->findChild<QLabel*>("title")->text());
    EXPECT_EQ(QString("    "
                      "组态工具提供对指定装置的组态和调试功能;"
                      "向导将根据所作的设置，在相应目录下完成对工程组态的创建和管理。"),
              sheet.currentPage()->findChild<QLabel*>("intro")->text());
    sheet.next();
    EXPECT_EQ(QString("设置新建工程的信息"), sheet.currentPage()->findChild<QLabel*>("title")->text());
    EXPECT_EQ(Qs((root.Path() / "Project").string()),
              sheet.currentPage()->findChild<QLineEdit*>("folder")->text());
    EXPECT_EQ(QString("新建工程"), sheet.currentPage()->findChild<QLineEdit*>("name")->text());
    QFont title = sheet.currentPage()->findChild<QLabel*>("title")->font();
    EXPECT_TRUE(title.bold());
    EXPECT_EQ(18, title.pixelSize());
}

TEST(Wizard, EmptyFieldsAndUnsafeNamesStayOnPageTwo) {
    PromptRecorder rec;
    TempDir root;
    CWizardSheet sheet(root.Path().string());
    FillPage2(sheet, (root.Path() / "Project").string(), "");
    sheet.next();
    EXPECT_EQ(1, sheet.currentId());
    EXPECT_EQ("工程信息不可为空", rec.LastText());

    sheet.currentPage()->findChild<QLineEdit*>("folder")->setText("");
    sheet.currentPage()->findChild<QLineEdit*>("name")->setText("甲");
    sheet.next();
    EXPECT_EQ(1, sheet.currentId());
    EXPECT_EQ(2u, rec.Count());

    sheet.currentPage()->findChild<QLineEdit*>("folder")->setText(Qs(root.Path().string()));
    for (const char* bad : {"..", ".", "a/b", "..\\x"}) {
        rec.Clear();
        sheet.currentPage()->findChild<QLineEdit*>("name")->setText(bad);
        sheet.next();
        EXPECT_EQ(1, sheet.currentId()) << bad;
        ASSERT_EQ(1u, rec.Count()) << bad;
        EXPECT_EQ("工程名称不合法", rec.Messages()[0].text);
        EXPECT_EQ("错误", rec.Messages()[0].caption);
    }
    // Nothing was deleted on the way: the root folder is still there.
    EXPECT_TRUE(fs::exists(root.Path()));
}

TEST(Wizard, ExistingProjectIsKeptOnNoAndClearedOnYes) {
    PromptRecorder rec;
    TempDir root;
    fs::create_directories(root / "Project" / "甲" / "ProjectV1.00");
    testsupport::WriteBytes(root / "Project" / "甲" / "ProjectV1.00" / "U.ini", "x");
    CWizardSheet sheet(root.Path().string());
    FillPage2(sheet, (root.Path() / "Project").string() + "\\", "甲");

    rec.Script({Answer::No});
    sheet.next();
    EXPECT_EQ(1, sheet.currentId());
    EXPECT_EQ("工程（甲）已经存在，继续将删除原来的设置，确认要继续么？", rec.LastText());
    EXPECT_EQ(platform::Buttons::YesNo, testsupport::Back(rec.Messages()).buttons);
    EXPECT_EQ(platform::Answer::No, testsupport::Back(rec.Messages()).defaultButton);
    EXPECT_TRUE(fs::exists(root / "Project" / "甲" / "ProjectV1.00" / "U.ini"));
    EXPECT_EQ(QString("甲"), sheet.currentPage()->findChild<QLineEdit*>("name")->text());

    rec.Script({Answer::Yes});
    sheet.next();
    EXPECT_EQ(2, sheet.currentId());
    EXPECT_FALSE(fs::exists(root / "Project" / "甲"));
    EXPECT_TRUE(fs::exists(root / "Project"));
    // The folder comes back without its trailing separator: the path the project is made at.
    EXPECT_EQ((root.Path() / "Project").string(), sheet.GetFolder());
}

TEST(Wizard, SummaryShowsNameAndFolderAndFinishGivesThem) {
    PromptRecorder rec;
    TempDir root;
    CWizardSheet sheet(root.Path().string());
    int result = -1;
    platform::SetDialogRunner([&](QDialog& d) {
        auto& w = static_cast<CWizardSheet&>(d);
        FillPage2(w, "/srv/工程", "乙");
        w.next();
        EXPECT_EQ(2, w.currentId());
        // Back and a new name: the summary follows.
        w.back();
        w.currentPage()->findChild<QLineEdit*>("name")->setText("丙");
        w.next();
        auto* page = static_cast<CWizard3Page*>(w.currentPage());
        EXPECT_EQ("        工程信息\n工程名称：丙\n工程目录：/srv/工程", page->GetSummary());
        EXPECT_EQ(QString("完成新工程的创建"), page->findChild<QLabel*>("title")->text());
        EXPECT_TRUE(page->findChild<QPlainTextEdit*>("summary")->isReadOnly());
        w.accept();
        return w.result();
    });
    result = platform::RunDialog(sheet);
    platform::SetDialogRunner(nullptr);
    EXPECT_EQ(QDialog::Accepted, result);
    EXPECT_EQ("/srv/工程", sheet.GetFolder());
    EXPECT_EQ("丙", sheet.GetName());
    EXPECT_EQ(0u, rec.Count());
}
