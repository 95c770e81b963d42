#pragma once
// What the worker's jobs share of files and progress: the progress marks where their archive
// transfers end, path texts for messages, and the copy of a folder tree that says what failed.
#include "configtool/worker/UploadBudget.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace qxm7740::jobfiles {

inline constexpr int kDownloadEnd = 98;         // the archive transfer of a download ends here
inline constexpr int kUploadEnd = 95;           // the archive transfer of an upload ends here
inline constexpr std::uint8_t kConfigBoard = 0; // the board of every transfer of a configuration download

inline std::string PathText(const std::filesystem::path& p) {
    return p.string();
}

// A folder without a separator at its end, so that its parent is the folder above it.
std::filesystem::path WithoutTrailingSeparator(std::filesystem::path p);

std::string FolderUnreadable(const std::filesystem::path& folder, int error);

// What a copy failed at: the file or folder, and why.
struct CopyFault {
    std::filesystem::path path;
    std::string reason;
};

// Copies the folder tree source into target file by file, each file's bytes read whole before
// the copy is written; on the first failure false, with the file or folder that failed and why.
// A budget, when given, is charged with every byte copied, and a file beyond what is left of it
// fails the copy before a byte of it is written.
bool CopyTree(const std::filesystem::path& source, const std::filesystem::path& target, CUploadBudget* budget,
              CopyFault& fault);

} // namespace qxm7740::jobfiles
