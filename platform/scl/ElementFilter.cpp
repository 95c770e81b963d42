#include "platform/scl/ElementFilter.h"

#include "platform/scl/SclScan.h"

#include <cstring>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace platform::scl {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// What starts at the "<" at pos, read as the parser reads it.
struct Markup {
    enum Kind { Skipped, Start, Empty, End, Unfollowed } kind = Unfollowed;
    std::size_t end = npos; // one past it
};

Markup ReadMarkup(const char* d, std::size_t n, std::size_t pos) {
    Markup m;
    if (pos + 1 >= n)
        return m;
    const char c = d[pos + 1];
    if (c == '!' || c == '?') {
        // Comments, sections and processing instructions end where the parser ends them. A
        // document type or markup declaration inside an element is an error the parser gives
        // there, but not in a fragment of its own: such bytes are not followed.
        const bool commentOrSection = c == '?' || (n - pos >= 4 && std::memcmp(d + pos, "<!--", 4) == 0) ||
                                      (n - pos >= 9 && std::memcmp(d + pos, "<![CDATA[", 9) == 0);
        const std::size_t e = commentOrSection ? scan::SkipSpecial(d, n, pos) : npos;
        if (e != npos) {
            m.kind = Markup::Skipped;
            m.end = e;
        }
        return m;
    }
    const std::size_t e = scan::TagEnd(d, n, pos);
    if (e == npos)
        return m;
    m.end = e;
    if (c == '/')
        m.kind = Markup::End;
    else
        m.kind = d[e - 2] == '/' ? Markup::Empty : Markup::Start;
    return m;
}

// The end of the element whose start tag runs from pos to tagEnd, in [pos, limit): one past its
// end tag, with where the end tag starts; npos when it does not end there or holds what is not
// followed.
std::size_t ElementEnd(const char* d, std::size_t limit, std::size_t tagEnd, std::size_t& endTag) {
    std::size_t depth = 1;
    for (std::size_t pos = tagEnd;;) {
        const void* lt = pos < limit ? std::memchr(d + pos, '<', limit - pos) : nullptr;
        if (!lt)
            return npos;
        pos = static_cast<std::size_t>(static_cast<const char*>(lt) - d);
        const Markup m = ReadMarkup(d, limit, pos);
        if (m.kind == Markup::Unfollowed)
            return npos;
        if (m.kind == Markup::Start)
            ++depth;
        else if (m.kind == Markup::End && --depth == 0) {
            endTag = pos;
            return m.end;
        }
        pos = m.end;
    }
}

// Checks what is taken out in [from, to): whole sibling elements with text between them, given
// to check in runs of at most kCheckedRunBytes; an element longer than that as its start tag with
// its end tag, and its content the same way; other markup or text longer than that as a run alone. Big
// elements nested deeper than kMostNested are not followed (each level is read once more).
class CRunChecker {
public:
    CRunChecker(const char* d, const std::function<bool(std::string_view)>& check) : d_(d), check_(check) {}

    bool Check(std::size_t from, std::size_t to, int nested) {
        std::size_t run = from;
        std::size_t pos = from; // past the markup before
        for (;;) {
            const void* lt = pos < to ? std::memchr(d_ + pos, '<', to - pos) : nullptr;
            if (!lt)
                break;
            const std::size_t last = pos;
            pos = static_cast<std::size_t>(static_cast<const char*>(lt) - d_);
            const Markup m = ReadMarkup(d_, to, pos);
            if (m.kind == Markup::Unfollowed || m.kind == Markup::End)
                return false;
            std::size_t end = m.end, endTag = npos;
            if (m.kind == Markup::Start && (end = ElementEnd(d_, to, m.end, endTag)) == npos)
                return false;
            if (end - run > kCheckedRunBytes && pos > run && !Flush(run, last, pos))
                return false;
            if (end - pos > kCheckedRunBytes && m.kind == Markup::Start) {
                if (nested >= kMostNested)
                    return false;
                tags_.assign(d_ + pos, m.end - pos).append(d_ + endTag, end - endTag);
                if (!check_(tags_) || !Check(m.end, endTag, nested + 1))
                    return false;
                run = end;
            }
            pos = end;
        }
        return Flush(run, pos, to);
    }

private:
    // Checks [run, to) and moves run there: as one run when it is short enough, else the markup
    // up to last, the end of its last markup (a run short enough, or a single comment, section,
    // instruction or empty element), and the text after it as two, so that the text between two
    // runs does not make one longer. Out of line: the loop over every element stays as tight.
    [[gnu::noinline]] bool Flush(std::size_t& run, std::size_t last, std::size_t to) {
        const std::size_t cut = to - run > kCheckedRunBytes && last > run ? last : run;
        for (const auto& [a, b] : {std::pair{run, cut}, std::pair{cut, to}})
            if (b > a && !check_(std::string_view(d_ + a, b - a)))
                return false;
        run = to;
        return true;
    }

