#pragma once
// The widget side of the running-text windows' batching (platform/TextBatch.h): a text control
// that keeps only its last lines, and one tick's batch appended to it as one insertion, with the
// line that says how many items were left out in front of it.
#include <cstdint>
#include <string>
#include <vector>

class QPlainTextEdit;
class QTextEdit;
class QTextCharFormat;

namespace platform {

// A piece of a batch in its colour (0xRRGGBB).
struct TextRun {
    std::string text;
    std::uint32_t rgb = 0;
};

// The control keeps at most maxLines lines: older ones leave from the top as new ones come.
void KeepLastLines(QTextEdit* edit, int maxLines);

// Appends the runs at the end of the control in one edit block, after OmittedLine(omitted) on a
// line of its own when omitted > 0 (in omittedRgb). Each run is written in `base` with its colour;
// CR LF and lone CRs become plain line breaks. With follow, the view ends on the last line.
void AppendBatch(QTextEdit* edit, std::uint64_t omitted, const std::vector<TextRun>& runs,
                 const QTextCharFormat& base, bool follow, std::uint32_t omittedRgb = 0x808080);
// The same for a plain text control, which lays out only the lines it draws: the oldest lines the
// batch pushes out of the document's line limit are cut in front of it in one step, so that the
// document's own cut (which walks, and so lays out, every line it removes) has nothing left to do.
// The text and formats that remain are those the document's own cut leaves.
void AppendBatch(QPlainTextEdit* edit, std::uint64_t omitted, const std::vector<TextRun>& runs,
                 const QTextCharFormat& base, bool follow, std::uint32_t omittedRgb = 0x808080);

} // namespace platform
