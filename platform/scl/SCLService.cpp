#include "platform/scl/SCLService.h"

#include "platform/scl/DocInfo.h"
#include "platform/Text.h"

#include <pugixml.hpp>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace platform {

namespace {

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

} // namespace

struct CSCLService::Impl {
    std::string fileName;
    int loadMode = 0;
    std::string rootName = "SCL";
    std::string error;
    pugi::xml_document doc;
    scl::detail::DocInfo info;
    pugi::xml_node_struct* root = nullptr;

    void Reset() {
        doc.reset();
        info = {};
        root = nullptr;
        error.clear();
    }

    bool Load();
};

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
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) {
        error = StrFormat("文件(%s)无法打开！", fileName.c_str());
        return false;
    }
    auto size = static_cast<std::size_t>(fileSize);
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
    // GBK bytes never take the values of XML's markup characters, so such a file parses as
    // bytes and only its texts are converted when read.
    pugi::xml_parse_result result =
        doc.load_buffer_inplace_own(buffer, size, pugi::parse_default, pugi::encoding_auto);
    if (!result) {
        int line = 1, column = 1;
        LineAndColumn(fileName, result.offset, line, column);
        error = StrFormat("文件(%s)第%d行第%d列: %s", fileName.c_str(), line, column, result.description());
        doc.reset();
        return false;
    }
    pugi::xml_node top = doc.document_element();
    // The parser accepts fragments; a file is one document with one root element.
    for (pugi::xml_node n = top.next_sibling(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element) {
            error = StrFormat("文件(%s)有多个根元素", fileName.c_str());
            doc.reset();
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
const std::string& CSCLService::GetRootName() const {
    return impl_->rootName;
}

int CSCLService::LoadFromXmlFile() {
    impl_->Reset();
    if (impl_->Load())
        return 1;
    impl_->info = {};
    impl_->root = nullptr;
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

bool CSCLService::IsGbk() const {
    return impl_->root && impl_->info.gbk;
}

void CSCLService::Clear() {
    impl_->Reset();
}

} // namespace platform
