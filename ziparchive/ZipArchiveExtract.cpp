// Extracting one entry: positioned at its data, inflated (or copied) with its CRC checked and no
// more than its declared size produced, and written to a new file under the target folder.
#include "platform/FileFaults.h"
#include "ziparchive/ZipArchive.h"
#include "ziparchive/ZipArchiveUtil.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using zipdetail::Crc32;
using zipdetail::FdGuard;
using zipdetail::TrimTrailingSlashes;

bool CZipArchive::OpenEntry(int index) {
    if (IsClosed(false) || !m_centralDir.IsValidIndex(index) || m_storage.IsSpanned() == 1 ||
        m_iFileOpened != stateIdle)
        return false;
    m_centralDir.OpenEntry(index);
    CZipEntryHeader& h = *m_centralDir.m_pOpenedFile;
    if (h.IsEncrypted()) {
        if (m_pszPassword.empty()) {
            m_centralDir.m_pOpenedFile = nullptr;
            return false;
        }
        std::uint8_t buf[12];
        m_storage.Read(buf, 12, true);
        if (!CryptCheckHeader(h, buf))
            ThrowError(CZipException::codeBadPassword);
    }
    const std::uint32_t overhead = h.IsEncrypted() ? 12 : 0;
    if (h.m_uComprSize < overhead)
        ThrowError(CZipException::codeBadZipFile);
    if (h.m_uMethod == 8) {
        // One inflate state per archive, reset between entries, as the deflate state.
        if (m_bInflateReady) {
            CheckForError(inflateReset(&m_info.m_stream));
        } else {
            ResetStream();
            CheckForError(inflateInit2_(&m_info.m_stream, -MAX_WBITS, ZLIB_VERSION,
                                        static_cast<int>(sizeof(z_stream))));
            m_bInflateReady = true;
        }
    } else if (h.m_uMethod != 0) {
        ThrowError(CZipException::codeBadZipFile);
    }
    m_info.m_pBuffer.Allocate(m_info.m_iBufferSize);
    m_info.m_uComprLeft = h.m_uComprSize - overhead;
    m_info.m_uUncomprLeft = h.m_uUncomprSize;
    m_info.m_uCrc32 = 0;
    m_info.m_bStreamEnd = false;
    m_iFileOpened = stateExtracting;
    return true;
}

std::size_t CZipArchive::ReadFromEntry(void* buffer, std::size_t length) {
    if (m_iFileOpened != stateExtracting || !buffer || length == 0)
        return 0;
    // Never more than the entry declares: a stream that holds more is refused when it is met.
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(length, m_info.m_uUncomprLeft));
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::size_t produced =
        m_centralDir.m_pOpenedFile->m_uMethod == 0 ? ReadStored(out, want) : ReadDeflated(out, want);
    m_info.m_uCrc32 = Crc32(m_info.m_uCrc32, out, produced);
    m_info.m_uUncomprLeft -= produced;
    return produced;
}

std::size_t CZipArchive::ReadStored(std::uint8_t* out, std::size_t want) {
    const bool encrypted = m_centralDir.m_pOpenedFile->IsEncrypted();
    std::size_t produced = 0;
    while (produced < want && m_info.m_uComprLeft > 0) {
        const auto n =
            static_cast<std::size_t>(std::min<std::uint64_t>(want - produced, m_info.m_uComprLeft));
        const std::size_t got = m_storage.Read(out + produced, n, false);
        if (encrypted)
            CryptDecodeBuffer(out + produced, got);
        m_info.m_uComprLeft -= got;
        produced += got;
        if (got < n)
            break;
    }
    return produced;
}

void CZipArchive::RefillInflateInput() {
    z_stream& zs = m_info.m_stream;
    const auto n =
        static_cast<std::size_t>(std::min<std::uint64_t>(m_info.m_pBuffer.GetSize(), m_info.m_uComprLeft));
    const std::size_t got = m_storage.Read(m_info.m_pBuffer.Data(), n, false);
    if (m_centralDir.m_pOpenedFile->IsEncrypted())
        CryptDecodeBuffer(m_info.m_pBuffer.Data(), got);
    m_info.m_uComprLeft -= got;
    zs.next_in = m_info.m_pBuffer.Data();
    zs.avail_in = static_cast<uInt>(got);
}

