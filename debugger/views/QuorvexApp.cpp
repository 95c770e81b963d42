#include "debugger/views/QuorvexApp.h"

#include "debugger/views/CommStatusDlg.h"
#include "debugger/views/ConnectParamDlg.h"
#include "debugger/views/EventWindows.h"
#include "debugger/views/FileDialogs.h"
#include "debugger/views/MainFrame.h"
#include "debugger/views/MonitorSheets.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/SelectDialogs.h"
#include "debugger/views/StringCmdDlg.h"
#include "debugger/views/TimeDialogs.h"

#include "debugger/core/DeviceRequests.h"

#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTimer>

#include <system_error>

namespace quorvex {

using platform::Qs;
using platform::Ss;
using platform::StrFormat;

namespace {

QColor ToColour(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

void NoBoard() {
    platform::MessageBox("没有任何板卡被使用");
}

// The board number (from 1) of a dialog's board byte (from 0; 255 is the unit itself).
int BoardNumberOfByte(std::uint8_t board) {
    return board == 255 ? 255 : board + 1;
}

// The box of a sheet asked for a second time.
void AlreadyOpen(const std::string& text) {
    platform::MessageBox(text + "监控信息已被打开", "错误信息", platform::Icon::Error);
}

// A title's device part: "所有装置" for the all-devices choice, otherwise the device's own text.
std::string DeviceTitle(std::uint16_t device, const std::string& deviceText) {
    return device == 0xFFFF ? std::string("所有装置") : deviceText;
}

// Shows a modeless window centred over the main window, at the size the window gave itself (a
// window shrunk to its size hint would hide its columns and edit boxes).
void ShowCentred(QWidget* w, QWidget* over) {
    w->ensurePolished();
    if (over) {
        const QRect r = over->geometry();
        w->move(r.center() - QPoint(w->width() / 2, w->height() / 2));
    }
    w->show();
}

} // namespace

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
    std::error_code ec;
    std::filesystem::create_directories(data_.SavFolder(), ec);
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
        worker_->Stop([] { QCoreApplication::processEvents(); });
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

void CQuorvexApp::Post(const CDeviceMessage& message) {
    if (worker_ && worker_->IsRunning())
        worker_->PostSendMessage(message);
    else
        Send(message);
}

bool CQuorvexApp::LinkStillUp(int boardNumber) {
    if (BoardStillReachable(IsConnected(), data_.m_boards, boardNumber))
        return true;
    platform::MessageBox(unitlink::text::kLinkDown);
    return false;
}

void CQuorvexApp::WaitAfterPost() {
    QDeadlineTimer deadline(m_postWaitMs);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool CQuorvexApp::CommandEnabled(int id) const {
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

void CQuorvexApp::OnDebugInfo() {
    OpenDebugWindow();
}

// ---- 通讯

void CQuorvexApp::OnConnectParam() {
    if (!connectDlg_)
        connectDlg_ = std::make_unique<CConnectParamDlg>(settingsFile_, frame_.get());
    connectDlg_->Load();
    const int result = platform::RunDialog(*connectDlg_);
    if (result != QDialog::Accepted && result != CConnectParamDlg::kConnect)
        return;
    NewLink();
    link_->SetAddress(connectDlg_->m_address, platform::AtoI(connectDlg_->m_port));
    if (result == CConnectParamDlg::kConnect)
        OnConnect();
}

void CQuorvexApp::OnConnect() {
    if (link_)
        link_->ConnectCommand();
}

void CQuorvexApp::OnDisconnect() {
    if (link_)
        link_->DisconnectCommand();
}

void CQuorvexApp::OnLinkStateChanged(bool connected) {
    if (!frame_)
        return;
    frame_->SetLinkStatus(connected ? unitlink::text::kLinkUp : unitlink::text::kLinkDown);
    if (connected) {
        if (COutputView* v = monitors_.GetView(kSlotDebug))
            frame_->BringToTop(v);
        else
            OpenDebugWindow();
    }
    frame_->UpdateCommands();
}

void CQuorvexApp::OnPortInformation() {
    if (frame_)
        frame_->UpdateCommands();
}

// ---- 操作

void CQuorvexApp::OnRemoteStart() {
    CResetSelectDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(BoardNumberOfByte(dlg.m_board)))
        return;
    Post(requests::Restart(dlg.m_board));
    platform::MessageBox("稍后，请用户重新进行网络连接。", {}, platform::Icon::Information);
    OnDisconnect();
}

void CQuorvexApp::OnStringCommand() {
    if (console_)
        return;
    console_ = new CStringCmdDlg(*this, frame_.get());
    ShowCentred(console_, frame_.get());
}

COutputView* CQuorvexApp::OpenDebugWindow() {
    COutputView* view = monitors_.Open(kSlotDebug);
    if (!view)
        return nullptr;
    if (frame_)
        frame_->SetMonitorTitle(view, "调试信息");
    view->Log().m_kind = COutputLog::Kind::kPlainText;
    view->Log().m_path = (data_.SavFolder() / kDebugLogName).string();
    return view;
}

void CQuorvexApp::CreateProgressWindow() {
    delete progress_.data();
    progress_ = new CTransferProgressDlg(frame_.get());
    ShowCentred(progress_, frame_.get());
}

void CQuorvexApp::OnDownloadFile() {
    if (!CheckRights(PRIV_UPDOWN))
        return;
    QFileDialog files(frame_.get(), "下装文件", Qs(data_.m_programFolder.string()), "所有文件 (*.*)");
    files.setFileMode(QFileDialog::ExistingFile);
    platform::PrepareFileDialog(files);
    if (platform::RunDialog(files) != QDialog::Accepted || files.selectedFiles().isEmpty())
        return;
    const std::string local = Ss(files.selectedFiles().front());
    CDownloadFileDlg dlg(data_.m_boards, local, std::filesystem::path(local).filename().string(),
                         frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(dlg.m_boardNumber))
        return;
    CreateProgressWindow();
    if (worker_ && worker_->IsRunning())
        worker_->PostDownloadFile(dlg.m_local, dlg.m_target,
                                  static_cast<std::uint8_t>(dlg.m_boardNumber - 1));
    else if (link_)
        link_->StartDownload(dlg.m_local, dlg.m_target, static_cast<std::uint8_t>(dlg.m_boardNumber - 1));
}

void CQuorvexApp::OnUploadFile() {
    if (!CheckRights(PRIV_UPDOWN))
        return;
    CUploadFileDlg dlg(frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp())
        return;
    CreateProgressWindow();
    if (worker_ && worker_->IsRunning())
        worker_->PostUploadFile(dlg.m_path);
    else if (link_)
        link_->StartUpload(dlg.m_path, 0);
}

void CQuorvexApp::OnSetTime() {
    CSetTimeDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(BoardNumberOfByte(dlg.m_board)))
        return;
    Send(requests::TimeSync(dlg.m_board, dlg.m_time));
}

// ---- 查看

void CQuorvexApp::OnFileDirectory() {
    CDirPathDlg dlg(frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return;
    RequestDirectory(dlg.m_path);
}

void CQuorvexApp::RequestDirectory(const std::string& path) {
    const std::string normalised = requests::NormaliseDirectoryPath(path);
    // Refused before the open window goes: it still shows the folder it lists.
    if (!requests::DirectoryPathFits(normalised)) {
        platform::MessageBox(requests::kDirectoryPathTooLong, "错误信息", platform::Icon::Error);
        return;
    }
    if (!LinkStillUp())
        return;
    if (directory_) {
        // A window asking for a child path is deleted once its command has returned.
        directory_->hide();
        directory_->deleteLater();
        directory_ = nullptr;
    }
    Send(requests::Directory(normalised));
    directory_ = new CFileDirDlg(*this, normalised, frame_.get());
    ShowCentred(directory_, frame_.get());
}

void CQuorvexApp::OnProtocolInfo() {
    if (data_.m_boards.GetSize() == 0) {
        NoBoard();
        return;
    }
    CProtocolInfoDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(dlg.m_board))
        return;
    COutputView* view = monitors_.GetView(kSlotProtocol);
    if (!view)
        view = monitors_.Open(kSlotProtocol);
    if (!view)
        return;
    const std::string title = StrFormat("板卡%d", dlg.m_board) + dlg.m_portName + "规约信息监视";
    frame_->SetMonitorTitle(view, title);
    CComDataDoc doc;
    doc.m_kind = 2;
    doc.m_protocol.board = dlg.m_board;
    doc.m_protocol.portKind = dlg.m_portKind;
    doc.m_protocol.port = dlg.m_port;
    view->m_doc = doc;
    view->AppendText(title + ":\n", Qt::black, false);
    Send(requests::ProtocolInformation(static_cast<std::uint8_t>(dlg.m_board - 1), dlg.m_portKind,
                                       static_cast<std::uint8_t>(dlg.m_port - 1)));
}

void CQuorvexApp::OnHistoryEvents() {
    CEventQueryDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(dlg.m_board))
        return;
    delete history_.data();
    const std::string title = DeviceTitle(dlg.m_device, StrFormat("装置%d", dlg.m_device)) + kHistoryCaption;
    history_ = new CEventHistoryDlg(title, frame_.get());
    ShowCentred(history_, frame_.get());
    Send(requests::HistoryEvents(static_cast<std::uint8_t>(dlg.m_board - 1), dlg.m_device, dlg.m_start,
                                 dlg.m_end, dlg.m_eventType));
}

void CQuorvexApp::OnRemoteCommands() {
    CRemoteCmdQueryDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(dlg.m_board))
        return;
    delete remote_.data();
    std::string title = DeviceTitle(dlg.m_device, StrFormat("装置%d", dlg.m_device));
    title += "远方命令监视 ";
    title += dlg.m_sourceBoard == 255 ? std::string("所有命令源")
                                      : StrFormat("命令源板卡%d", dlg.m_sourceBoard) + dlg.m_sourcePortName;
    remote_ = new CRemoteCmdListDlg(title, frame_.get());
    ShowCentred(remote_, frame_.get());
    const bool allSources = dlg.m_sourceBoard == 255;
    // "All devices" asks the unit itself (255), as every other all-board request does; the board
    // less one would give 254, which names no board.
    const std::uint8_t board =
        dlg.m_board == 255 ? requests::kUnitBoard : static_cast<std::uint8_t>(dlg.m_board - 1);
    Send(requests::RemoteCommands(board, dlg.m_device, dlg.m_start, dlg.m_end,
                                  allSources ? 255 : static_cast<std::uint8_t>(dlg.m_sourceBoard - 1),
                                  allSources ? 255 : dlg.m_sourceKind,
                                  allSources ? 255 : static_cast<std::uint8_t>(dlg.m_sourcePort - 1),
                                  dlg.m_commandType));
}

