#include "monitor/core/MessageDispatcher.h"

#include "monitor/core/DevTime.h"
#include "monitor/core/DispatcherReader.h"
#include "monitor/core/MonitorWindows.h"

#include "platform/Prompt.h"
#include "unitlink/RequestBodies.h"

namespace marindle {

using namespace dispatch;

std::time_t EventTimeOfValue(std::uint8_t type, const std::uint8_t* value, std::size_t available,
                             std::uint16_t* ms) {
    if (ms)
        *ms = 0;
    switch (type) {
    case 18:
        return available >= 5 ? DevTime4ToCTime(value + 1, ms) : 0;
    case 19:
        return available >= 9 ? DevTime4ToCTime(value + 5, ms) : 0;
    case 203:
        return available >= 8 ? Cp56TimeToCTime(value + 1, ms) : 0;
    case 204:
        return available >= 12 ? Cp56TimeToCTime(value + 5, ms) : 0;
    default:
        return 0;
    }
}

CMessageDispatcher::CMessageDispatcher(CDeviceLink& link, CDevModel& model, IMonitorWindows& windows,
                                       ILinkHost& host)
    : link_(link), model_(model), windows_(windows), host_(host) {}

// The handler of each message code of a management body, with the caption its frames get (none for
// the reference-table answers, whose caption depends on their kind).
const CMessageDispatcher::MessageHandler* CMessageDispatcher::HandlerFor(std::uint8_t code) {
    using D = CMessageDispatcher;
    static const MessageHandler kHandlers[] = {
        {1, "通讯报文", &D::OnFrameMonitor},
        {2, "调试信息", &D::OnDebugText},
        {3, "字符串命令", &D::OnCommandAnswer},
        {4, "文件打开", &D::OnFileOpenReply},
        {6, "文件传输", &D::OnFileData},
        {8, "文件目录", &D::OnDirectory},
        {12, nullptr, &D::OnRefTable},
        {14, "口令验证", &D::OnLoginChallenge},
        {15, "口令应答", &D::OnLoginReply},
        {16, "规约信息", &D::OnProtocolText},
        {17, "端口信息", &D::OnPortInfo},
        {18, "远方命令", &D::OnRemoteCommands},
        {19, "历史事件", &D::OnHistoryEvents},
        {20, "人工置数", &D::OnManualSetReply},
        {21, "取消置数", &D::OnManualCancelReply},
        {22, "取消全部置数", &D::OnCancelAllReply},
        {25, "装置通讯状态", &D::OnDeviceStates},
        {26, "连接通讯状态", &D::OnLinkStates},
        {27, "波形记录", &D::OnWaveRecords},
        {28, "装置时钟", &D::OnBoardClock},
        {29, "监视装置信息", &D::OnDeviceInfo},
        {30, "监视端口信息", &D::OnPortDescriptions},
        {31, "日志", &D::OnLog},
        {32, "统计数据", &D::OnStatistics},
        {33, "装置版本号", &D::OnVersion},
        {34, "波形记录", &D::OnSourcedWaveRecords},
    };
    for (const MessageHandler& h : kHandlers)
        if (h.code == code)
            return &h;
    return nullptr;
}

void CMessageDispatcher::DispatchFrame(const std::uint8_t* body, std::size_t length, std::uint8_t board,
                                       std::string& caption) {
    const Reader r(body, length);
    if (r.Size() == 0)
        return;
    const MessageHandler* h = HandlerFor(r.U8(0));
    if (!h)
        return;
    if (h->caption)
        caption = h->caption;
    (this->*h->handle)(r, board, caption);
}

void CMessageDispatcher::OnDebugText(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 1, caption))
        return;
    if (IDebugWindow* w = windows_.FindDebug())
        w->AddText(DebugLevelColour(r.U8(1)), r.TextToEnd(2));
}

void CMessageDispatcher::OnCommandAnswer(const Reader& r, std::uint8_t, std::string&) {
    if (r.Size() > 1)
        if (ICommandWindow* w = windows_.FindCommand())
            w->ShowAnswer(r.TextToEnd(1));
}

void CMessageDispatcher::OnFileOpenReply(const Reader& r, std::uint8_t, std::string& caption) {
    const auto reply = unitlink::body::ReadFileOpenReply(r.At(0), r.Size());
    if (!reply) {
        MarkTruncated(caption);
        return;
    }
    if (ICatalogueWindow* w = windows_.FindCatalogue())
        w->OnOpenReply(reply->opened ? 1 : 0, reply->length, reply->fileId);
}

void CMessageDispatcher::OnFileData(const Reader& r, std::uint8_t, std::string& caption) {
    const auto data = unitlink::body::ReadFileData(r.At(0), r.Size());
    if (!data) {
        MarkTruncated(caption);
        return;
    }
    ICatalogueWindow* w = windows_.FindCatalogue();
    if (!w)
        return;
    const int direction = w->TransferDirection();
    if (direction == 0)
        w->OnChunkAnswer(data->fileId, data->flag, data->packet);
    else if (direction == 1)
        w->OnChunk(data->fileId, data->flag, data->packet, data->data, data->size);
}

