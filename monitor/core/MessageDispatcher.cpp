#include "monitor/core/MessageDispatcher.h"

#include "monitor/core/DeviceLink.h"
#include "monitor/core/DevModel.h"
#include "monitor/core/DevTime.h"
#include "monitor/core/GenericValue.h"
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/MonitorTexts.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "unitlink/BodyReader.h"
#include "unitlink/RequestBodies.h"

#include <algorithm>
#include <cstring>

namespace marindle {

namespace {

void MarkTruncated(std::string& caption) {
    caption += kTruncatedMark;
}

} // namespace

// Bounded access to a body on the shared body reader: every read is checked by the caller with
// Has first; captions are marked where the body ends too soon.
class CMessageDispatcher::Reader {
public:
    Reader(const std::uint8_t* p, std::size_t n) : body_(p, p ? n : 0), p_(p), n_(p ? n : 0) {}
    std::size_t Size() const { return n_; }
    bool Has(std::size_t off, std::size_t n) const { return body_.Has(off, n); }
    // Has, marking the caption as truncated when the body ends first.
    bool Has(std::size_t off, std::size_t n, std::string& caption) const {
        if (Has(off, n))
            return true;
        MarkTruncated(caption);
        return false;
    }
    std::size_t Left(std::size_t off) const { return off <= n_ ? n_ - off : 0; }
    const std::uint8_t* At(std::size_t off) const { return p_ + off; }
    std::uint8_t U8(std::size_t off) const { return body_.U8At(off); }
    std::uint16_t U16(std::size_t off) const { return body_.U16At(off); }
    std::uint32_t U32(std::size_t off) const { return body_.U32At(off); }
    // A text of at most n bytes ending at its first zero byte (cut at the end of the body).
    std::string Text(std::size_t off, std::size_t n) const {
        n = std::min(n, Left(off));
        if (n == 0)
            return {};
        const void* zero = std::memchr(p_ + off, 0, n);
        const std::size_t len =
            zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - (p_ + off)) : n;
        return GbkFieldText(p_ + off, len);
    }
    std::string TextToEnd(std::size_t off) const { return Text(off, Left(off)); }

    // Walks count items from off, each a head of `head` bytes ending in a GDD, then the value it
    // describes; fn(off, gdd, value, vlen) returns false to stop. With kod >= 0 an item whose
    // byte 2 (the kind of description of an ASDU 10 item) differs ends the walk. Returns false
    // when the walk ended early: the body ended (caption marked), a kod differed or fn stopped.
    template <class Fn>
    bool ForEachValue(std::size_t off, unsigned count, std::size_t head, std::string& caption, Fn fn,
                      int kod = -1) const {
        for (unsigned i = 0; i < count; ++i) {
            if (!Has(off, head, caption))
                return false;
            if (kod >= 0 && U8(off + 2) != kod)
                return false;
            const Gdd gdd{U8(off + head - 3), U8(off + head - 2), U8(off + head - 1)};
            const std::size_t vlen = GenericValueLength(gdd.type, gdd.size, gdd.number);
            if (!Has(off + head, vlen, caption) || !fn(off, gdd, At(off + head), vlen))
                return false;
            off += head + vlen;
        }
        return true;
    }
    // The data items of an ASDU 10 answer, as ForEachValue.
    template <class Fn> bool ForEachAsduItem(std::string& caption, Fn fn, int kod = -1) const {
        return ForEachValue(8, U8(7) & 0x3F, 6, caption, fn, kod);
    }

private:
    unitlink::CBodyReader body_;
    const std::uint8_t* p_;
    std::size_t n_;
};

namespace {

std::string EntryLabel(std::uint16_t key) {
    return platform::StrFormat("组%u条目%u", KeyGroup(key), KeyEntry(key));
}

std::string DescriptionOf(const CDeviceRecord* device, std::uint16_t key) {
    const CEntryRecord* e = device ? device->FindEntry(key) : nullptr;
    return e && !e->description.empty() ? e->description : EntryLabel(key);
}

std::string HexBytes(const std::uint8_t* p, std::size_t n) {
    return CDeviceLink::HexText(p, n);
}

// Notes a device that a history answer part named (a part names one device, rarely a few).
void AddDeviceKey(std::vector<std::uint16_t>& keys, std::uint16_t key) {
    if (std::find(keys.begin(), keys.end(), key) == keys.end())
        keys.push_back(key);
}

} // namespace

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
struct CMessageDispatcher::RefTablePart {
    const Reader& r;
    IRefTableWindow& window;
    std::uint8_t board, portKind, portNo, tableNo;
    bool last;
    unsigned count;