std::size_t CZipArchive::ReadDeflated(std::uint8_t* out, std::size_t want) {
    z_stream& zs = m_info.m_stream;
    zs.next_out = out;
    zs.avail_out = static_cast<uInt>(want);
    while (zs.avail_out > 0 && !m_info.m_bStreamEnd) {
        if (zs.avail_in == 0 && m_info.m_uComprLeft > 0)
            RefillInflateInput();
        const int err = inflate(&zs, Z_SYNC_FLUSH);
        if (err == Z_STREAM_END) {
            m_info.m_bStreamEnd = true;
            break;
        }
        // Nothing left to read and no progress possible: the data was cut short.
        if (err == Z_BUF_ERROR && zs.avail_in == 0 && m_info.m_uComprLeft == 0)
            break;
        CheckForError(err);
    }
    const std::size_t produced = want - zs.avail_out;
    if (m_info.m_uUncomprLeft == produced && !m_info.m_bStreamEnd)
        FinishInflate();
    if (m_info.m_bStreamEnd && m_info.m_uComprLeft > 0) {
        // Bytes after the end of the stream belong to the entry but carry nothing.
        m_storage.SeekBy(static_cast<std::int64_t>(m_info.m_uComprLeft));
        m_info.m_uComprLeft = 0;
    }
    return produced;
}

void CZipArchive::FinishInflate() {
    // All declared bytes are out: the rest of the compressed data is fed so that the stream end
    // is reached and the storage stands after the entry's data. Any byte it still yields is more
    // than the entry declares.
    z_stream& zs = m_info.m_stream;
    std::uint8_t scratch[64];
    for (;;) {
        if (zs.avail_in == 0 && m_info.m_uComprLeft > 0)
            RefillInflateInput();
        zs.next_out = scratch;
        zs.avail_out = sizeof(scratch);
        const int err = inflate(&zs, Z_SYNC_FLUSH);
        if (zs.avail_out != sizeof(scratch))
            ThrowError(CZipException::codeBadZipFile);
        if (err == Z_STREAM_END) {
            m_info.m_bStreamEnd = true;
            return;
        }
        if (err == Z_BUF_ERROR && zs.avail_in == 0 && m_info.m_uComprLeft == 0)
            return;
        CheckForError(err);
    }
}

int CZipArchive::CloseExtractedFile(const std::string& targetPath, bool afterException) {
    if (m_iFileOpened != stateExtracting)
        return 0;
    CZipEntryHeader& h = *m_centralDir.m_pOpenedFile;
    int ret = 1;
    if (!afterException) {
        if (m_info.m_uUncomprLeft > 0)
            ret = -1;
        else if (h.m_uMethod == 0 && m_info.m_uComprLeft > 0)
            ThrowError(CZipException::codeBadZipFile); // stored data longer than the header says
        else if (m_info.m_uCrc32 != h.m_uCrc32)
            ThrowError(CZipException::codeBadCrc);
    }
    if (!targetPath.empty() && ret == 1) {
        struct timespec times[2];
        EntryTimes(h, times);
        if (::utimensat(AT_FDCWD, targetPath.c_str(), times, 0) != 0)
            ret = 0;
        else if (!SetAttributes(targetPath, h))
            ret = -2;
    }
    // The data descriptor follows the data only when all of it was read.
    const bool allRead = m_info.m_uComprLeft == 0;
    if (!afterException && ret != -1 && allRead)
        m_centralDir.CloseEntry();
    else
        m_centralDir.m_pOpenedFile = nullptr;
    m_iFileOpened = stateIdle;
    if (afterException) {
        // The kept inflate and deflate states are among the blocks freed here; the next entry
        // makes new ones.
        m_info.m_pBuffer.Release();
        EndInflate(false);
        EndDeflate(false);
        EmptyPtrList();
        ResetStream();
    }
    return ret;
}

void CZipArchive::EndInflate(bool afterException) {
    // After an exception the state's blocks are freed with the rest of zlib's memory.
    if (m_bInflateReady && !afterException)
        inflateEnd(&m_info.m_stream);
    m_bInflateReady = false;
}

