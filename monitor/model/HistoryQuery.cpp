#include "monitor/model/HistoryQuery.h"

#include "monitor/core/DevTime.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace marindle {

const std::vector<std::string>& EventTypeNames() {
    static const std::vector<std::string> names = {
        "所有事件", "动作元件", "装置自检", "运行告警", "软压板",       "硬压板",      "遥信",
        "档位",     "故障测距", "故障选相", "故障测量", "电网故障序号", "其他故障信息"};
    return names;
}

const std::vector<std::string>& RemoteCmdTypeNames() {
    static const std::vector<std::string> names = {
        "所有命令",   "遥控选择",   "遥控执行",       "遥控撤消",       "遥调选择",
        "遥调执行",   "遥调撤消",   "写定值区号确认", "写定值区号执行", "写定值区号撤销",
        "写定值确认", "写定值执行", "写定值撤销"};
    return names;
}

std::string EventTypeText(int code) {
    return code >= 1 && code <= 12 ? EventTypeNames()[code] : "未定义";
}

std::string RemoteCmdTypeText(int code) {
    return code >= 1 && code <= 12 ? RemoteCmdTypeNames()[code] : "未定义";
}

std::string CheckTimeRange(std::time_t start, std::time_t end) {
    return start >= end ? "时间范围有误。" : std::string();
}

bool ParseNof(const std::string& text, std::uint16_t& nof, std::string& message) {
    if (text.empty()) {
        message = "请输入NOF。";
        return false;
    }
    const long long v = platform::AtoLL(text);
    if (v < 0 || v > 0xFFFF) {
        // A NOF above the 16 bits of the request would be sent cut; it is refused as well.
        message = "请输入正整数。";
        return false;
    }
    nof = static_cast<std::uint16_t>(v);
    return true;
}

std::vector<std::string> EventRowTexts(unsigned number, const EventRecord& r) {
    return {platform::StrFormat("%u", number),
            r.description,
            EventTypeText(r.type),
            platform::StrFormat("%u", r.group),
            platform::StrFormat("%u", r.entry),
            r.value,
            FormatLocalTime(r.time)};
}

std::vector<std::string> RemoteCmdRowTexts(const RemoteCmdRecord& r) {
    return {r.description,
            RemoteCmdTypeText(r.type),
            r.source,
            platform::StrFormat("%u", r.group),
            platform::StrFormat("%u", r.entry),
            r.value,
            FormatLocalTime(r.time),
            r.selfDescription};
}

std::vector<std::string> WaveRowTexts(unsigned number, const WaveRecord& r) {
    return {platform::StrFormat("%u", number), r.fileName, r.sourceFileName, FormatLocalTime(r.faultTime),
            platform::StrFormat("%u", r.nof)};
}

namespace {
std::string Join(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i)
            line += ',';
        line += cells[i];
    }
    return line + "\n";
}
} // namespace

std::string EventExportText(const std::vector<std::vector<std::string>>& rows) {
    std::string text = "序号,描述,类型,组号,条目号,值,时间\n";
    for (const auto& row : rows)
        text += Join(row);
    return text;
}

std::string RemoteCmdExportText(const std::vector<RemoteCmdRecord>& records) {
    std::string text = "序号,描述,命令类型,命令源,组号,条目号,值,时间,自描述信息\n";
    unsigned n = 0;
    for (const auto& r : records) {
        std::vector<std::string> cells = RemoteCmdRowTexts(r);
        cells.insert(cells.begin(), platform::StrFormat("%u", ++n));
        text += Join(cells);
    }
    return text;
}

bool WriteExport(const std::filesystem::path& file, const std::string& utf8) {
    return platform::ReplaceFileBytes(file, platform::GbkTextBytes(utf8));
}

} // namespace marindle
