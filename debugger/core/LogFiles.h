#pragma once
// The plain-text logs the debugging program keeps in its "sav" folder: live events of devices and
// reference tables, remote commands and history events. Each record is one line appended to its
// file, in GBK with CR LF, whole or not at all; a failure is told once until a write succeeds. (The debug
// text of the unit is recorded by the debug information window, in "Debug_Mess.qv".)
#include "debugger/core/DbEntry.h"

#include <filesystem>
#include <functional>
#include <string>

namespace quorvex {

// The file the debug information window records the unit's debug text in, in the "sav" folder.
inline constexpr const char* kDebugLogName = "Debug_Mess.qv";
// The message of a file that could not be saved, followed by its path.
inline constexpr const char* kSaveFailedText = "文件保存失败: ";

class CLogFiles {
public:
    enum EventKind { kDeviceEvent = 1, kTableEvent = 2 };
    // As the port monitors' save files.
    static constexpr std::uintmax_t kRotateSize = 10000000;
    std::uintmax_t m_rotateSize = kRotateSize;

    // savFolder is the program folder's "sav" sub-folder.
    explicit CLogFiles(std::filesystem::path savFolder) : sav_(std::move(savFolder)) {}

    const std::filesystem::path& SavFolder() const { return sav_; }

    // Told the path of a log file that could not be written, once until a write succeeds again.
    std::function<void(const std::string& path)> m_onFailure;

    // kind 1 appends to "DevEvt.qv", kind 2 to "TabEvt.qv".
    void SaveEventFile(const CEventRecord& ev, int kind) const;
    void SaveRemoteCommand(const CRemoteCommandRecord& rec) const;
    void SaveHistoryEvent(const CHistoryEventRecord& rec) const;

    // The lines as they are written (UTF-8, ending in "\n").
    static std::string EventLine(const CEventRecord& ev);
    static std::string RemoteCommandLine(const CRemoteCommandRecord& rec);
    static std::string HistoryEventLine(const CHistoryEventRecord& rec);
    static std::string CommandTypeText(std::uint8_t type);
    // A command source's port kind: "串口", "网口" or "未知命令源".
    static std::string SourceKindText(std::uint8_t sourceClass);
    static std::string EventTypeText(std::uint8_t type);

    // The name a full log moves to: "<stem>_<n><extension>".
    static std::filesystem::path RotatedPath(const std::filesystem::path& path, unsigned n);

private:
    void Append(const char* fileName, const std::string& utf8) const;
    // Moves a full log aside; false when its size or the free name could not be learnt or the
    // rename failed (the log then stays where it is).
    bool Rotate(const std::filesystem::path& path) const;

    std::filesystem::path sav_;
    mutable bool failureTold_ = false;
};

} // namespace quorvex