    // Walks the entries: fn(address, key, gdd, value, bytes left from the value, value text)
    // returns false to end the message, and so does ForEach then. A body that ends early counts
    // as complete; only fn ends the message.
    template <class Fn> bool ForEach(std::string& caption, Fn fn) const {
        bool stopped = false;
        r.ForEachValue(10, count, 8, caption,
                       [&](std::size_t off, const Gdd& gdd, const std::uint8_t* value, std::size_t vlen) {
                           const std::string text =
                               FormatGenericValue(gdd.type, gdd.size, gdd.number, value, vlen, 3);
                           stopped = !fn(r.U16(off), r.U16(off + 2), gdd, value, r.Left(off + 8), text);
                           return !stopped;
                       });
        return !stopped;
    }
};

void CMessageDispatcher::OnRefTable(const Reader& r, std::uint8_t board, std::string& caption) {
    if (!r.Has(1, 9, caption))
        return;
    CPortRecord* port = model_.FindPort(board, r.U8(4), r.U8(3));
    CTableRecord* table = port ? port->FindTable(r.U8(5)) : nullptr;
    IRefTableWindow* w = table ? windows_.FindRefTable(table->key) : nullptr;
    if (!w)
        return;
    const RefTablePart part{r, *w, board, r.U8(3), r.U8(4), r.U8(5), r.U8(1) == 0, r.U16(8)};
    switch (r.U8(2)) {
    case 1:
        RefTableEvents(part, caption);
        break;
    case 2:
        RefTableValues(part, caption);
        break;
    case 3:
        RefTableRows(part, caption);
        break;
    default:
        break;
    }
}

void CMessageDispatcher::RefTableEvents(const RefTablePart& part, std::string& caption) {
    caption = "遥信事件(引用表)";
    part.ForEach(caption, [&](std::uint16_t address, std::uint16_t key, const Gdd& gdd,
                              const std::uint8_t* value, std::size_t available, const std::string& text) {
        CDeviceRecord* d = model_.FindDevice(address);
        std::string name;
        if (d) {
            name = d->name;
            if (CEntryRecord* e = d->FindEntry(key))
                e->actualValue = text;
        }
        std::uint16_t ms = 0;
        const std::time_t t = EventTimeOfValue(gdd.type, value, available, &ms);
        if (IWarnView* v = windows_.WarnView())
            v->AddEvent(0, t, ms, name, address, DescriptionOf(d, key), text);
        part.window.OneValue(address, key, text);
        return true;
    });
}

void CMessageDispatcher::RefTableValues(const RefTablePart& part, std::string& caption) {
    caption = "引用表监视 实际值";
    const bool complete =
        part.ForEach(caption, [&](std::uint16_t address, std::uint16_t key, const Gdd& gdd,
                                  const std::uint8_t*, std::size_t, const std::string& text) {
            CDeviceRecord* d = model_.FindDevice(address);
            if (!d)
                return false;
            if (CEntryRecord* e = d->FindEntry(key)) {
                e->dataType = gdd.type;
                e->dataSize = gdd.size;
                e->number = gdd.number;
                if (!e->editFlag)
                    e->actualValue = text;
            }
            return true;
        });
    if (complete && part.last)
        part.window.ValuesComplete();
}

void CMessageDispatcher::RefTableRows(const RefTablePart& part, std::string& caption) {
    caption = "引用表监视 描述";
    part.ForEach(caption, [&](std::uint16_t address, std::uint16_t key, const Gdd&, const std::uint8_t*,
                              std::size_t, const std::string& text) {
        part.window.AddRow(address, key, text);
        return true;
    });
    if (!part.last)
        return;
    part.window.RowsComplete();
    link_.SendRequest(CRefTableMonitorMsg(part.board, CRefTableMonitorMsg::kValues, part.portKind,
                                          part.portNo, part.tableNo, part.r.U16(6), part.r.U16(8)));
}

// The serial keys given to the ports, devices and tables of one port information, in its order.
struct CMessageDispatcher::PortSerials {
    std::uint16_t port = 0, device = 0, table = 0;
};

