#include "monitor/app/CmdForm.h"

#include "monitor/app/MarindleApp.h"
#include "platform/Gbk.h"
#include "platform/Prompt.h"
#include "platform/ui/BatchedText.h"
#include "platform/ui/WidgetPrompt.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace marindle {

namespace {
const QColor kTyped(0, 0, 128);
const QColor kAnswer(0, 128, 0);
} // namespace

CCmdEdit::CCmdEdit(QWidget* parent) : QTextEdit(parent) {
    setObjectName("richEdit1042");
    setAcceptRichText(false);
    setFont(QFont("Monospace"));
    // A unit that answers without end cannot fill the memory: the oldest lines leave.
    platform::KeepLastLines(this, kMaxLines);
}

std::string CCmdEdit::CurrentLine() const {
    return Ss(textCursor().block().text());
}

void CCmdEdit::ReplaceCurrentLine(const std::string& text) {
    QTextCursor c = textCursor();
    c.movePosition(QTextCursor::StartOfBlock);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(Qs(text));
    setTextCursor(c);
}

void CCmdEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QTextCursor c = textCursor();
        c.movePosition(QTextCursor::End);
        setTextCursor(c);
        const std::string line = ConsoleLine(Ss(document()->lastBlock().text()));
        if (!line.empty()) {
            if (line == "clear") {
                clear();
                setFocus();
            } else {
                if (onCommand)
                    onCommand(line);
                history_.Add(line);
            }
        }
        history_.ResetCursor();
        QTextEdit::keyPressEvent(event);
        return;
    }
    case Qt::Key_Backspace:
    case Qt::Key_Left:
        // The caret never moves before the start of its line.
        if (textCursor().positionInBlock() > 0)
            QTextEdit::keyPressEvent(event);
        return;
    case Qt::Key_Escape:
        ReplaceCurrentLine({});
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return;
    case Qt::Key_Up: {
        std::string text;
        if (history_.Up(CurrentLine(), text))
            ReplaceCurrentLine(text);
        return;
    }
    case Qt::Key_Down: {
        std::string text;
        if (history_.Down(text))
            ReplaceCurrentLine(text);
        return;
    }
    case Qt::Key_Right: {
        if (history_.Empty())
            return;
        if (textCursor().atBlockEnd()) {
            const std::string more = history_.Completion(CurrentLine());
            if (!more.empty())
                textCursor().insertText(Qs(more));
        }
        QTextEdit::keyPressEvent(event);
        return;
    }
    default:
        QTextEdit::keyPressEvent(event);
    }
}

CCmdForm::CCmdForm(CMarindleApp& app) : CMonitorForm(app, kCmdWindow, {}) {
    setObjectName("CCmdForm");
    edit_ = new CCmdEdit(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(edit_);
    edit_->onCommand = [this](const std::string& line) {
        // A character without a GBK form would reach the unit as '?': the line is not sent.
        if (!platform::SurvivesGbk(line)) {
            platform::MessageBox(platform::kTextNotGbk);
            return;
        }
        app_.link.SendRequest(CStringCommandMsg(line));
    };
}

void CCmdForm::Initialise(const std::string& title) {
    CMonitorForm::Initialise(title);
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    f.setForeground(kTyped);
    edit_->setCurrentCharFormat(f);
}

void CCmdForm::ShowAnswer(const std::string& text) {
    QTextCharFormat f = edit_->currentCharFormat();
    f.setForeground(kAnswer);
    QTextCursor c = edit_->textCursor();
    QString q = Qs(text);
    q.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    c.insertText(q, f);
    edit_->setTextCursor(c);
    edit_->setFocus();
    f.setForeground(kTyped);
    edit_->setCurrentCharFormat(f);
}

} // namespace marindle
