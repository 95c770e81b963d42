#pragma once
// INI "profile" files with the semantics of the Windows profile functions that the definition
// libraries and settings files were written for: sections and keys found without regard to case,
// values trimmed (and stripped of one pair of enclosing quotes), the default when the key or the
// file is missing, results cut to the caller's buffer size counted in GBK bytes, integer reads that
// take the leading number, and writes that keep every other line of the file. Files are GBK.
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// The value of key in section, or def; at most size - 1 GBK bytes of it (nothing when size is 0).
std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    std::size_t size, const std::filesystem::path& file);

// The leading integer of the value (blanks, sign, decimal digits; 0 when there are none);
// def when the key or the file is missing or the value is empty.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int def,
                         const std::filesystem::path& file);

// Section names in file order.
std::vector<std::string> GetPrivateProfileSectionNames(const std::filesystem::path& file);
// Key names of a section in file order.
std::vector<std::string> GetPrivateProfileKeys(std::string_view section, const std::filesystem::path& file);
// The lines of a section as "key=value" (trimmed), in file order; comment lines are left out.
std::vector<std::string> GetPrivateProfileSection(std::string_view section,
                                                  const std::filesystem::path& file);

// Edits replace the file through a temporary file (platform::ReplaceFileBytes: a symbolic link is
// written through, the mode kept) and are made one at a time by every program, under a lock on
// the file's folder. An edit of a file that exists but cannot be read fails and leaves it as it
// was.
// Sets key in section to value, creating the file, the section or the key when missing.
bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::filesystem::path& file);
// Sets several keys of one section in one replacement of the file: all of them or, when it fails,
// none (the file stays as it was).
bool WritePrivateProfileStrings(std::string_view section,
                                const std::vector<std::pair<std::string, std::string>>& values,
                                const std::filesystem::path& file);
// Removes a key, or a whole section with its keys.
bool DeletePrivateProfileKey(std::string_view section, std::string_view key,
                             const std::filesystem::path& file);
bool DeletePrivateProfileSection(std::string_view section, const std::filesystem::path& file);

// Forgets every parsed file kept for reads (files are re-read when their time or size changes).
void FlushProfileCache();

} // namespace platform
