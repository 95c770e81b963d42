#include "debugger/views/StringCmdDlg.h"

#include "debugger/views/QuorvexApp.h"

#include "debugger/core/DeviceRequests.h"

#include "platform/Gbk.h"
#include "platform/Prompt.h"
#include "platform/ui/BatchedText.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTimer>

namespace quorvex {

using platform::Qs;
using platform::Ss;

CCommandEdit::CCommandEdit(QWidget* parent) : QTextEdit(parent) {
    setObjectName("commandEdit");
    setAcceptRichText(false);
    // A unit that answers without end cannot fill the memory: the oldest lines leave.
    platform::KeepLastLines(this, kMaxLines);
    SetTypingFormat();
}

void CCommandEdit::SetTypingFormat() {
    QTextCharFormat f;
    f.setForeground(QColor(0, 0, 0x80));
    f.setFontWeight(QFont::Bold);
    setCurrentCharFormat(f);
}

void CCommandEdit::ShowAnswer(const std::string& text) {
    moveCursor(QTextCursor::End);
    QTextCharFormat f;
    f.setForeground(QColor(0, 0x80, 0));
    f.setFontWeight(QFont::Normal);
    textCursor().insertText(Qs(text + "\n"), f);
    setFocus();
    SetTypingFormat();
}

std::string CCommandEdit::LastLine() const {
    return Ss(document()->lastBlock().text());
}

void CCommandEdit::ReplaceLastLine(const std::string& text) {
    QTextCursor c(document()->lastBlock());
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(Qs(text), currentCharFormat());
    moveCursor(QTextCursor::End);
}

void CCommandEdit::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        moveCursor(QTextCursor::End);
        QString line = document()->lastBlock().text().left(255);
        line.remove('\r').remove('\n');
        if (m_onLine)
            m_onLine(Ss(line));
        history_.ResetCursor();
        QTextEdit::keyPressEvent(e);
        return;
    }
    case Qt::Key_Escape:
        ReplaceLastLine({});
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return;
    case Qt::Key_Left:
    case Qt::Key_Backspace:
        if (textCursor().positionInBlock() == 0)
            return;
        break;
    case Qt::Key_Up: {
        // An empty history empties the line.
        std::string text;
        history_.Up(LastLine(), text);
        ReplaceLastLine(text);
        return;
    }
    case Qt::Key_Down: {
        std::string text;
        if (history_.Down(text))
            ReplaceLastLine(text);
        return;
    }
    case Qt::Key_Right: {
        const QTextCursor c = textCursor();
        if (c.atBlockEnd()) {
            const QString entry = Qs(history_.Current());
            const QString line = c.block().text();
            if (line.size() < entry.size())
                textCursor().insertText(entry.mid(line.size(), 1));
            return;
        }
        break;
    }
    default:
        break;
    }
    QTextEdit::keyPressEvent(e);
}

void CCommandEdit::mousePressEvent(QMouseEvent*) {}
void CCommandEdit::mouseDoubleClickEvent(QMouseEvent*) {}

CStringCmdDlg::CStringCmdDlg(CQuorvexApp& app, QWidget* parent) : QDialog(parent), app_(app) {
    setObjectName("CStringCmdDlg");
    setWindowTitle("字符串命令");
    setAttribute(Qt::WA_DeleteOnClose);
    edit_ = new CCommandEdit(this);
    edit_->m_onLine = [this](const std::string& line) { SendLine(line); };
    resize(640, 400);
}

void CStringCmdDlg::SendLine(const std::string& line) {
    if (line.empty())
        return;
    if (line == "clear") {
        QTimer::singleShot(0, edit_, [e = edit_] {
            e->clear();
            e->setFocus();
        });
        return;
    }
    if (line == "close") {
        QTimer::singleShot(0, this, &QDialog::close);
        return;
    }
    // A character without a GBK form would reach the unit as '?': the line is not sent.
    if (!platform::SurvivesGbk(line)) {
        platform::MessageBox(platform::kTextNotGbk, "错误", platform::Icon::Error);
        return;
    }
    edit_->History().Add(line);
    if (app_.Send(requests::StringCommand(line)))
        return;
    // Nothing left: the console says so on the line after the command, once Enter has ended it.
    QTimer::singleShot(
        0, edit_, [e = edit_] { e->ShowAnswer(std::string(unitlink::text::kLinkDown) + "，命令未发送。"); });
}

void CStringCmdDlg::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    edit_->setGeometry(11, 20, width() - 30, height() - 60);
}

} // namespace quorvex
