#include "configtool/link/DeviceLink.h"

#include "unitlink/LinkTexts.h"
#include "unitlink/RequestBodies.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>

namespace qxm7740 {

using namespace unitlink;

namespace {

// The monitor lines of the answers to an upload's packets, made once.
const std::string kTakenText = "发送文件接收成功报文";
const std::string kRefusedText = "发送文件接收失败报文";

} // namespace

CDeviceLink::CDeviceLink(std::unique_ptr<unitlink::ILinkTransport> transport, ILinkReport* report)
    : transport_(std::move(transport)), report_(report) {
    transport_->SetEvents(this);
}

CDeviceLink::~CDeviceLink() {
    if (connected_)
        transport_->Close();
    transport_->SetEvents(nullptr);
    CloseLocalFile();
}

void CDeviceLink::SetAddress(int port, const std::string& address) {
    transport_->RunOnLinkThread([&] {
        port_ = port;
        address_ = address;
    });
}

int CDeviceLink::Connect() {
    int r = 0;
    transport_->RunOnLinkThread([&] { r = DoConnect(); });
    return r;
}

int CDeviceLink::Close() {
    int r = 0;
    transport_->RunOnLinkThread([&] { r = DoClose(); });
    return r;
}

int CDeviceLink::SendFrame(const CLinkFrame& frame, const std::string& text) {
    int r = 0;
    transport_->RunOnLinkThread([&] { r = DoSendFrame(frame, text); });
    return r;
}

int CDeviceLink::DownloadFile(const std::string& localPath, const std::string& remoteName,
                              std::uint8_t board) {
    int r = 0;
    transport_->RunOnLinkThread([&] { r = DoDownloadFile(localPath, remoteName, board); });
    return r;
}

int CDeviceLink::UploadFile(const std::string& localPath, const std::string& remoteName) {
    int r = 0;
    transport_->RunOnLinkThread([&] { r = DoUploadFile(localPath, remoteName); });
    return r;
}

int CDeviceLink::SendRestart(std::uint8_t board) {
    int r = 0;
    transport_->RunOnLinkThread([&] { r = DoSendRestart(board); });
    return r;
}

int CDeviceLink::DoConnect() {
    if (connected_)
        return 1;
    passwordState_ = 0;
    if (!transport_->Create()) {
        LogError(unitlink::text::kSocketFailed);
        return 0;
    }
    if (report_)
        report_->OpenWait(
            1, platform::StrFormat("正在连接服务器\nIP地址:%s  端口号:%04d", address_.c_str(), port_));
    while (!transport_->Connect(address_, port_)) {
        if (platform::MessageBox("连接TCP/IP服务器(管理机)失败!\n重试吗?", {}, platform::Icon::Question,
                                 platform::Buttons::YesNo) != platform::Answer::Yes) {
            transport_->Close();
            if (report_)
                report_->CloseWait();
            return 0;
        }
    }
    // Bytes of an earlier connection must not be taken for the start of a frame.
    cutter_.Clear();
    LogError("通讯建立!");
    connected_ = true;
    if (report_)
        report_->CloseWait();
    return 1;
}

int CDeviceLink::DoClose() {
    const bool wasConnected = connected_;
    if (connected_)
        transport_->Close();
    connected_ = false;
    cutter_.Clear();
    ++closeCount_;
    ResetTransfer();
    if (wasConnected && closedHandler_)
        closedHandler_();
    return 1;
}

int CDeviceLink::DoSendFrame(const CLinkFrame& frame, const std::string& text) {
    if (!connected_) {
        LogError("网络未连接!");
        return 0;
    }
    const bool sent =
        frame.IsEmpty() || transport_->Send(frame.Data(), static_cast<std::size_t>(frame.Length()));
    // The answer to a received frame is on its way: the lines held back until now go first.
    ReleaseHeld();
    if (!sent) {
        LogError("发送数据出错，关闭端口!");
        DoClose();
        return 0;
    }
    // Every frame sent while a transfer runs starts the wait for the unit's answer afresh.
    if (file_)
        stepSince_ = std::chrono::steady_clock::now();
    if (!text.empty()) {
        LogSent(text);
        LogSentBytes(frame.Data(), static_cast<std::size_t>(frame.Length()));
    }
    return 1;
}

bool CDeviceLink::CheckStepWait(std::chrono::steady_clock::time_point now) {
    bool going = false;
    transport_->RunOnLinkThread([&] {
        if (!file_ || state_ == kIdle)
            return;
        if (now - stepSince_ <= stepWait_) {
            going = true;
            return;
        }
        const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(stepWait_).count();
        FailTransfer(platform::StrFormat("等待装置应答超时(%lld秒)，文件传输失败!", seconds));
    });
    return going;
}

void CDeviceLink::OnReceive(const std::uint8_t* data, std::size_t size) {
    OnData(data, size);
}

void CDeviceLink::OnReceiveError() {
    if (connected_ && fileOpen_)
        FailTransfer("通讯中断，文件传输失败!");
    DoClose();
    // Shown once the socket's event is handled, never inside it.
    transport_->Post([] { platform::MessageBox("接收数据出错!"); });
}

void CDeviceLink::OnPeerClosed() {
    if (!connected_)
        return;
    // Without this the worker would wait for a transfer that can no longer end.
    if (fileOpen_)
        FailTransfer("通讯中断，文件传输失败!");
    LogError("通讯中断!");
    DoClose();
}

void CDeviceLink::OnReceivedInPlace(std::size_t size) {
    const unsigned closes = closeCount_;
    cutter_.FeedAppended(size, [&](const std::uint8_t* frame, std::size_t n) {
        ProcessFrame(frame, n);
        return closeCount_ == closes; // the link was closed while handling the frame
    });
}

void CDeviceLink::OnData(const std::uint8_t* data, std::size_t size) {
    const unsigned closes = closeCount_;
    cutter_.Feed(data, size, [&](const std::uint8_t* frame, std::size_t n) {
        ProcessFrame(frame, n);
        return closeCount_ == closes; // the link was closed while handling the frame
    });
}

void CDeviceLink::ProcessFrame(const std::uint8_t* f, std::size_t n) {
    if (n < kHeaderSize)
        return;
    holding_ = report_ != nullptr;
    HandleFrame(f, n);
    ReleaseHeld();
}

void CDeviceLink::HandleFrame(const std::uint8_t* f, std::size_t n) {
    LogReceivedBytes(f, n);
    if (CheckHeader(f, n, CheckPolicy::ConfigTool) < 0) {
        LogError("...........接收到的报文不是监视方向的DSDU报文!");
        return;
    }
    if (n <= kOffType)
        return;
    // Every reader refuses a body too short for its fields: such a frame is shown as received
    // bytes only.
    const std::uint8_t type = f[kOffType];
    const std::uint8_t* message = f + kOffType; // the type byte, then the body
    const std::size_t size = n - kOffType;
    switch (type) {
    case 2:
        if (const auto text = body::ReadUnitText(message, size))
            LogReceived(platform::FromGbk(*text));
        break;
    case 4:
        if (const auto reply = body::ReadFileOpenReply(message, size)) {
            stepSince_ = std::chrono::steady_clock::now();
            HandleOpenReply(*reply);
        }
        break;
    case 6:
        if (const auto data = body::ReadFileData(message, size)) {
            stepSince_ = std::chrono::steady_clock::now();
            HandleDataFrame(*data);
        }
        break;
    case 11:
        HandleCloseReply();
        break;
    case 14:
        if (const std::uint8_t* challenge = body::ReadChallenge(message, size)) {
            passwordState_ = (passwordState_ + 1) & 0xFF;
            SendPasswordResponse(challenge);
        }
        break;
    case 15:
        if (body::ReadVerdict(message, size) == 1) {
            passwordState_ = kPasswordVerified;
            LogError("口令验证成功!");
        }
        break;
    default:
        LogError(platform::StrFormat("......接收到错误的报文类型%u", static_cast<unsigned>(type)));
        break;
    }
}

void CDeviceLink::HandleOpenReply(const body::FileOpenReply& reply) {
    if (state_ != kOpenSent) {
        FailTransfer("远程文件状态错误，不处于打开状态!");
        return;
    }
    if (!reply.opened) {
        FailTransfer("打开远程文件失败!");
        return;
    }
    fileId_ = static_cast<std::int32_t>(reply.fileId);
    if (direction_ == kDownload) {
        SendNextDataPacket(board_);
    } else if (direction_ == kUpload) {
        // A length above the bound of every program's link, or above what the job has left, is
        // refused before a byte is written: a unit that announces gigabytes would fill the disk.
        announced_ = reply.length;
        const std::uint32_t limit = std::min<std::uint32_t>(kMaxTransferLength, uploadLimit_.load());
        if (reply.length > limit) {
            FailTransfer(platform::StrFormat("远程文件长度%u字节，超过上限%u字节，不能上载!",
                                             static_cast<unsigned>(reply.length),
                                             static_cast<unsigned>(limit)));
            return;
        }
        fileLength_ = static_cast<std::int32_t>(reply.length);
        SendFileReady(0);
    } else {
        FailTransfer("文件操作错误!");
    }
}

void CDeviceLink::HandleDataFrame(const body::FileDataFrame& data) {
    if (state_ != kDataPhase && direction_ == kDownload) {
        FailTransfer("文件状态错误，不处于发送状态!");
        return;
    }
    if (state_ != kReadySent && state_ != kDataPhase && direction_ == kUpload) {
        FailTransfer("文件状态错误，不处于接收状态!");
        return;
    }
    if (static_cast<std::int32_t>(data.fileId) != fileId_) {
        FailTransfer("文件标识不匹配!");
        return;
    }
    if (direction_ == kUpload) {
        ReceiveDataPacket(data);
    } else if (direction_ == kDownload) {
        if (data.flag != 0)
            SendNextDataPacket(board_);
        else
            FailTransfer("下装过程中装置应答失败!");
    } else {
        FailTransfer("文件操作错误!");
    }
}

void CDeviceLink::HandleCloseReply() {
    if (!file_)
        return;
    if (state_ != kCloseSent) {
        FailTransfer("文件状态错误，不处于关闭状态!");
        return;
    }
    if (direction_ == kUpload) {
        if (std::fflush(file_) != 0 || std::ferror(file_)) {
            FailTransfer("写文件 " + localPath_ + " 失败!");
            return;
        }
        // A stream that ended early or ran long is not the unit's file.
        if (bytesDone_ != fileLength_) {
            FailTransfer(LengthErrorText(bytesDone_));
            return;
        }
    }
    EndTransfer(LocalFileName() + "传输成功");
}

bool CDeviceLink::CanStartTransfer(const char* verb) {
    const char* why = !connected_                           ? "通讯尚未连接"
                      : passwordState_ != kPasswordVerified ? "口令验证失败"
                      : file_                               ? "文件传输尚未结束"
                                                            : nullptr;
    if (!why)
        return true;
    transferOk_ = 0;
    LogError(std::string(why) + ", 不能" + verb + "文件!");
    return false;
}

int CDeviceLink::RefuseStart(const std::string& text) {
    transferOk_ = 0;
    EndTransfer(text);
    return 0;
}

int CDeviceLink::SendOpenRequest(std::uint8_t mode, std::uint8_t board, const std::string& remoteName) {
    const std::string verb = mode == 0 ? "下载文件 " : "上载文件 ";
    // A name without a GBK form would name another file on the unit.
    if (!platform::SurvivesGbk(remoteName))
        return RefuseStart(verb + remoteName + ": " + platform::kPathNotGbk);
    CLinkFrame frame;
    if (!BuildBodyFrame(frame, body::FileOpen(mode, static_cast<std::uint32_t>(fileLength_), remoteName),
                        board))
        return RefuseStart(verb + LocalFileName() + "错误!");
    board_ = board;
    remoteName_ = remoteName;
    direction_ = mode == 0 ? kDownload : kUpload;
    state_ = kOpenSent;
    packetNo_ = 0;
    bytesDone_ = 0;
    const std::string fileName = LocalFileName();
    if (!DoSendFrame(frame, mode == 0 ? "发送文件打开报文，写操作" : "发送文件打开报文，读操作"))
        return RefuseStart(verb + fileName + "错误!");
    return 1;
}

int CDeviceLink::DoDownloadFile(const std::string& localPath, const std::string& remoteName,
                                std::uint8_t board) {
    board_ = board;
    LogSent("下载本地文件 " + localPath + " 远端保存为 " + remoteName);
    if (!CanStartTransfer("下载"))
        return 0;
    localPath_ = localPath;
    const std::filesystem::path path(localPath);
    // A file that is there but cannot be looked at or opened is told with the reason.
    const platform::PathStat stat = platform::StatPath(path);
    int error = stat.Failed() ? stat.error : (stat.file ? 0 : ENOENT);
    if (error == 0 && (platform::FileStepFails(platform::FileStep::Open, path) ||
                       !(file_ = std::fopen(path.c_str(), "rb"))))
        error = errno;
    if (error != 0)
        return RefuseStart("打开文件 " + localPath + " 失败!" +
                           (error == ENOENT ? std::string() : "（" + platform::ErrorText(error) + "）"));
    SetFileBuffer();
    fileOpen_ = true;
    const auto size = stat.size;
    if (size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max()))
        return RefuseStart("文件 " + localPath + " 太大, 不能下载!");
    fileLength_ = static_cast<std::int32_t>(size);
    try {
        buffer_.assign(kBufferSize, 0);
    } catch (const std::bad_alloc&) {
        return RefuseStart("申请内存出错，内存不足!");
    }
    return SendOpenRequest(0, board, remoteName);
}

