#include "debugger/core/Iec103Handler.h"

#include "debugger/core/DeviceLink.h"
#include "debugger/core/DeviceRequests.h"
#include "debugger/core/ValueText.h"
#include "unitlink/BodyReader.h"

#include "platform/Gbk.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

#include <cstring>

namespace quorvex {

namespace {

constexpr std::uint8_t kAsduGeneric = 10;
constexpr std::uint8_t kVsq = 0x81;
constexpr std::uint8_t kFunGeneric = 254;
constexpr int kSettingsWaitMs = 10000;

struct DataSet {
    std::uint16_t gin = 0;
    std::uint8_t kod = 0, type = 0, size = 0, number = 0;
    const std::uint8_t* data = nullptr;
    std::size_t len = 0;
};

// One data set: GIN, KOD, data type, size, number, size x number data bytes (a bit string counts
// its size in bits, so it takes whole bytes for them).
bool ReadDataSet(CBodyReader& r, DataSet& d) {
    d.gin = r.U16();
    d.kod = r.U8();
    d.type = r.U8();
    d.size = r.U8();
    d.number = r.U8();
    const std::size_t unit = d.type == 2 ? (d.size + 7u) / 8u : d.size;
    d.len = unit * d.number;
    d.data = r.Bytes(d.len);
    return r.Ok();
}

std::string GbkText(const std::uint8_t* p, std::size_t n) {
    std::size_t len = 0;
    while (len < n && p[len] != 0)
        ++len;
    return platform::FromGbk(std::string_view(reinterpret_cast<const char*>(p), len));
}

void ShowError(CDeviceLink& link, const char* text) {
    link.ShowLater(text, "错误", platform::Icon::Error);
}

// Reads the values of an answer (kind of description 1) into the device's entries and shows each
// on the device's open data sheets through show; format writes the value's text.
template <class Format>
void ShowValues(CDeviceLink& link, CBodyReader& r, std::uint8_t ngd, std::uint16_t source,
                void (IDbSheet::*show)(const CDbEntry&), Format format) {
    std::vector<IDbSheet*> sheets;
    for (IDbSheet* s : link.Shell().DbSheets())
        if (s->DeviceAddress() == source)
            sheets.push_back(s);
    if (sheets.empty())
        return;
    std::vector<CDbEntry>& entries = link.Data().m_entries;
    const CKeyIndex<CDbEntry> index(entries, [source](const CDbEntry& e) { return e.m_address == source; });
    for (unsigned i = 0; i < (ngd & 0x3Fu); ++i) {
        DataSet d;
        if (!ReadDataSet(r, d) || d.kod != 1)
            return;
        for (std::size_t at : index.Find(source, d.gin)) {
            CDbEntry& e = entries[at];
            e.m_dataType = d.type;
            e.m_dataSize = d.size;
            e.m_number = d.number;
            format(d, e.m_value);
            for (IDbSheet* s : sheets)
                (s->*show)(e);
        }
    }
}

} // namespace

bool CIec103Handler::IsTeleCategory(const char* title) {
    static const char* const kWords[] = {"遥测", "遥信", "遥脉", "档位", "遥控", "遥调"};
    for (const char* w : kWords)
        if (std::strncmp(title, w, std::strlen(w)) == 0)
            return true;
    return false;
}

void CIec103Handler::Handle(const std::uint8_t* asdu, std::size_t length, std::uint8_t board,
                            std::uint16_t source) {
    if (length < 8 || asdu[0] != kAsduGeneric || asdu[1] != kVsq || asdu[4] != kFunGeneric)
        return;
    const std::uint8_t cot = asdu[2];
    const std::uint8_t inf = asdu[5];
    const std::uint8_t ngd = asdu[7];
    CBodyReader r(asdu, length, 8);
    if (cot == 1 && inf == 244) {
        Spontaneous(r, ngd, source);
    } else if (cot == 9 && inf == 245) {
        Interrogation(r, ngd, source);
    } else if (cot == 42 && inf == 240) {
        Headings(r, ngd, board, source);
    } else if (cot == 42 && inf == 241) {
        if (link_.GroupReadState(source) == CDeviceLink::kReadDescriptions)
            Descriptions(r, ngd, board, source);
        else if (link_.GroupReadState(source) == CDeviceLink::kReadValues)
            GroupValues(r, ngd, source);
    } else if (cot == 44 && inf == 249) {
        WriteConfirmation(r, ngd, board, source);
    } else if ((cot == 40 && inf == 250) || (cot == 41 && (inf == 249 || inf == 250))) {
        if (source != link_.SettingsWaitKey())
            return;
        IQuorvexShell& shell = link_.Shell();
        shell.StopTimer(kTimerSettings);
        for (IDbSheet* s : shell.DbSheets()) {
            if (s->DeviceAddress() != source)
                continue;
            if (cot == 40) {
                s->DownloadSucceeded();
            } else {
                ShowError(link_, "装置否定应答\n定值下装失败!");
                s->DownloadFailed();
            }
        }
        link_.SetSettingsWaitKey(0);
        return;
    } else {
        return;
    }
    if (!r.Ok())
        link_.DebugNote(
            platform::StrFormat("\nD报文长度有误(ASDU%u INF%u)\n", unsigned{asdu[0]}, unsigned{inf}));
}

void CIec103Handler::Spontaneous(CBodyReader& r, std::uint8_t ngd, std::uint16_t source) {
    DataSet d;
    if ((ngd & 0x7F) != 1 || !ReadDataSet(r, d))
        return;
    if (d.kod != 1 || (d.type != 18 && d.type != 19))
        return;
    const std::size_t at = d.type == 18 ? 1 : 5;
    if (d.len < at + 4) {
        link_.DebugNote("\nD报文长度有误(ASDU10 INF244)\n");
        return;
    }
    const std::uint8_t* v = d.data;
    const std::string action = DoublePointText(v[0] & 3);
    const unsigned ms = static_cast<unsigned>(v[at] | v[at + 1] << 8);
    CEventRecord ev;
    ev.m_name = "SOE";
    ev.m_address = source;
    ev.m_group = KeyGroup(d.gin);
    ev.m_entry = KeyEntry(d.gin);
    ev.m_action = action;
    ev.m_time = EventTimeText(v[at + 3] & 0x7Fu, v[at + 2] & 0x3Fu, ms);
    std::vector<CDbEntry>& entries = link_.Data().m_entries;
    for (IDbSheet* s : link_.Shell().DbSheets()) {
        if (s->DeviceAddress() != source)
            continue;
        for (CDbEntry& e : entries)
            if (e.m_address == source && e.m_key == d.gin) {
                e.m_value = action;
                s->ShowValue(e);
            }
        s->ShowEvent(ev);
        link_.Logs().SaveEventFile(ev, CLogFiles::kDeviceEvent);
    }
}

void CIec103Handler::Interrogation(CBodyReader& r, std::uint8_t ngd, std::uint16_t source) {
    ShowValues(link_, r, ngd, source, &IDbSheet::ShowValue, [](const DataSet& d, std::string& text) {
        ActualValueText(d.type, d.size, d.data, d.len, text);
    });
}

void CIec103Handler::Headings(CBodyReader& r, std::uint8_t ngd, std::uint8_t board, std::uint16_t source) {
    CGroupQueue& queue = link_.Data().m_groupQueues[source];
    for (unsigned i = 0; i < (ngd & 0x3Fu); ++i) {
        DataSet d;
        if (!ReadDataSet(r, d) || d.kod != 10 || d.type != 1 || !queue.Add(d.gin))
            return;
    }
    if (ngd & 0x80)
        return;
    if (!queue.IsEmpty()) {
        link_.SendMessage(requests::GroupRead(board, source, queue.First(), 10));
        link_.SetGroupReadState(source, CDeviceLink::kReadDescriptions);
    }
    queue.ResetIndex();
}

void CIec103Handler::Descriptions(CBodyReader& r, std::uint8_t ngd, std::uint8_t board,
                                  std::uint16_t source) {
    IQuorvexShell& shell = link_.Shell();
    std::vector<CDbEntry>& entries = link_.Data().m_entries;
    CKeyIndex<CDbEntry> index(entries, [source](const CDbEntry& e) { return e.m_address == source; });
    for (unsigned i = 0; i < (ngd & 0x3Fu); ++i) {
        DataSet d;
        if (!ReadDataSet(r, d) || d.kod != 10 || d.type > 1)
            return;
        const std::string text = d.type == 1 ? GbkText(d.data, d.len) : std::string();
        if (KeyEntry(d.gin) == 0) {
            for (IDbSheet* s : shell.DbSheets()) {
                if (s->DeviceAddress() != source)
                    continue;
                if (IsTeleCategory(text.c_str()))
                    s->AddDbGroup(KeyGroup(d.gin), text);
                else
                    s->AddSettingGroup(KeyGroup(d.gin), text);
            }
        } else if (index.Find(source, d.gin).empty()) {
            index.Add(source, d.gin, entries.size());
            CDbEntry e;
            e.m_address = source;
            e.m_key = d.gin;
            e.m_name = text;
            entries.push_back(std::move(e));
        }
    }
    if (ngd & 0x80)
        return;
    const std::uint16_t next = link_.Data().m_groupQueues[source].NextGroup();
    if (next < CGroupQueue::kNone) {
        link_.SendMessage(requests::GroupRead(board, source, next, 10));
    } else if (next == CGroupQueue::kEnd) {
        for (IDbSheet* s : shell.DbSheets()) {
            if (s->DeviceAddress() != source)
                continue;
            s->ActivatePage(0);
            s->FillLists();
            link_.SendMessage(requests::GeneralInterrogation(board, source));
        }
    }
}

void CIec103Handler::GroupValues(CBodyReader& r, std::uint8_t ngd, std::uint16_t source) {
    ShowValues(link_, r, ngd, source, &IDbSheet::ShowSettingValue, [](const DataSet& d, std::string& text) {
        GroupValueText(d.type, d.size, d.number, d.data, d.len, text);
    });
}

void CIec103Handler::WriteConfirmation(CBodyReader& r, std::uint8_t ngd, std::uint8_t board,
                                       std::uint16_t source) {
    if (source != link_.SettingsWaitKey())
        return;
    IQuorvexShell& shell = link_.Shell();
    shell.StopTimer(kTimerSettings);
    const unsigned count = ngd & 0x7Fu;
    std::vector<EchoItem> echo;
    bool complete = true;
    for (unsigned i = 0; i < count; ++i) {
        DataSet d;
        if (!ReadDataSet(r, d)) {
            complete = false;
            break;
        }
        echo.push_back({d.gin, d.type, d.size, d.number, EchoValue(d.type, d.size, d.data, d.len)});
    }
    for (IDbSheet* s : shell.DbSheets()) {
        if (s->DeviceAddress() != source)
            continue;
        if (static_cast<int>(count) != s->SentSettingsCount()) {
            ShowError(link_, "返校条目数有误\n定值下装失败!");
            s->DownloadFailed();
            link_.SetSettingsWaitKey(0);
            return;
        }
        // An echo cut short cannot be checked and so does not pass.
        if (!complete || !s->CompareEcho(echo)) {
            ShowError(link_, "校验未通过\n定值下装失败!");
            s->DownloadFailed();
            link_.SetSettingsWaitKey(0);
            return;
        }
        link_.SendMessage(requests::SettingsExecute(board, source));
    }
    shell.StartTimer(kTimerSettings, kSettingsWaitMs);
}

} // namespace quorvex
