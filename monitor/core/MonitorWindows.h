#pragma once
// What the link and the message dispatcher call on the monitor program's windows, and how they find
// them. The window manager implements IMonitorWindows (each Find returns the open window of that
// kind and key, or null); each monitor window implements its small interface. Texts are UTF-8,
// times local calendar seconds.
#include "monitor/core/DeviceMessage.h"

#include "unitlink/PostGate.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace marindle {

// One frame for a frame-trace window: from the unit's frame monitoring or from the link's own log.
struct TraceItem {
    int direction = 0; // 1 sent, 0 received
    int transport = 0; // 0 serial port, 1 UDP, 2 TCP
    std::uint32_t deviceIp = 0;
    std::uint32_t destinationIp = 0;
    std::uint16_t deviceAddress = 0;
    std::string headerText;
    std::string frameText;
};

class ITraceWindow {
public:
    virtual ~ITraceWindow() = default;
    virtual void AddFrame(const TraceItem& item) = 0;
};

class IDebugWindow {
public:
    virtual ~IDebugWindow() = default;
    virtual void AddText(std::uint32_t colour, const std::string& text) = 0; // colour 0x00BBGGRR
};

class IProtocolWindow {
public:
    virtual ~IProtocolWindow() = default;
    virtual void AddText(const std::string& text) = 0;
};

class ICommandWindow {
public:
    virtual ~ICommandWindow() = default;
    virtual void ShowAnswer(const std::string& text) = 0;
};

class ICatalogueWindow {
public:
    virtual ~ICatalogueWindow() = default;
    // 0 a download runs, 1 an upload runs; decides the form of message 6.
    virtual int TransferDirection() const = 0;
    virtual void OnOpenReply(std::uint8_t ok, std::uint32_t length, std::uint32_t fileId) = 0;
    virtual void OnChunk(std::uint32_t fileId, std::uint8_t more, std::uint16_t chunkNo,
                         const std::uint8_t* data, std::size_t size) = 0;
    virtual void OnChunkAnswer(std::uint32_t fileId, std::uint8_t ok, std::uint16_t chunkNo) = 0;
    // time: seconds since 1970-01-01 00:00 UTC as the unit sends it.
    virtual void AddEntry(const std::string& name, std::uint8_t type, std::uint32_t size,
                          std::uint32_t time) = 0;
    virtual void ShowEntries() = 0;
};

class IEventWindow {
public:
    virtual ~IEventWindow() = default;
    virtual void AddRecord(const std::string& description, int eventType, std::time_t time,
                           std::uint16_t entryKey, const std::string& value) = 0;
};

class IRemoteCmdWindow {
public:
    virtual ~IRemoteCmdWindow() = default;
    virtual void AddRecord(const std::string& description, int commandType, const std::string& source,
                           std::time_t time, std::uint16_t entryKey, const std::string& value,
                           const std::string& selfDescription) = 0;
};

class IWaveWindow {
public:
    virtual ~IWaveWindow() = default;
    virtual void AddRecord(const std::string& fileName, const std::string& sourceFileName,
                           std::time_t faultTime, std::uint16_t nof) = 0;
};

class ILogWindow {
public:
    virtual ~ILogWindow() = default;
    virtual void AddLogEntry(std::uint8_t code, std::time_t time) = 0;
};

class ICommStateWindow {
public:
    virtual ~ICommStateWindow() = default;
    virtual void UpdateStates(int deviceFlag) = 0;
};

class IRefTableWindow {
public:
    virtual ~IRefTableWindow() = default;
    virtual void AddRow(std::uint16_t device, std::uint16_t entryKey, const std::string& text) = 0;
    virtual void RowsComplete() = 0;
    virtual void ValuesComplete() = 0;
    virtual void OneValue(std::uint16_t device, std::uint16_t entryKey, const std::string& text) = 0;
};

class ITelecontrolWindow {
public:
    virtual ~ITelecontrolWindow() = default;
    virtual void OneValueArrived(std::uint16_t entryKey, const std::string& text) = 0;
    virtual void GroupValuesArrived() = 0;
    // action 0 select, 1 execute, 2 cancel; result 1 positive, 0 negative.
    virtual void TelecontrolAck(int action, int result) = 0;
};

class ISettingsWindow {
public:
    virtual ~ISettingsWindow() = default;
    virtual void GroupValuesArrived(std::uint8_t group) = 0;
    // step 1 confirmation, 0 execution; result 1 positive, 0 negative.
    virtual void WriteAck(int step, int result) = 0;
};

class IStatWindow {
public:
    virtual ~IStatWindow() = default;
    virtual void SampleArrived(float value, std::time_t t1, std::time_t t2, std::time_t t3) = 0;
    virtual void EntryData(std::uint16_t entryId, const std::string& name, bool last) = 0;
};

