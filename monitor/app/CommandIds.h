#pragma once
// The ids of the monitor program's commands: the data of each menu, toolbar and context-menu
// action, by which the enabling rules and the tests find them.

namespace marindle {

enum CommandId : int {
    // The communication menu and the toolbar.
    kCmdCommParams = 32771,      // "通讯参数"
    kCmdConnect = 32772,         // "建立连接"
    kCmdDisconnect = 32773,      // "断开连接"
    kCmdRemoteReset = 32785,     // "复位并重新启动通讯装置"
    kCmdCancelAllManual = 32786, // "取消所有置数"
    kCmdDeviceClock = 32792,     // "查看或设置装置时钟": drops down the three clock commands
    kCmdSystemClock = 32793,     // "系统时钟"
    kCmdViewClocks = 32794,      // "查看时钟"
    kCmdCustomClock = 32795,     // "自定义时钟"
    kCmdMainTrace = 32806,       // "通讯报文"
    kCmdVersion = 32826,         // "查看装置版本"
    // The view menu.
    kCmdShowWorkspace = 32776, // "结构图栏"
    kCmdShowWarnspace = 32777, // "事件栏"
    kCmdSwitchTree = 57610,    // "切换结构图"
    // The help menu.
    kCmdAbout = 57664, // "关于组态调试工具"
    // The text monitor windows' context menu.
    kCmdContinue = 32778,        // "继续刷新"
    kCmdPause = 32780,           // "暂停刷新"
    kCmdClearFrames = 32781,     // "清除报文"
    kCmdSaveFrames = 32782,      // "开始保存" / "终止保存"
    kCmdFindText = 32783,        // "查找字符"
    kCmdTraceProperties = 32798, // "报文属性"
    kCmdMarkText = 32810,        // "标记字符"
    // The catalogue window's context menu.
    kCmdOpenFolder = 32800,   // "打开"
    kCmdDownloadFile = 32801, // "下装"
    kCmdUploadFile = 32802,   // "上装"
    // The settings window's and the telecontrol window's context menus.
    kCmdReadSettings = 32803, // "上装"
    kCmdTelecontrol = 32827,  // "遥控"
    // The structure tree's context menus.
    kCmdNodeFrameProperties = 32805, // "属性" of a frame trace node
    kCmdRefreshDevice = 32814,       // "刷新"
    kCmdExportDevice = 32815,        // "导出"
    kCmdResetDevice = 32822,         // "复归"
    // The event bar's and the statistics window's context menus.
    kCmdClearWarnings = 32813, // "清除"
    kCmdStatQuery = 32816,     // "召唤"
    kCmdStatShow = 32817,      // "显示"
};

} // namespace marindle
