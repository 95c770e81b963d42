#pragma once
// The statistics query without widgets: the checks of a query, the samples of each asked entry,
// the query file handed to the statistics viewer, and where the viewer lies.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace marindle {

struct StatSample {
    float value = 0;
    std::time_t t1 = 0, t2 = 0, t3 = 0;
};

// One entry of a query: state 0 waiting to be asked, 1 asked, 2 received.
struct StatEntry {
    std::uint16_t entryId = 0;
    std::string unit;
    std::string description;
    std::vector<StatSample> samples;
    int state = 0;
};

inline constexpr std::time_t kMaxStatRange = 7776000; // 90 days
inline constexpr int kMaxStatEntries = 8;

// The message of a refused query (empty when it may go): the count of selected entries and range.
std::string CheckStatQuery(int selected, std::time_t start, std::time_t end);

// The query file's text (UTF-8, "\n" line ends).
std::string StatFileText(const std::string& deviceName, std::uint16_t address, std::time_t start,
                         std::time_t end, const std::vector<StatEntry>& entries);
// Writes it as GBK, replacing the file; its lines keep their bare LF ends, unlike the texts the
// monitor saves, as the statistics viewer reads them. False when it cannot be written.
bool WriteStatFile(const std::filesystem::path& file, const std::string& text);
// The proposed file: "<sav>/Stat/STAT_<device>_<%Y%m%d-%H%M%S>.dat".
std::filesystem::path ProposedStatFile(const std::filesystem::path& savFolder, const std::string& deviceName,
                                       std::time_t now);

// The viewer's path beside the program ("Brevane", or "Brevane.exe" where that is what lies there).
std::filesystem::path StatViewerPath(const std::filesystem::path& programFolder);

} // namespace marindle