bool CMessageDispatcher::ReadPortList(const Reader& r, std::size_t& off, std::uint8_t board, int kind,
                                      PortSerials& serials) {
    if (!r.Has(off, 1))
        return false;
    const unsigned ports = r.U8(off++);
    for (unsigned p = 0; p < ports; ++p) {
        if (!r.Has(off, 12))
            return false;
        CPortRecord* port = model_.AddPort(board, r.U8(off), kind);
        if (!port)
            return false;
        port->name = r.Text(off + 1, 10);
        port->key = serials.port++;
        const unsigned devices = r.U8(off + 11);
        port->contentKind = devices != 0 ? 1 : 2;
        off += 12;
        for (unsigned d = 0; d < devices; ++d) {
            if (!r.Has(off, 2))
                return false;
            CDeviceRecord* device = port->AddDevice(r.U16(off));
            if (!device)
                return false;
            model_.SetDeviceKey(*device, serials.device++);
            off += 2;
        }
        if (!r.Has(off, 1))
            return false;
        const unsigned tables = r.U8(off++);
        for (unsigned t = 0; t < tables; ++t) {
            if (!r.Has(off, 12))
                return false;
            CTableRecord* table = port->AddTable(r.U8(off));
            if (!table)
                return false;
            table->type = r.U8(off + 1);
            table->name = r.Text(off + 2, 10);
            model_.SetTableKey(*table, serials.table++);
            off += 12;
        }
    }
    return true;
}

bool CMessageDispatcher::ReadBoards(const Reader& r) {
    if (!r.Has(1, 1))
        return false;
    PortSerials serials;
    const unsigned boards = r.U8(1);
    std::size_t off = 2;
    for (unsigned b = 0; b < boards; ++b) {
        if (!r.Has(off, 1))
            return false;
        const std::uint8_t board = r.U8(off++);
        if (!ReadPortList(r, off, board, CPortRecord::kSerial, serials) ||
            !ReadPortList(r, off, board, CPortRecord::kNetwork, serials))
            return false;
        model_.AddBoard(board);
    }
    return true;
}

void CMessageDispatcher::OnPortInfo(const Reader& r, std::uint8_t, std::string& caption) {
    link_.Timers().Stop(CDeviceLink::kPortInfoTimer);
    const bool whole = ReadBoards(r);
    host_.CloseNotice();
    // An answer that ends early or names an item twice would leave a model that differs from the
    // unit's: nothing of it is kept, the link is dropped and the user is told why.
    if (!whole) {
        MarkTruncated(caption);
        model_.Clear();
    }
    for (int mode : {1, 2})
        if (IStructureTree* t = windows_.Tree(mode))
            t->BuildTree();
    if (!whole) {
        link_.Disconnect();
        host_.MessageLater(kPortInfoIncomplete);
        return;
    }
    link_.Timers().Start(CDeviceLink::kKeepAliveTimer, CDeviceLink::kKeepAliveMs);
    link_.SendHeartbeat();
    link_.SendRequest(CCommStateQueryMsg(true, 0));
    link_.SendRequest(CCommStateQueryMsg(false, 0));
    link_.SendRequest(CSimpleRequestMsg::DeviceInfo());
}

void CMessageDispatcher::OnRemoteCommands(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 5, caption))
        return;
    const bool last = r.U8(1) == 0;
    const std::uint32_t count = r.U32(2);
    std::vector<std::uint16_t> devices;
    std::size_t off = 6;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!r.Has(off, 11, caption))
            break;
        const Gdd gdd{r.U8(off + 8), r.U8(off + 9), r.U8(off + 10)};
        const std::size_t vlen = GenericValueLength(gdd.type, gdd.size, gdd.number);
        const std::size_t timeAt = off + 11 + vlen;
        if (!r.Has(timeAt, 8, caption) || !r.Has(timeAt + 8, r.U8(timeAt + 7), caption))
            break;
        const std::uint8_t recBoard = r.U8(off), source = r.U8(off + 1), portNo = r.U8(off + 2);
        const std::uint8_t cmdType = r.U8(off + 3);
        const std::uint16_t address = r.U16(off + 4), key = r.U16(off + 6);
        const std::size_t selfLen = r.U8(timeAt + 7);
        CDeviceRecord* d = model_.FindDevice(address);
        if (d)
            AddDeviceKey(devices, d->key);
        IRemoteCmdWindow* w = d ? windows_.FindRemoteCmds(d->key) : nullptr;
        if (w) {
            std::string sourceText;
            if (const CPortRecord* p = model_.FindPort(recBoard, portNo, source))
                sourceText = platform::StrFormat("板卡%u", recBoard + 1u) + p->name;
            else
                sourceText = source == 3 ? "调试工具" : source == 4 ? "当地" : source == 5 ? "VQC" : "";
            const std::string value =
                FormatGenericValue(gdd.type, gdd.size, gdd.number, r.At(off + 11), vlen, 3);
            w->AddRecord(DescriptionOf(d, key), cmdType, sourceText, Cp56TimeToCTime(r.At(timeAt)), key,
                         value, r.Text(timeAt + 8, selfLen));
        }
        off = timeAt + 8 + selfLen;
    }
    if (last && (count == 0 || !devices.empty()))
        windows_.RemoteCmdListComplete(devices);
}