bool CZipArchive::ExtractFile(int index, const std::string& folder, bool fullPath, const std::string& newName,
                              ZipProgressFunc progress, void* userValue, std::size_t bufferSize) {
    if (bufferSize == 0 || folder.empty() || IsClosed(false) || !m_centralDir.IsValidIndex(index))
        return false;
    const CZipEntryHeader& h = *m_centralDir.m_headers[static_cast<std::size_t>(index)];
    // The stored name keeps its folders with or without the full-path flag; a name that would
    // lead outside the folder (absolute, a drive, "..") is refused rather than cut down.
    (void)fullPath;
    std::string name = newName.empty() ? h.GetFileName() : newName;
    if (!IsSafeEntryName(name))
        return false;
    name = TrimTrailingSlashes(name);
    std::string target = TrimTrailingSlashes(folder);
    if (target != "/")
        target += '/';
    target += name;

    if (h.IsDirectory()) {
        if (!MakeFolder(target))
            return false;
        SetAttributes(target, h);
        struct timespec times[2];
        EntryTimes(h, times);
        ::utimensat(AT_FDCWD, target.c_str(), times, 0);
        return true;
    }
    if (!OpenEntry(index))
        return false;
    // Entries come folder by folder: the folder of the last file is known to be there.
    const std::size_t slash = target.rfind('/');
    const std::string parent = slash == 0 ? std::string("/") : target.substr(0, slash);
    if (parent != m_szLastFolder) {
        if (!MakeFolder(parent)) {
            CloseExtractedFile({}, true);
            return false;
        }
        m_szLastFolder = parent;
    }
    FdGuard dst;
    dst.fd = CreateTargetFile(target, parent);
    int ret = 0;
    try {
        ret = WriteEntryTo(dst.fd, target, h, progress, userValue, bufferSize);
        const int fd = dst.fd;
        dst.fd = -1;
        if (::close(fd) != 0)
            throw CZipFileException(target, "close", errno);
    } catch (...) {
        // No half-written or corrupt file is left behind.
        platform::RemoveFile(target);
        throw;
    }
    if (ret == -1)
        platform::RemoveFile(target);
    return ret == 1;
}

int CZipArchive::CreateTargetFile(const std::string& target, const std::string& parent) {
    // Always a new file: an existing one (from an earlier extraction, read-only perhaps, or a
    // link) is replaced rather than written through, and a new file spares the file system the
    // flush it starts when a truncated file is closed.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW;
    auto create = [&] {
        return platform::FileStepFails(platform::FileStep::Open, target)
                   ? -1
                   : ::open(target.c_str(), flags, 0666);
    };
    int fd = create();
    if (fd < 0 && errno == ENOENT && MakeFolder(parent)) {
        // The folder went away since the last file (removed between two calls).
        fd = create();
    }
    if (fd < 0 && errno == EEXIST) {
        // A file only: unlink leaves a folder of the name, and the create then fails.
        if (!platform::FileStepFails(platform::FileStep::Remove, target))
            ::unlink(target.c_str());
        fd = create();
    }
    if (fd < 0)
        throw CZipFileException(target, "create", errno);
    if (m_pJournal)
        m_pJournal->AddFile(target);
    return fd;
}

int CZipArchive::WriteEntryTo(int fd, const std::string& target, const CZipEntryHeader& h,
                              ZipProgressFunc progress, void* userValue, std::size_t bufferSize) {
    if (m_readBuffer.size() != bufferSize)
        m_readBuffer.resize(bufferSize);
    std::uint8_t* const buf = m_readBuffer.data();
    const std::uint64_t total = h.m_uUncomprSize;
    std::uint64_t done = 0;
    for (;;) {
        const std::size_t n = ReadFromEntry(buf, bufferSize);
        std::size_t written = 0;
        while (written < n) {
            const ssize_t w = ::write(fd, buf + written, n - written);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                throw CZipFileException(target, "write", w < 0 ? errno : 0);
            written += static_cast<std::size_t>(w);
        }
        done += n;
        if (progress && !progress(total, done, userValue))
            break;
        if (n < bufferSize)
            break;
    }
    int ret = CloseExtractedFile({});
    if (ret == 1) {
        // Time and mode through the open file: no second lookup of the path.
        struct timespec times[2];
        EntryTimes(h, times);
        if (::futimens(fd, times) != 0)
            ret = 0;
        else if (!SetFileAttributes(fd, h))
            ret = -2;
    }
    return ret;
}
