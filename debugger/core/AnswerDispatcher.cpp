#include "debugger/core/AnswerDispatcher.h"

#include "debugger/core/DeviceLink.h"
#include "debugger/core/DeviceRequests.h"
#include "debugger/core/ValueText.h"
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

namespace {

constexpr int kLoginWaitMs = 6000;
constexpr int kHeartbeatMs = 10000;
constexpr int kSupervisionMs = 30000;

std::string GbkText(const std::uint8_t* p, std::size_t n) {
    std::size_t len = 0;
    while (len < n && p[len] != 0)
        ++len;
    return platform::FromGbk(std::string_view(reinterpret_cast<const char*>(p), len));
}

// A value: data type, size, number (low 7 bits when asked), then size x number bytes.
struct Value {
    std::uint8_t type = 0, size = 0, number = 0;
    const std::uint8_t* data = nullptr;
    std::size_t len = 0;
};
bool ReadValue(CBodyReader& r, Value& v, bool number7 = false) {
    v.type = r.U8();
    v.size = r.U8();
    v.number = r.U8();
    const unsigned count = number7 ? (v.number & 0x7Fu) : v.number;
    v.len = static_cast<std::size_t>(v.size) * count;
    v.data = r.Bytes(v.len);
    return r.Ok();
}

// The box of a download the unit refused or the link could not send.
constexpr const char* kSendFailed = "文件发送失败.";

CDeviceTime ReadTime(CBodyReader& r) {
    const std::uint8_t* p = r.Bytes(7);
    return p ? CDeviceTime::FromBytes(p) : CDeviceTime{};
}

void ShowError(CDeviceLink& link, const char* text) {
    link.ShowLater(text, "错误", platform::Icon::Error);
}

// Hands the results of a manual setting (or its cancelling) to the sheets that match and ends the
// wait of the flag; false when a sheet had sent another number of values (the setting failed).
template <class Sheet, class Match>
bool ApplyManualResults(CDeviceLink& link, const std::vector<Sheet*>& sheets, Match match, std::uint8_t flag,
                        bool cancel, const std::vector<SetResult>& results) {
    for (Sheet* s : sheets) {
        if (!match(*s))
            continue;
        if (cancel) {
            s->ApplyCancelResults(results);
        } else if (static_cast<int>(results.size()) != s->SentSetCount()) {
            ShowError(link, "返校条目数有误\n人工置数失败!");
            s->FailPending();
            link.SetManualSettingFlag(flag, false);
            return false;
        } else {
            s->ApplySetResults(results);
        }
    }
    link.SetManualSettingFlag(flag, false);
    return true;
}

} // namespace

std::string UploadSaveName(const std::string& transferName) {
    std::string name = platform::FileNameOf(transferName);
    return platform::IsSafeFileName(name) ? name : std::string();
}

Rgb DebugTextColour(std::uint8_t source) {
    static const Rgb kColours[] = {{200, 200, 200}, {128, 128, 128}, {128, 255, 0}, {255, 128, 0},
                                   {128, 0, 255},   {255, 0, 128},   {0, 128, 128}, {128, 128, 0},
                                   {0, 128, 0},     {128, 0, 128},   {0, 0, 128},   {0, 0, 0},
                                   {128, 0, 0}};
    return kColours[source == 0 ? 0 : (source - 1) / 20];
}

void CAnswerDispatcher::Truncated(std::uint8_t type) {
    link_.DebugNote(platform::StrFormat("\nD报文长度有误(类型%u)\n", unsigned{type}));
}

