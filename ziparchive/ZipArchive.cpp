#include "ziparchive/ZipArchive.h"

#include "platform/Gbk.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Closes a POSIX file descriptor when it goes out of scope.
struct FdGuard {
    int fd = -1;
    ~FdGuard() {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string TrimTrailingSlashes(std::string s) {
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t length) {
    const auto* p = static_cast<const Bytef*>(data);
    uLong c = crc;
    while (length > 0) {
        uInt n = static_cast<uInt>(std::min<std::size_t>(length, 1u << 30));
        c = crc32(c, p, n);
        p += n;
        length -= n;
    }
    return static_cast<std::uint32_t>(c);
}

} // namespace

CZipArchive::CZipArchive() = default;

CZipArchive::~CZipArchive() {
    try {
        Close(false);
    } catch (...) {
        try {
            Close(true);
        } catch (...) {
        }
    }
    EmptyPtrList();
}

void CZipArchive::ThrowError(int code) const {
    ZipThrow(code, m_storage.IsOpen() ? m_storage.GetFilePath() : m_szArchivePath);
}

void CZipArchive::CheckForError(int err) const {
    if (err == Z_OK)
        return;
    ThrowError(err);
}

void* CZipArchive::MyAlloc(void* opaque, uInt items, uInt size) {
    void* p = std::calloc(items, size);
    auto* self = static_cast<CZipArchive*>(opaque);
    if (p && self->m_bDetectZlibMemoryLeaks)
        self->m_list.push_back(p);
    return p;
}

void CZipArchive::MyFree(void* opaque, void* address) {
    auto* self = static_cast<CZipArchive*>(opaque);
    auto it = std::find(self->m_list.begin(), self->m_list.end(), address);
    if (it != self->m_list.end())
        self->m_list.erase(it);
    std::free(address);
}

void CZipArchive::EmptyPtrList() {
    for (void* p : m_list)
        std::free(p);
    m_list.clear();
}

void CZipArchive::ResetStream() {
    std::memset(&m_info.m_stream, 0, sizeof(m_info.m_stream));
    m_info.m_stream.zalloc = &CZipArchive::MyAlloc;
    m_info.m_stream.zfree = &CZipArchive::MyFree;
    m_info.m_stream.opaque = this;
}

bool CZipArchive::Open(const std::string& path, int mode, std::int64_t volumeSize) {
    if (!IsClosed(false))
        return false;
    m_pszPassword.clear();
    m_iFileOpened = stateIdle;
    m_szArchivePath = path;
    m_storage.Open(path, mode, volumeSize);
    m_centralDir.Init(&m_storage);
    if (mode == zipOpen || mode == zipOpenReadOnly) {
        try {
            m_centralDir.Read();
        } catch (...) {
            m_centralDir.Clear(true);
            m_storage.Close(true);
            throw;
        }
    }
    return true;
}

void CZipArchive::Close(bool afterException) {
    if (IsClosed(false)) {
        if (afterException)
            m_storage.Close(true);
        return;
    }
    if (!afterException) {
        if (m_iFileOpened == stateExtracting)
            CloseExtractedFile({}, true);
        if (m_iFileOpened == stateAdding)
            CloseNewEntry();
        m_centralDir.Write();
        EndDeflate(false);
        EndInflate(false);
        m_info.m_pBuffer.Release();
    } else {
        // Keep what was added before the failure: the unfinished entry is cut off and the
        // central directory of the complete ones is written, so an archive that was being
        // extended is not left without its directory.
        if (m_centralDir.IsChanged() && m_storage.IsSpanned() == 0 && !m_storage.IsReadOnly()) {
            try {
                if (m_iFileOpened == stateAdding)
                    m_centralDir.DropNewEntry();
                m_centralDir.Write();
            } catch (...) {
            }
        }
        m_info.m_pBuffer.Release();
        m_iFileOpened = stateIdle;
        EndDeflate(true);
        EndInflate(true);
        EmptyPtrList();
        ResetStream();
    }
    m_bRawEntry = false;
    m_bFlatEntry = false;
    m_szLastFolder.clear();
    m_bUmaskKnown = false;
    m_bLastTimeKnown = false;
    m_readBuffer.clear();
    m_readBuffer.shrink_to_fit();
    m_centralDir.Clear(true);
    m_storage.Close(afterException);
}

void CZipArchive::SetBufferSizes(int writeBuffer, int generalBuffer, int searchBuffer) {
    if (!IsClosed(false))
        return;
    m_storage.m_iWriteBufferSize = std::max(writeBuffer, 1024);
    m_info.m_iBufferSize = static_cast<std::size_t>(std::max(generalBuffer, 1024));
    m_centralDir.m_iBufferSize = std::max(searchBuffer, 1024);
}

void CZipArchive::SetVolumeCallback(ZipVolumeCallback callback, void* userValue) {
    m_storage.m_pChangeDiskFunc = callback;
    m_storage.m_pCallbackData = userValue;
}

bool CZipArchive::SetPassword(const std::string& password) {
    if (m_iFileOpened != stateIdle)
        return false;
    std::string gbk;
    if (!platform::Utf8ToGbk(password, gbk))
        return false;
    m_pszPassword = std::move(gbk);
    return true;
}

std::string CZipArchive::GetGlobalComment() const {
    const auto& c = m_centralDir.m_pszComment;
    return std::string(reinterpret_cast<const char*>(c.Data()), c.GetSize());
}

bool CZipArchive::IsClosed(bool checkDisk) const {
    if (checkDisk)
        return m_storage.GetCurrentDisk() == -1;
    return !m_storage.IsOpen();
}

std::string CZipArchive::GetArchiveName() const {
    return fs::path(m_szArchivePath).filename().string();
}

bool CZipArchive::GetEntryInfo(int index, CZipEntryHeader& header) const {
    if (IsClosed(false) || !m_centralDir.IsValidIndex(index))
        return false;
    header = *m_centralDir.m_headers[static_cast<std::size_t>(index)];
    return true;
}

bool CZipArchive::IsSafeEntryName(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos)
        return false;
    if (name.front() == '/' || name.front() == '\\')
        return false;
    if (name.size() >= 2 && name[1] == ':')
        return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t sep = name.find_first_of("/\\", start);
        std::string part = name.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
        if (part == "..")
            return false;
        if (sep == std::string::npos)
            break;
        start = sep + 1;
    }
    return true;
}

