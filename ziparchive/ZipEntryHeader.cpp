#include "ziparchive/ZipEntryHeader.h"

#include "platform/Gbk.h"
#include "ziparchive/ZipBytes.h"
#include "ziparchive/ZipException.h"
#include "ziparchive/ZipVolumeStorage.h"

#include <cstring>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

namespace {

using zipbytes::GetU16;
using zipbytes::GetU32;
using zipbytes::PutU16;
using zipbytes::PutU32;

bool IsValidUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 99;
        if (n == 99 || i + n >= s.size())
            return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        i += n + 1;
    }
    return true;
}

// The UTF-8 name of an Info-ZIP Unicode path extra field (0x7075), when it belongs to these
// stored bytes.
bool UnicodePathFromExtra(const CZipByteBuffer& extra, const std::string& stored, std::string& name) {
    const std::uint8_t* p = extra.Data();
    std::size_t size = extra.GetSize();
    std::size_t pos = 0;
    while (pos + 4 <= size) {
        std::uint16_t tag = GetU16(p + pos);
        std::uint16_t len = GetU16(p + pos + 2);
        if (pos + 4 + len > size)
            return false;
        if (tag == 0x7075 && len >= 5 && p[pos + 4] == 1) {
            std::uint32_t crc = GetU32(p + pos + 5);
            uLong actual =
                crc32(0L, reinterpret_cast<const Bytef*>(stored.data()), static_cast<uInt>(stored.size()));
            if (crc != static_cast<std::uint32_t>(actual))
                return false;
            name.assign(reinterpret_cast<const char*>(p + pos + 9), len - 5);
            return IsValidUtf8(name);
        }
        pos += 4 + len;
    }
    return false;
}

} // namespace

bool CZipEntryHeader::Prepare(int level, bool dataDescriptor, bool encrypted) {
    m_uVersionMadeBy = 20;
    m_uVersionNeeded = 20;
    m_uInternalAttr = 0;
    m_uCrc32 = 0;
    m_uComprSize = 0;
    m_uUncomprSize = 0;
    if (level == 0)
        m_uMethod = 0;
    else if (m_uMethod != 0 && m_uMethod != 8)
        m_uMethod = 8;
    m_uFlag = 0;
    if (m_uMethod == 8) {
        switch (level) {
        case 1:
            m_uFlag |= 6;
            break;
        case 2:
            m_uFlag |= 4;
            break;
        case 8:
        case 9:
            m_uFlag |= 2;
            break;
        default:
            break;
        }
    }
    if (dataDescriptor)
        m_uFlag |= 8;
    if (encrypted) {
        m_uFlag |= 9;
        m_uComprSize = 12;
    }
    return m_storedName.size() <= 0xFFFF && m_pExtraField.GetSize() <= 0xFFFF &&
           m_pszComment.GetSize() <= 0xFFFF;
}

void CZipEntryHeader::WriteLocal(CZipVolumeStorage& storage) {
    const std::size_t nameLen = m_storedName.size();
    const std::size_t extraLen = m_pExtraField.GetSize();
    std::vector<std::uint8_t> rec(kLocalFixedSize + nameLen + extraLen);
    std::uint8_t* p = rec.data();
    PutU32(p, kLocalSignature);
    PutU16(p + 4, m_uVersionNeeded);
    PutU16(p + 6, m_uFlag);
    PutU16(p + 8, m_uMethod);
    PutU16(p + 10, m_uModTime);
    PutU16(p + 12, m_uModDate);
    PutU32(p + 14, HasDataDescriptor() ? 0 : m_uCrc32);
    PutU32(p + 18, HasDataDescriptor() ? 0 : m_uComprSize);
    PutU32(p + 22, HasDataDescriptor() ? 0 : m_uUncomprSize);
    PutU16(p + 26, static_cast<std::uint16_t>(nameLen));
    PutU16(p + 28, static_cast<std::uint16_t>(extraLen));
    if (nameLen)
        std::memcpy(p + kLocalFixedSize, m_storedName.data(), nameLen);
    if (extraLen)
        std::memcpy(p + kLocalFixedSize + nameLen, m_pExtraField.Data(), extraLen);
    storage.Write(rec.data(), rec.size(), true);
    // The central header of a new entry carries no extra field.
    m_pExtraField.Release();
    m_uDiskStart = static_cast<std::uint16_t>(storage.GetCurrentDisk());
    std::uint64_t offset = storage.GetPosition() - rec.size();
    if (offset > 0xFFFFFFFFu)
        ZipThrow(0, storage.GetFilePath()); // beyond what a zip archive without Zip64 can address
    m_uOffset = static_cast<std::uint32_t>(offset);
}

