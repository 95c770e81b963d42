#pragma once
// The file under the zip archive: 64-bit positions, failures raised as CZipFileException. Every
// archive file and volume is opened through it. Sharing modes have no meaning here: POSIX files
// are not locked against other writers.
#include <cstddef>
#include <cstdint>
#include <string>

class CZipBigFile {
public:
    enum OpenMode {
        modeRead = 0x0,
        modeReadWrite = 0x2,
        modeCreate = 0x1000,     // create the file, truncating an existing one
        modeNoTruncate = 0x2000, // with modeCreate: keep an existing file's bytes
    };
    enum SeekFrom { begin = 0, current = 1, end = 2 };

    CZipBigFile() = default;
    ~CZipBigFile();
    CZipBigFile(const CZipBigFile&) = delete;
    CZipBigFile& operator=(const CZipBigFile&) = delete;

    // Opens the file; raises CZipFileException on failure.
    void Open(const std::string& path, int flags);
    // Closes the file; raises on a failed close of a written file.
    void Close();
    // Closes without raising (after a failure).
    void Abort();
    bool IsOpen() const { return m_fd >= 0; }

    std::uint64_t Seek(std::int64_t offset, SeekFrom from);
    // The position and, while the file is written here, its length are kept in this object, so
    // that asking for them and seeking to where the file already stands cost no system call.
    std::uint64_t GetPosition() const;
    // True when the position is known to be the end of the file.
    bool IsAtEnd() const { return m_bPosKnown && m_bLengthKnown && m_uPos == m_uLength; }
    std::uint64_t GetLength() const;
    void SetLength(std::uint64_t length);
    // Reads up to count bytes; fewer only at the end of the file.
    std::size_t Read(void* buffer, std::size_t count);
    // Writes all bytes or raises.
    void Write(const void* data, std::size_t count);
    void Flush();
    // Positioned transfers that leave the file position alone.
    std::size_t ReadAt(std::uint64_t position, void* buffer, std::size_t count);
    void WriteAt(std::uint64_t position, const void* data, std::size_t count);

    // The path is stored as given.
    void SetFilePath(const std::string& path) { m_strFileName = path; }
    const std::string& GetFilePath() const { return m_strFileName; }

private:
    int m_fd = -1;
    std::uint64_t m_uPos = 0;
    std::uint64_t m_uLength = 0;
    bool m_bPosKnown = false;
    bool m_bLengthKnown = false;
    void Forget() { m_bPosKnown = m_bLengthKnown = false; }
    void Grown(std::uint64_t end) {
        if (m_bLengthKnown && end > m_uLength)
            m_uLength = end;
    }
    std::string m_strFileName;
};
