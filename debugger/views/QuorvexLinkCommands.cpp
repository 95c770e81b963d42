// The link commands: the 通讯 menu and the unit operations of the 操作 menu.
#include "debugger/views/QuorvexApp.h"

#include "debugger/views/ConnectParamDlg.h"
#include "debugger/views/MainFrame.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/QuorvexCommandHelpers.h"
#include "debugger/views/StringCmdDlg.h"
#include "debugger/views/TimeDialogs.h"

#include "debugger/core/DeviceRequests.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"

namespace quorvex {

void CQuorvexApp::OnConnectParam() {
    if (!connectDlg_)
        connectDlg_ = std::make_unique<CConnectParamDlg>(settingsFile_, frame_.get());
    // The port last taken stays until the user types another.
    connectDlg_->Load(link_ && link_->Port() > 0 ? link_->Port() : CDeviceLink::kDefaultPort);
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

void CQuorvexApp::OnRemoteStart() {
    CResetSelectDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(BoardNumberOfByte(dlg.m_board)))
        return;
    // The request leaves at once and the link is cut before the box: the unit restarts and drops
    // the connection anyway, and a link made again while the box is up must not be cut by its 确定.
    Send(requests::Restart(dlg.m_board));
    OnDisconnect();
    platform::MessageBox("稍后，请用户重新进行网络连接。", {}, platform::Icon::Information);
}

void CQuorvexApp::OnStringCommand() {
    if (console_)
        return;
    console_ = new CStringCmdDlg(*this, frame_.get());
    ShowCentred(console_, frame_.get());
}

void CQuorvexApp::OnSetTime() {
    CSetTimeDlg dlg(data_.m_boards, frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(BoardNumberOfByte(dlg.m_board)))
        return;
    Send(requests::TimeSync(dlg.m_board, dlg.m_time));
}

void CQuorvexApp::OnCancelAllSettings() {
    if (!platform::AskYesDefaultNo("确实要取消全部人工置数吗？", "确认") || !LinkStillUp())
        return;
    Post(requests::CancelAll());
    StartTimer(kTimerCancelAll, 5500);
    WaitAfterPost();
}

void CQuorvexApp::ShowStringAnswer(const std::string& text) {
    if (console_)
        console_->ShowAnswer(text);
}

} // namespace quorvex