void CMessageDispatcher::OnHistoryEvents(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 3, caption))
        return;
    const bool last = r.U8(1) == 0;
    const unsigned count = r.U16(2);
    std::vector<std::uint16_t> devices;
    r.ForEachValue(4, count, 17, caption,
                   [&](std::size_t off, const Gdd& gdd, const std::uint8_t* value, std::size_t vlen) {
                       const std::uint16_t address = r.U16(off), key = r.U16(off + 2);
                       CDeviceRecord* d = model_.FindDevice(address);
                       if (d)
                           AddDeviceKey(devices, d->key);
                       if (IEventWindow* w = d ? windows_.FindEvents(d->key) : nullptr)
                           w->AddRecord(DescriptionOf(d, key), r.U8(off + 6), Cp56TimeToCTime(r.At(off + 7)),
                                        key,
                                        FormatGenericValue(gdd.type, gdd.size, gdd.number, value, vlen, 3));
                       return true;
                   });
    if (count == 0 || !devices.empty())
        windows_.HistoryListComplete(devices, last);
}

void CMessageDispatcher::OnManualSetReply(const Reader& r, std::uint8_t, std::string& caption) {
    ManualReply(r, true, caption);
}

void CMessageDispatcher::OnManualCancelReply(const Reader& r, std::uint8_t, std::string& caption) {
    ManualReply(r, false, caption);
}

void CMessageDispatcher::ManualReply(const Reader& r, bool set, std::string& caption) {
    if (!r.Has(1, 1, caption))
        return;
    std::vector<EntryRef> done;
    const unsigned count = r.U8(1);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t off = 2 + 6 * static_cast<std::size_t>(i);
        if (!r.Has(off, 6, caption))
            break;
        if (r.U8(off + 5) == 0)
            continue;
        const std::uint16_t address = r.U16(off), key = r.U16(off + 2);
        CDeviceRecord* d = model_.FindDevice(address);
        CEntryRecord* e = d ? d->FindEntry(key) : nullptr;
        if (!e)
            continue;
        if (set) {
            e->manualSet = 1;
            e->editFlag = 0;
        } else {
            e->manualSet = 0;
        }
        done.push_back({address, key});
    }
    if (done.empty())
        return;
    if (set)
        windows_.ManualSetDone(done);
    else
        windows_.ManualSetCancelled(done);
}

void CMessageDispatcher::OnDeviceStates(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 4, caption))
        return;
    const bool last = r.U8(1) == 0;
    const unsigned count = r.U16(3);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t off = 5 + 3 * static_cast<std::size_t>(i);
        if (!r.Has(off, 3, caption))
            break;
        CDeviceRecord* d = model_.FindDevice(r.U16(off));
        if (!d)
            continue;
        const std::uint8_t state = r.U8(off + 2);
        d->commState = state;
        d->stateKnown = 1;
        const int communicating = IsPointOn(state, 1, 1) || IsPointOn(state, 1, 2) ? 1 : 0;
        if (communicating == d->communicating)
            continue;
        d->communicating = communicating;
        if (IStructureTree* t = windows_.Tree(1))
            t->SetNodeState(true, d->key, communicating != 0);
        if (IWarnView* v = windows_.WarnView())
            v->AddEvent(2, Now(), 0, d->name, 0, "", communicating ? "通" : "断");
        if (communicating)
            link_.RequestGroupTitles(*d);
    }
    if (last)
        if (ICommStateWindow* w = windows_.FindCommState())
            w->UpdateStates(1);
}

void CMessageDispatcher::OnLinkStates(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 3, caption))
        return;
    const bool last = r.U8(1) == 0;
    const unsigned count = r.U8(3);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t off = 4 + 4 * static_cast<std::size_t>(i);
        if (!r.Has(off, 4, caption))
            break;
        CPortRecord* p = model_.FindPort(r.U8(off), r.U8(off + 2), r.U8(off + 1));
        if (!p)
            continue;
        const std::uint8_t state = r.U8(off + 3);
        p->commState = state;
        p->stateKnown = 1;
        const int up = IsPointOn(state, 0, 0) ? 1 : 0;
        if (up == p->up)
            continue;
        p->up = up;
        for (int mode : {1, 2})
            if (IStructureTree* t = windows_.Tree(mode))
                t->SetNodeState(false, p->key, up != 0);
        if (IWarnView* v = windows_.WarnView())
            v->AddEvent(2, Now(), 0, p->name, 0, "", up ? "通" : "断");
    }
    if (last)
        if (ICommStateWindow* w = windows_.FindCommState())
            w->UpdateStates(0);
}

