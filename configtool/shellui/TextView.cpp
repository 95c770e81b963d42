#include "TextView.h"

#include "TextFormat.h"
#include "TextMatchDlg.h"

#include "platform/ui/WidgetPrompt.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>

using platform::Qs;

const QColor CTextView::kBackground(0xDF, 0xDF, 0xDF);
const QColor CTextView::kMarkColour(255, 0, 0);

CTextView::CTextView(QWidget* parent) : QTextEdit(parent) {
    setObjectName("textView");
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
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
