#pragma once
// The monitor-window manager: finds an open window by kind and key (the dispatcher routes every
// decoded record this way), opens windows with the common limit of 32, refuses windows of devices
// that do not communicate or are still being read, and closes the link-bound windows on connect.
#include "monitor/app/MonitorForm.h"
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/NetCfg.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QMdiArea;
class QMdiSubWindow;

namespace marindle {

class CMarindleApp;
class CDeviceRecord;

class CWindowManager : public IMonitorWindows {
public:
    static constexpr int kMaxWindows = 32;

    explicit CWindowManager(CMarindleApp& app) : app_(app) {}
    ~CWindowManager() override;

    void SetMdiArea(QMdiArea* area) { area_ = area; }
    QMdiArea* MdiArea() const { return area_; }

    // The open window of the kind with the key (kinds 0, 2, 3, 4, 11: the first), or null.
    CMonitorForm* Find(int kind, const WindowKey& key) const;
    // Counts one more window, or shows the limit message and refuses.
    bool CheckLimit();
    int Count() const { return count_; }
    // A monitor window went (its destructor calls this).
    void Closed(CMonitorForm* form);
    // Every open window in the order opened.
    const std::vector<CMonitorForm*>& Windows() const { return open_; }

    // The open operations of the menus, trees and pop-up menus; each returns the window (the one
    // already open, brought to the top) or null when it was refused.
    CMonitorForm* OpenCatalogue();
    CMonitorForm* OpenLog(int deviceFlag, std::uint16_t deviceKey);
    CMonitorForm* OpenDebug();
    CMonitorForm* OpenCommand();
    CMonitorForm* OpenCommState();
    // A trace window; settings (when given) are those of the frame properties dialog.
    CMonitorForm* OpenTrace(int mainFlag, int deviceFlag, std::uint16_t key,
                            const FrameSettings* settings = nullptr);
    CMonitorForm* OpenProtocol(std::uint16_t portKey);
    CMonitorForm* OpenTelecontrol(std::uint16_t deviceKey);
    CMonitorForm* OpenSettings(std::uint16_t deviceKey);
    CMonitorForm* OpenWave(std::uint16_t deviceKey);
    CMonitorForm* OpenRefTable(std::uint16_t tableKey);
    CMonitorForm* OpenInfo();
    CMonitorForm* OpenEvents(std::uint16_t deviceKey);
    CMonitorForm* OpenRemoteCmds(std::uint16_t deviceKey);
    CMonitorForm* OpenStat(std::uint16_t deviceKey);

    // On every connect: every window except the debug windows and the main frame-trace window.
    void CloseLinkWindows();
    // Closes every window (the program ends).
    void CloseAll();

    // IMonitorWindows
    ITraceWindow* FindTrace(int mainFlag, int deviceFlag, std::uint16_t key) override;
    IDebugWindow* FindDebug() override;
    IProtocolWindow* FindProtocol(std::uint16_t portKey) override;
    ICommandWindow* FindCommand() override;
    ICatalogueWindow* FindCatalogue() override;
    ICommStateWindow* FindCommState() override;
    ILogWindow* FindLog(int deviceFlag, std::uint16_t key) override;
    ITelecontrolWindow* FindTelecontrol(std::uint16_t deviceKey) override;
    ISettingsWindow* FindSettings(std::uint16_t deviceKey) override;
    IWaveWindow* FindWave(std::uint16_t deviceKey) override;
    IRefTableWindow* FindRefTable(std::uint16_t tableKey) override;
    IEventWindow* FindEvents(std::uint16_t deviceKey) override;
    IRemoteCmdWindow* FindRemoteCmds(std::uint16_t deviceKey) override;
    IStatWindow* FindStat(std::uint16_t deviceKey) override;
    IClockWindow* FindClock() override;
    IWarnView* WarnView() override;
    IStructureTree* Tree(int mode) override;
    void HistoryListComplete(const std::vector<std::uint16_t>& deviceKeys, bool last) override;
    void RemoteCmdListComplete(const std::vector<std::uint16_t>& deviceKeys) override;
    void WaveListComplete(const std::vector<std::uint16_t>& deviceKeys) override;
    void ManualSetDone(const std::vector<EntryRef>& entries) override;
    void ManualSetCancelled(const std::vector<EntryRef>& entries) override;
    void AllManualCancelled() override;

private:
    using Factory = std::function<CMonitorForm*()>;
    // Brings an open window forward, or counts, makes, places and starts a new one.
    CMonitorForm* Open(int kind, const WindowKey& key, const std::string& title, const Factory& make);
    // The name of the device of a device window, after the refusals (none when refused).
    std::optional<std::string> DeviceFor(int kind, std::uint16_t deviceKey);
    void Activate(CMonitorForm* form);
    template <class T>
    std::vector<T*> AnsweredWindows(int kind, const std::vector<std::uint16_t>& deviceKeys) const;
    template <class T> T* FindAs(int kind, const WindowKey& key) const {
        return dynamic_cast<T*>(Find(kind, key));
    }

    CMarindleApp& app_;
    QMdiArea* area_ = nullptr;
    std::vector<CMonitorForm*> open_;
    int count_ = 0;
};

} // namespace marindle
