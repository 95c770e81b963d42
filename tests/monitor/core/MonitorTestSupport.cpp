#include "MonitorTestSupport.h"

#include "platform/Gbk.h"
#include "platform/Text.h"

namespace montest {

Bytes Text(const std::string& utf8, std::size_t n) {
    const std::string gbk = platform::ToGbk(utf8);
    Bytes b(gbk.begin(), gbk.end());
    if (b.size() < n)
        b.resize(n, 0);
    return b;
}

Bytes UnitFrame(int kind, const Bytes& body, std::uint8_t board, std::uint16_t source) {
    Bytes f = {0x90, 0xEB};
    Le(f, static_cast<std::uint32_t>(20 + body.size()), 4);
    f.push_back(0x90);
    f.push_back(0xEB);
    f.resize(10, 0);
    Le(f, source, 2);
    f.resize(18, 0);
    Le(f, 43, 2);
    f.resize(26, 0);
    f.push_back(board);
    f.push_back(static_cast<std::uint8_t>(0x80 | kind));
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

ITraceWindow* RecordingWindows::FindTrace(int mainFlag, int deviceFlag, std::uint16_t key) {
    std::string k =
        mainFlag ? "trace:main" : (deviceFlag ? "trace:dev:" : "trace:port:") + std::to_string(key);
    if (!IsOpen(k))
        return nullptr;
    lastTrace = k;
    return this;
}

IStructureTree* RecordingWindows::Tree(int mode) {
    if (!IsOpen("tree"))
        return nullptr;
    treeMode_ = mode;
    return this;
}

void RecordingWindows::ManualSetDone(const std::vector<EntryRef>& e) {
    std::string s = "ManualSetDone";
    for (const auto& r : e)
        s += platform::StrFormat(":%u/%04x", r.device, r.entryKey);
    calls.push_back(s);
}

void RecordingWindows::ManualSetCancelled(const std::vector<EntryRef>& e) {
    std::string s = "ManualSetCancelled";
    for (const auto& r : e)
        s += platform::StrFormat(":%u/%04x", r.device, r.entryKey);
    calls.push_back(s);
}

void RecordingWindows::AddFrame(const TraceItem& item) {
    frames.push_back(item);
    traceTargets.push_back(lastTrace);
}

void RecordingWindows::AddText(std::uint32_t colour, const std::string& text) {
    calls.push_back(platform::StrFormat("DebugText:%06x:", colour) + text);
}

void RecordingWindows::OnOpenReply(std::uint8_t ok, std::uint32_t length, std::uint32_t id) {
    calls.push_back(platform::StrFormat("OpenReply:%u:%u:%u", ok, length, id));
}

void RecordingWindows::OnChunk(std::uint32_t id, std::uint8_t more, std::uint16_t no,
                               const std::uint8_t* data, std::size_t n) {
    calls.push_back(platform::StrFormat("Chunk:%u:%u:%u:", id, more, no) + std::string(data, data + n));
}

void RecordingWindows::OnChunkAnswer(std::uint32_t id, std::uint8_t ok, std::uint16_t no) {
    calls.push_back(platform::StrFormat("ChunkAnswer:%u:%u:%u", id, ok, no));
}

void RecordingWindows::AddEntry(const std::string& name, std::uint8_t type, std::uint32_t size,
                                std::uint32_t time) {
    calls.push_back(platform::StrFormat("Entry:%s:%u:%u:%u", name.c_str(), type, size, time));
}

void RecordingWindows::AddRecord(const std::string& d, int type, std::time_t t, std::uint16_t key,
                                 const std::string& v) {
    calls.push_back(platform::StrFormat("Event:%s:%d:%lld:%04x:%s", d.c_str(), type,
                                        static_cast<long long>(t), key, v.c_str()));
}

void RecordingWindows::AddRecord(const std::string& d, int type, const std::string& src, std::time_t t,
                                 std::uint16_t key, const std::string& v, const std::string& self) {
    calls.push_back(platform::StrFormat("Rmt:%s:%d:%s:%lld:%04x:%s:%s", d.c_str(), type, src.c_str(),
                                        static_cast<long long>(t), key, v.c_str(), self.c_str()));
}

void RecordingWindows::AddRecord(const std::string& file, const std::string& src, std::time_t t,
                                 std::uint16_t nof) {
    calls.push_back(
        platform::StrFormat("Wave:%s:%s:%lld:%u", file.c_str(), src.c_str(), static_cast<long long>(t), nof));
}

void RecordingWindows::AddLogEntry(std::uint8_t code, std::time_t t) {
    calls.push_back(platform::StrFormat("Log:%u:%lld", code, static_cast<long long>(t)));
}

void RecordingWindows::AddRow(std::uint16_t dev, std::uint16_t key, const std::string& text) {
    calls.push_back(platform::StrFormat("Row:%u:%04x:", dev, key) + text);
}

void RecordingWindows::OneValue(std::uint16_t dev, std::uint16_t key, const std::string& text) {
    calls.push_back(platform::StrFormat("TabValue:%u:%04x:", dev, key) + text);
}

void RecordingWindows::OneValueArrived(std::uint16_t key, const std::string& text) {
    calls.push_back(platform::StrFormat("TeleValue:%04x:", key) + text);
}

void RecordingWindows::TelecontrolAck(int action, int result) {
    calls.push_back(platform::StrFormat("TeleAck:%d:%d", action, result));
}

void RecordingWindows::WriteAck(int step, int result) {
    calls.push_back(platform::StrFormat("WriteAck:%d:%d", step, result));
}

void RecordingWindows::SampleArrived(float v, std::time_t t1, std::time_t t2, std::time_t t3) {
    calls.push_back(platform::StrFormat("Sample:%.2f:%lld:%lld:%lld", static_cast<double>(v),
                                        static_cast<long long>(t1), static_cast<long long>(t2),
                                        static_cast<long long>(t3)));
}

void RecordingWindows::EntryData(std::uint16_t id, const std::string& name, bool last) {
    calls.push_back(platform::StrFormat("StatEntry:%u:%s:%d", id, name.c_str(), last ? 1 : 0));
}

void RecordingWindows::BoardTime(std::uint8_t board, const std::uint8_t* stamp) {
    calls.push_back(platform::StrFormat("Clock:%u:%02x", board, stamp[0]));
}

void RecordingWindows::AddEvent(int kind, std::time_t time, std::uint16_t ms, const std::string& name,
                                std::uint16_t address, const std::string& description,
                                const std::string& state) {
    events.push_back({kind, time, ms, name, address, description, state});
}

void RecordingWindows::SetNodeState(bool isDevice, std::uint16_t key, bool ok) {
    calls.push_back(
        platform::StrFormat("NodeState:%d:%d:%u:%d", treeMode_, isDevice ? 1 : 0, key, ok ? 1 : 0));
}

bool RecordingWindows::Has(const std::string& call) const {
    for (const auto& c : calls)
        if (c == call)
            return true;
    return false;
}

int RecordingWindows::Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : calls)
        if (c.rfind(prefix, 0) == 0)
            ++n;
    return n;
}

