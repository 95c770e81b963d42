#include "ziparchive/ZipVolumeStorage.h"

#include "platform/FileFaults.h"
#include "platform/Text.h"
#include "ziparchive/ZipBytes.h"
#include "ziparchive/ZipEntryHeader.h"
#include "ziparchive/ZipException.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

const std::uint8_t kSpanSignature[4] = {0x50, 0x4B, 0x07, 0x08};

using zipbytes::PutU16;
using zipbytes::PutU32;

} // namespace

void CZipVolumeStorage::Raise(int code) const {
    ZipThrow(code, m_file.GetFilePath().empty() ? m_strPath : m_file.GetFilePath());
}

bool CZipVolumeStorage::IsRemovable(const std::string&) {
    // Linux has no removable drive letters; every path counts as a fixed drive, which leaves the
    // numbered-file volumes as the one kind of multi-volume archive.
    return false;
}

void CZipVolumeStorage::Open(const std::string& path, int mode, std::int64_t volumeSize) {
    m_pWriteBuffer.Allocate(static_cast<std::size_t>(m_iWriteBufferSize));
    m_uBytesInWriteBuffer = 0;
    m_uBytesWritten = 0;
    m_bNewSpan = false;
    m_bRenameLastVolume = false;
    m_bReadOnly = false;
    m_iTdSpanData = 0;
    m_strPath = path;
    m_file.SetFilePath(path);
    try {
        switch (mode) {
        case openExisting:
        case openReadOnly:
            m_bReadOnly = mode == openReadOnly;
            m_file.Open(path, m_bReadOnly ? CZipBigFile::modeRead : CZipBigFile::modeReadWrite);
            m_pFile = &m_file;
            m_iSpanMode = volumeSize > 0 ? detectTdSpan : detectSpan;
            m_iCurrentDisk = 0;
            break;
        case create:
            m_iCurrentDisk = 0;
            m_iSpanMode = noSpan;
            m_file.Open(path, CZipBigFile::modeCreate | CZipBigFile::modeReadWrite);
            m_pFile = &m_file;
            break;
        case createSpan:
            m_iCurrentDisk = 0;
            m_bNewSpan = true;
            if (volumeSize > 0) {
                m_iSpanMode = tdSpan;
                m_iTdSpanData = volumeSize;
                m_bRenameLastVolume = true;
            } else {
                if (!m_pChangeDiskFunc)
                    Raise(CZipException::codeNoCallback);
                if (!IsRemovable(path))
                    Raise(CZipException::codeNonRemovable);
                m_iSpanMode = pkzipSpan;
            }
            m_pFile = &m_file;
            NextVolume(4);
            Write(kSpanSignature, 4, true);
            break;
        default:
            Raise(0);
        }
    } catch (...) {
        m_file.Abort();
        m_pFile = nullptr;
        m_iCurrentDisk = -1;
        m_iSpanMode = noSpan;
        m_bNewSpan = false;
        m_bRenameLastVolume = false;
        m_pWriteBuffer.Release();
        throw;
    }
}

std::string CZipVolumeStorage::VolumeName(int disk, bool last) const {
    std::filesystem::path p(m_strPath);
    std::filesystem::path base = p.parent_path() / p.stem();
    if (last)
        return base.string() + ".zip";
    return base.string() + platform::StrFormat(".%.3d", disk);
}

void CZipVolumeStorage::NextVolume(std::size_t) {
    Flush();
    if (m_uBytesWritten > 0) {
        m_uBytesWritten = 0;
        ++m_iCurrentDisk;
        if (m_iCurrentDisk >= 999)
            Raise(CZipException::codeTooManyVolumes);
    }
    m_file.Close();
    m_file.Open(VolumeName(m_iCurrentDisk, false), CZipBigFile::modeCreate | CZipBigFile::modeReadWrite);
}

std::int64_t CZipVolumeStorage::FreeSpace() const {
    return m_iTdSpanData - static_cast<std::int64_t>(m_uBytesInWriteBuffer) -
           static_cast<std::int64_t>(m_uBytesWritten);
}

int CZipVolumeStorage::IsSpanned() const {
    if (m_iSpanMode == noSpan)
        return 0;
    return m_bNewSpan ? 1 : -1;
}

void CZipVolumeStorage::EnsureRoom(std::size_t length) {
    if (!m_bNewSpan || m_iSpanMode == noSpan)
        return;
    while (FreeSpace() < static_cast<std::int64_t>(length) &&
           (m_uBytesWritten > 0 || m_uBytesInWriteBuffer > 0))
        NextVolume(length);
}

void CZipVolumeStorage::Write(const void* data, std::size_t length, bool atomic) {
    if (!m_bNewSpan || m_iSpanMode == noSpan) {
        WriteInternal(data, length);
        return;
    }
    const auto* p = static_cast<const std::uint8_t*>(data);
    const std::size_t needed = atomic ? length : 1;
    while (length > 0) {
        std::int64_t free = FreeSpace();
        if (free < static_cast<std::int64_t>(needed)) {
            if (m_uBytesWritten > 0 || m_uBytesInWriteBuffer > 0) {
                NextVolume(needed);
                continue;
            }
            // A fresh volume smaller than an atomic record still takes the record whole.
            free = static_cast<std::int64_t>(needed);
        }
        std::size_t chunk = atomic ? length : std::min<std::size_t>(length, static_cast<std::size_t>(free));
        WriteInternal(p, chunk);
        p += chunk;
        length -= chunk;
    }
}

