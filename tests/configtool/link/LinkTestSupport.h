#pragma once
// Shared pieces of the link tests: a report sink that records every line, an in-memory transport,
// and frames as the unit writes them (built here by hand, not with the link's own code).
#include "configtool/link/LinkInterfaces.h"
#include "platform/Text.h"
#include "tests/support/MemoryTransport.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// The tests reach the main tool's classes by their short names.
using namespace qxm7740;

namespace linktest {

using Bytes = std::vector<std::uint8_t>;

struct Line {
    LinkColour colour;
    std::string text; // the text, or the hex dump of a frame
    bool bytes;
};

class RecordingReport : public ILinkReport {
public:
    void OpenWait(int mode, const std::string& text) override {
        std::lock_guard lock(mutex_);
        waits.push_back(std::to_string(mode) + ":" + text);
    }
    void CloseWait() override {
        std::lock_guard lock(mutex_);
        ++closes;
    }
    void Progress(int what, std::uint32_t position) override {
        std::lock_guard lock(mutex_);
        progress.push_back(position);
        progressKinds.push_back(what);
    }
    void WaitText(const std::string&) override {}
    void MonitorText(LinkColour colour, const std::string& text) override {
        std::lock_guard lock(mutex_);
        lines.push_back({colour, text, false});
    }
    void MonitorBytes(LinkColour colour, const std::uint8_t* data, std::size_t size) override {
        std::lock_guard lock(mutex_);
        lines.push_back({colour, platform::HexDump(data, size), true});
    }

    // The text lines (not the dumps), each prefixed with its colour: "S:", "R:" or "E:".
    std::vector<std::string> Texts() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const Line& l : lines)
            if (!l.bytes)
                out.push_back(Prefix(l.colour) + l.text);
        return out;
    }
    // Text lines, and "S#"/"R#" for each hex dump, in order.
    std::vector<std::string> All() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const Line& l : lines)
            out.push_back(l.bytes ? (l.colour == LinkColour::Sent ? "S#" : "R#") : Prefix(l.colour) + l.text);
        return out;
    }
    bool Has(const std::string& prefixedText) const {
        for (const auto& t : Texts())
            if (t == prefixedText)
                return true;
        return false;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        lines.clear();
        progress.clear();
        progressKinds.clear();
    }

    std::vector<Line> lines;
    std::vector<std::uint32_t> progress;
    std::vector<int> progressKinds;
    std::vector<std::string> waits;
    int closes = 0;

private:
    static std::string Prefix(LinkColour c) {
        return c == LinkColour::Sent ? "S:" : c == LinkColour::Received ? "R:" : "E:";
    }
    mutable std::mutex mutex_;
};

using testsupport::Le;
using testsupport::MemoryTransport;

// A frame as the unit sends it: marks, L, kind byte 0x81, type and payload.
inline Bytes UnitFrame(std::uint8_t type, const Bytes& payload, std::uint8_t kindByte = 0x81) {
    Bytes f = {0x90, 0xEB};
    Le(f, static_cast<std::uint32_t>(21 + payload.size()), 4);
    f.push_back(0x90);
    f.push_back(0xEB);
    f.resize(27, 0);
    f.push_back(kindByte);
    f.push_back(type);
    f.insert(f.end(), payload.begin(), payload.end());
    return f;
}

// Payload of an open reply, a data packet or an acknowledgement.
inline Bytes OpenReply(bool opened, std::uint32_t length, std::uint32_t id) {
    Bytes p = {static_cast<std::uint8_t>(opened ? 1 : 0)};
    Le(p, length, 4);
    Le(p, id, 4);
    return p;
}
inline Bytes Packet(std::uint32_t id, std::uint8_t flag, std::uint16_t number, const Bytes& data = {}) {
    Bytes p;
    Le(p, id, 4);
    p.push_back(flag);
    Le(p, number, 2);
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

inline std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
inline std::uint16_t U16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

} // namespace linktest
