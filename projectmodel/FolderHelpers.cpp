#include "projectmodel/FolderHelpers.h"

#include "platform/FileFaults.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "projectmodel/ConfigFileNames.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace projectmodel {

namespace {

std::vector<fs::path> List(const fs::path& folder, bool wantFolders) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        const bool isDir = it->is_directory(ec2);
        const bool isFile = it->is_regular_file(ec2);
        if ((wantFolders && isDir) || (!wantFolders && isFile))
            out.push_back(it->path());
    }
    std::sort(out.begin(), out.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return out;
}

bool SamePathNoCase(const fs::path& a, const fs::path& b) {
    return platform::EqualsNoCase(a.lexically_normal().generic_string(),
                                  b.lexically_normal().generic_string());
}

bool HasExtension(const fs::path& file, std::string_view extension) {
    std::string ext = file.extension().string();
    if (!ext.empty())
        ext.erase(0, 1);
    return platform::EqualsNoCase(ext, extension);
}

std::mutex& RenameHookMutex() {
    static std::mutex mutex;
    return mutex;
}

RenameFaultHook& RenameHook() {
    static RenameFaultHook hook;
    return hook;
}

int RenameFault(const fs::path& from, const fs::path& to, bool exchange) {
    std::lock_guard lock(RenameHookMutex());
    return RenameHook() ? RenameHook()(from, to, exchange) : 0;
}

} // namespace

void SetRenameFaultHook(RenameFaultHook hook) {
    std::lock_guard lock(RenameHookMutex());
    RenameHook() = std::move(hook);
}

bool RenamePath(const fs::path& from, const fs::path& to) {
    if (RenameFault(from, to, false) != 0 || platform::FileStepFails(platform::FileStep::Rename, to))
        return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

ExchangeResult ExchangePaths(const fs::path& a, const fs::path& b) {
    int error = RenameFault(a, b, true);
    if (error == 0 && platform::FileStepFails(platform::FileStep::Exchange, b))
        error = EIO;
    if (error == 0 && ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) != 0)
        error = errno;
    if (error == 0)
        return ExchangeResult::Done;
    // A file system or kernel without the exchange.
    return error == EINVAL || error == ENOSYS || error == ENOTSUP ? ExchangeResult::Unsupported
                                                                  : ExchangeResult::Failed;
}

bool SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

std::vector<fs::path> ListFiles(const fs::path& folder) {
    return List(folder, false);
}

std::vector<fs::path> ListSubfolders(const fs::path& folder) {
    return List(folder, true);
}

bool CopyDirectoryTree(const fs::path& source, const fs::path& target) {
    std::error_code ec;
    // A folder copied onto itself (also by another name of it) is already whole.
    if (SamePathNoCase(source, target) || fs::equivalent(source, target, ec))
        return true;
    // A target inside the source would be copied into itself without end.
    for (fs::path up = target.lexically_normal(); up.has_relative_path(); up = up.parent_path()) {
        if (SamePathNoCase(up, source) || fs::equivalent(up, source, ec))
            return false;
        if (up == up.parent_path())
            break;
    }
    fs::create_directories(target, ec);
    bool whole = fs::is_directory(target, ec);
    for (const fs::path& file : ListFiles(source)) {
        fs::copy_file(file, target / file.filename(), fs::copy_options::overwrite_existing, ec);
        whole = whole && !ec;
    }
    for (const fs::path& sub : ListSubfolders(source))
        whole = CopyDirectoryTree(sub, target / sub.filename()) && whole;
    return whole;
}

void DeleteDirectoryTree(const fs::path& folder) {
    std::error_code ec;
    for (const fs::path& file : ListFiles(folder)) {
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ec);
        fs::remove(file, ec);
    }
    for (const fs::path& sub : ListSubfolders(folder)) {
        DeleteDirectoryTree(sub);
        fs::remove(sub, ec);
    }
}

void DeleteFilesExcept(const fs::path& folder, std::string_view name) {
    const fs::path keep = folder / std::string(name);
    std::error_code ec;
    for (const fs::path& file : ListFiles(folder))
        if (!SamePathNoCase(file, keep))
            fs::remove(file, ec);
}

void DeleteFilesByExtension(const fs::path& folder, std::string_view extension) {
    std::error_code ec;
    for (const fs::path& file : ListFiles(folder))
        if (HasExtension(file, extension))
            fs::remove(file, ec);
}

void CopyFolderFiles(const fs::path& source, const fs::path& target) {
    std::error_code ec;
    for (const fs::path& file : ListFiles(source))
        fs::copy_file(file, target / file.filename(), fs::copy_options::overwrite_existing, ec);
}

fs::path FindFileByExtension(const fs::path& folder, std::string_view extension) {
    for (const fs::path& file : ListFiles(folder))
        if (HasExtension(file, extension))
            return file;
    return {};
}

fs::path FindSubfolderContaining(const fs::path& folder, std::string_view text) {
    for (const fs::path& sub : ListSubfolders(folder))
        if (sub.filename().string().find(text) != std::string::npos)
            return sub;
    return {};
}

int CompareFolderFiles(const fs::path& a, const fs::path& b) {
    const std::vector<fs::path> filesA = ListFiles(a);
    const std::vector<fs::path> filesB = ListFiles(b);
    if (filesA.size() != filesB.size())
        return 0;
    std::error_code ec;
    for (const fs::path& file : filesA) {
        const fs::path other = b / file.filename();
        if (!fs::is_regular_file(other, ec))
            return 0;
        if (fs::file_size(file, ec) != fs::file_size(other, ec))
            return 0;
    }
    return 1;
}

namespace {

// Calls fn for every line outside the device-information section that names a further file (by
// the prefix or the suffix of further file names); false when the file cannot be read.
template <class Fn> bool ForEachCcuLine(const fs::path& path, Fn fn) {
    platform::CGbkLineReader reader;
    if (!reader.Open(path))
        return false;
    std::string line;
    bool inDeviceInfo = false;
    while (reader.ReadLine(line)) {
        const std::string trimmed = platform::Trim(line);
        if (platform::EqualsNoCase(trimmed, cfgfile::kDeviceInfo)) {
            inDeviceInfo = true;
            continue;
        }
        if (inDeviceInfo) {
            if (platform::EqualsNoCase(trimmed, cfgfile::kBoardConfig))
                inDeviceInfo = false;
            continue;
        }
        if (line.find(cfgfile::kFurtherFilePrefix) != std::string::npos ||
            line.find(cfgfile::kFurtherFileSuffix) != std::string::npos)
            fn(trimmed);
    }
    return true;
}

} // namespace

int CountCcuCfgLines(const fs::path& path) {
    int n = 0;
    ForEachCcuLine(path, [&](const std::string&) { ++n; });
    return n;
}

std::vector<std::string> CollectCcuCfgNames(const fs::path& path) {
    std::vector<std::string> names;
    ForEachCcuLine(path, [&](const std::string& line) {
        std::size_t eq = line.find('=');
        names.push_back(platform::Trim(eq == std::string::npos ? line : line.substr(eq + 1)));
    });
    return names;
}

} // namespace projectmodel
