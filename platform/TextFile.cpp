#include "platform/TextFile.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Text.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Writes bytes to an open file; with the fault seam set for path only half goes out.
bool PutBytes(std::FILE* f, const std::filesystem::path& path, std::string_view bytes) {
    if (FileStepFails(FileStep::Write, path)) {
        const int error = errno;
        std::fwrite(bytes.data(), 1, bytes.size() / 2, f);
        errno = error;
        return false;
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

// Flushes the file's buffers and its data to the disk, then closes it.
bool FlushAndClose(std::FILE* f, const std::filesystem::path& path) {
    bool ok = std::fflush(f) == 0 && !FileStepFails(FileStep::Sync, path);
    // Devices and pipes cannot be synchronised (EINVAL); that is no failure of the write.
    if (ok && !DiskSyncSkipped() && ::fdatasync(::fileno(f)) != 0 && errno != EINVAL)
        ok = false;
    return std::fclose(f) == 0 && ok;
}

} // namespace

int ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
    bytes.clear();
    if (FileStepFails(FileStep::Open, path))
        return errno;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = 0;
    if (FileStepFails(FileStep::Read, path)) {
        error = errno;
    } else {
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                error = errno;
            if (n <= 0)
                break;
            bytes.append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (error != 0)
        bytes.clear();
    return error;
}

bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes) {
    return ReadWholeFile(path, bytes) == 0;
}

bool WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
    if (FileStepFails(FileStep::Open, path))
        return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = PutBytes(f, path, bytes);
    ok = FlushAndClose(f, path) && ok;
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
    file_ = FileStepFails(FileStep::Open, path) ? nullptr : std::fopen(path.c_str(), "wb");
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
    const bool ok = FlushAndClose(file_, path_) && ok_;
    file_ = nullptr;
    ok_ = false;
    return ok;
}

CFileReader::~CFileReader() {
    Close();
}

int CFileReader::Open(const std::filesystem::path& path) {
    Close();
    path_ = path;
    error_ = 0;
    if (FileStepFails(FileStep::Open, path))
        return error_ = errno;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return error_ = errno;
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        error_ = errno;
    else if (S_ISDIR(st.st_mode))
        error_ = EISDIR;
    if (error_ != 0) {
        Close();
        return error_;
    }
    size_ = static_cast<std::uintmax_t>(st.st_size);
    return 0;
}

long CFileReader::Read(void* buffer, std::size_t length) {
    if (fd_ < 0) {
        error_ = EBADF;
        return -1;
    }
    const long n = ReadFileChunk(fd_, buffer, length, path_);
    if (n < 0)
        error_ = errno;
    return n;
}

bool CFileReader::Seek(std::uintmax_t offset) {
    if (fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0)
        return true;
    error_ = fd_ < 0 ? EBADF : errno;
    return false;
}

void CFileReader::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

namespace {

constexpr std::string_view kTempEnd = ".tmp";

// "<name>.<pid>-<n>.tmp" beside target: unique among the writers of this process and of others.
std::filesystem::path TempNameFor(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    std::string suffix(1, '.');
    suffix.append(std::to_string(::getpid()))
        .append(1, '-')
        .append(std::to_string(counter++))
        .append(kTempEnd);
    std::filesystem::path temp = target;
    temp += suffix;
    return temp;
}

// Temporary files named for target by writers whose process is gone (killed part way).
void RemoveStaleTemps(const std::filesystem::path& target) {
    const std::string prefix = target.filename().string() + ".";
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + kTempEnd.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - kTempEnd.size(), kTempEnd.size(), kTempEnd) != 0)
            continue;
        const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - kTempEnd.size());
        const std::size_t dash = middle.find('-');
        if (dash == 0 || dash == std::string::npos || dash > 9 ||
            middle.find_first_not_of("0123456789-") != std::string::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(middle.substr(0, dash)));
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) {
            std::error_code removed;
            std::filesystem::remove(it->path(), removed);
        }
    }
}