bool CZipArchive::ForceDirectory(const std::string& path) {
    std::error_code ec;
    if (path.empty())
        return false;
    if (fs::is_directory(path, ec))
        return true;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

// ---------------------------------------------------------------------------------------------
// Adding

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
    if (::stat(path.c_str(), &st) != 0)
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
        src.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (src.fd < 0)
            return false;
        flat =
            m_shrinkProbe.CannotShrink(static_cast<std::uint64_t>(st.st_size), level,
                                       [&](std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
                                           std::size_t done = 0;
                                           while (done < length) {
                                               const ssize_t n = ::pread(src.fd, buffer + done, length - done,
                                                                         static_cast<off_t>(offset + done));
                                               if (n < 0 && errno == EINTR)
                                                   continue;
                                               if (n <= 0)
                                                   return false;
                                               done += static_cast<std::size_t>(n);
                                           }
                                           return true;
                                       });
    }

    CZipEntryHeader header;
    header.SetFileName(name);
    if (!OpenNewEntryFrom(header, isDir ? 0 : level, &st, flat))
        return false;
    if (!isDir) {
        if (m_readBuffer.size() != bufferSize)
            m_readBuffer.resize(bufferSize);
        const auto total = static_cast<std::uint64_t>(st.st_size);
        std::uint64_t done = 0;
        for (;;) {
            ssize_t n = ::read(src.fd, m_readBuffer.data(), m_readBuffer.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw CZipFileException(path, "read", errno);
            }
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

bool CZipArchive::AddCompressedFile(const std::string& pathIn, bool fullPath, int level,
                                    const std::vector<std::uint8_t>& data, std::uint32_t crc,
                                    std::uint64_t size) {
    const std::string path = TrimTrailingSlashes(pathIn);
    std::string name;
    struct stat st {};
    if (!PrepareAdd(path, fullPath, name, st) || !S_ISREG(st.st_mode))
        return false;
    CZipEntryHeader header;
    header.SetFileName(name);
    if (!OpenNewEntryFrom(header, level, &st))
        return false;
    m_bRawEntry = true;
    if (!data.empty())
        m_storage.Write(data.data(), data.size(), false);
    m_info.m_uComprTotal = data.size();
    m_info.m_uUncomprTotal = size;
    m_info.m_uCrc32 = crc;
    return CloseNewEntry();
}

bool CZipArchive::OpenNewEntry(CZipEntryHeader& header, int level, const std::string& sourcePath) {
    if (sourcePath.empty())
        return OpenNewEntryFrom(header, level, nullptr);
    struct stat st {};
    if (::stat(sourcePath.c_str(), &st) != 0)
        return false;
    return OpenNewEntryFrom(header, level, &st);
}

bool CZipArchive::OpenNewEntryFrom(CZipEntryHeader& header, int level, const struct stat* source, bool flat) {
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
    m_bRawEntry = false;
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
    m_bFlatEntry = flat && entry->m_uMethod == 8;
    if (m_bFlatEntry)
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

void CZipArchive::EndInflate(bool afterException) {
    // After an exception the state's blocks are freed with the rest of zlib's memory.
    if (m_bInflateReady && !afterException)
        inflateEnd(&m_info.m_stream);
    m_bInflateReady = false;
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

// ---------------------------------------------------------------------------------------------
// Extracting

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
    const CZipEntryHeader& h = *m_centralDir.m_pOpenedFile;
    const bool encrypted = h.IsEncrypted();
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(length, m_info.m_uUncomprLeft));
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t produced = 0;

    if (h.m_uMethod == 0) {
        while (produced < want && m_info.m_uComprLeft > 0) {
            std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(want - produced, m_info.m_uComprLeft));
            std::size_t got = m_storage.Read(out + produced, n, false);
            if (encrypted)
                CryptDecodeBuffer(out + produced, got);
            m_info.m_uComprLeft -= got;
            produced += got;
            if (got < n)
                break;
        }
    } else {
        z_stream& zs = m_info.m_stream;
        auto refill = [&]() {
            std::size_t n = static_cast<std::size_t>(
                std::min<std::uint64_t>(m_info.m_pBuffer.GetSize(), m_info.m_uComprLeft));
            std::size_t got = m_storage.Read(m_info.m_pBuffer.Data(), n, false);
            if (encrypted)
                CryptDecodeBuffer(m_info.m_pBuffer.Data(), got);
            m_info.m_uComprLeft -= got;
            zs.next_in = m_info.m_pBuffer.Data();
            zs.avail_in = static_cast<uInt>(got);
        };
        zs.next_out = out;
        zs.avail_out = static_cast<uInt>(want);
        while (zs.avail_out > 0 && !m_info.m_bStreamEnd) {
            if (zs.avail_in == 0 && m_info.m_uComprLeft > 0)
                refill();
            int err = inflate(&zs, Z_SYNC_FLUSH);
            if (err == Z_STREAM_END) {
                m_info.m_bStreamEnd = true;
                break;
            }
            // Nothing left to read and no progress possible: the data was cut short.
            if (err == Z_BUF_ERROR && zs.avail_in == 0 && m_info.m_uComprLeft == 0)
                break;
            CheckForError(err);
        }
        produced = want - zs.avail_out;
        // All declared bytes are out: feed the rest of the compressed data so that the stream
        // end is reached and the storage stands after the entry's data.
        if (m_info.m_uUncomprLeft == produced && !m_info.m_bStreamEnd) {
            std::uint8_t scratch[64];
            for (;;) {
                if (zs.avail_in == 0 && m_info.m_uComprLeft > 0)
                    refill();
                zs.next_out = scratch;
                zs.avail_out = sizeof(scratch);
                int err = inflate(&zs, Z_SYNC_FLUSH);
                if (zs.avail_out != sizeof(scratch))
                    ThrowError(CZipException::codeBadZipFile); // more data than the header says
                if (err == Z_STREAM_END) {
                    m_info.m_bStreamEnd = true;
                    break;
                }
                if (err == Z_BUF_ERROR && zs.avail_in == 0 && m_info.m_uComprLeft == 0)
                    break;
                CheckForError(err);
            }
        }
        if (m_info.m_bStreamEnd && m_info.m_uComprLeft > 0) {
            // Bytes after the end of the stream belong to the entry but carry nothing.
            m_storage.SeekBy(static_cast<std::int64_t>(m_info.m_uComprLeft));
            m_info.m_uComprLeft = 0;
        }
    }
    m_info.m_uCrc32 = Crc32(m_info.m_uCrc32, out, produced);
    m_info.m_uUncomprLeft -= produced;
    return produced;
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

namespace {

// The process's file-creation mask, read without changing it (the umask call alone would set it
// for a moment under other threads).
mode_t CurrentUmask() {
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            unsigned mask = 0;
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                std::fclose(f);
                return static_cast<mode_t>(mask & 0777);
            }
        }
        std::fclose(f);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask & 0777;
}

} // namespace

