#pragma once
// The debugging program's application object: start-up with the login, the link and its worker,
// the program data, the monitor-window registry, the open data sheets and single-instance windows,
// and every menu command. It is the shell the link, its dispatcher and its IEC 103 handler talk to.
#include "debugger/views/CommStatusDlg.h"
#include "debugger/views/EventWindows.h"
#include "debugger/views/FileDialogs.h"
#include "debugger/views/MonitorWindowList.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/StringCmdDlg.h"
#include "debugger/views/TimeDialogs.h"

#include "debugger/core/DeviceLink.h"
#include "debugger/core/NetMagThread.h"
#include "debugger/core/QuorvexData.h"
#include "debugger/core/QuorvexShell.h"

#include "unitlink/LinkTransport.h"
#include "users/model/UserPwMgr.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvex {

class CMainFrame;
class COutputView;
class CDisDBSheet;
class CDisTabSheet;
class CStringCmdDlg;
class CFileDirDlg;
class CRemoteCmdListDlg;
class CEventHistoryDlg;
class CCommStatusDlg;
class CWaveListDlg;
class CPortMonitorDlg;
class CDeviceTimeDlg;
class CTransferProgressDlg;
class CConnectParamDlg;

class CQuorvexApp : public QObject, public IQuorvexShell {
    Q_OBJECT
public:
    using TransportFactory = std::function<std::unique_ptr<unitlink::ILinkTransport>()>;

    // programFolder holds "Password.dat", "CFG_TOOL.INI" and the "sav" folder; settingsFile is the
    // link's address file (empty: "CFG_TOOL.INI" of the program folder).
    CQuorvexApp(TransportFactory makeTransport, std::filesystem::path programFolder,
                std::filesystem::path settingsFile = {});
    ~CQuorvexApp() override;
    CQuorvexApp(const CQuorvexApp&) = delete;
    CQuorvexApp& operator=(const CQuorvexApp&) = delete;

    // Start-up after the login (userName as the login gave it); false ends the program.
    bool InitInstance(const std::string& userName, const std::string& commandLine, bool startWorker = true);
    // Login dialog with rights 0x02, then InitInstance.
    bool LoginAndStart(const std::string& commandLine);
    void ExitInstance();

    CMainFrame* MainFrame() { return frame_.get(); }
    CDeviceLink* Link() { return link_.get(); }
    CNetMagThread* Worker() { return worker_.get(); }
    CQuorvexData& Data() { return data_; }
    CMonitorWindowList& Monitors() { return monitors_; }
    bool IsConnected() const { return link_ && link_->IsConnected(); }
    bool IsAdministrator() const { return admin_; }
    // The administrator flag from the name the login gave.
    void SetUserName(const std::string& userName);

    // Rights check of a command: the administrator passes, anyone else logs in with the rights.
    bool CheckRights(std::uint32_t rights);
    // Tests replace the login dialog of the rights checks.
    std::function<bool(std::uint32_t)> m_rightsCheck;
    // How long the posting commands wait afterwards (500 ms; tests shorten it).
    int m_postWaitMs = 500;

    // Hands a message to the worker (sent directly when there is no worker). notSent runs when
    // the message could not go because the link was down or lost at the send.
    void Post(const CDeviceMessage& message, std::function<void()> notSent = {});
    // Says, once the current event is handled, that the link is down and what was not sent.
    void TellNotSent(const std::string& what);
    // Sends at once; a message that cannot go is told (TellNotSent) and false returned.
    bool SendOrTell(const CDeviceMessage& message, const std::string& what);
    int Send(const CDeviceMessage& message) { return link_ ? link_->SendMessage(message) : 0; }

    // The enabling rules of the menu commands for the current state.
    bool CommandEnabled(int id) const;
    void RunCommand(int id);

    // Menu commands.
    void OnConnectParam();
    void OnConnect();
    void OnDisconnect();
    void OnRemoteStart();
    void OnStringCommand();
    COutputView* OpenDebugWindow();
    void OnDebugInfo();
    void OnDownloadFile();
    void OnUploadFile();
    void OnSetTime();
    void OnFileDirectory();
    // Request 8 for the path and a new directory window titled with the normalised path.
    void RequestDirectory(const std::string& path);
    void OnProtocolInfo();
    void OnHistoryEvents();
    void OnRemoteCommands();
    void OnWaveRecords();
    void OnCommStatus();
    void OnDeviceTime();
    void OnSerialMonitor();
    void OnNetMonitor();
    void OnRealTimeDb();
    void OnRefTable();
    void OnCancelAllSettings();
    void OnAbout();
    // The file-transfer progress window for a transfer about to start.
    void CreateProgressWindow();

    // Sheets.
    const std::vector<std::unique_ptr<CDisDBSheet>>& DbSheetList() const { return dbSheets_; }
    const std::vector<std::unique_ptr<CDisTabSheet>>& TabSheetList() const { return tabSheets_; }
    void RemoveDbSheets(std::uint16_t address);
    void RemoveTabSheets(std::uint8_t board, std::uint8_t portType, std::uint8_t port, std::uint8_t table);
    // An entry set (or released) through any page: the entry lists' flags and every page's col 6.
    void MarkEntry(std::uint16_t address, std::uint16_t key, bool set);

