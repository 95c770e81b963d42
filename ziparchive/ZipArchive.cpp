// The archive itself: opening and closing, settings, the entry list, and the zlib memory it
// tracks. Adding, extracting, attributes and encryption live in their own files.
#include "ziparchive/ZipArchive.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

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
    if (path.empty())
        return false;
    if (platform::StatPath(path).folder)
        return true;
    return platform::MakeFolders(path) == 0 && platform::StatPath(path).folder;
}
