#include "platform/ui/BatchedText.h"

#include "platform/TextBatch.h"

#include <gtest/gtest.h>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextEdit>
#include <string>
#include <vector>

namespace {

// Every block's text, its block format's colour and each of its fragments with its colour.
std::vector<std::string> Blocks(const QTextDocument& doc) {
    std::vector<std::string> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        std::string line =
            b.text().toStdString() + " |" + b.charFormat().foreground().color().name().toStdString();
        for (auto it = b.begin(); !it.atEnd(); ++it)
            line += " [" + it.fragment().text().toStdString() + "]" +
                    it.fragment().charFormat().foreground().color().name().toStdString();
        out.push_back(std::move(line));
    }
    return out;
}

} // namespace

// The plain control cuts the lines a batch pushes out of its limit itself; what it then holds is
// what the rich control holds, whose document does the cut alone: the same lines, in the same
// colours, whether a batch adds a few lines, more than the limit, starts in the middle of a line,
// carries CR LF, or has block separators that are not line breaks.
TEST(BatchedText, APlainControlKeepsWhatARichOneKeepsOfEveryBatch) {
    QTextEdit rich;
    QPlainTextEdit plain;
    for (QTextDocument* doc : {rich.document(), plain.document()}) {
        doc->setUndoRedoEnabled(false);
        doc->setMaximumBlockCount(12);
    }
    struct Step {
        std::uint64_t omitted;
        std::vector<platform::TextRun> runs;
    };
    std::vector<Step> steps = {
        {0, {{"one\n", 0x0000FF}, {"two\n", 0x0000FF}}},
        {0, {{"half a line", 0x008000}}},
        {3, {{"after the count\n", 0xFF0000}}},
        {0, {{"a\nb\nc\nd\ne\nf\ng\nh\n", 0x000080}, {"i\r\nj\rk\n", 0x800000}}},
        {0, {{"l\n", 0}}},
        {0, {{"paragraph\u2029separator\n", 0x008080}}},
        {7, {}},
        {0, {{std::string(), 0x123456}, {"no break at the end", 0x654321}}},
        {2, {{"twenty\n", 0x111111}}},
    };
    std::string many;
    for (int i = 0; i < 30; ++i)
        many += "line " + std::to_string(i) + "\n";
    steps.push_back({0, {{many, 0x222222}}});
    steps.push_back({1, {{"x\ny\n", 0x333333}, {"z", 0x444444}}});
    int n = 0;
    for (const Step& step : steps) {
        platform::AppendBatch(&rich, step.omitted, step.runs, QTextCharFormat(), true);
        platform::AppendBatch(&plain, step.omitted, step.runs, QTextCharFormat(), true);
        const std::vector<std::string> want = Blocks(*rich.document());
        EXPECT_LE(want.size(), 12u) << "step " << n;
        EXPECT_EQ(Blocks(*plain.document()), want) << "step " << n;
        EXPECT_EQ(plain.toPlainText(), rich.toPlainText()) << "step " << n;
        ++n;
    }
    // Nothing to append changes nothing.
    const std::vector<std::string> before = Blocks(*plain.document());
    platform::AppendBatch(&plain, 0, {}, QTextCharFormat(), true);
    EXPECT_EQ(Blocks(*plain.document()), before);
}