void CZipVolumeStorage::WriteInternal(const void* data, std::size_t length) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    const std::size_t size = m_pWriteBuffer.GetSize();
    if (size == 0) {
        // An existing multi-volume archive has no write buffer: it is never written.
        Raise(0);
    }
    while (length > 0) {
        if (m_uBytesInWriteBuffer == 0 && length >= size) {
            m_file.Write(p, length);
            m_uBytesWritten += length;
            return;
        }
        std::size_t n = std::min(size - m_uBytesInWriteBuffer, length);
        std::memcpy(m_pWriteBuffer.Data() + m_uBytesInWriteBuffer, p, n);
        m_uBytesInWriteBuffer += n;
        p += n;
        length -= n;
        if (m_uBytesInWriteBuffer == size)
            Flush();
    }
}

void CZipVolumeStorage::Flush() {
    if (m_uBytesInWriteBuffer == 0)
        return;
    std::size_t n = m_uBytesInWriteBuffer;
    m_uBytesInWriteBuffer = 0;
    m_file.Write(m_pWriteBuffer.Data(), n);
    m_uBytesWritten += n;
}

std::size_t CZipVolumeStorage::Read(void* buffer, std::size_t length, bool atomic) {
    if (length == 0)
        return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    const bool spanned = m_iSpanMode != noSpan && !m_bNewSpan;
    std::size_t got = m_file.Read(out, length);
    if (got == 0) {
        if (!spanned || m_iCurrentDisk >= m_iTdSpanData)
            Raise(CZipException::codeBadZipFile);
        ChangeDisk(m_iCurrentDisk + 1);
        got = m_file.Read(out, length);
    }
    if (got < length) {
        if (atomic)
            Raise(CZipException::codeBadZipFile);
        if (spanned) {
            while (got < length) {
                if (m_iCurrentDisk >= m_iTdSpanData)
                    Raise(CZipException::codeBadZipFile);
                ChangeDisk(m_iCurrentDisk + 1);
                std::size_t n = m_file.Read(out + got, length - got);
                if (n == 0)
                    Raise(CZipException::codeBadZipFile);
                got += n;
            }
        }
    }
    return got;
}

void CZipVolumeStorage::OpenVolumeForReading(int disk) {
    bool last = disk == m_iTdSpanData;
    m_file.Open(last ? m_strPath : VolumeName(disk, false), CZipBigFile::modeRead);
    m_iCurrentDisk = disk;
}

void CZipVolumeStorage::ChangeDisk(int n) {
    if (n == m_iCurrentDisk)
        return;
    if (m_iSpanMode == noSpan || m_bNewSpan || n < 0 || n > m_iTdSpanData)
        Raise(CZipException::codeBadZipFile);
    OpenVolumeForReading(n);
}

void CZipVolumeStorage::UpdateMode(int endRecordDisk) {
    m_iCurrentDisk = endRecordDisk;
    if (endRecordDisk == 0) {
        m_iSpanMode = noSpan;
        return;
    }
    if (m_iSpanMode == detectSpan)
        m_iSpanMode = IsRemovable(m_strPath) ? pkzipSpan : tdSpan;
    else if (m_iSpanMode == detectTdSpan)
        m_iSpanMode = tdSpan;
    m_iTdSpanData = endRecordDisk;
    // An existing multi-volume archive is only read.
    m_pWriteBuffer.Release();
}

std::uint64_t CZipVolumeStorage::GetPosition() const {
    return m_file.GetPosition() + m_uBytesInWriteBuffer;
}

void CZipVolumeStorage::Seek(std::uint64_t position) {
    Flush();
    m_file.Seek(static_cast<std::int64_t>(position), CZipBigFile::begin);
}

void CZipVolumeStorage::SeekBy(std::int64_t offset) {
    Flush();
    m_file.Seek(offset, CZipBigFile::current);
}

void CZipVolumeStorage::SeekToEnd() {
    // Appending entry after entry: the buffered bytes already go to the end, so they may wait.
    if (m_file.IsAtEnd())
        return;
    Flush();
    m_file.Seek(0, CZipBigFile::end);
}

std::uint64_t CZipVolumeStorage::GetLength() {
    Flush();
    return m_file.GetLength();
}

void CZipVolumeStorage::SetLength(std::uint64_t length) {
    Flush();
    m_file.SetLength(length);
}

void CZipVolumeStorage::WriteAt(std::uint64_t position, const void* data, std::size_t length) {
    std::uint64_t filePos = m_file.GetPosition();
    if (position >= filePos && position + length <= filePos + m_uBytesInWriteBuffer) {
        std::memcpy(m_pWriteBuffer.Data() + (position - filePos), data, length);
        return;
    }
    if (position + length > filePos)
        Flush();
    m_file.WriteAt(position, data, length);
}