const CAnswerDispatcher::Route* CAnswerDispatcher::FindRoute(std::uint8_t type) {
    // One handler per message type; "checked" handlers read through the body reader, and a body
    // that ends before what they read is noted in the debug window.
    static const Route kRoutes[] = {
        {1, true, [](CAnswerDispatcher& d, const Answer& a) { d.PortFrames(a.r, a.board); }},
        {2, false, [](CAnswerDispatcher& d, const Answer& a) { d.DebugText(a.body, a.length); }},
        {3, false, [](CAnswerDispatcher& d, const Answer& a) { d.StringAnswer(a.body, a.length); }},
        {4, true, [](CAnswerDispatcher& d, const Answer& a) { d.FileOpenAnswer(a.r, a.board); }},
        {6, true,
         [](CAnswerDispatcher& d, const Answer& a) { d.FileChunkAnswer(a.body, a.length, a.board); }},
        {8, true, [](CAnswerDispatcher& d, const Answer& a) { d.Directory(a.r); }},
        {12, true, [](CAnswerDispatcher& d, const Answer& a) { d.RefTable(a.r, a.board); }},
        {14, true, [](CAnswerDispatcher& d, const Answer& a) { d.Challenge(a.r); }},
        {15, true, [](CAnswerDispatcher& d, const Answer& a) { d.Verdict(a.r); }},
        {16, false, [](CAnswerDispatcher& d, const Answer& a) { d.ProtocolText(a.body, a.length, a.board); }},
        {17, false,
         [](CAnswerDispatcher& d, const Answer& a) { d.PortInformation(a.body, a.length, a.board); }},
        {18, true, [](CAnswerDispatcher& d, const Answer& a) { d.RemoteCommands(a.r); }},
        {19, true, [](CAnswerDispatcher& d, const Answer& a) { d.HistoryEvents(a.r); }},
        {20, true, [](CAnswerDispatcher& d, const Answer& a) { d.SetAnswer(a.r, false); }},
        {21, true, [](CAnswerDispatcher& d, const Answer& a) { d.SetAnswer(a.r, true); }},
        {22, true, [](CAnswerDispatcher& d, const Answer& a) { d.CancelAllAnswer(a.r); }},
        {23, true, [](CAnswerDispatcher& d, const Answer& a) { d.DeviceCancelAnswer(a.r); }},
        {24, true, [](CAnswerDispatcher& d, const Answer& a) { d.TableCancelAnswer(a.r, a.board); }},
        {25, true, [](CAnswerDispatcher& d, const Answer& a) { d.CommStatus(a.r, false); }},
        {26, true, [](CAnswerDispatcher& d, const Answer& a) { d.CommStatus(a.r, true); }},
        {27, true, [](CAnswerDispatcher& d, const Answer& a) { d.WaveRecords(a.r); }},
        {28, true, [](CAnswerDispatcher& d, const Answer& a) { d.DeviceTime(a.r); }},
    };
    for (const Route& route : kRoutes)
        if (route.type == type)
            return &route;
    return nullptr; // types the program does not handle
}

void CAnswerDispatcher::Dispatch(const std::uint8_t* body, std::size_t length, std::uint8_t board) {
    if (length == 0)
        return;
    const Route* route = FindRoute(body[0]);
    if (!route)
        return;
    CBodyReader r(body, length, 1);
    route->handle(*this, Answer{body, length, board, r});
    if (route->checked && !r.Ok())
        Truncated(body[0]);
}

void CAnswerDispatcher::StringAnswer(const std::uint8_t* body, std::size_t length) {
    if (length >= 2)
        link_.Shell().ShowStringAnswer(GbkText(body + 1, length - 2));
}

void CAnswerDispatcher::DeviceTime(CBodyReader& r) {
    if (const std::uint8_t* t = r.Bytes(7))
        link_.Shell().ShowDeviceTime(CDeviceTime::FromBytes(t));
}

namespace {

// Whether a port monitor's document takes a frame record of the board (from 0).
bool MonitorTakes(const PortMonitorDoc& doc, std::uint8_t board, std::uint8_t cls, std::uint8_t portIndex,
                  std::uint16_t device, std::uint8_t dirByte, std::uint32_t unitAddress,
                  std::uint32_t destAddress) {
    if (doc.board != board + 1 || doc.port != portIndex + 1 ||
        (doc.direction != 2 && doc.direction != dirByte) || (doc.device != 0xFFFF && doc.device != device))
        return false;
    if (cls == 0)
        return doc.messageType == 0;
    return doc.unitAddress == unitAddress &&
           (doc.destAddress == 0xFFFFFFFF || doc.destAddress == destAddress) &&
           (doc.messageType == 3 || doc.messageType == cls);
}

} // namespace

