#pragma once
// The SCL reader's look at the bytes of a file before and beside the XML parser: the declared
// encoding and whether the bytes are valid in it, the internal document type's entities, and the
// cutter that finds the tags of the root's children, several runs of the file at once.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::scl::scan {

// One tag of the file as the cutter sees it: where it starts, its length, and whether it is a
// start tag (1), an end tag (-1) or an empty element (0).
struct CutTag {
    std::uint64_t pos;
    std::uint32_t length;
    std::int8_t kind;
    std::int64_t depth; // before the tag, counted from the run's start
};

// The tags from `from` on, up to the first that starts at or past `limit`: where the first "<"
// at or after `from` lies (`first`), where the one past the limit starts (`exit`; npos when the
// file ends first), or where a tag, comment or section runs to the end of the file (`failAt`).
// The depth in the file never falls below 1 inside the root, so a tag that starts or ends a child
// of the root is always at the lowest depth the run has reached so far (a start tag or empty
// element) or one below it (an end tag): only those are kept, with the depth change of the whole
// run (`depth`).
//
// A run whose place in the file is not known keeps every tag at its lowest depth: deep inside an
// element of many children (a padded logical node) that is every child. Past kMaxRunTags such tags
// it stops (`overflow`), to be cut again from its start once the depth there is known
// (`startDepth`, the depth in the file at `from`): then only the tags of the root's children and
// the root's end tag are kept.
struct CutRun {
    static constexpr std::size_t kMaxRunTags = std::size_t{1} << 18;

    std::size_t from = 0, limit = 0;
    std::int64_t startDepth = -1; // unknown
    std::vector<CutTag> tags;
    std::int64_t depth = 0;
    std::int64_t lowest = 0;
    std::size_t first = std::string_view::npos;
    std::size_t exit = std::string_view::npos;
    std::size_t failAt = std::string_view::npos;
    bool overflow = false;
};

// The encoding named in the XML declaration at the start of the buffer, lower-cased; empty when
// there is none. Read before parsing, since the parser works on the buffer in place.
std::string DeclaredEncoding(const char* data, std::size_t size);

bool IsGbkFamily(const std::string& encoding);

// Line and column (from 1) of a byte offset of the file, counted on the file itself: the
// buffer has been changed by the in-place parse.
void LineAndColumn(const std::string& path, std::ptrdiff_t offset, int& line, int& column);

// Where a name ends in a start tag: the first blank, "/" or ">".
std::string_view TagName(const char* d, std::size_t n, std::size_t pos);

std::string_view LocalName(std::string_view name);

// The end (one past ">") of the tag that starts at pos, quoted values passed over; npos when the
// file ends first.
std::size_t TagEnd(const char* d, std::size_t n, std::size_t pos);

// Passes over a comment, CDATA section, processing instruction or declaration starting at pos
// ("<!" or "<?"): the position after it, npos when unterminated, or pos itself for a tag.
std::size_t SkipSpecial(const char* d, std::size_t n, std::size_t pos);

// UTF-16 and UTF-32 files cannot be cut into elements as bytes.
bool WideEncoding(const char* d, std::size_t n);

// Where the root's start tag begins, after the declaration, comments and document type; n when
// the file has no element, npos when a comment or declaration runs to the end of the file.
std::size_t PrologEnd(const char* d, std::size_t n);

// The general entities the internal subset of the document type declaration in [0, prologEnd)
// declares (parameter entities, "<!ENTITY % name", are not referred to in the content).
std::vector<std::string> DeclaredEntities(const char* d, std::size_t n, std::size_t prologEnd);

// The first reference "&name;" after the prolog to an entity the document type declares; npos
// when there is none. The parser leaves such a reference in the text as it stands.
std::size_t FirstDeclaredEntityReference(const char* d, std::size_t n, std::size_t prologEnd,
                                         const std::vector<std::string>& names, std::string& name);

// Whether text that is not all well-formed UTF-8 is still mostly so: Chinese UTF-8 text often
// also makes valid GBK byte pairs, and a UTF-8 file with a few stray bytes is not to be read as
// GBK. Counted over the whole text, resuming one byte after each invalid one.
bool MostlyUtf8(std::string_view text);

// The character reference at the start of text ("&#x4E00;", "&#20108;"): its length with the
// ";", its code in code (codes past U+10FFFF as 0x110000); 0 when it is none.
std::size_t CharacterReference(std::string_view text, std::uint32_t& code);
// The offset of the first character reference ("&#...;", "&#x...;") outside comments, CDATA
// sections and processing instructions whose character XML does not allow (U+0000, a surrogate,
// U+FFFF, beyond U+10FFFF), the reference in reference; npos when there is none.
std::size_t FirstForbiddenCharacterReference(const char* d, std::size_t n, std::string& reference);

void CutTags(const char* d, std::size_t n, CutRun& run);

// FirstInvalidUtf8(text), the text checked in `runs` runs on threads of their own (a single run
// on the calling thread). The runs are cut before ASCII bytes, where a character starts whatever came
// before; a run is valid only when it ends on a character's end, so the first invalid byte of
// the first run that has one is where a check of the whole text stops.
std::size_t FirstInvalidUtf8InRuns(std::string_view text, std::size_t runs);

// The tags after the root's start tag, cut in runs of equal length on threads of their own for a
// big file. Each run but the first starts at the first "<" past its start; the caller checks that
// this is where the run before ended, and cuts it again from there when not.
std::vector<CutRun> CutTagsInRuns(const char* d, std::size_t n, std::size_t from, std::size_t workers);

} // namespace platform::scl::scan