    static constexpr int kMostNested = 32;
    const char* d_;
    const std::function<bool(std::string_view)>& check_;
    std::string tags_;
};

// LeaveOutUnread with a rule that may read the child's start tag: rule(parentState, localName, tag).
template <typename Rule>
std::size_t LeaveOut(char* d, std::size_t n, const Rule& rule,
                     const std::function<bool(std::string_view)>& check) {
    if (n == 0 || std::memchr(d, 0, n))
        return npos;
    struct Open {
        std::size_t start;
        std::size_t outBefore; // the ranges taken out before it
        std::uint8_t state;
        bool kept;
        bool holdsKept;
    };
    std::vector<Open> open;
    std::vector<std::pair<std::size_t, std::size_t>> out; // taken out, in file order
    const auto takeOut = [&](std::size_t from, std::size_t to) {
        // Siblings with only text between them are taken out as one run.
        if (!out.empty() && !std::memchr(d + out.back().second, '<', from - out.back().second))
            out.back().second = to;
        else
            out.emplace_back(from, to);
    };
    std::size_t pos = 0;
    bool closed = false;
    while (!closed) {
        const void* lt = pos < n ? std::memchr(d + pos, '<', n - pos) : nullptr;
        if (!lt)
            return npos;
        pos = static_cast<std::size_t>(static_cast<const char*>(lt) - d);
        const Markup m = ReadMarkup(d, n, pos);
        switch (m.kind) {
        case Markup::Unfollowed:
            return npos;
        case Markup::Skipped:
            break;
        case Markup::End: {
            if (open.empty())
                return npos;
            const Open e = open.back();
            open.pop_back();
            if (open.empty()) {
                closed = true;
            } else if (e.kept || e.holdsKept) {
                open.back().holdsKept = true;
            } else {
                out.resize(e.outBefore);
                takeOut(e.start, m.end);
            }
            break;
        }
        case Markup::Start:
        case Markup::Empty: {
            KeptChild child{0, true};
            if (!open.empty())
                child = rule(open.back().state, scan::LocalName(scan::TagName(d, n, pos)),
                             std::string_view(d + pos, m.end - pos));
            if (m.kind == Markup::Start)
                open.push_back({pos, out.size(), child.state, child.kept, false});
            else if (open.empty())
                closed = true;
            else if (child.kept)
                open.back().holdsKept = true;
            else
                takeOut(pos, m.end);
            break;
        }
        }
        pos = m.end;
    }
    if (out.empty())
        return n;
    CRunChecker checker(d, check);
    for (const auto& [from, to] : out)
        if (!checker.Check(from, to, 0))
            return npos;
    // What is kept moves down over what is taken out.
    std::size_t write = out.front().first;
    for (std::size_t k = 0; k < out.size(); ++k) {
        const std::size_t from = out[k].second;
        const std::size_t to = k + 1 < out.size() ? out[k + 1].first : n;
        std::memmove(d + write, d + from, to - from);
        write += to - from;
    }
    return write;
}

