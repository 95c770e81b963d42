// The running-text windows and the console: the one-second batches, pause and save, the line
// bound, the frame filters, find and mark, the monitoring requests, and the console's keys.
#include "AppTestRig.h"
#include "HeldPrompt.h"
#include "platform/FileFaults.h"

#include "monitor/app/CmdForm.h"
#include "monitor/app/TextMonitorForm.h"
#include "platform/Gbk.h"
#include "platform/TextFile.h"

#include <optional>

#include <gtest/gtest.h>
#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

using namespace marindle;
using namespace montest;
using apptest::AppRig;

TEST(TextWindowsTest, DebugItemsGoOutOncePerTickAndPauseDropsThem) {
    AppRig rig;
    auto* form = dynamic_cast<CDebugForm*>(rig.app->windows.OpenDebug());
    ASSERT_NE(form, nullptr);
    form->AddText(0x0000FF, "一\r\n");
    EXPECT_EQ(form->PlainText(), "");
    form->OnTick();
    EXPECT_EQ(form->PlainText(), "一\n");
    form->OnPause();
    form->OnSave();
    form->AddText(0, "二\r\n");
    form->OnTick();
    form->OnContinue();
    form->OnTick();
    form->AddText(0, "三\r\n");
    form->OnTick();
    EXPECT_EQ(form->PlainText(), "一\n三\n");
    // Saving while paused still wrote the item.
    EXPECT_EQ(testsupport::ReadBytes(rig.app->SavFolder() / "DBG.txt"), platform::ToGbk("二\r\n三\r\n"));
}

TEST(TextWindowsTest, ASaveFileThatCannotBeWrittenIsSaidOnceAndHoldsNoTornEntry) {
    AppRig rig;
    auto* form = dynamic_cast<CDebugForm*>(rig.app->windows.OpenDebug());
    ASSERT_NE(form, nullptr);
    const auto file = rig.app->SavFolder() / "DBG.txt";
    form->OnSave();
    form->AddText(0, "一\r\n");
    form->OnTick();
    // A full disk for two ticks: one box, after the tick, and nothing half written.
    std::optional<platform::CFileFaults> faults;
    faults.emplace().FailFrom(platform::FileStep::Write, 1);
    form->AddText(0, "二行较长的文本\r\n");
    form->OnTick();
    form->AddText(0, "三行较长的文本\r\n");
    form->OnTick();
    faults.reset();
    EXPECT_EQ(rig.prompts.Count(), 0u);
    rig.Settle();
    ASSERT_EQ(rig.prompts.Count(), 1u);
    EXPECT_EQ(rig.prompts.LastText(), "写入文件失败。\n" + file.string());
    EXPECT_EQ(testsupport::ReadBytes(file), platform::ToGbk("一\r\n"));
    form->AddText(0, "四\r\n");
    form->OnTick();
    // The entries lost are marked where they were.
    const std::string gap = std::string("\r\n") + kSaveGapMark + "\r\n";
    EXPECT_EQ(testsupport::ReadBytes(file), platform::ToGbk("一\r\n" + gap + "四\r\n"));
    // The disk fills again after a chunk fitted: marked again, but told once for the window.
    faults.emplace().FailFrom(platform::FileStep::Write, 1);
    form->AddText(0, "五\r\n");
    form->OnTick();
    faults.reset();
    form->AddText(0, "六\r\n");
    form->OnTick();
    rig.Settle();
    EXPECT_EQ(rig.prompts.Count(), 1u);
    EXPECT_EQ(testsupport::ReadBytes(file), platform::ToGbk("一\r\n" + gap + "四\r\n" + gap + "六\r\n"));
}

