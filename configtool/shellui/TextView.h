#pragma once
// The read-only text views of the main tool: CTextView appends coloured text, lines and
// hexadecimal dumps and marks matches (a plain text control: it lays out only the lines it draws,
// so appending a thousand lines costs their insertion, not their layout); CDebugTextView is the
// monitor pane with its context menu (pause, continue, clear, copy, mark), fed in batches and
// bounded to its last lines; CConfigTextView adds nothing.
#include "platform/TextBatch.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <QColor>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <string>
#include <vector>

class QMenu;

namespace qxm7740 {

class CTextMatchDlg;

class CTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CTextView(QWidget* parent = nullptr);
    ~CTextView() override;

    // Appends the text in the colour at the end, in the control's default format otherwise.
    // Nothing happens while output is paused.
    void AppendColorText(const std::string& text, const QColor& colour);
    // The text and, with newline, a line break.
    void AppendLine(const std::string& text, const QColor& colour, bool newline = true);
    // "%02x " per byte with a line break every bytesPerLine bytes (none when 0) and one more at
    // the end with newline. Nothing for no bytes.
    void AppendHex(const std::uint8_t* bytes, std::size_t count, const QColor& colour, bool newline = true,
                   int bytesPerLine = 16);
    void ClearAll();
    void CopySelection();
    // Colours every occurrence of text red, from the start; nothing for an empty text.
    void MarkAll(const std::string& text, bool matchCase, bool wholeWord);

    bool IsOutputOn() const { return m_bOutput != 0; }
    void SetOutput(bool on) { m_bOutput = on ? 1 : 0; }

    static const QColor kBackground; // 0xDFDFDF
    static const QColor kMarkColour; // RGB(255, 0, 0)

private:
    int m_bOutput = 1;
};

class CDebugTextView : public CTextView {
    Q_OBJECT
public:
    // The context menu's command ids (kept as each action's data).
    enum Command {
        ID_PAUSE = 32840,
        ID_CONTINUE = 32841,
        ID_CLEAR = 32842,
        ID_COPY = 32843,
        ID_MARK = 32844
    };

    // The pane keeps only its last lines, so a long transfer cannot fill the memory.
    static constexpr int kMaxLines = 3000;
    // One batch shows at most this many lines, of at most kTickBytes queued bytes (the budget of
    // the monitors' text windows): of a faster stream the newest lines show, the items left out
    // before them are counted and said in the pane ("……省略N条……"), and the layout of the shown
    // pane costs the link's thread the same however fast the frames come.
    static constexpr std::size_t kTickLines = 1000;
    static constexpr std::size_t kTickBytes = 1u << 20;
    // While lines keep coming, a batch is appended kFeedIntervalMs after the start of the one
    // before, or kFeedCostFactor times as long as that one took when that is longer (up to
    // kFeedMaxPeriodMs): laying out a full pane of lines takes tens of milliseconds, and the pane
    // shares its thread with the link, so it takes about a tenth of it at most during a transfer.
    static constexpr int kFeedIntervalMs = 200;
    static constexpr int kFeedCostFactor = 10;
    static constexpr int kFeedMaxPeriodMs = 1000;

    // How long a batch queued now waits, sinceLastMs after the start of the last batch (negative
    // when there was none), which took lastCostMs to append.
    static qint64 FeedWaitMs(qint64 sinceLastMs, qint64 lastCostMs);

    explicit CDebugTextView(QWidget* parent = nullptr);
    ~CDebugTextView() override;

    // The link's monitor feed: a text line, or bytes as a hex dump of 16 per line. Queued within
    // the tick's budget, and appended in one batch on a later turn of the event loop (at most
    // every kFeedIntervalMs while frames keep coming), so a frame's handling (and its
    // acknowledgement) never waits for the pane; of what is queued only the lines of the budget
    // are formatted. Nothing is queued while output is paused.
    void FeedLine(const std::string& text, const QColor& colour);
    void FeedHex(const std::uint8_t* bytes, std::size_t count, const QColor& colour);
    // Appends what is queued now (the event loop does it by itself).
    void FlushFeed();
    std::size_t PendingLines() const { return m_pending.Lines(); }
    // Items left out of the pane (beyond a batch's budget) since it was made.
    std::uint64_t OmittedCount() const { return m_pending.TotalOmitted(); }

    // Clears the pane and what is queued for it.
    void ClearAll();

    // The "命令" menu: "暂停", "继续", "清除", "复制", "标记", a separator and "刷新", with the
    // enabled states of this moment. The caller owns it.
    std::unique_ptr<QMenu> BuildContextMenu();

    void OnPause() { SetOutput(false); }
    void OnContinue() { SetOutput(true); }
    // Runs the text-match dialog; on OK marks every occurrence of its text.
    void OnMark();

    CTextMatchDlg& MatchDialog() { return *m_pMatchDlg; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Pending {
        QColor colour;
        bool hex = false;
        std::string text;                // a line, with its line break
        std::vector<std::uint8_t> bytes; // a dump
        std::size_t lines = 0;           // line breaks it makes
    };
    void Queue(Pending&& item);

    std::unique_ptr<CTextMatchDlg> m_pMatchDlg;
    // The shared rule of the running-text windows, with the pane's budget.
    platform::CTextBatch<Pending> m_pending{kTickLines, kTickBytes};
    bool m_flushPosted = false;
    QElapsedTimer m_sinceFlush;
    qint64 m_lastFlushMs = 0;
};

class CConfigTextView : public CTextView {
    Q_OBJECT
public:
    using CTextView::CTextView;
};

} // namespace qxm7740