Rig::Rig() {
    auto t = std::make_unique<MemoryTransport>();
    transport = t.get();
    link = std::make_unique<CDeviceLink>(std::move(t), &host, &windows);
    dispatcher = std::make_unique<CMessageDispatcher>(*link, model, windows, host);
    link->SetDispatcher(dispatcher.get());
    link->SetAddress("192.168.1.10", CDeviceLink::kDefaultPort);
    host.link = link.get();
}

Rig::~Rig() = default;

void Rig::Connect() {
    link->Connect();
    ClearSent();
}

void Rig::Login(const Bytes& portInfoBody) {
    Connect();
    Feed(Dsdu({14, 1, 2, 3, 4}));
    Feed(Dsdu({15, 1}));
    Feed(Dsdu(Cat({17}, portInfoBody)));
    ClearSent();
    windows.calls.clear();
    host.calls.clear();
}

std::vector<Bytes> Rig::SentBodies() const {
    std::vector<Bytes> out;
    for (const auto& f : transport->sent)
        out.push_back(BodyOf(f));
    return out;
}

Bytes SamplePortInfo() {
    Bytes b = {1, 0}; // one board, number 0
    b.push_back(1);   // one serial port
    b.push_back(1);   // port number 1
    b = Cat(b, Text("COM1", 10));
    b.push_back(2); // two devices
    Le(b, 5, 2);
    Le(b, 6, 2);
    b.push_back(1); // one table
    b.push_back(3); // table 3
    b.push_back(1); // type 1
    b = Cat(b, Text("TAB1", 10));
    b.push_back(1); // one network port
    b.push_back(2);
    b = Cat(b, Text("NET2", 10));
    b.push_back(1);
    Le(b, 7, 2);
    b.push_back(0); // no tables
    return b;
}

Bytes AsduHead(std::uint8_t cot, std::uint8_t inf, std::uint8_t ngd) {
    return {10, 0x81, cot, 0, 254, inf, 0, ngd};
}

Bytes DataSet(std::uint16_t gin, std::uint8_t kod, std::uint8_t type, std::uint8_t size, std::uint8_t number,
              const Bytes& value) {
    Bytes b;
    Le(b, gin, 2);
    b.push_back(kod);
    b.push_back(type);
    b.push_back(size);
    b.push_back(number);
    return Cat(b, value);
}

} // namespace montest
