// The file catalogue window: listings, folders, the chunked download and upload and their errors.
#include "AppTestRig.h"

#include "monitor/app/CataForm.h"
#include "monitor/app/TransferProgressDlg.h"
#include "monitor/model/MonitorTexts.h"
#include "platform/FileFaults.h"

#include <cerrno>

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTableWidget>

using namespace marindle;
using namespace montest;
using apptest::AppRig;

namespace {
CCataForm* OpenCatalogue(AppRig& rig) {
    rig.Login();
    auto* form = dynamic_cast<CCataForm*>(rig.app->windows.OpenCatalogue());
    return form;
}

std::function<int(QDialog&)> ChooseFileAnswer(const std::string& path) {
    return [path](QDialog& d) {
        auto& fd = dynamic_cast<QFileDialog&>(d);
        fd.selectFile(QString::fromStdString(path));
        return static_cast<int>(QDialog::Accepted);
    };
}
} // namespace

TEST(CatalogueWindowTest, ListingAndFolders) {
    AppRig rig;
    CCataForm* form = OpenCatalogue(rig);
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 8);
    EXPECT_FALSE(form->WaitLabel()->isHidden());
    form->AddEntry(".", 2, 0, 0);
    form->AddEntry("..", 2, 0, 0);
    form->AddEntry("bin", 2, 0, 0);
    form->AddEntry("a.cfg", 1, 120, 0);
    form->ShowEntries();
    EXPECT_TRUE(form->WaitLabel()->isHidden());
    ASSERT_EQ(form->List()->rowCount(), 3);
    EXPECT_EQ(form->List()->item(0, 0)->text(), QString::fromUtf8("向上..."));
    EXPECT_EQ(form->List()->item(2, 1)->text(), "120");
    EXPECT_EQ(form->List()->item(2, 2)->text(), QString::fromUtf8("文件"));
    // Menus: none on an unknown type, "上装" grey on a folder.
    auto menu = form->BuildContextMenu(1);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->actions()[0]->isEnabled());
    EXPECT_FALSE(menu->actions()[2]->isEnabled());
    EXPECT_FALSE(form->BuildContextMenu(-1)->actions()[0]->isEnabled());
    form->SortColumn(0);
    EXPECT_EQ(form->List()->item(0, 0)->text(), QString::fromUtf8("向上..."));
    rig.ClearSent();
    form->OpenFolder(form->List()->item(1, 0)->text() == "bin" ? 1 : 2);
    EXPECT_EQ(form->CurrentPath(), "bin");
    EXPECT_EQ(form->List()->rowCount(), 0);
    EXPECT_EQ(rig.SentBodies().size(), 1u);
}

TEST(CatalogueWindowTest, DownloadOfTwoChunks) {
    AppRig rig;
    CCataForm* form = OpenCatalogue(rig);
    form->Download();
    EXPECT_EQ(rig.prompts.LastText(), "当前路径错。");
    form->GoTo("cfg");
    const auto local = rig.dir.Path() / "up.bin";
    testsupport::WriteBytes(local, std::string(2048, 'z'));
    rig.OnDialog(ChooseFileAnswer(local.string()));
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CDownloadTargetDlg&>(d);
        EXPECT_EQ(dlg.target_->text(), "cfg/up.bin");
        EXPECT_EQ(dlg.boards_->count(), 1);
        dlg.accept();
        return static_cast<int>(QDialog::Accepted);
    });
    rig.ClearSent();
    form->Download();
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 4);
    EXPECT_EQ(U32(rig.SentBodies()[0], 2), 2048u);
    EXPECT_TRUE(form->TimerRunning());
    ASSERT_NE(form->Progress(), nullptr);
    rig.ClearSent();
    form->OnOpenReply(1, 2048, 77);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    Bytes chunk = rig.SentBodies()[0];
    EXPECT_EQ(chunk[0], 6);
    EXPECT_EQ(U32(chunk, 1), 77u);
    EXPECT_EQ(chunk[5], 1); // more
    EXPECT_EQ(U16(chunk, 6), 0);
    ASSERT_EQ(chunk.size(), 8u + 1024u);
    EXPECT_EQ(form->Progress()->Pos(), 50);
    rig.ClearSent();
    form->OnChunkAnswer(77, 1, 0);
    chunk = rig.SentBodies().at(0);
    EXPECT_EQ(chunk[5], 0);
    EXPECT_EQ(U16(chunk, 6), 1);
    EXPECT_EQ(chunk.size(), 8u + 1024u);
    rig.ClearSent();
    form->OnChunkAnswer(77, 1, 1);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 7);
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "文件传输完毕。");
    EXPECT_FALSE(form->Transferring());
    EXPECT_EQ(form->Progress(), nullptr);
}

