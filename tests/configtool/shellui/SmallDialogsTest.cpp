#include "configtool/shellui/DocTemplateRef.h"
#include "configtool/shellui/DownloadProgressDlg.h"
#include "configtool/shellui/MainTabBar.h"
#include "configtool/shellui/RestartDlg.h"
#include "configtool/shellui/SaveConfigDlg.h"
#include "configtool/shellui/TextView.h"
#include "configtool/shellui/WizardSheet.h"

#include "platform/ui/WidgetPrompt.h"
#include "tests/support/DialogRunnerGuard.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

using namespace qxm7740;

using platform::Qs;
using testsupport::PromptRecorder;

namespace {
using testsupport::DialogRunnerGuard;

// Types into the save dialog and presses OK; gives the dialog's result.
int RunSave(CSaveConfigDlg& dlg, const QString& name, const QString& path) {
    DialogRunnerGuard guard([&](QDialog& d) {
        d.findChild<QLineEdit*>("name")->setText(name);
        d.findChild<QLineEdit*>("path")->setText(path);
        d.accept();
        return d.result();
    });
    return platform::RunDialog(dlg);
}

// The shown field's whole text lies in view: with the cursor at its end the field has not
// scrolled, so the cursor stands at least a text width from the field's left edge.
void ExpectWholeTextShown(QLineEdit* edit) {
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(edit->isVisible());
    edit->setCursorPosition(static_cast<int>(edit->text().size()));
    const int cursor = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    EXPECT_GE(cursor, edit->fontMetrics().horizontalAdvance(edit->text())) << edit->text().toStdString();
    EXPECT_LE(cursor, edit->width());
}
} // namespace

// A deep projects folder is shown whole at the dialogs' default size, also after browsing to a
// longer one.
TEST(SaveConfigDlg, LongPathsAreShownWhole) {
    const std::string deep = "/home/工程师/现场调试/2026年/某某变电站220kV扩建工程/通讯管理机组态/Project";
    CSaveConfigDlg dlg("某某变电站220kV扩建工程", deep);
    dlg.show();
    QApplication::processEvents();
    auto* path = dlg.findChild<QLineEdit*>("path");
    ExpectWholeTextShown(path);
    path->setText(Qs(deep + "/备份/第二次"));
    QApplication::processEvents();
    ExpectWholeTextShown(path);

    testsupport::TempDir root;
    CWizardSheet sheet((root.Path() / "现场调试" / "某某变电站220kV扩建工程" / "通讯管理机组态").string());
    sheet.restart();
    sheet.next();
    sheet.show();
    QApplication::processEvents();
    ExpectWholeTextShown(sheet.currentPage()->findChild<QLineEdit*>("folder"));
}

TEST(SaveConfigDlg, NeedsPathAndNameAndDropsTrailingSeparators) {
    PromptRecorder rec;
    {
        CSaveConfigDlg dlg("甲", "/root/Project");
        EXPECT_EQ(QString("甲"), dlg.findChild<QLineEdit*>("name")->text());
        EXPECT_EQ(QString("/root/Project"), dlg.findChild<QLineEdit*>("path")->text());
        EXPECT_EQ(QString("保存组态信息"), dlg.windowTitle());
        EXPECT_EQ(QDialog::Rejected, RunSave(dlg, "甲", ""));
        EXPECT_EQ("路径名不能为空！", rec.LastText());
        // Both empty: the path is asked for first.
        EXPECT_EQ(QDialog::Rejected, RunSave(dlg, "", ""));
        EXPECT_EQ("路径名不能为空！", rec.LastText());
        EXPECT_EQ(QDialog::Rejected, RunSave(dlg, "", "/p"));
        EXPECT_EQ("工程名不能为空！", rec.LastText());
        EXPECT_EQ(QDialog::Rejected, RunSave(dlg, "../x", "/p"));
        EXPECT_EQ("工程名称不合法", rec.LastText());
        EXPECT_EQ(4u, rec.Count());
    }
    for (const char* typed : {"/p/Project\\\\", "/p/Project//", "/p/Project"}) {
        CSaveConfigDlg dlg("甲", "/x");
        EXPECT_EQ(QDialog::Accepted, RunSave(dlg, "乙", typed)) << typed;
        EXPECT_EQ("/p/Project", dlg.GetPath()) << typed;
        EXPECT_EQ("乙", dlg.GetProjectName());
    }
}

TEST(SaveConfigDlg, BrowseReplacesThePath) {
    testsupport::TempDir dir;
    CSaveConfigDlg dlg("甲", "/x");
    DialogRunnerGuard guard([&](QDialog& d) {
        auto* browser = qobject_cast<QFileDialog*>(&d);
        EXPECT_NE(nullptr, browser);
        EXPECT_EQ(QFileDialog::Directory, browser->fileMode());
        browser->setDirectory(Qs(dir.Path().string()));
        browser->selectFile(Qs(dir.Path().string()));
        d.done(QDialog::Accepted);
        return int(QDialog::Accepted);
    });
    dlg.findChild<QPushButton*>("browse")->click();
    EXPECT_EQ(Qs(dir.Path().string()), dlg.findChild<QLineEdit*>("path")->text());
}

