#include "platform/scl/SclScan.h"

#include "platform/Text.h"
#include "platform/TextFile.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <fstream>
#include <thread>

namespace platform::scl::scan {

// The encoding named in the XML declaration at the start of the buffer, lower-cased; empty when
// there is none. Read before parsing, since the parser works on the buffer in place.
std::string DeclaredEncoding(const char* data, std::size_t size) {
    std::string_view head(data, size < 512 ? size : 512);
    if (!StartsWith(head, "<?xml"))
        return {};
    std::size_t end = head.find("?>");
    if (end == std::string_view::npos)
        return {};
    head = head.substr(0, end);
    std::size_t pos = head.find("encoding");
    if (pos == std::string_view::npos)
        return {};
    pos = head.find_first_of("\"'", pos);
    if (pos == std::string_view::npos)
        return {};
    std::size_t close = head.find(head[pos], pos + 1);
    if (close == std::string_view::npos)
        return {};
    return ToLowerAscii(Trim(head.substr(pos + 1, close - pos - 1)));
}

bool IsGbkFamily(const std::string& encoding) {
    return encoding == "gb2312" || encoding == "gbk" || encoding == "gb18030" || encoding == "cp936" ||
           encoding == "x-gbk" || encoding == "windows-936";
}

// Line and column (from 1) of a byte offset of the file, counted on the file itself: the
// buffer has been changed by the in-place parse.
void LineAndColumn(const std::string& path, std::ptrdiff_t offset, int& line, int& column) {
    line = 1;
    column = 1;
    platform::CFileReader f;
    if (f.Open(path) != 0)
        return;
    char chunk[65536];
    std::ptrdiff_t pos = 0;
    while (pos < offset) {
        std::size_t want = sizeof chunk;
        if (static_cast<std::ptrdiff_t>(want) > offset - pos)
            want = static_cast<std::size_t>(offset - pos);
        const long got = f.Read(chunk, want);
        if (got <= 0)
            break;
        for (long i = 0; i < got; ++i) {
            if (chunk[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        pos += static_cast<std::ptrdiff_t>(got);
    }
}

// Where a name ends in a start tag: the first blank, "/" or ">".
std::string_view TagName(const char* d, std::size_t n, std::size_t pos) {
    std::size_t i = pos + 1;
    while (i < n && d[i] != ' ' && d[i] != '\t' && d[i] != '\r' && d[i] != '\n' && d[i] != '/' && d[i] != '>')
        ++i;
    return std::string_view(d + pos + 1, i - pos - 1);
}

std::string_view LocalName(std::string_view name) {
    std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The first byte at or after from that is one of the bytes of `set` (one to three bytes, the
// unused ones repeating the first); n when there is none. Sixteen bytes are compared at a time
// where the processor allows: a tag's name and values are passed at the speed of a block search,
// without a library call per tag or value.
template <char A, char B, char C> std::size_t FindAny(const char* d, std::size_t n, std::size_t from) {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i a = _mm_set1_epi8(A), b = _mm_set1_epi8(B), c = _mm_set1_epi8(C);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b)), _mm_cmpeq_epi8(v, c));
        if (const int mask = _mm_movemask_epi8(hit))
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i < n; ++i)
        if (d[i] == A || d[i] == B || d[i] == C)
            return i;
    return n;
}

// The end (one past ">") of the tag that starts at pos, quoted values passed over; npos when the
// file ends first.
std::size_t TagEnd(const char* d, std::size_t n, std::size_t pos) {
    std::size_t i = pos + 1;
    for (;;) {
        i = FindAny<'>', '"', '\''>(d, n, i);
        if (i >= n)
            return std::string_view::npos;
        if (d[i] == '>')
            return i + 1;
        i = d[i] == '"' ? FindAny<'"', '"', '"'>(d, n, i + 1) : FindAny<'\'', '\'', '\''>(d, n, i + 1);
        if (i >= n)
            return std::string_view::npos;
        ++i;
    }
}

std::size_t FindText(const char* d, std::size_t n, std::size_t from, std::string_view what) {
    if (from >= n)
        return std::string_view::npos;
    const void* hit = memmem(d + from, n - from, what.data(), what.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - d) : std::string_view::npos;
}

// Passes over a comment, CDATA section, processing instruction or declaration starting at pos
// ("<!" or "<?"): the position after it, npos when unterminated, or pos itself for a tag.
std::size_t SkipSpecial(const char* d, std::size_t n, std::size_t pos) {
    std::string_view rest(d + pos, std::min<std::size_t>(n - pos, 9));
    // The close is looked for after the opening as the parser does: "<!-->" and "<!--->" open a
    // comment that runs on to the next "-->".
    auto after = [&](std::string_view open, std::string_view close) {
        std::size_t e = FindText(d, n, pos + open.size(), close);
        return e == std::string_view::npos ? e : e + close.size();
    };
    if (rest.substr(0, 4) == "<!--")
        return after("<!--", "-->");
    if (rest.substr(0, 9) == "<![CDATA[")
        return after("<![CDATA[", "]]>");
    if (rest.substr(0, 2) == "<?")
        return after("<?", "?>");
    if (rest.substr(0, 2) == "<!") {
        // A document type declaration may hold an internal subset in brackets.
        std::size_t gt = TagEnd(d, n, pos);
        std::size_t bracket = FindText(d, n, pos, "[");
        if (bracket != std::string_view::npos && gt != std::string_view::npos && bracket < gt) {
            std::size_t close = FindText(d, n, bracket, "]");
            return close == std::string_view::npos ? close : TagEnd(d, n, close);
        }
        return gt;
    }
    return pos;
}

// UTF-16 and UTF-32 files cannot be cut into elements as bytes.
bool WideEncoding(const char* d, std::size_t n) {
    if (n >= 2 && ((d[0] == '\xFF' && d[1] == '\xFE') || (d[0] == '\xFE' && d[1] == '\xFF')))
        return true;
    for (std::size_t i = 0; i < n && i < 4; ++i)
        if (d[i] == 0)
            return true;
    return false;
}

// Where the root's start tag begins, after the declaration, comments and document type; n when
// the file has no element, npos when a comment or declaration runs to the end of the file.
std::size_t PrologEnd(const char* d, std::size_t n) {
    std::size_t pos = 0;
    for (;;) {
        const void* lt = pos < n ? std::memchr(d + pos, '<', n - pos) : nullptr;
        if (!lt)
            return n;
        pos = static_cast<std::size_t>(static_cast<const char*>(lt) - d);
        const std::size_t skip = SkipSpecial(d, n, pos);
        if (skip == std::string_view::npos || skip == pos)
            return skip;
        pos = skip;
    }
}

bool IsNameByte(char c) {
    return c != ';' && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'' && c != ' ' && c != '\t' &&
           c != '\r' && c != '\n' && c != '%';
}

// The general entities the internal subset of the document type declaration in [0, prologEnd)
// declares (parameter entities, "<!ENTITY % name", are not referred to in the content).
std::vector<std::string> DeclaredEntities(const char* d, std::size_t n, std::size_t prologEnd) {
    std::vector<std::string> names;
    const std::size_t doctype = FindText(d, std::min(n, prologEnd), 0, "<!DOCTYPE");
    if (doctype == std::string_view::npos)
        return names;
    const std::size_t end = std::min(n, prologEnd);
    for (std::size_t pos = FindText(d, end, doctype, "<!ENTITY"); pos != std::string_view::npos;
         pos = FindText(d, end, pos + 8, "<!ENTITY")) {
        std::size_t i = pos + 8;
        while (i < end && (d[i] == ' ' || d[i] == '\t' || d[i] == '\r' || d[i] == '\n'))
            ++i;
        if (i >= end || d[i] == '%')
            continue;
        const std::size_t from = i;
        while (i < end && IsNameByte(d[i]))
            ++i;
        if (i > from)
            names.emplace_back(d + from, i - from);
    }
    return names;
}

// The first reference "&name;" after the prolog to an entity the document type declares; npos
// when there is none. The parser leaves such a reference in the text as it stands.
std::size_t FirstDeclaredEntityReference(const char* d, std::size_t n, std::size_t prologEnd,
                                         const std::vector<std::string>& names, std::string& name) {
    for (std::size_t pos = prologEnd; pos < n;) {
        const void* amp = std::memchr(d + pos, '&', n - pos);
        if (!amp)
            break;
        pos = static_cast<std::size_t>(static_cast<const char*>(amp) - d) + 1;
        std::size_t i = pos;
        while (i < n && i - pos < 256 && IsNameByte(d[i]))
            ++i;
        if (i >= n || d[i] != ';')
            continue;
        const std::string_view ref(d + pos, i - pos);
        for (const std::string& declared : names)
            if (ref == declared) {
                name = declared;
                return pos - 1;
            }
    }
    return std::string_view::npos;
}

std::size_t CharacterReference(std::string_view text, std::uint32_t& code) {
    if (text.size() < 3 || text[0] != '&' || text[1] != '#')
        return 0;
    const bool hex = text[2] == 'x';
    std::size_t i = hex ? 3 : 2;
    std::uint32_t value = 0;
    const std::size_t first = i;
    for (; i < text.size() && i < 16; ++i) {
        const char ch = text[i];
        int v = -1;
        if (ch >= '0' && ch <= '9')
            v = ch - '0';
        else if (hex && ch >= 'a' && ch <= 'f')
            v = ch - 'a' + 10;
        else if (hex && ch >= 'A' && ch <= 'F')
            v = ch - 'A' + 10;
        if (v < 0)
            break;
        value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + static_cast<std::uint32_t>(v), 0x110000);
    }
    if (i == first || i >= text.size() || text[i] != ';')
        return 0;
    code = value;
    return i + 1;
}

std::size_t FirstForbiddenCharacterReference(const char* d, std::size_t n, std::string& reference) {
    const std::string_view text(d, n);
    // Markup before `plain` has been passed: comments, CDATA sections and processing
    // instructions found on the way are skipped whole (their "&#" are no references); the last
    // one skipped ends at sectionEnd.
    std::size_t plain = 0, sectionEnd = 0;
    for (std::size_t pos = text.find("&#"); pos != std::string_view::npos; pos = text.find("&#", pos + 2)) {
        while (plain < pos) {
            const std::size_t lt = text.find('<', plain);
            if (lt == std::string_view::npos || lt > pos) {
                plain = pos;
                break;
            }
            static constexpr std::pair<std::string_view, std::string_view> kSections[] = {
                {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
            plain = lt + 1;
            for (const auto& [open, close] : kSections) {
                if (text.compare(lt, open.size(), open) != 0)
                    continue;
                const std::size_t end = text.find(close, lt + open.size());
                plain = sectionEnd = end == std::string_view::npos ? n : end + close.size();
                break;
            }
        }
        if (pos < sectionEnd)
            continue;
        std::uint32_t code = 0;
        const std::size_t length = CharacterReference(text.substr(pos), code);
        if (length == 0)
            continue; // not a character reference; the parser judges it
        if (!platform::IsXmlChar(code)) {
            reference.assign(d + pos, length);
            return pos;
        }
    }
    return std::string_view::npos;
}

// Whether text that is not all well-formed UTF-8 is still mostly so: Chinese UTF-8 text often
// also makes valid GBK byte pairs, and a UTF-8 file with a few stray bytes is not to be read as
// GBK. Counted over the whole text, resuming one byte after each invalid one.
bool MostlyUtf8(std::string_view text) {
    std::size_t characters = 0, invalid = 0;
    while (!text.empty()) {
        const std::size_t bad = FirstInvalidUtf8(text);
        const std::string_view good = text.substr(0, std::min(bad, text.size()));
        for (const char c : good)
            characters += (static_cast<unsigned char>(c) & 0xC0) == 0xC0 ? 1 : 0;
        if (bad == std::string_view::npos)
            break;
        ++invalid;
        text.remove_prefix(bad + 1);
    }
    return characters > 4 * invalid;
}

namespace {

// Where the bytes that matter to the cutter lie in 64 bytes of the file: "<", ">", '"' and "'", a
// bit each. The cutter asks for the next of some of them again and again a few bytes apart (a
// tag's start, each quoted value, its end): the block is compared once and each answer is a bit
// search.
class CMarkupBits {
public:
    CMarkupBits(const char* d, std::size_t n) : d_(d), n_(n) {}

    enum Set { kOpen = 1, kCloseOrQuote = 2, kDoubleQuote = 4, kSingleQuote = 8 };

    // The first byte of the set at or after from; n when there is none.
    std::size_t Next(Set set, std::size_t from) {
        while (from < n_) {
            const std::size_t block = from & ~std::size_t{63};
            if (block != base_)
                Load(block);
            std::uint64_t bits = 0;
            switch (set) {
            case kOpen:
                bits = open_;
                break;
            case kCloseOrQuote:
                bits = close_ | double_ | single_;
                break;
            case kDoubleQuote:
                bits = double_;
                break;
            case kSingleQuote:
                bits = single_;
                break;
            }
            bits >>= from - block;
            if (bits)
                return from + static_cast<std::size_t>(__builtin_ctzll(bits));
            from = block + 64;
        }
        return n_;
    }

    // The end (one past ">") of a tag whose name starts at from, read as if its values were all
    // in double quotes: the ">" past an even number of '"'. npos when the file ends first; 0 when an
    // "'" outside double quotes comes before that ">" (a value in single quotes), which this
    // reading does not follow. The quotes of each block are paired at once (a running XOR of
    // their bits) instead of one by one.
    std::size_t TagEndInDoubleQuotes(std::size_t from) {
        std::uint64_t quoted = 0; // all ones while inside a value at a block's start
        while (from < n_) {
            const std::size_t block = from & ~std::size_t{63};
            if (block != base_)
                Load(block);
            const unsigned shift = static_cast<unsigned>(from - block);
            const std::uint64_t quotes = double_ >> shift;
            // Bit i: inside a value at from + i (an opening quote counts as inside, a closing not).
            std::uint64_t inside = quotes;
            inside ^= inside << 1;
            inside ^= inside << 2;
            inside ^= inside << 4;
            inside ^= inside << 8;
            inside ^= inside << 16;
            inside ^= inside << 32;
            inside ^= quoted;
            const std::uint64_t closes = (close_ >> shift) & ~inside;
            const std::uint64_t singles = (single_ >> shift) & ~inside;
            if (closes) {
                const std::uint64_t before = (closes & (0 - closes)) - 1; // the bits before the first
                if (singles & before)
                    return 0;
                return from + static_cast<std::size_t>(__builtin_ctzll(closes)) + 1;
            }
            if (singles)
                return 0;
            // The bits past the block's end are zero: the last valid bit tells the state.
            quoted = (inside >> (63 - shift)) & 1 ? ~std::uint64_t{0} : 0;
            from = block + 64;
        }
        return std::string_view::npos;
    }

private:
    void Load(std::size_t block) {
        base_ = block;
        const char* p = d_ + block;
        char tail[64];
        if (block + 64 > n_) {
            // The end of the file: the bytes past it match nothing.
            std::memset(tail, 0, sizeof tail);
            std::memcpy(tail, p, n_ - block);
            p = tail;
        }
        open_ = Bits<'<'>(p);
        close_ = Bits<'>'>(p);
        double_ = Bits<'"'>(p);
        single_ = Bits<'\''>(p);
    }

    template <char C> static std::uint64_t Bits(const char* p) {
#if defined(__SSE2__)
        const __m128i c = _mm_set1_epi8(C);
        std::uint64_t bits = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
            bits |= static_cast<std::uint64_t>(
                        static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, c))))
                    << (16 * k);
        }
        return bits;
#else
        std::uint64_t bits = 0;
        for (int k = 0; k < 64; ++k)
            bits |= static_cast<std::uint64_t>(p[k] == C) << k;
        return bits;
#endif
    }