void CZipArchive::EntryTimes(const CZipEntryHeader& header, struct timespec times[2]) {
    // Files packed together mostly share their date and time; the conversion from local time
    // reads the time zone file each time.
    const std::uint32_t dos = (static_cast<std::uint32_t>(header.m_uModDate) << 16) | header.m_uModTime;
    if (!m_bLastTimeKnown || dos != m_uLastDosTime) {
        m_lastTime = header.GetTime();
        m_uLastDosTime = dos;
        m_bLastTimeKnown = true;
    }
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_NOW;
    times[1].tv_sec = m_lastTime;
    times[1].tv_nsec = 0;
}

mode_t CZipArchive::Umask() {
    // Read once per archive: reading it costs a file of /proc.
    if (!m_bUmaskKnown) {
        m_umask = CurrentUmask();
        m_bUmaskKnown = true;
    }
    return m_umask;
}

bool CZipArchive::EntryMode(const CZipEntryHeader& header, mode_t current, mode_t umask, mode_t& mode) {
    mode = current & 07777;
    const mode_t unixMode = static_cast<mode_t>(header.m_uExternalAttr >> 16);
    if (header.GetSystemCompatibility() == 3 && (unixMode & 0777) != 0) {
        // The archive's bits as a new file would get them: the process's umask applies.
        mode = unixMode & 0777 & ~umask;
        if (S_ISDIR(current))
            mode |= S_IRWXU; // a folder must stay usable for the entries below it
        return true;
    }
    if ((header.m_uExternalAttr & 0x01) && !S_ISDIR(current)) {
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
        return true;
    }
    return false;
}

