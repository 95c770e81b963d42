#pragma once
// Folder rules: the tools' root folder, and paths written the Windows way in list files and
// configuration files, resolved on a case-sensitive file system.
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The root folder of the tools: the folder cut before its last component equal to "bin" (compared
// without regard to case; the path keeps its own case). A folder without such a component is its
// own root.
std::filesystem::path RootFolderFrom(const std::filesystem::path& folder);

// The root folder derived from the current folder.
std::filesystem::path RootFolder();

// The entry of dir whose name equals name without regard to ASCII case; the exact name is
// preferred. Returns dir / name when nothing matches (so callers can still create it). error, when
// given, gets 0, or the errno of a failure to look (dir / name could not be looked at, or dir not
// listed): nothing found then does not mean nothing is there.
std::filesystem::path FindNoCase(const std::filesystem::path& dir, std::string_view name,
                                 int* error = nullptr);

// Appends a relative path written with '\' or '/' separators to base, one component at a time,
// each found without regard to case when it exists. Empty components are skipped.
std::filesystem::path JoinPath(const std::filesystem::path& base, std::string_view relative);

// The last component of a path written with either separator ("a\\b\\c.cfg" gives "c.cfg").
std::string FileNameOf(std::string_view path);

// True when name can be one file name here: not empty, not "." or "..", no separator, no NUL.
bool IsSafeFileName(std::string_view name);

} // namespace platform
