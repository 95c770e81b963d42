#include "platform/scl/SCLService.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/scl/DocInfo.h"
#include "platform/scl/ElementFilter.h"
#include "platform/scl/SclScan.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

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

} // namespace

using namespace scl::scan;

struct CSCLService::Impl {
    std::string fileName;
    std::size_t threads = 0; // 0: WorkThreads()
    int loadMode = 0;
    std::string rootName = "SCL";
    std::string error;
    bool refused = false; // the file's bytes, not its markup, were refused
    bool unread = false;  // the file is there but could not be looked at or read
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
        typesLeftOut = false;
        doc.reset();
        part.reset();
        std::string().swap(partBuffer);
        info = {};
        root = nullptr;
        error.clear();
        refused = false;
        unread = false;
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
    // keep, when given, leaves what the caller does not read out of the tree (the bytes are
    // parsed whole when the filter cannot follow them or what is left does not parse, so that
    // every refusal is the parser's own).
    // Parses a run of what a filter left out as a fragment, only for its errors.
    bool ParsesAsFragment(std::string_view bytes, pugi::xml_document& scratch) const {
        const bool parsed = scratch.load_buffer(bytes.data(), bytes.size(),
                                                ParseFlags(info) | pugi::parse_fragment, pugi::encoding_utf8);
        scratch.reset();
        return parsed;
    }
    // The DataTypeTemplates element that ends the skeleton from `from` on without the types
    // nothing refers to; a skeleton that does not parse then is loaded again without leaving any
    // out, so that its error is the parser's on the file as it stands.
    void LeaveOutUnusedTypes(std::string& skeleton, std::size_t from) {
        pugi::xml_document scratch;
        const std::function<bool(std::string_view)> check = [&](std::string_view bytes) {
            return ParsesAsFragment(bytes, scratch);
        };
        const std::size_t left =
            scl::LeaveOutUnreferencedTypes(skeleton.data() + from, skeleton.size() - from, check);
        if (left != std::string_view::npos && from + left < skeleton.size()) {
            skeleton.resize(from + left);
            typesLeftOut = true;
        }
    }
    bool unusedTypesLeftOut = false; // asked for by the caller
    bool typesLeftOut = false;       // done in this load

    bool ParsePiece(int index, pugi::xml_document& into, std::string& buffer, std::string& why,
                    const std::function<bool(std::string_view)>* beforeParse = nullptr,
                    const scl::CKeepRule* keep = nullptr) const;