// A file to send that is there but cannot be looked at or read is told with its name and the
// reason, and nothing is announced to the unit.
TEST(CatalogueWindowTest, FileToSendThatCannotBeReadIsToldWithTheReason) {
    AppRig rig;
    CCataForm* form = OpenCatalogue(rig);
    form->GoTo("cfg");
    const auto local = rig.dir.Path() / "up.bin";
    testsupport::WriteBytes(local, std::string(2048, 'z'));
    for (platform::FileStep step :
         {platform::FileStep::Stat, platform::FileStep::Open, platform::FileStep::Read}) {
        SCOPED_TRACE(platform::FileStepName(step));
        rig.OnDialog(ChooseFileAnswer(local.string()));
        rig.OnDialog([](QDialog& d) {
            dynamic_cast<CDownloadTargetDlg&>(d).accept();
            return static_cast<int>(QDialog::Accepted);
        });
        rig.ClearSent();
        platform::CFileFaults faults;
        faults.FailNth(
            step, 1, [&](const std::filesystem::path& p) { return p == local; }, EACCES);
        form->Download();
        EXPECT_EQ(faults.Failed(step), 1);
        EXPECT_EQ(rig.prompts.LastText(),
                  "读取文件失败。\n" + local.string() + "：" + platform::ErrorText(EACCES));
        EXPECT_TRUE(rig.SentBodies().empty());
        EXPECT_FALSE(form->Transferring());
    }
}

TEST(CatalogueWindowTest, ErrorsAndTimeOut) {
    AppRig rig;
    CCataForm* form = OpenCatalogue(rig);
    form->GoTo("cfg");
    const auto local = rig.dir.Path() / "f.bin";
    testsupport::WriteBytes(local, std::string(3000, 'q'));
    rig.OnDialog(ChooseFileAnswer(local.string()));
    rig.OnDialog([](QDialog& d) {
        d.accept();
        return static_cast<int>(QDialog::Accepted);
    });
    form->Download();
    form->OnOpenReply(1, 3000, 5);
    form->OnChunkAnswer(5, 1, 0);
    form->OnChunkAnswer(5, 1, 0); // names chunk 0 after chunk 1 was sent
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "文件数据段号错。");
    EXPECT_EQ(form->Progress(), nullptr);
    EXPECT_TRUE(form->Transferring()); // the timer ends it
    form->OnTimeout();
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "等待文件数据超时，停止发送。");
    EXPECT_FALSE(form->Transferring());
    EXPECT_FALSE(form->TimerRunning());
}

TEST(CatalogueWindowTest, UploadWritesExactlyTheReceivedBytes) {
    AppRig rig;
    CCataForm* form = OpenCatalogue(rig);
    form->AddEntry("log.txt", 1, 5, 0);
    form->ShowEntries();
    const auto target = rig.dir.Path() / "log.txt";
    testsupport::WriteBytes(target, "old content that is longer");
    rig.OnDialog(ChooseFileAnswer(target.string()));
    rig.ClearSent();
    form->Upload(0);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][1], 1); // upload
    form->OnOpenReply(1, 4, 9);
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "文件大小有误。");
    form->OnOpenReply(1, 5, 9);
    rig.ClearSent();
    const std::uint8_t part1[] = {'h', 'e'};
    const std::uint8_t part2[] = {'l', 'l', 'o'};
    form->OnChunk(9, 1, 0, part1, 2);
    form->OnChunk(9, 0, 1, part2, 3);
    const auto sent = rig.SentBodies();
    ASSERT_EQ(sent.size(), 3u); // two answers and the close
    EXPECT_EQ(sent[2][0], 7);
    EXPECT_EQ(testsupport::ReadBytes(target), "hello");
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), "文件传输完毕。");
}

// A file of more than 100 MB in a listing is refused before anything is reserved; a smaller one
// grows its buffer with the chunks that arrive.
TEST(CatalogueWindowTest, UploadOfAnOversizedFileIsRefused) {
    AppRig rig;
    CCataForm* form = OpenCatalogue(rig);
    form->AddEntry("huge.bin", 1, 0xFFFFFFF0u, 0);
    form->AddEntry("limit.bin", 1, kMaxTransferBytes, 0);
    form->ShowEntries();
    rig.ClearSent();
    form->Upload(0);
    EXPECT_EQ(rig.prompts.LastText(), kUploadTooLarge);
    EXPECT_TRUE(rig.SentBodies().empty());
    EXPECT_FALSE(form->Transferring());
    EXPECT_TRUE(rig.dialogNames.empty()); // no file dialog either
    rig.OnDialog(ChooseFileAnswer((rig.dir.Path() / "limit.bin").string()));
    form->Upload(1);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_TRUE(form->Transferring());
}

