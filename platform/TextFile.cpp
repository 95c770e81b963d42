#include "TextFile.h"

#include "Gbk.h"

#include <cstdio>
#include <fstream>

namespace platform {

bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes) {
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

bool CGbkLineReader::Open(const std::filesystem::path& path) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) {
        open_ = false;
        return false;
    }
    OpenBytes(std::move(bytes));
    return true;
}

void CGbkLineReader::OpenBytes(std::string bytes) {
    bytes_ = std::move(bytes);
    pos_ = 0;
    lineNo_ = 0;
    open_ = true;
    lastValid_ = true;
}

bool CGbkLineReader::ReadLine(std::string& line) {
    line.clear();
    if (!open_ || pos_ >= bytes_.size())
        return false;
    std::size_t end = bytes_.find('\n', pos_);
    std::size_t next = end == std::string::npos ? bytes_.size() : end + 1;
    if (end == std::string::npos)
        end = bytes_.size();
    std::size_t stop = end;
    if (stop > pos_ && bytes_[stop - 1] == '\r')
        --stop;
    std::string_view raw(bytes_.data() + pos_, stop - pos_);
    bool ascii = true;
    for (char ch : raw)
        if (ch & 0x80) {
            ascii = false;
            break;
        }
    if (ascii) {
        line.assign(raw);
        lastValid_ = true;
    } else {
        lastValid_ = GbkToUtf8(raw, line);
    }
    pos_ = next;
    ++lineNo_;
    return true;
}

CGbkTextWriter::~CGbkTextWriter() {
    Close();
}

bool CGbkTextWriter::Open(const std::filesystem::path& path, bool append) {
    Close();
    file_ = std::fopen(path.c_str(), append ? "ab" : "wb");
    good_ = file_ != nullptr;
    buffer_.clear();
    return good_;
}

void CGbkTextWriter::Write(std::string_view utf8) {
    if (!file_)
        return;
    std::string gbk;
    if (!Utf8ToGbk(utf8, gbk))
        good_ = false;
    for (char ch : gbk) {
        if (ch == '\n' && (buffer_.empty() || buffer_.back() != '\r'))
            buffer_.push_back('\r');
        buffer_.push_back(ch);
    }
    if (buffer_.size() >= 1 << 16)
        Flush();
}

void CGbkTextWriter::WriteLine(std::string_view utf8) {
    Write(utf8);
    if (!file_)
        return;
    buffer_.append("\r\n");
    if (buffer_.size() >= 1 << 16)
        Flush();
}

void CGbkTextWriter::Flush() {
    if (!file_ || buffer_.empty())
        return;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
        good_ = false;
    buffer_.clear();
}

bool CGbkTextWriter::Close() {
    if (!file_)
        return good_;
    Flush();
    if (std::fclose(file_) != 0)
        good_ = false;
    file_ = nullptr;
    return good_;
}

} // namespace platform
