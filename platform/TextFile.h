#pragma once
// Text files in GBK: a line reader that yields UTF-8 lines with their numbers, and the one writer
// that converts UTF-8 to GBK and ends every line with CR LF, as the unit's files need (to a file,
// or to bytes in memory for a file written or read as a whole).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// The file layer's calls all go through the fault seam of platform/FileFaults.h.

// Reads a whole file's bytes: 0, or the errno of the failure (ENOENT: no file is there; anything
// else: it is there but could not be read, and bytes holds nothing).
int ReadWholeFile(const std::filesystem::path& path, std::string& bytes);
// Reads a whole file's bytes; false when it cannot be opened or read.
bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes);
// Writes bytes to a file, replacing it in place, flushed to the disk; false on any failure.
bool WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);
// Replaces a file through a temporary name beside it: the bytes are written and flushed to a
// temporary file of a name unique to the writer ("<name>.<pid>-<n>.tmp", nameless while it is
// written where the file system allows), which is then renamed over the file. A symbolic link
// is written through to the file it names and stays a link; the replaced file's mode (and owner,
// where allowed) is kept: a mode that cannot be set fails the replacement. On failure the old file stays as
// it was and the temporary one is removed; temporary files of writers that were killed are removed by the
// next replacement.
bool ReplaceFileBytes(const std::filesystem::path& path, std::string_view bytes);
// Appends bytes to a file (made when it is missing) whole or not at all: a write that fails part
// way, as on a full disk, is cut back, so the next entry does not continue a torn one. False on
// any failure.
bool AppendFileBytes(const std::filesystem::path& path, std::string_view bytes);
// The file a path names through its symbolic links (at most 40); the path itself when it is
// none.
std::filesystem::path ResolveFileLinks(std::filesystem::path path);
// Copies a file's bytes to target (replacing it); false when anything failed.
bool CopyFileBytes(const std::filesystem::path& source, const std::filesystem::path& target);

// A file written piece by piece, as WriteFileBytes writes it whole (the fault seam included): for
// bytes too many to be collected in memory first.
class CFileWriter {
public:
    CFileWriter() = default;
    ~CFileWriter();
    CFileWriter(const CFileWriter&) = delete;
    CFileWriter& operator=(const CFileWriter&) = delete;

    // Creates or empties the file; false when it cannot be opened.
    bool Open(const std::filesystem::path& path);
    // Appends bytes; once a write failed the writer stays failed and writes nothing more.
    void Write(std::string_view bytes);
    // Flushes the file to the disk and closes it; false when it was not open or anything failed.
    bool Close();

private:
    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    bool ok_ = false;
};

// A file read piece by piece through the fault seam (Open once, Read per chunk): for files too
// big to be read whole, or read from a place within them.
class CFileReader {
public:
    CFileReader() = default;
    ~CFileReader();
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;

    // Opens a plain file for reading: 0, or the errno of the failure (ENOENT: no file is there;
    // EISDIR: a folder is).
    int Open(const std::filesystem::path& path);
    bool IsOpen() const { return fd_ >= 0; }
    // The file's size when it was opened.
    std::uintmax_t Size() const { return size_; }
    // Reads up to length bytes from the current place: the count read (0 at the end), or -1 with
    // Error() set.
    long Read(void* buffer, std::size_t length);
    // Moves the current place to offset from the start; false with Error() set on failure.
    bool Seek(std::uintmax_t offset);
    // The errno of the last failure (0: none).
    int Error() const { return error_; }
    void Close();

private:
    int fd_ = -1;
    std::uintmax_t size_ = 0;
    int error_ = 0;
    std::filesystem::path path_;
};

class CGbkLineReader {
public:
    CGbkLineReader() = default;
    bool Open(const std::filesystem::path& path);
    // The errno of the last Open that failed (ENOENT: no file is there); 0 after one that did not.
    int OpenError() const { return openError_; }
    // Reads from bytes already in memory (GBK).
    void OpenBytes(std::string bytes);
    bool IsOpen() const { return open_; }

    // Next line without its line end (LF or CR LF), converted to UTF-8. False at the end.
    bool ReadLine(std::string& line);
    // Number of the line last read, counted from 1; 0 before the first.
    int LineNumber() const { return lineNo_; }
    bool AtEnd() const { return pos_ >= bytes_.size(); }

private:
    std::string bytes_;
    std::size_t pos_ = 0;
    int lineNo_ = 0;
    bool open_ = false;
    int openError_ = 0;
};

