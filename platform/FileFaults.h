#pragma once
// The file layer's one fault seam. Every file-system call the programs make goes through a
// function of this layer (or of TextFile.h) that asks FileStepFails first; a test installs a plan
// that fails a chosen call with a chosen errno, so each failure branch of a save, an open, a copy
// or an upload can be run. With no plan installed every step goes ahead; the programs never
// install one.
//
// What each step covers:
//   Open     opening a file, for reading as well as for writing or appending; making a folder
//   Read     reading an opened file's bytes (once for a whole-file read, per chunk otherwise)
//   Write    writing bytes to an opened file (a failure leaves half of them written, as a full disk)
//   Sync     flushing a written file to the disk
//   Rename   renaming a file or folder (the path asked is the new name)
//   Exchange swapping two entries in one step (the path asked is the second)
//   Link     giving an unnamed temporary file its name
//   Copy     copying a file (asked with the target, before the copy's own open, read and write)
//   Remove   removing a file, an empty folder or a tree
//   List     listing a folder's entries
//   Stat     learning whether a path is there and what it is
//   Chmod    setting a file's mode
//   Lock     taking a lock on a file
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace platform {

enum class FileStep {
    Open,
    Write,
    Sync,
    Rename,
    Exchange,
    Link,
    Copy,
    Remove,
    Read,
    List,
    Stat,
    Chmod,
    Lock
};
constexpr std::size_t kFileStepCount = 13;

// The step's name ("open", "write", ...), for messages of tests.
const char* FileStepName(FileStep step);
// The errno a step fails with when the plan names none: ENOSPC for a write, EIO otherwise.
int DefaultFileError(FileStep step);

// Asked before a step on path; true means the step is to fail as the file system would (errno is
// set to the plan's error for it). Counts the call for the installed plan; a filter may itself
// ask the plan for its counts.
bool FileStepFails(FileStep step, const std::filesystem::path& path);

// True when an installed plan asks flushes to the disk to be skipped (see SkipDiskSync).
bool DiskSyncSkipped();

// A plan of failures, installed while the object lives. Plans nest: every plan installed counts
// each call, and a call fails when any of them fails it (with the innermost one's error).
class CFileFaults {
public:
    using Filter = std::function<bool(const std::filesystem::path&)>;
    // One seam call, in the order made.
    struct Call {
        FileStep step;
        std::filesystem::path path;
    };
    CFileFaults();
    ~CFileFaults();
    CFileFaults(const CFileFaults&) = delete;
    CFileFaults& operator=(const CFileFaults&) = delete;

    // Fails the nth call (from 1) of step whose path the filter accepts (every path without one),
    // with error (0: DefaultFileError of the step).
    CFileFaults& FailNth(FileStep step, int nth, Filter filter = {}, int error = 0);
    // Fails every call of step from the nth on (for the paths the filter accepts).
    CFileFaults& FailFrom(FileStep step, int nth, Filter filter = {}, int error = 0);
    // Fails the nth seam call of any step, counted from 1 across all steps, with error (0: the
    // default of the step that call is), so that a sweep can fail each call of a road in turn.
    CFileFaults& FailNthCall(int nth, int error = 0);
    // Calls of step counted so far (those the filter of its plan accepted, when one is set).
    int Calls(FileStep step) const;
    // Calls of step that were made to fail.
    int Failed(FileStep step) const;
    // Seam calls of every step so far, and those made to fail.
    int TotalCalls() const;
    int TotalFailed() const;
    // Every seam call so far, in order.
    std::vector<Call> Log() const;
    // While the plan lives, flushes to the disk are asked of the seam (and may fail) but not
    // made: a sweep runs a road hundreds of times, and what it checks does not need the disk.
    CFileFaults& SkipDiskSync();

private:
    friend bool FileStepFails(FileStep, const std::filesystem::path&);
    friend bool DiskSyncSkipped();
    struct Rule {
        int nth = 0; // 0: the step never fails
        bool onward = false;
        int error = 0;
        Filter filter;
        int calls = 0;
        int failed = 0;
    };
    std::array<Rule, kFileStepCount> rules_{};
    bool skipSync_ = false;
    int failCall_ = 0;
    int failCallError_ = 0;
    int totalCalls_ = 0;
    int totalFailed_ = 0;
    std::vector<Call> log_;
    CFileFaults* previous_ = nullptr;
};

// The file functions that take part in the seam, for code outside the platform's own writers.
// Renames from to to (replacing a file or an empty folder there); false when that failed.
bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes a file or an empty folder; true when it is gone (or never was).
bool RemoveFile(const std::filesystem::path& path);
// Removes a folder and everything below it; true when it is gone (or never was).
bool RemoveTree(const std::filesystem::path& path);
// read(2) of fd, the file at path, retried on EINTR; -1 with errno set when the read failed.
long ReadFileChunk(int fd, void* buffer, std::size_t length, const std::filesystem::path& path);
// Reads length bytes of fd, the file at path, from offset on with positioned reads (so threads
// may share the descriptor), retried on EINTR and continued after a short read; false with errno
// set when a read failed, or EIO when the file ended first.
bool ReadFileAt(int fd, void* buffer, std::size_t length, std::uint64_t offset,
                const std::filesystem::path& path);

// One entry of a folder (symbolic links followed).
struct FolderEntry {
    std::filesystem::path path;
    bool folder = false;
    bool file = false; // a plain file
};
// The entries of folder ("." and ".." left out, in no order): 0, or the errno of the failure
// (ENOENT or ENOTDIR: no folder is there; anything else: it could not be listed, and entries
// holds nothing). An entry that vanishes while it is looked at is left out.
int ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries);

// What is at a path (symbolic links followed).
struct PathStat {
    int error = 0;       // the errno of a failure to learn it (never ENOENT or ENOTDIR)
    bool exists = false; // false when absent, and when it failed
    bool folder = false;
    bool file = false; // a plain file
    std::uintmax_t size = 0;
    unsigned mode = 0; // the permission bits
    bool Failed() const { return error != 0; }
};
PathStat StatPath(const std::filesystem::path& path);

// Sets a file's permission bits; 0, or the errno of the failure.
int ChangeMode(const std::filesystem::path& path, unsigned mode);
// Makes a folder and the folders above it that are missing; 0, or the errno of the failure.
int MakeFolders(const std::filesystem::path& folder);

// An exclusive lock (flock) on a file, made when missing, held while the object lives. It is
// not waited for: another holder fails the lock with EWOULDBLOCK.
class CFileLock {
public:
    CFileLock() = default;
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;
    // 0 when the lock is held, or the errno of the failure (EWOULDBLOCK: another holds it).
    int Lock(const std::filesystem::path& file);
    void Unlock();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The text of an errno for a message ("Permission denied").
std::string ErrorText(int error);

} // namespace platform
