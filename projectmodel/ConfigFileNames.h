#pragma once
// The names of the configuration files and the section heads and keys of their text, one owner
// each: the writer, the readers, the folder checks and the upload all use these.
namespace projectmodel::cfgfile {

// ---- Files
// The unit's variable information, beside the main file.
inline constexpr const char* kSystemFile = "system.cfg";
// The bay file named by the main file's [间隔配置] section.
inline constexpr const char* kBayFile = "ccu_工程间隔.cfg";
// The start of every further file's name (the bay file and one file per port configuration).
inline constexpr const char* kFurtherFilePrefix = "ccu_";
// The end of a further file's name.
inline constexpr const char* kFurtherFileSuffix = ".cfg";
// The library's board list (an INI file).
inline constexpr const char* kLibraryConfigFile = "组态配置.ini";
// The INI section of that list that counts and names the boards, and its key of board k (from 1).
inline constexpr const char* kLibraryBoardSection = "板卡配置";
inline constexpr const char* kLibraryBoardCountKey = "数目";
inline constexpr const char* kLibraryBoardKey = "板卡%d配置";
// The library's list of device models.
inline constexpr const char* kDeviceListFile = "devlist.ini";

// ---- Section heads of the main file and its further files
inline constexpr const char* kFileBegin = "[组态文件开始]";
inline constexpr const char* kProjectIdentity = "[工程标识]";
inline constexpr const char* kTimeSync = "[对时配置]";
inline constexpr const char* kDeviceTable = "[装置信息表]";
inline constexpr const char* kBayConfig = "[间隔配置]";
inline constexpr const char* kDeviceInfo = "[装置信息]";
inline constexpr const char* kRelatedInfo = "[相关信息]";
inline constexpr const char* kBoardConfig = "[板卡配置]";
inline constexpr const char* kSerialConfig = "[串口配置]";
inline constexpr const char* kNetworkConfig = "[网络配置]";
inline constexpr const char* kConfigInfo = "[配置信息]";
inline constexpr const char* kPortConfigBegin = "[配置组态开始]";
inline constexpr const char* kCompositeSignals = "[复合信号配置表]";
inline constexpr const char* kRelatedDevices = "[关联装置]";
inline constexpr const char* kRelatedEntries = "[关联条目]";
inline constexpr const char* kVariableInfo = "[可变信息]";

// ---- Numbered section heads (printf formats)
inline constexpr const char* kBayHead = "[间隔%d]";
inline constexpr const char* kEquipmentHead = "[设备%d]";
inline constexpr const char* kRefTableHead = "[引用表%d]";
inline constexpr const char* kVariableGroupHead = "[可变信息%d]";
inline constexpr const char* kDeviceHead = "[装置%d]";
inline constexpr const char* kBoardHead = "[板卡%d]";
// Port type text and running number.
inline constexpr const char* kPortHead = "[%s%d配置]";

// ---- Keys of the main file and its further files (the text before "=")
inline constexpr const char* kKeyFormat = "格式";
inline constexpr const char* kKeyProjectName = "工程名称";
inline constexpr const char* kKeyUnitAddress = "管理机地址";
inline constexpr const char* kKeyProjectTime = "工程时间";
inline constexpr const char* kKeyTimeSource = "对时源";
inline constexpr const char* kKeyCount = "数目";
inline constexpr const char* kKeyDescription = "描述";
inline constexpr const char* kKeyAddress = "地址";
inline constexpr const char* kKeyType = "类型";
inline constexpr const char* kKeyName = "名称";
inline constexpr const char* kKeyReference = "引用";
inline constexpr const char* kKeyOperation = "操作";
inline constexpr const char* kKeyItemCount = "项目数";
inline constexpr const char* kKeyRefTableCount = "引用表数目";
inline constexpr const char* kKeyRefTableNumber = "引用表库号";
inline constexpr const char* kKeyRefTableType = "引用表类型";
inline constexpr const char* kKeyRefTableName = "引用表描述";
inline constexpr const char* kKeyTableSize = "表元素数目";

} // namespace projectmodel::cfgfile