    // Single-instance windows (null when not open).
    CStringCmdDlg* Console() const { return console_; }
    CFileDirDlg* DirectoryWindow() const { return directory_; }
    CRemoteCmdListDlg* RemoteWindow() const { return remote_; }
    CEventHistoryDlg* HistoryWindow() const { return history_; }
    CCommStatusDlg* StatusWindow() const { return status_; }
    CWaveListDlg* WaveWindow() const { return wave_; }
    CDeviceTimeDlg* DeviceTimeWindow() const { return deviceTime_; }
    CTransferProgressDlg* ProgressWindow() const { return progress_; }

    // IQuorvexShell.
    void Later(std::function<void()> fn) override;
    unitlink::CPostGate* LaterGate() override { return &later_; }
    void StartTimer(int id, int ms) override;
    void StopTimer(int id) override;
    void ShowNotice(const std::string& text) override;
    void CloseNotice() override;
    void OnLinkStateChanged(bool connected) override;
    void OnPortInformation() override;
    bool DebugWindowOpen() override;
    bool DebugRecording() override;
    void AppendDebug(const std::string& text, Rgb colour) override;
    void RecordDebug(const std::string& text) override;
    bool HasProgressWindow() override { return progress_ != nullptr; }
    void SetProgress(int percent) override;
    void CloseProgressWindow(int delayMs) override;
    bool AskSaveFile(const std::string& initialFolder, const std::string& fileName,
                     std::string& path) override;
    const PortMonitorDoc* PortMonitor(int slot) override;
    void QueuePortLine(int slot, bool sent, const std::string& text, const std::string& tag) override;
    const ProtocolMonitorDoc* ProtocolMonitor() override;
    void AppendProtocolText(const std::string& text, Rgb colour) override;
    void ShowStringAnswer(const std::string& text) override;
    void AddDirectoryEntry(const std::string& name, std::uint32_t size, std::uint8_t type,
                           std::int32_t time) override;
    void DirectoryNotFound() override;
    void AddRemoteCommand(const CRemoteCommandRecord& rec) override;
    void AddHistoryEvent(const CHistoryEventRecord& rec) override;
    void UpdateDeviceStatus(std::uint16_t address, std::uint8_t state) override;
    void UpdatePortStatus(std::uint8_t board, std::uint8_t kind, std::uint8_t port,
                          std::uint8_t state) override;
    void AddWaveRecord(const std::string& name, std::uint16_t address, const CDeviceTime& time,
                       std::uint16_t nof) override;
    void ShowDeviceTime(const CDeviceTime& time) override;
    std::vector<IDbSheet*> DbSheets() override;
    std::vector<ITabSheet*> TabSheets() override;

    // Tests replace the save dialog of uploaded files.
    std::function<bool(const std::string&, const std::string&, std::string&)> m_askSaveFile;

private:
    void WaitAfterPost();
    // After a dialog or a box: true when the link is still up and the chosen board (its number from
    // 1, 255 for the unit itself) still there; otherwise says that the link is down.
    bool LinkStillUp(int boardNumber = kNoBoard);
    COutputView* MakeMonitorWindow(int slot);
    // Opens (or reuses) a port monitor window in a slot; null when the limit is reached.
    COutputView* OpenPortWindow(int slot, const std::string& title, const CComDataDoc& doc, bool saving,
                                const std::string& saveFile);
    // Opens the windows a port or network monitor dialog asked for: one for both directions, or
    // one a direction. Gives the direction to ask the unit for; -1 when a window cannot be opened.
    int OpenMonitorWindows(const CPortMonitorDlg& dlg, CComDataDoc doc, const std::string& deviceText,
                           const std::string& saveFile);
    void NewLink();

    // Queued on this object; held while the link tries to connect.
    unitlink::CPostGate later_;
    TransportFactory makeTransport_;
    std::filesystem::path settingsFile_;
    CQuorvexData data_;
    CUserPwMgr users_;
    bool admin_ = false;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<CDeviceLink> link_;
    std::unique_ptr<CNetMagThread> worker_;
    CMonitorWindowList monitors_;
    std::vector<std::unique_ptr<CDisDBSheet>> dbSheets_;
    std::vector<std::unique_ptr<CDisTabSheet>> tabSheets_;
    std::unique_ptr<CConnectParamDlg> connectDlg_;
    QPointer<CStringCmdDlg> console_;
    QPointer<CFileDirDlg> directory_;
    QPointer<CRemoteCmdListDlg> remote_;
    QPointer<CEventHistoryDlg> history_;
    QPointer<CCommStatusDlg> status_;
    QPointer<CWaveListDlg> wave_;
    QPointer<CDeviceTimeDlg> deviceTime_;
    QPointer<CTransferProgressDlg> progress_;
    // Runs while the commands pause after a post (WaitAfterPost).
    QTimer postHold_;
};

} // namespace quorvex