bool CZipEntryHeader::ReadCentral(CZipVolumeStorage& storage) {
    std::uint8_t p[kCentralFixedSize];
    storage.Read(p, kCentralFixedSize, true);
    if (GetU32(p) != kCentralSignature)
        return false;
    const int disk = storage.GetCurrentDisk();
    const std::size_t rest = std::size_t{GetU16(p + 28)} + GetU16(p + 30) + GetU16(p + 32);
    std::vector<std::uint8_t> record(kCentralFixedSize + rest);
    std::memcpy(record.data(), p, kCentralFixedSize);
    if (rest)
        storage.Read(record.data() + kCentralFixedSize, rest, true);
    std::size_t used = 0;
    return ParseCentral(record.data(), record.size(), used) && storage.GetCurrentDisk() == disk;
}

bool CZipEntryHeader::ParseCentral(const std::uint8_t* p, std::size_t available, std::size_t& used) {
    if (available < kCentralFixedSize || GetU32(p) != kCentralSignature)
        return false;
    const std::uint16_t nameLen = GetU16(p + 28);
    const std::uint16_t extraLen = GetU16(p + 30);
    const std::uint16_t commentLen = GetU16(p + 32);
    used = kCentralFixedSize + std::size_t{nameLen} + extraLen + commentLen;
    if (used > available)
        return false;
    m_uVersionMadeBy = GetU16(p + 4);
    m_uVersionNeeded = GetU16(p + 6);
    m_uFlag = GetU16(p + 8);
    m_uMethod = GetU16(p + 10);
    m_uModTime = GetU16(p + 12);
    m_uModDate = GetU16(p + 14);
    m_uCrc32 = GetU32(p + 16);
    m_uComprSize = GetU32(p + 20);
    m_uUncomprSize = GetU32(p + 24);
    m_uDiskStart = GetU16(p + 34);
    m_uInternalAttr = GetU16(p + 36);
    m_uExternalAttr = GetU32(p + 38);
    m_uOffset = GetU32(p + 42);
    const std::uint8_t* q = p + kCentralFixedSize;
    m_storedName.assign(reinterpret_cast<const char*>(q), nameLen);
    m_pExtraField.Assign(q + nameLen, extraLen);
    m_pszComment.Assign(q + nameLen + extraLen, commentLen);
    m_pszFileName = m_storedName;
    return true;
}

bool CZipEntryHeader::CheckLocal(CZipVolumeStorage& storage, std::uint16_t& localExtraLength) const {
    // The fixed part and the name in one read: the local name has the central one's length.
    std::uint8_t fixed[kLocalFixedSize + 256];
    std::vector<std::uint8_t> large;
    std::uint8_t* p = fixed;
    const std::size_t length = kLocalFixedSize + m_storedName.size();
    if (length > sizeof(fixed)) {
        large.resize(length);
        p = large.data();
    }
    storage.Read(p, length, true);
    if (GetU32(p) != kLocalSignature)
        return false;
    if (GetU16(p + 6) != m_uFlag)
        return false;
    const std::uint16_t method = GetU16(p + 8);
    if (method != m_uMethod || (method != 0 && method != 8))
        return false;
    if (GetU16(p + 26) != m_storedName.size())
        return false;
    localExtraLength = GetU16(p + 28);
    if (HasDataDescriptor() || GetU32(p + 14) != m_uCrc32)
        return HasDataDescriptor();
    if (GetU32(p + 18) == m_uComprSize && GetU32(p + 22) == m_uUncomprSize)
        return true;
    // Info-ZIP packing from a stream marks both local sizes 0xFFFFFFFF and gives them in a Zip64
    // extra field, while the central header holds the plain sizes.
    if (GetU32(p + 18) != 0xFFFFFFFFu || GetU32(p + 22) != 0xFFFFFFFFu || localExtraLength == 0)
        return false;
    std::vector<std::uint8_t> extra(localExtraLength);
    storage.Read(extra.data(), extra.size(), true);
    storage.SeekBy(-static_cast<std::int64_t>(extra.size()));
    for (std::size_t pos = 0; pos + 4 <= extra.size();) {
        const std::uint16_t tag = GetU16(extra.data() + pos);
        const std::uint16_t len = GetU16(extra.data() + pos + 2);
        if (pos + 4 + len > extra.size())
            break;
        if (tag == 0x0001 && len >= 16) {
            const std::uint8_t* q = extra.data() + pos + 4;
            return GetU32(q) == m_uUncomprSize && GetU32(q + 4) == 0 && GetU32(q + 8) == m_uComprSize &&
                   GetU32(q + 12) == 0;
        }
        pos += 4 + len;
    }
    return false;
}

