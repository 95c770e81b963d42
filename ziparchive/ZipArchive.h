#pragma once
// Packs files and folders into one zip archive and unpacks an archive into a folder: the PKWARE
// format with raw deflate through zlib, single-file or multi-volume (numbered files), traditional
// PKWARE encryption when a password is set.
//
// Failures come back either as a false result (the archive stays open and usable) or as
// CZipException / CZipFileException; after an exception the caller closes with
// Close(true).
#include "ziparchive/ZipDeflate.h"
#include "ziparchive/ZipDirectory.h"
#include "ziparchive/ZipEntryHeader.h"
#include "ziparchive/ZipException.h"
#include "ziparchive/ZipVolumeStorage.h"

#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

// Called after every buffer with the total (source length when adding, uncompressed size when
// extracting), the bytes done so far and the caller's value; false stops the copy early.
using ZipProgressFunc = bool (*)(std::uint64_t total, std::uint64_t done, void* userValue);

class CZipArchive {
public:
    enum OpenMode {
        zipOpen = 0,         // an existing archive, for reading and adding
        zipOpenReadOnly = 1, // an existing archive, read only
        zipCreate = 2,       // a new one-file archive
        zipCreateSpan = 3,   // a new multi-volume archive (volume size > 0: numbered files)
    };
    enum EntryState { stateIdle = 0, stateAdding = 1, stateExtracting = 255 };

    CZipArchive();
    virtual ~CZipArchive();
    CZipArchive(const CZipArchive&) = delete;
    CZipArchive& operator=(const CZipArchive&) = delete;

    // False, doing nothing, when the archive is already open.
    bool Open(const std::string& path, int mode = zipOpen, std::int64_t volumeSize = 0);
    void Close(bool afterException = false);

    // Only while closed; each value below 1024 becomes 1024.
    void SetBufferSizes(int writeBuffer = 65535, int generalBuffer = 16384, int searchBuffer = 32768);
    void SetVolumeCallback(ZipVolumeCallback callback = nullptr, void* userValue = nullptr);
    // The folder prefix that AddFile removes from the names it stores.
    void SetRootPath(const std::string& path) { m_szRootPath = path; }
    // The password for the entries added or extracted next (UTF-8; stored as GBK). Emptied by
    // every Open. False when it has no GBK form or an entry is open.
    bool SetPassword(const std::string& password);

    // Adds one file or folder; false when it cannot be added (nothing is then left behind). A file
    // that deflate cannot shrink (zipdeflate::CShrinkProbe) is written as stored deflate blocks.
    bool AddFile(const std::string& path, int level = -1, bool fullPath = true,
                 ZipProgressFunc progress = nullptr, void* userValue = nullptr,
                 std::size_t bufferSize = 65535);
    // Adds the files and folders in the order given, as AddFile does one by one, and writes the
    // same archive bytes; with threads > 1 the files are deflated on that many threads while the
    // calling thread writes them in order (not for encrypted or multi-volume archives, which go
    // one by one). Each file is streamed: memory stays within kAddFilesBudget and a few buffers
    // per thread whatever the files' sizes. False at the first path that cannot be added, and
    // what AddFile raises (CZipFileException, "read") for a file whose read fails, wherever in
    // the file; the entries before it stay, and none is left for that file.
    bool AddFiles(const std::vector<std::string>& paths, int level = -1, bool fullPath = true,
                  int threads = 1);
    // The compressed bytes that AddFiles on several threads holds at most for files it has not
    // written yet: memory stays bounded whatever the folder holds, each thread adding its
    // buffers and deflate state of well under a megabyte.
    static constexpr std::uint64_t kAddFilesBudget = std::uint64_t{32} << 20;
    // The most compressed bytes the last AddFiles on several threads held at once.
    std::uint64_t GetAddFilesPeak() const { return m_uAddFilesPeak; }
    // The source the last AddFiles that failed stopped at (empty when it failed at no source).
    const std::string& GetFailedSource() const { return m_szFailedSource; }
    // Writes the entry under the folder. Entries named outside the folder (absolute, with a
    // drive, or with a ".." component) are refused with false.
    bool ExtractFile(int index, const std::string& folder, bool fullPath = true,
                     const std::string& newName = {}, ZipProgressFunc progress = nullptr,
                     void* userValue = nullptr, std::size_t bufferSize = 65535);

