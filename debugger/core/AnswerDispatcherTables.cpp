#include "debugger/core/AnswerDispatcher.h"

#include "debugger/core/AnswerFields.h"
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

using namespace answer;

namespace {

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

} // namespace quorvex