int CDeviceLink::DoUploadFile(const std::string& localPath, const std::string& remoteName) {
    LogSent("上载远端文件 " + remoteName + " 本地保存为 " + localPath);
    if (!CanStartTransfer("上载"))
        return 0;
    localPath_ = localPath;
    announced_ = -1;
    const std::filesystem::path path(localPath);
    if (platform::FileStepFails(platform::FileStep::Open, path) || !(file_ = std::fopen(path.c_str(), "wb")))
        return RefuseStart("打开文件 " + localPath + " 失败!");
    SetFileBuffer();
    fileOpen_ = true;
    return SendOpenRequest(1, 0, remoteName);
}

int CDeviceLink::SendNextDataPacket(std::uint8_t board) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::int32_t>(fileLength_, kPacketData));
    // The packet is laid out in the transfer's frame buffer, as body::FileData would lay it out,
    // and the file's bytes are read straight into it (its header is written once their count is
    // known; every byte after it is written, so it is not cleared first).
    CLinkFrame& frame = answer_;
    // The seam is asked before each piece is read from the file being sent.
    const bool failed = want && platform::FileStepFails(platform::FileStep::Read, localFsPath_);
    const int error = failed ? errno : 0;
    const bool room = frame.BuildHeaderOnly(static_cast<int>(body::kDataBytes + want)) != 0;
    const std::size_t len =
        want && !failed && room ? std::fread(frame.Data() + kOffType + body::kDataBytes, 1, want, file_) : 0;
    if (failed || (len < want && std::ferror(file_))) {
        FailTransfer("读文件 " + localPath_ + " 失败!" +
                     (error != 0 ? "（" + platform::ErrorText(error) + "）" : std::string()));
        return 0;
    }
    if (len > 0 || packetNo_ == 0) {
        state_ = kDataPhase;
        const std::uint8_t more = bytesDone_ + static_cast<std::int64_t>(len) >= fileLength_ ? 0 : 1;
        LogSent(platform::StrFormat("发送文件数据包%u, 续包标志=%u", static_cast<unsigned>(packetNo_),
                                    static_cast<unsigned>(more)));
        // Cut to what was read (a file's last packet is shorter).
        const bool built = room && frame.BuildHeaderOnly(static_cast<int>(body::kDataBytes + len)) != 0;
        if (built) {
            std::uint8_t* b = frame.Data() + kOffType;
            b[0] = 6;
            PutU32(b + body::kDataFileId, static_cast<std::uint32_t>(fileId_));
            b[body::kDataFlag] = more;
            b[body::kDataPacket] = static_cast<std::uint8_t>(packetNo_);
            b[body::kDataPacket + 1] = static_cast<std::uint8_t>(packetNo_ >> 8);
            frame.SetBoard(board);
        }
        if (!built || !DoSendFrame(frame, {})) {
            FailTransfer("发送文件数据包失败!");
            return 0;
        }
        ++packetNo_;
        bytesDone_ += static_cast<std::int64_t>(len);
    } else {
        if (!SendCloseFile(board))
            return 0;
    }
    ReportProgress(3);
    return 1;
}

