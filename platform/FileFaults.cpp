#include "platform/FileFaults.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::recursive_mutex& PlanMutex() {
    static std::recursive_mutex m;
    return m;
}

CFileFaults*& Plan() {
    static CFileFaults* plan = nullptr;
    return plan;
}

} // namespace

CFileFaults::CFileFaults() {
    std::lock_guard lock(PlanMutex());
    previous_ = Plan();
    Plan() = this;
}

CFileFaults::~CFileFaults() {
    std::lock_guard lock(PlanMutex());
    for (CFileFaults** link = &Plan(); *link; link = &(*link)->previous_)
        if (*link == this) {
            *link = previous_;
            break;
        }
}

const char* FileStepName(FileStep step) {
    static const char* const names[kFileStepCount] = {"open", "write", "sync",   "rename", "exchange",
                                                      "link", "copy",  "remove", "read",   "list",
                                                      "stat", "chmod", "lock"};
    return names[static_cast<std::size_t>(step)];
}

int DefaultFileError(FileStep step) {
    return step == FileStep::Write ? ENOSPC : EIO;
}

CFileFaults& CFileFaults::FailNth(FileStep step, int nth, Filter filter, int error) {
    std::lock_guard lock(PlanMutex());
    Rule& r = rules_[static_cast<std::size_t>(step)];
    r.nth = nth;
    r.onward = false;
    r.error = error;
    r.filter = std::move(filter);
    return *this;
}

CFileFaults& CFileFaults::FailFrom(FileStep step, int nth, Filter filter, int error) {
    FailNth(step, nth, std::move(filter), error);
    std::lock_guard lock(PlanMutex());
    rules_[static_cast<std::size_t>(step)].onward = true;
    return *this;
}

CFileFaults& CFileFaults::FailNthCall(int nth, int error) {
    std::lock_guard lock(PlanMutex());
    failCall_ = nth;
    failCallError_ = error;
    return *this;
}

int CFileFaults::Calls(FileStep step) const {
    std::lock_guard lock(PlanMutex());
    return rules_[static_cast<std::size_t>(step)].calls;
}

int CFileFaults::Failed(FileStep step) const {
    std::lock_guard lock(PlanMutex());
    return rules_[static_cast<std::size_t>(step)].failed;
}

int CFileFaults::TotalCalls() const {
    std::lock_guard lock(PlanMutex());
    return totalCalls_;
}

int CFileFaults::TotalFailed() const {
    std::lock_guard lock(PlanMutex());
    return totalFailed_;
}

std::vector<CFileFaults::Call> CFileFaults::Log() const {
    std::lock_guard lock(PlanMutex());
    return log_;
}

CFileFaults& CFileFaults::SkipDiskSync() {
    std::lock_guard lock(PlanMutex());
    skipSync_ = true;
    return *this;
}

bool DiskSyncSkipped() {
    std::lock_guard lock(PlanMutex());
    for (CFileFaults* plan = Plan(); plan; plan = plan->previous_)
        if (plan->skipSync_)
            return true;
    return false;
}

bool FileStepFails(FileStep step, const std::filesystem::path& path) {
    std::lock_guard lock(PlanMutex());
    int error = 0;
    // Plans nest: each one installed counts the call, and any of them may fail it.
    for (CFileFaults* plan = Plan(); plan; plan = plan->previous_) {
        const int total = ++plan->totalCalls_;
        plan->log_.push_back({step, path});
        int mine = 0;
        if (plan->failCall_ > 0 && total == plan->failCall_)
            mine = plan->failCallError_ != 0 ? plan->failCallError_ : DefaultFileError(step);
        CFileFaults::Rule& r = plan->rules_[static_cast<std::size_t>(step)];
        if (!r.filter || r.filter(path)) {
            const int call = ++r.calls;
            if (r.nth > 0 && (call == r.nth || (r.onward && call > r.nth)))
                mine = r.error != 0 ? r.error : DefaultFileError(step);
            if (mine != 0)
                ++r.failed;
        }
        if (mine != 0) {
            ++plan->totalFailed_;
            if (error == 0)
                error = mine;
        }
    }
    if (error == 0)
        return false;
    errno = error;
    return true;
}

bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (FileStepFails(FileStep::Rename, to))
        return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::filesystem::path& path) {
    if (FileStepFails(FileStep::Remove, path))
        return false;
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec;
}

bool RemoveTree(const std::filesystem::path& path) {
    if (FileStepFails(FileStep::Remove, path))
        return false;
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    return !ec;
}

long ReadFileChunk(int fd, void* buffer, std::size_t length, const std::filesystem::path& path) {
    if (FileStepFails(FileStep::Read, path))
        return -1;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, length);
        if (n >= 0 || errno != EINTR)
            return static_cast<long>(n);
    }
}

bool ReadFileAt(int fd, void* buffer, std::size_t length, std::uint64_t offset,
                const std::filesystem::path& path) {
    if (FileStepFails(FileStep::Read, path))
        return false;
    auto* out = static_cast<char*>(buffer);
    for (std::size_t done = 0; done < length;) {
        const ssize_t n = ::pread(fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    if (FileStepFails(FileStep::List, folder))
        return errno;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(dir);
        if (!d) {
            error = errno;
            break;
        }
        const std::string_view name = d->d_name;
        if (name == "." || name == "..")
            continue;
        FolderEntry entry;
        entry.path = folder / d->d_name;
        if (d->d_type == DT_DIR || d->d_type == DT_REG) {
            entry.folder = d->d_type == DT_DIR;
            entry.file = d->d_type == DT_REG;
        } else if (d->d_type == DT_LNK || d->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(dir), d->d_name, &st, 0) != 0) {
                // A link to nothing, or an entry gone meanwhile, is no file; anything else is a
                // listing that could not be completed.
                if (errno == ENOENT)
                    continue;
                error = errno;
                break;
            }
            entry.folder = S_ISDIR(st.st_mode);
            entry.file = S_ISREG(st.st_mode);
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    if (error != 0)
        entries.clear();
    return error;
}

PathStat StatPath(const std::filesystem::path& path) {
    PathStat result;
    struct stat st {};
    if (FileStepFails(FileStep::Stat, path) || ::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            result.error = errno;
        return result;
    }
    result.exists = true;
    result.folder = S_ISDIR(st.st_mode);
    result.file = S_ISREG(st.st_mode);
    result.size = static_cast<std::uintmax_t>(st.st_size);
    result.mode = st.st_mode & 07777;
    return result;
}

int ChangeMode(const std::filesystem::path& path, unsigned mode) {
    if (FileStepFails(FileStep::Chmod, path) || ::chmod(path.c_str(), static_cast<mode_t>(mode)) != 0)
        return errno;
    return 0;
}

int MakeFolders(const std::filesystem::path& folder) {
    const PathStat st = StatPath(folder);
    if (st.folder)
        return 0;
    if (st.Failed())
        return st.error;
    const std::filesystem::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder) {
        if (const int error = MakeFolders(parent); error != 0)
            return error;
    }
    if (FileStepFails(FileStep::Open, folder))
        return errno;
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

CFileLock::~CFileLock() {
    Unlock();
}

int CFileLock::Lock(const std::filesystem::path& file) {
    Unlock();
    if (FileStepFails(FileStep::Lock, file))
        return errno;
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        const int error = errno;
        ::close(fd);
        return error;
    }
    fd_ = fd;
    return 0;
}

void CFileLock::Unlock() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::string ErrorText(int error) {
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);
}

} // namespace platform
