#include "configtool/shellui/TextView.h"

#include "configtool/model/TextFormat.h"
#include "configtool/shellui/TextMatchDlg.h"

#include "platform/ui/BatchedText.h"
#include "platform/ui/WidgetPrompt.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace qxm7740 {

using platform::Qs;

const QColor CTextView::kBackground(0xDF, 0xDF, 0xDF);
const QColor CTextView::kMarkColour(255, 0, 0);

CTextView::CTextView(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("textView");
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont font("宋体");
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    document()->setDefaultFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, kBackground);
    setPalette(pal);
}

CTextView::~CTextView() = default;

void CTextView::AppendColorText(const std::string& text, const QColor& colour) {
    if (!m_bOutput || text.empty())
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(Qs(text), format);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void CTextView::AppendLine(const std::string& text, const QColor& colour, bool newline) {
    if (!m_bOutput)
        return;
    AppendColorText(CTextFormat::Line(text, newline), colour);
}

void CTextView::AppendHex(const std::uint8_t* bytes, std::size_t count, const QColor& colour, bool newline,
                          int bytesPerLine) {
    if (!m_bOutput || count == 0)
        return;
    AppendColorText(CTextFormat::Hex(bytes, count, newline, bytesPerLine), colour);
}

void CTextView::ClearAll() {
    clear();
}

void CTextView::CopySelection() {
    copy();
}

void CTextView::MarkAll(const std::string& text, bool matchCase, bool wholeWord) {
    if (text.empty())
        return;
    QTextDocument::FindFlags flags;
    if (matchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (wholeWord)
        flags |= QTextDocument::FindWholeWords;
    const QString what = Qs(text);
    QTextCharFormat red;
    red.setForeground(kMarkColour);
    QTextCursor found(document());
    for (;;) {
        found = document()->find(what, found, flags);
        if (found.isNull() || !found.hasSelection())
            break;
        found.mergeCharFormat(red);
    }
}

CDebugTextView::CDebugTextView(QWidget* parent)
    : CTextView(parent), m_pMatchDlg(std::make_unique<CTextMatchDlg>(this)) {
    setObjectName("debugTextView");
    // Blocks (lines) beyond the limit leave from the top as new ones arrive.
    document()->setMaximumBlockCount(kMaxLines);
}

namespace {

constexpr std::size_t kHexPerLine = 16;

} // namespace

qint64 CDebugTextView::FeedWaitMs(qint64 sinceLastMs, qint64 lastCostMs) {
    return platform::BatchWaitMs(sinceLastMs, lastCostMs, kFeedIntervalMs, kFeedCostFactor, kFeedMaxPeriodMs);
}

void CDebugTextView::FeedLine(const std::string& text, const QColor& colour) {
    if (!IsOutputOn())
        return;
    Pending item;
    item.colour = colour;
    item.text = CTextFormat::Line(text, true);
    item.lines = static_cast<std::size_t>(std::count(item.text.begin(), item.text.end(), '\n'));
    Queue(std::move(item));
}

void CDebugTextView::FeedHex(const std::uint8_t* bytes, std::size_t count, const QColor& colour) {
    if (!IsOutputOn() || count == 0 || !bytes)
        return;
    // A frame's dump is usually let go by the queue when the next frame's comes: its buffer
    // takes the next one.
    Pending item = m_pending.TakeSpare();
    item.colour = colour;
    item.hex = true;
    item.text.clear();
    item.bytes.assign(bytes, bytes + count);
    item.lines = count / kHexPerLine + 1; // a break after every 16 bytes and one at the end
    Queue(std::move(item));
}

void CDebugTextView::Queue(Pending&& item) {
    // Whole items the pane would drop anyway are not kept until the flush.
    const std::size_t lines = item.lines;
    const std::size_t bytes = item.text.size() + item.bytes.size() + sizeof(Pending);
    m_pending.Push(std::move(item), bytes, lines);
    if (!m_flushPosted) {
        m_flushPosted = true;
        // The first line after a quiet spell shows on the next turn; a stream of frames is
        // appended in batches, so the pane's layout does not set the pace of a transfer.
        const qint64 wait = FeedWaitMs(m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : -1, m_lastFlushMs);
        QTimer::singleShot(static_cast<int>(wait), this, [this] { FlushFeed(); });
    }
}

void CDebugTextView::FlushFeed() {
    m_flushPosted = false;
    m_sinceFlush.start();
    if (m_pending.Empty())
        return;
    const std::size_t pendingLines = m_pending.Lines();
    auto batch = m_pending.Take();
    // Lines beyond the budget at the front of the batch are skipped before formatting.
    std::size_t skip = pendingLines > kTickLines ? pendingLines - kTickLines : 0;
    std::vector<platform::TextRun> runs;
    runs.reserve(batch.items.size());
    for (Pending& item : batch.items) {
        if (skip >= item.lines) {
            skip -= item.lines;
            continue;
        }
        std::string text;
        if (item.hex) {
            const std::size_t from = skip * kHexPerLine; // whole lines of 16 bytes
            text = from < item.bytes.size()
                       ? CTextFormat::Hex(item.bytes.data() + from, item.bytes.size() - from, true,
                                          static_cast<int>(kHexPerLine))
                       : std::string("\n");
        } else {
            text = std::move(item.text);
            for (std::size_t dropped = 0; dropped < skip; ++dropped)
                text.erase(0, text.find('\n') + 1);
        }
        skip = 0;
        runs.push_back({std::move(text), static_cast<std::uint32_t>(item.colour.rgb() & 0xFFFFFFu)});
    }
    platform::AppendBatch(this, batch.omitted, runs, QTextCharFormat(), IsOutputOn());
    // The layout ran when the edit block ended: this is what the batch cost the thread.
    m_lastFlushMs = m_sinceFlush.elapsed();
}

void CDebugTextView::ClearAll() {
    m_pending.Clear();
    CTextView::ClearAll();
}

CDebugTextView::~CDebugTextView() = default;

std::unique_ptr<QMenu> CDebugTextView::BuildContextMenu() {
    auto menu = std::make_unique<QMenu>("命令", this);
    menu->setObjectName("debugTextMenu");
    auto add = [&](const char* caption, int id, bool enabled, void (CDebugTextView::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setData(id);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add("暂停", ID_PAUSE, IsOutputOn(), &CDebugTextView::OnPause);
    add("继续", ID_CONTINUE, !IsOutputOn(), &CDebugTextView::OnContinue);
    add("清除", ID_CLEAR, true, &CDebugTextView::ClearAll);
    add("复制", ID_COPY, true, &CDebugTextView::CopySelection);
    add("标记", ID_MARK, true, &CDebugTextView::OnMark);
    menu->addSeparator();
    // "刷新" has no command behind it, so it shows disabled.
    menu->addAction("刷新")->setEnabled(false);
    return menu;
}

void CDebugTextView::OnMark() {
    if (platform::RunDialog(*m_pMatchDlg) != QDialog::Accepted)
        return;
    MarkAll(m_pMatchDlg->GetText(), m_pMatchDlg->IsMatchCase(), m_pMatchDlg->IsWholeWord());
}

void CDebugTextView::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu = BuildContextMenu();
    menu->exec(event->globalPos());
    event->accept();
}

} // namespace qxm7740