void CMessageDispatcher::OnWaveRecords(const Reader& r, std::uint8_t, std::string& caption) {
    WaveRecords(r, false, caption);
}

void CMessageDispatcher::OnSourcedWaveRecords(const Reader& r, std::uint8_t, std::string& caption) {
    WaveRecords(r, true, caption);
}

void CMessageDispatcher::WaveRecords(const Reader& r, bool withSource, std::string& caption) {
    if (!r.Has(1, 3, caption))
        return;
    const bool last = r.U8(1) == 0;
    const unsigned count = r.U16(2);
    std::vector<std::uint16_t> devices;
    std::size_t off = 4;
    for (unsigned i = 0; i < count; ++i) {
        if (!r.Has(off, 12, caption) || !r.Has(off + 12, r.U8(off + 11), caption))
            break;
        const std::size_t n = r.U8(off + 11);
        std::size_t next = off + 12 + n;
        std::string source;
        if (withSource) {
            if (!r.Has(next, 1, caption) || !r.Has(next + 1, r.U8(next), caption))
                break;
            source = r.Text(next + 1, r.U8(next));
            next += 1 + r.U8(next);
        }
        CDeviceRecord* d = model_.FindDevice(r.U16(off));
        if (d)
            AddDeviceKey(devices, d->key);
        if (IWaveWindow* w = d ? windows_.FindWave(d->key) : nullptr)
            w->AddRecord(r.Text(off + 12, n), source, Cp56TimeToCTime(r.At(off + 4)), r.U16(off + 2));
        off = next;
    }
    if (last && (count == 0 || !devices.empty()))
        windows_.WaveListComplete(devices);
}

void CMessageDispatcher::OnDeviceInfo(const Reader& r, std::uint8_t, std::string& caption) {
    const unsigned count = r.Has(2, 1) ? r.U8(2) : 0;
    if (!r.Has(2, 1))
        MarkTruncated(caption);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t off = 3 + 82 * static_cast<std::size_t>(i);
        if (!r.Has(off, 82, caption))
            break;
        if (CDeviceRecord* d = model_.FindDevice(r.U16(off))) {
            d->description = r.Text(off + 2, 40);
            d->name = r.Text(off + 42, 40);
        }
    }
    link_.SendRequest(CSimpleRequestMsg::PortDescriptions());
}

void CMessageDispatcher::OnPortDescriptions(const Reader& r, std::uint8_t, std::string& caption) {
    const unsigned count = r.Has(2, 1) ? r.U8(2) : 0;
    if (!r.Has(2, 1))
        MarkTruncated(caption);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t off = 3 + 43 * static_cast<std::size_t>(i);
        if (!r.Has(off, 43, caption))
            break;
        if (CPortRecord* p = model_.FindPort(r.U8(off), r.U8(off + 2), r.U8(off + 1)))
            p->description = r.Text(off + 3, 40);
    }
    for (int mode : {1, 2})
        if (IStructureTree* t = windows_.Tree(mode))
            t->RefreshNodeTexts();
}

void CMessageDispatcher::OnLog(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 2, caption))
        return;
    const unsigned count = r.U16(1);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t off = 3 + 10 * static_cast<std::size_t>(i);
        if (!r.Has(off, 10, caption))
            break;
        const std::uint16_t address = r.U16(off + 1);
        ILogWindow* w = nullptr;
        if (address == 0)
            w = windows_.FindLog(0, 0);
        else if (const CDeviceRecord* d = model_.FindDevice(address))
            w = windows_.FindLog(1, d->key);
        if (w)
            w->AddLogEntry(r.U8(off), Cp56TimeToCTime(r.At(off + 3)));
    }
}

void CMessageDispatcher::OnStatistics(const Reader& r, std::uint8_t, std::string& caption) {
    if (!r.Has(1, 47, caption))
        return;
    const bool last = r.U8(1) == 0;
    const unsigned count = r.U16(2);
    const CDeviceRecord* d = model_.FindDevice(r.U16(4));
    IStatWindow* w = d ? windows_.FindStat(d->key) : nullptr;
    if (!w)
        return;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t off = 48 + 25 * static_cast<std::size_t>(i);
        if (!r.Has(off, 25, caption))
            break;
        float value;
        std::memcpy(&value, r.At(off), 4);
        w->SampleArrived(value, Cp56TimeToCTime(r.At(off + 4)), Cp56TimeToCTime(r.At(off + 11)),
                         Cp56TimeToCTime(r.At(off + 18)));
    }
    w->EntryData(r.U16(6), r.Text(8, 32), last);
}

