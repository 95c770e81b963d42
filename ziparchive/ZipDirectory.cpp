#include "ziparchive/ZipDirectory.h"

#include "ziparchive/ZipBytes.h"
#include "ziparchive/ZipException.h"
#include "ziparchive/ZipVolumeStorage.h"

#include <algorithm>
#include <cstring>

namespace {

using zipbytes::GetU16;
using zipbytes::GetU32;
using zipbytes::PutU16;
using zipbytes::PutU32;

} // namespace

void CZipDirectory::Raise(int code) const {
    ZipThrow(code, m_pStorage ? m_pStorage->GetFilePath() : std::string());
}

void CZipDirectory::Init(CZipVolumeStorage* storage) {
    Clear(true);
    m_pStorage = storage;
    m_uThisDisk = m_uDiskWithCD = m_uDiskEntriesNo = m_uEntriesNumber = 0;
    m_uSize = m_uOffset = 0;
    m_uEndOffset = 0;
    m_uBytesBeforeZip = 0;
    m_bOnDisk = false;
}

void CZipDirectory::Clear(bool withHeaders) {
    m_pOpenedFile = nullptr;
    m_pLocalExtraField.Release();
    if (withHeaders) {
        m_headers.clear();
        m_pszComment.Release();
    }
}

std::uint64_t CZipDirectory::FindEndRecord() {
    const std::uint64_t length = m_pStorage->GetLength();
    const std::uint64_t window = std::min<std::uint64_t>(length, kEndRecordSize + 0xFFFF);
    const std::uint64_t limit = length - window;
    const std::size_t chunk = static_cast<std::size_t>(std::max(m_iBufferSize, 1024));
    std::vector<std::uint8_t> buf(chunk);
    std::uint64_t end = length;
    while (end > limit) {
        std::uint64_t start = end - limit > chunk ? end - chunk : limit;
        std::size_t n = static_cast<std::size_t>(end - start);
        m_pStorage->Seek(start);
        m_pStorage->Read(buf.data(), n, true);
        for (std::size_t i = n >= 4 ? n - 4 + 1 : 0; i-- > 0;) {
            if (GetU32(buf.data() + i) == kEndSignature)
                return start + i;
        }
        if (start == limit)
            break;
        // The next chunk overlaps this one by 3 bytes, so a signature split between them is seen.
        end = start + 3;
    }
    Raise(CZipException::codeCdirNotFound);
}

void CZipDirectory::Read() {
    m_uEndOffset = FindEndRecord();
    m_pStorage->Seek(m_uEndOffset);
    std::uint8_t rec[kEndRecordSize];
    m_pStorage->Read(rec, kEndRecordSize, true);
    m_uThisDisk = GetU16(rec + 4);
    m_uDiskWithCD = GetU16(rec + 6);
    m_uDiskEntriesNo = GetU16(rec + 8);
    m_uEntriesNumber = GetU16(rec + 10);
    m_uSize = GetU32(rec + 12);
    m_uOffset = GetU32(rec + 16);
    const std::uint16_t commentLen = GetU16(rec + 20);
    m_pStorage->UpdateMode(m_uThisDisk);
    m_pszComment.Allocate(commentLen);
    if (commentLen)
        m_pStorage->Read(m_pszComment.Data(), commentLen, true);

    if (m_pStorage->IsSpanned() == 0) {
        // Info-ZIP puts a Zip64 end record (56 bytes) and its locator (20 bytes) between the
        // central directory and the end record of an archive packed from a stream.
        std::uint64_t dirEnd = m_uEndOffset;
        if (m_uEndOffset >= 76) {
            std::uint8_t z64[76];
            m_pStorage->Seek(m_uEndOffset - 76);
            m_pStorage->Read(z64, sizeof(z64), true);
            if (GetU32(z64) == 0x06064b50u && GetU32(z64 + 4) == 44 && GetU32(z64 + 8) == 0 &&
                GetU32(z64 + 56) == 0x07064b50u)
                dirEnd = m_uEndOffset - 76;
        }
        if (dirEnd < static_cast<std::uint64_t>(m_uOffset) + m_uSize)
            Raise(CZipException::codeBadZipFile);
        m_uBytesBeforeZip = dirEnd - m_uSize - m_uOffset;
    } else {
        m_uBytesBeforeZip = 0;
        if (m_uDiskWithCD > m_uThisDisk)
            Raise(CZipException::codeBadZipFile);
    }
    if ((m_uSize == 0 && m_uEntriesNumber != 0) || (m_uEntriesNumber == 0 && m_uSize != 0))
        Raise(CZipException::codeBadZipFile);
    // Each central header takes at least 46 bytes: a count that cannot fit is a broken record.
    if (static_cast<std::uint64_t>(m_uEntriesNumber) * CZipEntryHeader::kCentralFixedSize > m_uSize)
        Raise(CZipException::codeBadZipFile);

    m_bOnDisk = true;
    m_pStorage->ChangeDisk(m_uDiskWithCD);
    m_pStorage->Seek(m_uOffset + m_uBytesBeforeZip);
    m_headers.reserve(m_uEntriesNumber);
    if (m_pStorage->IsSpanned() == 0) {
        // One read for the whole directory (it lies within the file, checked above) instead of
        // several per header. Its headers lie within the size the end record gives: the position
        // of the directory is worked out from that size.
        std::vector<std::uint8_t> dir(m_uSize);
        m_pStorage->Read(dir.data(), dir.size(), true);
        std::size_t pos = 0;
        for (int i = 0; i < m_uEntriesNumber; ++i) {
            auto header = std::make_unique<CZipEntryHeader>();
            std::size_t used = 0;
            if (!header->ParseCentral(dir.data() + pos, dir.size() - pos, used))
                Raise(CZipException::codeBadZipFile);
            pos += used;
            if (m_bConvertAfterOpen)
                header->ConvertName(false);
            m_headers.push_back(std::move(header));
        }
        return;
    }
    for (int i = 0; i < m_uEntriesNumber; ++i) {
        auto header = std::make_unique<CZipEntryHeader>();
        if (!header->ReadCentral(*m_pStorage))
            Raise(CZipException::codeBadZipFile);
        if (m_bConvertAfterOpen)
            header->ConvertName(false);
        m_headers.push_back(std::move(header));
    }
}

