// Adding one entry: the stored name, the source file read in chunks and deflated (or written as
// stored deflate blocks when deflate cannot shrink it), and the entry completed on disk.
#include "ziparchive/ZipArchive.h"
#include "ziparchive/ZipArchiveUtil.h"

#include "platform/FileFaults.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using zipdetail::Crc32;
using zipdetail::FdGuard;
using zipdetail::TrimTrailingSlashes;

std::string CZipArchive::StoredNameFor(const std::string& path, bool fullPath) const {
    if (fullPath) {
        std::size_t i = path.find_first_not_of('/');
        return i == std::string::npos ? std::string() : path.substr(i);
    }
    if (!m_szRootPath.empty()) {
        const std::string& root = m_szRootPath;
        const bool endsInSep = root.back() == '/';
        if (path.size() >= root.size() && path.compare(0, root.size(), root) == 0 &&
            (endsInSep || path.size() == root.size() || path[root.size()] == '/')) {
            std::size_t n = root.size() + (endsInSep ? 0 : 1);
            return n >= path.size() ? std::string() : path.substr(n);
        }
    }
    return fs::path(path).filename().string();
}

bool CZipArchive::PrepareAdd(const std::string& path, bool fullPath, std::string& name,
                             struct stat& st) const {
    name = StoredNameFor(path, fullPath);
    if (name.empty() || !IsSafeEntryName(name))
        return false;
    if (platform::FileStepFails(platform::FileStep::Stat, path) || ::stat(path.c_str(), &st) != 0)
        return false;
    const bool isDir = S_ISDIR(st.st_mode);
    if (!isDir && !S_ISREG(st.st_mode))
        return false; // devices and pipes are no files to pack
    if (isDir)
        name += '/';
    return true;
}

bool CZipArchive::AddFile(const std::string& pathIn, int level, bool fullPath, ZipProgressFunc progress,
                          void* userValue, std::size_t bufferSize) {
    if (bufferSize == 0 || IsClosed(false))
        return false;
    const std::string path = TrimTrailingSlashes(pathIn);
    std::string name;
    struct stat st {};
    if (!PrepareAdd(path, fullPath, name, st))
        return false;
    const bool isDir = S_ISDIR(st.st_mode);

    // The source is opened before the entry, so a source that cannot be read leaves the archive
    // exactly as it was.
    FdGuard src;
    bool flat = false; // written as stored deflate blocks
    if (!isDir) {
        src.fd = platform::FileStepFails(platform::FileStep::Open, path)
                     ? -1
                     : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (src.fd < 0)
            return false;
        // A sample the probe cannot read is a read of the source that failed, told as the copy's
        // own reads are, before the entry is opened.
        int probeError = 0;
        flat =
            m_shrinkProbe.CannotShrink(static_cast<std::uint64_t>(st.st_size), level,
                                       [&](std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
                                           if (platform::ReadFileAt(src.fd, buffer, length, offset, path))
                                               return true;
                                           probeError = errno;
                                           return false;
                                       });
        if (probeError != 0)
            throw CZipFileException(path, "read", probeError);
    }

    CZipEntryHeader header;
    header.SetFileName(name);
    if (!OpenNewEntryFrom(header, isDir ? 0 : level, &st, flat ? entryFlat : entryDeflate))
        return false;
    if (!isDir) {
        if (m_readBuffer.size() != bufferSize)
            m_readBuffer.resize(bufferSize);
        const auto total = static_cast<std::uint64_t>(st.st_size);
        std::uint64_t done = 0;
        for (;;) {
            const long n = platform::ReadFileChunk(src.fd, m_readBuffer.data(), m_readBuffer.size(), path);
            if (n < 0)
                throw CZipFileException(path, "read", errno);
            if (n == 0)
                break;
            WriteToNewEntry(m_readBuffer.data(), static_cast<std::size_t>(n));
            done += static_cast<std::uint64_t>(n);
            if (progress && !progress(total, done, userValue))
                break;
        }
    }
    return CloseNewEntry();
}