// A generic-service answer of a known device, with the windows it may concern.
struct CMessageDispatcher::AsduContext {
    CDeviceRecord& d;
    const Reader& r;
    std::uint8_t inf;
    ITelecontrolWindow* tele;
    ISettingsWindow* settings;
    bool telecontrol; // a telecontrol of the device waits (else a settings download)
};

void CMessageDispatcher::OnAsduFrame(const std::uint8_t* body, std::size_t length, std::uint16_t source,
                                     std::string& caption) {
    const Reader r(body, length);
    if (r.Size() == 0)
        return;
    CDeviceRecord* d = model_.FindDevice(source);
    if (!d || !r.Has(0, 8))
        return;
    if (r.U8(0) != 10 || r.U8(1) != 0x81 || r.U8(4) != 254)
        return;
    const AsduContext a{
        *d, r, r.U8(5), windows_.FindTelecontrol(d->key), windows_.FindSettings(d->key), d->writeState == 1};
    switch (const std::uint8_t cot = r.U8(2)) {
    case 1:
        OnSpontaneousValues(a, caption);
        break;
    case 9:
        OnInterrogationValues(a, caption);
        break;
    case 40:
    case 41:
    case 44:
        OnWriteReply(a, cot, caption);
        break;
    case 42:
        if (a.inf == 240)
            OnGroupTitles(a, caption);
        else if (a.inf == 241)
            OnGenericRead(*d, r, caption);
        break;
    case 43:
        OnReadRefused(a, caption);
        break;
    default:
        break;
    }
}

void CMessageDispatcher::OnSpontaneousValues(const AsduContext& a, std::string& caption) {
    if (a.inf != 244)
        return;
    caption = "遥信事件";
    const Reader& r = a.r;
    r.ForEachAsduItem(
        caption, [&](std::size_t off, const Gdd& gdd, const std::uint8_t* value, std::size_t vlen) {
            const std::uint16_t gin = r.U16(off);
            const std::string text = FormatGenericValue(gdd.type, gdd.size, gdd.number, value, vlen, 3);
            if (CEntryRecord* e = a.d.FindEntry(gin))
                e->actualValue = text;
            std::uint16_t ms = 0;
            const std::time_t t = EventTimeOfValue(gdd.type, value, r.Left(off + 6), &ms);
            if (IWarnView* v = windows_.WarnView())
                v->AddEvent(0, t, ms, a.d.name, a.d.address, DescriptionOf(&a.d, gin), text);
            if (a.tele)
                a.tele->OneValueArrived(gin, text);
            return true;
        });
}

void CMessageDispatcher::OnInterrogationValues(const AsduContext& a, std::string& caption) {
    if (a.inf != 245)
        return;
    caption = "总查询返回";
    const Reader& r = a.r;
    r.ForEachAsduItem(
        caption, [&](std::size_t off, const Gdd& gdd, const std::uint8_t* value, std::size_t vlen) {
            if (CEntryRecord* e = a.d.FindEntry(r.U16(off))) {
                e->dataType = gdd.type;
                e->dataSize = gdd.size;
                e->number = gdd.number;
                if (!e->editFlag)
                    e->actualValue = FormatGenericValue(gdd.type, gdd.size, gdd.number, value, vlen, 3);
            }
            return true;
        });
    if (a.tele)
        a.tele->GroupValuesArrived();
}

// 40 positive, 41 negative write answers, 44 the confirmation of a first write step: to the
// waiting telecontrol, else to the settings download.
void CMessageDispatcher::OnWriteReply(const AsduContext& a, std::uint8_t cot, std::string& caption) {
    const std::uint8_t inf = a.inf;
    if (cot == 40) {
        if (inf != 250 && inf != 251)
            return;
        caption = inf == 250 ? "执行写肯定" : "撤销写肯定";
        if (a.telecontrol) {
            if (a.tele)
                a.tele->TelecontrolAck(inf == 250 ? 1 : 2, 1);
        } else if (inf == 250 && a.settings) {
            a.settings->WriteAck(0, 1);
        }
    } else if (cot == 41) {
        if (inf != 249 && inf != 250 && inf != 251)
            return;
        caption = inf == 249 ? "确认写否定" : inf == 250 ? "执行写否定" : "撤销写否定";
        if (a.telecontrol) {
            if (a.tele)
                a.tele->TelecontrolAck(inf - 249, 0);
        } else if (a.settings && inf != 251) {
            a.settings->WriteAck(inf == 249 ? 1 : 0, 0);
        }
    } else {
        if (inf != 249)
            return;
        caption = "写确认";
        if (a.telecontrol) {
            if (a.tele)
                a.tele->TelecontrolAck(0, 1);
        } else if (a.settings) {
            a.settings->WriteAck(1, 1);
        }
    }
}