// Writes bytes to fd and flushes them to the disk; with the fault seam set for path only half
// goes out.
bool PutAndSync(int fd, const std::filesystem::path& path, std::string_view bytes) {
    bool ok = true;
    if (FileStepFails(FileStep::Write, path)) {
        bytes = bytes.substr(0, bytes.size() / 2);
        ok = false;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return !FileStepFails(FileStep::Sync, path) && (DiskSyncSkipped() || ::fdatasync(fd) == 0) && ok;
}

// The temporary file, written whole and flushed, under a unique name beside target; empty on
// failure. It is first written without a name where the file system allows, so that a writer
// killed part way leaves nothing behind; otherwise under its name (which the next replacement
// removes once its writer is gone).
std::filesystem::path WriteTemp(const std::filesystem::path& target, const std::filesystem::path& shown,
                                std::string_view bytes, const struct stat* keep) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    // The replaced file's owner where allowed, and its mode: a file that cannot keep its mode
    // (one only its owner may read would become readable by all) is not put in its place.
    auto prepare = [&](int fd) {
        if (!keep)
            return true;
        if (::fchown(fd, keep->st_uid, keep->st_gid) != 0) {
            // Only the owner's own group and user are possible: the mode still holds.
        }
        return !FileStepFails(FileStep::Chmod, shown) && ::fchmod(fd, keep->st_mode & 07777) == 0;
    };
    int fd = FileStepFails(FileStep::Open, shown)
                 ? -1
                 : ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        if (!prepare(fd) || !PutAndSync(fd, shown, bytes)) {
            ::close(fd);
            return {};
        }
        const std::filesystem::path temp = TempNameFor(target);
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        const bool linked = !FileStepFails(FileStep::Link, shown) &&
                            ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0;
        ::close(fd);
        if (linked)
            return temp;
        // No name can be given to it here (no /proc, or the link refused): the closed descriptor's
        // number may already belong to a file another thread opened, so it is forgotten before the
        // bytes are written again under a name.
        fd = -1;
    }
    std::filesystem::path temp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TempNameFor(target);
        fd = FileStepFails(FileStep::Open, shown)
                 ? -1
                 : ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return {};
    }
    if (fd < 0)
        return {};
    const bool ok = prepare(fd) && PutAndSync(fd, shown, bytes);
    if (::close(fd) != 0 || !ok) {
        ::unlink(temp.c_str());
        return {};
    }
    return temp;
}

} // namespace

std::filesystem::path ResolveFileLinks(std::filesystem::path path) {
    std::error_code ec;
    for (int i = 0; i < 40 && std::filesystem::is_symlink(path, ec); ++i) {
        const std::filesystem::path link = std::filesystem::read_symlink(path, ec);
        if (ec)
            break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
}

bool AppendFileBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::FILE* f = FileStepFails(FileStep::Open, path) ? nullptr : std::fopen(path.c_str(), "ab");
    if (!f)
        return false;
    const long before = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    bool ok = before >= 0 && PutBytes(f, path, bytes);
    ok = std::fflush(f) == 0 && ok;
    if (!ok && before >= 0 && ::ftruncate(::fileno(f), static_cast<off_t>(before)) != 0)
        ok = false;
    return std::fclose(f) == 0 && ok;
}

