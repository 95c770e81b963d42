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

namespace {

constexpr int kLoginWaitMs = 6000;
constexpr int kHeartbeatMs = 10000;
constexpr int kSupervisionMs = 30000;

} // namespace

using namespace answer;

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
