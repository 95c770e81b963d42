#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/MovePosDlg.h"
#include "editors/views/PointSelectDlg.h"
#include "editors/views/SaveVersionDlg.h"
#include "editors/views/SelBoardDlg.h"
#include "editors/views/StepDlg.h"
#include "editors/views/UriTableDlg.h"
#include "editors/views/VarInfoDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "tests/editors/EditorFixture.h"
#include "tests/support/DialogRunnerGuard.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTabBar>
#include <QTest>

using namespace projectmodel;
using namespace editors;

namespace {

using testsupport::DialogRunnerGuard;

int Accept(QDialog& d) {
    d.accept();
    return d.result();
}

} // namespace

TEST(SmallEditorDialogs, PositionStepAndVersionAreChecked) {
    testsupport::PromptRecorder prompts;
    CMovePosDlg move;
    move.m_nPosition = 4;
    {
        DialogRunnerGuard guard([&](QDialog& d) {
            EXPECT_EQ(move.Edit()->text(), "4");
            move.Edit()->setText("100001");
            d.accept();
            EXPECT_EQ(d.result(), QDialog::Rejected);
            move.Edit()->setText("100000");
            return Accept(d);
        });
        EXPECT_EQ(move.DoModal(), QDialog::Accepted);
    }
    EXPECT_EQ(move.m_nPosition, 100000u);
    EXPECT_EQ(prompts.Count(), 1u);

    CStepDlg step;
    {
        DialogRunnerGuard guard([&](QDialog& d) {
            step.Edit()->setText("-3");
            return Accept(d);
        });
        EXPECT_EQ(step.DoModal(), QDialog::Accepted);
    }
    EXPECT_EQ(step.m_nStep, -3);

    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "ProjectV1.00");
    CSaveVersionDlg save;
    save.m_strFolder = dir.Path().string();
    save.m_strVersion = "1.01";
    {
        DialogRunnerGuard guard([&](QDialog& d) {
            EXPECT_EQ(save.List()->count(), 1);
            EXPECT_EQ(save.Edit()->text(), "1.01");
            save.List()->setCurrentRow(0);
            EXPECT_EQ(save.Edit()->text(), "1.00");
            // Empty and non-numeric entries are refused with the one message; the dialog stays open.
            for (const char* bad : {"", "abc", "0"}) {
                prompts.Clear();
                save.Edit()->setText(bad);
                d.accept();
                EXPECT_EQ(d.result(), int(QDialog::Rejected)) << bad;
                EXPECT_EQ(prompts.LastText(), "请输入要保存的版本号！") << bad;
                EXPECT_EQ(testsupport::Back(prompts.Messages()).caption, "错误") << bad;
            }
            save.Edit()->setText("2.00");
            return Accept(d);
        });
        EXPECT_EQ(save.DoModal(), QDialog::Accepted);
    }
    EXPECT_EQ(save.m_strVersion, "2.00");
}