    bool Load();
    // 1 loaded, 0 failed (error set), -1 the file must be loaded whole.
    int LoadSectioned(std::size_t size);
    // Sets the error of a file that is there but could not be opened or read (what, with the
    // system's reason) and returns 0.
    int Unread(const char* what, int errorNumber) {
        error = StrFormat(what, fileName.c_str()) + "（" + ErrorText(errorNumber) + "）！";
        unread = true;
        return 0;
    }
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
        if (const std::size_t bad = DecodeGb18030(bytes, nullptr); bad != std::string_view::npos) {
            refused = true;
            return ParseError(static_cast<std::ptrdiff_t>(bad), "文字不是有效的GBK编码") != 0;
        }
    } else {
        // A big file is checked on several threads, a run of some MB each.
        constexpr std::size_t kRunBytes = 8u << 20;
        const std::size_t runs =
            std::clamp<std::size_t>(n / kRunBytes, 1, threads ? threads : CSCLService::WorkThreads());
        if (const std::size_t bad = FirstInvalidUtf8InRuns(bytes, runs); bad != std::string_view::npos) {
            if (DecodeGb18030(bytes, nullptr) != std::string_view::npos || MostlyUtf8(bytes)) {
                refused = true;
                return ParseError(static_cast<std::ptrdiff_t>(bad),
                                  "文字不是有效的UTF-8编码，也不是GBK编码") != 0;
            }
            info.gbk = true;
        }
    }
    // A reference to a character XML does not allow would put a NUL that cuts a text short, or
    // bytes that are no UTF-8, into the models and the cache.
    std::string reference;
    if (const std::size_t at = FirstForbiddenCharacterReference(d, n, reference);
        at != std::string_view::npos) {
        refused = true;
        const std::string what = "字符引用" + reference + "不是XML允许的字符";
        return ParseError(static_cast<std::ptrdiff_t>(at), what.c_str()) != 0;
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
    fd = FileStepFails(FileStep::Open, fileName) ? -1 : open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Unread("文件(%s)无法打开", errno);
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
        if (run.overflow || (run.first != expected && run.from != expected)) {
            // Its start lay inside a tag, comment or section that the run before ran through, or
            // it kept too many tags for want of its depth: cut again from where that one ended,
            // whose depth is known.
            CutRun again;
            again.from = expected;
            again.limit = run.limit;
            again.startDepth = depth;
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
                    if (unusedTypesLeftOut && LocalName(TagName(d, n, childStart)) == "DataTypeTemplates")
                        LeaveOutUnusedTypes(skeleton, pieces.back().first);
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
    const PathStat stat = fileName.empty() ? PathStat{} : StatPath(fileName);
    if (stat.Failed())
        return Unread("文件(%s)无法读取", stat.error) != 0;
    if (!stat.file) {
        error = StrFormat("文件(%s)不存在！", fileName.c_str());
        return false;
    }
    auto size = static_cast<std::size_t>(stat.size);
    if (!streamedName.empty()) {
        // The declaration is read from the start of the file before it is cut into pieces.
        char head[512];
        CFileReader h;
        if (h.Open(fileName) != 0)
            return Unread("文件(%s)无法打开", h.Error()) != 0;
        const long headSize = h.Read(head, sizeof head);
        if (headSize < 0)
            return Unread("文件(%s)读取错误", h.Error()) != 0;
        info.gbk = IsGbkFamily(DeclaredEncoding(head, static_cast<std::size_t>(headSize)));
        int sectioned = LoadSectioned(size);
        if (sectioned == 0 && typesLeftOut) {
            // Parsed again with every type, for the parser's own verdict on the file.
            const bool gbk = info.gbk;
            Reset();
            info.gbk = gbk;
            unusedTypesLeftOut = false;
            sectioned = LoadSectioned(size);
            unusedTypesLeftOut = true;
        }
        if (sectioned >= 0)
            return sectioned == 1;
        info.gbk = false;
    }
    CFileReader f;
    if (f.Open(fileName) != 0)
        return Unread("文件(%s)无法打开", f.Error()) != 0;
    // The parser takes this buffer over and frees it with the document.
    void* buffer = pugi::get_memory_allocation_function()(size ? size : 1);
    if (!buffer) {
        error = StrFormat("文件(%s)过大，内存不足！", fileName.c_str());
        return false;
    }
    std::size_t got = 0;
    while (got < size) {
        const long n = f.Read(static_cast<char*>(buffer) + got, size - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (got != size) {
        pugi::get_memory_deallocation_function()(buffer);
        if (f.Error() != 0)
            return Unread("文件(%s)读取错误", f.Error()) != 0;
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

void CSCLService::SetUnusedTypesLeftOut(bool leftOut) {
    impl_->unusedTypesLeftOut = leftOut;
}

int CSCLService::GetStreamedCount() const {
    return static_cast<int>(impl_->streamed.size());
}

std::size_t CSCLService::GetStreamedBytes(int index) const {
    if (index < 0 || index >= static_cast<int>(impl_->streamed.size()))
        return 0;
    const auto [from, to] = impl_->streamed[static_cast<std::size_t>(index)];
    return to - from;
}

bool CSCLService::Impl::ParsePiece(int index, pugi::xml_document& into, std::string& buffer, std::string& why,
                                   const std::function<bool(std::string_view)>* beforeParse,
                                   const scl::CKeepRule* keep) const {
    into.reset();
    if (!root || index < 0 || index >= static_cast<int>(streamed.size()) || fd < 0)
        return false;
    // Plain names, not a structured binding: the read below captures them.
    const std::size_t from = streamed[static_cast<std::size_t>(index)].first;
    const std::size_t to = streamed[static_cast<std::size_t>(index)].second;
    const auto read = [&] {
        try {
            // A thread's buffer keeps its room from one element to the next, not that of a huge one.
            if (buffer.capacity() > (std::size_t{1} << 20) && buffer.capacity() / 4 > to - from)
                std::string().swap(buffer);
            buffer.resize(to - from);
        } catch (const std::bad_alloc&) {
            why = StrFormat("文件(%s)过大，内存不足！", fileName.c_str());
            return false;
        }
        // Positioned reads, so that threads share the descriptor; the seam is asked once a read.
        if (!platform::ReadFileAt(fd, buffer.data(), to - from, from, std::filesystem::path(fileName))) {
            why = StrFormat("文件(%s)读取错误（%s）！", fileName.c_str(), ErrorText(errno).c_str());
            return false;
        }
        return true;
    };
    if (!read())
        return false;
    bool filtered = false;
    if (keep) {
        // What is left out is parsed a run at a time and thrown away: only its errors count.
        pugi::xml_document runs;
        const std::function<bool(std::string_view)> check = [&](std::string_view bytes) {
            return ParsesAsFragment(bytes, runs);
        };
        if (const std::size_t left = scl::LeaveOutUnread(buffer.data(), buffer.size(), *keep, check);
            left != std::string_view::npos) {
            buffer.resize(left);
            filtered = true;
        }
    }
    if (beforeParse && *beforeParse && !(*beforeParse)(std::string_view(buffer)))
        return false;
    pugi::xml_parse_result result =
        into.load_buffer_inplace(buffer.data(), buffer.size(), ParseFlags(info), pugi::encoding_utf8);
    if (!result && filtered) {
        // The parser's own verdict on the bytes as they stand in the file.
        into.reset();
        if (!read())
            return false;
        result =
            into.load_buffer_inplace(buffer.data(), buffer.size(), ParseFlags(info), pugi::encoding_utf8);
    }
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
    return ParseStreamed(index, part, error, {});
}

scl::CtBase CSCLService::ParseStreamed(int index, CPart& part, std::string& error,
                                       const std::function<bool(std::string_view bytes)>& beforeParse,
                                       const scl::CKeepRule* keep) const {
    if (!impl_->ParsePiece(index, part.impl_->doc, part.impl_->buffer, error, &beforeParse, keep))
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

bool CSCLService::IsUnreadFile() const {
    return impl_->unread;
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
