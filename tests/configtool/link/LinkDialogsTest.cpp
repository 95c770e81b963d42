#include "configtool/link/LinkSettings.h"
#include "configtool/link/views/ConnectParamDlg.h"
#include "configtool/link/views/FileDownloadDlg.h"
#include "platform/FileFaults.h"
#include "platform/Profile.h"
#include "platform/ui/WidgetPrompt.h"
#include "tests/support/DialogRunnerGuard.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using namespace qxm7740;

using platform::Qs;
using platform::Ss;

namespace {

using Runner = testsupport::DialogRunnerGuard;

std::vector<int> Octets(QDialog& d) {
    std::vector<int> v;
    for (int i = 0; i < 4; ++i)
        v.push_back(d.findChild<QSpinBox*>(QString("ipOctet%1").arg(i))->value());
    return v;
}

std::string Key(const std::filesystem::path& folder, const char* key) {
    return platform::GetPrivateProfileString("TCP Config", key, "<none>", 64, folder / "QXM7740CFGTool.INI");
}

} // namespace

TEST(ConnectParamDlg, DefaultsAndTheFiveKeysWrittenOnOk) {
    testsupport::TempDir bin;
    std::vector<int> shown;
    QString port;
    Runner runner([&](QDialog& d) {
        shown = Octets(d);
        port = d.findChild<QLineEdit*>("portEdit")->text();
        d.findChild<QPushButton*>("okButton")->click();
        return d.result();
    });
    CConnectParamDlg dlg(bin.Path());
    ASSERT_EQ(QDialog::Accepted, dlg.DoModal());
    EXPECT_EQ((std::vector<int>{192, 168, 0, 100}), shown);
    EXPECT_EQ("7000", port.toStdString());
    EXPECT_EQ("192.168.0.100", dlg.m_address);
    EXPECT_EQ(7000, dlg.m_port);
    EXPECT_EQ((std::vector<std::string>{"REMOTE_IP_ADDR0", "REMOTE_IP_ADDR1", "REMOTE_IP_ADDR2",
                                        "REMOTE_IP_ADDR3", "PORT"}),
              platform::GetPrivateProfileKeys("TCP Config", bin / "QXM7740CFGTool.INI"));
    EXPECT_EQ("7000", Key(bin.Path(), "PORT"));
    EXPECT_EQ("0", Key(bin.Path(), "REMOTE_IP_ADDR2"));
}

TEST(ConnectParamDlg, EditedValuesAreSavedAndShownNextTime) {
    testsupport::TempDir bin;
    platform::WritePrivateProfileString("TCP Config", "REMOTE_IP_ADDR1", "abc", bin / "QXM7740CFGTool.INI");
    platform::WritePrivateProfileString("TCP Config", "PORT", "7005", bin / "QXM7740CFGTool.INI");
    std::vector<int> shown;
    {
        Runner runner([&](QDialog& d) {
            shown = Octets(d);
            EXPECT_EQ("7005", d.findChild<QLineEdit*>("portEdit")->text().toStdString());
            const int values[4] = {10, 20, 30, 40};
            for (int i = 0; i < 4; ++i)
                d.findChild<QSpinBox*>(QString("ipOctet%1").arg(i))->setValue(values[i]);
            d.findChild<QLineEdit*>("portEdit")->setText("7100");
            d.accept();
            return d.result();
        });
        CConnectParamDlg dlg(bin.Path());
        ASSERT_EQ(QDialog::Accepted, dlg.DoModal());
        EXPECT_EQ("10.20.30.40", dlg.m_address);
        EXPECT_EQ(7100, dlg.m_port);
    }
    EXPECT_EQ((std::vector<int>{192, 0, 0, 100}), shown); // a non-number reads as 0
    EXPECT_EQ("40", Key(bin.Path(), "REMOTE_IP_ADDR3"));
    EXPECT_EQ("7100", Key(bin.Path(), "PORT"));
    const CLinkSettings s = CLinkSettings::Load(bin.Path());
    EXPECT_EQ("10.20.30.40", s.AddressText());
    EXPECT_EQ(7100, s.port);

    // Cancel writes nothing.
    Runner cancel([&](QDialog& d) {
        d.findChild<QLineEdit*>("portEdit")->setText("1");
        d.findChild<QPushButton*>("cancelButton")->click();
        return d.result();
    });
    CConnectParamDlg dlg(bin.Path());
    EXPECT_EQ(QDialog::Rejected, dlg.DoModal());
    EXPECT_EQ("7100", Key(bin.Path(), "PORT"));
}

TEST(ConnectParamDlg, PortThatIsNotAnIntegerKeepsThePreviousOne) {
    testsupport::TempDir bin;
    testsupport::PromptRecorder prompt;
    platform::WritePrivateProfileString("TCP Config", "PORT", "7200", bin / "QXM7740CFGTool.INI");
    Runner runner([&](QDialog& d) {
        d.findChild<QLineEdit*>("portEdit")->setText("72a");
        d.accept();
        return d.result();
    });
    CConnectParamDlg dlg(bin.Path());
    EXPECT_EQ(QDialog::Accepted, dlg.DoModal());
    EXPECT_EQ("请输入一个整数。", prompt.LastText());
    EXPECT_EQ(7200, dlg.m_port);
    EXPECT_EQ("7200", Key(bin.Path(), "PORT"));
    EXPECT_EQ("192", Key(bin.Path(), "REMOTE_IP_ADDR0"));
}

