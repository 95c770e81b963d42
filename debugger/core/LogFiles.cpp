#include "debugger/core/LogFiles.h"

#include "platform/FileFaults.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace quorvex {

std::string CLogFiles::CommandTypeText(std::uint8_t type) {
    static const char* const kTexts[] = {"遥控选择",       "遥控执行",   "遥控撤销",       "遥调选择",
                                         "遥调执行",       "遥调撤销",   "写定值区号确认", "写定值区号执行",
                                         "写定值区号撤销", "写定值确认", "写定值执行",     "写定值撤销"};
    return type >= 1 && type <= 12 ? kTexts[type - 1] : "未定义命令";
}

std::string CLogFiles::EventTypeText(std::uint8_t type) {
    static const char* const kTexts[] = {"动作元件", "装置自检", "运行告警",     "软压板",
                                         "硬压板",   "遥信",     "档位",         "故障测距",
                                         "故障选相", "故障测量", "电网故障序号", "其它故障信息"};
    return type >= 1 && type <= 12 ? kTexts[type - 1] : "未定义事件";
}

std::string CLogFiles::EventLine(const CEventRecord& ev) {
    return "事件:" + ev.m_name + platform::StrFormat(" 地址:%u", unsigned{ev.m_address}) +
           platform::StrFormat(" 组号:%u", unsigned{ev.m_group}) +
           platform::StrFormat(" 条目号:%u", unsigned{ev.m_entry}) + " 动作:" + ev.m_action +
           " 时间:" + ev.m_time + "\n";
}

std::string CLogFiles::SourceKindText(std::uint8_t sourceClass) {
    return sourceClass == 0 ? "串口" : sourceClass == 1 ? "网口" : "未知命令源";
}

std::string CLogFiles::RemoteCommandLine(const CRemoteCommandRecord& r) {
    std::string line = CommandTypeText(r.m_commandType);
    line += platform::StrFormat(" 命令源板卡%u", r.m_sourceBoard + 1u);
    line += SourceKindText(r.m_sourceClass);
    line += platform::StrFormat("%u", unsigned{r.m_sourcePort});
    line += platform::StrFormat("装置%u ", unsigned{r.m_address});
    line += platform::StrFormat("组号%u ", unsigned{r.m_group});
    line += platform::StrFormat("条目号%u ", unsigned{r.m_entry});
    line += r.m_value + " ";
    line += ClockText(r.m_time) + " ";
    line += r.m_description + "\n";
    return line;
}

std::string CLogFiles::HistoryEventLine(const CHistoryEventRecord& r) {
    std::string line =
        platform::StrFormat("装置%u 组号%u 条目号%u FUN%u INF%u ", unsigned{r.m_address}, unsigned{r.m_group},
                            unsigned{r.m_entry}, unsigned{r.m_fun}, unsigned{r.m_inf});
    line += EventTypeText(r.m_eventType) + " ";
    line += r.m_value + " ";
    line += ClockText(r.m_time) + "\n";
    return line;
}

std::filesystem::path CLogFiles::RotatedPath(const std::filesystem::path& path, unsigned n) {
    return path.parent_path() /
           (path.stem().string() + platform::StrFormat("_%u", n) + path.extension().string());
}

bool CLogFiles::Rotate(const std::filesystem::path& path) const {
    const platform::PathStat stat = platform::StatPath(path);
    if (!stat.exists)
        return !stat.Failed(); // a log not there yet is begun
    if (stat.size < m_rotateSize)
        return true;
    for (unsigned n = 1; n != 0; ++n) {
        const std::filesystem::path aside = RotatedPath(path, n);
        // A name that cannot be looked at is not taken for a free one.
        if (platform::FileStepFails(platform::FileStep::Stat, aside))
            return false;
        std::error_code ec;
        const std::filesystem::file_status status = std::filesystem::symlink_status(aside, ec);
        if (status.type() == std::filesystem::file_type::not_found)
            return platform::RenameFile(path, aside);
        if (ec)
            return false;
    }
    return false;
}

void CLogFiles::Append(const char* fileName, const std::string& utf8) const {
    const std::filesystem::path path = sav_ / fileName;
    // A log that cannot move aside still takes the line; the failure is told all the same.
    const bool rotated = Rotate(path);
    if (platform::AppendFileBytes(path, platform::GbkTextBytes(utf8)) && rotated) {
        failureTold_ = false;
    } else if (!failureTold_) {
        failureTold_ = true;
        if (m_onFailure)
            m_onFailure(path.string());
    }
}

void CLogFiles::SaveEventFile(const CEventRecord& ev, int kind) const {
    if (kind == kDeviceEvent)
        Append("DevEvt.qv", EventLine(ev));
    else if (kind == kTableEvent)
        Append("TabEvt.qv", EventLine(ev));
}

void CLogFiles::SaveRemoteCommand(const CRemoteCommandRecord& rec) const {
    Append("rmtcomm.qv", RemoteCommandLine(rec));
}

void CLogFiles::SaveHistoryEvent(const CHistoryEventRecord& rec) const {
    Append("hisevt.qv", HistoryEventLine(rec));
}

} // namespace quorvex