CZipEntryHeader* CZipDirectory::AddNewHeader(const CZipEntryHeader& header) {
    if (m_bOnDisk) {
        // The central directory is written anew at Close; new entries take its place.
        m_pStorage->SetLength(m_uOffset + m_uBytesBeforeZip);
        m_bOnDisk = false;
    }
    m_pStorage->SeekToEnd();
    m_uNewEntryStart = m_pStorage->GetPosition();
    m_headers.push_back(std::make_unique<CZipEntryHeader>(header));
    m_pOpenedFile = m_headers.back().get();
    return m_pOpenedFile;
}

void CZipDirectory::DropNewEntry() {
    if (!m_pOpenedFile || m_headers.empty() || m_headers.back().get() != m_pOpenedFile)
        return;
    m_headers.pop_back();
    m_pOpenedFile = nullptr;
    if (m_pStorage->IsSpanned() == 0) {
        m_pStorage->SetLength(m_uNewEntryStart);
        m_pStorage->SeekToEnd();
    }
}

void CZipDirectory::OpenEntry(int index) {
    if (!IsValidIndex(index))
        Raise(CZipException::codeBadZipFile);
    m_pOpenedFile = m_headers[static_cast<std::size_t>(index)].get();
    m_pStorage->ChangeDisk(m_pOpenedFile->m_uDiskStart);
    m_pStorage->Seek(m_uBytesBeforeZip + m_pOpenedFile->m_uOffset);
    const int disk = m_pStorage->GetCurrentDisk();
    std::uint16_t extraLen = 0;
    if (!m_pOpenedFile->CheckLocal(*m_pStorage, extraLen))
        Raise(CZipException::codeBadZipFile);
    m_pLocalExtraField.Allocate(extraLen);
    if (extraLen)
        m_pStorage->Read(m_pLocalExtraField.Data(), extraLen, true);
    if (m_pStorage->GetCurrentDisk() != disk)
        Raise(CZipException::codeBadZipFile);
}

void CZipDirectory::CloseEntry() {
    if (!m_pOpenedFile)
        return;
    if (m_pOpenedFile->HasDataDescriptor()) {
        std::uint8_t buf[12];
        m_pStorage->Read(buf, 4, true);
        if (GetU32(buf) != CZipEntryHeader::kDataDescriptorSignature)
            m_pStorage->SeekBy(-4);
        m_pStorage->Read(buf, 12, true);
        if (GetU32(buf) != m_pOpenedFile->m_uCrc32 || GetU32(buf + 4) != m_pOpenedFile->m_uComprSize ||
            GetU32(buf + 8) != m_pOpenedFile->m_uUncomprSize)
            Raise(CZipException::codeBadZipFile);
    }
    m_pOpenedFile = nullptr;
    m_pLocalExtraField.Release();
}