bool CDeviceLink::BuildBodyFrame(CLinkFrame& frame, const std::vector<std::uint8_t>& b, std::uint8_t board) {
    if (!frame.BuildHeader(static_cast<int>(b.size())))
        return false;
    std::copy(b.begin(), b.end(), frame.Data() + kOffType);
    frame.SetBoard(board);
    return true;
}

int CDeviceLink::SendAck(bool taken, std::uint16_t packet, const std::string& text) {
    CLinkFrame& frame = answer_;
    if (!BuildBodyFrame(frame, body::FileData(static_cast<std::uint32_t>(fileId_), taken ? 1 : 0, packet),
                        board_))
        return 0;
    return DoSendFrame(frame, text);
}

int CDeviceLink::ReceiveDataPacket(const body::FileDataFrame& data) {
    const std::uint16_t p = data.packet;
    const std::uint8_t more = data.flag;
    // Made without a format call: one of these per packet.
    std::string& line = lineBuffer_;
    line.assign("接收文件数据包");
    line += std::to_string(p);
    line += ", 续包标志=";
    line += std::to_string(more);
    LogReceived(line);
    if (p != static_cast<std::uint16_t>(packetNo_ + 1) && !(p == 0 && packetNo_ == 0))
        LogError("数据包序号不连续!");
    packetNo_ = p;
    const std::size_t len = data.size;
    // A unit that sends more than it announced is not sending that file: stop at once rather than
    // fill the disk.
    if (bytesDone_ + static_cast<std::int64_t>(len) > fileLength_) {
        SendAck(false, p, kRefusedText);
        FailTransfer(LengthErrorText(bytesDone_ + static_cast<std::int64_t>(len)));
        return 0;
    }
    // The file's buffer takes what it has room for now, the rest after the answer (below).
    const std::size_t head = std::min(len, kFileBuffer - unflushed_);
    // A buffer that could not be written out after the last answer fails this packet.
    if (len && (writeFailed_ || platform::FileStepFails(platform::FileStep::Write, localFsPath_) ||
                std::fwrite(data.data, 1, head, file_) != head)) {
        if (!SendAck(false, p, kRefusedText)) {
            FailTransfer("发送文件接收失败报文失败!");
            return 0;
        }
        // The file is incomplete: the transfer cannot succeed any more.
        FailTransfer("写文件 " + localPath_ + " 失败!");
        return 0;
    }
    bytesDone_ += static_cast<std::int64_t>(len);
    unflushed_ += head;
    if (!SendAck(true, p, kTakenText)) {
        FailTransfer("发送文件接收成功报文失败!");
        return 0;
    }
    // The file's buffer is written out once full, now, while the unit makes its next packet: the
    // write never holds up an answer, and every write is a whole buffer at a multiple of its size
    // into the file (which the file system takes in fewer steps than a write cut anywhere). The
    // rest of the packet then goes into the emptied buffer; a failure shows at the next packet,
    // or at the close.
    if (unflushed_ == kFileBuffer) {
        unflushed_ = 0;
        writeFailed_ = std::fflush(file_) != 0;
    }
    if (head < len) {
        if (std::fwrite(data.data + head, 1, len - head, file_) != len - head)
            writeFailed_ = true;
        unflushed_ += len - head;
    }
    if (more == 0 && !SendCloseFile(0))
        return 0;
    ReportProgress(0);
    return 1;
}