// A reconnect while the upload's file dialog is open closes the window: nothing is asked of the
// unit afterwards.
TEST(CatalogueWindowTest, WindowClosedWhileItsFileDialogIsOpen) {
    AppRig rig;
    QPointer<CCataForm> form = OpenCatalogue(rig);
    form->AddEntry("log.txt", 1, 5, 0);
    form->ShowEntries();
    rig.OnDialog([&](QDialog& d) {
        rig.app->OnDisconnect();
        rig.app->OnConnect();
        dynamic_cast<QFileDialog&>(d).selectFile(QString::fromStdString((rig.dir.Path() / "x").string()));
        return static_cast<int>(QDialog::Accepted);
    });
    rig.ClearSent();
    form->Upload(0);
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(rig.SentBodies().empty());
    rig.Settle();
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{text::CommandNotSent("文件上装")});
}

// A transfer or a listing the unit has not answered when the link drops and reconnects is told
// with the window's closing; a file dialog answered after the window closed says nothing was sent.
TEST(CatalogueWindowTest, ATransferCutByAReconnectIsTold) {
    AppRig rig;
    QPointer<CCataForm> form = OpenCatalogue(rig);
    form->AddEntry("log.txt", 1, 5, 0);
    form->ShowEntries();
    const auto target = rig.dir.Path() / "log.txt";
    rig.OnDialog(ChooseFileAnswer(target.string()));
    form->Upload(0);
    ASSERT_TRUE(form->TimerRunning());
    rig.app->OnDisconnect();
    rig.app->OnConnect();
    EXPECT_TRUE(form.isNull());
    rig.Settle();
    EXPECT_EQ(rig.prompts.Texts(),
              std::vector<std::string>{text::CommandsUnanswered({"文件目录：文件上装(<root>/log.txt)"})});
    EXPECT_FALSE(std::filesystem::exists(target));

    // A listing asked for and not answered.
    rig.prompts.Clear();
    form = OpenCatalogue(rig);
    ASSERT_FALSE(form->WaitLabel()->isHidden());
    rig.app->OnConnect();
    rig.Settle();
    EXPECT_EQ(rig.prompts.Texts(),
              std::vector<std::string>{text::CommandsUnanswered({"文件目录：目录召唤(<root>)"})});

    // The file dialog of a download answered after the window closed.
    rig.prompts.Clear();
    form = OpenCatalogue(rig);
    form->GoTo("cfg");
    rig.OnDialog([&](QDialog& d) {
        rig.app->OnDisconnect();
        rig.app->OnConnect();
        dynamic_cast<QFileDialog&>(d).selectFile(QString::fromStdString(target.string()));
        return static_cast<int>(QDialog::Accepted);
    });
    rig.ClearSent();
    form->Download();
    EXPECT_TRUE(form.isNull());
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), text::CommandNotSent("文件下装"));
    for (const Bytes& b : rig.SentBodies())
        EXPECT_NE(b[0], 4) << "a file open went out";
}

// A listing holds at most kMaxCatalogueEntries entries: the rest are refused and counted in one
// box when the listing is shown; the next folder starts the count again.
TEST(CatalogueWindowTest, AListingIsBoundedAndWhatIsLeftOutIsTold) {
    AppRig rig;
    CCataForm* form = OpenCatalogue(rig);
    form->AddEntry("..", 2, 0, 0);
    form->AddEntry(".", 2, 0, 0);
    for (std::size_t i = 1; i < kMaxCatalogueEntries + 3; ++i)
        form->AddEntry("f" + std::to_string(i), 1, 1, 0);
    form->ShowEntries();
    ASSERT_EQ(form->Entries().size(), kMaxCatalogueEntries);
    EXPECT_EQ(form->List()->rowCount(), static_cast<int>(kMaxCatalogueEntries));
    EXPECT_EQ(form->Entries().front().name, "向上...");
    EXPECT_EQ(form->Entries().back().name, "f" + std::to_string(kMaxCatalogueEntries - 1));
    rig.Settle();
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{CatalogueCappedText(3)});
    form->AddEntry("more", 1, 1, 0); // a later part of the same listing
    form->ShowEntries();
    rig.Settle();
    EXPECT_EQ(rig.prompts.LastText(), CatalogueCappedText(1));

    rig.prompts.Clear();
    form->GoTo("cfg");
    form->AddEntry("a", 1, 1, 0);
    form->ShowEntries();
    rig.Settle();
    EXPECT_EQ(rig.prompts.Count(), 0u);
    EXPECT_EQ(form->Entries().size(), 1u);
}