    // Extracts every entry under the folder, as ExtractFile does one by one, and writes the same
    // files; with threads > 1 the folders are made first and the files are extracted on that many
    // threads, each reading the archive through its own handle (not for multi-volume archives,
    // nor for archives whose names are refused or name one file twice: those go one by one and
    // stop at that entry). Before anything is written, the sizes the entries declare are held
    // against the extraction limits and the free space of the target (CZipException tooLarge or
    // noSpace); no entry inflates past its declared size (badZipFile). False or an exception
    // when an entry could not be extracted: the files and folders written by then are removed.
    // Threads pay only for what the entries declare: each thread is to have at least
    // kExtractBytesPerThread bytes to write (a small archive is extracted on the calling thread
    // alone, where helper threads would only add their start-up and contention to the work).
    bool ExtractFiles(const std::string& folder, int threads = 1);
    static constexpr std::uint64_t kExtractBytesPerThread = std::uint64_t{8} << 20;
    // The threads ExtractFiles takes for entries declaring `declared` bytes in `files` files,
    // at most `requested`; bytesPerThread 0 takes as many as asked (one per file at most).
    static int ExtractThreadsFor(int requested, std::uint64_t declared, std::uint64_t files,
                                 std::uint64_t bytesPerThread);
    // The bytes per thread of the rule above (kExtractBytesPerThread unless set).
    void SetExtractBytesPerThread(std::uint64_t bytes) { m_uExtractBytesPerThread = bytes; }
    // The threads the last ExtractFiles extracted its files on.
    int GetExtractThreads() const { return m_iExtractThreads; }

    // What ExtractFiles may write: the sizes the entries declare add up to at most maxTotal bytes
    // and, beyond ratioFloor bytes, to at most maxRatio times the archive file's size (deflate
    // shrinks project files a few times, not a hundred); and the target's file system has room
    // for them. The defaults hold every project; a unit's archive that claims more is refused.
    struct ExtractLimits {
        std::uint64_t maxTotal = std::uint64_t{2} << 30;
        std::uint64_t maxRatio = 100;
        std::uint64_t ratioFloor = std::uint64_t{64} << 20;
        bool checkFreeSpace = true;
    };
    // What a file system that can store the extracted files has free: bytes in whole blocks, and a
    // free inode for each file (a file system that counts no inodes, files == 0, always has one).
    struct FreeSpace {
        std::uint64_t blockSize = 0;
        std::uint64_t freeBlocks = 0;
        std::uint64_t files = 0;
        std::uint64_t freeFiles = 0;
    };
    // True when `files` files declaring `declared` bytes together fit: each file may end in a
    // part-used block, and each takes an inode.
    static bool FitsFreeSpace(std::uint64_t declared, std::uint64_t files, const FreeSpace& space);
    void SetExtractLimits(const ExtractLimits& limits) { m_limits = limits; }
    const ExtractLimits& GetExtractLimits() const { return m_limits; }

    int GetEntryCount() const { return static_cast<int>(m_centralDir.m_headers.size()); }
    bool GetEntryInfo(int index, CZipEntryHeader& header) const;
    // The archive file's name with extension and without folder.
    std::string GetArchiveName() const;
    const std::string& GetArchivePath() const { return m_szArchivePath; }
    bool IsClosed(bool checkDisk = true) const;
    // 0 one file, 1 a multi-volume archive being written, -1 an existing multi-volume archive.
    int GetSpanMode() const { return m_storage.IsSpanned(); }
    // The archive comment (raw bytes).
    std::string GetGlobalComment() const;