TEST(PointSelectDlg, TheEmptyPointRowChoosesNoPointAndYkFixesTheTab) {
    editortest::Project project;
    CPointSelectDlg dlg;
    dlg.m_model.m_strType = "YK";
    CPointRef key(1, 2, 2);
    dlg.m_pKey = &key;
    DialogRunnerGuard guard([&](QDialog& d) {
        EXPECT_EQ(dlg.Tabs()->currentIndex(), kInfoTypeYK);
        EXPECT_FALSE(dlg.Tabs()->isEnabled());
        EXPECT_EQ(dlg.List()->GetSelectedRow(), 2);
        dlg.List()->SelectRow(0);
        return Accept(d);
    });
    EXPECT_EQ(dlg.DoModal(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_pKey, nullptr);
}

TEST(PointSelectDlg, NoDialogWithoutAProject) {
    CProjectContext::Reset();
    CPointSelectDlg dlg;
    EXPECT_EQ(dlg.DoModal(), QDialog::Rejected);
}

TEST(UriTableDlg, TheEmptyRowGivesAnEmptyUri) {
    editortest::Project project;
    project.doc->m_iedList.Add({"IED1", "PCS", "uri-a"});
    project.doc->m_iedList.Add({"IED2", "PCS", "uri-b"});
    CUriTableDlg dlg;
    dlg.m_strUri = "URI-B";
    {
        DialogRunnerGuard guard([&](QDialog& d) {
            EXPECT_EQ(dlg.List()->GetItemCount(), 3);
            EXPECT_EQ(dlg.List()->GetSelectedRow(), 2);
            dlg.List()->SelectRow(0);
            return Accept(d);
        });
        EXPECT_EQ(dlg.DoModal(), QDialog::Accepted);
    }
    EXPECT_EQ(dlg.m_strUri, "");
}

TEST(SelBoardDlg, TheChosenPortPlacesTheDevice) {
    editortest::Project project;
    project.Port(0, 1).m_protocol.m_strName = "p103";
    CSelBoardDlg dlg;
    dlg.m_pDevice = project.doc->FindDevice(2);
    dlg.m_pBoardCfg = &project.doc->m_boardCfg;
    DialogRunnerGuard guard([&](QDialog& d) {
        EXPECT_EQ(dlg.Label()->text().toStdString(), "装置2<主变测控>");
        EXPECT_EQ(dlg.Combo()->count(), 2);
        dlg.Combo()->setCurrentIndex(1);
        return Accept(d);
    });
    EXPECT_EQ(dlg.DoModal(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_nCapacity, 2);
    EXPECT_EQ(dlg.m_pPort, &project.Port(0, 1));
    EXPECT_EQ(dlg.m_pDevice->m_model.m_nPortIndex, 1);
}

TEST(VarInfoDlg, CellsAreEditedInPlaceAndClamped) {
    testsupport::PromptRecorder prompts;
    editortest::Project project;
    CItemRecord record;
    record.m_strName = "参数";
    record.m_nDimension = 1;
    COptionItem item;
    item.ParseDefinition("端口号,WORD,0(0-65535)", nullptr);
    record.m_items.Add(item);
    item.ParseDefinition("关联遥控,YK,", nullptr);
    record.m_items.Add(item);
    record.m_rows.push_back({"7", ""});
    CItemRecord table;
    table.m_strName = "表";
    table.m_nDimension = 3;
    item.ParseDefinition("名称,STRING,无", nullptr);
    table.m_items.Add(item);
    CItemRecordArray records;
    records.Add(record);
    records.Add(table);

    CVarInfoDlg dlg;
    dlg.SetRecords(records);
    ASSERT_TRUE(dlg.OnInitDialog());
    dlg.show();
    EXPECT_EQ(dlg.Tabs()->count(), 2);
    EXPECT_EQ(dlg.BuildContextMenu(), nullptr);
    dlg.OnClickCell(0, 2);
    ASSERT_TRUE(dlg.Editor()->Edit()->isVisible());
    dlg.Editor()->Edit()->setText(" 70000 ");
    dlg.Editor()->CommitOpen();
    EXPECT_EQ(prompts.LastText(), "数值越限，自动设定为最大值!");
    EXPECT_EQ(dlg.Records()[0].m_rows[0][0], "65535");
    EXPECT_EQ(dlg.List()->GetItemText(0, 2), "65535");

    // Return confirms the cell and leaves the dialog open, in the edit box and on the list.
    dlg.OnClickCell(0, 2);
    ASSERT_TRUE(dlg.Editor()->Edit()->isVisible());
    dlg.Editor()->Edit()->setText("12");
    QTest::keyClick(dlg.Editor()->Edit(), Qt::Key_Return);
    EXPECT_EQ(dlg.Records()[0].m_rows[0][0], "12");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), int(QDialog::Rejected));
    QTest::keyClick(dlg.List(), Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());

    {
        // The point kinds are chosen in the point selection dialog.
        DialogRunnerGuard guard([&](QDialog& d) {
            auto* list = d.findChild<CGridListCtrl*>("list");
            list->SelectRow(1);
            return Accept(d);
        });
        dlg.OnClickCell(1, 2);
    }
    EXPECT_EQ(dlg.Records()[0].m_rows[0][1], "1-2-1(线路保护开关1)");

    dlg.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(dlg.List()->GetItemCount(), 0);
    QMenu* menu = dlg.BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    menu->actions()[0]->trigger();
    menu->actions()[0]->trigger();
    EXPECT_EQ(dlg.List()->GetItemCount(), 2);
    EXPECT_EQ(dlg.List()->GetItemText(1, 1), "无");
    dlg.List()->SelectRow(0);
    menu->actions()[1]->trigger();
    EXPECT_EQ(dlg.Records()[1].m_rows.size(), 1u);
    delete menu;
}