// Two saving windows whose disk fills: each file is told once, one box at a time, the second after
// the first closes and never inside it (the first box is held open while the event loop runs).
TEST(TextWindowsTest, SaveFailuresOfSeveralWindowsAreToldOneBoxAtATime) {
    AppRig rig;
    rig.Login();
    auto* debug = dynamic_cast<CDebugForm*>(rig.app->windows.OpenDebug());
    auto* trace = dynamic_cast<CTraceForm*>(rig.app->windows.OpenTrace(1, 0, 0));
    ASSERT_NE(debug, nullptr);
    ASSERT_NE(trace, nullptr);
    debug->OnSave();
    trace->OnSave();
    montest::HeldPrompt held;
    int mostOpen = 0;
    int turns = 0;
    held.whileOpen = [&](const std::string&) {
        mostOpen = std::max(mostOpen, held.open);
        // While the first box is up the disk stays full and both windows go on saving.
        debug->AddText(0, "又一行\r\n");
        debug->OnTick();
        trace->OnTick();
        return ++turns % 20 == 0;
    };
    {
        platform::CFileFaults full;
        full.FailFrom(platform::FileStep::Write, 1);
        debug->AddText(0, "一\r\n");
        rig.app->OnVersion();
        debug->OnTick();
        trace->OnTick();
        rig.Settle();
    }
    EXPECT_EQ(mostOpen, 1);
    EXPECT_FALSE(held.timedOut);
    EXPECT_EQ(held.texts, (std::vector<std::string>{
                              "写入文件失败。\n" + (rig.app->SavFolder() / "DBG.txt").string(),
                              "写入文件失败。\n" + (rig.app->SavFolder() / "MSG_主通讯.txt").string()}));
}

TEST(TextWindowsTest, WindowKeepsItsLastThreeThousandLines) {
    AppRig rig;
    auto* form = dynamic_cast<CDebugForm*>(rig.app->windows.OpenDebug());
    std::string many;
    for (int i = 0; i < 3001; ++i)
        many += "x" + std::to_string(i) + "\n";
    form->AddText(0, many);
    form->OnTick();
    EXPECT_LE(form->Edit()->document()->blockCount(), CTextMonitorForm::kMaxLines);
    form->AddText(0, "y");
    form->OnTick();
    const std::string text = form->PlainText();
    EXPECT_EQ(text.substr(text.size() - 8), "\nx3000\ny");
    EXPECT_EQ(text.find("x0\n"), std::string::npos);
    EXPECT_LE(form->Edit()->document()->blockCount(), CTextMonitorForm::kMaxLines);
}

TEST(TextWindowsTest, FloodBeyondTheTickBudgetIsCountedAndSaidAndTheNewestItemsShow) {
    AppRig rig;
    auto* form = dynamic_cast<CDebugForm*>(rig.app->windows.OpenDebug());
    form->OnSave();
    // 50,000 debug frames between two ticks: the queue stays within its budget.
    for (int i = 0; i < 50000; ++i) {
        form->AddText(0x0000FF, "text " + std::to_string(i) + "\r\n");
        ASSERT_LE(form->QueuedCount(), CTextMonitorForm::kTickLines);
    }
    form->OnTick();
    const std::uint64_t omitted = 50000 - CTextMonitorForm::kTickLines;
    EXPECT_EQ(form->OmittedCount(), omitted);
    const std::string text = form->PlainText();
    const std::string said = "……省略" + std::to_string(omitted) + "条……\n";
    EXPECT_EQ(text.rfind(said, 0), 0u) << text.substr(0, 80);
    EXPECT_EQ(text.find("text 48999\n"), std::string::npos);
    EXPECT_EQ(text.substr(said.size(), 10), "text 49000");
    EXPECT_EQ(text.substr(text.size() - 11), "text 49999\n");
    // The second tick of the flood: the window still ends on the newest lines, within its bound.
    for (int i = 0; i < 5000; ++i)
        form->AddText(0, "more " + std::to_string(i) + "\r\n");
    form->OnTick();
    const std::string later = form->PlainText();
    EXPECT_EQ(later.substr(later.size() - 10), "more 4999\n");
    EXPECT_NE(later.find("……省略4000条……\n"), std::string::npos);
    EXPECT_LE(form->Edit()->document()->blockCount(), CTextMonitorForm::kMaxLines);
    // The save file has every item.
    const std::string saved = testsupport::ReadGbkText(rig.app->SavFolder() / "DBG.txt");
    EXPECT_EQ(saved.rfind("text 0", 0), 0u);
    EXPECT_NE(saved.find("text 25000"), std::string::npos);
    EXPECT_NE(saved.find("more 4999"), std::string::npos);
}