bool CZipArchive::OpenNewEntry(CZipEntryHeader& header, int level, const std::string& sourcePath) {
    if (sourcePath.empty())
        return OpenNewEntryFrom(header, level, nullptr);
    struct stat st {};
    if (platform::FileStepFails(platform::FileStep::Stat, sourcePath) || ::stat(sourcePath.c_str(), &st) != 0)
        return false;
    return OpenNewEntryFrom(header, level, &st);
}

bool CZipArchive::OpenNewEntryFrom(CZipEntryHeader& header, int level, const struct stat* source,
                                   EntryData how) {
    if (IsClosed(false) || m_iFileOpened != stateIdle || m_storage.IsSpanned() == -1 ||
        m_storage.IsReadOnly())
        return false;
    if (m_centralDir.m_headers.size() >= 0xFFFF)
        return false;
    if (source) {
        header.SetTime(source->st_mtime);
        std::uint32_t attr = S_ISDIR(source->st_mode) ? 0x10u : 0x20u;
        if (!(source->st_mode & S_IWUSR))
            attr |= 0x01u; // read-only
        header.m_uExternalAttr = attr;
    }
    if (header.GetFileName().empty())
        header.SetFileName(platform::StrFormat("file%i", GetEntryCount()));
    if (!header.ConvertName(true))
        return false; // the name has no GBK form; stored otherwise it would come back changed

    const bool newSpan = m_storage.IsSpanned() == 1;
    const bool encrypted = !m_pszPassword.empty();
    const bool isDir = (header.m_uExternalAttr & 0x10) != 0;
    if (isDir)
        level = 0;
    if (!header.Prepare(level, newSpan, encrypted))
        ThrowError(CZipException::codeTooLongData);

    m_info.m_pBuffer.Allocate(m_info.m_iBufferSize);
    CZipEntryHeader* entry = m_centralDir.AddNewHeader(header);
    m_iFileOpened = stateAdding;
    entry->WriteLocal(m_storage);
    m_info.m_uComprLeft = 0;
    m_info.m_uComprTotal = encrypted ? 12 : 0;
    m_info.m_uUncomprTotal = 0;
    m_info.m_uCrc32 = 0;
    if (encrypted) {
        std::uint8_t buf[12];
        CryptInitKeys();
        CryptCryptHeader(static_cast<std::uint32_t>(entry->m_uModTime) << 16, buf);
        m_storage.Write(buf, 12, false);
    }
    m_bRawEntry = how == entryRaw;
    m_bFlatEntry = how == entryFlat && entry->m_uMethod == 8;
    if (m_bFlatEntry || m_bRawEntry)
        m_storedBlocks.Reset();
    else if (entry->m_uMethod == 8)
        PrepareDeflate(level);
    m_deflate.next_out = m_info.m_pBuffer.Data();
    m_deflate.avail_out = static_cast<uInt>(m_info.m_pBuffer.GetSize());
    return true;
}

void CZipArchive::PrepareDeflate(int level) {
    if (m_bDeflateReady && m_iDeflateLevel == level) {
        CheckForError(deflateReset(&m_deflate));
        return;
    }
    EndDeflate(false);
    std::memset(&m_deflate, 0, sizeof(m_deflate));
    m_deflate.zalloc = &CZipArchive::MyAlloc;
    m_deflate.zfree = &CZipArchive::MyFree;
    m_deflate.opaque = this;
    CheckForError(zipdeflate::Init(m_deflate, level));
    m_bDeflateReady = true;
    m_iDeflateLevel = level;
}

void CZipArchive::EndDeflate(bool afterException) {
    // After an exception the state's blocks are freed with the rest of zlib's memory.
    if (m_bDeflateReady && !afterException)
        deflateEnd(&m_deflate);
    m_bDeflateReady = false;
    std::memset(&m_deflate, 0, sizeof(m_deflate));
}

void CZipArchive::CopyToNewEntryBuffer(const std::uint8_t* p, std::size_t length) {
    const std::size_t size = m_info.m_pBuffer.GetSize();
    while (length > 0) {
        std::size_t n = std::min(size - static_cast<std::size_t>(m_info.m_uComprLeft), length);
        std::memcpy(m_info.m_pBuffer.Data() + m_info.m_uComprLeft, p, n);
        m_info.m_uComprLeft += n;
        p += n;
        length -= n;
        if (m_info.m_uComprLeft == size)
            FlushNewEntryBuffer();
    }
}

