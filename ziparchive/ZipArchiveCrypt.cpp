// Traditional PKWARE encryption, as APPNOTE publishes it.
#include "ziparchive/ZipArchive.h"

#include <chrono>
#include <ctime>
#include <random>

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