    // Entry-level operations.
    bool OpenNewEntry(CZipEntryHeader& header, int level = -1, const std::string& sourcePath = {});
    bool WriteToNewEntry(const void* data, std::size_t length);
    bool CloseNewEntry();
    bool OpenEntry(int index);
    std::size_t ReadFromEntry(void* buffer, std::size_t length);
    // 1 success, -1 not all data was read, -2 the attributes could not be set, 0 no entry open
    // or the times could not be set.
    int CloseExtractedFile(const std::string& targetPath = {}, bool afterException = false);

    // True when the entry name stays inside the folder it is extracted to.
    static bool IsSafeEntryName(const std::string& name);
    // Creates a folder and every missing parent.
    static bool ForceDirectory(const std::string& path);

private:
    // What one ExtractFiles call created, so that a failed extraction leaves nothing behind.
    // Shared by the threads of the call.
    struct ExtractJournal {
        std::mutex mutex;
        std::vector<std::string> folders; // each the outermost folder one creation made
        std::vector<std::string> files;
        void AddFolder(std::string path);
        void AddFile(std::string path);
        void Undo();
    };

    struct StreamInfo {
        std::size_t m_iBufferSize = 16384;
        z_stream m_stream{};
        std::uint64_t m_uUncomprLeft = 0;
        std::uint64_t m_uComprLeft = 0; // to read (extracting) or waiting in the buffer (adding)
        std::uint64_t m_uComprTotal = 0;
        std::uint64_t m_uUncomprTotal = 0;
        std::uint32_t m_uCrc32 = 0;
        bool m_bStreamEnd = false;
        CZipByteBuffer m_pBuffer;
    };

    // One deflate state per archive, reset between entries: a state costs a few hundred
    // kilobytes that would otherwise be allocated, zeroed and freed for every file.
    z_stream m_deflate{};
    bool m_bDeflateReady = false;
    bool m_bInflateReady = false; // m_info.m_stream holds an inflate state
    // The folder the last extracted file went to, known to exist.
    std::string m_szLastFolder;
    mode_t m_umask = 0;
    bool m_bUmaskKnown = false;
    // The last entry time converted, as DOS date << 16 | time.
    std::uint32_t m_uLastDosTime = 0;
    std::time_t m_lastTime = 0;
    bool m_bLastTimeKnown = false;
    int m_iDeflateLevel = 0;
    // The open entry's data arrived already compressed (AddFiles): closing it adds nothing.
    bool m_bRawEntry = false;
    // The entry being added is written as stored deflate blocks (data deflate cannot shrink).
    bool m_bFlatEntry = false;
    zipdeflate::CStoredBlocks m_storedBlocks;
    std::vector<std::uint8_t> m_readBuffer;
    zipdeflate::CShrinkProbe m_shrinkProbe;

    ExtractLimits m_limits;
    std::uint64_t m_uExtractBytesPerThread = kExtractBytesPerThread;
    int m_iExtractThreads = 0;
    std::uint64_t m_uAddFilesPeak = 0;
    std::string m_szFailedSource;
    ExtractJournal* m_pJournal = nullptr; // set during ExtractFiles

    bool m_bDetectZlibMemoryLeaks = true;
    std::string m_pszPassword; // GBK bytes
    std::uint32_t m_keys[3] = {0, 0, 0};
    StreamInfo m_info;
    CZipVolumeStorage m_storage;
    std::vector<void*> m_list; // blocks zlib holds now
    int m_iFileOpened = stateIdle;
    CZipDirectory m_centralDir;
    std::string m_szRootPath;
    std::string m_szArchivePath;