void CAnswerDispatcher::PortFrames(CBodyReader& r, std::uint8_t board) {
    const auto count = static_cast<std::int16_t>(r.U16());
    if (!r.Ok() || count <= 0 || r.Left() + 3 < 8)
        return;
    IQuorvexShell& shell = link_.Shell();
    for (int i = 0; i < count; ++i) {
        const std::uint8_t cls = r.U8();
        const std::uint8_t portIndex = r.U8();
        const std::uint16_t device = r.U16();
        const std::uint8_t dirByte = r.U8();
        const std::uint32_t unitAddress = r.U32();
        const std::uint32_t destAddress = r.U32();
        const std::uint16_t n = r.U16();
        const std::uint8_t* bytes = r.Bytes(n);
        if (!r.Ok())
            return;
        const bool sent = dirByte == 1;
        // A frame the unit sent goes to the send window of split display, else to the window of
        // both directions (mixed display), which sits in the receive slot.
        int slot = -1;
        const int candidates[2] = {sent ? kSlotSend : kSlotReceive, sent ? kSlotReceive : -1};
        for (const int candidate : candidates) {
            const PortMonitorDoc* d = candidate < 0 ? nullptr : shell.PortMonitor(candidate);
            if (d && MonitorTakes(*d, board, cls, portIndex, device, dirByte, unitAddress, destAddress)) {
                slot = candidate;
                break;
            }
        }
        // A record no window takes is skipped; the records behind it still get their turn.
        if (slot < 0)
            continue;
        const PortMonitorDoc* doc = shell.PortMonitor(slot);
        std::string text = "[ " + platform::StrFormat("装置%5d", static_cast<int>(device));
        text += cls == 1 ? " UDP" : cls == 2 ? " TCP" : "";
        text += " ] " + doc->linePrefix + platform::HexDump(bytes, n, 0);
        std::string tag = cls == 1 || cls == 2 ? "Net" : "Ser";
        tag += platform::StrFormat("%d", portIndex + 1) + "_";
        tag += cls == 1 || cls == 2 ? platform::DottedIPv4(destAddress)
                                    : platform::StrFormat("%d", static_cast<int>(device));
        shell.QueuePortLine(slot, sent, text, tag);
    }
}

void CAnswerDispatcher::DebugText(const std::uint8_t* body, std::size_t length) {
    if (length < 2)
        return;
    std::string text = length > 2 ? GbkText(body + 2, length - 3) : std::string();
    // Each message of the unit is a line of its own in the window and the log.
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    IQuorvexShell& shell = link_.Shell();
    if (!shell.DebugWindowOpen())
        return;
    shell.AppendDebug(text, DebugTextColour(body[1]));
    if (shell.DebugRecording())
        shell.RecordDebug(text);
}

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
    std::error_code ec;
    const std::filesystem::path tmp = program / ".." / "Tmp";
    const std::string folder = (std::filesystem::is_directory(tmp, ec) ? tmp : program).string() + "/";
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

// What the parts of a reference-table answer share: the table, its open sheets and the index of
// its entries.
struct CAnswerDispatcher::TableAnswer {
    TableAnswer(CDeviceLink& link, std::uint8_t board, std::uint8_t portType, std::uint8_t portIndex,
                std::uint8_t table)
        : board(board), boardNumber(static_cast<std::uint8_t>(board + 1)), portType(portType),
          portIndex(portIndex), portNumber(static_cast<std::uint8_t>(portIndex + 1)), table(table),
          entries(link.Data().m_tabEntries), index(entries, [this](const CTabEntry& e) {
              return e.SameTable(boardNumber, this->portType, portNumber, this->table);
          }) {
        for (ITabSheet* s : link.Shell().TabSheets())
            if (s->BoardNumber() == boardNumber && s->PortType() == portType &&
                s->PortNumber() == portNumber && s->TableNumber() == table)
                sheets.push_back(s);
    }
    std::uint8_t board, boardNumber, portType, portIndex, portNumber, table;
    std::vector<CTabEntry>& entries;
    CKeyIndex<CTabEntry> index;
    std::vector<ITabSheet*> sheets;
};