void CQuorvexApp::OnWaveRecords() {
    CWaveQueryDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp())
        return;
    delete wave_.data();
    wave_ = new CWaveListDlg(frame_.get());
    ShowCentred(wave_, frame_.get());
    Send(requests::WaveformRecords(dlg.m_device, dlg.m_mode, dlg.m_start, dlg.m_end, dlg.m_nof));
}

void CQuorvexApp::OnCommStatus() {
    delete status_.data();
    status_ = new CCommStatusDlg(*this, frame_.get());
    ShowCentred(status_, frame_.get());
    Send(requests::CommStatusDevices());
    Send(requests::CommStatusPorts());
    status_->Fill();
}

void CQuorvexApp::OnDeviceTime() {
    CViewTimeDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(BoardNumberOfByte(dlg.m_board)))
        return;
    delete deviceTime_.data();
    deviceTime_ = new CDeviceTimeDlg(frame_.get());
    ShowCentred(deviceTime_, frame_.get());
    Send(requests::DeviceTime(dlg.m_board));
}

// ---- 监视

COutputView* CQuorvexApp::OpenPortWindow(int slot, const std::string& title, const CComDataDoc& doc,
                                         bool saving, const std::string& saveFile) {
    COutputView* view = monitors_.GetView(slot);
    if (!view)
        view = monitors_.Open(slot);
    if (!view)
        return nullptr;
    frame_->SetMonitorTitle(view, title);
    view->m_doc = doc;
    view->Log().SetSaving(saving);
    view->AppendText(title + ":\n", Qt::black, false);
    view->StartFlushTimer(1000);
    view->Log().m_path = (data_.SavFolder() / saveFile).string();
    view->Log().m_lastRotation = std::time(nullptr);
    return view;
}

