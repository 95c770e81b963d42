#include "debugger/views/OutputView.h"

#include "platform/Prompt.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace quorvex {

using platform::Qs;
using platform::Ss;

COutputView::COutputView(QWidget* parent) : QTextEdit(parent) {
    setObjectName("outputView");
    QFont font("System");
    font.setPixelSize(12);
    setFont(font);
    setReadOnly(true);
    setUndoRedoEnabled(false);
}

COutputView::~COutputView() {
    if (m_onClose)
        m_onClose();
}

int COutputView::LineCount() const {
    return document()->isEmpty() ? 0 : document()->blockCount();
}

void COutputView::Clear() {
    clear();
}

void COutputView::AppendText(const std::string& text, const QColor& colour, bool newline) {
    if (paused_)
        return;
    if (LineCount() > kMaxLines)
        Clear();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    format.setFontPointSize(11);
    format.setFontFamilies({"Courier New"});
    format.setForeground(colour);
    std::string t = text;
    if (newline && !t.empty())
        t += "\n";
    cursor.insertText(Qs(t), format);
    setTextCursor(cursor);
}

void COutputView::QueueLine(bool sent, const std::string& text) {
    pending_.push_back({sent, text});
}

void COutputView::Flush() {
    std::vector<PendingLine> lines;
    lines.swap(pending_);
    const std::time_t now = std::time(nullptr);
    for (const PendingLine& l : lines) {
        AppendText(l.text, l.sent ? QColor(0, 0, 0x80) : QColor(0, 0x80, 0), true);
        if (log_.m_saving)
            log_.Write(l.sent, l.text, now);
    }
}

void COutputView::StartFlushTimer(int ms) {
    if (!flushTimer_) {
        flushTimer_ = new QTimer(this);
        connect(flushTimer_, &QTimer::timeout, this, &COutputView::Flush);
    }
    flushTimer_->start(ms);
}

QMenu* COutputView::CreateContextMenu() {
    auto* menu = new QMenu(this);
    QAction* pause = menu->addAction("暂停", [this] { paused_ = true; });
    pause->setEnabled(!paused_);
    QAction* resume = menu->addAction("继续", [this] { paused_ = false; });
    resume->setEnabled(paused_);
    menu->addAction("清除", [this] { Clear(); });
    menu->addAction("查找", [this] { FindCommand(); });
    QMenu* save = menu->addMenu("存文件");
    QAction* start = save->addAction("开始", [this] { log_.m_saving = true; });
    start->setEnabled(!log_.m_saving);
    QAction* stop = save->addAction("结束", [this] { log_.m_saving = false; });
    stop->setEnabled(log_.m_saving);
    return menu;
}

void COutputView::contextMenuEvent(QContextMenuEvent* e) {
    std::unique_ptr<QMenu> menu(CreateContextMenu());
    menu->exec(e->globalPos());
}

void COutputView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F && (e->modifiers() & Qt::ControlModifier)) {
        FindCommand();
        return;
    }
    if (e->key() == Qt::Key_F3) {
        FindNextCommand();
        return;
    }
    QTextEdit::keyPressEvent(e);
}

void COutputView::FindCommand() {
    CFindTextDlg dlg(this);
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return;
    moveCursor(QTextCursor::Start);
    searchText_ = dlg.m_text->text();
    matchCase_ = dlg.m_matchCase->isChecked();
    wholeWord_ = dlg.m_wholeWord->isChecked();
    searchActive_ = true;
    FindNext();
}

void COutputView::FindNextCommand() {
    if (searchActive_)
        FindNext();
    else
        FindCommand();
}

bool COutputView::FindNext() {
    QTextDocument::FindFlags flags;
    if (matchCase_)
        flags |= QTextDocument::FindCaseSensitively;
    if (wholeWord_)
        flags |= QTextDocument::FindWholeWords;
    if (find(searchText_, flags))
        return true;
    moveCursor(QTextCursor::Start);
    if (find(searchText_, flags))
        return true;
    // The search ends before the box, which may outlive the window.
    searchActive_ = false;
    platform::MessageBox("查找无结果。");
    return false;
}

CFindTextDlg::CFindTextDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CFindTextDlg");
    setWindowTitle("查找指定字符");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_text = new QLineEdit(this);
    m_text->setObjectName("text");
    form->addRow(new QLabel("查找内容", this), m_text);
    layout->addLayout(form);
    m_matchCase = new QCheckBox("区分大小写", this);
    m_matchCase->setObjectName("matchCase");
    m_wholeWord = new QCheckBox("全字匹配", this);
    m_wholeWord->setObjectName("wholeWord");
    layout->addWidget(m_matchCase);
    layout->addWidget(m_wholeWord);
    layout->addWidget(platform::MakeOkCancelButtons(this));
}

} // namespace quorvex