std::size_t CZipEntryHeader::CentralSize() const {
    return kCentralFixedSize + m_storedName.size() + m_pExtraField.GetSize() + m_pszComment.GetSize();
}

std::size_t CZipEntryHeader::WriteCentral(CZipVolumeStorage& storage) {
    const std::size_t nameLen = m_storedName.size();
    const std::size_t extraLen = m_pExtraField.GetSize();
    const std::size_t commentLen = m_pszComment.GetSize();
    std::vector<std::uint8_t> rec(CentralSize());
    std::uint8_t* p = rec.data();
    PutU32(p, kCentralSignature);
    PutU16(p + 4, m_uVersionMadeBy);
    PutU16(p + 6, m_uVersionNeeded);
    PutU16(p + 8, m_uFlag);
    PutU16(p + 10, m_uMethod);
    PutU16(p + 12, m_uModTime);
    PutU16(p + 14, m_uModDate);
    PutU32(p + 16, m_uCrc32);
    PutU32(p + 20, m_uComprSize);
    PutU32(p + 24, m_uUncomprSize);
    PutU16(p + 28, static_cast<std::uint16_t>(nameLen));
    PutU16(p + 30, static_cast<std::uint16_t>(extraLen));
    PutU16(p + 32, static_cast<std::uint16_t>(commentLen));
    PutU16(p + 34, m_uDiskStart);
    PutU16(p + 36, m_uInternalAttr);
    PutU32(p + 38, m_uExternalAttr);
    PutU32(p + 42, m_uOffset);
    std::uint8_t* q = p + kCentralFixedSize;
    if (nameLen)
        std::memcpy(q, m_storedName.data(), nameLen);
    if (extraLen)
        std::memcpy(q + nameLen, m_pExtraField.Data(), extraLen);
    if (commentLen)
        std::memcpy(q + nameLen + extraLen, m_pszComment.Data(), commentLen);
    storage.Write(rec.data(), rec.size(), true);
    return rec.size();
}

void CZipEntryHeader::SetTime(std::time_t time) {
    std::tm tm{};
    localtime_r(&time, &tm);
    int year = tm.tm_year + 1900;
    int years = year <= 1980 ? 0 : year - 1980;
    m_uModDate = static_cast<std::uint16_t>(tm.tm_mday + (tm.tm_mon + 1) * 32 + years * 512);
    m_uModTime = static_cast<std::uint16_t>(tm.tm_hour * 2048 + tm.tm_min * 32 + tm.tm_sec / 2);
}

std::time_t CZipEntryHeader::GetTime() const {
    std::tm tm{};
    tm.tm_year = ((m_uModDate >> 9) & 0x7F) + 80;
    tm.tm_mon = ((m_uModDate >> 5) & 0x0F) - 1;
    tm.tm_mday = m_uModDate & 0x1F;
    tm.tm_hour = (m_uModTime >> 11) & 0x1F;
    tm.tm_min = (m_uModTime >> 5) & 0x3F;
    tm.tm_sec = (m_uModTime & 0x1F) * 2;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

bool CZipEntryHeader::ConvertName(bool toOem) {
    if (toOem) {
        std::string gbk;
        if (!platform::Utf8ToGbk(m_pszFileName, gbk))
            return false;
        m_storedName = std::move(gbk);
        m_uFlag &= static_cast<std::uint16_t>(~0x800u);
        return true;
    }
    std::string name;
    if ((m_uFlag & 0x800) && IsValidUtf8(m_storedName))
        name = m_storedName;
    else if (!UnicodePathFromExtra(m_pExtraField, m_storedName, name) &&
             !platform::GbkToUtf8(m_storedName, name))
        name = platform::FromGbk(m_storedName);
    // Archives of old Windows tools separate folders with '\'; here the separator is '/'. The
    // conversion runs on UTF-8, where 0x5C never stands inside a character (it may in GBK).
    for (char& c : name)
        if (c == '\\')
            c = '/';
    m_pszFileName = std::move(name);
    return true;
}

bool CZipEntryHeader::IsDirectory() const {
    if (m_uExternalAttr & 0x10)
        return true;
    if (GetSystemCompatibility() == 3 && S_ISDIR(m_uExternalAttr >> 16))
        return true;
    return !m_pszFileName.empty() && m_pszFileName.back() == '/';
}
