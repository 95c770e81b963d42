#pragma once
// Shared pieces of the monitor core tests: an in-memory transport, a host and a window directory
// that record what they are told, and frames as the unit writes them (built by hand here).
#include "monitor/core/DeviceLink.h"
#include "monitor/core/DevModel.h"
#include "monitor/core/MessageDispatcher.h"
#include "monitor/core/MonitorWindows.h"
#include "tests/support/MemoryTransport.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace montest {

using namespace marindle;
using Bytes = std::vector<std::uint8_t>;

using testsupport::Le;
using testsupport::MemoryTransport;
inline std::uint16_t U16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
inline Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// Bytes of a GBK-free text (ASCII) or of a UTF-8 text converted to GBK, padded with zeros to n.
Bytes Text(const std::string& utf8, std::size_t n = 0);

// A frame as the unit sends it: marks, L, direction word 43, source address at 10, board at 26,
// byte 27 = 0x80 | kind, then the body.
Bytes UnitFrame(int kind, const Bytes& body, std::uint8_t board = 0, std::uint16_t source = 0);
inline Bytes Dsdu(const Bytes& body, std::uint8_t board = 0) {
    return UnitFrame(1, body, board);
}
inline Bytes Asdu(std::uint16_t source, const Bytes& body) {
    return UnitFrame(0, body, 0, source);
}

// The body of a sent frame (from offset 28).
inline Bytes BodyOf(const Bytes& frame) {
    return Bytes(frame.begin() + 28, frame.end());
}

struct Event {
    int kind;
    std::time_t time;
    std::uint16_t ms;
    std::string name;
    std::uint16_t address;
    std::string description;
    std::string state;
};