void CMessageDispatcher::OnLoginChallenge(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 4, caption))
        return;
    link_.Timers().Stop(CDeviceLink::kLoginTimer);
    link_.SendRequest(CLoginAnswerMsg(link_.MakeLoginAnswer(r.At(1))));
    link_.Timers().Start(CDeviceLink::kLoginTimer, CDeviceLink::kLoginWaitMs);
}

void CMessageDispatcher::OnLoginReply(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 1, caption))
        return;
    link_.Timers().Stop(CDeviceLink::kLoginTimer);
    if (r.U8(1) != 0) {
        link_.SendRequest(CSimpleRequestMsg::PortInfo());
        link_.Timers().Start(CDeviceLink::kPortInfoTimer, CDeviceLink::kPortInfoWaitMs);
    } else {
        link_.Disconnect();
        host_.CloseNotice();
        host_.MessageLater("身份验证出错\n请尝试重新连接");
    }
}

void CMessageDispatcher::OnProtocolText(const Reader& r, std::uint8_t board, std::string& caption) {
    if (!r.Has(1, 2, caption))
        return;
    if (CPortRecord* port = model_.FindPort(board, r.U8(2), r.U8(1)))
        if (IProtocolWindow* w = windows_.FindProtocol(port->key))
            w->AddText(r.TextToEnd(3));
}

void CMessageDispatcher::OnCancelAllReply(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 1, caption))
        return;
    link_.Timers().Stop(CDeviceLink::kCancelAllTimer);
    if (r.U8(1) != 0)
        windows_.AllManualCancelled();
    else
        host_.MessageLater("取消置数失败。");
}

void CMessageDispatcher::OnBoardClock(const Reader& r, std::uint8_t board, std::string& caption) {
    if (!r.Has(1, 7, caption))
        return;
    if (IClockWindow* w = windows_.FindClock())
        w->BoardTime(board, r.At(1));
}

void CMessageDispatcher::OnVersion(const Reader& r, std::uint8_t, std::string&) {
    host_.MessageLater("通讯装置版本号 : " + r.Text(1, 128));
}

void CMessageDispatcher::OnFrameMonitor(const Reader& r, std::uint8_t board, std::string& caption) {
    if (!r.Has(1, 2, caption))
        return;
    const unsigned count = r.U16(1);
    std::size_t off = 3;
    for (unsigned i = 0; i < count; ++i) {
        if (!r.Has(off, 15, caption) || !r.Has(off + 15, r.U16(off + 13), caption))
            return;
        TraceItem item;
        item.transport = r.U8(off);
        const std::uint8_t portNo = r.U8(off + 1);
        item.deviceAddress = r.U16(off + 2);
        item.direction = r.U8(off + 4);
        item.deviceIp = r.U32(off + 5);
        item.destinationIp = r.U32(off + 9);
        const std::size_t n = r.U16(off + 13);
        const std::uint8_t* bytes = r.At(off + 15);
        off += 15 + n;

        CPortRecord* port = model_.FindPort(board, portNo, item.transport != 0 ? 1 : 0);
        if (!port)
            continue;
        // The texts are made only for a window that is open.
        auto fill = [&] {
            if (!item.headerText.empty())
                return;
            std::string header = FormatLocalTime(Now()) + " ";
            if (const CDeviceRecord* d = model_.FindDevice(item.deviceAddress))
                header += "装置:" + d->name + " ";
            header += platform::StrFormat("地址:%u ", item.deviceAddress);
            header += item.transport == 1 ? "UDP" : item.transport == 2 ? "TCP" : "";
            header += "\r\n";
            item.headerText = std::move(header);
            item.frameText = HexBytes(bytes, n);
        };
        if (ITraceWindow* w = windows_.FindTrace(0, 0, port->key)) {
            fill();
            w->AddFrame(item);
        }
        if (const CDeviceRecord* portDevice = port->FindDevice(item.deviceAddress))
            if (ITraceWindow* w = windows_.FindTrace(0, 1, portDevice->key)) {
                fill();
                w->AddFrame(item);
            }
    }
}

void CMessageDispatcher::OnDirectory(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 4, caption))
        return;
    ICatalogueWindow* w = windows_.FindCatalogue();
    const bool last = r.U8(2) == 0;
    const unsigned count = r.U16(3);
    std::size_t off = 5;
    for (unsigned i = 0; i < count; ++i) {
        if (!r.Has(off, 10, caption) || !r.Has(off + 10, r.U8(off + 9), caption))
            break;
        const std::size_t n = r.U8(off + 9);
        if (w)
            w->AddEntry(r.Text(off + 10, n), r.U8(off + 8), r.U32(off), r.U32(off + 4));
        off += 10 + n;
    }
    if (last && w)
        w->ShowEntries();
}

// A reference-table answer of an open table window.
} // namespace marindle
