#pragma once
// What the link, its answer dispatcher and its IEC 103 handler need of the program around them:
// the main frame's timers and notice window, the debug information window, the file-transfer
// progress window, the monitor windows, the single-instance windows and the data sheets. The shell
// implements it with widgets; tests implement it with recorders. Every call is made on the link's
// (the user-interface) thread. Calls about a window that is not open are simply ignored.
#include "debugger/core/DbEntry.h"

#include "unitlink/PostGate.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvex {

// Main-frame timers.
enum TimerId {
    kTimerHeartbeat = 0,   // 10000 ms, repeating
    kTimerSupervision = 1, // 30000 ms, restarted by every valid frame
    kTimerTransfer = 2,    // 4000 ms file-transfer answer wait
    kTimerLogin = 3,       // 6000 ms
    kTimerPortInfo = 4,    // 6000 ms
    kTimerSettings = 5,    // 10000 ms settings download
    kTimerDbSet = 6,       // 5000 ms
    kTimerDbCancel = 7,    // 5000 ms
    kTimerTabSet = 8,      // 5000 ms
    kTimerTabCancel = 9,   // 5000 ms
    kTimerCancelAll = 10,  // 5500 ms
};

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Monitor-window slots of the registry.
enum MonitorSlot { kSlotDebug = 0, kSlotReceive = 2, kSlotSend = 3, kSlotProtocol = 9 };

// What a port frame monitor's document remembers.
struct PortMonitorDoc {
    std::uint8_t board = 0;       // from 1
    std::uint8_t port = 0;        // from 1
    std::uint8_t messageType = 0; // 0 serial; network 1 UDP, 2 TCP, 3 all
    std::uint8_t direction = 0;   // 0 received, 1 sent, 2 both
    std::uint16_t device = 0xFFFF;
    std::uint32_t unitAddress = 0;
    std::uint32_t destAddress = 0xFFFFFFFF;
    std::string linePrefix;
};

// What the protocol information monitor's document remembers.
struct ProtocolMonitorDoc {
    std::uint8_t board = 0;    // from 1
    std::uint8_t portKind = 0; // 0 serial, 1 network
    std::uint8_t port = 0;     // from 1
};

// One answered entry of a manual setting or its cancel.
struct SetResult {
    std::uint16_t address = 0;
    std::uint16_t key = 0;
    std::uint8_t result = 0;
};

// One entry a device echoes back from a settings write.
struct EchoItem {
    std::uint16_t key = 0;
    std::uint8_t dataType = 0;
    std::uint8_t dataSize = 0;
    std::uint8_t number = 0;
    double value = 0;
};

// A real-time data-base sheet: its data-base page, settings page and event page.
class IDbSheet {
public:
    virtual ~IDbSheet() = default;
    virtual std::uint8_t BoardNumber() const = 0;
    virtual std::uint16_t DeviceAddress() const = 0;

    virtual void ActivatePage(int page) = 0;
    // A heading of one of the six tele-categories (data-base page) or of another kind (settings
    // page: its table and combo; the sheet shows that page).
    virtual void AddDbGroup(std::uint8_t group, const std::string& title) = 0;
    virtual void AddSettingGroup(std::uint8_t group, const std::string& title) = 0;
    virtual void FillLists() = 0;
    virtual void ShowValue(const CDbEntry& entry) = 0;
    virtual void ShowSettingValue(const CDbEntry& entry) = 0;
    virtual void ShowEvent(const CEventRecord& ev) = 0;

    // Manual setting on the data-base page (the failure messages are shown before these calls).
    virtual int SentSetCount() const = 0;
    virtual void ApplySetResults(const std::vector<SetResult>& results) = 0;
    virtual void ApplyCancelResults(const std::vector<SetResult>& results) = 0;
    virtual void ApplyCancelAll(std::uint8_t result) = 0;
    virtual void FailPending() = 0;

    // Settings download on the settings page.
    virtual int SentSettingsCount() const = 0;
    virtual bool CompareEcho(const std::vector<EchoItem>& echo) = 0;
    virtual void DownloadSucceeded() = 0;
    virtual void DownloadFailed() = 0;
};

// A reference-table sheet: its table page and event page.
class ITabSheet {
public:
    virtual ~ITabSheet() = default;
    virtual std::uint8_t BoardNumber() const = 0; // from 1
    virtual std::uint8_t PortType() const = 0;
    virtual std::uint8_t PortNumber() const = 0; // from 1
    virtual std::uint8_t TableNumber() const = 0;
    virtual std::uint16_t StartPosition() const = 0;
    virtual std::uint16_t RowCount() const = 0;

