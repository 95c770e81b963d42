// The application: start-up, exit, rights, command dispatch, the sheet registry and main-frame calls.
#include "debugger/views/QuorvexApp.h"

#include "debugger/views/CommStatusDlg.h"
#include "debugger/views/ConnectParamDlg.h"
#include "debugger/views/EventWindows.h"
#include "debugger/views/FileDialogs.h"
#include "debugger/views/MainFrame.h"
#include "debugger/views/MonitorSheets.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/StringCmdDlg.h"
#include "debugger/views/TimeDialogs.h"
#include "platform/FileFaults.h"

#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"

#include <QCoreApplication>

#include <system_error>

namespace quorvex {

CQuorvexApp::CQuorvexApp(TransportFactory makeTransport, std::filesystem::path programFolder,
                         std::filesystem::path settingsFile)
    : later_([this](unitlink::CPostGate::Call call) {
          QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
      }),
      makeTransport_(std::move(makeTransport)), settingsFile_(std::move(settingsFile)) {
    data_.m_programFolder = std::move(programFolder);
    if (settingsFile_.empty())
        settingsFile_ = platform::FindNoCase(data_.m_programFolder, "CFG_TOOL.INI");
    // The user list lies beside the program, as for the other programs of the suite.
    users_.LoadFromFile(data_.m_programFolder);
    monitors_.SetFactory([this](int slot) { return MakeMonitorWindow(slot); });
    postHold_.setSingleShot(true);
    connect(&postHold_, &QTimer::timeout, this, [this] {
        if (frame_)
            frame_->UpdateCommands();
    });
}

CQuorvexApp::~CQuorvexApp() {
    ExitInstance();
}

bool CQuorvexApp::LoginAndStart(const std::string& commandLine) {
    std::string user;
    if (!users_.CheckPassword(user, PRIV_LOGIN, nullptr))
        return false;
    return InitInstance(user, commandLine);
}

bool CQuorvexApp::InitInstance(const std::string& userName, const std::string& commandLine,
                               bool startWorker) {
    SetUserName(userName);
    platform::MakeFolders(data_.SavFolder());
    data_.m_loginKey = LoginKeyFromCommandLine(commandLine);
    frame_ = std::make_unique<CMainFrame>(*this);
    frame_->showMaximized();
    NewLink();
    if (startWorker) {
        worker_ = std::make_unique<CNetMagThread>([this] { return link_.get(); }, platform::RunOnUiThread);
        if (!worker_->Start()) {
            platform::MessageBox("通讯线程创建失败!");
            worker_.reset();
        }
    }
    OpenDebugWindow();
    frame_->UpdateCommands();
    return true;
}

void CQuorvexApp::SetUserName(const std::string& userName) {
    admin_ = userName.compare(0, std::string("系统管理员").size(), "系统管理员") == 0;
}

void CQuorvexApp::ExitInstance() {
    if (worker_) {
        // A job the worker hands over to this thread is a queued call on the application object:
        // only those run while it ends, no input and nothing else.
        worker_->Stop(
            [] { QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall); });
        worker_.reset();
    }
    dbSheets_.clear();
    tabSheets_.clear();
    delete console_.data();
    delete directory_.data();
    delete history_.data();
    delete remote_.data();
    delete status_.data();
    delete wave_.data();
    delete deviceTime_.data();
    delete progress_.data();
    // The monitor windows send their stop requests through the link while they go.
    if (frame_)
        frame_->CloseAllMonitors();
    link_.reset();
    data_.m_entries.clear();
    data_.m_tabEntries.clear();
    connectDlg_.reset();
    frame_.reset();
}

void CQuorvexApp::NewLink() {
    link_.reset();
    link_ = std::make_unique<CDeviceLink>(makeTransport_(), this, &data_, settingsFile_);
}

bool CQuorvexApp::CheckRights(std::uint32_t rights) {
    if (admin_)
        return true;
    if (m_rightsCheck)
        return m_rightsCheck(rights);
    char name[65] = {};
    return users_.CheckPassword(name, rights, frame_.get()) == 1;
}

void CQuorvexApp::Post(const CDeviceMessage& message, std::function<void()> notSent) {
    if (worker_ && worker_->IsRunning())
        worker_->PostSendMessage(message, std::move(notSent));
    else if (!Send(message) && notSent)
        notSent();
}

bool CQuorvexApp::SendOrTell(const CDeviceMessage& message, const std::string& what) {
    if (Send(message))
        return true;
    TellNotSent(what);
    return false;
}

void CQuorvexApp::TellNotSent(const std::string& what) {
    Later(
        [what] { platform::MessageBox(std::string(unitlink::text::kLinkDown) + "，" + what + "未发送。"); });
}

bool CQuorvexApp::LinkStillUp(int boardNumber) {
    if (BoardStillReachable(IsConnected(), data_.m_boards, boardNumber))
        return true;
    platform::MessageBox(unitlink::text::kLinkDown);
    return false;
}

void CQuorvexApp::WaitAfterPost() {
    // The commands pause while the worker sends what was posted. The event loop goes on (frames,
    // timers, the sheets); only the menu commands wait, so nothing runs inside the command.
    if (m_postWaitMs <= 0 || !frame_)
        return;
    postHold_.start(m_postWaitMs);
    frame_->UpdateCommands();
}