void CMessageDispatcher::OnGroupTitles(const AsduContext& a, std::string& caption) {
    caption = "组标题";
    const Reader& r = a.r;
    const bool all = r.ForEachAsduItem(
        caption,
        [&](std::size_t off, const Gdd& gdd, const std::uint8_t*, std::size_t) {
            if (CGroupRecord* g = a.d.AddGroup(KeyGroup(r.U16(off)))) {
                g->title = r.Text(off + 6, static_cast<std::size_t>(gdd.size) * gdd.number);
                g->kind = GroupKindFromTitle(g->title);
            }
            return true;
        },
        10);
    if (all && !(r.U8(7) & 0x80))
        DescriptionsStep(a.d);
}

// The device has no dimensions or ranges for the group asked: it counts as read.
void CMessageDispatcher::OnReadRefused(const AsduContext& a, std::string& caption) {
    CDeviceRecord& d = a.d;
    if (a.inf != 241 || (d.readState != CDeviceRecord::kDimensions && d.readState != CDeviceRecord::kRanges))
        return;
    const bool dims = d.readState == CDeviceRecord::kDimensions;
    caption = dims ? "量纲无效" : "量程无效";
    if (a.r.Has(8, 2))
        if (CGroupRecord* g = d.FindGroup(KeyGroup(a.r.U16(8))))
            (dims ? g->hasDimensions : g->hasRanges) = 1;
}

namespace {
// The caption and the kind of description of the answer a read step waits for; false when no
// read waits.
bool ReadStepKind(int readState, std::string& caption, std::uint8_t& kod) {
    switch (readState) {
    case CDeviceRecord::kDescriptions:
        caption = "描述";
        kod = 10;
        return true;
    case CDeviceRecord::kDimensions:
        caption = "量纲";
        kod = 9;
        return true;
    case CDeviceRecord::kPrecision:
        caption = "精度";
        kod = 5;
        return true;
    case CDeviceRecord::kRanges:
        caption = "量程";
        kod = 3;
        return true;
    case CDeviceRecord::kValues:
        caption = "实际值";
        kod = 1;
        return true;
    default:
        return false;
    }
}
} // namespace

void CMessageDispatcher::OnGenericRead(CDeviceRecord& d, const Reader& r, std::string& caption) {
    std::uint8_t kod = 0;
    if (!ReadStepKind(d.readState, caption, kod))
        return;
    const bool more = (r.U8(7) & 0x80) != 0;
    int lastGroup = d.askedGroup;
    const bool all = r.ForEachAsduItem(
        caption,
        [&](std::size_t off, const Gdd& gdd, const std::uint8_t* value, std::size_t vlen) {
            StoreReadItem(d, r.U16(off), value, vlen, gdd.type, gdd.size, gdd.number, lastGroup);
            return true;
        },
        kod);
    if (all && !more)
        FinishRead(d, lastGroup);
}

void CMessageDispatcher::StoreReadItem(CDeviceRecord& d, std::uint16_t gin, const std::uint8_t* value,
                                       std::size_t vlen, std::uint8_t type, std::uint8_t size,
                                       std::uint8_t number, int& lastGroup) {
    CGroupRecord* g = d.FindGroup(KeyGroup(gin));
    const bool entryNo = KeyEntry(gin) != 0;
    CEntryRecord* e = g && entryNo ? g->FindEntry(gin) : nullptr;
    auto whole = [&](int decimals) { return FormatGenericValue(type, size, number, value, vlen, decimals); };
    // One element of the value, formatted on its own.
    auto element = [&](std::size_t k) {
        const std::size_t at = k * size;
        return at + size <= vlen ? FormatGenericValue(type, size, 1, value + at, size, 3) : std::string();
    };
    switch (d.readState) {
    case CDeviceRecord::kDescriptions:
        if (!g)
            break;
        g->hasDescriptions = 1;
        if (entryNo && !e)
            if (CEntryRecord* n = g->AddEntry(gin)) {
                n->address = d.address;
                n->description = whole(3);
            }
        break;
    case CDeviceRecord::kDimensions:
        if (g)
            g->hasDimensions = 1;
        if (e)
            e->dimension = whole(3);
        break;
    case CDeviceRecord::kPrecision:
        if (g)
            g->hasPrecision = 1;
        if (e) {
            e->precision1 = element(0);
            e->precision2 = element(1);
        }
        break;
    case CDeviceRecord::kRanges:
        if (g)
            g->hasRanges = 1;
        if (e) {
            e->rangeMin = element(0);
            e->rangeMax = element(1);
            e->rangeStep = element(2);
        }
        break;
    case CDeviceRecord::kValues:
        if (CEntryRecord* v = d.FindEntry(gin)) {
            v->dataType = type;
            v->dataSize = size;
            v->number = number;
            if (!v->editFlag)
                v->actualValue = whole(v->precision2.empty() ? 3 : platform::AtoI(v->precision2));
        }
        lastGroup = KeyGroup(gin);
        break;
    default:
        break;
    }
}

