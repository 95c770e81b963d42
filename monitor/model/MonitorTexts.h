#pragma once
// The monitor program's texts that more than one of its windows or parts show.
namespace marindle::text {

// The wait label of the windows that query the unit.
inline constexpr const char* kQuerying = "正在召唤，请稍候……";
// A device command or window refused while the device does not communicate.
inline constexpr const char* kDeviceNotConnected = "装置未连通。";
// A typed number beyond its field (a start index, a value its bytes cannot hold).
inline constexpr const char* kValueOutOfRange = "输入值越限。";
// A file that could not be written (a fetched file, a save file of a text window).
inline constexpr const char* kWriteFailed = "写入文件失败。";

} // namespace marindle::text