    const char* d_;
    std::size_t n_;
    std::size_t base_ = ~std::size_t{0};
    std::uint64_t open_ = 0, close_ = 0, double_ = 0, single_ = 0;
};

} // namespace

void CutTags(const char* d, std::size_t n, CutRun& run) {
    const std::size_t npos = std::string_view::npos;
    CMarkupBits bits(d, n);
    std::size_t pos = run.from;
    for (;;) {
        pos = pos < n ? bits.Next(CMarkupBits::kOpen, pos) : n;
        if (pos >= n) {
            run.exit = npos;
            return;
        }
        if (run.first == npos)
            run.first = pos;
        if (pos >= run.limit) {
            run.exit = pos;
            return;
        }
        if (pos + 1 < n && (d[pos + 1] == '!' || d[pos + 1] == '?')) {
            // A comment, section, processing instruction or declaration.
            const std::size_t skip = SkipSpecial(d, n, pos);
            if (skip == npos) {
                run.failAt = pos;
                return;
            }
            if (skip != pos) {
                pos = skip;
                continue;
            }
        }
        // The tag's end: the first ">" outside its quoted values (as TagEnd). Values in double
        // quotes only are read a block at a time; one in single quotes from quote to quote.
        std::size_t end = bits.TagEndInDoubleQuotes(pos + 1);
        if (end == 0) {
            end = npos;
            for (std::size_t i = pos + 1;;) {
                i = bits.Next(CMarkupBits::kCloseOrQuote, i);
                if (i >= n)
                    break;
                if (d[i] == '>') {
                    end = i + 1;
                    break;
                }
                i = bits.Next(d[i] == '"' ? CMarkupBits::kDoubleQuote : CMarkupBits::kSingleQuote, i + 1);
                if (i >= n)
                    break;
                ++i;
            }
        }
        if (end == npos || end - pos > UINT32_MAX) {
            run.failAt = pos;
            return;
        }
        const std::int8_t kind = d[pos + 1] == '/' ? -1 : d[end - 2] == '/' ? 0 : 1;
        if (run.startDepth >= 0) {
            // The root's children start at depth 1 and end at depth 2; the root ends at depth 1.
            const std::int64_t at = run.startDepth + run.depth;
            if (at == 1 || (kind < 0 && at == 2))
                run.tags.push_back({pos, static_cast<std::uint32_t>(end - pos), kind, run.depth});
        } else if (run.depth <= run.lowest + (kind < 0 ? 1 : 0)) {
            if (run.tags.size() >= CutRun::kMaxRunTags) {
                run.overflow = true;
                return;
            }
            run.tags.push_back({pos, static_cast<std::uint32_t>(end - pos), kind, run.depth});
        }
        run.depth += kind;
        run.lowest = std::min(run.lowest, run.depth);
        pos = end;
    }
}

