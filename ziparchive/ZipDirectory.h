#pragma once
// The central directory of a zip archive: the headers of all entries in stored order and the
// end-of-central-directory record, read at Open of an existing archive and written at Close of
// an archive that was changed.
#include "ziparchive/ZipByteBuffer.h"
#include "ziparchive/ZipEntryHeader.h"

#include <cstdint>
#include <memory>
#include <vector>

class CZipVolumeStorage;

class CZipDirectory {
public:
    static constexpr std::uint32_t kEndSignature = 0x06054b50;
    static constexpr std::size_t kEndRecordSize = 22;

    // Prepares an empty directory on the given storage.
    void Init(CZipVolumeStorage* storage);
    // Reads the central directory of an existing archive.
    void Read();
    void Clear(bool withHeaders = true);
    // Appends a copy of the header as the entry being added (cutting off an old central
    // directory first) and leaves the storage at the end of the archive.
    CZipEntryHeader* AddNewHeader(const CZipEntryHeader& header);
    // Positions the storage at the data of an entry (after its local header).
    void OpenEntry(int index);
    // Checks the data descriptor of the entry just extracted.
    void CloseEntry();
    // Completes the entry just added: a data descriptor or a patched local header.
    void CloseNewEntry(bool newSpan, bool encrypted);
    // Removes the entry being added and cuts the archive back to before its local header.
    void DropNewEntry();
    // Writes the central directory and the end record (nothing when unchanged).
    void Write();
    bool IsValidIndex(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < m_headers.size();
    }
    bool IsChanged() const { return !m_bOnDisk; }

    std::uint16_t m_uThisDisk = 0;
    std::uint16_t m_uDiskWithCD = 0;
    std::uint16_t m_uDiskEntriesNo = 0;
    std::uint16_t m_uEntriesNumber = 0;
    std::uint32_t m_uSize = 0;
    std::uint32_t m_uOffset = 0;
    CZipByteBuffer m_pszComment;
    CZipEntryHeader* m_pOpenedFile = nullptr;
    CZipVolumeStorage* m_pStorage = nullptr;
    std::uint64_t m_uEndOffset = 0;
    std::uint64_t m_uBytesBeforeZip = 0;
    int m_iBufferSize = 32768;
    bool m_bOnDisk = false;
    std::vector<std::unique_ptr<CZipEntryHeader>> m_headers;
    CZipByteBuffer m_pLocalExtraField;
    bool m_bConvertAfterOpen = true;

private:
    std::uint64_t m_uNewEntryStart = 0;
    [[noreturn]] void Raise(int code) const;
    std::uint64_t FindEndRecord();
};
