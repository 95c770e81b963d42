#pragma once
// The file layer under the zip archive: opens and closes the archive file, buffers every write,
// reads with or without the guarantee that a record lies whole on one volume, and spreads a
// multi-volume archive over numbered files of a fixed size ("name.000", "name.001", ...,
// "name.zip" for the last).
//
// Removable-disk spanning (one volume per floppy, with disk labels) has no meaning on Linux:
// every path is treated as lying on a drive that is not removable, so such an archive is refused
// when created and an existing multi-volume archive is always read as numbered files.
#include "ziparchive/ZipBigFile.h"
#include "ziparchive/ZipByteBuffer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CZipEntryHeader;

// Asks for the next disk of a removable-disk archive: (1-based disk number, code, user value);
// false aborts. Kept for the interface; never called on Linux (see above).
using ZipVolumeCallback = bool (*)(int disk, int code, void* userValue);

class CZipVolumeStorage {
public:
    enum Mode {
        noSpan = 0,       // one file
        pkzipSpan = 1,    // one volume per removable disk
        tdSpan = 2,       // numbered files of a fixed size
        detectSpan = 3,   // existing archive, kind not yet known
        detectTdSpan = 4, // existing archive opened with a volume size, kind not yet known
    };
    // Open modes, as the archive passes them.
    enum OpenMode { openExisting = 0, openReadOnly = 1, create = 2, createSpan = 3 };

    CZipVolumeStorage() = default;
    CZipVolumeStorage(const CZipVolumeStorage&) = delete;
    CZipVolumeStorage& operator=(const CZipVolumeStorage&) = delete;

    void Open(const std::string& path, int mode, std::int64_t volumeSize);
    void Close(bool afterException);
    void Write(const void* data, std::size_t length, bool atomic);
    std::size_t Read(void* buffer, std::size_t length, bool atomic);
    void Flush();
    // Reading: makes disk n the current one.
    void ChangeDisk(int n);
    // After the end record has been read: learns the kind of an existing archive.
    void UpdateMode(int endRecordDisk);
    // Writing: makes sure a record of `length` bytes can be written whole on the current volume,
    // changing to the next volume when needed (as an atomic Write would).
    void EnsureRoom(std::size_t length);
    int GetCurrentDisk() const { return m_iCurrentDisk; }
    // File position plus the bytes waiting in the write buffer.
    std::uint64_t GetPosition() const;
    // Bytes still free on the current volume of an archive being spanned.
    std::int64_t FreeSpace() const;
    // 0 one file, 1 a multi-volume archive being written, -1 an existing multi-volume archive.
    int IsSpanned() const;
    bool IsReadOnly() const { return m_bReadOnly; }
    bool IsOpen() const { return m_pFile != nullptr; }

    // Positioning of the current file (the write buffer is flushed first).
    void Seek(std::uint64_t position);
    void SeekBy(std::int64_t offset);
    void SeekToEnd();
    std::uint64_t GetLength();
    // Cuts the current file (after a flush).
    void SetLength(std::uint64_t length);
    // Patches bytes of the current volume at an absolute position, in the write buffer when they
    // still wait there, else in the file. The file position is left at the end afterwards.
    void WriteAt(std::uint64_t position, const void* data, std::size_t length);

    // Turns a multi-volume archive that is still on its first volume into a one-file archive:
    // drops the leading signature and the data descriptors of unencrypted entries, writes CRC and
    // sizes into the local headers and corrects the offsets of the headers.
    bool ConvertToSingleFile(std::vector<std::unique_ptr<CZipEntryHeader>>& headers, std::size_t neededRoom);

    const std::string& GetFilePath() const { return m_file.GetFilePath(); }
    // The path of the archive as opened (the last volume keeps this name).
    const std::string& GetArchivePath() const { return m_strPath; }

    int m_iWriteBufferSize = 65535;
    void* m_pCallbackData = nullptr;
    ZipVolumeCallback m_pChangeDiskFunc = nullptr;

private:
    CZipBigFile m_file;
    CZipBigFile* m_pFile = nullptr;
    int m_iSpanMode = noSpan;
    std::int64_t m_iTdSpanData = 0; // volume size while writing, the last disk when reading
    std::size_t m_uBytesInWriteBuffer = 0;
    CZipByteBuffer m_pWriteBuffer;
    std::uint64_t m_uBytesWritten = 0;
    bool m_bNewSpan = false;
    bool m_bRenameLastVolume = false;
    bool m_bReadOnly = false;
    int m_iCurrentDisk = -1;
    std::string m_strPath;

    void WriteInternal(const void* data, std::size_t length);
    void NextVolume(std::size_t needed);
    std::string VolumeName(int disk, bool last) const;
    void OpenVolumeForReading(int disk);
    [[noreturn]] void Raise(int code) const;
    static bool IsRemovable(const std::string& path);
    void ConvertInBuffer(std::vector<std::unique_ptr<CZipEntryHeader>>& headers);
    void ConvertInFile(std::vector<std::unique_ptr<CZipEntryHeader>>& headers);
};
