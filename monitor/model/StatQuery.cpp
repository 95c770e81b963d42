#include "monitor/model/StatQuery.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace marindle {

std::string CheckStatQuery(int selected, std::time_t start, std::time_t end) {
    if (selected <= 0)
        return "请选中统计数据条目。";
    if (selected > kMaxStatEntries)
        return "统计数据条目不可超过8条。";
    if (start >= end)
        return "时间范围有误。";
    if (end - start > kMaxStatRange)
        return "时间范围不可超过90天。";
    return {};
}

std::string StatFileText(const std::string& deviceName, std::uint16_t address, std::time_t start,
                         std::time_t end, const std::vector<StatEntry>& entries) {
    std::string text =
        platform::StrFormat("[装置]%s,%u,%d,%d,%u\n", deviceName.c_str(), address, static_cast<int>(start),
                            static_cast<int>(end), static_cast<unsigned>(entries.size()));
    for (const StatEntry& e : entries) {
        text += platform::StrFormat("[条目]%s,%s,%d\n", e.description.c_str(), e.unit.c_str(),
                                    static_cast<int>(e.samples.size()));
        std::time_t last = 0;
        for (const StatSample& s : e.samples) {
            if (s.t1 < start || s.t1 > end || s.t1 <= last)
                continue;
            text += platform::StrFormat("%f,%d,%d,%d\n", static_cast<double>(s.value), static_cast<int>(s.t1),
                                        static_cast<int>(s.t2), static_cast<int>(s.t3));
            last = s.t1;
        }
    }
    return text;
}

bool WriteStatFile(const std::filesystem::path& file, const std::string& text) {
    return platform::ReplaceFileBytes(file, platform::ToGbk(text));
}

std::filesystem::path ProposedStatFile(const std::filesystem::path& savFolder, const std::string& deviceName,
                                       std::time_t now) {
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    return savFolder / "Stat" / ("STAT_" + deviceName + "_" + stamp + ".dat");
}

std::filesystem::path StatViewerPath(const std::filesystem::path& programFolder) {
    const auto exe = programFolder / "Brevane.exe";
    if (platform::StatPath(exe).exists)
        return exe;
    return programFolder / "Brevane";
}

} // namespace marindle
