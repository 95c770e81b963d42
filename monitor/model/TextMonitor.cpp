#include "monitor/model/TextMonitor.h"

#include "monitor/core/DevModel.h"
#include "monitor/core/DevTime.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace marindle {

bool FramePasses(const FrameSettings& s, const TraceItem& item) {
    return (s.tcp || item.transport != 2) && (s.udp || item.transport != 1) &&
           (!s.devIpFilter || item.deviceIp == s.deviceIp) &&
           (!s.destIpFilter || item.destinationIp == s.destinationIp) &&
           (!s.devAddrFilter || item.deviceAddress == s.deviceAddress);
}

std::string TraceDisplayText(const FrameSettings& s, const TraceItem& item) {
    std::string text = s.printHeader ? item.headerText + item.frameText : item.frameText;
    if (!text.empty())
        text += "\r\n";
    return text;
}

std::string TraceSaveEntry(const FrameSettings& s, const TraceItem& item) {
    if (item.direction != 0 && item.direction != 1)
        return {};
    std::string entry = item.direction == 1 ? "数据发： " : "数据收： ";
    if (s.printHeader)
        entry += item.headerText;
    return entry + item.frameText + "\r\n";
}

std::string ProtocolSaveEntry(const std::string& text, std::time_t now) {
    return "\r\n" + FormatLocalTime(now) + text;
}

std::string DebugSaveName() {
    return "DBG.txt";
}

std::string PortLabel(const CDevModel& model, std::uint16_t portKey) {
    const CPortRecord* p = model.FindPortByKey(portKey);
    if (!p)
        return {};
    return platform::StrFormat("板卡%u_", p->board + 1u) + p->name;
}

std::string ProtocolSaveName(const CDevModel& model, std::uint16_t portKey) {
    return "PRC_" + PortLabel(model, portKey) + ".txt";
}

std::string TraceSaveName(const CDevModel& model, int mainFlag, int deviceFlag, std::uint16_t key) {
    if (mainFlag)
        return "MSG_主通讯.txt";
    if (deviceFlag) {
        const CDeviceRecord* d = model.FindDeviceByKey(key);
        return "MSG_" + (d ? d->name : std::string()) + ".txt";
    }
    return "MSG_" + PortLabel(model, key) + ".txt";
}

bool AppendSaveText(const std::filesystem::path& file, const std::string& text) {
    // Whole or not at all, so the file holds no torn entry.
    return !file.empty() && platform::AppendFileBytes(file, platform::GbkTextBytes(text));
}

CSaveFileAppender::Result CSaveFileAppender::Append(const std::string& text) {
    // The mark goes in with the chunk, as one append: a mark alone would say the gap ended.
    const std::string chunk = gap_ ? std::string("\n") + kSaveGapMark + "\n" + text : text;
    if (AppendSaveText(file_, chunk)) {
        gap_ = false;
        return Result::Written;
    }
    gap_ = true;
    if (told_)
        return Result::Failed;
    told_ = true;
    return Result::FailedFirst;
}

std::string ConsoleLine(const std::string& line) {
    // Counted in characters, not bytes, so a Chinese command is not cut inside a character.
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < line.size() && chars < 255;) {
        const std::size_t n =
            std::min(platform::Utf8CharLength(static_cast<unsigned char>(line[i])), line.size() - i);
        out.append(line, i, n);
        i += n;
        ++chars;
    }
    std::string clean;
    for (char c : out)
        if (c != '\r' && c != '\n')
            clean += c;
    return clean;
}

} // namespace marindle
