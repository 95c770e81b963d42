#include "configtool/shellui/TextView.h"
#include "configtool/model/TextFormat.h"
#include "configtool/shellui/TextMatchDlg.h"

#include "platform/TextBatch.h"
#include "platform/ui/WidgetPrompt.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <string>
#include <utility>
#include <vector>

using namespace qxm7740;

using platform::Qs;

namespace {

// The colour of the character at a position of the view's text.
QColor ColourAt(CTextView& view, int pos) {
    QTextCursor c(view.document());
    c.setPosition(pos);
    c.setPosition(pos + 1, QTextCursor::KeepAnchor);
    return c.charFormat().foreground().color();
}

QAction* ActionOf(QMenu& menu, const QString& caption) {
    for (QAction* a : menu.actions())
        if (a->text() == caption)
            return a;
    return nullptr;
}

struct DialogRunnerGuard {
    explicit DialogRunnerGuard(platform::DialogRunner r) { platform::SetDialogRunner(std::move(r)); }
    ~DialogRunnerGuard() { platform::SetDialogRunner(nullptr); }
};

} // namespace

TEST(TextView, AppendsColouredTextLinesAndHexDumps) {
    CTextView view;
    EXPECT_TRUE(view.isReadOnly());
    EXPECT_EQ(CTextView::kBackground, view.palette().color(QPalette::Base));
    view.AppendLine("发送", QColor(0, 128, 0));
    std::vector<std::uint8_t> bytes(20);
    for (int i = 0; i < 20; ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    view.AppendHex(bytes.data(), bytes.size(), QColor(0, 0, 128), true, 16);
    view.AppendHex(bytes.data(), 0, QColor(0, 0, 128), true, 16);
    view.AppendColorText("尾", QColor(128, 0, 0));

    const QString expected = "发送\n"
                             "00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f \n"
                             "10 11 12 13 \n"
                             "尾";
    EXPECT_EQ(expected, view.toPlainText());
    EXPECT_EQ(QColor(0, 128, 0), ColourAt(view, 0));
    EXPECT_EQ(QColor(0, 0, 128), ColourAt(view, 3));
    EXPECT_EQ(QColor(128, 0, 0), ColourAt(view, expected.size() - 1));
    EXPECT_EQ(4, view.document()->blockCount());
}

TEST(TextView, PauseDropsTextAndContinueDoesNotRestoreIt) {
    CDebugTextView view;
    view.AppendLine("一", Qt::black);
    {
        std::unique_ptr<QMenu> menu = view.BuildContextMenu();
        QAction* pause = ActionOf(*menu, "暂停");
        ASSERT_NE(nullptr, pause);
        EXPECT_TRUE(pause->isEnabled());
        EXPECT_FALSE(ActionOf(*menu, "继续")->isEnabled());
        EXPECT_EQ(CDebugTextView::ID_PAUSE, pause->data().toInt());
        pause->trigger();
    }
    EXPECT_FALSE(view.IsOutputOn());
    std::uint8_t bytes[3] = {1, 2, 3};
    view.AppendLine("二", Qt::black);
    view.AppendHex(bytes, 3, Qt::black);
    view.AppendColorText("三", Qt::black);
    {
        std::unique_ptr<QMenu> menu = view.BuildContextMenu();
        EXPECT_FALSE(ActionOf(*menu, "暂停")->isEnabled());
        EXPECT_TRUE(ActionOf(*menu, "继续")->isEnabled());
        ActionOf(*menu, "继续")->trigger();
    }
    view.AppendLine("四", Qt::black, false);
    EXPECT_EQ("一\n四", view.toPlainText());
}

TEST(TextView, MenuHoldsTheCommandsAndClearEmptiesTheView) {
    CDebugTextView view;
    std::unique_ptr<QMenu> menu = view.BuildContextMenu();
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(QStringList({"暂停", "继续", "清除", "复制", "标记", "-", "刷新"}), captions);
    EXPECT_FALSE(ActionOf(*menu, "刷新")->isEnabled());

    view.AppendLine("abc", Qt::black);
    view.selectAll();
    ActionOf(*menu, "复制")->trigger();
    EXPECT_EQ("abc\n", QApplication::clipboard()->text());
    ActionOf(*menu, "清除")->trigger();
    EXPECT_EQ("", view.toPlainText());
}

TEST(TextView, MarkAllColoursEveryOccurrenceWithTheDialogsOptions) {
    CDebugTextView view;
    view.AppendLine("ab Ab abc ab", QColor(0, 0, 128), false);
    const QColor navy(0, 0, 128);

    // A text that does not occur changes nothing; an empty text neither.
    view.MarkAll("zz", false, false);
    view.MarkAll("", false, false);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(navy, ColourAt(view, i)) << i;

    // Whole words, case counting: only the two "ab" words.
    DialogRunnerGuard guard([](QDialog& d) {
        d.findChild<QLineEdit*>("text")->setText("ab");
        d.findChild<QCheckBox*>("wholeWord")->setChecked(true);
        d.findChild<QCheckBox*>("matchCase")->setChecked(true);
        d.accept();
        return d.result();
    });
    view.OnMark();
    EXPECT_EQ("ab", view.MatchDialog().GetText());
    const QColor red(255, 0, 0);
    EXPECT_EQ(red, ColourAt(view, 0));
    EXPECT_EQ(navy, ColourAt(view, 3)); // "Ab"
    EXPECT_EQ(navy, ColourAt(view, 6)); // "abc"
    EXPECT_EQ(red, ColourAt(view, 10));

    // Without options every "ab" goes red, those already marked included.
    view.MarkAll("ab", false, false);
    for (int pos : {0, 1, 3, 4, 6, 7, 10, 11})
        EXPECT_EQ(red, ColourAt(view, pos)) << pos;
    EXPECT_EQ(navy, ColourAt(view, 8)); // "c"

    // New text after marks comes in its own colour.
    view.AppendColorText("ab", QColor(0, 128, 0));
    EXPECT_EQ(QColor(0, 128, 0), ColourAt(view, 12));
}

TEST(TextMatchDlg, CancelKeepsTheValuesLastConfirmed) {
    CTextMatchDlg dlg;
    {
        DialogRunnerGuard guard([](QDialog& d) {
            d.findChild<QLineEdit*>("text")->setText("甲");
            d.findChild<QCheckBox*>("matchCase")->setChecked(true);
            d.accept();
            return d.result();
        });
        EXPECT_EQ(QDialog::Accepted, platform::RunDialog(dlg));
    }
    {
        DialogRunnerGuard guard([](QDialog& d) {
            d.findChild<QLineEdit*>("text")->setText("乙");
            d.reject();
            return d.result();
        });
        EXPECT_EQ(QDialog::Rejected, platform::RunDialog(dlg));
    }
    EXPECT_EQ("甲", dlg.GetText());
    EXPECT_TRUE(dlg.IsMatchCase());
    EXPECT_FALSE(dlg.IsWholeWord());
    EXPECT_EQ(QString("甲"), dlg.findChild<QLineEdit*>("text")->text());
    EXPECT_EQ(QString("字符匹配设置"), dlg.windowTitle());
}

TEST(DebugTextView, FeedIsAppendedOnTheNextEventLoopTurnInOrderAndColour) {
    CDebugTextView view;
    const QColor green(0, 128, 0), navy(0, 0, 128);
    view.FeedLine("发送", green);
    const std::uint8_t bytes[] = {0x90, 0xEB, 0x01};
    view.FeedHex(bytes, sizeof bytes, navy);
    // Nothing is appended while the feeding call runs.
    EXPECT_TRUE(view.toPlainText().isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(view.toPlainText(), Qs("发送\n90 eb 01 \n"));
    EXPECT_EQ(ColourAt(view, 0), green);
    EXPECT_EQ(ColourAt(view, 3), navy);
    EXPECT_EQ(view.PendingLines(), 0u);

    // Paused: nothing is queued; cleared: nothing queued survives.
    view.OnPause();
    view.FeedLine("lost", green);
    EXPECT_EQ(view.PendingLines(), 0u);
    view.OnContinue();
    view.FeedLine("gone", green);
    view.ClearAll();
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.toPlainText().isEmpty());
}

TEST(DebugTextView, KeepsOnlyItsLastLinesWhateverIsFed) {
    CDebugTextView view;
    const QColor colour(0, 0, 128);
    // 20 frames of 10 KB in one turn (12,800 dump lines) and lines between them.
    std::vector<std::uint8_t> frame(10240);
    for (int i = 0; i < 20; ++i) {
        for (std::size_t b = 0; b < frame.size(); ++b)
            frame[b] = static_cast<std::uint8_t>(b + static_cast<std::size_t>(i));
        view.FeedLine("packet " + std::to_string(i), colour);
        view.FeedHex(frame.data(), frame.size(), colour);
    }
    EXPECT_LE(view.PendingLines(), static_cast<std::size_t>(CDebugTextView::kMaxLines) + 641);
    view.FlushFeed();
    EXPECT_LE(view.document()->blockCount(), CDebugTextView::kMaxLines);
    // The end is the last frame's dump, whole lines of it, and its caption is still there.
    const QString text = view.toPlainText();
    EXPECT_TRUE(text.endsWith(Qs("03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 \n\n")))
        << text.right(80).toStdString();
    EXPECT_TRUE(text.contains(Qs("packet 19\n13 14 15")));
    EXPECT_FALSE(text.contains(Qs("packet 0\n")));
    // What did not fit the batch's budget is counted and said, on the pane's first line here.
    EXPECT_GT(view.OmittedCount(), 0u);
    EXPECT_TRUE(text.startsWith(Qs(platform::OmittedLine(view.OmittedCount()) + "\n")))
        << text.left(80).toStdString();
    EXPECT_LE(view.document()->blockCount(), static_cast<int>(CDebugTextView::kTickLines) + 2);
    // Every kept dump line is a whole line of 16 bytes (each dump here ends with an empty line).
    const QStringList lines = text.split('\n');
    for (int i = 1; i + 2 < lines.size(); ++i) {
        if (!lines[i].isEmpty() && !lines[i].startsWith("packet")) {
            EXPECT_EQ(lines[i].size(), 48) << i;
        }
    }

    // Appended over many turns the pane stays bounded as well.
    for (int i = 0; i < 10; ++i) {
        view.FeedHex(frame.data(), frame.size(), colour);
        QCoreApplication::processEvents();
    }
    EXPECT_LE(view.document()->blockCount(), CDebugTextView::kMaxLines);
}

TEST(DebugTextView, AShownPaneEndsOnItsNewestLineAfterEachBatch) {
    CDebugTextView view;
    view.resize(600, 200);
    view.show();
    std::vector<std::uint8_t> frame(10140);
    for (int i = 0; i < 6; ++i) {
        frame.assign(frame.size(), static_cast<std::uint8_t>(i));
        view.FeedLine("packet " + std::to_string(i), Qt::blue);
        view.FeedHex(frame.data(), frame.size(), Qt::darkBlue);
        view.FlushFeed();
        QCoreApplication::processEvents();
        // The cursor stands after the last line, and that is where the pane shows.
        EXPECT_TRUE(view.textCursor().atEnd()) << i;
        EXPECT_TRUE(view.viewport()->rect().contains(view.cursorRect())) << i;
        EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum()) << i;
        EXPECT_GT(view.verticalScrollBar()->maximum(), 0) << i;
    }
}

