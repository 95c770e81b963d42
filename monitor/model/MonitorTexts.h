#pragma once
// The monitor program's texts that more than one of its windows or parts show.
#include <string>
#include <vector>

namespace marindle::text {

// The wait label of the windows that query the unit.
inline constexpr const char* kQuerying = "正在召唤，请稍候……";
// A device command or window refused while the device does not communicate.
inline constexpr const char* kDeviceNotConnected = "装置未连通。";
// A typed number beyond its field (a start index, a value its bytes cannot hold).
inline constexpr const char* kValueOutOfRange = "输入值越限。";
// A file that could not be written (a fetched file, a save file of a text window).
inline constexpr const char* kWriteFailed = "写入文件失败。";

// The commands the unit was sent and had not answered when their windows closed for a lost
// connection, one "window: command" line each: their outcome is unknown.
inline std::string CommandsUnanswered(const std::vector<std::string>& lines) {
    std::string text = "与通讯装置的连接中断，以下命令已发出但未收到装置应答，执行结果不明，请核对装置：";
    for (const std::string& line : lines)
        text += "\n" + line;
    return text;
}
// A command confirmed while, or after, the connection was lost: it never went to the unit.
inline std::string CommandNotSent(const std::string& command) {
    return "与通讯装置的连接中断，" + command + "命令未发送。";
}

} // namespace marindle::text