    void CheckForError(int err) const;
    [[noreturn]] void ThrowError(int code) const;
    void FlushNewEntryBuffer();
    // Appends bytes to the entry's data buffer, writing it out whenever it is full.
    void CopyToNewEntryBuffer(const std::uint8_t* p, std::size_t length);
    void EmptyPtrList();
    void ResetStream();
    void PrepareDeflate(int level);
    void EndDeflate(bool afterException);
    void EndInflate(bool afterException);
    // Checks a path for AddFile/AddFiles: its stored name and its status. False when it is no
    // file or folder that can be added.
    bool PrepareAdd(const std::string& path, bool fullPath, std::string& name, struct stat& st) const;
    // How an entry's data is made: deflated here, written as stored deflate blocks (data that
    // deflate cannot shrink), or arriving already compressed (the parallel AddFiles).
    enum EntryData { entryDeflate, entryFlat, entryRaw };
    // OpenNewEntry with the source's status already read (none: no source file).
    bool OpenNewEntryFrom(CZipEntryHeader& header, int level, const struct stat* source,
                          EntryData how = entryDeflate);
    // The parallel AddFiles: its shared state, one file's slot in it, and its workers.
    struct ParallelAdd;
    struct ParallelSlot;
    class ParallelWorker;
    // Writes the file at `index` as its worker hands on its compressed data (or adds it with
    // AddFile when the worker found no regular file).
    bool WriteStreamedFile(ParallelAdd& shared, const std::string& path, bool fullPath, int level,
                           std::size_t index);
    // A file the worker could not pack: raises what AddFile raises for the failed read (readError
    // its errno), false for any other failure.
    static bool FailStreamedFile(const std::string& path, int readError);
    static void* MyAlloc(void* opaque, uInt items, uInt size);
    static void MyFree(void* opaque, void* address);

    // Traditional PKWARE encryption.
    void CryptInitKeys();
    void CryptUpdateKeys(std::uint8_t c);
    std::uint8_t CryptDecryptByte() const;
    void CryptEncodeBuffer(std::uint8_t* data, std::size_t length);
    void CryptDecodeBuffer(std::uint8_t* data, std::size_t length);
    void CryptCryptHeader(std::uint32_t check, std::uint8_t* header);
    bool CryptCheckHeader(const CZipEntryHeader& header, std::uint8_t* buffer);

    // Raises tooLarge or noSpace when the entries declare more than the limits or the free space
    // of the folder's file system allow.
    void CheckExtractLimits(const std::string& folder) const;
    // The extraction of every entry, without the limits and the clean-up of ExtractFiles.
    bool ExtractAll(const std::string& folder, int threads);
    bool ExtractOneByOne(const std::string& folder);
    // True when the entries must be extracted in their order: a refused name, or one file
    // named twice.
    bool DependsOnEntryOrder() const;
    // Makes the folders and cuts the file entries into runs of one folder (the first entry of
    // each run, then the entry count); false when a folder cannot be made.
    bool PrepareRuns(const std::string& folder, std::vector<int>& runs);
    // Extracts the runs on that many threads, the calling thread among them.
    bool ExtractRuns(const std::string& folder, const std::vector<int>& runs, int threads);
    // Gives the folders of the entries extracted below the folder their entries' times.
    void SetFolderTimes(const std::string& folder);
    // ReadFromEntry of a stored and of a deflated entry.
    std::size_t ReadStored(std::uint8_t* out, std::size_t want);
    std::size_t ReadDeflated(std::uint8_t* out, std::size_t want);
    void RefillInflateInput();
    // Reads the deflated entry to its stream end once all its declared bytes are out.
    void FinishInflate();
    // A new file at the target (one already there is replaced), noted in the journal; raises
    // CZipFileException when it cannot be created.
    int CreateTargetFile(const std::string& target, const std::string& parent);
    // Writes the open entry's data to the file and closes the entry, then gives the file the
    // entry's time and mode; the result of CloseExtractedFile.
    int WriteEntryTo(int fd, const std::string& target, const CZipEntryHeader& header,
                     ZipProgressFunc progress, void* userValue, std::size_t bufferSize);
    // ForceDirectory, noting in the journal what it created.
    bool MakeFolder(const std::string& path);

    std::string StoredNameFor(const std::string& path, bool fullPath) const;
    // The mode the entry's attributes give a file or folder of the current mode; false when they
    // ask for no change.
    static bool EntryMode(const CZipEntryHeader& header, mode_t current, mode_t umask, mode_t& mode);
    void EntryTimes(const CZipEntryHeader& header, struct timespec times[2]);
    mode_t Umask();
    bool SetAttributes(const std::string& path, const CZipEntryHeader& header);
    bool SetFileAttributes(int fd, const CZipEntryHeader& header);
};