bool CZipArchive::SetAttributes(const std::string& path, const CZipEntryHeader& header) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    mode_t mode = 0;
    if (!EntryMode(header, st.st_mode, Umask(), mode))
        return true;
    return ::chmod(path.c_str(), mode) == 0;
}

bool CZipArchive::SetFileAttributes(int fd, const CZipEntryHeader& header) {
    // Most entries (all packed here without the read-only bit) ask for no change: no call then.
    mode_t mode = 0;
    if (!EntryMode(header, S_IFREG, 0, mode))
        return true;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    if (!EntryMode(header, st.st_mode, Umask(), mode))
        return true;
    return ::fchmod(fd, mode) == 0;
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
        if (!ForceDirectory(target))
            return false;
        SetAttributes(target, h);
        return true;
    }
    if (!OpenEntry(index))
        return false;
    // Entries come folder by folder: the folder of the last file is known to be there.
    const std::size_t slash = target.rfind('/');
    const std::string parent = slash == 0 ? std::string("/") : target.substr(0, slash);
    if (parent != m_szLastFolder) {
        if (!ForceDirectory(parent)) {
            CloseExtractedFile({}, true);
            return false;
        }
        m_szLastFolder = parent;
    }
    FdGuard dst;
    // Always a new file: an existing one (from an earlier extraction, read-only perhaps, or a
    // link) is replaced rather than written through, and a new file spares the file system the
    // flush it starts when a truncated file is closed.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW;
    dst.fd = ::open(target.c_str(), flags, 0666);
    if (dst.fd < 0 && errno == ENOENT && ForceDirectory(parent)) {
        // The folder went away since the last file (removed between two calls).
        dst.fd = ::open(target.c_str(), flags, 0666);
    }
    if (dst.fd < 0 && errno == EEXIST) {
        ::unlink(target.c_str());
        dst.fd = ::open(target.c_str(), flags, 0666);
    }
    if (dst.fd < 0)
        throw CZipFileException(target, "create", errno);

    int ret = 0;
    try {
        if (m_readBuffer.size() != bufferSize)
            m_readBuffer.resize(bufferSize);
        std::uint8_t* const buf = m_readBuffer.data();
        const std::uint64_t total = h.m_uUncomprSize;
        std::uint64_t done = 0;
        for (;;) {
            std::size_t n = ReadFromEntry(buf, bufferSize);
            std::size_t written = 0;
            while (written < n) {
                ssize_t w = ::write(dst.fd, buf + written, n - written);
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
        ret = CloseExtractedFile({});
        if (ret == 1) {
            // Time and mode through the open file: no second lookup of the path.
            struct timespec times[2];
            EntryTimes(h, times);
            if (::futimens(dst.fd, times) != 0)
                ret = 0;
            else if (!SetFileAttributes(dst.fd, h))
                ret = -2;
        }
        int fd = dst.fd;
        dst.fd = -1;
        if (::close(fd) != 0)
            throw CZipFileException(target, "close", errno);
    } catch (...) {
        // No half-written or corrupt file is left behind.
        ::unlink(target.c_str());
        throw;
    }
    if (ret == -1)
        ::unlink(target.c_str());
    return ret == 1;
}

// ---------------------------------------------------------------------------------------------
// Traditional PKWARE encryption

void CZipArchive::CryptInitKeys() {
    m_keys[0] = 0x12345678;
    m_keys[1] = 0x23456789;
    m_keys[2] = 0x34567890;
    for (char c : m_pszPassword)
        CryptUpdateKeys(static_cast<std::uint8_t>(c));
}

void CZipArchive::CryptUpdateKeys(std::uint8_t c) {
    const z_crc_t* table = get_crc_table();
    m_keys[0] = static_cast<std::uint32_t>(table[(m_keys[0] ^ c) & 0xFF] ^ (m_keys[0] >> 8));
    m_keys[1] += m_keys[0] & 0xFF;
    m_keys[1] = m_keys[1] * 134775813u + 1;
    m_keys[2] = static_cast<std::uint32_t>(table[(m_keys[2] ^ (m_keys[1] >> 24)) & 0xFF] ^ (m_keys[2] >> 8));
}

std::uint8_t CZipArchive::CryptDecryptByte() const {
    std::uint32_t temp = (m_keys[2] & 0xFFFF) | 2;
    return static_cast<std::uint8_t>(((temp * (temp ^ 1)) >> 8) & 0xFF);
}

void CZipArchive::CryptEncodeBuffer(std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        std::uint8_t t = CryptDecryptByte();
        CryptUpdateKeys(data[i]);
        data[i] ^= t;
    }
}

void CZipArchive::CryptDecodeBuffer(std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        data[i] ^= CryptDecryptByte();
        CryptUpdateKeys(data[i]);
    }
}

void CZipArchive::CryptCryptHeader(std::uint32_t check, std::uint8_t* header) {
    static std::mt19937 gen(
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                              static_cast<unsigned>(::time(nullptr))));
    for (int i = 0; i < 10; ++i)
        header[i] = static_cast<std::uint8_t>(gen() >> 6);
    header[10] = static_cast<std::uint8_t>(check >> 16);
    header[11] = static_cast<std::uint8_t>(check >> 24);
    CryptEncodeBuffer(header, 12);
}

bool CZipArchive::CryptCheckHeader(const CZipEntryHeader& header, std::uint8_t* buffer) {
    CryptInitKeys();
    CryptDecodeBuffer(buffer, 12);
    const std::uint8_t expected = header.HasDataDescriptor()
                                      ? static_cast<std::uint8_t>(header.m_uModTime >> 8)
                                      : static_cast<std::uint8_t>(header.m_uCrc32 >> 24);
    return buffer[11] == expected;
}