TEST(TextWindowsTest, TraceWindowFiltersAndMonitorsItsPort) {
    AppRig rig;
    rig.Login();
    const CPortRecord* net = rig.app->model.Ports()[1].get();
    auto* form = dynamic_cast<CTraceForm*>(rig.app->windows.OpenTrace(0, 0, net->key));
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 1);
    EXPECT_EQ(rig.SentBodies()[0][1], 0); // frame monitoring on
    EXPECT_EQ(rig.SentBodies()[0][3], 3); // of a network port
    FrameSettings s;
    s.tcp = 0;
    s.printHeader = 0;
    form->SetSettings(s);
    form->AddFrame({1, 2, 0, 0, 0, "h", "aa "});
    form->AddFrame({0, 1, 0, 0, 0, "h", "bb "});
    form->OnTick();
    EXPECT_EQ(form->PlainText(), "bb \n");
    auto menu = form->BuildContextMenu();
    EXPECT_TRUE(menu->actions().back()->isEnabled()); // 报文属性
    rig.ClearSent();
    delete rig.app->windows.MdiArea()->subWindowList().back();
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 1);
    EXPECT_EQ(rig.SentBodies()[0][1], 1); // off
    EXPECT_EQ(rig.app->windows.FindTrace(0, 0, net->key), nullptr);
}

TEST(TextWindowsTest, MainTraceGetsTheLinkFramesAndSavesThem) {
    AppRig rig;
    rig.Login();
    auto* form = dynamic_cast<CTraceForm*>(rig.app->windows.OpenTrace(1, 0, 0));
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->BuildContextMenu()->actions().back()->isEnabled());
    form->OnSave();
    EXPECT_EQ(form->BuildContextMenu()->actions()[3]->text(), QString::fromUtf8("终止保存"));
    rig.app->OnVersion();
    form->OnTick();
    EXPECT_NE(form->PlainText().find("召唤版本号"), std::string::npos);
    const std::string saved = testsupport::ReadGbkText(rig.app->SavFolder() / "MSG_主通讯.txt");
    EXPECT_EQ(saved.rfind("数据发： ", 0), 0u);
}

TEST(TextWindowsTest, ProtocolWindowStartsAndStopsItsMonitoring) {
    AppRig rig;
    rig.Login();
    const CPortRecord* com = rig.app->model.Ports()[0].get();
    auto* form = dynamic_cast<CProcForm*>(rig.app->windows.OpenProtocol(com->key));
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 16);
    EXPECT_EQ(form->SavePath().filename().string(), "PRC_板卡1_COM1.txt");
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("板卡1_COM1规约信息"));
    rig.ClearSent();
    rig.app->windows.CloseLinkWindows();
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0][0], 16);
}

TEST(TextWindowsTest, FindWrapsAndReportsNoMatch) {
    AppRig rig;
    auto* form = dynamic_cast<CDebugForm*>(rig.app->windows.OpenDebug());
    form->AddText(0, "alpha beta\ngamma\n");
    form->OnTick();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CFindCharDlg&>(d);
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("查找特殊字符"));
        dlg.edit_->setText("gamma");
        return static_cast<int>(QDialog::Accepted);
    });
    form->OnFind();
    EXPECT_TRUE(form->SearchActive());
    EXPECT_EQ(form->Edit()->textCursor().selectedText(), "gamma");
    form->FindNext(); // wraps to the one match again
    EXPECT_EQ(form->Edit()->textCursor().selectedText(), "gamma");
    EXPECT_EQ(rig.prompts.Count(), 0u);

    rig.OnDialog([](QDialog& d) {
        dynamic_cast<CFindCharDlg&>(d).edit_->setText("delta");
        return static_cast<int>(QDialog::Accepted);
    });
    QTest::keyClick(form->Edit(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(rig.prompts.LastText(), "查找无结果。");
    EXPECT_FALSE(form->SearchActive());
    rig.dialogNames.clear();
    QTest::keyClick(form->Edit(), Qt::Key_F3); // no search: the dialog opens
    EXPECT_EQ(rig.dialogNames, (std::vector<std::string>{"CFindCharDlg"}));
}

TEST(TextWindowsTest, MarkColoursEveryMatch) {
    AppRig rig;
    auto* form = dynamic_cast<CDebugForm*>(rig.app->windows.OpenDebug());
    form->AddText(0, "ab ab ab");
    form->OnTick();
    rig.OnDialog([](QDialog& d) {
        auto& dlg = dynamic_cast<CFindCharDlg&>(d);
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("标记特殊字符"));
        dlg.edit_->setText("ab");
        return static_cast<int>(QDialog::Accepted);
    });
    form->OnMark();
    int red = 0;
    const QTextBlock block = form->Edit()->document()->firstBlock();
    for (auto it = block.begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().foreground().color() == QColor(255, 0, 0))
            red += it.fragment().text().count("ab");
    EXPECT_EQ(red, 3);
}