int CDeviceLink::SendFileReady(std::uint8_t board) {
    CLinkFrame frame;
    if (BuildBodyFrame(frame, body::FileReady(static_cast<std::uint32_t>(fileId_)), board) &&
        DoSendFrame(frame, "发送文件就绪报文")) {
        state_ = kReadySent;
        return 1;
    }
    FailTransfer("发送文件就绪报文失败!");
    return 0;
}

int CDeviceLink::SendCloseFile(std::uint8_t board) {
    const std::string text = platform::StrFormat("关闭远端文件，长度为%d字节", fileLength_);
    state_ = kCloseSent;
    CLinkFrame frame;
    if (BuildBodyFrame(frame, body::FileClose(remoteName_), board) && DoSendFrame(frame, text))
        return 1;
    FailTransfer("发送文件关闭报文失败!");
    return 0;
}

void CDeviceLink::SendPasswordResponse(const std::uint8_t* challenge) {
    CLinkFrame frame;
    if (BuildBodyFrame(frame, body::ChallengeAnswer(ComputeChallengeAnswer(challenge, kConfigToolKey)), 0) &&
        DoSendFrame(frame, "发送口令校验报文"))
        return;
    LogError("口令校验报文发送失败");
}

int CDeviceLink::DoSendRestart(std::uint8_t board) {
    CLinkFrame frame;
    if (frame.BuildHeader(1)) {
        frame.Data()[kOffType] = 2;
        frame.SetBoard(board);
        if (DoSendFrame(frame, "发送重启命令"))
            return DoClose();
    }
    LogError("发送重启命令失败");
    return 0;
}