int CQuorvexApp::OpenMonitorWindows(const CPortMonitorDlg& dlg, CComDataDoc doc,
                                    const std::string& deviceText, const std::string& saveFile) {
    const auto title = [&](const char* what) {
        return StrFormat("板卡%u", unsigned(dlg.m_board)) + dlg.m_portName +
               DeviceTitle(dlg.m_device, deviceText) + what;
    };
    doc.m_port.board = dlg.m_board;
    doc.m_port.port = dlg.m_port;
    doc.m_port.device = dlg.m_device;
    int direction = 0;
    if (dlg.m_send && dlg.m_receive && !dlg.m_split) {
        direction = 2;
        doc.m_port.direction = 2;
        if (!OpenPortWindow(kSlotReceive, title("收/发数据监视"), doc, dlg.m_save, saveFile))
            return -1;
    } else {
        if (dlg.m_send) {
            direction = 1;
            doc.m_port.direction = 1;
            doc.m_sentFrames = true;
            if (!OpenPortWindow(kSlotSend, title("发送数据监视"), doc, dlg.m_save, saveFile))
                return -1;
        }
        if (dlg.m_receive) {
            direction = dlg.m_send ? 2 : 0;
            doc.m_port.direction = 0;
            doc.m_sentFrames = false;
            if (!OpenPortWindow(kSlotReceive, title("接收数据监视"), doc, dlg.m_save, saveFile))
                return -1;
        }
    }
    return direction;
}