void CMessageDispatcher::FinishRead(CDeviceRecord& d, int lastGroup) {
    // The group asked for counts as read even when the answer named no entry of it, so that an
    // empty group does not make the same request go out for ever.
    CGroupRecord* asked = d.askedGroup >= 0 ? d.FindGroup(static_cast<std::uint8_t>(d.askedGroup)) : nullptr;
    switch (d.readState) {
    case CDeviceRecord::kDescriptions:
        if (asked)
            asked->hasDescriptions = 1;
        DescriptionsStep(d);
        break;
    case CDeviceRecord::kDimensions:
        if (asked)
            asked->hasDimensions = 1;
        DimensionsStep(d);
        break;
    case CDeviceRecord::kPrecision:
        if (asked)
            asked->hasPrecision = 1;
        PrecisionStep(d);
        break;
    case CDeviceRecord::kRanges:
        if (asked)
            asked->hasRanges = 1;
        RangesStep(d);
        break;
    case CDeviceRecord::kValues:
        if (ISettingsWindow* w = windows_.FindSettings(d.key))
            w->GroupValuesArrived(static_cast<std::uint8_t>(lastGroup < 0 ? 0 : lastGroup));
        d.readState = CDeviceRecord::kIdle;
        break;
    default:
        break;
    }
}

void CMessageDispatcher::DescriptionsStep(CDeviceRecord& d) {
    if (d.structureComplete)
        return;
    for (const auto& g : d.Groups())
        if (!g->hasDescriptions) {
            link_.RequestGroupRead(d, g->number, 10, CDeviceRecord::kDescriptions);
            return;
        }
    d.structureComplete = 1;
    d.readState = CDeviceRecord::kIdle;
    DimensionsStep(d);
}

namespace {
// The groups whose dimensions, precision and ranges are read: setting-type and statistics groups.
bool HasUnits(const CGroupRecord& g) {
    return g.kind == 2 || g.kind == 3;
}

// Asks for the first group with units that lacks the given part; false when none lacks it.
bool RequestMissingUnits(CDeviceLink& link, CDeviceRecord& d, int CGroupRecord::*has, std::uint8_t kod,
                         int readState) {
    for (const auto& g : d.Groups())
        if (HasUnits(*g) && !((*g).*has)) {
            link.RequestGroupRead(d, g->number, kod, readState);
            return true;
        }
    return false;
}
} // namespace

void CMessageDispatcher::DimensionsStep(CDeviceRecord& d) {
    if (!d.structureComplete ||
        RequestMissingUnits(link_, d, &CGroupRecord::hasDimensions, 9, CDeviceRecord::kDimensions))
        return;
    PrecisionStep(d);
}

void CMessageDispatcher::PrecisionStep(CDeviceRecord& d) {
    if (!d.structureComplete ||
        RequestMissingUnits(link_, d, &CGroupRecord::hasPrecision, 5, CDeviceRecord::kPrecision))
        return;
    RangesStep(d);
}

void CMessageDispatcher::RangesStep(CDeviceRecord& d) {
    if (!d.structureComplete ||
        RequestMissingUnits(link_, d, &CGroupRecord::hasRanges, 3, CDeviceRecord::kRanges))
        return;
    d.readState = CDeviceRecord::kIdle;
    d.askedGroup = -1;
}

int CMessageDispatcher::ReinitialiseDevice(CDeviceRecord& d) {
    if (!d.communicating) {
        platform::MessageBox(text::kDeviceNotConnected);
        return 0;
    }
    d.ClearGroups();
    d.structureComplete = 0;
    d.readState = CDeviceRecord::kIdle;
    d.askedGroup = -1;
    return link_.RequestGroupTitles(d);
}

int CMessageDispatcher::RestartReading(CDeviceRecord& d) {
    if (d.structureComplete)
        return 0;
    return link_.RequestGroupTitles(d);
}

int CMessageDispatcher::SignalReset(CDeviceRecord& d) {
    if (!d.communicating) {
        platform::MessageBox(text::kDeviceNotConnected);
        return 0;
    }
    return link_.SendSignalReset(d);
}

} // namespace marindle