// Records every call the link and the dispatcher make on the windows; a window kind answers only
// while it is "open" (listed in the open sets).
class RecordingWindows : public IMonitorWindows,
                         public ITraceWindow,
                         public IDebugWindow,
                         public IProtocolWindow,
                         public ICommandWindow,
                         public ICatalogueWindow,
                         public IEventWindow,
                         public IRemoteCmdWindow,
                         public IWaveWindow,
                         public ILogWindow,
                         public ICommStateWindow,
                         public IRefTableWindow,
                         public ITelecontrolWindow,
                         public ISettingsWindow,
                         public IStatWindow,
                         public IClockWindow,
                         public IWarnView,
                         public IStructureTree {
public:
    // Which windows are open: "trace:main", "trace:port:<key>", "trace:dev:<key>", "debug",
    // "proto:<key>", "cmd", "cata", "comm", "log:<flag>:<key>", "tele:<key>", "set:<key>",
    // "wave:<key>", "tab:<key>", "evt:<key>", "rmt:<key>", "stat:<key>", "clock", "warn", "tree".
    std::map<std::string, bool> open;
    bool IsOpen(const std::string& k) const { return open.count(k) && open.at(k); }
    int catalogueDirection = 0;

    // Every call as one text line, in order.
    std::vector<std::string> calls;
    std::vector<TraceItem> frames; // AddFrame, with "main"/"port"/"dev" in traceTargets
    std::vector<std::string> traceTargets;
    std::vector<Event> events;
    std::string lastTrace;

    ITraceWindow* FindTrace(int mainFlag, int deviceFlag, std::uint16_t key) override;
    IDebugWindow* FindDebug() override { return IsOpen("debug") ? this : nullptr; }
    IProtocolWindow* FindProtocol(std::uint16_t key) override { return Open("proto", key) ? this : nullptr; }
    ICommandWindow* FindCommand() override { return IsOpen("cmd") ? this : nullptr; }
    ICatalogueWindow* FindCatalogue() override { return IsOpen("cata") ? this : nullptr; }
    ICommStateWindow* FindCommState() override { return IsOpen("comm") ? this : nullptr; }
    ILogWindow* FindLog(int flag, std::uint16_t key) override {
        return IsOpen("log:" + std::to_string(flag) + ":" + std::to_string(key)) ? this : nullptr;
    }
    ITelecontrolWindow* FindTelecontrol(std::uint16_t key) override {
        return Open("tele", key) ? this : nullptr;
    }
    ISettingsWindow* FindSettings(std::uint16_t key) override { return Open("set", key) ? this : nullptr; }
    IWaveWindow* FindWave(std::uint16_t key) override { return Open("wave", key) ? this : nullptr; }
    IRefTableWindow* FindRefTable(std::uint16_t key) override { return Open("tab", key) ? this : nullptr; }
    IEventWindow* FindEvents(std::uint16_t key) override { return Open("evt", key) ? this : nullptr; }
    IRemoteCmdWindow* FindRemoteCmds(std::uint16_t key) override { return Open("rmt", key) ? this : nullptr; }
    IStatWindow* FindStat(std::uint16_t key) override { return Open("stat", key) ? this : nullptr; }
    IClockWindow* FindClock() override { return IsOpen("clock") ? this : nullptr; }
    IWarnView* WarnView() override { return IsOpen("warn") ? this : nullptr; }
    IStructureTree* Tree(int mode) override;

    // Recorded as "<name>:<keys>" with the device keys joined by ",".
    static std::string Keys(const std::vector<std::uint16_t>& keys) {
        std::string text;
        for (std::uint16_t k : keys)
            text += (text.empty() ? "" : ",") + std::to_string(k);
        return text;
    }
    void HistoryListComplete(const std::vector<std::uint16_t>& keys, bool last) override {
        calls.push_back(std::string("HistoryComplete:") + (last ? "1" : "0") + ":" + Keys(keys));
    }
    void RemoteCmdListComplete(const std::vector<std::uint16_t>& keys) override {
        calls.push_back("RemoteCmdComplete:" + Keys(keys));
    }
    void WaveListComplete(const std::vector<std::uint16_t>& keys) override {
        calls.push_back("WaveComplete:" + Keys(keys));
    }
    void ManualSetDone(const std::vector<EntryRef>& e) override;
    void ManualSetCancelled(const std::vector<EntryRef>& e) override;
    void AllManualCancelled() override { calls.push_back("AllManualCancelled"); }

    void AddFrame(const TraceItem& item) override;
    void AddText(std::uint32_t colour, const std::string& text) override;
    void AddText(const std::string& text) override { calls.push_back("ProtoText:" + text); }
    void ShowAnswer(const std::string& text) override { calls.push_back("Answer:" + text); }
    int TransferDirection() const override { return catalogueDirection; }
    void OnOpenReply(std::uint8_t ok, std::uint32_t length, std::uint32_t id) override;
    void OnChunk(std::uint32_t id, std::uint8_t more, std::uint16_t no, const std::uint8_t* data,
                 std::size_t n) override;
    void OnChunkAnswer(std::uint32_t id, std::uint8_t ok, std::uint16_t no) override;
    void AddEntry(const std::string& name, std::uint8_t type, std::uint32_t size,
                  std::uint32_t time) override;
    void ShowEntries() override { calls.push_back("ShowEntries"); }
    void AddRecord(const std::string& d, int type, std::time_t t, std::uint16_t key,
                   const std::string& v) override;
    void AddRecord(const std::string& d, int type, const std::string& src, std::time_t t, std::uint16_t key,
                   const std::string& v, const std::string& self) override;
    void AddRecord(const std::string& file, const std::string& src, std::time_t t,
                   std::uint16_t nof) override;
    void AddLogEntry(std::uint8_t code, std::time_t t) override;
    void UpdateStates(int flag) override { calls.push_back("UpdateStates:" + std::to_string(flag)); }
    void AddRow(std::uint16_t dev, std::uint16_t key, const std::string& text) override;
    void RowsComplete() override { calls.push_back("RowsComplete"); }
    void ValuesComplete() override { calls.push_back("ValuesComplete"); }
    void OneValue(std::uint16_t dev, std::uint16_t key, const std::string& text) override;
    void OneValueArrived(std::uint16_t key, const std::string& text) override;
    void GroupValuesArrived() override { calls.push_back("TeleGroupValues"); }
    void TelecontrolAck(int action, int result) override;
    void GroupValuesArrived(std::uint8_t group) override {
        calls.push_back("SetGroupValues:" + std::to_string(group));
    }
    void WriteAck(int step, int result) override;
    void SampleArrived(float v, std::time_t t1, std::time_t t2, std::time_t t3) override;
    void EntryData(std::uint16_t id, const std::string& name, bool last) override;
    void BoardTime(std::uint8_t board, const std::uint8_t* stamp) override;
    void AddEvent(int kind, std::time_t time, std::uint16_t ms, const std::string& name,
                  std::uint16_t address, const std::string& description, const std::string& state) override;
    void BuildTree() override { calls.push_back("BuildTree:" + std::to_string(treeMode_)); }
    void RefreshNodeTexts() override { calls.push_back("RefreshNodeTexts:" + std::to_string(treeMode_)); }
    void SetNodeState(bool isDevice, std::uint16_t key, bool ok) override;

    bool Has(const std::string& call) const;
    int Count(const std::string& prefix) const;

private:
    bool Open(const std::string& kind, std::uint16_t key) const {
        return IsOpen(kind + ":" + std::to_string(key));
    }
    int treeMode_ = 0;
};