void CZipArchive::FlushNewEntryBuffer() {
    std::size_t n = static_cast<std::size_t>(m_info.m_uComprLeft);
    if (n == 0)
        return;
    if (!m_pszPassword.empty())
        CryptEncodeBuffer(m_info.m_pBuffer.Data(), n);
    m_storage.Write(m_info.m_pBuffer.Data(), n, false);
    m_info.m_uComprTotal += n;
    m_info.m_uComprLeft = 0;
    m_deflate.next_out = m_info.m_pBuffer.Data();
    m_deflate.avail_out = static_cast<uInt>(m_info.m_pBuffer.GetSize());
}

bool CZipArchive::WriteToNewEntry(const void* data, std::size_t length) {
    if (m_iFileOpened != stateAdding || m_bRawEntry)
        return false;
    if (length == 0)
        return true;
    m_info.m_uCrc32 = Crc32(m_info.m_uCrc32, data, length);
    m_info.m_uUncomprTotal += length;
    const auto* p = static_cast<const std::uint8_t*>(data);
    const std::size_t size = m_info.m_pBuffer.GetSize();
    if (m_centralDir.m_pOpenedFile->m_uMethod == 0) {
        CopyToNewEntryBuffer(p, length);
        return true;
    }
    if (m_bFlatEntry) {
        m_storedBlocks.Write(p, length,
                             [this](const std::uint8_t* b, std::size_t n) { CopyToNewEntryBuffer(b, n); });
        return true;
    }
    z_stream& zs = m_deflate;
    while (length > 0) {
        uInt chunk = static_cast<uInt>(std::min<std::size_t>(length, 1u << 30));
        zs.next_in = const_cast<Bytef*>(p);
        zs.avail_in = chunk;
        while (zs.avail_in > 0) {
            if (zs.avail_out == 0) {
                m_info.m_uComprLeft = size;
                FlushNewEntryBuffer();
            }
            CheckForError(deflate(&zs, Z_NO_FLUSH));
            m_info.m_uComprLeft = size - zs.avail_out;
        }
        p += chunk;
        length -= chunk;
    }
    return true;
}

bool CZipArchive::CloseNewEntry() {
    if (m_iFileOpened != stateAdding)
        return false;
    CZipEntryHeader& h = *m_centralDir.m_pOpenedFile;
    const std::size_t size = m_info.m_pBuffer.GetSize();
    if (m_bRawEntry) {
        m_bRawEntry = false;
    } else if (m_bFlatEntry) {
        m_storedBlocks.Finish([this](const std::uint8_t* b, std::size_t n) { CopyToNewEntryBuffer(b, n); });
        FlushNewEntryBuffer();
        m_bFlatEntry = false;
    } else if (h.m_uMethod == 8) {
        z_stream& zs = m_deflate;
        zs.next_in = nullptr;
        zs.avail_in = 0;
        for (;;) {
            if (zs.avail_out == 0) {
                m_info.m_uComprLeft = size;
                FlushNewEntryBuffer();
            }
            int err = deflate(&zs, Z_FINISH);
            m_info.m_uComprLeft = size - zs.avail_out;
            if (err == Z_STREAM_END)
                break;
            CheckForError(err);
        }
        FlushNewEntryBuffer();
    } else {
        FlushNewEntryBuffer();
    }
    if (m_info.m_uComprTotal > 0xFFFFFFFFu || m_info.m_uUncomprTotal > 0xFFFFFFFFu)
        ThrowError(0); // larger than a zip archive without Zip64 can describe
    h.m_uCrc32 = m_info.m_uCrc32;
    h.m_uComprSize = static_cast<std::uint32_t>(m_info.m_uComprTotal);
    h.m_uUncomprSize = static_cast<std::uint32_t>(m_info.m_uUncomprTotal);
    m_centralDir.CloseNewEntry(m_storage.IsSpanned() == 1, h.IsEncrypted());
    m_iFileOpened = stateIdle;
    return true;
}