bool ReplaceFileBytes(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path target = ResolveFileLinks(path);
    struct stat old {};
    bool existed = false;
    if (FileStepFails(FileStep::Stat, path) || ::stat(target.c_str(), &old) != 0) {
        // A file that is there but cannot be looked at keeps its mode only if it is not replaced.
        if (errno != ENOENT)
            return false;
    } else {
        existed = S_ISREG(old.st_mode);
    }
    RemoveStaleTemps(target);
    const std::filesystem::path temp = WriteTemp(target, path, bytes, existed ? &old : nullptr);
    if (temp.empty())
        return false;
    if (FileStepFails(FileStep::Rename, path) || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool CopyFileBytes(const std::filesystem::path& source, const std::filesystem::path& target) {
    if (FileStepFails(FileStep::Copy, target))
        return false;
    std::string bytes;
    return ReadFileBytes(source, bytes) && WriteFileBytes(target, bytes);
}

bool CGbkLineReader::Open(const std::filesystem::path& path) {
    std::string bytes;
    openError_ = ReadWholeFile(path, bytes);
    if (openError_ != 0) {
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
    GbkToUtf8(std::string_view(bytes_.data() + pos_, stop - pos_), line);
    pos_ = next;
    ++lineNo_;
    return true;
}

void CGbkTextBuilder::Write(std::string_view utf8) {
    const std::size_t start = bytes_.size();
    if (!AppendGbk(utf8, bytes_))
        good_ = false;
    if (bytes_.size() == start)
        return;
    // GBK's trailing bytes are 0x40 and above, so a CR or LF byte is always the character itself.
    const std::size_t lf = bytes_.find('\n', start);
    if (lf != std::string::npos) {
        const std::string gbk = bytes_.substr(start);
        bytes_.resize(start);
        for (char ch : gbk) {
            if (ch == '\n' && !afterCr_)
                bytes_.push_back('\r');
            bytes_.push_back(ch);
            afterCr_ = ch == '\r';
        }
    }
    afterCr_ = bytes_.back() == '\r';
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
    path_ = path;
    buffer_ = CGbkTextBuilder();
    CGbkTextCapture* capture = CGbkTextCapture::Active();
    if (capture && !capture->Writes()) {
        capture_ = capture;
        captureName_ = capture->NameOf(path);
        capture->Start(captureName_, append);
        good_ = true;
        return true;
    }
    file_ = FileStepFails(FileStep::Open, path) ? nullptr : std::fopen(path.c_str(), append ? "ab" : "wb");
    good_ = file_ != nullptr;
    if (good_ && capture) {
        capture_ = capture;
        captureName_ = capture->NameOf(path);
        capture->Start(captureName_, append);
    }
    return good_;
}

void CGbkTextWriter::Write(std::string_view utf8) {
    if (!IsOpen())
        return;
    buffer_.Write(utf8);
    if (buffer_.Bytes().size() >= 1 << 16)
        Flush();
}

void CGbkTextWriter::WriteLine(std::string_view utf8) {
    if (!IsOpen())
        return;
    buffer_.WriteLine(utf8);
    if (buffer_.Bytes().size() >= 1 << 16)
        Flush();
}

void CGbkTextWriter::Flush() {
    if (!IsOpen() || buffer_.Bytes().empty())
        return;
    std::string bytes = buffer_.TakeBytes();
    if (capture_)
        capture_->Add(captureName_, bytes);
    if (file_ && !PutBytes(file_, path_, std::move(bytes)))
        good_ = false;
}

bool CGbkTextWriter::Close() {
    if (!file_ && !capture_)
        return good_ && buffer_.Good();
    Flush();
    if (file_ && !FlushAndClose(file_, path_))
        good_ = false;
    file_ = nullptr;
    capture_ = nullptr;
    return good_ && buffer_.Good();
}

CGbkTextCapture*& CGbkTextCapture::Active() {
    thread_local CGbkTextCapture* active = nullptr;
    return active;
}

CGbkTextCapture::CGbkTextCapture(Keep keep, std::filesystem::path base, std::filesystem::path as)
    : keep_(keep), base_(std::move(base)), as_(std::move(as)), previous_(Active()) {
    Active() = this;
}

std::string CGbkTextCapture::NameOf(const std::filesystem::path& path) const {
    if (base_.empty())
        return path.string();
    const std::filesystem::path relative = path.lexically_relative(base_);
    if (relative.empty() || *relative.begin() == "..")
        return path.string();
    return (as_ / relative).string();
}

void CGbkTextCapture::Digest::AddWord(std::uint64_t word) {
    mix = (mix ^ word) * 0x100000001b3ull;
    mix ^= mix >> 29;
    poly = poly * 0x9e3779b97f4a7c15ull + word + 1;
}

void CGbkTextCapture::Digest::Add(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    // Bytes first fill the word begun by the last call; whole words are then taken as they come.
    while (left > 0 && size % 8 != 0) {
        tail |= static_cast<std::uint64_t>(static_cast<unsigned char>(*p++)) << (8 * (size % 8));
        ++size;
        --left;
        if (size % 8 == 0) {
            AddWord(tail);
            tail = 0;
        }
    }
    for (; left >= 8; p += 8, left -= 8, size += 8) {
        std::uint64_t word = 0;
        for (int i = 0; i < 8; ++i)
            word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
        AddWord(word);
    }
    for (; left > 0; --left, ++size)
        tail |= static_cast<std::uint64_t>(static_cast<unsigned char>(*p++)) << (8 * (size % 8));
}

std::pair<std::uint64_t, std::uint64_t> CGbkTextCapture::Digest::Hashes() const {
    Digest last = *this;
    if (size % 8 != 0)
        last.AddWord(tail);
    return {last.mix, last.poly};
}

void CGbkTextCapture::Start(const std::string& name, bool append) {
    if (keep_ != Keep::Bytes) {
        Digest& d = digests_[name];
        if (!append)
            d = Digest();
        return;
    }
    std::string& bytes = files_[name];
    if (!append)
        bytes.clear();
}

void CGbkTextCapture::Add(const std::string& name, std::string_view bytes) {
    if (keep_ != Keep::Bytes)
        digests_[name].Add(bytes);
    else
        files_[name] += bytes;
}

const std::map<std::string, std::string>& CGbkTextCapture::Files() const {
    if (keep_ != Keep::Bytes) {
        files_.clear();
        for (const auto& [path, d] : digests_) {
            const auto [mix, poly] = d.Hashes();
            files_[path] =
                StrFormat("%llu %016llx %016llx", static_cast<unsigned long long>(d.size),
                          static_cast<unsigned long long>(mix), static_cast<unsigned long long>(poly));
        }
    }
    return files_;
}

CGbkTextCapture::~CGbkTextCapture() {
    Active() = previous_;
}

} // namespace platform