void CQuorvexApp::OnSerialMonitor() {
    if (data_.m_boards.GetSize() == 0) {
        NoBoard();
        return;
    }
    CPortMonitorDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(dlg.m_board))
        return;
    CComDataDoc doc;
    doc.m_port.messageType = 0;
    doc.m_port.unitAddress = 0;
    doc.m_port.destAddress = 0;
    // Save files are named by port, as the frame lines of the port are tagged.
    const int direction =
        OpenMonitorWindows(dlg, doc, StrFormat("装置%u", unsigned(dlg.m_device)),
                           StrFormat("Ser%u_%u_0.qv", unsigned(dlg.m_port), unsigned(dlg.m_device)));
    if (direction < 0)
        return;
    Send(requests::PortMonitor(static_cast<std::uint8_t>(dlg.m_board - 1),
                               static_cast<std::uint8_t>(direction), 0,
                               static_cast<std::uint8_t>(dlg.m_port - 1), dlg.m_device));
}

void CQuorvexApp::OnNetMonitor() {
    if (data_.m_boards.GetSize() == 0) {
        NoBoard();
        return;
    }
    CNetMonitorDlg dlg(data_.m_boards, data_.SavFolder() / "NetCfg.ini", frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(dlg.m_board))
        return;
    CComDataDoc doc;
    doc.m_port.messageType = static_cast<std::uint8_t>(dlg.m_messageType + 1);
    doc.m_port.unitAddress = dlg.m_unitIp;
    doc.m_port.destAddress = dlg.m_destIp;
    const int direction =
        OpenMonitorWindows(dlg, doc, "装置" + platform::DottedIPv4(dlg.m_destIp),
                           StrFormat("Net%u_%u_0.qv", unsigned(dlg.m_port), unsigned(dlg.m_destIp)));
    if (direction < 0)
        return;
    Send(requests::PortMonitor(
        static_cast<std::uint8_t>(dlg.m_board - 1), static_cast<std::uint8_t>(direction),
        static_cast<std::uint8_t>(dlg.m_messageType + 1), static_cast<std::uint8_t>(dlg.m_port - 1),
        dlg.m_device, dlg.m_unitIp, dlg.m_destIp));
}

void CQuorvexApp::OnRealTimeDb() {
    if (data_.m_boards.GetSize() == 0) {
        NoBoard();
        return;
    }
    CDbSelDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(dlg.m_board))
        return;
    const std::string text =
        StrFormat("板卡%d", dlg.m_board) + dlg.m_portName + StrFormat("装置%d", dlg.m_device);
    for (const auto& s : dbSheets_)
        if (s->DeviceAddress() == dlg.m_device) {
            AlreadyOpen(text);
            return;
        }
    auto sheet =
        std::make_unique<CDisDBSheet>(*this, dlg.m_board, dlg.m_device, text + "监视：", frame_.get());
    ShowCentred(sheet.get(), frame_.get());
    dbSheets_.push_back(std::move(sheet));
    data_.m_groupQueues[dlg.m_device].Clear();
    Post(requests::GroupHeadings(static_cast<std::uint8_t>(dlg.m_board - 1), dlg.m_device));
    WaitAfterPost();
}

