#pragma once
// The file catalogue's rules without widgets: the entries of a listing, the path a folder opens,
// the sort by column, the cells of a row and the chunks of a download.
#include "unitlink/FrameLayout.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace marindle {

struct CatalogueEntry {
    std::uint16_t position = 0;
    std::string name;
    std::uint32_t size = 0;
    std::uint8_t type = 0;  // 1 file, 2 folder
    std::uint32_t time = 0; // seconds since 1970 UTC
    int up = 0;
};

inline constexpr const char* kRootPath = "<root>";
// The largest file sent or received, the bound of every program's link: the size a listing claims
// is not trusted with memory.
inline constexpr std::uint32_t kMaxTransferBytes = unitlink::kMaxTransferLength;
inline constexpr const char* kUploadTooLarge = "文件大小超过100MB，不能上装。";
inline constexpr const char* kDownloadTooLarge = "文件大小超过100MB，不能下装。";

// The most entries a listing holds: far above the files of any folder of the unit, and the rows
// the window fills and sorts at once; the entries beyond it are refused and their count told.
inline constexpr std::size_t kMaxCatalogueEntries = 10000;
// Adds an entry of a listing: "." is dropped, ".." becomes the up entry "向上...", nothing is added
// to a list of kMaxCatalogueEntries. False when nothing was added.
bool AddCatalogueEntry(std::vector<CatalogueEntry>& entries, const std::string& name, std::uint8_t type,
                       std::uint32_t size, std::uint32_t time);
// The path that opening the entry leads to (empty: nothing is requested).
std::string OpenFolderPath(const std::string& current, const CatalogueEntry& entry);
// Re-orders by the column (0 name, 1 size, 2 type, 3 time), the up entry first; positions renumbered.
void SortCatalogue(std::vector<CatalogueEntry>& entries, int column, bool ascending);
// The four cells of a row ("名称", "大小", "类型", "修改时间").
std::vector<std::string> CatalogueRowTexts(const CatalogueEntry& e);
std::string CatalogueTypeText(std::uint8_t type);
// What is told when entries of a listing were refused for the bound.
std::string CatalogueCappedText(std::size_t refused);

// The next download chunk: its offset is done, its size, and whether more follow.
struct ChunkPlan {
    std::uint32_t size = 0;
    std::uint8_t more = 0;
};
ChunkPlan NextChunk(std::uint32_t done, std::uint32_t total);
// Progress position of bytes done (0 for an empty file).
int ProgressOf(std::uint32_t done, std::uint32_t total);

} // namespace marindle
