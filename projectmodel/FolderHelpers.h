#pragma once
// Folder helpers with which project files are copied, cleared, found and compared by project
// save and open and by configuration download and upload. Every call goes through the file
// layer's fault seam. A folder that cannot be listed is never taken for an empty one: the
// helpers that copy or list tell it by their result.
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace projectmodel {

// Copies every file (overwriting) and every subfolder of source into target; false when anything
// could not be listed or copied (the rest is still copied). Nothing is done, and true returned, when both
// name one folder (without regard to case, or by another path to it); false when target lies
// inside source.
bool CopyDirectoryTree(const std::filesystem::path& source, const std::filesystem::path& target);
// Deletes every file and subfolder below folder; the folder itself stays. False when anything
// could not be listed or removed (a folder that is not there is no failure).
bool DeleteDirectoryTree(const std::filesystem::path& folder);
// Deletes every plain file of folder except folder/name (compared without regard to case); false
// when the folder could not be listed or a file not removed.
bool DeleteFilesExcept(const std::filesystem::path& folder, std::string_view name);
// Deletes every plain file of folder with that extension (without regard to case); false as above.
bool DeleteFilesByExtension(const std::filesystem::path& folder, std::string_view extension);
// Copies every plain file of source into target under its name (overwriting); false when source
// could not be listed or a file not copied.
bool CopyFolderFiles(const std::filesystem::path& source, const std::filesystem::path& target);
// The first file (by name) of folder with that extension, or the empty path. error, when given,
// gets 0 or the errno of a failure to list the folder (ENOENT: no folder is there).
std::filesystem::path FindFileByExtension(const std::filesystem::path& folder, std::string_view extension,
                                          int* error = nullptr);
// The first subfolder (by name) whose name contains text, or the empty path.
std::filesystem::path FindSubfolderContaining(const std::filesystem::path& folder, std::string_view text);
// 1 when both folders hold the same number of plain files and each file of a has a file of the
// same name and length in b; else 0 (also when either cannot be listed).
int CompareFolderFiles(const std::filesystem::path& a, const std::filesystem::path& b);

// Lines of a main configuration file that name further configuration files: lines holding "ccu_"
// or ".cfg", outside the [装置信息] section (whose end is the [板卡配置] head). 0 when the file
// cannot be read; error, when given, gets 0 or the errno of that failure (ENOENT: no file).
int CountCcuCfgLines(const std::filesystem::path& path, int* error = nullptr);
// The file names on those lines (the text after "=" of lines that hold one, else the line), in
// file order; error as above.
std::vector<std::string> CollectCcuCfgNames(const std::filesystem::path& path, int* error = nullptr);

// Renames from to to (replacing an empty folder or a file there); false when that failed.
bool RenamePath(const std::filesystem::path& from, const std::filesystem::path& to);
enum class ExchangeResult { Done, Unsupported, Failed };
// Swaps two existing entries in one step, so that no moment sees either name missing;
// Unsupported when the file system cannot, and nothing was changed.
ExchangeResult ExchangePaths(const std::filesystem::path& a, const std::filesystem::path& b);

// Flushes a folder's entries (renames into it) to the disk; false when that failed.
bool SyncFolder(const std::filesystem::path& folder);

// Plain files (subfolders) of a folder sorted by name. error gets 0, or the errno of a failure to
// list it: ENOENT or ENOTDIR when no folder is there, anything else when it is there but could
// not be listed (the list is then empty, and must not be taken for an empty folder).
std::vector<std::filesystem::path> ListFiles(const std::filesystem::path& folder, int& error);
std::vector<std::filesystem::path> ListSubfolders(const std::filesystem::path& folder, int& error);
// The same for callers to whom a folder that cannot be listed means the same as a missing one
// (clearing leftovers of their own); empty then.
std::vector<std::filesystem::path> ListFiles(const std::filesystem::path& folder);
std::vector<std::filesystem::path> ListSubfolders(const std::filesystem::path& folder);
// True when error (of a listing or a read) means nothing is there.
inline bool IsAbsence(int error) {
    return error == ENOENT || error == ENOTDIR;
}

} // namespace projectmodel