void CQuorvexApp::OnRefTable() {
    if (data_.m_boards.GetSize() == 0) {
        NoBoard();
        return;
    }
    CTabSelDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(dlg.m_board))
        return;
    const std::string text = StrFormat("板卡%d", dlg.m_board) + dlg.m_portName + dlg.m_tableName;
    for (const auto& s : tabSheets_)
        if (s->BoardNumber() == dlg.m_board && s->PortType() == dlg.m_portType &&
            s->PortNumber() == dlg.m_port && s->TableNumber() == dlg.m_table) {
            AlreadyOpen(text);
            return;
        }
    CTabSheetKey key{dlg.m_board,     dlg.m_portType, dlg.m_port,  dlg.m_table,
                     dlg.m_tableKind, dlg.m_start,    dlg.m_count, dlg.m_tableName};
    auto sheet = std::make_unique<CDisTabSheet>(*this, key, text + "监视：", frame_.get());
    ShowCentred(sheet.get(), frame_.get());
    tabSheets_.push_back(std::move(sheet));
    Post(requests::RefTableContents(static_cast<std::uint8_t>(dlg.m_board - 1), dlg.m_portType,
                                    static_cast<std::uint8_t>(dlg.m_port - 1), dlg.m_table, dlg.m_start,
                                    dlg.m_count));
    WaitAfterPost();
}

void CQuorvexApp::OnCancelAllSettings() {
    if (platform::MessageBox("确实要取消全部人工置数吗？", "确认", platform::Icon::Question,
                             platform::Buttons::YesNo, platform::Answer::No) != platform::Answer::Yes ||
        !LinkStillUp())
        return;
    Post(requests::CancelAll());
    StartTimer(kTimerCancelAll, 5500);
    WaitAfterPost();
}

void CQuorvexApp::OnAbout() {
    platform::MessageBox("Quorvex 组态调试工具", "关于组态调试工具", platform::Icon::Information);
}

// ---- sheets

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

// ---- shell

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

bool CQuorvexApp::DebugWindowOpen() {
    return monitors_.GetView(kSlotDebug) != nullptr;
}

bool CQuorvexApp::DebugRecording() {
    COutputView* v = monitors_.GetView(kSlotDebug);
    return v && v->Log().m_saving;
}

void CQuorvexApp::AppendDebug(const std::string& text, Rgb colour) {
    if (COutputView* v = monitors_.GetView(kSlotDebug))
        v->AppendText(text, ToColour(colour), false);
}

void CQuorvexApp::RecordDebug(const std::string& text) {
    if (COutputView* v = monitors_.GetView(kSlotDebug))
        v->RecordText(text);
}

void CQuorvexApp::SetProgress(int percent) {
    if (progress_)
        progress_->SetPosition(percent);
}

void CQuorvexApp::CloseProgressWindow(int delayMs) {
    if (!progress_)
        return;
    CTransferProgressDlg* dlg = progress_;
    progress_ = nullptr;
    if (delayMs > 0) {
        QTimer::singleShot(delayMs, dlg, [dlg] { dlg->deleteLater(); });
    } else {
        dlg->hide();
        dlg->deleteLater();
    }
}