void CZipVolumeStorage::Close(bool afterException) {
    if (afterException) {
        m_file.Abort();
    } else if (m_pFile) {
        try {
            Flush();
            if (m_bRenameLastVolume) {
                std::string last = m_file.GetFilePath();
                m_file.Close();
                std::string target = VolumeName(m_iCurrentDisk, true);
                if (last != target) {
                    // The rename replaces the file of the name.
                    if (!platform::RenameFile(last, target))
                        throw CZipFileException(target, "rename", errno);
                }
                m_file.SetFilePath(target);
            } else {
                m_file.Close();
            }
        } catch (...) {
            m_file.Abort();
            m_pWriteBuffer.Release();
            m_uBytesInWriteBuffer = 0;
            m_iCurrentDisk = -1;
            m_iSpanMode = noSpan;
            m_bNewSpan = false;
            m_bRenameLastVolume = false;
            m_pFile = nullptr;
            throw;
        }
    }
    m_pWriteBuffer.Release();
    m_uBytesInWriteBuffer = 0;
    m_uBytesWritten = 0;
    m_iCurrentDisk = -1;
    m_iSpanMode = noSpan;
    m_bNewSpan = false;
    m_bRenameLastVolume = false;
    m_pFile = nullptr;
}

namespace {

// True when the entries lie in order on the first volume of that length, each with room for its
// local header and (unencrypted) data descriptor.
bool EntriesFitOneVolume(const std::vector<std::unique_ptr<CZipEntryHeader>>& headers, std::uint64_t length) {
    std::uint64_t prev = 4;
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const CZipEntryHeader& h = *headers[i];
        const std::uint64_t start = h.m_uOffset;
        const std::uint64_t end = i + 1 < headers.size() ? headers[i + 1]->m_uOffset : length;
        const std::uint64_t d = h.IsEncrypted() ? 0 : 16;
        if (h.m_uDiskStart != 0 || start < prev || end > length || end < start + 30 + d)
            return false;
        prev = end;
    }
    return true;
}

} // namespace

bool CZipVolumeStorage::ConvertToSingleFile(std::vector<std::unique_ptr<CZipEntryHeader>>& headers,
                                            std::size_t neededRoom) {
    const bool inBuffer = m_uBytesWritten == 0 &&
                          static_cast<std::size_t>(m_iWriteBufferSize) >= m_uBytesInWriteBuffer + neededRoom;
    if (!inBuffer)
        Flush();
    const std::uint64_t length = inBuffer ? m_uBytesInWriteBuffer : m_file.GetLength();

    // Check the layout first, so that a surprise changes nothing.
    if (!EntriesFitOneVolume(headers, length))
        return false;

    auto patch = [&](std::uint64_t pos, const void* data, std::size_t n) {
        if (inBuffer)
            std::memcpy(m_pWriteBuffer.Data() + pos, data, n);
        else
            m_file.WriteAt(pos, data, n);
    };
    std::vector<std::uint8_t> chunk(inBuffer ? 0 : 1 << 16);
    auto move = [&](std::uint64_t dst, std::uint64_t src, std::uint64_t n) {
        if (inBuffer) {
            std::memmove(m_pWriteBuffer.Data() + dst, m_pWriteBuffer.Data() + src, n);
            return;
        }
        // dst < src: copying forward never overwrites bytes still to be read.
        while (n > 0) {
            std::size_t c = static_cast<std::size_t>(std::min<std::uint64_t>(n, chunk.size()));
            if (m_file.ReadAt(src, chunk.data(), c) != c)
                Raise(CZipException::codeBadZipFile);
            m_file.WriteAt(dst, chunk.data(), c);
            src += c;
            dst += c;
            n -= c;
        }
    };

    std::uint64_t shift = 4;
    std::uint64_t out = 0;
    for (std::size_t i = 0; i < headers.size(); ++i) {
        CZipEntryHeader& h = *headers[i];
        std::uint64_t start = h.m_uOffset;
        // The next header's offset is still the one on the volume.
        std::uint64_t end = i + 1 < headers.size() ? headers[i + 1]->m_uOffset : length;
        std::uint64_t d = h.IsEncrypted() ? 0 : 16;
        if (!h.IsEncrypted()) {
            h.m_uFlag &= static_cast<std::uint16_t>(~8u);
            std::uint8_t flag[2];
            PutU16(flag, h.m_uFlag);
            patch(start + 6, flag, 2);
        }
        std::uint8_t values[12];
        PutU32(values, h.m_uCrc32);
        PutU32(values + 4, h.m_uComprSize);
        PutU32(values + 8, h.m_uUncomprSize);
        patch(start + 14, values, 12);
        std::uint64_t n = end - d - start;
        move(out, start, n);
        out += n;
        h.m_uOffset = static_cast<std::uint32_t>(start - shift);
        shift += d;
    }

    if (inBuffer) {
        m_uBytesInWriteBuffer = static_cast<std::size_t>(out);
    } else {
        m_file.SetLength(out);
        m_file.Seek(0, CZipBigFile::end);
        m_uBytesWritten = out;
    }
    m_iSpanMode = noSpan;
    m_bNewSpan = false;
    return true;
}
