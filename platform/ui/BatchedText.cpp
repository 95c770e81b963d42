#include "platform/ui/BatchedText.h"

#include "platform/TextBatch.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace platform {

namespace {

QColor Colour(std::uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QString PlainBreaks(const std::string& text) {
    QString q = QString::fromStdString(text);
    q.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    q.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return q;
}

} // namespace

void KeepLastLines(QTextEdit* edit, int maxLines) {
    edit->document()->setMaximumBlockCount(maxLines);
}

void AppendBatch(QTextEdit* edit, std::uint64_t omitted, const std::vector<TextRun>& runs,
                 const QTextCharFormat& base, bool follow, std::uint32_t omittedRgb) {
    if (omitted == 0 && runs.empty())
        return;
    QTextDocument* doc = edit->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (omitted > 0) {
        QTextCharFormat format = base;
        format.setForeground(Colour(omittedRgb));
        // On a line of its own, whatever the text before it ended with.
        const bool midLine = !cursor.atBlockStart();
        cursor.insertText((midLine ? QStringLiteral("\n") : QString()) +
                              QString::fromStdString(OmittedLine(omitted)) + QStringLiteral("\n"),
                          format);
    }
    // Neighbouring runs of one colour go in as one piece.
    QString pending;
    std::uint32_t pendingRgb = 0;
    const auto put = [&] {
        if (pending.isEmpty())
            return;
        QTextCharFormat format = base;
        format.setForeground(Colour(pendingRgb));
        cursor.insertText(pending, format);
        pending.clear();
    };
    for (const TextRun& run : runs) {
        if (run.rgb != pendingRgb)
            put();
        pendingRgb = run.rgb;
        pending += PlainBreaks(run.text);
    }
    put();
    cursor.endEditBlock();
    if (follow) {
        edit->setTextCursor(cursor);
        edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
    }
}

} // namespace platform