bool CQuorvexApp::AskSaveFile(const std::string& initialFolder, const std::string& fileName,
                              std::string& path) {
    if (m_askSaveFile)
        return m_askSaveFile(initialFolder, fileName, path);
    QFileDialog dlg(frame_.get(), "保存文件", Qs((std::filesystem::path(initialFolder) / fileName).string()));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    // "(*)", not "(*.*)": Qt's save dialog puts the pattern's suffix in place of the file's own
    // ("big.cfg" would be proposed as "big.*").
    dlg.setNameFilter("所有文件 (*)");
    platform::PrepareFileDialog(dlg);
    if (platform::RunDialog(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    path = Ss(dlg.selectedFiles().front());
    return true;
}

const PortMonitorDoc* CQuorvexApp::PortMonitor(int slot) {
    COutputView* v = monitors_.GetView(slot);
    if (!v || !v->m_doc || v->m_doc->m_kind != 1)
        return nullptr;
    return &v->m_doc->m_port;
}

void CQuorvexApp::QueuePortLine(int slot, bool sent, const std::string& text, const std::string&) {
    if (COutputView* v = monitors_.GetView(slot))
        v->QueueLine(sent, text);
}

const ProtocolMonitorDoc* CQuorvexApp::ProtocolMonitor() {
    COutputView* v = monitors_.GetView(kSlotProtocol);
    if (!v || !v->m_doc || v->m_doc->m_kind != 2)
        return nullptr;
    return &v->m_doc->m_protocol;
}

void CQuorvexApp::AppendProtocolText(const std::string& text, Rgb colour) {
    if (COutputView* v = monitors_.GetView(kSlotProtocol))
        v->AppendText(text, ToColour(colour), true);
}

void CQuorvexApp::ShowStringAnswer(const std::string& text) {
    if (console_)
        console_->ShowAnswer(text);
}

void CQuorvexApp::AddDirectoryEntry(const std::string& name, std::uint32_t size, std::uint8_t type,
                                    std::int32_t time) {
    if (directory_)
        directory_->AddEntry(name, size, type, time);
}

void CQuorvexApp::DirectoryNotFound() {
    if (!directory_)
        return;
    directory_->hide();
    directory_->deleteLater();
    directory_ = nullptr;
    Later([] { platform::MessageBox("装置无此目录"); });
}

void CQuorvexApp::Later(std::function<void()> fn) {
    later_.Post(std::move(fn));
}

void CQuorvexApp::AddRemoteCommand(const CRemoteCommandRecord& rec) {
    if (remote_)
        remote_->AddCommand(rec);
}

void CQuorvexApp::AddHistoryEvent(const CHistoryEventRecord& rec) {
    if (history_)
        history_->AddEvent(rec);
}

void CQuorvexApp::UpdateDeviceStatus(std::uint16_t address, std::uint8_t state) {
    if (status_)
        status_->UpdateDevice(address, state);
}

void CQuorvexApp::UpdatePortStatus(std::uint8_t board, std::uint8_t kind, std::uint8_t port,
                                   std::uint8_t state) {
    if (status_)
        status_->UpdatePort(board, kind, port, state);
}

void CQuorvexApp::AddWaveRecord(const std::string& name, std::uint16_t address, const CDeviceTime& time,
                                std::uint16_t nof) {
    if (wave_)
        wave_->AddRecord(name, address, time, nof);
}

void CQuorvexApp::ShowDeviceTime(const CDeviceTime& time) {
    if (deviceTime_)
        deviceTime_->ShowTime(time);
}

// ---- monitor windows

COutputView* CQuorvexApp::MakeMonitorWindow(int slot) {
    if (!frame_)
        return nullptr;
    auto* view = new COutputView;
    view->m_onClose = [this, slot, view] {
        if (view->m_doc) {
            const CComDataDoc& d = *view->m_doc;
            if (d.m_kind == 1) {
                CDeviceMessage stop =
                    requests::PortMonitor(static_cast<std::uint8_t>(d.m_port.board - 1), d.m_port.direction,
                                          d.m_port.messageType, static_cast<std::uint8_t>(d.m_port.port - 1),
                                          d.m_port.device, d.m_port.unitAddress, d.m_port.destAddress);
                stop.Body()[1] = 1;
                Send(stop);
            } else {
                CDeviceMessage stop = requests::ProtocolInformation(
                    static_cast<std::uint8_t>(d.m_protocol.board - 1), d.m_protocol.portKind,
                    static_cast<std::uint8_t>(d.m_protocol.port - 1));
                stop.Body()[1] = 1;
                Send(stop);
            }
        }
        if (monitors_.GetView(slot) == view)
            monitors_.Closed(slot);
        if (frame_)
            frame_->UpdateCommands();
    };
    frame_->AddMonitor(view);
    return view;
}

} // namespace quorvex