std::size_t FirstInvalidUtf8InRuns(std::string_view text, std::size_t runs) {
    const std::size_t count = std::clamp<std::size_t>(runs, 1, std::max<std::size_t>(text.size(), 1));
    if (count == 1)
        return platform::FirstInvalidUtf8(text);
    std::vector<std::size_t> cuts(count + 1, 0);
    cuts[count] = text.size();
    for (std::size_t k = 1; k < count; ++k) {
        std::size_t at = std::max(text.size() / count * k, cuts[k - 1]);
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0x80) != 0)
            ++at;
        cuts[k] = at;
    }
    std::vector<std::size_t> found(count, std::string_view::npos);
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < count; ++k)
        threads.emplace_back([&, k] {
            const std::size_t bad = platform::FirstInvalidUtf8(text.substr(cuts[k], cuts[k + 1] - cuts[k]));
            if (bad != std::string_view::npos)
                found[k] = cuts[k] + bad;
        });
    for (std::thread& t : threads)
        t.join();
    for (const std::size_t bad : found)
        if (bad != std::string_view::npos)
            return bad;
    return std::string_view::npos;
}

// The tags after the root's start tag, cut in runs of equal length on threads of their own for a
// big file. Each run but the first starts at the first "<" past its start; the caller checks that
// this is where the run before ended, and cuts it again from there when not.
std::vector<CutRun> CutTagsInRuns(const char* d, std::size_t n, std::size_t from, std::size_t workers) {
    constexpr std::size_t kRunBytes = 8u << 20;
    const std::size_t count =
        std::clamp<std::size_t>((n - from) / kRunBytes, 1, std::max<std::size_t>(workers, 1));
    std::vector<CutRun> runs(count);
    for (std::size_t k = 0; k < count; ++k) {
        runs[k].from = from + (n - from) / count * k;
        runs[k].limit = k + 1 == count ? n : from + (n - from) / count * (k + 1);
    }
    // The first run starts inside the root.
    runs[0].startDepth = 1;
    if (count == 1) {
        CutTags(d, n, runs[0]);
        return runs;
    }
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < count; ++k)
        threads.emplace_back([&, k] { CutTags(d, n, runs[k]); });
    for (std::thread& t : threads)
        t.join();
    return runs;
}

} // namespace platform::scl::scan
