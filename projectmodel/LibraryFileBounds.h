#pragma once
// The ceilings on the files of a project's definition library, by kind, stated here once. Every
// such file is read whole when a project opens, so one file far beyond what any real library holds
// (a padded file in an archive a unit sent) would cost its size many times over in memory; it is
// refused, with its name and its ceiling, before anything of the project is read.
#include <cstdint>
#include <filesystem>
#include <string>

namespace projectmodel {

// Text definitions (".ini", ".cfg", ".txt" and the like): 16 MiB. The largest definition files
// of real libraries, a device model of some thousands of points, stay under 1 MiB; a file is
// parsed whole (about ten times its bytes while it is read), so this bounds one file's cost
// near 200 MB.
inline constexpr std::uint64_t kLibraryTextCeiling = std::uint64_t{16} << 20;
// SCL files (".scd", ".icd", ".cid", ".ssd"): 1 GiB, above the largest real stations (a few
// hundred IEDs, some 300 MB); their import bounds its own work by what it produces.
inline constexpr std::uint64_t kLibrarySclCeiling = std::uint64_t{1} << 30;

// The ceiling of a library file by its kind; 0 for files no open reads (no ceiling). The SCD
// import's cache is bounded by its own reader.
std::uint64_t LibraryFileCeiling(const std::filesystem::path& file);

// The text that refuses the first file below folder (by name) that is larger than its ceiling;
// empty when every file is within its own. Files and folders that cannot be looked at are left to
// the reads that follow, which tell their failure.
std::string LibraryFileOverCeiling(const std::filesystem::path& folder);

} // namespace projectmodel
