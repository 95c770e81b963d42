// The commands that open monitor windows, lists and sheets, and the calls that fill them.
#include "debugger/views/QuorvexApp.h"

#include "debugger/views/CommStatusDlg.h"
#include "debugger/views/EventWindows.h"
#include "debugger/views/MainFrame.h"
#include "debugger/views/MonitorSheets.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/QuorvexCommandHelpers.h"
#include "debugger/views/SelectDialogs.h"
#include "debugger/views/TimeDialogs.h"

#include "debugger/core/DeviceRequests.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

namespace quorvex {

using platform::StrFormat;

namespace {

QColor ToColour(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

void NoBoard() {
    platform::MessageBox("没有任何板卡被使用");
}

// The box of a sheet asked for a second time.
void AlreadyOpen(const std::string& text) {
    platform::MessageBox(text + "监控信息已被打开", "错误信息", platform::Icon::Error);
}

// A title's device part: "所有装置" for the all-devices choice, otherwise the device's own text.
std::string DeviceTitle(std::uint16_t device, const std::string& deviceText) {
    return device == 0xFFFF ? std::string("所有装置") : deviceText;
}

} // namespace

void CQuorvexApp::OnDebugInfo() {
    OpenDebugWindow();
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
    dbSheets_.back()->Read();
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
    // The table has no wait of its own for its contents: a request that cannot go is told.
    Post(requests::RefTableContents(static_cast<std::uint8_t>(dlg.m_board - 1), dlg.m_portType,
                                    static_cast<std::uint8_t>(dlg.m_port - 1), dlg.m_table, dlg.m_start,
                                    dlg.m_count),
         [this] { TellNotSent("引用表读取请求"); });
    WaitAfterPost();
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