void CZipDirectory::CloseNewEntry(bool newSpan, bool encrypted) {
    CZipEntryHeader& h = *m_pOpenedFile;
    std::uint8_t values[12];
    PutU32(values, h.m_uCrc32);
    PutU32(values + 4, h.m_uComprSize);
    PutU32(values + 8, h.m_uUncomprSize);
    const std::uint64_t localPos = h.m_uOffset;
    if (h.HasDataDescriptor()) {
        std::uint8_t dd[16];
        std::size_t n = 0;
        if (newSpan || encrypted) {
            PutU32(dd, CZipEntryHeader::kDataDescriptorSignature);
            n = 4;
        }
        std::memcpy(dd + n, values, 12);
        m_pStorage->Write(dd, n + 12, true);
    } else {
        m_pStorage->WriteAt(localPos + 14, values, 12);
    }
    h.m_uOffset = static_cast<std::uint32_t>(localPos - m_uBytesBeforeZip);
    if (!newSpan && encrypted)
        m_pStorage->WriteAt(localPos + 14, values, 12);
    m_pOpenedFile = nullptr;
}

void CZipDirectory::Write() {
    if (m_bOnDisk)
        return;
    if (m_pStorage->IsSpanned() == 0)
        m_pStorage->SeekToEnd();
    m_uEntriesNumber = static_cast<std::uint16_t>(m_headers.size());
    m_uSize = 0;

    bool converted = false;
    if (m_pStorage->IsSpanned() == 1 && m_pStorage->GetCurrentDisk() == 0) {
        std::uint64_t central = kEndRecordSize + m_pszComment.GetSize();
        std::uint64_t saved = 4;
        for (const auto& h : m_headers) {
            central += h->CentralSize();
            if (!h->IsEncrypted())
                saved += 16;
        }
        if (m_pStorage->FreeSpace() + static_cast<std::int64_t>(saved) >= static_cast<std::int64_t>(central))
            converted = m_pStorage->ConvertToSingleFile(m_headers, static_cast<std::size_t>(central));
    }

    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    int entriesOnDisk = 0;
    int lastDisk = -1;
    for (std::size_t i = 0; i < m_headers.size(); ++i) {
        CZipEntryHeader& h = *m_headers[i];
        m_pStorage->EnsureRoom(h.CentralSize());
        if (i == 0) {
            m_uDiskWithCD = static_cast<std::uint16_t>(m_pStorage->GetCurrentDisk());
            offset = m_pStorage->GetPosition() - m_uBytesBeforeZip;
        }
        if (m_pStorage->GetCurrentDisk() != lastDisk) {
            lastDisk = m_pStorage->GetCurrentDisk();
            entriesOnDisk = 0;
        }
        size += h.WriteCentral(*m_pStorage);
        ++entriesOnDisk;
    }

    const std::size_t recSize = kEndRecordSize + m_pszComment.GetSize();
    m_pStorage->EnsureRoom(recSize);
    m_uThisDisk = static_cast<std::uint16_t>(m_pStorage->GetCurrentDisk());
    if (m_headers.empty()) {
        m_uDiskWithCD = m_uThisDisk;
        offset = m_pStorage->GetPosition() - m_uBytesBeforeZip;
    }
    if (converted && m_uThisDisk != 0)
        Raise(CZipException::codeBadZipFile);
    if (offset > 0xFFFFFFFFu || size > 0xFFFFFFFFu)
        Raise(0); // beyond what a zip archive without Zip64 can address
    m_uOffset = static_cast<std::uint32_t>(offset);
    m_uSize = static_cast<std::uint32_t>(size);
    m_uDiskEntriesNo = static_cast<std::uint16_t>(entriesOnDisk);

    std::vector<std::uint8_t> rec(recSize);
    PutU32(rec.data(), kEndSignature);
    PutU16(rec.data() + 4, m_uThisDisk);
    PutU16(rec.data() + 6, m_uDiskWithCD);
    PutU16(rec.data() + 8, m_uDiskEntriesNo);
    PutU16(rec.data() + 10, m_uEntriesNumber);
    PutU32(rec.data() + 12, m_uSize);
    PutU32(rec.data() + 16, m_uOffset);
    PutU16(rec.data() + 20, static_cast<std::uint16_t>(m_pszComment.GetSize()));
    if (m_pszComment.GetSize())
        std::memcpy(rec.data() + kEndRecordSize, m_pszComment.Data(), m_pszComment.GetSize());
    m_pStorage->Write(rec.data(), rec.size(), true);
    m_pStorage->Flush();
    m_bOnDisk = true;
}
