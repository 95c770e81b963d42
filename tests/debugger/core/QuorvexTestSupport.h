#pragma once
// Shared pieces of the debugger core tests: an in-memory transport, a shell and sheets that
// record what the core asks of them, and frames as the unit writes them (built by hand here).
#include "debugger/core/DeviceLink.h"
#include "debugger/core/QuorvexShell.h"
#include "tests/support/MemoryTransport.h"
#include "unitlink/FrameLayout.h"

#include "tests/support/TestFiles.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qtest {

using Bytes = std::vector<std::uint8_t>;

using testsupport::Le;

class MemoryTransport : public testsupport::MemoryTransport {
public:
    // Bodies (from byte 28) of the frames sent.
    std::vector<Bytes> Bodies() {
        std::vector<Bytes> out;
        for (const Bytes& f : Sent())
            out.emplace_back(f.begin() + 28, f.end());
        return out;
    }
};

// A frame as the unit sends it: marks, L, source address, word 18 = 43, board, kind byte.
inline Bytes UnitFrame(std::uint8_t kind, const Bytes& body, std::uint8_t board = 0, std::uint16_t source = 0,
                       std::uint16_t word18 = 43, std::uint8_t kindByte = 0) {
    Bytes f = {0x90, 0xEB};
    Le(f, static_cast<std::uint32_t>(20 + body.size()), 4);
    f.push_back(0x90);
    f.push_back(0xEB);
    f.resize(10, 0);
    Le(f, source, 2);
    f.resize(18, 0);
    Le(f, word18, 2);
    f.resize(26, 0);
    f.push_back(board);
    f.push_back(kindByte ? kindByte : static_cast<std::uint8_t>(0x80 | kind));
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

// What the data and table sheets share: events and the results of manual setting, recorded.
template <class Sheet> class RecordingSetSheet : public Sheet {
public:
    void ShowEvent(const quorvex::CEventRecord& ev) override {
        events.push_back(ev.m_action + " " + ev.m_time);
    }
    int SentSetCount() const override { return sentSet; }
    void ApplySetResults(const std::vector<quorvex::SetResult>& r) override {
        calls.push_back("set" + std::to_string(r.size()));
    }
    void ApplyCancelResults(const std::vector<quorvex::SetResult>& r) override {
        calls.push_back("cancel" + std::to_string(r.size()));
    }
    void ApplyCancelAll(std::uint8_t result) override {
        calls.push_back("cancelAll" + std::to_string(result));
    }
    void FailPending() override { calls.push_back("failPending"); }

    std::vector<std::string> calls, events;
    int sentSet = 0;
};

class RecordingDbSheet : public RecordingSetSheet<quorvex::IDbSheet> {
public:
    RecordingDbSheet(std::uint8_t board, std::uint16_t address) : board_(board), address_(address) {}
    std::uint8_t BoardNumber() const override { return board_; }
    std::uint16_t DeviceAddress() const override { return address_; }
    void ActivatePage(int page) override { calls.push_back("page" + std::to_string(page)); }
    void AddDbGroup(std::uint8_t g, const std::string& t) override {
        dbGroups.push_back(std::to_string(g) + t);
    }
    void AddSettingGroup(std::uint8_t g, const std::string& t) override {
        settingGroups.push_back(std::to_string(g) + t);
    }
    void FillLists() override { calls.push_back("fill"); }
    void ShowValue(const quorvex::CDbEntry& e) override { values.push_back(e.m_name + "=" + e.m_value); }
    void ShowSettingValue(const quorvex::CDbEntry& e) override {
        settingValues.push_back(e.m_name + "=" + e.m_value);
    }
    int SentSettingsCount() const override { return sentSettings; }
    bool CompareEcho(const std::vector<quorvex::EchoItem>& e) override {
        echo = e;
        return echoOk;
    }
    void DownloadSucceeded() override { calls.push_back("downloadOk"); }
    void DownloadFailed() override { calls.push_back("downloadFailed"); }

    std::vector<std::string> dbGroups, settingGroups, values, settingValues;
    std::vector<quorvex::EchoItem> echo;
    int sentSettings = 0;
    bool echoOk = true;

private:
    std::uint8_t board_;
    std::uint16_t address_;
};

class RecordingTabSheet : public RecordingSetSheet<quorvex::ITabSheet> {
public:
    RecordingTabSheet(std::uint8_t board, std::uint8_t portType, std::uint8_t port, std::uint8_t table)
        : board_(board), portType_(portType), port_(port), table_(table) {}
    std::uint8_t BoardNumber() const override { return board_; }
    std::uint8_t PortType() const override { return portType_; }
    std::uint8_t PortNumber() const override { return port_; }
    std::uint8_t TableNumber() const override { return table_; }
    std::uint16_t StartPosition() const override { return 50; }
    std::uint16_t RowCount() const override { return 20; }
    void FillList() override { calls.push_back("fill"); }
    void ShowValue(const quorvex::CTabEntry& e) override {
        values.push_back(std::to_string(e.m_address) + ":" + e.m_name + "=" + e.m_value);
    }

    std::vector<std::string> values;

private:
    std::uint8_t board_, portType_, port_, table_;
};

class RecordingShell : public quorvex::IQuorvexShell {
public:
    // With holdLater the queued calls wait for RunLater, as they wait for the event loop in the
    // program; otherwise they run at once.
    void Later(std::function<void()> fn) override {
        if (holdLater)
            later.push_back(std::move(fn));
        else
            fn();
    }
    void RunLater() {
        std::vector<std::function<void()>> calls;
        calls.swap(later);
        for (auto& fn : calls)
            fn();
    }
    bool holdLater = false;
    std::vector<std::function<void()>> later;

    void StartTimer(int id, int ms) override {
        timers[id] = ms;
        log.push_back("start" + std::to_string(id));
    }
    void StopTimer(int id) override {
        timers.erase(id);
        log.push_back("stop" + std::to_string(id));
    }
    bool Running(int id) const { return timers.count(id) != 0; }
    void ShowNotice(const std::string& t) override { notices.push_back(t); }
    void CloseNotice() override { notices.push_back("-"); }
    void OnLinkStateChanged(bool c) override { log.push_back(c ? "connected" : "disconnected"); }
    void OnPortInformation() override { log.push_back("ports"); }
    bool DebugWindowOpen() override { return debugOpen; }
    bool DebugRecording() override { return recording; }
    void RecordDebug(const std::string& t) override { recorded.push_back(t); }
    void AppendDebug(const std::string& t, quorvex::Rgb c) override {
        debug.push_back(t);
        debugColours.push_back(c);
    }
    bool HasProgressWindow() override { return progressOpen; }
    void SetProgress(int p) override { progress.push_back(p); }
    void CloseProgressWindow(int delay) override {
        progressOpen = false;
        log.push_back("closeProgress" + std::to_string(delay));
    }
    bool AskSaveFile(const std::string& folder, const std::string& name, std::string& path) override {
        saveFolder = folder;
        saveName = name;
        path = savePath;
        return !savePath.empty();
    }
    const quorvex::PortMonitorDoc* PortMonitor(int slot) override {
        auto it = monitors.find(slot);
        return it == monitors.end() ? nullptr : &it->second;
    }
    void QueuePortLine(int slot, bool sent, const std::string& text, const std::string& tag) override {
        portLines.push_back(std::to_string(slot) + (sent ? "S " : "R ") + tag + " " + text);
    }
    const quorvex::ProtocolMonitorDoc* ProtocolMonitor() override { return protocol ? &*protocol : nullptr; }
    void AppendProtocolText(const std::string& t, quorvex::Rgb) override { protocolText.push_back(t); }
    void ShowStringAnswer(const std::string& t) override { other.push_back("answer:" + t); }
    void AddDirectoryEntry(const std::string& n, std::uint32_t s, std::uint8_t t, std::int32_t) override {
        other.push_back("dir:" + n + "," + std::to_string(s) + "," + std::to_string(t));
    }
    void DirectoryNotFound() override { other.push_back("nodir"); }
    void AddRemoteCommand(const quorvex::CRemoteCommandRecord& r) override {
        other.push_back("rmt:" + r.m_value);
    }
    void AddHistoryEvent(const quorvex::CHistoryEventRecord& r) override {
        other.push_back("his:" + r.m_value);
    }
    void UpdateDeviceStatus(std::uint16_t a, std::uint8_t s) override {
        other.push_back("dev:" + std::to_string(a) + "," + std::to_string(s));
    }
    void UpdatePortStatus(std::uint8_t b, std::uint8_t k, std::uint8_t p, std::uint8_t s) override {
        other.push_back("port:" + std::to_string(b) + "," + std::to_string(k) + "," + std::to_string(p) +
                        "," + std::to_string(s));
    }
    void AddWaveRecord(const std::string& n, std::uint16_t a, const quorvex::CDeviceTime&,
                       std::uint16_t nof) override {
        other.push_back("wave:" + n + "," + std::to_string(a) + "," + std::to_string(nof));
    }
    void ShowDeviceTime(const quorvex::CDeviceTime& t) override {
        other.push_back("time:" + std::to_string(t.ms));
    }
    std::vector<quorvex::IDbSheet*> DbSheets() override {
        std::vector<quorvex::IDbSheet*> v;
        for (auto& s : dbSheets)
            v.push_back(s.get());
        return v;
    }
    std::vector<quorvex::ITabSheet*> TabSheets() override {
        std::vector<quorvex::ITabSheet*> v;
        for (auto& s : tabSheets)
            v.push_back(s.get());
        return v;
    }

    std::map<int, int> timers;
    std::vector<std::string> log, notices, debug, recorded, portLines, protocolText, other;
    std::vector<quorvex::Rgb> debugColours;
    std::vector<int> progress;
    bool debugOpen = true;
    bool recording = false;
    bool progressOpen = false;
    std::string savePath, saveFolder, saveName;
    std::map<int, quorvex::PortMonitorDoc> monitors;
    std::optional<quorvex::ProtocolMonitorDoc> protocol;
    std::vector<std::unique_ptr<RecordingDbSheet>> dbSheets;
    std::vector<std::unique_ptr<RecordingTabSheet>> tabSheets;
};

// A link over the in-memory transport, with its shell, data and a temporary program folder.
struct LinkRig {
    LinkRig() {
        data.m_programFolder = dir.Path() / "Bin";
        std::filesystem::create_directories(data.SavFolder());
        auto t = std::make_unique<MemoryTransport>();
        transport = t.get();
        link = std::make_unique<quorvex::CDeviceLink>(std::move(t), &shell, &data, dir / "CFG_TOOL.INI");
    }
    // Connects and forgets the frames and calls so far.
    void Connect() {
        link->Connect();
        Clear();
    }
    void Clear() {
        transport->sent.clear();
        shell.log.clear();
        shell.notices.clear();
        shell.debug.clear();
    }
    void Receive(const Bytes& frame) { link->AppendData(frame.data(), frame.size()); }
    void Unit(const Bytes& body, std::uint8_t board = 0) { Receive(UnitFrame(1, body, board)); }
    void Asdu(const Bytes& body, std::uint16_t source, std::uint8_t board = 0) {
        Receive(UnitFrame(0, body, board, source));
    }

    testsupport::TempDir dir;
    RecordingShell shell;
    quorvex::CQuorvexData data;
    MemoryTransport* transport = nullptr;
    std::unique_ptr<quorvex::CDeviceLink> link;
};

// A unit behind the in-memory transport: it sends its challenge on connecting, checks the answer
// against its own key, and answers the port information and the device status requests. Its
// answers reach the link when Deliver runs (on the thread the test chooses, as the socket's would).
class ScriptedUnit : public MemoryTransport {
public:
    explicit ScriptedUnit(std::uint16_t key, std::array<std::uint8_t, 4> challenge = {0xDE, 0xAD, 0xBE, 0xEF})
        : key_(key), challenge_(challenge) {}
    bool Connect(const std::string& a, int p) override {
        const bool ok = MemoryTransport::Connect(a, p);
        if (ok)
            Queue({14, challenge_[0], challenge_[1], challenge_[2], challenge_[3]});
        return ok;
    }
    bool Send(const std::uint8_t* data, std::size_t size) override {
        if (!MemoryTransport::Send(data, size) || size <= 28)
            return sendOk;
        const std::uint8_t* body = data + 28;
        switch (body[0]) {
        case 14: {
            const bool right =
                unitlink::GetU32(body + 1) == unitlink::ComputeChallengeAnswer(challenge_.data(), key_);
            Queue({15, static_cast<std::uint8_t>(right ? 1 : 0)});
            break;
        }
        case 17:
            Queue({17, 1, 0, 0, 1, 0, 'N', 'e', 't', 0, 0, 0, 0, 0, 0, 0, 1, 5, 0, 0});
            break;
        case 25:
            Queue({25, 0, 0, 1, 0, 5, 0, 1});
            break;
        default:
            break;
        }
        return true;
    }
    // Hands the queued answers to the link.
    void Deliver() {
        std::vector<Bytes> frames;
        {
            std::lock_guard lock(mutex);
            frames.swap(outbox_);
        }
        for (const Bytes& f : frames)
            events->OnReceive(f.data(), f.size());
    }

private:
    void Queue(const Bytes& body) {
        std::lock_guard lock(mutex);
        outbox_.push_back(UnitFrame(1, body));
    }
    std::uint16_t key_;
    std::array<std::uint8_t, 4> challenge_;
    std::vector<Bytes> outbox_;
};

} // namespace qtest