void CDeviceLink::FailTransfer(const std::string& text) {
    transferOk_ = 0;
    const bool partialUpload = file_ && direction_ == kUpload;
    EndTransfer(text);
    // What an upload that failed wrote is not the unit's file: it must not be taken for one.
    if (partialUpload)
        platform::RemoveFile(std::filesystem::path(localPath_));
}

std::string CDeviceLink::LengthErrorText(std::int64_t received) const {
    return platform::StrFormat("接收文件长度错误，远端文件长度为%d字节，实际接收%lld字节!", fileLength_,
                               static_cast<long long>(received));
}

void CDeviceLink::SetFileBuffer() {
    // Several packets go through one read or write of the file, not one call per 4 KB.
    // (The C library takes the size only with a buffer of the caller's.)
    if (!fileBuffer_)
        fileBuffer_ = std::make_unique<char[]>(kFileBuffer);
    std::setvbuf(file_, fileBuffer_.get(), _IOFBF, kFileBuffer);
    unflushed_ = 0;
    writeFailed_ = false;
    localFsPath_ = localPath_;
}

void CDeviceLink::CloseLocalFile() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    fileOpen_ = false;
}

void CDeviceLink::EndTransfer(const std::string& text) {
    CloseLocalFile();
    fileLength_ = 0;
    fileId_ = 0;
    packetNo_ = 0;
    bytesDone_ = 0;
    state_ = kIdle;
    remoteName_.clear();
    std::vector<std::uint8_t>().swap(buffer_);
    LogError(text);
}

