#pragma once
// The file layer's one fault seam. Every step of the platform's file functions (open, write,
// fsync, rename, exchange, link, copy, remove, and the reads of sources being packed) asks
// FileStepFails first; a test installs a plan
// that fails the Nth call of a kind (optionally only for paths a filter picks), so each failure
// branch of a save, copy or upload can be run. With no plan installed every step goes ahead; the
// programs never install one.
#include <array>
#include <filesystem>
#include <functional>

namespace platform {

enum class FileStep { Open, Write, Sync, Rename, Exchange, Link, Copy, Remove, Read };
constexpr std::size_t kFileStepCount = 9;

// Asked before a step on path; true means the step is to fail as the file system would (errno is
// set to EIO, or ENOSPC for a write). Counts the call for the installed plan; a filter may itself
// ask the plan for its counts.
bool FileStepFails(FileStep step, const std::filesystem::path& path);

// A plan of failures, installed while the object lives (one at a time; installing a second
// replaces the first until it goes).
class CFileFaults {
public:
    using Filter = std::function<bool(const std::filesystem::path&)>;
    CFileFaults();
    ~CFileFaults();
    CFileFaults(const CFileFaults&) = delete;
    CFileFaults& operator=(const CFileFaults&) = delete;

    // Fails the nth call (from 1) of step whose path the filter accepts (every path without one).
    CFileFaults& FailNth(FileStep step, int nth, Filter filter = {});
    // Fails every call of step from the nth on (for the paths the filter accepts).
    CFileFaults& FailFrom(FileStep step, int nth, Filter filter = {});
    // Calls of step counted so far (those the filter of its plan accepted, when one is set).
    int Calls(FileStep step) const;
    // Calls of step that were made to fail.
    int Failed(FileStep step) const;

private:
    friend bool FileStepFails(FileStep, const std::filesystem::path&);
    struct Rule {
        int nth = 0; // 0: the step never fails
        bool onward = false;
        Filter filter;
        int calls = 0;
        int failed = 0;
    };
    std::array<Rule, kFileStepCount> rules_{};
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

} // namespace platform
