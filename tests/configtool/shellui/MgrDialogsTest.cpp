#include "configtool/shellui/CallMgrTimeDlg.h"
#include "configtool/shellui/DownloadMgrIPDlg.h"
#include "configtool/shellui/SetMgrTimeDlg.h"
#include "configtool/shellui/UploadMgrIPDlg.h"

#include "platform/Gbk.h"
#include "platform/ui/WidgetPrompt.h"
#include "tests/support/DialogRunnerGuard.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

using namespace qxm7740;

namespace fs = std::filesystem;
using platform::Qs;
using testsupport::PromptRecorder;
using testsupport::TempDir;

namespace {
using testsupport::DialogRunnerGuard;

// Works in a folder of its own and goes back afterwards.
struct InFolder {
    fs::path previous = fs::current_path();
    explicit InFolder(const fs::path& p) { fs::current_path(p); }
    ~InFolder() { fs::current_path(previous); }
};
} // namespace

TEST(DownloadMgrIPDlg, TableRowsAndEditableColumns) {
    CDownloadMgrIPDlg dlg;
    auto* list = dlg.findChild<QTableWidget*>("ipList");
    ASSERT_EQ(6, list->rowCount());
    ASSERT_EQ(5, list->columnCount());
    QStringList headers;
    for (int c = 0; c < 5; ++c)
        headers << list->horizontalHeaderItem(c)->text();
    EXPECT_EQ(QStringList({"序号", "板卡号", "IP地址", "子网地址", "网关地址"}), headers);
    QStringList boards;
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(QString::number(r + 1), list->item(r, 0)->text());
        boards << list->item(r, 1)->text();
        EXPECT_FALSE(list->item(r, 0)->flags() & Qt::ItemIsEditable);
        EXPECT_FALSE(list->item(r, 1)->flags() & Qt::ItemIsEditable);
        for (int c = 2; c < 5; ++c)
            EXPECT_TRUE(list->item(r, c)->flags() & Qt::ItemIsEditable);
    }
    EXPECT_EQ(QStringList({"0", "0", "1", "1", "2", "2"}), boards);
}

TEST(DownloadMgrIPDlg, OkNeedsTheNumberAndWritesIntoTheWorkingFolder) {
    PromptRecorder rec;
    TempDir dir;
    fs::create_directories(dir / "work");
    InFolder in(dir / "work");
    CDownloadMgrIPDlg dlg;
    auto* list = dlg.findChild<QTableWidget*>("ipList");
    list->item(1, 2)->setText("192.168.0.2");
    list->item(5, 4)->setText("10.0.0.254");

    DialogRunnerGuard guard([](QDialog& d) {
        d.accept();
        return d.result();
    });
    EXPECT_EQ(QDialog::Rejected, platform::RunDialog(dlg));
    EXPECT_EQ("请先输入管理机序号！", rec.LastText());
    dlg.findChild<QLineEdit*>("number")->setText("../3");
    EXPECT_EQ(QDialog::Rejected, platform::RunDialog(dlg));
    EXPECT_FALSE(fs::exists(dir / "3-PCTCP.ini"));

    dlg.findChild<QLineEdit*>("number")->setText("3");
    EXPECT_EQ(QDialog::Accepted, platform::RunDialog(dlg));
    EXPECT_EQ("3-PCTCP.ini", dlg.GetFileName());
    EXPECT_EQ((dir / "work" / "3-PCTCP.ini").string(), dlg.GetFilePath());
    const std::string text = testsupport::ReadBytes(dir / "work" / "3-PCTCP.ini");
    EXPECT_EQ(0u, text.find("[arm0-ethnet1]\r\nip-address=\r\nsubnet-mask=\r\nrouter=\r\n"
                            "[arm0-ethnet2]\r\nip-address=192.168.0.2\r\n"));
    EXPECT_NE(std::string::npos,
              text.find("[arm2-ethnet2]\r\nip-address=\r\nsubnet-mask=\r\nrouter=10.0.0.254\r\n"));
}