TEST(ConsoleTest, AnswersWithoutEndKeepOnlyTheLastLinesAndTheConsoleStillTakesCommands) {
    AppRig rig;
    rig.Login();
    auto* form = dynamic_cast<CCmdForm*>(rig.app->windows.OpenCommand());
    ASSERT_NE(form, nullptr);
    for (int i = 0; i < 5000; ++i)
        form->ShowAnswer("answer " + std::to_string(i) + "\r\n");
    CCmdEdit* edit = form->Edit();
    EXPECT_LE(edit->document()->blockCount(), CCmdEdit::kMaxLines);
    EXPECT_FALSE(edit->toPlainText().contains("answer 0\n"));
    EXPECT_TRUE(edit->toPlainText().contains("answer 4999\n"));
    rig.ClearSent();
    QTest::keyClicks(edit, "ver");
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
}

TEST(ConsoleTest, LinesAreSentAndRecalled) {
    AppRig rig;
    rig.Login();
    auto* form = dynamic_cast<CCmdForm*>(rig.app->windows.OpenCommand());
    ASSERT_NE(form, nullptr);
    CCmdEdit* edit = form->Edit();
    QTest::keyClicks(edit, "a");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, "b");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Return); // an empty line sends nothing
    const auto sent = rig.SentBodies();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], (Bytes{3, 'a'}));
    EXPECT_EQ(sent[1], (Bytes{3, 'b'}));
    EXPECT_EQ(edit->History().Count(), 2);
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->CurrentLine(), "b");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->CurrentLine(), "a");
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->CurrentLine(), "b");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->CurrentLine(), "");
    QTest::keyClick(edit, Qt::Key_Left); // cannot go before the line's start
    EXPECT_EQ(edit->textCursor().positionInBlock(), 0);

    form->ShowAnswer("ok\r\n");
    EXPECT_NE(edit->toPlainText().indexOf("ok"), -1);
    rig.ClearSent();
    QTest::keyClicks(edit, "clear");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(rig.SentBodies().empty());
    EXPECT_EQ(edit->toPlainText().trimmed(), "");
}

TEST(ConsoleTest, RightCompletesFromTheHistory) {
    AppRig rig;
    rig.Login();
    auto* form = dynamic_cast<CCmdForm*>(rig.app->windows.OpenCommand());
    CCmdEdit* edit = form->Edit();
    QTest::keyClick(edit, Qt::Key_Right); // empty history: nothing
    EXPECT_EQ(edit->CurrentLine(), "");
    QTest::keyClicks(edit, "abc");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, "a");
    QTest::keyClick(edit, Qt::Key_Right);
    EXPECT_EQ(edit->CurrentLine(), "ab");
    QTest::keyClick(edit, Qt::Key_Right);
    EXPECT_EQ(edit->CurrentLine(), "abc");
}

// A line with a character that has no GBK form would reach the unit with '?': it is refused.
TEST(ConsoleTest, ALineWithoutAGbkFormIsRefused) {
    AppRig rig;
    rig.Login();
    auto* form = dynamic_cast<CCmdForm*>(rig.app->windows.OpenCommand());
    ASSERT_NE(form, nullptr);
    rig.ClearSent();
    ASSERT_TRUE(form->Edit()->onCommand);
    form->Edit()->onCommand("ver \xF0\x9F\x98\x80");
    EXPECT_EQ(rig.prompts.LastText(), "输入内容含有无法转换的字符!");
    EXPECT_TRUE(rig.SentBodies().empty());
    form->Edit()->onCommand("ver 中文");
    EXPECT_EQ(rig.SentBodies().size(), 1u);
}