bool CQuorvexApp::CommandEnabled(int id) const {
    if (postHold_.isActive())
        return false;
    MenuState s;
    s.connected = IsConnected();
    s.consoleOpen = console_ != nullptr;
    s.debugOpen = monitors_.GetView(kSlotDebug) != nullptr;
    s.directoryOpen = directory_ != nullptr;
    s.historyOpen = history_ != nullptr;
    s.remoteOpen = remote_ != nullptr;
    s.deviceTimeOpen = deviceTime_ != nullptr;
    return quorvex::CommandEnabled(id, s);
}

void CQuorvexApp::RunCommand(int id) {
    if (!CommandEnabled(id))
        return;
    using Handler = void (CQuorvexApp::*)();
    static const std::pair<int, Handler> kHandlers[] = {
        {kCmdConnectParam, &CQuorvexApp::OnConnectParam},
        {kCmdConnect, &CQuorvexApp::OnConnect},
        {kCmdDisconnect, &CQuorvexApp::OnDisconnect},
        {kCmdRemoteStart, &CQuorvexApp::OnRemoteStart},
        {kCmdStringCommand, &CQuorvexApp::OnStringCommand},
        {kCmdDebugInfo, &CQuorvexApp::OnDebugInfo},
        {kCmdDownloadFile, &CQuorvexApp::OnDownloadFile},
        {kCmdUploadFile, &CQuorvexApp::OnUploadFile},
        {kCmdSetTime, &CQuorvexApp::OnSetTime},
        {kCmdFileDirectory, &CQuorvexApp::OnFileDirectory},
        {kCmdProtocolInfo, &CQuorvexApp::OnProtocolInfo},
        {kCmdHistoryEvents, &CQuorvexApp::OnHistoryEvents},
        {kCmdRemoteCommands, &CQuorvexApp::OnRemoteCommands},
        {kCmdWaveRecords, &CQuorvexApp::OnWaveRecords},
        {kCmdCommStatus, &CQuorvexApp::OnCommStatus},
        {kCmdDeviceTime, &CQuorvexApp::OnDeviceTime},
        {kCmdSerialMonitor, &CQuorvexApp::OnSerialMonitor},
        {kCmdNetMonitor, &CQuorvexApp::OnNetMonitor},
        {kCmdRealTimeDb, &CQuorvexApp::OnRealTimeDb},
        {kCmdRefTable, &CQuorvexApp::OnRefTable},
        {kCmdCancelAll, &CQuorvexApp::OnCancelAllSettings},
        {kCmdAbout, &CQuorvexApp::OnAbout},
    };
    for (const auto& [command, handler] : kHandlers)
        if (command == id) {
            (this->*handler)();
            break;
        }
    if (frame_)
        frame_->UpdateCommands();
}

void CQuorvexApp::OnAbout() {
    platform::MessageBox("Quorvex 组态调试工具", "关于组态调试工具", platform::Icon::Information);
}

void CQuorvexApp::RemoveDbSheets(std::uint16_t address) {
    std::vector<std::unique_ptr<CDisDBSheet>> gone;
    for (auto it = dbSheets_.begin(); it != dbSheets_.end();) {
        if ((*it)->DeviceAddress() == address) {
            gone.push_back(std::move(*it));
            it = dbSheets_.erase(it);
        } else {
            ++it;
        }
    }
    // The sheet may be running the command that closes it: it goes once that has returned.
    for (auto& s : gone) {
        s->hide();
        s.release()->deleteLater();
    }
}

void CQuorvexApp::RemoveTabSheets(std::uint8_t board, std::uint8_t portType, std::uint8_t port,
                                  std::uint8_t table) {
    std::vector<std::unique_ptr<CDisTabSheet>> gone;
    for (auto it = tabSheets_.begin(); it != tabSheets_.end();) {
        if ((*it)->BoardNumber() == board && (*it)->PortType() == portType && (*it)->PortNumber() == port &&
            (*it)->TableNumber() == table) {
            gone.push_back(std::move(*it));
            it = tabSheets_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& s : gone) {
        s->hide();
        s.release()->deleteLater();
    }
}

void CQuorvexApp::MarkEntry(std::uint16_t address, std::uint16_t key, bool set) {
    for (CDbEntry& e : data_.m_entries)
        if (e.m_address == address && e.m_key == key)
            e.m_manualSet = set ? 1 : 0;
    for (CTabEntry& e : data_.m_tabEntries)
        if (e.m_address == address && e.m_key == key)
            e.m_set = set ? 1 : 0;
    for (const auto& s : dbSheets_)
        if (s->DeviceAddress() == address)
            s->MarkRow(address, key, set);
    for (const auto& s : tabSheets_)
        s->MarkRow(address, key, set);
}

std::vector<IDbSheet*> CQuorvexApp::DbSheets() {
    std::vector<IDbSheet*> out;
    for (const auto& s : dbSheets_)
        out.push_back(s.get());
    return out;
}

std::vector<ITabSheet*> CQuorvexApp::TabSheets() {
    std::vector<ITabSheet*> out;
    for (const auto& s : tabSheets_)
        out.push_back(s.get());
    return out;
}

void CQuorvexApp::StartTimer(int id, int ms) {
    if (frame_)
        frame_->StartTimer(id, ms);
}

void CQuorvexApp::StopTimer(int id) {
    if (frame_)
        frame_->StopTimer(id);
}

void CQuorvexApp::ShowNotice(const std::string& text) {
    if (frame_)
        frame_->ShowNotice(text);
}

void CQuorvexApp::CloseNotice() {
    if (frame_)
        frame_->CloseNotice();
}

void CQuorvexApp::Later(std::function<void()> fn) {
    later_.Post(std::move(fn));
}

} // namespace quorvex