    virtual void FillList() = 0;
    virtual void ShowValue(const CTabEntry& entry) = 0;
    virtual void ShowEvent(const CEventRecord& ev) = 0;

    virtual int SentSetCount() const = 0;
    virtual void ApplySetResults(const std::vector<SetResult>& results) = 0;
    virtual void ApplyCancelResults(const std::vector<SetResult>& results) = 0;
    virtual void ApplyCancelAll(std::uint8_t result) = 0;
    virtual void FailPending() = 0;
};

class IQuorvexShell {
public:
    virtual ~IQuorvexShell() = default;

    // Runs fn once the event being handled is done (a queued call of the user-interface thread).
    // Message boxes and dialogs that answers of the unit bring up go this way, so that no box is
    // ever open inside the socket's receive path and frames keep being read while it is up.
    virtual void Later(std::function<void()> fn) { fn(); }
    // The gate of the calls of Later, held while the link tries to connect (none: nothing is held).
    virtual unitlink::CPostGate* LaterGate() { return nullptr; }

    // Main frame.
    virtual void StartTimer(int id, int ms) = 0;
    virtual void StopTimer(int id) = 0;
    virtual void ShowNotice(const std::string&) {}
    virtual void CloseNotice() {}
    // After the connect and disconnect commands: status text, debug window brought up.
    virtual void OnLinkStateChanged(bool /*connected*/) {}
    // The unit's port information has been read into the board records.
    virtual void OnPortInformation() {}

    // Debug information window (monitor slot 0).
    virtual bool DebugWindowOpen() { return false; }
    virtual bool DebugRecording() { return false; }
    virtual void AppendDebug(const std::string& /*text*/, Rgb) {}
    // Records debug text in the debug log while the window records (DebugRecording).
    virtual void RecordDebug(const std::string& /*text*/) {}

    // File-transfer progress window.
    virtual bool HasProgressWindow() { return false; }
    virtual void SetProgress(int /*percent*/) {}
    // Closes and deletes the window (after delayMs, when given).
    virtual void CloseProgressWindow(int /*delayMs*/) {}
    // The save dialog of an uploaded file; true with the chosen path.
    virtual bool AskSaveFile(const std::string& /*initialFolder*/, const std::string& /*fileName*/,
                             std::string& /*path*/) {
        return false;
    }

    // Port frame monitors (slots 2 and 3) and the protocol information monitor (slot 9): null
    // when the slot holds no open document with a view.
    virtual const PortMonitorDoc* PortMonitor(int /*slot*/) { return nullptr; }
    virtual void QueuePortLine(int /*slot*/, bool /*sent*/, const std::string& /*text*/,
                               const std::string& /*tag*/) {}
    virtual const ProtocolMonitorDoc* ProtocolMonitor() { return nullptr; }
    virtual void AppendProtocolText(const std::string& /*text*/, Rgb) {}

    // Single-instance windows.
    virtual void ShowStringAnswer(const std::string&) {}
    virtual void AddDirectoryEntry(const std::string& /*name*/, std::uint32_t /*size*/, std::uint8_t /*type*/,
                                   std::int32_t /*time*/) {}
    // "装置无此目录" in the directory window, which then goes.
    virtual void DirectoryNotFound() {}
    virtual void AddRemoteCommand(const CRemoteCommandRecord&) {}
    virtual void AddHistoryEvent(const CHistoryEventRecord&) {}
    virtual void UpdateDeviceStatus(std::uint16_t /*address*/, std::uint8_t /*state*/) {}
    virtual void UpdatePortStatus(std::uint8_t /*board*/, std::uint8_t /*kind*/, std::uint8_t /*port*/,
                                  std::uint8_t /*state*/) {}
    virtual void AddWaveRecord(const std::string& /*name*/, std::uint16_t /*address*/, const CDeviceTime&,
                               std::uint16_t /*nof*/) {}
    virtual void ShowDeviceTime(const CDeviceTime&) {}

    // Open sheets (observed; owned by the shell).
    virtual std::vector<IDbSheet*> DbSheets() { return {}; }
    virtual std::vector<ITabSheet*> TabSheets() { return {}; }
};

} // namespace quorvex
