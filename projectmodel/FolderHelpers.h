#pragma once
// Folder helpers with which project files are copied, cleared, found and compared by project
// save and open and by configuration download and upload. Failures of single files are not
// reported: callers check what they need afterwards.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace projectmodel {

// Copies every file (overwriting) and every subfolder of source into target; false when anything
// could not be copied (the rest is still copied). Nothing is done, and true returned, when both
// name one folder (without regard to case, or by another path to it); false when target lies
// inside source.
bool CopyDirectoryTree(const std::filesystem::path& source, const std::filesystem::path& target);
// Deletes every file and subfolder below folder; the folder itself stays.
void DeleteDirectoryTree(const std::filesystem::path& folder);
// Deletes every plain file of folder except folder/name (compared without regard to case).
void DeleteFilesExcept(const std::filesystem::path& folder, std::string_view name);
// Deletes every plain file of folder with that extension (without regard to case).
void DeleteFilesByExtension(const std::filesystem::path& folder, std::string_view extension);
// Copies every plain file of source into target under its name (overwriting).
void CopyFolderFiles(const std::filesystem::path& source, const std::filesystem::path& target);
// The first file (by name) of folder with that extension, or the empty path.
std::filesystem::path FindFileByExtension(const std::filesystem::path& folder, std::string_view extension);
// The first subfolder (by name) whose name contains text, or the empty path.
std::filesystem::path FindSubfolderContaining(const std::filesystem::path& folder, std::string_view text);
// 1 when both folders hold the same number of plain files and each file of a has a file of the
// same name and length in b; else 0.
int CompareFolderFiles(const std::filesystem::path& a, const std::filesystem::path& b);

// Lines of a main configuration file that name further configuration files: lines holding "ccu_"
// or ".cfg", outside the [装置信息] section (whose end is the [板卡配置] head). 0 when the file
// cannot be read.
int CountCcuCfgLines(const std::filesystem::path& path);
// The file names on those lines (the text after "=" of lines that hold one, else the line), in
// file order.
std::vector<std::string> CollectCcuCfgNames(const std::filesystem::path& path);

// Fault seam for tests: asked before each RenamePath and ExchangePaths; a non-zero errno makes
// that step fail with it, as the file system would (EINVAL for an exchange: a file system
// without one). Empty in the programs.
using RenameFaultHook =
    std::function<int(const std::filesystem::path& from, const std::filesystem::path& to, bool exchange)>;
void SetRenameFaultHook(RenameFaultHook hook);
// Renames from to to (replacing an empty folder or a file there); false when that failed.
bool RenamePath(const std::filesystem::path& from, const std::filesystem::path& to);
enum class ExchangeResult { Done, Unsupported, Failed };
// Swaps two existing entries in one step, so that no moment sees either name missing;
// Unsupported when the file system cannot, and nothing was changed.
ExchangeResult ExchangePaths(const std::filesystem::path& a, const std::filesystem::path& b);

// Flushes a folder's entries (renames into it) to the disk; false when that failed.
bool SyncFolder(const std::filesystem::path& folder);

// Plain files of a folder sorted by name (empty when the folder cannot be read).
std::vector<std::filesystem::path> ListFiles(const std::filesystem::path& folder);
std::vector<std::filesystem::path> ListSubfolders(const std::filesystem::path& folder);

} // namespace projectmodel
