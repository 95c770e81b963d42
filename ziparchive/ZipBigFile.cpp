#include "ziparchive/ZipBigFile.h"

#include "platform/FileFaults.h"
#include "ziparchive/ZipException.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Repeats a read or write call (given the bytes done so far) until count bytes are done; a call
// interrupted by a signal is repeated. A read stops early at the end of the file; a write that
// makes no progress is an error, as is any other failure.
template <class Call>
std::size_t Transfer(const std::string& file, bool reading, std::size_t count, Call call) {
    const char* what = reading ? "read" : "write";
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = call(done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw CZipFileException(file, what, errno);
        }
        if (n == 0) {
            if (reading)
                break;
            throw CZipFileException(file, what, 0);
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

CZipBigFile::~CZipBigFile() {
    Abort();
}

void CZipBigFile::Open(const std::string& path, int flags) {
    Abort();
    int oflags = O_CLOEXEC;
    oflags |= (flags & modeReadWrite) ? O_RDWR : O_RDONLY;
    if (flags & modeCreate) {
        oflags |= O_CREAT;
        if (!(flags & modeNoTruncate))
            oflags |= O_TRUNC;
    }
    int fd =
        platform::FileStepFails(platform::FileStep::Open, path) ? -1 : ::open(path.c_str(), oflags, 0666);
    if (fd < 0)
        throw CZipFileException(path, "open", errno);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw CZipFileException(path, "open", EISDIR);
    }
    m_fd = fd;
    m_uPos = 0;
    m_bPosKnown = true;
    m_uLength = static_cast<std::uint64_t>(st.st_size);
    m_bLengthKnown = S_ISREG(st.st_mode);
    SetFilePath(path);
}

void CZipBigFile::Close() {
    if (m_fd < 0)
        return;
    int fd = m_fd;
    m_fd = -1;
    Forget();
    if (::close(fd) != 0)
        throw CZipFileException(m_strFileName, "close", errno);
}

void CZipBigFile::Abort() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    Forget();
}

std::uint64_t CZipBigFile::Seek(std::int64_t offset, SeekFrom from) {
    if (m_bPosKnown) {
        // Already there: nothing to ask the system.
        if ((from == current && offset == 0) ||
            (from == begin && offset >= 0 && static_cast<std::uint64_t>(offset) == m_uPos))
            return m_uPos;
        if (from == end && offset == 0 && IsAtEnd())
            return m_uPos;
    }
    int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
    off_t pos = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (pos < 0) {
        Forget();
        throw CZipFileException(m_strFileName, "seek", errno);
    }
    m_uPos = static_cast<std::uint64_t>(pos);
    m_bPosKnown = true;
    if (from == end && offset == 0) {
        m_uLength = m_uPos;
        m_bLengthKnown = true;
    }
    return m_uPos;
}

std::uint64_t CZipBigFile::GetPosition() const {
    if (m_bPosKnown)
        return m_uPos;
    off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
    if (pos < 0)
        throw CZipFileException(m_strFileName, "seek", errno);
    return static_cast<std::uint64_t>(pos);
}

std::uint64_t CZipBigFile::GetLength() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        throw CZipFileException(m_strFileName, "status", errno);
    return static_cast<std::uint64_t>(st.st_size);
}

void CZipBigFile::SetLength(std::uint64_t length) {
    if (::ftruncate(m_fd, static_cast<off_t>(length)) != 0) {
        Forget();
        throw CZipFileException(m_strFileName, "set length", errno);
    }
    m_uLength = length;
    m_bLengthKnown = true;
}

std::size_t CZipBigFile::Read(void* buffer, std::size_t count) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    try {
        done = Transfer(m_strFileName, true, count,
                        [&](std::size_t d) { return ::read(m_fd, out + d, count - d); });
    } catch (...) {
        Forget();
        throw;
    }
    m_uPos += done;
    return done;
}

void CZipBigFile::Write(const void* data, std::size_t count) {
    const auto* in = static_cast<const char*>(data);
    try {
        Transfer(m_strFileName, false, count,
                 [&](std::size_t done) { return ::write(m_fd, in + done, count - done); });
    } catch (...) {
        Forget();
        throw;
    }
    m_uPos += count;
    Grown(m_uPos);
}

void CZipBigFile::Flush() {
    // Writes go straight to the system; nothing is held in this object.
}

std::size_t CZipBigFile::ReadAt(std::uint64_t position, void* buffer, std::size_t count) {
    auto* out = static_cast<char*>(buffer);
    return Transfer(m_strFileName, true, count, [&](std::size_t done) {
        return ::pread(m_fd, out + done, count - done, static_cast<off_t>(position + done));
    });
}

void CZipBigFile::WriteAt(std::uint64_t position, const void* data, std::size_t count) {
    const auto* in = static_cast<const char*>(data);
    try {
        Transfer(m_strFileName, false, count, [&](std::size_t done) {
            return ::pwrite(m_fd, in + done, count - done, static_cast<off_t>(position + done));
        });
    } catch (...) {
        m_bLengthKnown = false;
        throw;
    }
    Grown(position + count);
}