void CAnswerDispatcher::RefTable(CBodyReader& r, std::uint8_t board) {
    const std::uint8_t more = r.U8();
    const std::uint8_t sub = r.U8();
    const std::uint8_t portType = r.U8();
    const std::uint8_t portIndex = r.U8();
    const std::uint8_t table = r.U8();
    r.U16();
    const std::uint16_t count = r.U16();
    if (!r.Ok())
        return;
    TableAnswer t(link_, board, portType, portIndex, table);
    if (sub == 2)
        TableValues(r, t, count);
    else if (sub == 3)
        TableEntries(r, t, count, more == 0);
    else if (sub == 1 && count == 1)
        TableEvent(r, t);
}

void CAnswerDispatcher::TableValues(CBodyReader& r, TableAnswer& t, std::uint16_t count) {
    if (t.sheets.empty())
        return;
    for (unsigned i = 0; i < count; ++i) {
        const std::uint16_t address = r.U16();
        const std::uint16_t key = r.U16();
        const std::uint8_t valid = r.U8();
        Value v;
        if (!r.Ok() || valid != 1 || !ReadValue(r, v))
            return;
        for (std::size_t at : t.index.Find(address, key)) {
            CTabEntry& e = t.entries[at];
            e.m_dataType = v.type;
            e.m_dataSize = v.size;
            e.m_number = v.number;
            ActualValueText(v.type, v.size, v.data, v.len, e.m_value, true);
            for (ITabSheet* s : t.sheets)
                s->ShowValue(e);
        }
    }
}

void CAnswerDispatcher::TableEntries(CBodyReader& r, TableAnswer& t, std::uint16_t count, bool last) {
    for (unsigned i = 0; i < count; ++i) {
        const std::uint16_t address = r.U16();
        const std::uint16_t key = r.U16();
        const std::uint8_t kod = r.U8();
        const std::uint8_t type = r.U8();
        const std::uint8_t size = r.U8();
        const std::uint8_t number = r.U8();
        if (!r.Ok() || kod != 10 || type > 1)
            return;
        std::string name;
        if (type == 1) {
            const std::size_t n = static_cast<std::size_t>(size) * number;
            const std::uint8_t* text = r.Bytes(n);
            if (!text)
                return;
            name = GbkText(text, n);
        }
        if (!t.index.Find(address, key).empty())
            continue;
        t.index.Add(address, key, t.entries.size());
        CTabEntry e;
        e.m_boardNumber = t.boardNumber;
        e.m_portType = t.portType;
        e.m_portNumber = t.portNumber;
        e.m_tableNumber = t.table;
        e.m_address = address;
        e.m_key = key;
        e.m_name = name;
        t.entries.push_back(std::move(e));
    }
    if (!last)
        return;
    for (ITabSheet* s : t.sheets) {
        s->FillList();
        link_.SendMessage(requests::RefTableValues(t.board, t.portType, t.portIndex, t.table,
                                                   s->StartPosition(), s->RowCount()));
    }
}

