#include "debugger/core/AnswerDispatcher.h"

#include "debugger/core/AnswerFields.h"
#include "debugger/core/DeviceLink.h"
#include "debugger/core/DeviceRequests.h"
#include "debugger/core/ValueText.h"
#include "platform/FileFaults.h"
#include "unitlink/BodyReader.h"
#include "unitlink/RequestBodies.h"

#include "platform/Gbk.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>

namespace quorvex {

using namespace answer;

namespace {

// The box of a download the unit refused or the link could not send.
constexpr const char* kSendFailed = "文件发送失败.";

} // namespace

void CAnswerDispatcher::FailTransfer() {
    link_.EndTransfer();
}

void CAnswerDispatcher::FileOpenAnswer(CBodyReader& r, std::uint8_t board) {
    IQuorvexShell& shell = link_.Shell();
    shell.StopTimer(kTimerTransfer);
    const auto reply = unitlink::body::ReadFileOpenReply(r.Data(), r.Size());
    if (!reply || !reply->opened) {
        link_.ShowLater("文件打开失败.");
        FailTransfer();
        return;
    }
    const std::uint32_t size = reply->length;
    const std::uint32_t handle = reply->fileId;
    if (size == 0 || size > CDeviceLink::kMaxAnnounced) {
        link_.ShowLater("文件大小有误.");
        FailTransfer();
        return;
    }
    if (link_.direction_ == CDeviceLink::kDownload) {
        if (link_.SendFileChunk(handle, 0, board) <= 0) {
            link_.ShowLater(kSendFailed);
            FailTransfer();
            return;
        }
    } else if (link_.direction_ == CDeviceLink::kUpload) {
        // The buffer grows as the data comes; nothing is reserved for what the unit only claims.
        std::vector<std::uint8_t>().swap(link_.buffer_);
        link_.size_ = size;
        link_.position_ = 0;
        link_.SendMessage(requests::UploadStart(board, handle));
    } else {
        return;
    }
    shell.StartTimer(kTimerTransfer, CDeviceLink::kTransferWaitMs);
}

void CAnswerDispatcher::FileChunkAnswer(const std::uint8_t* body, std::size_t length, std::uint8_t board) {
    const auto packet = unitlink::body::ReadFileData(body, length);
    if (!packet)
        return;
    if (link_.direction_ == CDeviceLink::kDownload)
        DownloadChunkAnswer(*packet, board);
    else if (link_.direction_ == CDeviceLink::kUpload)
        UploadChunk(*packet, board);
}

void CAnswerDispatcher::DownloadChunkAnswer(const unitlink::body::FileDataFrame& packet, std::uint8_t board) {
    IQuorvexShell& shell = link_.Shell();
    std::uint16_t chunk = packet.packet;
    // Only the answer to the chunk last sent moves the transfer on; a repeated or stale answer
    // would move the position twice and send the wrong bytes.
    if (chunk != link_.chunk_) {
        link_.DebugNote(platform::StrFormat("\nD文件块应答序号有误(%u)，已忽略\n", unsigned{chunk}));
        return;
    }
    shell.StopTimer(kTimerTransfer);
    if (packet.flag == 1) {
        link_.position_ = std::min(link_.position_ + CDeviceLink::kChunkSize, link_.TransferSize());
        ++chunk;
    } else if (++link_.retries_ >= 3) {
        link_.ShowLater(kSendFailed);
        FailTransfer();
        return;
    }
    const int sent = link_.SendFileChunk(packet.fileId, chunk, board);
    if (sent < 0) {
        link_.ShowLater(kSendFailed);
        FailTransfer();
    } else if (sent > 0) {
        shell.StartTimer(kTimerTransfer, CDeviceLink::kTransferWaitMs);
    } else {
        link_.SendMessage(requests::FileClose(board, link_.transferName_));
        link_.EndTransfer(2000);
    }
}

void CAnswerDispatcher::UploadChunk(const unitlink::body::FileDataFrame& packet, std::uint8_t board) {
    IQuorvexShell& shell = link_.Shell();
    shell.StopTimer(kTimerTransfer);
    const std::uint32_t handle = packet.fileId;
    const std::uint16_t chunk = packet.packet;
    const std::uint32_t size = link_.TransferSize();
    if (link_.chunksTaken_ > 0 && chunk == link_.chunk_) {
        // The unit repeats a block whose acknowledgement it missed: acknowledged again, not
        // stored a second time.
        link_.SendMessage(requests::UploadAck(board, handle, chunk));
        shell.StartTimer(kTimerTransfer, CDeviceLink::kTransferWaitMs);
        return;
    }
    link_.chunk_ = chunk;
    ++link_.chunksTaken_;
    const std::size_t n = packet.size;
    const std::size_t room = size - std::min(link_.position_, size);
    // Data the unit sends beyond the size it announced is not taken.
    if (n > room)
        link_.DebugNote("\nD上装数据超出文件大小，多余部分已丢弃\n");
    const std::size_t take = std::min(n, room);
    if (take) {
        try {
            link_.buffer_.insert(link_.buffer_.end(), packet.data, packet.data + take);
        } catch (const std::bad_alloc&) {
            link_.SendMessage(requests::FileClose(board, link_.transferName_));
            link_.ShowLater("申请内存出错,内存不足!");
            FailTransfer();
            return;
        }
    }
    link_.position_ += static_cast<std::uint32_t>(take);
    if (size)
        shell.SetProgress(static_cast<int>(std::uint64_t{link_.position_} * 100 / size));
    link_.SendMessage(requests::UploadAck(board, handle, chunk));
    if (packet.flag == 1) {
        shell.StartTimer(kTimerTransfer, CDeviceLink::kTransferWaitMs);
        return;
    }
    link_.SendMessage(requests::FileClose(board, link_.transferName_));
    FinishUpload();
}

void CAnswerDispatcher::FinishUpload() {
    IQuorvexShell& shell = link_.Shell();
    shell.StopTimer(kTimerTransfer);
    const std::uint32_t size = link_.TransferSize();
    const bool complete = link_.position_ == size;
    const bool offer = shell.HasProgressWindow();
    if (offer) {
        shell.SetProgress(100);
        shell.CloseProgressWindow(0);
    }
    auto data = std::make_shared<std::vector<std::uint8_t>>(std::move(link_.buffer_));
    const std::uint32_t received = link_.position_;
    link_.buffer_.clear();
    link_.size_ = 0;
    link_.position_ = 0;
    link_.direction_ = CDeviceLink::kNoTransfer;
    if (!complete) {
        // A file cut short is not what the unit holds: nothing is saved.
        link_.ShowLater(platform::StrFormat("文件上装不完整(收到%u字节，应为%u字节)，文件未保存.",
                                            unsigned{received}, unsigned{size}),
                        "错误", platform::Icon::Error);
        return;
    }
    if (!offer)
        return;
    const std::string fileName = UploadSaveName(link_.transferName_);
    const std::filesystem::path program = link_.Data().m_programFolder;
    const std::filesystem::path tmp = program / ".." / "Tmp";
    const std::string folder = (platform::StatPath(tmp).folder ? tmp : program).string() + "/";
    // The save dialog comes up once this frame has been handled.
    IQuorvexShell* shellPtr = &shell;
    shell.Later([shellPtr, folder, fileName, data] {
        std::string path;
        if (shellPtr->AskSaveFile(folder, fileName, path) &&
            !platform::ReplaceFileBytes(
                path, std::string_view(reinterpret_cast<const char*>(data->data()), data->size())))
            platform::MessageBox(kSaveFailedText + path, "错误", platform::Icon::Error);
    });
}

void CAnswerDispatcher::Directory(CBodyReader& r) {
    IQuorvexShell& shell = link_.Shell();
    const std::uint8_t found = r.U8();
    if (!r.Ok())
        return;
    if (found != 1) {
        shell.DirectoryNotFound();
        return;
    }
    r.U8();
    const std::uint16_t count = r.U16();
    for (unsigned i = 0; i < count && r.Ok(); ++i) {
        const std::uint32_t size = r.U32();
        const auto time = static_cast<std::int32_t>(r.U32());
        const std::uint8_t type = r.U8();
        const std::uint8_t n = r.U8();
        const std::uint8_t* name = r.Bytes(n);
        if (!r.Ok())
            return;
        shell.AddDirectoryEntry(GbkText(name, n), size, type, time);
    }
}

} // namespace quorvex