class IClockWindow {
public:
    virtual ~IClockWindow() = default;
    // The 7-byte stamp of one board's clock (message 28).
    virtual void BoardTime(std::uint8_t board, const std::uint8_t* stamp) = 0;
};

class IWarnView {
public:
    virtual ~IWarnView() = default;
    // kind 0 SOE event, 1 recording event, 2 system event.
    virtual void AddEvent(int kind, std::time_t time, std::uint16_t milliseconds, const std::string& name,
                          std::uint16_t address, const std::string& description,
                          const std::string& state) = 0;
};

class IStructureTree {
public:
    virtual ~IStructureTree() = default;
    virtual void BuildTree() = 0;
    virtual void RefreshNodeTexts() = 0;
    virtual void SetNodeState(bool isDevice, std::uint16_t key, bool ok) = 0;
};

// The window manager as the link and the dispatcher see it. Every lookup defaults to "not open".
class IMonitorWindows {
public:
    virtual ~IMonitorWindows() = default;

    // Frame-trace window: the main one (main flag 1, the rest not compared), or of a port
    // (deviceFlag 0, port key) or of a device (deviceFlag 1, device key).
    virtual ITraceWindow* FindTrace(int /*mainFlag*/, int /*deviceFlag*/, std::uint16_t /*key*/) {
        return nullptr;
    }
    virtual IDebugWindow* FindDebug() { return nullptr; }
    virtual IProtocolWindow* FindProtocol(std::uint16_t /*portKey*/) { return nullptr; }
    virtual ICommandWindow* FindCommand() { return nullptr; }
    virtual ICatalogueWindow* FindCatalogue() { return nullptr; }
    virtual ICommStateWindow* FindCommState() { return nullptr; }
    // The unit's log (deviceFlag 0) or a device's (deviceFlag 1, device key).
    virtual ILogWindow* FindLog(int /*deviceFlag*/, std::uint16_t /*key*/) { return nullptr; }
    virtual ITelecontrolWindow* FindTelecontrol(std::uint16_t /*deviceKey*/) { return nullptr; }
    virtual ISettingsWindow* FindSettings(std::uint16_t /*deviceKey*/) { return nullptr; }
    virtual IWaveWindow* FindWave(std::uint16_t /*deviceKey*/) { return nullptr; }
    virtual IRefTableWindow* FindRefTable(std::uint16_t /*tableKey*/) { return nullptr; }
    virtual IEventWindow* FindEvents(std::uint16_t /*deviceKey*/) { return nullptr; }
    virtual IRemoteCmdWindow* FindRemoteCmds(std::uint16_t /*deviceKey*/) { return nullptr; }
    virtual IStatWindow* FindStat(std::uint16_t /*deviceKey*/) { return nullptr; }
    virtual IClockWindow* FindClock() { return nullptr; }
    // The main frame's warning view and its structure trees (mode 1 "对下", 2 "对上").
    virtual IWarnView* WarnView() { return nullptr; }
    virtual IStructureTree* Tree(int /*mode*/) { return nullptr; }

    // Notifications to the waiting windows: an answer part of a history query was handed out. The
    // keys are those of the devices its records named; a part without records names none, and then
    // goes to every waiting window of the kind.
    virtual void HistoryListComplete(const std::vector<std::uint16_t>& /*deviceKeys*/, bool /*last*/) {}
    virtual void RemoteCmdListComplete(const std::vector<std::uint16_t>& /*deviceKeys*/) {}
    virtual void WaveListComplete(const std::vector<std::uint16_t>& /*deviceKeys*/) {}
    virtual void ManualSetDone(const std::vector<EntryRef>& /*entries*/) {}
    virtual void ManualSetCancelled(const std::vector<EntryRef>& /*entries*/) {}
    virtual void AllManualCancelled() {}
};

// What the link needs of the program around it: the notice window, the application's commands
// for a link that went down or must be re-established, and a queued call.
class ILinkHost {
public:
    virtual ~ILinkHost() = default;
    // Runs the call once the handling in progress has returned to the event loop (a queued call on
    // the user-interface thread). Message boxes of the receive path and of the link's timers go this
    // way: a box opened inside the socket's receive notification would stop further frames until it
    // closes, and the silence watch would then tear the link down under it.
    virtual void Post(std::function<void()> call) = 0;
    // A plain message box shown through Post.
    void MessageLater(const std::string& text);
    // Main-frame message 0x401: a notice window with the text (a notice already up keeps its text).
    virtual void ShowNotice(const std::string& /*text*/) {}
    // Main-frame message 0x402: the notice window closes.
    virtual void CloseNotice() {}
    // The link went down (any cause): the main frame's link text becomes "通讯装置通讯中断".
    virtual void LinkDown() {}
    // The silence limit: the application's disconnect and connect commands.
    virtual void Reconnect() {}
    // The gate of the queued calls of Post, held while the link tries to connect (none: nothing
    // is held).
    virtual unitlink::CPostGate* PostGate() { return nullptr; }
};

} // namespace marindle