// A port out of range and a save that failed keep the dialog open with a box, the file as it was;
// a settings file that cannot be read is said before its defaults are shown.
TEST(ConnectParamDlg, APortOutOfRangeAFailedSaveAndAnUnreadableFileAreTold) {
    testsupport::TempDir bin;
    testsupport::PromptRecorder prompt;
    const auto file = bin / "QXM7740CFGTool.INI";
    ASSERT_TRUE(platform::WritePrivateProfileString("TCP Config", "PORT", "7200", file));
    const std::string before = testsupport::ReadBytes(file);
    std::vector<int> results;
    Runner runner([&](QDialog& d) {
        auto* port = d.findChild<QLineEdit*>("portEdit");
        auto* ok = d.findChild<QPushButton*>("okButton");
        for (const char* text : {"99999", "0", "-5"}) {
            port->setText(text);
            ok->click();
            results.push_back(d.result());
            EXPECT_EQ(prompt.LastText(), "端口号必须是1到65535之间的整数。") << text;
        }
        port->setText("7300");
        {
            platform::CFileFaults faults;
            faults.FailFrom(platform::FileStep::Rename, 1);
            ok->click();
        }
        results.push_back(d.result());
        EXPECT_EQ(prompt.LastText(), "保存连接参数失败，文件：" + file.string());
        return static_cast<int>(QDialog::Rejected);
    });
    CConnectParamDlg dlg(bin.Path());
    EXPECT_EQ(QDialog::Rejected, dlg.DoModal());
    EXPECT_EQ(results, std::vector<int>(4, QDialog::Rejected));
    EXPECT_EQ(testsupport::ReadBytes(file), before);
    EXPECT_EQ(7200, dlg.m_port);

    // Unreadable: said, with the file and why, before the defaults show.
    int readError = 0;
    {
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Read, 1, {}, EACCES);
        EXPECT_EQ(CLinkSettings::Load(bin.Path(), &readError).port, CLinkSettings::kDefaultPort);
        EXPECT_EQ(readError, EACCES);
        Runner shown([&](QDialog& d) { return d.result(); });
        CConnectParamDlg again(bin.Path());
        again.DoModal();
    }
    EXPECT_EQ(prompt.LastText(), "无法读取连接参数文件" + file.string() + "：" + platform::ErrorText(EACCES) +
                                     "\n显示的是默认参数。");
    CLinkSettings::Load(bin.Path(), &readError);
    EXPECT_EQ(readError, 0);
}

// The settings file's save swept: each of its file-system calls fails in turn; the save then says
// so (false, which the dialog tells) and leaves the file as it was, or it wrote all five keys.
TEST(ConnectParamDlg, EveryFailedStepOfTheSettingsSaveLeavesTheFileAsItWas) {
    testsupport::TempDir bin;
    CLinkSettings next;
    next.octets = {10, 1, 2, 3};
    next.port = 7300;
    bool saved = false;
    testsupport::SweepRoad road;
    road.setup = [&] {
        testsupport::RestoreTree(bin.Path(),
                                 {{"QXM7740CFGTool.INI", "; kept\r\n[TCP Config]\r\nPORT=7200\r\n"}});
        platform::FlushProfileCache();
    };
    road.run = [&] {
        saved = next.Save(bin.Path());
        return testsupport::RoadOutcome{saved, !saved};
    };
    road.kept = {bin.Path()};
    road.whole = [&]() -> std::string {
        const CLinkSettings read = CLinkSettings::Load(bin.Path());
        return read.octets == next.octets && read.port == next.port ? "" : "keys missing";
    };
    const testsupport::SweepResult sweep = testsupport::RunFaultSweep(road);
    std::printf("link settings sweep: %s\n", sweep.Summary().c_str());
    EXPECT_GT(sweep.calls, 3);
    EXPECT_TRUE(sweep.faults.empty()) << testing::PrintToString(sweep.faults);
    EXPECT_GT(sweep.told, 0);
}

TEST(FileDownloadDlg, BoardsPathAndTarget) {
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "配置.cfg", "x");
    const QString chosen = Qs((dir / "配置.cfg").string());
    QStringList items;
    int initial = -2;
    Runner runner([&](QDialog& d) {
        if (auto* files = qobject_cast<QFileDialog*>(&d)) {
            files->setDirectory(Qs(dir.Path().string()));
            files->selectFile(chosen);
            static_cast<QDialog*>(files)->accept();
            return files->result();
        }
        auto* combo = d.findChild<QComboBox*>("boardCombo");
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        initial = combo->currentData().toInt();
        d.findChild<QPushButton*>("browseButton")->click();
        d.findChild<QLineEdit*>("targetFileEdit")->setText(Qs("目标.cfg"));
        combo->setCurrentIndex(combo->findData(11));
        d.findChild<QPushButton*>("okButton")->click();
        return d.result();
    });
    CFileDownloadDlg dlg;
    ASSERT_EQ(QDialog::Accepted, dlg.DoModal());
    ASSERT_EQ(12, items.size());
    EXPECT_EQ("板卡1", Ss(items.front()));
    EXPECT_EQ("板卡12", Ss(items.back()));
    EXPECT_EQ(0, initial);
    EXPECT_EQ(11, dlg.m_board);
    EXPECT_EQ(Ss(chosen), dlg.m_local);
    EXPECT_EQ("目标.cfg", dlg.m_target);
}

TEST(FileDownloadDlg, NoBoardChosenStoresTheFailureValue) {
    Runner runner([&](QDialog& d) {
        d.findChild<QComboBox*>("boardCombo")->setCurrentIndex(-1);
        d.accept();
        return d.result();
    });
    CFileDownloadDlg dlg;
    ASSERT_EQ(QDialog::Accepted, dlg.DoModal());
    EXPECT_EQ(255, dlg.m_board);
}
