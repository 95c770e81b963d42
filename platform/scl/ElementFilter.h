#pragma once
// Leaves out of an element's bytes, before they are parsed, the elements below it that its reader
// never looks at, so that the parsed tree holds what is read and nothing else: a logical node
// padded with a million empty elements costs the bytes of the padding, not a tree node for each.
//
// What is read is told by a rule over element names: each element has a state (the streamed
// element 0), and the rule gives the state of each child and whether the reader reads it. A child
// that is not read is still looked through for elements below it that are (a data-set member deep
// in an element of no interest); it is kept, as a path to them, only when one of them is found.
//
// Whatever is left out is still checked by the caller's parser, a run of whole sibling elements
// at a time (a big element as its start tag with its end tag, and its content in runs), so that
// a file is accepted or refused as when parsed whole. Where the bytes hold what this filter does
// not follow as the parser does (a NUL byte, a document type or markup declaration, a comment or
// section that does not end), nothing is left out and the caller parses them whole.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace platform::scl {

struct KeptChild {
    std::uint8_t state = 0;
    bool kept = false;
};

// The state of a child element whose name (after its last ':') is localName, below an element in
// parentState, and whether the reader reads it.
using KeepRule = KeptChild (*)(std::uint8_t parentState, std::string_view localName);

// A rule that may also read the child's start tag as written (its attributes, StartTagAttribute).
class CKeepRule {
public:
    virtual ~CKeepRule() = default;
    virtual KeptChild Child(std::uint8_t parentState, std::string_view localName,
                            std::string_view startTag) const = 0;
};

// A rule of element names alone.
class CNameRule final : public CKeepRule {
public:
    explicit CNameRule(KeepRule rule) : rule_(rule) {}
    KeptChild Child(std::uint8_t parentState, std::string_view localName, std::string_view) const override {
        return rule_(parentState, localName);
    }

private:
    KeepRule rule_;
};

// The value of the first attribute named name (compared byte for byte) of a start tag as written:
// 1 and the value as it stands in the file (references not expanded), 0 when the tag has none, -1
// when the tag is not written plainly enough to tell.
int StartTagAttribute(std::string_view startTag, std::string_view name, std::string_view& value);

// The bytes d[0, n) of one element, with the elements the rule does not keep taken out in place;
// returns the length left. check(bytes) parses a run of what is taken out as a fragment (whole
// elements with text between them); false from it, or bytes the filter does not follow, return
// npos and leave the bytes as they were (the caller parses them whole). A run is at most
// kCheckedRunBytes long unless it is longer alone: a single start tag with its end tag, a single
// comment, section, instruction or empty element, or text.
std::size_t LeaveOutUnread(char* d, std::size_t n, const CKeepRule& rule,
                           const std::function<bool(std::string_view bytes)>& check);

// The bytes d[0, n) of a DataTypeTemplates element with the DOType and DAType elements that no
// "type" attribute of it names (ids compared without regard to ASCII case, as the import looks
// them up) taken out, as LeaveOutUnread takes out what it does not keep. Nothing is taken out when
// an id or a reference is written with a character reference or a blank the parser changes.
std::size_t LeaveOutUnreferencedTypes(char* d, std::size_t n,
                                      const std::function<bool(std::string_view bytes)>& check);

inline constexpr std::size_t kCheckedRunBytes = std::size_t{64} << 10;

// The size from which an element is worth filtering: a smaller one's tree is small whatever it
// holds, and the filter reads its bytes once more before they are parsed.
inline constexpr std::size_t kFilteredElementBytes = std::size_t{256} << 10;

} // namespace platform::scl
