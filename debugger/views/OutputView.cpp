#include "debugger/views/OutputView.h"

#include "debugger/core/LogFiles.h"

#include "platform/Prompt.h"
#include "platform/ui/BatchedText.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"

#include <QApplication>
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

#include <algorithm>
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
    platform::KeepLastLines(this, kMaxLines);
    // A failed save is told once the tick is over, by a box that holds nothing of the view.
    log_.m_onFailure = [](const std::string& path) {
        if (!qApp)
            return;
        QTimer::singleShot(
            0, qApp, [path] { platform::MessageBox(kSaveFailedText + path, "错误", platform::Icon::Error); });
    };
    StartFlushTimer(kTickMs);
}

COutputView::~COutputView() {
    // What was recorded since the last tick still goes to the file.
    log_.Flush(std::time(nullptr));
    if (m_onClose)
        m_onClose();
}

int COutputView::LineCount() const {
    return document()->isEmpty() ? 0 : document()->blockCount();
}

void COutputView::Clear() {
    pending_.Clear();
    clear();
}

namespace {

std::size_t LinesOf(const std::string& text) {
    // Its line breaks; text without one still takes a line.
    return std::max<std::size_t>(1, static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
}

} // namespace

void COutputView::AppendText(const std::string& text, const QColor& colour, bool newline) {
    if (paused_ || text.empty())
        return;
    PendingLine line;
    line.text = newline ? text + "\n" : text;
    line.rgb = static_cast<std::uint32_t>(colour.rgb() & 0xFFFFFF);
    const std::size_t lines = LinesOf(line.text);
    const std::size_t bytes = line.text.size() + sizeof(PendingLine);
    pending_.Push(std::move(line), bytes, lines);
}

void COutputView::RecordText(const std::string& text) {
    if (log_.m_saving)
        log_.AddText(text, std::time(nullptr));
}

void COutputView::QueueLine(bool sent, const std::string& text) {
    // The record gets every line as it comes; the display may leave some out.
    if (log_.m_saving)
        log_.AddLine(sent, text, std::time(nullptr));
    if (paused_)
        return;
    PendingLine line;
    line.text = text;
    line.rgb = sent ? 0x000080 : 0x008000;
    line.portLine = true;
    const std::size_t bytes = text.size() + sizeof(PendingLine);
    pending_.Push(std::move(line), bytes, LinesOf(text));
}

void COutputView::Flush() {
    log_.Flush(std::time(nullptr));
    if (pending_.Empty())
        return;
    auto batch = pending_.Take();
    if (paused_)
        return;
    std::vector<platform::TextRun> runs;
    runs.reserve(batch.items.size());
    for (PendingLine& l : batch.items)
        runs.push_back({l.portLine ? std::move(l.text) + "\n" : std::move(l.text), l.rgb});
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    format.setFontPointSize(11);
    format.setFontFamilies({"Courier New"});
    platform::AppendBatch(this, batch.omitted, runs, format, true);
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
    QAction* start = save->addAction("开始", [this] { log_.SetSaving(true); });
    start->setEnabled(!log_.m_saving);
    QAction* stop = save->addAction("结束", [this] { log_.SetSaving(false); });
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
