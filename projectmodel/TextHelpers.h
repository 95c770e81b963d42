#pragma once
// Small text and file helpers used all over the project model and its views.
#include "projectmodel/RecordArray.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace projectmodel {

// Cuts text into parts at the characters for which isSeparator(index, ch) holds, except inside
// parentheses and quotes; take(from, to) receives each part's bounds (the last part included).
// isSeparator is asked about every character in order.
template <class IsSeparator, class Take>
void ForEachTopLevelPart(std::string_view text, IsSeparator&& isSeparator, Take&& take) {
    int depth = 0;
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const bool sep = isSeparator(i, ch);
        if (ch == ')') {
            --depth;
        } else if (ch == '(') {
            ++depth;
        } else if (quote != 0 && ch == quote) {
            quote = 0;
        } else if (quote == 0 && (ch == '\'' || ch == '"')) {
            quote = ch;
        } else if (sep && depth == 0 && quote == 0) {
            take(start, i);
            start = i + 1;
        }
    }
    take(start, text.size());
}

// Appends the pieces of text, cut at sep, to list (the list is not emptied). A separator inside
// parentheses or inside '...' / "..." quotes does not cut; every piece is trimmed and the last
// piece is always appended, so an empty text gives one empty piece.
void SplitToStringList(std::string_view text, CStringList& list, char sep);
// Convenience form returning a fresh list.
CStringList SplitToStringList(std::string_view text, char sep);

// A copy without leading and trailing blank, tab, CR, LF, vertical tab and form feed.
// The text without the blanks around it (those platform::Trim removes), as a view into it.
std::string_view TrimView(std::string_view text);
std::string TrimCopy(std::string_view text);

// Makes the parentheses of an expression balance: an unmatched ")" gets a "(" put at the very
// front, and every "(" left open gets a ")" appended.
void BalanceParentheses(std::string& text);

// Removes the file when it exists; 1 when it is gone afterwards, 0 when the removal failed.
int DeleteFileIfExists(const std::filesystem::path& path);

// The name inside an applicability prefix removed: "[YC/YX]name" gives "name" when the name
// begins with "[" and its first "]" is not the first character; otherwise the name unchanged.
std::string StripBracketPrefix(std::string_view name);

// The kinds of user-edited text stored inside a configuration line, each with its own set of
// characters that the line cannot carry.
enum class ConfigTextKind {
    // An information entry's text: its line cuts at "," ";" and "=", and quotes group pieces.
    EntryText,
    // A device description: its line cuts at "," and quotes group pieces.
    DeviceText,
    // A field of a device-model file's point line (the classification library writes them): an
    // entry text that also may not hold "[" or "]", which make the line a section header there.
    ModelLineText,
};

// The text with each character that a configuration line of that kind cannot carry replaced by a
// blank: "," ";" "=" ' " CR LF for entry texts, "," ' " CR LF for device descriptions, and for
// model lines the entry texts' set with "[" "]". A "(" without its ")" or a ")" without its "("
// is blanked in every kind too, since the line's splitter would join the pieces behind it;
// balanced pairs such as "线路(1)" stay.
std::string ConfigLineSafeText(std::string_view text, ConfigTextKind kind);

// Shows a warning box of the configuration files' readers and writers.
void Tell(const std::string& text);
// Tells that a file or folder is there but could not be read or listed ("读取文件 %s 失败!", with
// the system's reason), and returns false.
bool TellReadFailed(const std::filesystem::path& path, int error);

// While one lives, the readers of a project and its libraries on this thread count the files that
// are there but could not be read (a document that lacks them must not be saved over them).
class CUnreadFiles {
public:
    CUnreadFiles();
    ~CUnreadFiles();
    CUnreadFiles(const CUnreadFiles&) = delete;
    CUnreadFiles& operator=(const CUnreadFiles&) = delete;
    int Count() const { return count_; }
    // Counts path when error is a failure other than absence; with tell, also tells it (once per
    // file). True when nothing failed.
    static bool Note(const std::filesystem::path& path, int error, bool tell);

private:
    int count_ = 0;
    std::vector<std::string> told_;
    CUnreadFiles* previous_ = nullptr;
};

// A count read from a file, kept within 0..limit: a damaged count must not make a reader allocate
// without bound.
constexpr int BoundedCount(int n, int limit) {
    return n < 0 ? 0 : (n > limit ? limit : n);
}
// The bound of the counts in a project's configuration files.
constexpr int ConfigCount(int n) {
    return BoundedCount(n, 1000000);
}

} // namespace projectmodel
