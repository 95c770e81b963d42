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

std::vector<fs::path> List(const fs::path& folder, bool wantFolders, int& error) {
    std::vector<platform::FolderEntry> entries;
    error = platform::ListFolder(folder, entries);
    std::vector<fs::path> out;
    for (platform::FolderEntry& entry : entries)
        if (wantFolders ? entry.folder : entry.file)
            out.push_back(std::move(entry.path));
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

} // namespace

bool RenamePath(const fs::path& from, const fs::path& to) {
    if (platform::FileStepFails(platform::FileStep::Rename, to))
        return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

ExchangeResult ExchangePaths(const fs::path& a, const fs::path& b) {
    int error = 0;
    if (platform::FileStepFails(platform::FileStep::Exchange, b))
        error = errno;
    if (error == 0 && ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) != 0)
        error = errno;
    if (error == 0)
        return ExchangeResult::Done;
    // A file system or kernel without the exchange.
    return error == EINVAL || error == ENOSYS || error == ENOTSUP ? ExchangeResult::Unsupported
                                                                  : ExchangeResult::Failed;
}

bool SyncFolder(const fs::path& folder) {
    if (platform::FileStepFails(platform::FileStep::Sync, folder))
        return false;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

std::vector<fs::path> ListFiles(const fs::path& folder, int& error) {
    return List(folder, false, error);
}

std::vector<fs::path> ListSubfolders(const fs::path& folder, int& error) {
    return List(folder, true, error);
}

std::vector<fs::path> ListFiles(const fs::path& folder) {
    int error = 0;
    return List(folder, false, error);
}

std::vector<fs::path> ListSubfolders(const fs::path& folder) {
    int error = 0;
    return List(folder, true, error);
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
    bool whole = platform::MakeFolders(target) == 0;
    int error = 0;
    for (const fs::path& file : ListFiles(source, error))
        whole = platform::CopyFileBytes(file, target / file.filename()) && whole;
    whole = whole && error == 0;
    for (const fs::path& sub : ListSubfolders(source, error))
        whole = CopyDirectoryTree(sub, target / sub.filename()) && whole;
    return whole && error == 0;
}

bool DeleteDirectoryTree(const fs::path& folder) {
    int error = 0;
    bool whole = true;
    for (const fs::path& file : ListFiles(folder, error)) {
        // A read-only file is removed as well (its folder's mode decides).
        whole = platform::RemoveFile(file) && whole;
    }
    whole = whole && (error == 0 || IsAbsence(error));
    for (const fs::path& sub : ListSubfolders(folder, error))
        whole = DeleteDirectoryTree(sub) && platform::RemoveFile(sub) && whole;
    return whole && (error == 0 || IsAbsence(error));
}

bool DeleteFilesExcept(const fs::path& folder, std::string_view name) {
    const fs::path keep = folder / std::string(name);
    int error = 0;
    bool whole = true;
    for (const fs::path& file : ListFiles(folder, error))
        if (!SamePathNoCase(file, keep))
            whole = platform::RemoveFile(file) && whole;
    return whole && (error == 0 || IsAbsence(error));
}

bool DeleteFilesByExtension(const fs::path& folder, std::string_view extension) {
    int error = 0;
    bool whole = true;
    for (const fs::path& file : ListFiles(folder, error))
        if (HasExtension(file, extension))
            whole = platform::RemoveFile(file) && whole;
    return whole && (error == 0 || IsAbsence(error));
}

bool CopyFolderFiles(const fs::path& source, const fs::path& target) {
    int error = 0;
    bool whole = true;
    for (const fs::path& file : ListFiles(source, error))
        whole = platform::CopyFileBytes(file, target / file.filename()) && whole;
    return whole && error == 0;
}

fs::path FindFileByExtension(const fs::path& folder, std::string_view extension, int* error) {
    int listed = 0;
    fs::path found;
    for (const fs::path& file : ListFiles(folder, listed))
        if (HasExtension(file, extension)) {
            found = file;
            break;
        }
    if (error)
        *error = listed;
    return found;
}

fs::path FindSubfolderContaining(const fs::path& folder, std::string_view text) {
    for (const fs::path& sub : ListSubfolders(folder))
        if (sub.filename().string().find(text) != std::string::npos)
            return sub;
    return {};
}

int CompareFolderFiles(const fs::path& a, const fs::path& b) {
    int errorA = 0, errorB = 0;
    const std::vector<fs::path> filesA = ListFiles(a, errorA);
    const std::vector<fs::path> filesB = ListFiles(b, errorB);
    if (errorA != 0 || errorB != 0 || filesA.size() != filesB.size())
        return 0;
    for (const fs::path& file : filesA) {
        const platform::PathStat mine = platform::StatPath(file);
        const platform::PathStat other = platform::StatPath(b / file.filename());
        if (!mine.file || !other.file || mine.size != other.size)
            return 0;
    }
    return 1;
}

namespace {

// Calls fn for every line outside the device-information section that names a further file (by
// the prefix or the suffix of further file names); false when the file cannot be read.
template <class Fn> bool ForEachCcuLine(const fs::path& path, Fn fn, int* error) {
    platform::CGbkLineReader reader;
    const bool opened = reader.Open(path);
    if (error)
        *error = reader.OpenError();
    if (!opened)
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

int CountCcuCfgLines(const fs::path& path, int* error) {
    int n = 0;
    ForEachCcuLine(
        path, [&](const std::string&) { ++n; }, error);
    return n;
}

std::vector<std::string> CollectCcuCfgNames(const fs::path& path, int* error) {
    std::vector<std::string> names;
    ForEachCcuLine(
        path,
        [&](const std::string& line) {
            std::size_t eq = line.find('=');
            names.push_back(platform::Trim(eq == std::string::npos ? line : line.substr(eq + 1)));
        },
        error);
    return names;
}

} // namespace projectmodel
