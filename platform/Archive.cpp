#include "platform/Archive.h"

#include "platform/TextFile.h"

namespace platform {
namespace {
constexpr std::uint16_t kNullTag = 0;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000u;
} // namespace

CArchive::CArchive() : mode_(store) {
    loadedMap_.push_back({});
}

CArchive::CArchive(std::string bytes) : mode_(load), bytes_(std::move(bytes)) {
    loadedMap_.push_back({});
}

void CArchive::WriteU8(std::uint8_t v) {
    bytes_.push_back(static_cast<char>(v));
}

void CArchive::WriteU16(std::uint16_t v) {
    WriteU8(static_cast<std::uint8_t>(v));
    WriteU8(static_cast<std::uint8_t>(v >> 8));
}

void CArchive::WriteU32(std::uint32_t v) {
    WriteU16(static_cast<std::uint16_t>(v));
    WriteU16(static_cast<std::uint16_t>(v >> 16));
}

void CArchive::WriteBytes(std::string_view b) {
    bytes_.append(b);
    if (sink_ && bytes_.size() >= sinkPiece_) {
        sink_(bytes_);
        bytes_.clear();
    }
}

void CArchive::WriteString(std::string_view b) {
    if (b.size() < 255) {
        WriteU8(static_cast<std::uint8_t>(b.size()));
    } else if (b.size() < 0xFFFE) {
        WriteU8(0xFF);
        WriteU16(static_cast<std::uint16_t>(b.size()));
    } else {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(static_cast<std::uint32_t>(b.size()));
    }
    WriteBytes(b);
}

void CArchive::WriteCount(std::uint32_t n) {
    if (n < 0xFFFF) {
        WriteU16(static_cast<std::uint16_t>(n));
    } else {
        WriteU16(0xFFFF);
        WriteU32(n);
    }
}

void CArchive::WriteObjectTag(std::string_view className, std::uint16_t schema) {
    auto it = storedClasses_.find(className);
    if (it != storedClasses_.end()) {
        if (it->second < kBigObjectTag) {
            WriteU16(static_cast<std::uint16_t>(kClassTag | it->second));
        } else {
            WriteU16(kBigObjectTag);
            WriteU32(kBigClassTag | it->second);
        }
    } else {
        WriteU16(kNewClassTag);
        WriteU16(schema);
        WriteU16(static_cast<std::uint16_t>(className.size()));
        WriteBytes(className);
        storedClasses_.emplace(std::string(className), mapCount_++);
    }
    ++mapCount_; // the object itself
}

void CArchive::Need(std::size_t n) {
    if (mode_ != load)
        throw CArchiveException("archive is not loading");
    if (n <= bytes_.size() - pos_)
        return;
    if (source_) {
        bytes_.erase(0, pos_);
        base_ += pos_;
        pos_ = 0;
        while (bytes_.size() < n && source_(bytes_) != 0) {
        }
    }
    if (n > bytes_.size() - pos_)
        throw CArchiveException("archive ends early");
}

std::uint8_t CArchive::ReadU8() {
    Need(1);
    return static_cast<std::uint8_t>(bytes_[pos_++]);
}

std::uint16_t CArchive::ReadU16() {
    std::uint16_t lo = ReadU8();
    return static_cast<std::uint16_t>(lo | (ReadU8() << 8));
}

std::uint32_t CArchive::ReadU32() {
    std::uint32_t lo = ReadU16();
    return lo | (static_cast<std::uint32_t>(ReadU16()) << 16);
}

std::string CArchive::ReadBytes(std::size_t n) {
    Need(n);
    std::string out = bytes_.substr(pos_, n);
    pos_ += n;
    return out;
}

void CArchive::Skip(std::size_t n) {
    Need(n);
    pos_ += n;
}

std::string CArchive::ReadString() {
    std::uint32_t len = ReadU8();
    if (len == 0xFF) {
        len = ReadU16();
        if (len == 0xFFFE)
            throw CArchiveException("wide strings are not used in these archives");
        if (len == 0xFFFF)
            len = ReadU32();
    }
    return ReadBytes(len);
}

std::uint32_t CArchive::ReadCount() {
    std::uint16_t n = ReadU16();
    return n != 0xFFFF ? n : ReadU32();
}

std::string CArchive::ReadObjectTag(std::uint16_t* schema) {
    if (schema)
        *schema = 0;
    std::uint16_t tag = ReadU16();
    std::uint32_t classIndex = 0;
    if (tag == kNullTag)
        return {};
    if (tag == kNewClassTag) {
        std::uint16_t s = ReadU16();
        std::uint16_t len = ReadU16();
        std::string name = ReadBytes(len);
        if (name.empty())
            throw CArchiveException("archive names an empty class");
        if (schema)
            *schema = s;
        loadedMap_.push_back(name); // the class
        loadedMap_.push_back({});   // the object
        return name;
    }
    if (tag == kBigObjectTag) {
        std::uint32_t big = ReadU32();
        if (!(big & kBigClassTag))
            throw CArchiveException("archive refers back to an object");
        classIndex = big & ~kBigClassTag;
    } else if (tag & kClassTag) {
        classIndex = tag & ~kClassTag;
    } else {
        throw CArchiveException("archive refers back to an object");
    }
    if (classIndex >= loadedMap_.size() || loadedMap_[classIndex].empty())
        throw CArchiveException("archive refers to an unknown class");
    loadedMap_.push_back({});
    return loadedMap_[classIndex];
}

bool CArchive::SaveToFile(const std::filesystem::path& path) const {
    return ReplaceFileBytes(path, bytes_);
}

bool CArchive::LoadFromFile(const std::filesystem::path& path, CArchive& ar) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes))
        return false;
    ar = CArchive(std::move(bytes));
    return true;
}

} // namespace platform
