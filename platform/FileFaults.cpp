#include "platform/FileFaults.h"

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <system_error>
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
    if (Plan() == this)
        Plan() = previous_;
}

CFileFaults& CFileFaults::FailNth(FileStep step, int nth, Filter filter) {
    std::lock_guard lock(PlanMutex());
    Rule& r = rules_[static_cast<std::size_t>(step)];
    r.nth = nth;
    r.onward = false;
    r.filter = std::move(filter);
    return *this;
}

CFileFaults& CFileFaults::FailFrom(FileStep step, int nth, Filter filter) {
    FailNth(step, nth, std::move(filter));
    std::lock_guard lock(PlanMutex());
    rules_[static_cast<std::size_t>(step)].onward = true;
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

bool FileStepFails(FileStep step, const std::filesystem::path& path) {
    std::lock_guard lock(PlanMutex());
    CFileFaults* plan = Plan();
    if (!plan)
        return false;
    CFileFaults::Rule& r = plan->rules_[static_cast<std::size_t>(step)];
    if (r.filter && !r.filter(path))
        return false;
    const int call = ++r.calls;
    const bool fails = r.nth > 0 && (call == r.nth || (r.onward && call > r.nth));
    if (fails) {
        ++r.failed;
        errno = step == FileStep::Write ? ENOSPC : EIO;
    }
    return fails;
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

} // namespace platform