TEST(RestartDlg, StartsAtAllBoardsAndGivesTheChosenBoard) {
    CRestartDlg dlg;
    auto* combo = dlg.findChild<QComboBox*>("board");
    ASSERT_EQ(13, combo->count());
    EXPECT_EQ(QString("全部"), combo->itemText(0));
    EXPECT_EQ(255, combo->itemData(0).toInt());
    EXPECT_EQ(QString("板卡12"), combo->itemText(12));
    EXPECT_EQ(11, combo->itemData(12).toInt());
    EXPECT_EQ(0, combo->currentIndex());
    EXPECT_EQ(255, dlg.GetBoardAddress());

    DialogRunnerGuard guard([](QDialog& d) {
        d.findChild<QComboBox*>("board")->setCurrentIndex(4);
        d.accept();
        return d.result();
    });
    EXPECT_EQ(QDialog::Accepted, platform::RunDialog(dlg));
    EXPECT_EQ(3, dlg.GetBoardAddress());

    CRestartDlg again;
    again.SetBoardAddress(7);
    EXPECT_EQ(QString("板卡8"), again.findChild<QComboBox*>("board")->currentText());
    again.SetBoardAddress(99);
    EXPECT_EQ(255, again.GetBoardAddress());
}

TEST(DownloadProgressDlg, ModesTextAndClosingClearsTheWaitFlag) {
    std::atomic<int> waitFlag{1};
    int closedWithFlag = -1;
    CDownloadProgressDlg dlg;
    dlg.SetCloseHandler([&] {
        closedWithFlag = dlg.isVisible() ? waitFlag.load() : -2;
        waitFlag = 0;
    });
    EXPECT_EQ("正在下传文件......", dlg.GetText());
    dlg.SetProgressMode(true);
    dlg.SetText("正在上传文件");
    dlg.show();
    EXPECT_FALSE(dlg.findChild<QLabel*>("wait")->isVisible());
    EXPECT_TRUE(dlg.findChild<QProgressBar*>("progress")->isVisible());
    EXPECT_EQ(QString("正在上传文件"), dlg.findChild<QLabel*>("text")->text());
    dlg.SetPos(40);
    EXPECT_EQ(40, dlg.GetPos());
    dlg.SetPos(140);
    EXPECT_EQ(100, dlg.GetPos());
    dlg.SetText("第二个文件");
    EXPECT_EQ(QString("第二个文件"), dlg.findChild<QLabel*>("text")->text());

    // The user's close clears the flag while the window is still there, then it goes.
    dlg.close();
    EXPECT_EQ(0, waitFlag.load());
    EXPECT_EQ(1, closedWithFlag);
    EXPECT_FALSE(dlg.isVisible());

    CDownloadProgressDlg textMode;
    textMode.show();
    EXPECT_TRUE(textMode.findChild<QLabel*>("wait")->isVisible());
    EXPECT_FALSE(textMode.findChild<QProgressBar*>("progress")->isVisible());
    EXPECT_EQ(QString("正在下传文件......"), textMode.findChild<QLabel*>("text")->text());
    textMode.close(); // no handler: nothing else happens
}

namespace {
class FakeTemplate : public IDocTemplate {
public:
    std::vector<CConfigDoc*> docs;
    std::map<const CConfigDoc*, std::vector<QWidget*>> views;
    std::vector<CConfigDoc*> GetDocuments() const override { return docs; }
    std::vector<QWidget*> GetViews(const CConfigDoc* doc) const override {
        auto it = views.find(doc);
        return it == views.end() ? std::vector<QWidget*>{} : it->second;
    }
};
} // namespace

TEST(DocTemplateRef, FirstViewOfTheFirstDocumentOrNull) {
    CDocTemplateRef ref;
    EXPECT_EQ(nullptr, ref.m_pConfigDoc);
    EXPECT_EQ(nullptr, ref.m_pDebugView);
    EXPECT_EQ(0, ref.m_bNoMaximize);
    EXPECT_EQ(nullptr, ref.GetFirstView());

    FakeTemplate tmpl;
    ref.m_pDocTemplate = &tmpl;
    EXPECT_EQ(nullptr, ref.GetFirstView());
    auto* doc1 = reinterpret_cast<CConfigDoc*>(0x1000);
    auto* doc2 = reinterpret_cast<CConfigDoc*>(0x2000);
    tmpl.docs = {doc1, doc2};
    QWidget a, b, c;
    tmpl.views[doc2] = {&c};
    EXPECT_EQ(nullptr, ref.GetFirstView());
    tmpl.views[doc1] = {&a, &b};
    EXPECT_EQ(&a, ref.GetFirstView());
}

TEST(MainTabBar, TabsHoldTheirViews) {
    CMainTabBar bar("Workspace");
    EXPECT_EQ(QString("Workspace"), bar.windowTitle());
    EXPECT_EQ(0, bar.m_nValue1 + bar.m_nValue2 + bar.m_nValue3);
    auto* monitor = new CDebugTextView;
    auto* other = new QWidget;
    EXPECT_EQ(0, bar.AddView("监视", monitor));
    EXPECT_EQ(1, bar.AddView("组态", other));
    EXPECT_EQ(2, bar.GetViewCount());
    EXPECT_EQ(monitor, bar.GetView(0));
    EXPECT_EQ(QString("组态"), bar.GetTabWidget()->tabText(1));
    // Hidden bars keep taking text.
    bar.hide();
    monitor->AppendLine("x", Qt::black, false);
    EXPECT_EQ(QString("x"), monitor->toPlainText());
}
