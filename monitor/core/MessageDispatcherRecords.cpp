// The message dispatcher's handlers of the unit's records: reference tables, port information,
// remote commands, history, manual setting, device and link states, wave records, device and
// port descriptions, logs and statistics.
#include "monitor/core/MessageDispatcher.h"

#include "monitor/core/DevTime.h"
#include "monitor/core/DispatcherReader.h"
#include "monitor/core/MonitorWindows.h"

#include "platform/Prompt.h"
#include "unitlink/RequestBodies.h"

namespace marindle {

using namespace dispatch;

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
} // namespace marindle