TEST(DebugTextView, ABatchWaitsForTheIntervalOrTenTimesWhatTheLastOneTook) {
    // Nothing before: at once. After a quick batch: the rest of the interval, then at once.
    EXPECT_EQ(CDebugTextView::FeedWaitMs(-1, 500), 0);
    EXPECT_EQ(CDebugTextView::FeedWaitMs(50, 3), CDebugTextView::kFeedIntervalMs - 50);
    EXPECT_EQ(CDebugTextView::FeedWaitMs(CDebugTextView::kFeedIntervalMs, 3), 0);
    // After a batch whose layout took 40 ms the next one comes 400 ms after its start.
    EXPECT_EQ(CDebugTextView::FeedWaitMs(250, 40), 150);
    EXPECT_EQ(CDebugTextView::FeedWaitMs(400, 40), 0);
    // However slow the layout, the pane still shows what came within the longest period.
    EXPECT_EQ(CDebugTextView::FeedWaitMs(0, 100000), CDebugTextView::kFeedMaxPeriodMs);
    EXPECT_EQ(CDebugTextView::FeedWaitMs(CDebugTextView::kFeedMaxPeriodMs, 100000), 0);
}

TEST(DebugTextView, ShowsExactlyTheLastLinesOfEachBatchsBudget) {
    CDebugTextView view;
    using Lines = std::vector<std::pair<std::string, QColor>>;
    // Every line a pane without a limit would show, in order, with its colour: of each batch the
    // items within the budget (the oldest go while the newer ones fill it by themselves), cut to
    // the budget's lines, after the line that counts the items left out.
    Lines all;
    std::vector<Lines> queued; // the items fed since the last batch
    auto record = [&](const std::string& text, const QColor& colour) {
        Lines item;
        std::size_t from = 0;
        for (std::size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', from)) {
            item.emplace_back(text.substr(from, nl - from), colour);
            from = nl + 1;
        }
        queued.push_back(std::move(item));
    };
    auto batch = [&] {
        std::size_t lines = 0;
        for (const Lines& item : queued)
            lines += item.size();
        std::size_t first = 0;
        while (first + 1 < queued.size() && lines - queued[first].size() >= CDebugTextView::kTickLines)
            lines -= queued[first++].size();
        if (first > 0)
            all.emplace_back(platform::OmittedLine(first), QColor(0x80, 0x80, 0x80));
        std::size_t skip = lines > CDebugTextView::kTickLines ? lines - CDebugTextView::kTickLines : 0;
        for (std::size_t i = first; i < queued.size(); ++i)
            for (const auto& line : queued[i])
                if (skip > 0)
                    --skip;
                else
                    all.push_back(line);
        queued.clear();
    };
    auto flush = [&] {
        view.FlushFeed();
        batch();
    };
    const QColor colours[] = {QColor(0, 0, 255), QColor(0, 128, 0), QColor(255, 0, 0)};
    int fed = 0;
    auto line = [&](const std::string& text) {
        const QColor& colour = colours[fed++ % 3];
        view.FeedLine(text, colour);
        record(CTextFormat::Line(text, true), colour);
    };
    std::vector<std::uint8_t> bytes(48000);
    auto dump = [&](std::size_t count) {
        const QColor& colour = colours[fed++ % 3];
        for (std::size_t b = 0; b < count; ++b)
            bytes[b] = static_cast<std::uint8_t>(b * 7 + static_cast<std::size_t>(fed));
        view.FeedHex(bytes.data(), count, colour);
        record(CTextFormat::Hex(bytes.data(), count, true, 16), colour);
    };
    auto frame = [&](int i) {
        line("接收文件数据包" + std::to_string(i));
        dump(10176 - static_cast<std::size_t>(i % 17));
    };
    auto expectLastLines = [&](const std::string& when) {
        // The pane's last block is the empty one after the last line break.
        const QTextDocument& doc = *view.document();
        const std::size_t shown = std::min<std::size_t>(all.size(), CDebugTextView::kMaxLines - 1);
        ASSERT_EQ(doc.blockCount(), static_cast<int>(shown) + 1) << when;
        QTextBlock block = doc.begin();
        for (std::size_t i = all.size() - shown; i < all.size(); ++i, block = block.next()) {
            ASSERT_EQ(block.text().toStdString(), all[i].first) << when << ", line " << i;
            if (!all[i].first.empty()) {
                ASSERT_EQ(block.begin().fragment().charFormat().foreground().color(), all[i].second)
                    << when << ", line " << i;
            }
        }
        EXPECT_TRUE(block.text().isEmpty()) << when;
    };

    // A few lines at a time, then batches that fill the pane by themselves, then small ones
    // pushing the oldest lines out.
    for (std::size_t count : {3u, 40u, 100u}) {
        line("发送");
        dump(count);
        flush();
    }
    expectLastLines("small batches");
    int n = 0;
    for (int batch : {1, 6, 2}) {
        for (int i = 0; i < batch; ++i)
            frame(n++);
        flush();
        expectLastLines("a batch of " + std::to_string(batch) + " frames");
    }
    for (int i = 0; i < 40; ++i) {
        line("两行的\n说明 " + std::to_string(i));
        dump(static_cast<std::size_t>(i * 13 % 300 + 1));
        flush();
    }
    expectLastLines("small batches after full ones");

    // A full batch whose first line to show is the last of a dump (4001 bytes: 251 line breaks,
    // 999 more behind them) or the second line of a text (2 + 999), and one whose last item
    // fills the budget by itself.
    const std::size_t budgetDump = (CDebugTextView::kTickLines - 2) * 16;
    dump(4001);
    dump(budgetDump);
    flush();
    expectLastLines("a batch cut inside a dump");
    line("第一行\n第二行");
    dump(budgetDump);
    flush();
    expectLastLines("a batch cut inside a text");
    dump(4001);
    dump(budgetDump + 48);
    flush();
    expectLastLines("a batch whose last item fills the budget");

    // Left to the event loop, what is fed shows by itself (the limit only guards against a hang;
    // the period is the view's, not a bound on this machine's speed).
    for (int i = 0; i < 12; ++i)
        frame(n++);
    QElapsedTimer waited;
    waited.start();
    while (view.PendingLines() > 0 && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(view.PendingLines(), 0u);
    batch(); // fed in one turn: one batch
    expectLastLines("the event loop");
}