// The value of the first attribute named name in a start tag (names compared byte for byte, as
// the reader's lookups compare them): 1 and the value, 0 when the tag has none, -1 when the tag
// is not written plainly enough to tell.
int AttributeOf(std::string_view tag, std::string_view name, std::string_view& value) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t i = 1;
    while (i < tag.size() && !blank(tag[i]) && tag[i] != '/' && tag[i] != '>')
        ++i;
    for (;;) {
        while (i < tag.size() && blank(tag[i]))
            ++i;
        if (i >= tag.size())
            return -1;
        if (tag[i] == '>' || tag[i] == '/')
            return 0;
        const std::size_t nameStart = i;
        while (i < tag.size() && !blank(tag[i]) && tag[i] != '=' && tag[i] != '>' && tag[i] != '/')
            ++i;
        const std::string_view attribute = tag.substr(nameStart, i - nameStart);
        while (i < tag.size() && blank(tag[i]))
            ++i;
        if (i >= tag.size() || tag[i] != '=')
            return -1;
        ++i;
        while (i < tag.size() && blank(tag[i]))
            ++i;
        if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\''))
            return -1;
        const std::size_t close = tag.find(tag[i], i + 1);
        if (close == npos)
            return -1;
        if (attribute == name) {
            value = tag.substr(i + 1, close - i - 1);
            return 1;
        }
        i = close + 1;
    }
}

// A type's id or a reference to one as the reader compares them: ASCII letters lower-cased. False
// for a value the parser would change (a reference, or a blank it turns into a space).
bool TypeKey(std::string_view value, std::string& key) {
    key.clear();
    for (const char c : value) {
        if (c == '&' || c == '\t' || c == '\r' || c == '\n')
            return false;
        key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return true;
}

} // namespace

int StartTagAttribute(std::string_view startTag, std::string_view name, std::string_view& value) {
    return AttributeOf(startTag, name, value);
}

std::size_t LeaveOutUnread(char* d, std::size_t n, const CKeepRule& rule,
                           const std::function<bool(std::string_view bytes)>& check) {
    return LeaveOut(
        d, n,
        [&rule](std::uint8_t state, std::string_view name, std::string_view tag) {
            return rule.Child(state, name, tag);
        },
        check);
}

std::size_t LeaveOutUnreferencedTypes(char* d, std::size_t n,
                                      const std::function<bool(std::string_view bytes)>& check) {
    // Every "type" attribute of the templates names a type that is kept.
    std::unordered_set<std::string> referenced;
    std::string key;
    for (std::size_t pos = 0;;) {
        const void* lt = pos < n ? std::memchr(d + pos, '<', n - pos) : nullptr;
        if (!lt)
            break;
        pos = static_cast<std::size_t>(static_cast<const char*>(lt) - d);
        const Markup m = ReadMarkup(d, n, pos);
        if (m.kind == Markup::Unfollowed)
            return n;
        if (m.kind == Markup::Start || m.kind == Markup::Empty) {
            std::string_view value;
            const int found = AttributeOf(std::string_view(d + pos, m.end - pos), "type", value);
            if (found < 0 || (found > 0 && !TypeKey(value, key)))
                return n;
            if (found > 0)
                referenced.insert(key);
        }
        pos = m.end;
    }
    // A type nothing names is left out with all it holds; everything else is kept whole.
    enum : std::uint8_t { kTemplates, kKept, kUnused };
    const auto rule = [&](std::uint8_t state, std::string_view name, std::string_view tag) {
        if (state == kUnused)
            return KeptChild{kUnused, false};
        if (state != kTemplates || (name != "DOType" && name != "DAType"))
            return KeptChild{kKept, true};
        std::string_view id;
        std::string idKey;
        const int found = AttributeOf(tag, "id", id);
        const bool used = found < 0 || !TypeKey(id, idKey) || referenced.count(idKey) != 0;
        return used ? KeptChild{kKept, true} : KeptChild{kUnused, false};
    };
    return LeaveOut(d, n, rule, check);
}

} // namespace platform::scl