void CAnswerDispatcher::TableEvent(CBodyReader& r, TableAnswer& t) {
    const std::uint16_t address = r.U16();
    const std::uint8_t group = r.U8();
    const std::uint8_t entry = r.U8();
    const std::uint8_t valid = r.U8();
    Value v;
    if (!r.Ok() || valid != 1 || !ReadValue(r, v))
        return;
    if (v.type != 18 && v.type != 19)
        return;
    const std::size_t at = v.type == 18 ? 1 : 5;
    if (v.len < at + 4) {
        Truncated(12);
        return;
    }
    const std::uint8_t* d = v.data;
    const std::string action = DoublePointText(d[0] & 3);
    const unsigned ms = static_cast<unsigned>(d[at] | d[at + 1] << 8);
    CEventRecord ev;
    ev.m_name = "SOE";
    ev.m_address = address;
    ev.m_group = group;
    ev.m_entry = entry;
    ev.m_action = action;
    ev.m_time = EventTimeText(d[at + 3] & 0x7Fu, d[at + 2] & 0x3Fu, ms);
    const std::uint16_t key = MakeKey(group, entry);
    for (ITabSheet* s : t.sheets) {
        for (std::size_t i : t.index.Find(address, key)) {
            CTabEntry& e = t.entries[i];
            e.m_value = action;
            s->ShowValue(e);
        }
        s->ShowEvent(ev);
        link_.Logs().SaveEventFile(ev, CLogFiles::kTableEvent);
    }
}

void CAnswerDispatcher::Challenge(CBodyReader& r) {
    IQuorvexShell& shell = link_.Shell();
    shell.StopTimer(kTimerLogin);
    const std::uint8_t* c = unitlink::body::ReadChallenge(r.Data(), r.Size());
    if (!c)
        return;
    link_.SendMessage(requests::ChallengeAnswer(link_.ComputeAuthAnswer(c)));
    shell.StartTimer(kTimerLogin, kLoginWaitMs);
}

void CAnswerDispatcher::Verdict(CBodyReader& r) {
    IQuorvexShell& shell = link_.Shell();
    shell.StopTimer(kTimerLogin);
    const std::uint8_t verdict = r.U8();
    if (r.Ok() && verdict == 1) {
        link_.SendMessage(requests::PortInformation());
        shell.StartTimer(kTimerPortInfo, kLoginWaitMs);
        return;
    }
    link_.DisconnectCommand();
    link_.ShowLater("身份验证出错\n请尝试重新连接");
    shell.CloseNotice();
}

void CAnswerDispatcher::ProtocolText(const std::uint8_t* body, std::size_t length, std::uint8_t board) {
    if (length < 3)
        return;
    const ProtocolMonitorDoc* doc = link_.Shell().ProtocolMonitor();
    if (!doc || doc->board != board + 1 || doc->portKind != body[1] || doc->port != body[2] + 1)
        return;
    link_.Shell().AppendProtocolText(GbkText(body + 3, length - 3), Rgb{0, 0, 128});
}

void CAnswerDispatcher::PortInformation(const std::uint8_t* body, std::size_t length, std::uint8_t board) {
    IQuorvexShell& shell = link_.Shell();
    shell.StopTimer(kTimerPortInfo);
    CBodyReader r(body, length, 1);
    CUnitBoardArray boards;
    const std::uint8_t boardCount = r.U8();
    for (unsigned b = 0; b < boardCount && r.Ok(); ++b) {
        CUnitBoard rec;
        rec.m_boardNumber = static_cast<std::uint8_t>(r.U8() + 1);
        for (int portType = 0; portType < 2 && r.Ok(); ++portType) {
            CUnitPortArray& ports = portType == 0 ? rec.m_serialPorts : rec.m_netPorts;
            const std::uint8_t portCount = r.U8();
            for (unsigned p = 0; p < portCount && r.Ok(); ++p) {
                CUnitPort port;
                port.m_portNumber = static_cast<std::uint8_t>(r.U8() + 1);
                if (const std::uint8_t* name = r.Bytes(10))
                    port.m_name = PortNameFromField(name, 10);
                port.m_deviceCount = r.U8();
                for (unsigned d = 0; d < port.m_deviceCount && r.Ok(); ++d)
                    port.m_addresses.Add(CUnitAddress(r.U16()));
                port.m_tableCount = r.U8();
                for (unsigned t = 0; t < port.m_tableCount && r.Ok(); ++t) {
                    CUnitRefTable table;
                    table.m_board = board;
                    table.m_portType = static_cast<std::uint8_t>(portType);
                    table.m_portNumber = port.m_portNumber;
                    table.m_tableNumber = r.U8();
                    table.m_tableKind = r.U8();
                    if (const std::uint8_t* name = r.Bytes(10))
                        table.m_name = PortNameFromField(name, 10);
                    port.m_tables.Add(table);
                }
                ports.Add(port);
            }
            (portType == 0 ? rec.m_serialCount : rec.m_netCount) =
                static_cast<std::uint16_t>(ports.GetSize());
        }
        boards.Add(rec);
    }
    if (!r.Ok() || r.Pos() != length) {
        link_.DisconnectCommand();
        link_.ShowLater("信息上送长度有误");
        shell.CloseNotice();
        return;
    }
    link_.Data().m_boards = std::move(boards);
    shell.CloseNotice();
    shell.OnPortInformation();
    link_.SendPoll();
    shell.StartTimer(kTimerHeartbeat, kHeartbeatMs);
    shell.StartTimer(kTimerSupervision, kSupervisionMs);
}

