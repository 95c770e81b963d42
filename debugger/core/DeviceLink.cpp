#include "debugger/core/DeviceLink.h"

#include "debugger/core/AnswerDispatcher.h"
#include "debugger/core/DeviceRequests.h"
#include "debugger/core/Iec103Handler.h"
#include "debugger/core/NetCfg.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "unitlink/FrameLayout.h"
#include "unitlink/LinkTexts.h"

#include <algorithm>
#include <cerrno>
#include <new>

namespace quorvex {

namespace {

constexpr Rgb kGrey{128, 128, 128};
constexpr int kLoginWaitMs = 6000;
constexpr int kSupervisionMs = 30000;

} // namespace

std::uint16_t LoginKeyFromCommandLine(const std::string& commandLine) {
    if (commandLine.empty())
        return unitlink::kDeviceLoginKey;
    return static_cast<std::uint16_t>(platform::AtoLL(commandLine) & 0xFFFF);
}

CDeviceLink::CDeviceLink(std::unique_ptr<unitlink::ILinkTransport> transport, IQuorvexShell* shell,
                         CQuorvexData* data, const std::filesystem::path& settingsFile)
    : transport_(std::move(transport)), shell_(shell), data_(data), logs_(data->SavFolder()),
      dispatcher_(std::make_unique<CAnswerDispatcher>(*this)),
      handler_(std::make_unique<CIec103Handler>(*this)), address_(ReadAddress(settingsFile)) {
    transport_->SetEvents(this);
    // A log that cannot be written is told after the frame in progress, by a box that holds
    // nothing of the link.
    logs_.m_onFailure = [shell](const std::string& path) {
        if (shell)
            shell->Later(
                [path] { platform::MessageBox(kSaveFailedText + path, "错误", platform::Icon::Error); });
    };
}

CDeviceLink::~CDeviceLink() {
    if (connected_)
        Disconnect();
    transport_->SetEvents(nullptr);
}

std::string CDeviceLink::ReadAddress(const std::filesystem::path& settingsFile) {
    return ReadUnitAddress(settingsFile, kDefaultAddress);
}

void CDeviceLink::SetAddress(const std::string& address, int port) {
    address_ = address;
    port_ = port;
}

int CDeviceLink::Connect() {
    std::lock_guard lock(mutex_);
    // What was posted before (a box of the link's last moments) waits until the attempt is over:
    // the notice and the retry question run the event loop.
    const unitlink::CPostGate::CHold hold(shell_->LaterGate());
    cutter_.Clear();
    if (!transport_->Create()) {
        platform::MessageBox(unitlink::text::kSocketFailed);
        return 0;
    }
    shell_->ShowNotice(
        platform::StrFormat("正在连接通讯装置，IP地址:%s  端口号:%04d", address_.c_str(), port_));
    while (!transport_->Connect(address_, port_)) {
        if (platform::MessageBox("连接TCP/IP通讯装置失败!\n重试吗?", {}, platform::Icon::None,
                                 platform::Buttons::YesNo) != platform::Answer::Yes) {
            transport_->Close();
            shell_->CloseNotice();
            return 0;
        }
    }
    shell_->CloseNotice();
    connected_ = true;
    drop_.Opened();
    framesAtConnect_ = framesReceived_;
    sequence_ = 0;
    shell_->ShowNotice("正在进行验证和配置...");
    shell_->StartTimer(kTimerLogin, kLoginWaitMs);
    return 1;
}

int CDeviceLink::Disconnect() {
    std::lock_guard lock(mutex_);
    if (connected_)
        transport_->Close();
    cutter_.Clear();
    ReleaseBoards();
    connected_ = false;
    drop_.Closed();
    return 1;
}

void CDeviceLink::ConnectCommand() {
    if (connected_)
        return;
    if (Connect())
        shell_->OnLinkStateChanged(true);
}

void CDeviceLink::DisconnectCommand() {
    if (!connected_)
        return;
    shell_->StopTimer(kTimerHeartbeat);
    shell_->StopTimer(kTimerSupervision);
    // A disconnect during the login ends its waits and its notice too: nothing of the login
    // must fire or stay on screen afterwards.
    shell_->StopTimer(kTimerLogin);
    shell_->StopTimer(kTimerPortInfo);
    shell_->CloseNotice();
    Disconnect();
    shell_->OnLinkStateChanged(false);
}

void CDeviceLink::ReleaseBoards() {
    data_->m_boards.RemoveAll();
}

std::uint16_t CDeviceLink::GroupReadState(std::uint16_t device) const {
    const auto it = groupRead_.find(device);
    return it == groupRead_.end() ? std::uint16_t{kReadIdle} : it->second;
}

void CDeviceLink::SetGroupReadState(std::uint16_t device, std::uint16_t s) {
    if (s == kReadIdle)
        groupRead_.erase(device);
    else
        groupRead_[device] = s;
}

void CDeviceLink::SetManualSettingFlag(std::uint8_t bit, bool on) {
    manualFlags_ = static_cast<std::uint8_t>(on ? manualFlags_ | bit : manualFlags_ & ~bit);
}

void CDeviceLink::ShowLater(const std::string& text, const std::string& caption, platform::Icon icon) {
    shell_->Later([text, caption, icon] { platform::MessageBox(text, caption, icon); });
}

void CDeviceLink::DebugNote(const std::string& text) {
    if (shell_->DebugWindowOpen())
        shell_->AppendDebug(text, kGrey);
}

int CDeviceLink::SendMessage(const CDeviceMessage& message) {
    std::lock_guard lock(mutex_);
    // A connection already lost takes nothing more: its handling is on its way.
    if (!connected_ || drop_.Lost())
        return 0;
    const auto frame = unitlink::BuildFrame(
        message.GetBody(), message.GetLength(),
        unitlink::DeviceToolHeader(message.GetKind(), message.GetBoard(), message.GetAddress(), sequence_));
    if (!transport_->Send(frame.data(), frame.size())) {
        // The socket refused the frame: the unit closed or reset the connection, which is said once.
        if (drop_.Lose(*transport_))
            DebugNote("\nD发送数据出错\n");
        return 0;
    }
    ++sequence_;
    return 1;
}

void CDeviceLink::SendPoll() {
    SendMessage(requests::Heartbeat());
}

std::uint32_t CDeviceLink::ComputeAuthAnswer(const std::uint8_t challenge[4]) const {
    return unitlink::ComputeChallengeAnswer(challenge, data_->m_loginKey);
}

void CDeviceLink::OnPeerClosed() {
    std::lock_guard lock(mutex_);
    if (connected_)
        drop_.Lose(*transport_);
}

void CDeviceLink::ConnectionLost() {
    std::lock_guard lock(mutex_);
    // A link under supervision (a valid frame came on this connection) is connected again at once,
    // as the supervision would do it later. During the login the user connects again, as after its
    // time-outs.
    const bool supervised = framesReceived_ != framesAtConnect_;
    DisconnectCommand();
    if (supervised)
        ConnectCommand();
}

void CDeviceLink::OnReceiveError() {
    ShowLater("接收数据出错");
}

int CDeviceLink::AppendData(const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(mutex_);
    int result = 1;
    const std::uint64_t refused = cutter_.RefusedCount();
    const std::uint64_t junk = cutter_.JunkCount();
    // Every whole frame is handled now; bytes before a frame start are skipped up to the next
    // header, a piece that is refused is dropped, and the frames behind them still get their turn.
    cutter_.Feed(data, size, [&](const std::uint8_t* frame, std::size_t n) {
        HandleFrame(frame, n);
        return true;
    });
    if (cutter_.JunkCount() != junk) {
        result = 0;
        DebugNote("\nD收到无效报文\n");
    }
    if (cutter_.RefusedCount() != refused)
        DebugNote("\nD报文长度越限，已丢弃\n");
    return result;
}

void CDeviceLink::HandleFrame(const std::uint8_t* frame, std::size_t size) {
    const int kind = unitlink::CheckHeader(frame, size, unitlink::CheckPolicy::DeviceTool);
    if (kind < 0) {
        DebugNote("\nD收到无效报文\n");
        return;
    }
    const std::uint8_t* body = frame + unitlink::kHeaderSize;
    const std::size_t bodyLength = size - unitlink::kHeaderSize;
    const std::uint8_t board = frame[unitlink::kOffBoard];
    if (kind == unitlink::kKindDsdu) {
        if (bodyLength == 0)
            return;
        shell_->StopTimer(kTimerSupervision);
        shell_->StartTimer(kTimerSupervision, kSupervisionMs);
        ++framesReceived_;
        dispatcher_->Dispatch(body, bodyLength, board);
        return;
    }
    shell_->StopTimer(kTimerSupervision);
    shell_->StartTimer(kTimerSupervision, kSupervisionMs);
    ++framesReceived_;
    if (bodyLength)
        handler_->Handle(body, bodyLength, board, unitlink::GetU16(frame + unitlink::kOffSource));
}

void CDeviceLink::EndTransfer(int closeDelayMs) {
    std::vector<std::uint8_t>().swap(buffer_);
    size_ = 0;
    position_ = 0;
    direction_ = kNoTransfer;
    if (shell_->HasProgressWindow())
        shell_->CloseProgressWindow(closeDelayMs);
}

int CDeviceLink::StartDownload(const std::string& localPath, const std::string& targetName,
                               std::uint8_t board) {
    // A name without a GBK form would name another file on the unit: nothing starts.
    if (!platform::SurvivesGbk(targetName)) {
        platform::MessageBox(platform::kPathNotGbk, "错误信息", platform::Icon::Error);
        return 0;
    }
    std::lock_guard lock(mutex_);
    direction_ = kDownload;
    transferName_ = targetName;
    retries_ = 0;
    chunk_ = 0;
    // A file that is there but cannot be looked at or read is told with its name and the reason.
    auto cannotRead = [&](int error) {
        platform::MessageBox(error == ENOENT
                                 ? std::string("打开文件出错")
                                 : "打开文件 " + localPath + " 出错（" + platform::ErrorText(error) + "）",
                             "错误信息", platform::Icon::Error);
        EndTransfer();
        return 0;
    };
    const platform::PathStat stat = platform::StatPath(localPath);
    if (stat.Failed() || !stat.exists)
        return cannotRead(stat.Failed() ? stat.error : ENOENT);
    if (stat.size > kMaxDownload) {
        platform::MessageBox("文件大小有误.", "错误信息", platform::Icon::Error);
        EndTransfer();
        return 0;
    }
    std::string bytes;
    if (const int error = platform::ReadWholeFile(localPath, bytes); error != 0)
        return cannotRead(error);
    const std::size_t size = bytes.size();
    if (size > kMaxDownload) {
        platform::MessageBox("文件大小有误.", "错误信息", platform::Icon::Error);
        EndTransfer();
        return 0;
    }
    try {
        buffer_.assign(bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
        platform::MessageBox("申请内存出错,内存不足!");
        EndTransfer();
        return 0;
    }
    size_ = static_cast<std::uint32_t>(size);
    position_ = 0;
    shell_->SetProgress(0);
    if (!SendMessage(requests::FileOpen(board, 0, static_cast<std::uint32_t>(size), targetName))) {
        platform::MessageBox("数据发送不成功，请检查网络");
        EndTransfer();
        return 0;
    }
    shell_->StartTimer(kTimerTransfer, kTransferWaitMs);
    return 1;
}

int CDeviceLink::StartUpload(const std::string& fileName, std::uint8_t board) {
    if (!platform::SurvivesGbk(fileName)) {
        platform::MessageBox(platform::kPathNotGbk, "错误信息", platform::Icon::Error);
        return 0;
    }
    std::lock_guard lock(mutex_);
    direction_ = kUpload;
    transferName_ = fileName;
    chunk_ = 0;
    chunksTaken_ = 0;
    std::vector<std::uint8_t>().swap(buffer_);
    size_ = 0;
    position_ = 0;
    shell_->SetProgress(0);
    if (!SendMessage(requests::FileOpen(board, 1, 0, fileName))) {
        platform::MessageBox("数据发送不成功，请检查网络");
        EndTransfer();
        return 0;
    }
    shell_->StartTimer(kTimerTransfer, kTransferWaitMs);
    return 1;
}

int CDeviceLink::SendFileChunk(std::uint32_t handle, std::uint16_t chunk, std::uint8_t board) {
    std::lock_guard lock(mutex_);
    if (!connected_) {
        ShowLater("通讯尚未连接!不能发送文件");
        return -1;
    }
    const std::uint32_t size = TransferSize();
    if (position_ >= size) {
        shell_->SetProgress(100);
        return 0;
    }
    shell_->SetProgress(static_cast<int>(std::uint64_t{position_} * 100 / size));
    const std::uint32_t n = std::min(kChunkSize, size - position_);
    const bool more = std::uint64_t{position_} + kChunkSize < size;
    if (!SendMessage(requests::FileChunk(board, handle, more, chunk, buffer_.data() + position_, n))) {
        ShowLater("数据发送不成功，请检查网络");
        return -1;
    }
    chunk_ = chunk;
    return 1;
}

void CDeviceLink::OnTimer(int id) {
    std::lock_guard lock(mutex_);
    switch (id) {
    case kTimerHeartbeat:
        SendPoll();
        break;
    case kTimerSupervision: {
        // Frames that came while the thread was busy count: they are taken before the link is
        // given up, and a valid one among them keeps it (none of them is lost to a reconnect).
        const std::uint64_t before = framesReceived_;
        transport_->ReadPending();
        if (framesReceived_ != before || !connected_)
            break;
        DisconnectCommand();
        DebugNote("\nD心跳超时，重新连接\n");
        ConnectCommand();
        break;
    }
    case kTimerTransfer:
        direction_ = kNoTransfer;
        // The wait ends with the transfer it guarded, with or without a progress window.
        shell_->StopTimer(kTimerTransfer);
        std::vector<std::uint8_t>().swap(buffer_);
        size_ = 0;
        position_ = 0;
        if (shell_->HasProgressWindow()) {
            shell_->CloseProgressWindow(0);
            platform::MessageBox("装置应答超时，停止发送!");
        }
        break;
    case kTimerLogin:
    case kTimerPortInfo:
        DisconnectCommand(); // stops the login waits and closes the notice before the box
        platform::MessageBox(id == kTimerLogin ? "等待身份验证超时\n请尝试重新连接"
                                               : "等待端口信息超时\n请尝试重新连接");
        break;
    case kTimerSettings:
    case kTimerDbSet:
    case kTimerDbCancel:
    case kTimerTabSet:
    case kTimerTabCancel:
    case kTimerCancelAll:
        SheetWaitEnded(id);
        break;
    default:
        break;
    }
}

void CDeviceLink::SheetWaitEnded(int id) {
    const auto error = [](const char* text) { platform::MessageBox(text, "错误", platform::Icon::Error); };
    switch (id) {
    // Each wait ends its sheets' state first and shows its box afterwards: a box can outlive the
    // sheet it speaks of, which must not be touched once the box has been up.
    case kTimerSettings: {
        shell_->StopTimer(id);
        int failed = 0;
        for (IDbSheet* s : shell_->DbSheets())
            if (s->DeviceAddress() == settingsWaitKey_) {
                s->DownloadFailed();
                ++failed;
            }
        settingsWaitKey_ = 0;
        for (int i = 0; i < failed; ++i)
            error("下装定值等待返回超时\n定值下装失败!");
        break;
    }
    case kTimerDbSet:
    case kTimerDbCancel: {
        shell_->StopTimer(id);
        int failed = 0;
        for (IDbSheet* s : shell_->DbSheets())
            if (s->DeviceAddress() == manualWaitKey_) {
                if (id == kTimerDbSet)
                    s->FailPending();
                else
                    s->ApplyCancelAll(0);
                ++failed;
            }
        SetManualSettingFlag(kDbSetting, false);
        manualWaitKey_ = 0;
        for (int i = 0; i < failed; ++i)
            error(id == kTimerDbSet ? "装置人工置数等待返回超时\n人工置数失败!"
                                    : "装置取消置数等待返回超时\n取消置数失败!");
        break;
    }
    case kTimerTabSet:
    case kTimerTabCancel: {
        shell_->StopTimer(id);
        int failed = 0;
        for (ITabSheet* s : shell_->TabSheets())
            if (TableKey{s->BoardNumber(), s->PortType(), s->PortNumber(), s->TableNumber()} ==
                tableWaitKey_) {
                if (id == kTimerTabSet)
                    s->FailPending();
                else
                    s->ApplyCancelAll(0);
                ++failed;
            }
        SetManualSettingFlag(kTabSetting, false);
        for (int i = 0; i < failed; ++i)
            error(id == kTimerTabSet ? "引用表人工置数等待返回超时\n人工置数失败!"
                                     : "引用表取消置数等待返回超时\n取消置数失败!");
        break;
    }
    case kTimerCancelAll:
        shell_->StopTimer(id);
        error("取消置数等待返回超时\n取消置数失败!");
        break;
    default:
        break;
    }
}

} // namespace quorvex
