#include "monitor/core/DeviceLink.h"

#include "monitor/core/DevModel.h"
#include "monitor/core/DevTime.h"
#include "monitor/core/MessageDispatcher.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "unitlink/FrameLayout.h"
#include "unitlink/LinkTexts.h"

#include <algorithm>

namespace marindle {

CDeviceLink::CDeviceLink(std::unique_ptr<unitlink::ILinkTransport> transport, ILinkHost* host,
                         IMonitorWindows* windows)
    : transport_(std::move(transport)), host_(host), windows_(windows), loginKey_(unitlink::kDeviceLoginKey),
      timers_([this](int id) { OnTimer(id); }) {
    if (transport_)
        transport_->SetEvents(this);
}

CDeviceLink::~CDeviceLink() {
    if (transport_) {
        transport_->SetEvents(nullptr);
        if (connected_)
            transport_->Close();
    }
}

void CDeviceLink::SetAddress(const std::string& address, int port) {
    address_ = address;
    port_ = port;
}

std::uint32_t CDeviceLink::MakeLoginAnswer(const std::uint8_t challenge[4]) const {
    return unitlink::ComputeChallengeAnswer(challenge, loginKey_);
}

int CDeviceLink::Connect() {
    if (connected_)
        return 0;
    // What was posted before (a box of the link's last moments) waits until the attempt is over.
    const unitlink::CPostGate::CHold hold(host_ ? host_->PostGate() : nullptr);
    cutter_.Clear();
    if (!transport_ || !transport_->Create()) {
        platform::MessageBox(unitlink::text::kSocketFailed);
        return 0;
    }
    if (host_)
        host_->ShowNotice(
            platform::StrFormat("正在连接通讯装置, IP地址:%s  端口号:%04d", address_.c_str(), port_));
    while (!transport_->Connect(address_, port_)) {
        if (platform::MessageBox("连接TCP/IP通讯装置失败！\n重试吗？", {}, platform::Icon::Question,
                                 platform::Buttons::YesNo) != platform::Answer::Yes) {
            transport_->Close();
            if (host_)
                host_->CloseNotice();
            return 0;
        }
    }
    if (host_)
        host_->CloseNotice();
    connected_ = 1;
    drop_.Opened();
    sequence_ = 0;
    if (host_)
        host_->ShowNotice("正在进行验证和配置...");
    timers_.Start(kLoginTimer, kLoginWaitMs);
    return 1;
}

void CDeviceLink::StopLinkTimers() {
    timers_.Stop(kKeepAliveTimer);
    // A login or port-information wait must not report a time-out of a link that is already down.
    timers_.Stop(kLoginTimer);
    timers_.Stop(kPortInfoTimer);
}

int CDeviceLink::Disconnect() {
    if (!connected_)
        return 0;
    transport_->Close();
    cutter_.Clear();
    connected_ = 0;
    drop_.Closed();
    StopLinkTimers();
    if (host_)
        host_->LinkDown();
    return 1;
}

int CDeviceLink::SendRequest(const CDeviceMessage& m) {
    // A connection already lost takes nothing more: its handling is on its way.
    if (!connected_ || drop_.Lost())
        return 0;
    if ((m.kind != CDeviceMessage::kAsdu && m.kind != CDeviceMessage::kDsdu) ||
        m.BodyLength() > CDeviceMessage::kMaxBody)
        return 0;
    const auto fields = unitlink::DeviceToolHeader(static_cast<std::uint8_t>(m.kind), m.board,
                                                   m.deviceAddress, static_cast<std::uint16_t>(sequence_));
    const auto frame = unitlink::BuildFrame(m.Body().data(), m.Body().size(), fields);
    // Logged before it goes, so a frame whose send fails is still in the log.
    LogFrame(frame.data(), frame.size(), 1, m.kind, m.caption);
    if (!transport_->Send(frame.data(), frame.size())) {
        // The socket refused the frame: the unit closed or reset the connection.
        drop_.Lose(*transport_);
        return 0;
    }
    ++sequence_;
    return 1;
}

void CDeviceLink::SendHeartbeat() {
    SendRequest(CHeartbeatMsg());
}

int CDeviceLink::RequestGroupTitles(const CDeviceRecord& d) {
    return SendRequest(CGroupTitlesMsg(d.board, d.address, NextRii()));
}

int CDeviceLink::RequestGroupRead(CDeviceRecord& d, std::uint8_t group, std::uint8_t kod, int readState) {
    d.readState = readState;
    d.askedGroup = group;
    return SendRequest(CGroupReadMsg(d.board, d.address, NextRii(), group, kod));
}

int CDeviceLink::RequestGroupValues(CDeviceRecord& d, std::uint8_t group) {
    return RequestGroupRead(d, group, 1, CDeviceRecord::kValues);
}

int CDeviceLink::RequestGeneralRead(const CDeviceRecord& d, std::uint8_t cot) {
    return SendRequest(CGeneralReadMsg(d.board, d.address, NextRii(), cot));
}

int CDeviceLink::SendSettingsWrite(CDeviceRecord& d, std::uint8_t inf, const std::vector<WriteItem>& items) {
    d.writeState = 2;
    return SendRequest(CSettingsWriteMsg(d.board, d.address, inf, NextRii(), items));
}

int CDeviceLink::SendTelecontrol(CDeviceRecord& d, std::uint8_t inf, std::uint16_t entryKey, Gdd gdd,
                                 int value) {
    d.writeState = 1;
    return SendRequest(CTelecontrolMsg(d.board, d.address, inf, NextRii(), entryKey, gdd, value));
}

int CDeviceLink::SendSignalReset(const CDeviceRecord& d) {
    return SendRequest(CSignalResetMsg(d.board, d.address, NextRii()));
}

int CDeviceLink::SendSetClock(std::time_t localTime) {
    return SendRequest(CSetClockMsg(CTimeToCp56Time(localTime)));
}

int CDeviceLink::SendCancelAllManual() {
    const int sent = SendRequest(CSimpleRequestMsg::CancelAllManual());
    timers_.Start(kCancelAllTimer, kCancelAllWaitMs);
    return sent;
}

int CDeviceLink::OnData(const std::uint8_t* data, std::size_t size) {
    if (!connected_)
        return 0;
    int result = 1;
    cutter_.Feed(data, size, [&](const std::uint8_t* frame, std::size_t len) {
        if (!HandlePiece(frame, len))
            result = 0;
        return connected_ != 0;
    });
    return result;
}

bool CDeviceLink::HandlePiece(const std::uint8_t* frame, std::size_t len) {
    // A piece shorter than a header (a length below 20) is no frame and is not shown.
    if (len < unitlink::kHeaderSize)
        return false;
    const int checked = unitlink::CheckHeader(frame, len, unitlink::CheckPolicy::DeviceTool);
    const int kind = checked < 0 ? 2 : checked;
    std::string caption;
    if (kind == 1) {
        silenceTicks_ = 0;
        if (len > unitlink::kHeaderSize && dispatcher_)
            dispatcher_->DispatchFrame(frame + unitlink::kHeaderSize, len - unitlink::kHeaderSize,
                                       frame[unitlink::kOffBoard], caption);
    } else if (kind == 0) {
        silenceTicks_ = 0;
        if (len == unitlink::kHeaderSize)
            caption = "心跳报文";
        else if (dispatcher_)
            dispatcher_->OnAsduFrame(frame + unitlink::kHeaderSize, len - unitlink::kHeaderSize,
                                     unitlink::GetU16(frame + unitlink::kOffSource), caption);
    }
    LogFrame(frame, len, 0, kind, caption);
    return kind != 2;
}

void CDeviceLink::OnTick() {
    // The keep-alive ticks only once the login is done.
    loginDrops_ = 0;
    if (heartbeatTicks_ < kHeartbeatTicks)
        ++heartbeatTicks_;
    else {
        SendHeartbeat();
        heartbeatTicks_ = 0;
    }
    if (silenceTicks_ < kSilenceTicks)
        ++silenceTicks_;
    else {
        // Frames that came while the thread was busy count: they are taken before the link is
        // given up, and a valid one among them keeps it (and none of them is lost to the new
        // connection).
        if (transport_)
            transport_->ReadPending();
        if (silenceTicks_ == 0 || !connected_)
            return;
        if (host_)
            host_->Reconnect();
        silenceTicks_ = 0;
    }
}

void CDeviceLink::OnTimer(int id) {
    switch (id) {
    case kKeepAliveTimer:
        OnTick();
        break;
    case kLoginTimer:
        timers_.Stop(kLoginTimer);
        Disconnect();
        if (host_)
            host_->CloseNotice();
        Tell("等待身份验证超时，请尝试重新连接。");
        break;
    case kPortInfoTimer:
        timers_.Stop(kPortInfoTimer);
        Disconnect();
        if (host_)
            host_->CloseNotice();
        Tell("等待端口信息超时，请尝试重新连接。");
        break;
    case kCancelAllTimer:
        timers_.Stop(kCancelAllTimer);
        // Shown after the timers are handled, so that the keep-alive goes on while it is open.
        Tell("等待装置应答超时，取消置数失败。");
        break;
    default:
        timers_.Stop(id);
        break;
    }
}

void CDeviceLink::OnPeerClosed() {
    if (connected_ && transport_)
        drop_.Lose(*transport_);
}

void CDeviceLink::ConnectionLost() {
    // A running link (the keep-alive ticks) is re-established at once, as the silence watch would
    // do it a little later.
    if (timers_.IsRunning(kKeepAliveTimer) && host_) {
        loginDrops_ = 0;
        host_->Reconnect();
        return;
    }
    // Lost during the login: said, and connected again the same way; a unit that drops the login
    // again right away is left to the user, so that the program does not connect in a loop.
    Disconnect();
    if (!host_)
        return;
    host_->CloseNotice();
    if (loginDrops_++ == 0) {
        Tell(kLoginDropped);
        host_->Reconnect();
    } else {
        loginDrops_ = 0;
        Tell(kLoginDroppedAgain);
    }
}

void CDeviceLink::OnReceiveError() {
    Tell("接收数据出错");
}

void CDeviceLink::Tell(const std::string& text) {
    if (host_)
        host_->MessageLater(text);
    else
        platform::MessageBox(text);
}

void ILinkHost::MessageLater(const std::string& text) {
    Post([text] { platform::MessageBox(text); });
}

std::string CDeviceLink::HexText(const std::uint8_t* data, std::size_t size, std::size_t markAt) {
    if (markAt >= size)
        return platform::HexDump(data, size, 0);
    return platform::HexDump(data, markAt, 0) + "▍" + platform::HexDump(data + markAt, size - markAt, 0);
}

void CDeviceLink::LogFrame(const std::uint8_t* frame, std::size_t length, int direction, int kind,
                           const std::string& caption) {
    ITraceWindow* window = windows_ ? windows_->FindTrace(1, 0, 0) : nullptr;
    if (!window)
        return;
    TraceItem item;
    item.direction = direction;
    item.transport = 2;
    item.headerText = FormatLocalTime(Now()) + " " + caption + " " +
                      (kind == 0   ? "ASDU"
                       : kind == 1 ? "DSDU"
                                   : "") +
                      "\r\n";
    item.frameText = HexText(frame, length, kind == 0 || kind == 1 ? unitlink::kHeaderSize : SIZE_MAX);
    window->AddFrame(item);
}

} // namespace marindle