void CAnswerDispatcher::RemoteCommands(CBodyReader& r) {
    r.U8();
    const std::uint32_t count = r.U32();
    for (std::uint32_t i = 0; i < count && r.Ok(); ++i) {
        CRemoteCommandRecord rec;
        rec.m_sourceBoard = r.U8();
        rec.m_sourceClass = r.U8();
        rec.m_sourcePort = r.U8();
        rec.m_commandType = r.U8();
        rec.m_address = r.U16();
        rec.m_group = r.U8();
        rec.m_entry = r.U8();
        Value v;
        if (!ReadValue(r, v, true))
            return;
        rec.m_value = RemoteCommandValueText(v.type, v.size, v.data, v.len);
        rec.m_time = ReadTime(r);
        const std::uint8_t n = r.U8();
        const std::uint8_t* text = r.Bytes(n);
        if (!r.Ok())
            return;
        rec.m_description = GbkText(text, n);
        link_.Shell().AddRemoteCommand(rec);
        link_.Logs().SaveRemoteCommand(rec);
    }
}

void CAnswerDispatcher::HistoryEvents(CBodyReader& r) {
    r.U8();
    const std::uint16_t count = r.U16();
    for (unsigned i = 0; i < count && r.Ok(); ++i) {
        CHistoryEventRecord rec;
        rec.m_address = r.U16();
        rec.m_group = r.U8();
        rec.m_entry = r.U8();
        rec.m_fun = r.U8();
        rec.m_inf = r.U8();
        rec.m_eventType = r.U8();
        rec.m_time = ReadTime(r);
        Value v;
        if (!ReadValue(r, v))
            return;
        rec.m_value = HistoryEventValueText(v.type, v.size, v.data, v.len);
        link_.Shell().AddHistoryEvent(rec);
        link_.Logs().SaveHistoryEvent(rec);
    }
}

void CAnswerDispatcher::SetAnswer(CBodyReader& r, bool cancel) {
    const std::uint8_t n = r.U8();
    std::vector<SetResult> results;
    results.reserve(n);
    for (unsigned i = 0; i < n; ++i) {
        SetResult s;
        s.address = r.U16();
        s.key = r.U16();
        const std::uint8_t flag = r.U8();
        s.result = r.U8();
        if (!r.Ok() || flag != 1)
            return; // the whole message is dropped
        results.push_back(s);
    }
    IQuorvexShell& shell = link_.Shell();
    const std::uint8_t flags = link_.ManualSettingFlags();
    if (flags & CDeviceLink::kDbSetting) {
        shell.StopTimer(cancel ? kTimerDbCancel : kTimerDbSet);
        if (!ApplyManualResults(
                link_, shell.DbSheets(),
                [&](IDbSheet& s) { return s.DeviceAddress() == link_.ManualWaitKey(); },
                CDeviceLink::kDbSetting, cancel, results))
            return;
    }
    if (flags & CDeviceLink::kTabSetting) {
        shell.StopTimer(cancel ? kTimerTabCancel : kTimerTabSet);
        const CDeviceLink::TableKey key = link_.TableWaitKey();
        ApplyManualResults(
            link_, shell.TabSheets(),
            [&](ITabSheet& s) {
                return CDeviceLink::TableKey{s.BoardNumber(), s.PortType(), s.PortNumber(),
                                             s.TableNumber()} == key;
            },
            CDeviceLink::kTabSetting, cancel, results);
    }
}

