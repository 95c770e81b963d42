#include "platform/scl/SCLService.h"

#include "platform/scl/DocInfo.h"
#include "platform/Text.h"

#include <pugixml.hpp>

#include <fcntl.h>
#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {

namespace {

// A GBK-family file is parsed without expanding character references: the parser would write
// them as UTF-8 among GBK bytes. The reader expands them once a text has been converted.
unsigned ParseFlags(const scl::detail::DocInfo& info) {
    return info.gbk ? pugi::parse_default & ~pugi::parse_escapes : pugi::parse_default;
}

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
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return;
    char chunk[65536];
    std::ptrdiff_t pos = 0;
    while (pos < offset) {
        std::size_t want = sizeof chunk;
        if (static_cast<std::ptrdiff_t>(want) > offset - pos)
            want = static_cast<std::size_t>(offset - pos);
        std::size_t got = std::fread(chunk, 1, want, f);
        if (got == 0)
            break;
        for (std::size_t i = 0; i < got; ++i) {
            if (chunk[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        pos += static_cast<std::ptrdiff_t>(got);
    }
    std::fclose(f);
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
    auto after = [&](std::string_view close) {
        std::size_t e = FindText(d, n, pos + 2, close);
        return e == std::string_view::npos ? e : e + close.size();
    };
    if (rest.substr(0, 4) == "<!--")
        return after("-->");
    if (rest.substr(0, 9) == "<![CDATA[")
        return after("]]>");
    if (rest.substr(0, 2) == "<?")
        return after("?>");
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

// The first "<" at or after pos; npos when there is none.
std::size_t NextTag(const char* d, std::size_t n, std::size_t pos) {
    const std::size_t at = pos < n ? FindAny<'<', '<', '<'>(d, n, pos) : n;
    return at < n ? at : std::string_view::npos;
}

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
struct CutRun {
    std::size_t from = 0, limit = 0;
    std::vector<CutTag> tags;
    std::int64_t depth = 0;
    std::int64_t lowest = 0;
    std::size_t first = std::string_view::npos;
    std::size_t exit = std::string_view::npos;
    std::size_t failAt = std::string_view::npos;
};

void CutTags(const char* d, std::size_t n, CutRun& run) {
    const std::size_t npos = std::string_view::npos;
    std::size_t pos = run.from;
    for (;;) {
        pos = NextTag(d, n, pos);
        if (pos == npos) {
            run.exit = npos;
            return;
        }
        if (run.first == npos)
            run.first = pos;
        if (pos >= run.limit) {
            run.exit = pos;
            return;
        }
        const std::size_t skip = SkipSpecial(d, n, pos);
        if (skip == npos) {
            run.failAt = pos;
            return;
        }
        if (skip != pos) {
            pos = skip;
            continue;
        }
        const std::size_t end = TagEnd(d, n, pos);
        if (end == npos || end - pos > UINT32_MAX) {
            run.failAt = pos;
            return;
        }
        const std::int8_t kind = d[pos + 1] == '/' ? -1 : d[end - 2] == '/' ? 0 : 1;
        if (run.depth <= run.lowest + (kind < 0 ? 1 : 0))
            run.tags.push_back({pos, static_cast<std::uint32_t>(end - pos), kind, run.depth});
        run.depth += kind;
        run.lowest = std::min(run.lowest, run.depth);
        pos = end;
    }
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

} // namespace

struct CSCLService::Impl {
    std::string fileName;
    std::size_t threads = 0; // 0: WorkThreads()
    int loadMode = 0;
    std::string rootName = "SCL";
    std::string error;
    bool refused = false; // the file's bytes, not its markup, were refused
    pugi::xml_document doc;
    scl::detail::DocInfo info;
    pugi::xml_node_struct* root = nullptr;

    // The sectioned load: the file mapped while it is cut, the root's children of the streamed
    // name as byte ranges of it, read again from the open file when parsed, and the document of
    // the one LoadStreamed parsed last.
    std::string streamedName;
    const char* map = nullptr;
    std::size_t mapSize = 0;
    int fd = -1;
    std::vector<std::pair<std::size_t, std::size_t>> streamed;
    // Skeleton offset -> file offset at the start of each piece copied into the skeleton.
    std::vector<std::pair<std::size_t, std::size_t>> pieces;
    std::string partBuffer; // before part: the document refers to it
    pugi::xml_document part;

    ~Impl() { Unmap(); }

    void Unmap() {
        if (map)
            munmap(const_cast<char*>(map), mapSize);
        map = nullptr;
        mapSize = 0;
        if (fd >= 0)
            close(fd);
        fd = -1;
    }

    void Reset() {
        doc.reset();
        part.reset();
        std::string().swap(partBuffer);
        info = {};
        root = nullptr;
        error.clear();
        refused = false;
        streamed.clear();
        pieces.clear();
        Unmap();
    }

    // The text of a parse failure at a byte offset of the file.
    std::string ParseErrorText(std::ptrdiff_t fileOffset, const char* what) const {
        int line = 1, column = 1;
        LineAndColumn(fileName, fileOffset, line, column);
        return StrFormat("文件(%s)第%d行第%d列: %s", fileName.c_str(), line, column, what);
    }

    // Sets the error of a parse failure at a byte offset of the file; 0.
    int ParseError(std::ptrdiff_t fileOffset, const char* what) {
        error = ParseErrorText(fileOffset, what);
        return 0;
    }

    // Parses the index-th element left out into doc; false with error set when it does not parse.
    // Touches nothing shared but the mapped file, so threads may each parse one at once.
    // buffer holds the element's text while into is used (the parser works on it in place) and
    // keeps its room for the next element.
    bool ParsePiece(int index, pugi::xml_document& into, std::string& buffer, std::string& why) const;

    bool Load();
    // 1 loaded, 0 failed (error set), -1 the file must be loaded whole.
    int LoadSectioned(std::size_t size);
    // The steps of a sectioned load. MapFile: 1 mapped, 0 failed, -1 the file must be loaded
    // whole. FollowRootChildren: indexes the streamed children and copies the rest into the
    // skeleton up to the root's end tag (tail). CheckAfterRoot: only comments and processing
    // instructions follow the root (rootEnd: past its end tag). Those two are false with error
    // set. ParseSkeleton: parses the skeleton as the document, 1 or 0.
    int MapFile(std::size_t size);
    bool FollowRootChildren(std::size_t rootTagEnd, std::string& skeleton, std::size_t& tail);
    bool CheckAfterRoot(std::size_t tail, std::size_t& rootEnd);
    int ParseSkeleton(std::string skeleton);
    bool CheckRoot(pugi::xml_node top);
    // The bytes of a file of one-byte units before they are parsed: text not valid in the declared
    // encoding (a file declared UTF-8, or declaring none, whose bytes are GBK is read as GBK) and
    // references to entities of the internal document type, which the parser does not expand, are
    // refused with the line. False with error set.
    bool CheckBytes(const char* d, std::size_t n);
};

bool CSCLService::Impl::CheckBytes(const char* d, std::size_t n) {
    const std::string_view bytes(d, n);
    if (info.gbk) {
        if (const std::size_t bad = FirstInvalidGbk(bytes); bad != std::string_view::npos) {
            refused = true;
            return ParseError(static_cast<std::ptrdiff_t>(bad), "文字不是有效的GBK编码") != 0;
        }
    } else {
        if (const std::size_t bad = FirstInvalidUtf8(bytes); bad != std::string_view::npos) {
            if (FirstInvalidGbk(bytes) != std::string_view::npos || MostlyUtf8(bytes)) {
                refused = true;
                return ParseError(static_cast<std::ptrdiff_t>(bad),
                                  "文字不是有效的UTF-8编码，也不是GBK编码") != 0;
            }
            info.gbk = true;
        }
    }
    const std::size_t prologEnd = PrologEnd(d, n);
    if (prologEnd == std::string_view::npos || prologEnd >= n)
        return true; // the parser reports it
    const std::vector<std::string> names = DeclaredEntities(d, n, prologEnd);
    if (names.empty())
        return true;
    std::string name;
    if (const std::size_t at = FirstDeclaredEntityReference(d, n, prologEnd, names, name);
        at != std::string_view::npos) {
        refused = true;
        const std::string what = "引用了文档类型定义中声明的实体&" + name + ";，不能读取这样的文件";
        return ParseError(static_cast<std::ptrdiff_t>(at), what.c_str()) != 0;
    }
    return true;
}

bool CSCLService::Impl::CheckRoot(pugi::xml_node top) {
    // The parser accepts fragments; a file is one document with one root element.
    for (pugi::xml_node n = top.next_sibling(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element) {
            error = StrFormat("文件(%s)有多个根元素", fileName.c_str());
            return false;
        }
    }
    std::string_view name = top ? top.name() : "";
    std::size_t colon = name.rfind(':');
    if (colon != std::string_view::npos)
        name.remove_prefix(colon + 1);
    if (!top || (!rootName.empty() && name != rootName)) {
        error = StrFormat("文件(%s)的根元素<%s>不是<%s>", fileName.c_str(), top ? top.name() : "",
                          rootName.c_str());
        return false;
    }
    return true;
}

int CSCLService::Impl::LoadSectioned(std::size_t size) {
    if (size == 0)
        return -1;
    if (const int mapped = MapFile(size); mapped != 1)
        return mapped;
    const char* d = map;
    const std::size_t n = mapSize;
    constexpr std::size_t npos = std::string_view::npos;

    // The root's start tag, after the declaration, comments and document type.
    std::size_t pos = 0;
    for (;;) {
        const void* lt = std::memchr(d + pos, '<', n - pos);
        if (!lt)
            return ParseError(static_cast<std::ptrdiff_t>(n), "No document element found");
        pos = static_cast<std::size_t>(static_cast<const char*>(lt) - d);
        const std::size_t skip = SkipSpecial(d, n, pos);
        if (skip == npos)
            return ParseError(static_cast<std::ptrdiff_t>(pos), "Unexpected end of file");
        if (skip == pos)
            break;
        pos = skip;
    }
    const std::size_t rootStart = pos;
    const std::size_t rootTagEnd = TagEnd(d, n, rootStart);
    if (rootTagEnd == npos)
        return ParseError(static_cast<std::ptrdiff_t>(rootStart), "Unexpected end of file");

    // The root's children: those of the streamed name are indexed, the rest copied into the
    // skeleton that is parsed as the document.
    std::string skeleton(d, rootTagEnd);
    pieces.push_back({0, 0});
    if (d[rootTagEnd - 2] != '/') {
        std::size_t tail = npos; // where the root's end tag starts
        if (!FollowRootChildren(rootTagEnd, skeleton, tail))
            return 0;
        std::size_t rootEnd = npos;
        if (!CheckAfterRoot(tail, rootEnd))
            return 0;
        pieces.push_back({skeleton.size(), tail});
        skeleton.append(d + tail, rootEnd - tail);
    }
    return ParseSkeleton(std::move(skeleton));
}

int CSCLService::Impl::MapFile(std::size_t size) {
    fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = StrFormat("文件(%s)无法打开！", fileName.c_str());
        return 0;
    }
    void* m = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (m == MAP_FAILED) {
        error = StrFormat("文件(%s)无法读取！", fileName.c_str());
        return 0;
    }
    map = static_cast<const char*>(m);
    mapSize = size;
    madvise(m, size, MADV_SEQUENTIAL);
    const char* d = map;
    const std::size_t n = size;
    if (WideEncoding(d, n)) {
        Unmap();
        return -1;
    }
    if (!CheckBytes(d, n))
        return 0;
    return 1;
}

bool CSCLService::Impl::FollowRootChildren(std::size_t rootTagEnd, std::string& skeleton, std::size_t& tail) {
    // The tags below the root, cut on several threads for a big file, then followed in file order
    // with their depth: the root's children of the streamed name are indexed, the rest copied into
    // the skeleton.
    const char* d = map;
    const std::size_t n = mapSize;
    constexpr std::size_t npos = std::string_view::npos;
    std::vector<CutRun> runs =
        CutTagsInRuns(d, n, rootTagEnd, threads ? threads : CSCLService::WorkThreads());
    std::int64_t depth = 1; // at the start of the run
    std::size_t childStart = npos;
    bool childStreamed = false;
    std::size_t expected = rootTagEnd;
    for (std::size_t k = 0; k < runs.size() && tail == npos; ++k) {
        CutRun& run = runs[k];
        if (run.first != expected && run.from != expected) {
            // Its start lay inside a tag, comment or section that the run before ran through:
            // cut again from where that one ended.
            CutRun again;
            again.from = expected;
            again.limit = run.limit;
            CutTags(d, n, again);
            run = std::move(again);
        }
        for (const CutTag& tag : run.tags) {
            const std::size_t pos = tag.pos;
            const std::size_t end = tag.pos + tag.length;
            const std::int64_t at = depth + tag.depth; // in the file, before the tag
            bool closes = false;
            if (tag.kind < 0) {
                if (at == 1) {
                    tail = pos;
                    break;
                }
                closes = at == 2;
            } else if (at == 1) {
                childStart = pos;
                childStreamed = LocalName(TagName(d, n, pos)) == streamedName;
                closes = tag.kind == 0;
            }
            if (closes) {
                if (childStreamed) {
                    streamed.push_back({childStart, end});
                } else {
                    pieces.push_back({skeleton.size(), childStart});
                    skeleton.append(d + childStart, end - childStart);
                }
            }
        }
        if (tail != npos)
            break;
        depth += run.depth;
        if (run.failAt != npos)
            return ParseError(static_cast<std::ptrdiff_t>(run.failAt), "Unexpected end of file");
        expected = run.exit;
        if (expected == npos)
            return ParseError(static_cast<std::ptrdiff_t>(n), "Start-end tags mismatch");
    }
    if (tail == npos)
        return ParseError(static_cast<std::ptrdiff_t>(n), "Start-end tags mismatch");
    return true;
}

bool CSCLService::Impl::CheckAfterRoot(std::size_t tail, std::size_t& rootEnd) {
    const char* d = map;
    const std::size_t n = mapSize;
    constexpr std::size_t npos = std::string_view::npos;
    // Only comments and processing instructions may follow the root element.
    rootEnd = TagEnd(d, n, tail);
    if (rootEnd == npos)
        return ParseError(static_cast<std::ptrdiff_t>(tail), "Unexpected end of file");
    for (std::size_t pos = rootEnd;;) {
        const void* lt = std::memchr(d + pos, '<', n - pos);
        if (!lt)
            break;
        pos = static_cast<std::size_t>(static_cast<const char*>(lt) - d);
        const std::size_t skip = SkipSpecial(d, n, pos);
        if (skip == pos) {
            error = StrFormat("文件(%s)有多个根元素", fileName.c_str());
            return 0;
        }
        if (skip == npos)
            return ParseError(static_cast<std::ptrdiff_t>(pos), "Unexpected end of file");
        pos = skip;
    }
    return true;
}

int CSCLService::Impl::ParseSkeleton(std::string skeleton) {
    void* buffer = pugi::get_memory_allocation_function()(skeleton.size());
    if (!buffer) {
        error = StrFormat("文件(%s)过大，内存不足！", fileName.c_str());
        return 0;
    }
    std::memcpy(buffer, skeleton.data(), skeleton.size());
    const std::size_t skeletonSize = skeleton.size();
    std::string().swap(skeleton);
    pugi::xml_parse_result result =
        doc.load_buffer_inplace_own(buffer, skeletonSize, ParseFlags(info), pugi::encoding_auto);
    // The cut file is not needed any more: the elements left out are read from the file again
    // when parsed (the file stays in the page cache).
    munmap(const_cast<char*>(map), mapSize);
    map = nullptr;
    mapSize = 0;
    if (!result) {
        // Back from the skeleton's offset to the file's.
        std::size_t at = static_cast<std::size_t>(result.offset);
        std::size_t fileAt = at;
        for (const auto& [skel, file] : pieces)
            if (skel <= at)
                fileAt = file + (at - skel);
        ParseError(static_cast<std::ptrdiff_t>(fileAt), result.description());
        doc.reset();
        return 0;
    }
    if (!CheckRoot(doc.document_element())) {
        doc.reset();
        return 0;
    }
    root = doc.document_element().internal_object();
    return 1;
}

bool CSCLService::Impl::Load() {
    std::error_code ec;
    std::filesystem::path path(fileName);
    if (fileName.empty() || !std::filesystem::is_regular_file(path, ec)) {
        error = StrFormat("文件(%s)不存在！", fileName.c_str());
        return false;
    }
    std::uintmax_t fileSize = std::filesystem::file_size(path, ec);
    if (ec) {
        error = StrFormat("文件(%s)无法读取！", fileName.c_str());
        return false;
    }
    auto size = static_cast<std::size_t>(fileSize);
    if (!streamedName.empty()) {
        // The declaration is read from the start of the file before it is cut into pieces.
        char head[512];
        std::size_t headSize = 0;
        if (std::FILE* h = std::fopen(fileName.c_str(), "rb")) {
            headSize = std::fread(head, 1, sizeof head, h);
            std::fclose(h);
        }
        info.gbk = IsGbkFamily(DeclaredEncoding(head, headSize));
        const int sectioned = LoadSectioned(size);
        if (sectioned >= 0)
            return sectioned == 1;
        info.gbk = false;
    }
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) {
        error = StrFormat("文件(%s)无法打开！", fileName.c_str());
        return false;
    }
    // The parser takes this buffer over and frees it with the document.
    void* buffer = pugi::get_memory_allocation_function()(size ? size : 1);
    if (!buffer) {
        std::fclose(f);
        error = StrFormat("文件(%s)过大，内存不足！", fileName.c_str());
        return false;
    }
    std::size_t got = size ? std::fread(buffer, 1, size, f) : 0;
    std::fclose(f);
    if (got != size) {
        pugi::get_memory_deallocation_function()(buffer);
        error = StrFormat("文件(%s)读取错误！", fileName.c_str());
        return false;
    }

    info.gbk = IsGbkFamily(DeclaredEncoding(static_cast<const char*>(buffer), size));
    if (!WideEncoding(static_cast<const char*>(buffer), size) &&
        !CheckBytes(static_cast<const char*>(buffer), size)) {
        pugi::get_memory_deallocation_function()(buffer);
        return false;
    }
    // GBK bytes never take the values of XML's markup characters, so such a file parses as
    // bytes and only its texts are converted (and their references expanded) when read.
    pugi::xml_parse_result result =
        doc.load_buffer_inplace_own(buffer, size, ParseFlags(info), pugi::encoding_auto);
    if (!result) {
        int line = 1, column = 1;
        LineAndColumn(fileName, result.offset, line, column);
        error = StrFormat("文件(%s)第%d行第%d列: %s", fileName.c_str(), line, column, result.description());
        doc.reset();
        return false;
    }
    pugi::xml_node top = doc.document_element();
    if (!CheckRoot(top)) {
        doc.reset();
        return false;
    }
    root = top.internal_object();
    return true;
}

CSCLService::CSCLService() : impl_(std::make_unique<Impl>()) {}
CSCLService::~CSCLService() = default;

void CSCLService::SetXmlFileName(const std::string& path) {
    impl_->fileName = path;
}
const std::string& CSCLService::GetXmlFileName() const {
    return impl_->fileName;
}

void CSCLService::SetLoadMode(int mode) {
    impl_->loadMode = mode;
}
int CSCLService::GetLoadMode() const {
    return impl_->loadMode;
}

void CSCLService::SetRootName(const std::string& name) {
    impl_->rootName = name;
}

std::size_t CSCLService::WorkThreads() {
    std::size_t cores = 0;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        cores = static_cast<std::size_t>(CPU_COUNT(&set));
    if (cores == 0)
        cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min<std::size_t>(cores, 8);
}

void CSCLService::SetThreads(std::size_t threads) {
    impl_->threads = threads;
}

void CSCLService::SetStreamedElement(const std::string& name) {
    impl_->streamedName = name;
}

int CSCLService::GetStreamedCount() const {
    return static_cast<int>(impl_->streamed.size());
}

bool CSCLService::Impl::ParsePiece(int index, pugi::xml_document& into, std::string& buffer,
                                   std::string& why) const {
    into.reset();
    if (!root || index < 0 || index >= static_cast<int>(streamed.size()) || fd < 0)
        return false;
    const auto [from, to] = streamed[static_cast<std::size_t>(index)];
    try {
        buffer.resize(to - from);
    } catch (const std::bad_alloc&) {
        why = StrFormat("文件(%s)过大，内存不足！", fileName.c_str());
        return false;
    }
    // Positioned reads, so that threads share the descriptor.
    for (std::size_t got = 0; got < to - from;) {
        const ssize_t n = pread(fd, buffer.data() + got, to - from - got, static_cast<off_t>(from + got));
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            why = StrFormat("文件(%s)读取错误！", fileName.c_str());
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    pugi::xml_parse_result result =
        into.load_buffer_inplace(buffer.data(), buffer.size(), ParseFlags(info), pugi::encoding_utf8);
    if (!result) {
        why = ParseErrorText(static_cast<std::ptrdiff_t>(from) + result.offset, result.description());
        into.reset();
        return false;
    }
    return true;
}

scl::CtBase CSCLService::LoadStreamed(int index) {
    Impl& m = *impl_;
    if (!m.ParsePiece(index, m.part, m.partBuffer, m.error))
        return {};
    return scl::CtBase(m.part.document_element().internal_object(), &m.info);
}

struct CSCLService::CPart::Impl {
    std::string buffer; // declared first: the document refers to it
    pugi::xml_document doc;
};

CSCLService::CPart::CPart() : impl_(std::make_unique<Impl>()) {}
CSCLService::CPart::~CPart() = default;

scl::CtBase CSCLService::ParseStreamed(int index, CPart& part, std::string& error) const {
    if (!impl_->ParsePiece(index, part.impl_->doc, part.impl_->buffer, error))
        return {};
    return scl::CtBase(part.impl_->doc.document_element().internal_object(), &impl_->info);
}

int CSCLService::LoadFromXmlFile() {
    impl_->Reset();
    if (impl_->Load())
        return 1;
    impl_->info = {};
    impl_->root = nullptr;
    impl_->streamed.clear();
    impl_->Unmap();
    return 0;
}

scl::CtBase CSCLService::GetRoot() const {
    if (!impl_->root)
        return {};
    return scl::CtBase(impl_->root, &impl_->info);
}

const std::string& CSCLService::GetErrorText() const {
    return impl_->error;
}

bool CSCLService::IsRefusedContent() const {
    return impl_->refused;
}

bool CSCLService::IsGbk() const {
    return impl_->root && impl_->info.gbk;
}

void CSCLService::Clear() {
    impl_->Reset();
}

} // namespace platform