class RecordingHost : public ILinkHost {
public:
    void ShowNotice(const std::string& text) override { calls.push_back("Notice:" + text); }
    void CloseNotice() override { calls.push_back("CloseNotice"); }
    void LinkDown() override { calls.push_back("LinkDown"); }
    void Reconnect() override {
        calls.push_back("Reconnect");
        if (link) {
            link->Disconnect();
            link->Connect();
        }
    }
    // Queued calls wait until the test runs them, as they would wait for the event loop.
    void Post(std::function<void()> call) override {
        calls.push_back("Post");
        posted.push_back(std::move(call));
    }
    // Runs the queued calls (and those they queue) in order; how many ran.
    int RunPosted() {
        int ran = 0;
        while (!posted.empty()) {
            auto call = std::move(posted.front());
            posted.erase(posted.begin());
            call();
            ++ran;
        }
        return ran;
    }
    marindle::CDeviceLink* link = nullptr;
    std::vector<std::string> calls;
    std::vector<std::function<void()>> posted;
};

// A link over an in-memory transport with its dispatcher and model, as the application holds them.
struct Rig {
    Rig();
    ~Rig();
    MemoryTransport* transport; // owned by the link
    RecordingWindows windows;
    RecordingHost host;
    marindle::CDevModel model;
    std::unique_ptr<marindle::CDeviceLink> link;
    std::unique_ptr<marindle::CMessageDispatcher> dispatcher;

    // Connects (the transport accepts) and clears what was sent.
    void Connect();
    void Feed(const Bytes& bytes) { link->OnData(bytes.data(), bytes.size()); }
    // Runs the login: challenge, verdict, the given port information; clears what was sent.
    void Login(const Bytes& portInfoBody);
    // Bodies of the frames sent since the last Clear.
    std::vector<Bytes> SentBodies() const;
    void ClearSent() { transport->sent.clear(); }
};

// A port-information body: one board 0 with serial port 1 "COM1" holding devices 5 and 6 and table
// 3 "TAB1"; network port 2 "NET2" holding device 7.
Bytes SamplePortInfo();

// An ASDU 10 head and data sets.
Bytes AsduHead(std::uint8_t cot, std::uint8_t inf, std::uint8_t ngd);
Bytes DataSet(std::uint16_t gin, std::uint8_t kod, std::uint8_t type, std::uint8_t size, std::uint8_t number,
              const Bytes& value);

} // namespace montest