void CDeviceLink::ResetTransfer() {
    // A transfer cut off here did not succeed.
    if (file_)
        transferOk_ = 0;
    CloseLocalFile();
    fileLength_ = 0;
    fileId_ = 0;
    packetNo_ = 0;
    bytesDone_ = 0;
    state_ = kIdle;
    remoteName_.clear();
    std::vector<std::uint8_t>().swap(buffer_);
    passwordState_ = 0;
}

void CDeviceLink::ReportProgress(int what) {
    if (!report_)
        return;
    const std::uint64_t span = progressSpan_ ? progressSpan_.load() : 100;
    const std::uint64_t base = progressBase_;
    std::uint64_t pos = base + span;
    if (fileLength_ > 0)
        pos = base + span * static_cast<std::uint64_t>(std::max<std::int64_t>(bytesDone_, 0)) /
                         static_cast<std::uint64_t>(fileLength_);
    report_->Progress(what, static_cast<std::uint32_t>(pos));
}

std::string CDeviceLink::LocalFileName() const {
    return platform::FileNameOf(localPath_);
}

void CDeviceLink::Hold(LinkColour colour, const std::string& text) {
    if (heldCount_ == held_.size())
        held_.emplace_back();
    HeldLine& line = held_[heldCount_++];
    line.colour = colour;
    line.bytes = false;
    line.text.assign(text);
}

void CDeviceLink::ReleaseHeld() {
    if (!holding_)
        return;
    holding_ = false;
    const std::size_t count = std::exchange(heldCount_, 0);
    for (std::size_t i = 0; i < count && report_; ++i) {
        const HeldLine& line = held_[i];
        if (line.bytes)
            report_->MonitorBytes(line.colour, line.data, line.size);
        else
            report_->MonitorText(line.colour, line.text);
    }
}

void CDeviceLink::LogSent(const std::string& text) {
    if (holding_)
        Hold(LinkColour::Sent, text);
    else if (report_)
        report_->MonitorText(LinkColour::Sent, text);
}
void CDeviceLink::LogSentBytes(const std::uint8_t* data, std::size_t size) {
    // Only the received frame's dump is held (its bytes stay where they are while it is handled).
    ReleaseHeld();
    if (report_)
        report_->MonitorBytes(LinkColour::Sent, data, size);
}
void CDeviceLink::LogReceived(const std::string& text) {
    if (holding_)
        Hold(LinkColour::Received, text);
    else if (report_)
        report_->MonitorText(LinkColour::Received, text);
}
void CDeviceLink::LogReceivedBytes(const std::uint8_t* data, std::size_t size) {
    if (holding_) {
        if (heldCount_ == held_.size())
            held_.emplace_back();
        HeldLine& line = held_[heldCount_++];
        line.colour = LinkColour::Received;
        line.bytes = true;
        line.data = data;
        line.size = size;
    } else if (report_) {
        report_->MonitorBytes(LinkColour::Received, data, size);
    }
}
void CDeviceLink::LogError(const std::string& text) {
    if (holding_)
        Hold(LinkColour::Error, text);
    else if (report_)
        report_->MonitorText(LinkColour::Error, text);
}

} // namespace qxm7740
