#pragma once
// The rules of the history query windows without widgets: type texts, the time-range check, the
// row cells of events, remote commands and waveform records, and the export files.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace marindle {

struct EventRecord {
    std::string description;
    int type = 0;
    std::time_t time = 0;
    std::uint8_t group = 0, entry = 0;
    std::string value;
};

struct RemoteCmdRecord {
    std::string description;
    int type = 0;
    std::string source;
    std::time_t time = 0;
    std::uint8_t group = 0, entry = 0;
    std::string value;
    std::string selfDescription;
};

struct WaveRecord {
    std::string fileName;
    std::string sourceFileName;
    std::time_t faultTime = 0;
    std::uint16_t nof = 0;
};

// The type names of the combos (position 0 = all) and of the lists ("未定义" outside the table).
const std::vector<std::string>& EventTypeNames();
const std::vector<std::string>& RemoteCmdTypeNames();
std::string EventTypeText(int code);
std::string RemoteCmdTypeText(int code);

// The query's time range: "时间范围有误。" when start is not before end; empty when it is good.
std::string CheckTimeRange(std::time_t start, std::time_t end);
// The NOF edit of the waveform query: its value, or the message ("请输入NOF。", "请输入正整数。").
bool ParseNof(const std::string& text, std::uint16_t& nof, std::string& message);

std::vector<std::string> EventRowTexts(unsigned number, const EventRecord& r);
std::vector<std::string> RemoteCmdRowTexts(const RemoteCmdRecord& r);
std::vector<std::string> WaveRowTexts(unsigned number, const WaveRecord& r);

// The export files' text (UTF-8, "\n" line ends): the header line, then the rows joined by ",".
std::string EventExportText(const std::vector<std::vector<std::string>>& shownRows);
std::string RemoteCmdExportText(const std::vector<RemoteCmdRecord>& records);
// Writes an export text as GBK with CR LF line ends (a CR LF already in it stays one), replacing
// the file; false when it cannot.
bool WriteExport(const std::filesystem::path& file, const std::string& utf8);

} // namespace marindle
