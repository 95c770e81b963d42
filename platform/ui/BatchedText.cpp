#include "platform/ui/BatchedText.h"

#include "platform/TextBatch.h"

#include <algorithm>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
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

namespace {

// One batch as the pieces it is inserted in: the omitted line, then neighbouring runs of one colour
// joined.
struct Piece {
    QString text;
    std::uint32_t rgb = 0;
};

std::vector<Piece> BatchPieces(std::uint64_t omitted, const std::vector<TextRun>& runs, bool midLine,
                               std::uint32_t omittedRgb) {
    std::vector<Piece> pieces;
    if (omitted > 0) {
        // On a line of its own, whatever the text before it ended with.
        pieces.push_back({(midLine ? QStringLiteral("\n") : QString()) +
                              QString::fromStdString(OmittedLine(omitted)) + QStringLiteral("\n"),
                          omittedRgb});
    }
    bool open = false;
    for (const TextRun& run : runs) {
        if (!open || run.rgb != pieces.back().rgb) {
            pieces.push_back({QString(), run.rgb});
            open = true;
        }
        pieces.back().text += PlainBreaks(run.text);
    }
    return pieces;
}

void InsertPieces(QTextCursor& cursor, const std::vector<Piece>& pieces, const QTextCharFormat& base) {
    for (const Piece& piece : pieces) {
        if (piece.text.isEmpty())
            continue;
        QTextCharFormat format = base;
        format.setForeground(Colour(piece.rgb));
        cursor.insertText(piece.text, format);
    }
}

template <class Edit> void FollowEnd(Edit* edit, const QTextCursor& cursor) {
    edit->setTextCursor(cursor);
    edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
}

} // namespace

void AppendBatch(QTextEdit* edit, std::uint64_t omitted, const std::vector<TextRun>& runs,
                 const QTextCharFormat& base, bool follow, std::uint32_t omittedRgb) {
    if (omitted == 0 && runs.empty())
        return;
    QTextDocument* doc = edit->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    InsertPieces(cursor, BatchPieces(omitted, runs, !cursor.atBlockStart(), omittedRgb), base);
    cursor.endEditBlock();
    if (follow)
        FollowEnd(edit, cursor);
}

void AppendBatch(QPlainTextEdit* edit, std::uint64_t omitted, const std::vector<TextRun>& runs,
                 const QTextCharFormat& base, bool follow, std::uint32_t omittedRgb) {
    if (omitted == 0 && runs.empty())
        return;
    QTextDocument* doc = edit->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    const std::vector<Piece> pieces = BatchPieces(omitted, runs, !cursor.atBlockStart(), omittedRgb);
    cursor.beginEditBlock();
    const int limit = doc->maximumBlockCount();
    if (limit > 0) {
        // The lines the batch adds: each line break makes one. Other block separators are not
        // counted, so this never cuts more than the document would; what it leaves, the
        // document cuts. The last block stays: the batch's first piece is appended to it.
        int added = 0;
        for (const Piece& piece : pieces)
            added += static_cast<int>(piece.text.count(QLatin1Char('\n')));
        const int blocks = doc->blockCount();
        const int cut = std::min(blocks + added - limit, blocks - 1);
        if (cut > 0) {
            // As the document does it: the first line left keeps its block's character format.
            const QTextBlock first = doc->findBlockByNumber(cut);
            const QTextCharFormat firstFormat = first.charFormat();
            QTextCursor front(doc);
            front.setPosition(first.position(), QTextCursor::KeepAnchor);
            front.removeSelectedText();
            front.setBlockCharFormat(firstFormat);
        }
    }
    InsertPieces(cursor, pieces, base);
    cursor.endEditBlock();
    if (follow)
        FollowEnd(edit, cursor);
}

} // namespace platform