// Builds the GBK bytes of a text file from UTF-8 pieces. A "\n" in a piece is written as CR LF
// unless it already follows a CR, so text that has CR LF line ends keeps them as they are.
class CGbkTextBuilder {
public:
    // Writes the text as it is, its "\n" as CR LF.
    void Write(std::string_view utf8);
    // Writes the text and CR LF.
    void WriteLine(std::string_view utf8);
    // False when a character had no GBK form since the start ('?' was written in its place).
    bool Good() const { return good_; }
    const std::string& Bytes() const { return bytes_; }
    // Hands over the bytes built so far; what is written next continues the same text.
    std::string TakeBytes();

private:
    std::string bytes_;
    bool afterCr_ = false; // the last byte written, even one handed over, was a CR
    bool good_ = true;
};

// The GBK bytes of a whole UTF-8 text with CR LF line ends, as CGbkTextBuilder::Write makes them.
std::string GbkTextBytes(std::string_view utf8);

class CGbkTextCapture;

class CGbkTextWriter {
public:
    CGbkTextWriter() = default;
    ~CGbkTextWriter();
    CGbkTextWriter(const CGbkTextWriter&) = delete;
    CGbkTextWriter& operator=(const CGbkTextWriter&) = delete;

    // Creates (or, with append, extends) the file. False when it cannot be opened.
    bool Open(const std::filesystem::path& path, bool append = false);
    bool IsOpen() const { return file_ != nullptr || capture_ != nullptr; }
    // Writes the text and CR LF.
    void WriteLine(std::string_view utf8);
    // Writes the text as it is; "\n" in it is written as CR LF.
    void Write(std::string_view utf8);
    // False when a conversion or a write failed since Open.
    bool Good() const { return good_ && buffer_.Good(); }
    // Flushes to the disk and closes; false when anything failed.
    bool Close();

private:
    std::FILE* file_ = nullptr;
    // The capture active at Open: it takes the bytes instead of file_, or beside it when it only
    // digests what is written.
    CGbkTextCapture* capture_ = nullptr;
    std::string captureName_;
    std::filesystem::path path_;
    bool good_ = true;
    CGbkTextBuilder buffer_;
    void Flush();
};

// While one is alive, the text writers of its thread opened after it keep the bytes they write
// here, by path, and create no file: what a set of writers would put on disk is learned without
// touching it. Captures nest; the innermost one takes the bytes.
class CGbkTextCapture {
public:
    // What is kept of each file: its bytes, or only a digest of them (its size and two 64-bit
    // hashes), for a comparison that need not hold a second copy of large files. With
    // DigestOfWritten the writers write their files as usual and the capture keeps the digest of
    // what they wrote, each file named as if written below as instead of below base.
    enum class Keep { Bytes, Digest, DigestOfWritten };
    explicit CGbkTextCapture(Keep keep = Keep::Bytes, std::filesystem::path base = {},
                             std::filesystem::path as = {});
    ~CGbkTextCapture();
    CGbkTextCapture(const CGbkTextCapture&) = delete;
    CGbkTextCapture& operator=(const CGbkTextCapture&) = delete;

    // Every file written, by its path, in the order of the paths: its bytes, or with Keep::Digest
    // a short text of its digest.
    const std::map<std::string, std::string>& Files() const;

private:
    friend class CGbkTextWriter;
    // Two hashes of the bytes taken eight at a time, so that a file costs a few operations per
    // word; the bytes of a last word not yet whole wait in tail, and the digest does not depend on
    // how the writes cut the bytes.
    struct Digest {
        std::uint64_t size = 0;
        std::uint64_t mix = 0xcbf29ce484222325ull; // multiply and shift
        std::uint64_t poly = 0;                    // a polynomial hash of another base
        std::uint64_t tail = 0;
        void Add(std::string_view bytes);
        void AddWord(std::uint64_t word);
        // The two hashes with the bytes of tail taken in.
        std::pair<std::uint64_t, std::uint64_t> Hashes() const;
    };
    static CGbkTextCapture*& Active();
    bool Writes() const { return keep_ == Keep::DigestOfWritten; }
    std::string NameOf(const std::filesystem::path& path) const;
    void Start(const std::string& name, bool append);
    void Add(const std::string& name, std::string_view bytes);
    Keep keep_;
    std::filesystem::path base_, as_;
    mutable std::map<std::string, std::string> files_;
    std::map<std::string, Digest> digests_;
    CGbkTextCapture* previous_ = nullptr;
};

} // namespace platform