void CAnswerDispatcher::CancelAllAnswer(CBodyReader& r) {
    IQuorvexShell& shell = link_.Shell();
    shell.StopTimer(kTimerCancelAll);
    const std::uint8_t result = r.U8();
    if (!r.Ok())
        return;
    if (result == 0)
        link_.ShowLater("取消置数失败", "错误");
    for (IDbSheet* s : shell.DbSheets())
        s->ApplyCancelAll(result);
    for (ITabSheet* s : shell.TabSheets())
        s->ApplyCancelAll(result);
}

void CAnswerDispatcher::DeviceCancelAnswer(CBodyReader& r) {
    const std::uint16_t address = r.U16();
    const std::uint8_t result = r.U8();
    if (!r.Ok() || address != link_.ManualWaitKey())
        return;
    IQuorvexShell& shell = link_.Shell();
    shell.StopTimer(kTimerDbCancel);
    for (IDbSheet* s : shell.DbSheets())
        if (s->DeviceAddress() == address)
            s->ApplyCancelAll(result);
}

void CAnswerDispatcher::TableCancelAnswer(CBodyReader& r, std::uint8_t board) {
    const std::uint8_t portType = r.U8();
    const std::uint8_t portIndex = r.U8();
    const std::uint8_t table = r.U8();
    const std::uint8_t result = r.U8();
    if (!r.Ok())
        return;
    const CDeviceLink::TableKey key{static_cast<std::uint8_t>(board + 1), portType,
                                    static_cast<std::uint8_t>(portIndex + 1), table};
    if (!(key == link_.TableWaitKey()))
        return;
    IQuorvexShell& shell = link_.Shell();
    shell.StopTimer(kTimerTabCancel);
    for (ITabSheet* s : shell.TabSheets())
        if (CDeviceLink::TableKey{s->BoardNumber(), s->PortType(), s->PortNumber(), s->TableNumber()} == key)
            s->ApplyCancelAll(result);
}

void CAnswerDispatcher::CommStatus(CBodyReader& r, bool ports) {
    IQuorvexShell& shell = link_.Shell();
    r.U8();
    if (!ports) {
        r.U8();
        const std::uint16_t count = r.U16();
        for (unsigned i = 0; i < count && r.Ok(); ++i) {
            const std::uint16_t address = r.U16();
            const std::uint8_t state = r.U8();
            if (r.Ok())
                shell.UpdateDeviceStatus(address, state);
        }
        return;
    }
    r.U8();
    const std::uint8_t count = r.U8();
    for (unsigned i = 0; i < count && r.Ok(); ++i) {
        const std::uint8_t b = r.U8();
        const std::uint8_t kind = r.U8();
        const std::uint8_t port = r.U8();
        const std::uint8_t state = r.U8();
        if (r.Ok())
            shell.UpdatePortStatus(b, kind, port, state);
    }
}

void CAnswerDispatcher::WaveRecords(CBodyReader& r) {
    r.U8();
    const std::uint16_t count = r.U16();
    for (unsigned i = 0; i < count && r.Ok(); ++i) {
        const std::uint16_t address = r.U16();
        const std::uint16_t nof = r.U16();
        const CDeviceTime time = ReadTime(r);
        const std::uint8_t n = r.U8();
        const std::uint8_t* name = r.Bytes(n);
        if (!r.Ok())
            return;
        link_.Shell().AddWaveRecord(GbkText(name, n), address, time, nof);
    }
}

} // namespace quorvex