TEST(DownloadMgrIPDlg, ReadFillsRowsAndReportsErrors) {
    PromptRecorder rec;
    TempDir dir;
    testsupport::WriteGbkText(dir / "a.ini", "[arm1-ethnet2]\nip-address=172.16.0.4\nrouter=172.16.0.1\n");
    testsupport::WriteGbkText(dir / "bad.ini", "router=1.1.1.1\n[arm0-ethnet1]\nip-address=9.9.9.9\n");
    CDownloadMgrIPDlg dlg;
    auto* list = dlg.findChild<QTableWidget*>("ipList");
    {
        DialogRunnerGuard guard([&](QDialog& d) {
            auto& chooser = static_cast<QFileDialog&>(d);
            EXPECT_EQ(QStringList({"IP文件 (*.ini)"}), chooser.nameFilters());
            chooser.selectFile(Qs((dir / "a.ini").string()));
            d.done(QDialog::Accepted);
            return int(QDialog::Accepted);
        });
        dlg.findChild<QPushButton*>("read")->click();
    }
    EXPECT_EQ(QString("172.16.0.4"), list->item(3, 2)->text());
    EXPECT_EQ(QString("172.16.0.1"), list->item(3, 4)->text());
    EXPECT_EQ(0u, rec.Count());

    EXPECT_FALSE(dlg.ReadFile((dir / "bad.ini").string()));
    EXPECT_EQ("IP文件格式错误！", rec.LastText());
    EXPECT_EQ(QString(""), list->item(0, 2)->text());
    EXPECT_EQ(QString("172.16.0.4"), list->item(3, 2)->text());
    EXPECT_FALSE(dlg.ReadFile((dir / "none.ini").string()));
    EXPECT_EQ("IP文件:" + (dir / "none.ini").string() + "，无法打开！", rec.LastText());
}

TEST(UploadMgrIPDlg, NeedsTheNumber) {
    PromptRecorder rec;
    CUploadMgrIPDlg dlg;
    DialogRunnerGuard guard([](QDialog& d) {
        d.accept();
        return d.result();
    });
    EXPECT_EQ(QDialog::Rejected, platform::RunDialog(dlg));
    EXPECT_EQ("请先输入管理机序号！", rec.LastText());
    dlg.findChild<QLineEdit*>("number")->setText("5");
    EXPECT_EQ(QDialog::Accepted, platform::RunDialog(dlg));
    EXPECT_EQ("5-PCTCP.ini", dlg.GetFileName());
}

TEST(SetMgrTimeDlg, StartsWithSystemTimeAndChecksRangesOnOk) {
    PromptRecorder rec;
    CSetMgrTimeDlg dlg;
    auto* combo = dlg.findChild<QComboBox*>("board");
    ASSERT_EQ(3, combo->count());
    EXPECT_EQ(QString("板卡3"), combo->itemText(2));
    EXPECT_EQ(2, combo->itemData(2).toInt());
    EXPECT_TRUE(dlg.findChild<QRadioButton*>("systemTime")->isChecked());
    auto* year = dlg.findChild<QLineEdit*>("year");
    EXPECT_FALSE(year->isEnabled());
    EXPECT_GE(year->text().toInt(), 2024);

    dlg.findChild<QRadioButton*>("setTime")->click();
    EXPECT_TRUE(year->isEnabled());
    DialogRunnerGuard guard([](QDialog& d) {
        d.accept();
        return d.result();
    });
    const char* names[] = {"year", "month", "day", "hour", "minute", "second", "millisecond"};
    const char* good[] = {"2024", "2", "29", "23", "59", "59", "999"};
    for (int i = 0; i < 7; ++i)
        dlg.findChild<QLineEdit*>(names[i])->setText(good[i]);
    dlg.findChild<QLineEdit*>("hour")->setText("24");
    EXPECT_EQ(QDialog::Rejected, platform::RunDialog(dlg));
    EXPECT_EQ("请输入一个在 0 和 23 之间的整数。", rec.LastText());
    dlg.findChild<QLineEdit*>("hour")->setText("23");
    combo->setCurrentIndex(1);
    EXPECT_EQ(QDialog::Accepted, platform::RunDialog(dlg));
    EXPECT_EQ(1, dlg.GetBoard());
    EXPECT_EQ(CSetMgrTimeDlg::SetTime, dlg.GetTimeMode());
    EXPECT_EQ(2024u, dlg.GetTime().values[CMgrTime::Year]);
    EXPECT_EQ(999u, dlg.GetTime().values[CMgrTime::Millisecond]);

    // "系统时间" puts the time back and locks the edits.
    dlg.findChild<QRadioButton*>("systemTime")->click();
    EXPECT_FALSE(year->isEnabled());
    EXPECT_GE(year->text().toInt(), 2024);
}

TEST(CallMgrTimeDlg, StoresTheChosenBoard) {
    CCallMgrTimeDlg dlg;
    auto* combo = dlg.findChild<QComboBox*>("board");
    ASSERT_EQ(3, combo->count());
    EXPECT_EQ(0, combo->currentIndex());
    DialogRunnerGuard guard([](QDialog& d) {
        d.findChild<QComboBox*>("board")->setCurrentIndex(2);
        d.accept();
        return d.result();
    });
    EXPECT_EQ(QDialog::Accepted, platform::RunDialog(dlg));
    EXPECT_EQ(2, dlg.GetBoard());
}
