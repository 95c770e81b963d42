#pragma once
// One entry of a zip archive: the fields of its central header, its local-header and central
// forms, and its name. In memory the name is UTF-8 with '/' separators; in the archive it is
// stored as GBK bytes (general-purpose flag bit 11 clear). Names read from archives of other
// tools are taken as UTF-8 when flag bit 11 or an Info-ZIP Unicode path field says so.
#include "ziparchive/ZipByteBuffer.h"

#include <cstdint>
#include <ctime>
#include <string>

class CZipVolumeStorage;

class CZipEntryHeader {
public:
    static constexpr std::uint32_t kCentralSignature = 0x02014b50;
    static constexpr std::uint32_t kLocalSignature = 0x04034b50;
    static constexpr std::uint32_t kDataDescriptorSignature = 0x08074b50;
    static constexpr std::size_t kCentralFixedSize = 46;
    static constexpr std::size_t kLocalFixedSize = 30;

    CZipEntryHeader() = default;
    virtual ~CZipEntryHeader() = default;
    CZipEntryHeader(const CZipEntryHeader&) = default;
    CZipEntryHeader& operator=(const CZipEntryHeader&) = default;

    // Sets up a new entry: method from the level, deflate option bits, data descriptor and
    // encryption flags. False when the stored name, extra field or comment exceeds 65535 bytes.
    bool Prepare(int level, bool dataDescriptor, bool encrypted);
    // Writes the local header whole on one volume and records where it went.
    void WriteLocal(CZipVolumeStorage& storage);
    // Reads a central header; false when the signature is wrong or it spans volumes.
    bool ReadCentral(CZipVolumeStorage& storage);
    // The same from bytes in memory; used is the record's size. False when the signature is
    // wrong or the record is longer than the bytes available.
    bool ParseCentral(const std::uint8_t* data, std::size_t available, std::size_t& used);
    // Reads and checks the local header against this central header; skips the name.
    bool CheckLocal(CZipVolumeStorage& storage, std::uint16_t& localExtraLength) const;
    // Writes the central header whole on one volume; answers its size.
    std::size_t WriteCentral(CZipVolumeStorage& storage);
    std::size_t CentralSize() const;

    // DOS date and time from and to the local time.
    void SetTime(std::time_t time);
    std::time_t GetTime() const;

    // toOem: the in-memory name becomes the stored GBK bytes (false when it has no GBK form);
    // else the stored bytes become the in-memory name.
    bool ConvertName(bool toOem);

    bool IsEncrypted() const { return (m_uFlag & 1) != 0; }
    bool HasDataDescriptor() const { return (m_uFlag & 8) != 0; }
    bool IsDirectory() const;
    // The host system of the entry's attributes (0 MS-DOS, 3 Unix, ...).
    int GetSystemCompatibility() const { return m_uVersionMadeBy >> 8; }

    const std::string& GetFileName() const { return m_pszFileName; }
    void SetFileName(std::string name) { m_pszFileName = std::move(name); }
    const std::string& GetStoredName() const { return m_storedName; }

    std::uint16_t m_uVersionMadeBy = 20;
    std::uint16_t m_uVersionNeeded = 20;
    std::uint16_t m_uFlag = 0;
    std::uint16_t m_uMethod = 8;
    std::uint16_t m_uModTime = 0;
    std::uint16_t m_uModDate = 0;
    std::uint32_t m_uCrc32 = 0;
    std::uint32_t m_uComprSize = 0;
    std::uint32_t m_uUncomprSize = 0;
    std::uint16_t m_uDiskStart = 0;
    std::uint16_t m_uInternalAttr = 0;
    std::uint32_t m_uExternalAttr = 0x20;
    std::uint32_t m_uOffset = 0;
    CZipByteBuffer m_pExtraField;
    CZipByteBuffer m_pszComment;

private:
    std::string m_pszFileName; // UTF-8, '/' separators
    std::string m_storedName;  // the bytes as they stand in the archive
};
