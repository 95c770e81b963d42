#pragma once
// The rules of the text monitor windows without their widgets: which frames a trace window shows,
// what its save file is called and what each entry writes there, the queue that the one-second
// tick moves to the screen, and the console's line as it is judged.
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/NetCfg.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace marindle {

class CDevModel;

// A frame passes the trace window's transport and address filters.
bool FramePasses(const FrameSettings& s, const TraceItem& item);

// The text a trace window shows for a frame: header (when printed) and frame, CR LF after it.
std::string TraceDisplayText(const FrameSettings& s, const TraceItem& item);
// The save-file entry of a frame; empty for a direction that is neither sent nor received.
std::string TraceSaveEntry(const FrameSettings& s, const TraceItem& item);
// The save-file entry of a protocol text: CR LF, the local time, the text.
std::string ProtocolSaveEntry(const std::string& text, std::time_t now);

// Save file names, relative to the "sav" folder.
std::string DebugSaveName();
std::string ProtocolSaveName(const CDevModel& model, std::uint16_t portKey);
std::string TraceSaveName(const CDevModel& model, int mainFlag, int deviceFlag, std::uint16_t key);
// "板卡%u_" + port name of a port key; empty when the port is unknown.
std::string PortLabel(const CDevModel& model, std::uint16_t portKey);

// Appends the UTF-8 text to the file as GBK with CR LF line ends; the file is created when
// missing and never truncated; a CR LF already in the text stays one. False (silently) when it
// cannot be opened or written, or a character had no GBK form.
bool AppendSaveText(const std::filesystem::path& file, const std::string& text);

// The mark a save file gets where entries are missing because they could not be written.
inline constexpr const char* kSaveGapMark = "【此处有记录未能写入文件】";

// The save file of one text window: chunks appended whole by AppendSaveText. A chunk that cannot
// be written is dropped (what waits stays within one chunk) and leaves a gap, marked in the file
// before the next chunk that is written; the failure is to be told once while the window lives,
// however often the disk then fills and frees again.
class CSaveFileAppender {
public:
    enum class Result { Written, Failed, FailedFirst };
    explicit CSaveFileAppender(std::filesystem::path file = {}) : file_(std::move(file)) {}
    // FailedFirst: the first failure for this file, which the caller tells.
    Result Append(const std::string& text);
    bool GapPending() const { return gap_; }

private:
    std::filesystem::path file_;
    bool gap_ = false;
    bool told_ = false;
};

// One queued item of any text window: the colour and the text, or a frame.
struct MonitorItem {
    std::uint32_t colour = 0;
    std::string text;
    TraceItem frame;
    bool isFrame = false;
};

// A console line as it is judged: at most 255 characters, CR and LF removed.
std::string ConsoleLine(const std::string& line);

} // namespace marindle
