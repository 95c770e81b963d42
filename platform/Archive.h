#pragma once
// The byte format of the class library's object archives, which "Password.dat" and the cache
// files are written in: little-endian integers, length-prefixed strings, element counts and
// object tags that name a class the first time and refer back to it afterwards.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Thrown when a loading archive is truncated or malformed.
class CArchiveException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CArchive {
public:
    enum Mode { store, load };

    // A storing archive that collects bytes in memory.
    CArchive();
    // A loading archive over the given bytes.
    explicit CArchive(std::string bytes);

    // Where a loading archive takes more bytes from once those it holds run out: the function
    // appends the next piece to the string and returns how many bytes it appended (0 at the end).
    // The bytes already read are let go before each piece is taken, so that a file of hundreds of
    // MB is loaded without ever being held whole.
    using Source = std::function<std::size_t(std::string& into)>;
    void SetSource(Source source) { source_ = std::move(source); }

    // Where a storing archive hands its bytes once it holds pieceBytes of them (checked as texts
    // and byte runs are written): the bytes are then let go, so that a big object is written out
    // without ever being held whole. Bytes() holds what is not handed yet.
    using Sink = std::function<void(std::string_view piece)>;
    void SetSink(Sink sink, std::size_t pieceBytes) {
        sink_ = std::move(sink);
        sinkPiece_ = pieceBytes;
    }

    bool IsStoring() const { return mode_ == store; }
    bool IsLoading() const { return mode_ == load; }

    // Storing.
    void WriteU8(std::uint8_t v);
    void WriteU16(std::uint16_t v);
    void WriteU32(std::uint32_t v);
    void WriteI32(std::int32_t v) { WriteU32(static_cast<std::uint32_t>(v)); }
    void WriteBytes(std::string_view bytes);
    // Length form: one byte below 255; 0xFF + u16 below 0xFFFE; 0xFF 0xFFFF + u32 otherwise.
    void WriteString(std::string_view bytes);
    // Element count: u16 below 0xFFFF, otherwise 0xFFFF + u32.
    void WriteCount(std::uint32_t n);
    // Introduces an object of the named class: the first time 0xFFFF, schema, name length and the
    // ASCII name; afterwards 0x8000 + the index the class got. Classes and objects share one counter.
    void WriteObjectTag(std::string_view className, std::uint16_t schema);
    // A null object.
    void WriteNullTag() { WriteU16(0); }

    // Loading: each throws CArchiveException when the bytes run out or are malformed.
    std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
    std::string ReadBytes(std::size_t n);
    std::string ReadString();
    std::uint32_t ReadCount();
    // Reads an object tag and returns its class name ("" for a null tag). schema, when given,
    // receives the schema of a new class tag (0 for a back reference).
    std::string ReadObjectTag(std::uint16_t* schema = nullptr);
    void Skip(std::size_t n);

    // The bytes stored so far, or the bytes being loaded (with a source: those taken and not yet
    // let go).
    const std::string& Bytes() const { return bytes_; }
    // Bytes read from the start, including those let go.
    std::size_t Position() const { return base_ + pos_; }
    // With a source, only of the bytes taken so far.
    std::size_t Remaining() const { return bytes_.size() - pos_; }
    bool AtEnd() const { return pos_ >= bytes_.size(); }

    // Storing: forgets the bytes stored so far (the caller has written Bytes() out), keeping the
    // buffer's room, for an archive written to a file piece by piece. The classes already tagged
    // keep their indices.
    void DiscardBytes() { bytes_.clear(); }
    // Storing: the bytes stored so far, taken with their room (the archive has none left).
    std::string TakeBytes() {
        std::string taken;
        taken.swap(bytes_);
        return taken;
    }

    bool SaveToFile(const std::filesystem::path& path) const;
    // A loading archive over a file's bytes; false when the file cannot be read.
    static bool LoadFromFile(const std::filesystem::path& path, CArchive& ar);

private:
    void Need(std::size_t n);

    Mode mode_;
    std::string bytes_;
    std::size_t pos_ = 0;
    std::size_t base_ = 0; // the bytes let go before bytes_
    Source source_;
    Sink sink_;
    std::size_t sinkPiece_ = 0;
    std::uint32_t mapCount_ = 1; // index 0 is the null object
    std::map<std::string, std::uint32_t, std::less<>> storedClasses_;
    std::vector<std::string> loadedMap_; // index -> class name ("" for objects)
};

} // namespace platform
