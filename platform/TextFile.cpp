#include "platform/TextFile.h"

#include "platform/Gbk.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <mutex>

#include <unistd.h>

namespace platform {

namespace {

std::mutex& HookMutex() {
    static std::mutex m;
    return m;
}

WriteFaultHook& Hook() {
    static WriteFaultHook hook;
    return hook;
}

// Writes bytes to an open file; with the fault seam set for path only half goes out.
bool PutBytes(std::FILE* f, const std::filesystem::path& path, std::string_view bytes) {
    if (WriteFaultFor(path)) {
        std::fwrite(bytes.data(), 1, bytes.size() / 2, f);
        return false;
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

// Flushes the file's buffers and its data to the disk, then closes it.
bool FlushAndClose(std::FILE* f) {
    bool ok = std::fflush(f) == 0;
    // Devices and pipes cannot be synchronised (EINVAL); that is no failure of the write.
    if (ok && ::fdatasync(::fileno(f)) != 0 && errno != EINVAL)
        ok = false;
    return std::fclose(f) == 0 && ok;
}

} // namespace

void SetWriteFaultHook(WriteFaultHook hook) {
    std::lock_guard lock(HookMutex());
    Hook() = std::move(hook);
}

bool WriteFaultFor(const std::filesystem::path& path) {
    std::lock_guard lock(HookMutex());
    return Hook() && Hook()(path);
}

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
    bool ok = PutBytes(f, path, bytes);
    ok = FlushAndClose(f) && ok;
    return ok;
}

CFileWriter::~CFileWriter() {
    if (file_)
        std::fclose(file_);
}

bool CFileWriter::Open(const std::filesystem::path& path) {
    if (file_)
        std::fclose(file_);
    path_ = path;
    file_ = std::fopen(path.c_str(), "wb");
    ok_ = file_ != nullptr;
    return ok_;
}

void CFileWriter::Write(std::string_view bytes) {
    if (ok_ && !bytes.empty())
        ok_ = PutBytes(file_, path_, bytes);
}

bool CFileWriter::Close() {
    if (!file_)
        return false;
    const bool ok = FlushAndClose(file_) && ok_;
    file_ = nullptr;
    ok_ = false;
    return ok;
}

bool ReplaceFileBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::path temp = path;
    temp += ".tmp";
    std::error_code ec;
    if (!WriteFileBytes(temp, bytes)) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

bool CopyFileBytes(const std::filesystem::path& source, const std::filesystem::path& target) {
    std::string bytes;
    return ReadFileBytes(source, bytes) && WriteFileBytes(target, bytes);
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

void CGbkTextBuilder::Write(std::string_view utf8) {
    std::string gbk;
    if (!Utf8ToGbk(utf8, gbk))
        good_ = false;
    // GBK's trailing bytes are 0x40 and above, so a CR or LF byte is always the character itself.
    bytes_.reserve(bytes_.size() + gbk.size());
    for (char ch : gbk) {
        if (ch == '\n' && !afterCr_)
            bytes_.push_back('\r');
        bytes_.push_back(ch);
        afterCr_ = ch == '\r';
    }
}

void CGbkTextBuilder::WriteLine(std::string_view utf8) {
    Write(utf8);
    bytes_.append("\r\n");
    afterCr_ = false;
}

std::string CGbkTextBuilder::TakeBytes() {
    std::string bytes = std::move(bytes_);
    bytes_.clear();
    return bytes;
}

std::string GbkTextBytes(std::string_view utf8) {
    CGbkTextBuilder builder;
    builder.Write(utf8);
    return builder.TakeBytes();
}

CGbkTextWriter::~CGbkTextWriter() {
    Close();
}

bool CGbkTextWriter::Open(const std::filesystem::path& path, bool append) {
    Close();
    file_ = std::fopen(path.c_str(), append ? "ab" : "wb");
    path_ = path;
    good_ = file_ != nullptr;
    buffer_ = CGbkTextBuilder();
    return good_;
}

void CGbkTextWriter::Write(std::string_view utf8) {
    if (!file_)
        return;
    buffer_.Write(utf8);
    if (buffer_.Bytes().size() >= 1 << 16)
        Flush();
}

void CGbkTextWriter::WriteLine(std::string_view utf8) {
    if (!file_)
        return;
    buffer_.WriteLine(utf8);
    if (buffer_.Bytes().size() >= 1 << 16)
        Flush();
}

void CGbkTextWriter::Flush() {
    if (!file_ || buffer_.Bytes().empty())
        return;
    if (!PutBytes(file_, path_, buffer_.TakeBytes()))
        good_ = false;
}

bool CGbkTextWriter::Close() {
    if (!file_)
        return good_ && buffer_.Good();
    Flush();
    if (!FlushAndClose(file_))
        good_ = false;
    file_ = nullptr;
    return good_ && buffer_.Good();
}

} // namespace platform
