// fakeunit: plays the communication unit on a TCP port for the link tests.
//
//   fakeunit [--port N] [--store DIR] [--challenge HEX8] [--key K] [--packet N] [--lifetime S]
//            [--watch-stdin] [--fault NAME]...
//
// Prints "PORT <n>" once it listens (port 0 picks a free one), then one line per event: CONNECT,
// ANSWER OK|BAD, OPEN WRITE|READ <name> <length>, STORED <name> <bytes>, SENT <name> <bytes>,
// CLOSE <name>, RESTART board=<b>, PROTOCOL <what> for frames from the tool that break the rules.
// Files written by the tool land in the store folder under their names; files read come from it.
//
// Faults: refuse-open (open requests get "not opened"), refuse-packet (the second data packet of a
// download is refused, or the first when there is only one), gap (upload packet numbers skip 1),
// garbage (junk before every frame, including false sync marks), split (every frame goes out in
// pieces with pauses), no-verify (the answer is never confirmed), bad-length (an upload announces
// one byte more than it sends), wrong-answer (the answer is always judged wrong), over-send (an
// upload announces half of what it then sends), no-close-reply (a file close is never answered),
// huge-length (an upload announces 0x7FFFFFFF bytes, then sends the file as it is).
//
// The monitor and debugging programs (Marindle, Quorvex) are served too, as far as a newcomer needs
// to try them: their login (the device-login key), the port information of one board with one
// serial port "COM1" holding device 1 and one table, the heartbeat, the communication states of
// that device and port, device 1's generic-service structure (one group "遥测/测量值" with the
// measured values "Ua" 220.5 and "Ub" 219.75) and values, and a debug text every second once the
// port information went out. Their
// frames are told apart by the direction word 1 in the header; such a connection prints DEVICE
// TOOL, REQUEST <type> for requests served or left unanswered, and DEBUG <n> per debug text.
//
// The unit ends when its lifetime (seconds, 120 unless given) runs out, never with --lifetime 0
// (it then runs until it is stopped), or, with --watch-stdin, when standard input is closed.
#include "platform/Gbk.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The frame as the unit knows it, offsets from the frame's start. Written here apart from the
// tool's frame and body code, so that a fault there is not made on both sides and missed.
namespace wire {
constexpr std::size_t kLength = 2;     // int32: frame length - 8
constexpr std::size_t kSync2 = 6;      // the second mark
constexpr std::size_t kReserved = 8;   // bytes 8 to 25 are 0 in the tool's frames
constexpr std::size_t kSource = 10;    // word: the device an ASDU from the unit comes from
constexpr std::size_t kTarget = 14;    // word: the device an ASDU from a tool is for
constexpr std::size_t kDirection = 18; // word: 1 in the monitor and debugging programs' frames, 43 back
constexpr std::size_t kWord20 = 20;    // word: 16 in the monitor and debugging programs' frames
constexpr std::size_t kBoard = 26;     // board / port / parameter
constexpr std::size_t kKind = 27;      // 1 from the tool, 0x81 from the unit
constexpr std::size_t kType = 28;      // the message type; the header ends before it
constexpr std::size_t kOpenMode = 29;  // 4: 0 write to the unit, 1 read from it
constexpr std::size_t kOpenLength = 30;
constexpr std::size_t kOpenName = 34;  // 4: GBK, zero-terminated
constexpr std::size_t kFileId = 29;    // 5, 6
constexpr std::size_t kFlag = 33;      // 5: 1 ready; 6: more packets follow, or in an answer 1 taken
constexpr std::size_t kPacket = 34;    // 6
constexpr std::size_t kData = 36;      // 6
constexpr std::size_t kCloseName = 29; // 7: GBK, zero-terminated
constexpr std::size_t kAnswer = 29;    // 14: the answer to the challenge
// Offsets in a data packet's payload (the bytes after the type).
constexpr std::size_t kPayloadFileId = kFileId - kType - 1;
constexpr std::size_t kPayloadFlag = kFlag - kType - 1;
constexpr std::size_t kPayloadPacket = kPacket - kType - 1;
constexpr std::size_t kPayloadData = kData - kType - 1;
} // namespace wire

struct Options {
    int port = 0;
    std::string store = ".";
    std::uint8_t challenge[4] = {0x5A, 0x17, 0xC3, 0x81};
    std::uint16_t key = 48126;
    std::size_t packet = 10140;
    int lifetime = 120;
    bool watchStdin = false;
    std::set<std::string> faults;
    bool Has(const char* f) const { return faults.count(f) != 0; }
};

Options g_opt;
std::chrono::steady_clock::time_point g_end;

// True when the lifetime is over or, when asked to watch it, standard input was closed (the test
// that started the unit is gone).
bool ShouldStop() {
    const auto now = std::chrono::steady_clock::now();
    if (now >= g_end)
        return true;
    if (!g_opt.watchStdin)
        return false;
    // Standard input is looked at every 50 ms at most, not once per frame.
    static std::chrono::steady_clock::time_point next{};
    if (now < next)
        return false;
    next = now + std::chrono::milliseconds(50);
    pollfd p{0, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP))) {
        char c;
        if (::read(0, &c, 1) <= 0)
            return true;
    }
    return false;
}

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(v >> (8 * i)));
}
void Put16(Bytes& b, std::uint16_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

// What the tool must answer: the challenge as a big-endian number plus the key, rotated left
// through a carry bit (byte sum & 15) + 1 times, every step folded into the answer by XOR.
std::uint32_t ExpectedAnswer(const std::uint8_t c[4], std::uint16_t key) {
    std::uint32_t a =
        (std::uint32_t(c[0]) << 24) + (std::uint32_t(c[1]) << 16) + (std::uint32_t(c[2]) << 8) + c[3];
    a += key;
    int rounds =
        (int((a >> 24) & 0xFF) + int((a >> 16) & 0xFF) + int((a >> 8) & 0xFF) + int(a & 0xFF)) % 16 + 1;
    std::uint32_t answer = 0;
    bool carry = false;
    while (rounds--) {
        const bool out = (a & 0x80000000u) != 0;
        a = (a << 1) | (carry ? 1u : 0u);
        carry = out;
        answer ^= a;
    }
    return answer;
}

class Connection {
public:
    explicit Connection(int fd) : fd_(fd), outBuffer_(1 << 16) {
        // Several packets per write of a stored file.
    }
    ~Connection() {
        CloseOut();
        CloseIn();
        ::close(fd_);
    }

    // Handles the connection until either side ends it.
    void Run();

private:
    bool WriteAll(const std::uint8_t* p, std::size_t n) {
        while (n) {
            ssize_t k = ::send(fd_, p, n, MSG_NOSIGNAL);
            if (k <= 0)
                return false;
            p += k;
            n -= std::size_t(k);
        }
        return true;
    }
    // A frame from the unit: both marks, L, direction word 43, kind byte 0x81, then type and
    // payload.
    bool SendUnitFrame(std::uint8_t type, const Bytes& payload, std::uint8_t board = 0) {
        std::uint8_t* at = StartUnitFrame(type, payload.size(), board);
        if (!payload.empty())
            std::memcpy(at, payload.data(), payload.size());
        return SendFrame();
    }
    // Lays out the header and type of a unit frame with room for `size` payload bytes in frame_,
    // and returns where the payload goes: a data packet is read from its file straight into place.
    std::uint8_t* StartUnitFrame(std::uint8_t type, std::size_t size, std::uint8_t board = 0) {
        // Only the header is cleared: the caller fills every payload byte.
        Bytes& f = frame_;
        f.resize(wire::kType + 1 + size);
        std::fill(f.begin(), f.begin() + wire::kType + 1, std::uint8_t{0});
        f[wire::kDirection] = 43;
        f[0] = 0x90;
        f[1] = 0xEB;
        SetFrameLength(wire::kType + 1 + size);
        f[wire::kSync2] = 0x90;
        f[wire::kSync2 + 1] = 0xEB;
        f[wire::kBoard] = board;
        f[wire::kKind] = 0x81;
        f[wire::kType] = type;
        return f.data() + wire::kType + 1;
    }
    // Cuts frame_ to `total` bytes and writes its length field.
    void SetFrameLength(std::size_t total) {
        frame_.resize(total);
        WriteLengthField(total);
    }
    // Writes the length field of a frame of `total` bytes.
    void WriteLengthField(std::size_t total) {
        const std::uint32_t l = std::uint32_t(total - 8);
        for (std::size_t i = 0; i < 4; ++i)
            frame_[wire::kLength + i] = std::uint8_t(l >> (8 * i));
    }
    // Sends frame_ as the faults want it: behind junk, in pieces, or whole in one call.
    bool SendFrame() {
        const Bytes& f = frame_;
        if (g_opt.Has("garbage")) {
            // Junk, a sync mark with a length below 20, one with a length no ring can hold, and
            // a negative one: none may be taken for a frame start.
            static const Bytes junk = {0x00, 0x13, 0x90, 0x90, 0xEB, 0x90, 0xEB, 0x05, 0x00, 0x00, 0x00,
                                       0x90, 0xEB, 0x77, 0x90, 0xEB, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0xEB,
                                       0x90, 0xEB, 0x00, 0x00, 0x00, 0x80, 0x90, 0xEB, 0x01, 0x02};
            if (!WriteAll(junk.data(), junk.size()))
                return false;
        }
        if (!g_opt.Has("split"))
            return WriteAll(f.data(), f.size());
        // Pieces that cut through the marks, the length and the body.
        const std::size_t cuts[] = {1, 5, 12, 29, 40, 1000};
        std::size_t pos = 0;
        for (std::size_t cut : cuts) {
            if (cut <= pos || cut >= f.size())
                continue;
            if (!WriteAll(f.data() + pos, cut - pos))
                return false;
            pos = cut;
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        return WriteAll(f.data() + pos, f.size() - pos);
    }

    // The unit's heartbeat: a header without a body, kind byte 0x80.
    bool SendHeartbeat() {
        Bytes f(wire::kType, 0);
        f[0] = f[wire::kSync2] = 0x90;
        f[1] = f[wire::kSync2 + 1] = 0xEB;
        f[wire::kLength] = std::uint8_t(wire::kType - 8);
        f[wire::kDirection] = 43;
        f[wire::kKind] = 0x80;
        return WriteAll(f.data(), f.size());
    }
    // A name field of n bytes: GBK, padded with zeros.
    static void PutName(Bytes& b, const std::string& name, std::size_t n) {
        std::string gbk = platform::ToGbk(name);
        gbk.resize(n, '\0');
        b.insert(b.end(), gbk.begin(), gbk.end());
    }
    void HandleDeviceToolRequest(std::uint8_t type, const Bytes& f);
    // The generic-service reads (ASDU 21) of device 1: its one group "遥测/测量值" of two
    // measured values, their descriptions and values.
    void HandleDeviceRead(const Bytes& f);
    // An ASDU of a device: kind byte 0x80, the device's address as the source.
    bool SendDeviceFrame(std::uint16_t address, std::uint8_t board, const Bytes& body) {
        Bytes frame(wire::kType, 0);
        frame[0] = frame[wire::kSync2] = 0x90;
        frame[1] = frame[wire::kSync2 + 1] = 0xEB;
        const std::uint32_t l = std::uint32_t(wire::kType + body.size() - 8);
        for (std::size_t i = 0; i < 4; ++i)
            frame[wire::kLength + i] = std::uint8_t(l >> (8 * i));
        frame[wire::kSource] = std::uint8_t(address);
        frame[wire::kSource + 1] = std::uint8_t(address >> 8);
        frame[wire::kDirection] = 43;
        frame[wire::kBoard] = board;
        frame[wire::kKind] = 0x80;
        frame.insert(frame.end(), body.begin(), body.end());
        return WriteAll(frame.data(), frame.size());
    }
    // A debug text once a second, once the port information went out.
    void SendDueDebugText();

    void CloseIn() {
        if (map_)
            ::munmap(map_, mapSize_);
        map_ = nullptr;
        mapSize_ = 0;
    }
    void CloseOut() {
        if (out_)
            std::fclose(out_);
        out_ = nullptr;
    }
    void Protocol(const std::string& what) { Say("PROTOCOL " + what); }
    void HandleFrame(const Bytes& f);
    void SendUploadPacket();
    std::string StorePath(const std::string& name) const { return g_opt.store + "/" + name; }

    int fd_;
    std::vector<char> outBuffer_;
    bool verified_ = false;
    bool closing_ = false;
    bool classified_ = false; // the first frame told which program this is
    bool deviceTool_ = false; // Marindle or Quorvex rather than the configuration tool
    bool portInfoSent_ = false;
    int debugTexts_ = 0;
    std::chrono::steady_clock::time_point nextDebug_{};

    // A file being written into the store (a download from the configuration tool).
    bool writing_ = false;
    std::FILE* out_ = nullptr; // C stream: it buffers writes of whole packets too
    std::string name_;
    std::uint32_t announced_ = 0;
    std::uint32_t id_ = 0;
    std::uint16_t expected_ = 0;
    std::uint64_t received_ = 0;
    int packetsSeen_ = 0;

    // A file being read from the store (an upload to the configuration tool).
    bool reading_ = false;
    // The stored file, mapped: its packets go to the socket straight from the mapping.
    std::uint8_t* map_ = nullptr;
    std::size_t mapSize_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t sent_ = 0;
    std::uint16_t nextPacket_ = 0;
    bool lastSent_ = false;

    // The frame being sent, kept for the connection: an upload sends thousands of frames.
    Bytes frame_;
};

std::uint32_t g_nextId = 0x1000;

void Connection::Run() {
    Say("CONNECT");
    Bytes challenge(g_opt.challenge, g_opt.challenge + 4);
    if (!SendUnitFrame(14, challenge))
        return;
    Bytes buf;
    std::uint8_t chunk[65536];
    // The connection waits in its read, as a bare exchange of frames does: a transfer costs one
    // read and one send per frame. The read gives up every 20 ms so that the lifetime, standard
    // input and the debug texts due are looked at.
    const timeval wait{0, 20000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    while (!closing_ && !ShouldStop()) {
        SendDueDebugText();
        const ssize_t k = ::recv(fd_, chunk, sizeof chunk, 0);
        if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        if (k <= 0)
            return;
        buf.insert(buf.end(), chunk, chunk + k);
        std::size_t pos = 0;
        while (buf.size() - pos >= wire::kType && !closing_) {
            const std::uint8_t* h = buf.data() + pos;
            if (h[0] != 0x90 || h[1] != 0xEB || h[wire::kSync2] != 0x90 || h[wire::kSync2 + 1] != 0xEB) {
                Protocol("no sync mark");
                return;
            }
            const std::uint32_t l = Le32(h + wire::kLength);
            // A frame holds at least its header (a heartbeat of the device tools is no more).
            if (std::uint64_t(l) + 8 < wire::kType || l > 70000) {
                Protocol("length " + std::to_string(l));
                return;
            }
            if (buf.size() - pos < l + 8)
                break;
            Bytes frame(h, h + l + 8);
            pos += l + 8;
            HandleFrame(frame);
        }
        buf.erase(buf.begin(), buf.begin() + long(pos));
    }
}

void Connection::HandleFrame(const Bytes& f) {
    if (!classified_) {
        classified_ = true;
        deviceTool_ = Le16(&f[wire::kDirection]) == 1;
        if (deviceTool_)
            Say("DEVICE TOOL");
    }
    if (deviceTool_) {
        // Their header: direction 1, word 20 = 16, kind 0 (a device's ASDU) or 1.
        if (Le16(&f[wire::kDirection]) != 1 || Le16(&f[wire::kWord20]) != 16)
            Protocol("device tool header");
        if (f[wire::kKind] > 1)
            Protocol("kind byte " + std::to_string(f[wire::kKind]));
        if (f.size() == wire::kType) {
            SendHeartbeat();
            return;
        }
        if (f[wire::kKind] == 0) {
            Say("ASDU " + std::to_string(f[wire::kType]));
            HandleDeviceRead(f);
            return;
        }
    } else {
        if (f[wire::kKind] != 1)
            Protocol("kind byte " + std::to_string(f[wire::kKind]));
        for (std::size_t i = wire::kReserved; i < wire::kBoard; ++i)
            if (f[std::size_t(i)] != 0) {
                Protocol("header byte " + std::to_string(i));
                break;
            }
        if (f.size() == wire::kType) {
            Protocol("frame without a type");
            return;
        }
    }
    const std::uint8_t type = f[wire::kType];
    const std::uint8_t board = f[wire::kBoard];
    auto nameAt = [&](std::size_t from) {
        std::string gbk;
        for (std::size_t i = from; i < f.size() && f[i]; ++i)
            gbk.push_back(char(f[i]));
        if (from >= f.size() || f.back() != 0)
            Protocol("name without terminating zero");
        return platform::FromGbk(gbk);
    };
    switch (type) {
    case 14: {
        if (f.size() < wire::kAnswer + 4) {
            Protocol("short answer");
            return;
        }
        // The monitor and debugging programs answer with the device-login key.
        const std::uint16_t key = deviceTool_ ? 30517 : g_opt.key;
        const bool ok =
            Le32(&f[wire::kAnswer]) == ExpectedAnswer(g_opt.challenge, key) && !g_opt.Has("wrong-answer");
        Say(ok ? "ANSWER OK" : "ANSWER BAD");
        if (g_opt.Has("no-verify"))
            return;
        verified_ = ok;
        SendUnitFrame(15, Bytes{std::uint8_t(ok ? 1 : 0)});
        return;
    }
    case 2:
        if (deviceTool_) {
            HandleDeviceToolRequest(type, f);
            return;
        }
        Say("RESTART board=" + std::to_string(board));
        closing_ = true;
        return;
    case 4: {
        if (f.size() < wire::kOpenName + 1) {
            Protocol("short open");
            return;
        }
        const bool read = f[wire::kOpenMode] == 1;
        const std::uint32_t length = Le32(&f[wire::kOpenLength]);
        const std::string name = nameAt(wire::kOpenName);
        Say(std::string("OPEN ") + (read ? "READ " : "WRITE ") + name + " " + std::to_string(length));
        Bytes reply;
        bool ok = verified_ && !g_opt.Has("refuse-open") && !name.empty() &&
                  name.find('/') == std::string::npos && name != "." && name != "..";
        std::uint64_t size = 0;
        if (ok && read) {
            CloseIn();
            const int file = ::open(StorePath(name).c_str(), O_RDONLY | O_CLOEXEC);
            struct stat st {};
            ok = file >= 0 && ::fstat(file, &st) == 0 && S_ISREG(st.st_mode);
            if (ok && st.st_size > 0) {
                void* m = ::mmap(nullptr, std::size_t(st.st_size), PROT_READ, MAP_PRIVATE, file, 0);
                ok = m != MAP_FAILED;
                if (ok) {
                    map_ = static_cast<std::uint8_t*>(m);
                    mapSize_ = std::size_t(st.st_size);
                    ::madvise(m, mapSize_, MADV_SEQUENTIAL);
                }
            }
            if (ok)
                size = std::uint64_t(st.st_size);
            if (file >= 0)
                ::close(file);
        } else if (ok) {
            CloseOut();
            out_ = std::fopen(StorePath(name).c_str(), "wb");
            ok = out_ != nullptr;
            if (ok)
                std::setvbuf(out_, outBuffer_.data(), _IOFBF, outBuffer_.size());
        }
        id_ = ++g_nextId;
        reply.push_back(ok ? 1 : 0);
        std::uint32_t announced = std::uint32_t(size + (g_opt.Has("bad-length") ? 1 : 0));
        if (g_opt.Has("over-send"))
            announced = std::uint32_t(size / 2);
        if (g_opt.Has("huge-length"))
            announced = 0x7FFFFFFFu;
        Put32(reply, read ? announced : length);
        Put32(reply, id_);
        if (ok) {
            name_ = name;
            if (read) {
                reading_ = true;
                size_ = size;
                sent_ = 0;
                nextPacket_ = 0;
                lastSent_ = false;
            } else {
                writing_ = true;
                announced_ = length;
                expected_ = 0;
                received_ = 0;
                packetsSeen_ = 0;
            }
        }
        SendUnitFrame(4, reply);
        return;
    }
    case 5:
        if (!reading_ || f.size() < wire::kFlag + 1 || Le32(&f[wire::kFileId]) != id_ ||
            f[wire::kFlag] != 1) {
            Protocol("unexpected ready");
            return;
        }
        SendUploadPacket();
        return;
    case 6: {
        if (f.size() < wire::kData) {
            Protocol("short data frame");
            return;
        }
        const std::uint32_t id = Le32(&f[wire::kFileId]);
        const std::uint8_t flag = f[wire::kFlag];
        const std::uint16_t number = Le16(&f[wire::kPacket]);
        if (id != id_)
            Protocol("file id " + std::to_string(id));
        if (writing_) {
            ++packetsSeen_;
            if (number != expected_)
                Protocol("packet number " + std::to_string(number) + " instead of " +
                         std::to_string(expected_));
            const bool refuse =
                g_opt.Has("refuse-packet") && (packetsSeen_ == 2 || (packetsSeen_ == 1 && flag == 0));
            if (!refuse) {
                std::fwrite(f.data() + wire::kData, 1, f.size() - wire::kData, out_);
                received_ += f.size() - wire::kData;
                ++expected_;
            }
            Bytes ack;
            Put32(ack, id_);
            ack.push_back(refuse ? 0 : 1);
            Put16(ack, number);
            SendUnitFrame(6, ack);
        } else if (reading_) {
            if (flag != 1)
                Protocol("upload packet refused by the tool");
            else if (!lastSent_)
                SendUploadPacket();
        } else {
            Protocol("data frame without an open file");
        }
        return;
    }
    case 7: {
        const std::string name = nameAt(wire::kCloseName);
        Say("CLOSE " + name);
        if (writing_) {
            CloseOut();
            if (received_ != announced_)
                Protocol("received " + std::to_string(received_) + " of " + std::to_string(announced_));
            Say("STORED " + name_ + " " + std::to_string(received_));
        } else if (reading_) {
            CloseIn();
            Say("SENT " + name_ + " " + std::to_string(sent_));
        }
        if (name != name_)
            Protocol("close names " + name);
        writing_ = reading_ = false;
        if (!g_opt.Has("no-close-reply"))
            SendUnitFrame(11, Bytes{});
        return;
    }
    default:
        if (deviceTool_)
            HandleDeviceToolRequest(type, f);
        else
            Protocol("type " + std::to_string(type));
    }
}

void Connection::HandleDeviceToolRequest(std::uint8_t type, const Bytes& f) {
    Say("REQUEST " + std::to_string(type));
    if (!verified_)
        return;
    Bytes reply;
    switch (type) {
    case 17:
        // One board (0): serial port 0 "COM1" with device 1 and table 0, no network port.
        reply = {1, 0, 1, 0};
        PutName(reply, "COM1", 10);
        reply.push_back(1);
        Put16(reply, 1);
        reply.push_back(1);
        reply.push_back(0); // table number
        reply.push_back(1); // table kind
        PutName(reply, "遥测表", 10);
        reply.push_back(0); // network ports
        SendUnitFrame(17, reply);
        portInfoSent_ = true;
        nextDebug_ = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        return;
    case 25:
        // Device 1 communicates (state 0x20); the last part.
        reply = {0, 0};
        Put16(reply, 1);
        Put16(reply, 1);
        reply.push_back(0x20);
        SendUnitFrame(25, reply, f[wire::kBoard]);
        return;
    case 26:
        // Board 0, serial port 0 is up (state 2); the last part.
        reply = {0, 0, 1, 0, 0, 0, 2};
        SendUnitFrame(26, reply, f[wire::kBoard]);
        return;
    default:
        return; // seen, not answered
    }
}

void Connection::HandleDeviceRead(const Bytes& f) {
    const std::uint8_t* b = f.data() + wire::kType;
    const std::size_t n = f.size() - wire::kType;
    const std::uint16_t address = Le16(&f[wire::kTarget]);
    // ASDU 21, function 254: inf 240 group titles, 241 a group's entries, 245 a general read.
    if (!verified_ || n < 8 || b[0] != 21 || b[4] != 254 || address != 1)
        return;
    const std::uint8_t inf = b[5];
    const std::uint8_t rii = b[6];
    Bytes reply = {10, 0x81, 42, 0, 254, inf, rii, 0};
    auto item = [&](std::uint8_t entry, std::uint8_t kod, std::uint8_t type, const Bytes& value) {
        reply.push_back(1); // group
        reply.push_back(entry);
        reply.push_back(kod);
        reply.push_back(type);
        reply.push_back(std::uint8_t(type == 7 ? 4 : value.size()));
        reply.push_back(1);
        reply.insert(reply.end(), value.begin(), value.end());
        ++reply[7];
    };
    auto text = [](const std::string& utf8) {
        const std::string gbk = platform::ToGbk(utf8);
        return Bytes(gbk.begin(), gbk.end());
    };
    auto real = [](float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        Bytes out;
        Put32(out, bits);
        return out;
    };
    const char* names[] = {"Ua", "Ub"};
    const float values[] = {220.5f, 219.75f};
    if (inf == 240) {
        item(0, 10, 1, text("遥测/测量值"));
    } else if (inf == 241 && n >= 11) {
        const std::uint8_t group = b[8];
        const std::uint8_t kod = b[10];
        // The descriptions name the group itself too (entry 0).
        if (group == 1 && kod == 10)
            item(0, 10, 1, text("遥测/测量值"));
        for (std::uint8_t e = 1; group == 1 && e <= 2; ++e) {
            if (kod == 10)
                item(e, 10, 1, text(names[e - 1]));
            else if (kod == 1)
                item(e, 1, 7, real(values[e - 1]));
        }
    } else if (inf == 245) {
        reply[2] = 9; // the answer to a general read
        for (std::uint8_t e = 1; e <= 2; ++e)
            item(e, 1, 7, real(values[e - 1]));
    } else {
        return;
    }
    SendDeviceFrame(address, f[wire::kBoard], reply);
}

void Connection::SendDueDebugText() {
    if (!deviceTool_ || !portInfoSent_ || std::chrono::steady_clock::now() < nextDebug_)
        return;
    nextDebug_ += std::chrono::seconds(1);
    ++debugTexts_;
    // Level 221: black in both programs; a line of its own.
    Bytes text{221};
    const std::string gbk = platform::ToGbk("模拟装置调试信息 第" + std::to_string(debugTexts_) + "条\n");
    text.insert(text.end(), gbk.begin(), gbk.end());
    text.push_back(0);
    if (SendUnitFrame(2, text))
        Say("DEBUG " + std::to_string(debugTexts_));
}

void Connection::SendUploadPacket() {
    const std::size_t got = std::size_t(std::min<std::uint64_t>(g_opt.packet, size_ - sent_));
    const std::uint8_t* data = map_ ? map_ + sent_ : nullptr;
    // The header and the packet's fields are laid out in the frame; the data stays in the mapping.
    std::uint8_t* payload = StartUnitFrame(6, wire::kPayloadData);
    const std::size_t head = frame_.size();
    WriteLengthField(head + got);
    sent_ += got;
    const bool last = sent_ >= size_;
    for (std::size_t i = 0; i < 4; ++i)
        payload[wire::kPayloadFileId + i] = std::uint8_t(id_ >> (8 * i));
    payload[wire::kPayloadFlag] = last ? 0 : 1;
    payload[wire::kPayloadPacket] = std::uint8_t(nextPacket_);
    payload[wire::kPayloadPacket + 1] = std::uint8_t(nextPacket_ >> 8);
    nextPacket_ = std::uint16_t(nextPacket_ + ((g_opt.Has("gap") && nextPacket_ == 0) ? 2 : 1));
    lastSent_ = last;
    if (g_opt.Has("garbage") || g_opt.Has("split") || got == 0) {
        frame_.insert(frame_.end(), data, data + got);
        SendFrame();
        return;
    }
    // Header and data in one call, as one frame.
    iovec parts[2] = {{frame_.data(), head}, {const_cast<std::uint8_t*>(data), got}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    std::size_t left = head + got;
    while (left > 0) {
        const ssize_t k = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
        if (k <= 0)
            return;
        left -= std::size_t(k);
        // Past what the system took.
        std::size_t done = std::size_t(k);
        while (message.msg_iovlen > 0 && done >= message.msg_iov[0].iov_len) {
            done -= message.msg_iov[0].iov_len;
            ++message.msg_iov;
            --message.msg_iovlen;
        }
        if (message.msg_iovlen > 0) {
            message.msg_iov[0].iov_base = static_cast<std::uint8_t*>(message.msg_iov[0].iov_base) + done;
            message.msg_iov[0].iov_len -= done;
        }
    }
}

bool ParseArgs(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (a == "--port")
            g_opt.port = std::atoi(next().c_str());
        else if (a == "--store")
            g_opt.store = next();
        else if (a == "--key")
            g_opt.key = std::uint16_t(std::atoi(next().c_str()));
        else if (a == "--packet")
            g_opt.packet = std::size_t(std::atoi(next().c_str()));
        else if (a == "--lifetime")
            g_opt.lifetime = std::atoi(next().c_str());
        else if (a == "--watch-stdin")
            g_opt.watchStdin = true;
        else if (a == "--fault")
            g_opt.faults.insert(next());
        else if (a == "--challenge") {
            const std::string hex = next();
            if (hex.size() != 8)
                return false;
            for (int k = 0; k < 4; ++k)
                g_opt.challenge[k] =
                    std::uint8_t(std::strtoul(hex.substr(std::size_t(k) * 2, 2).c_str(), nullptr, 16));
        } else
            return false;
    }
    return g_opt.packet > 0 && g_opt.packet <= 30000 && g_opt.lifetime >= 0;
}

} // namespace

int main(int argc, char** argv) {
    if (!ParseArgs(argc, argv)) {
        std::fprintf(stderr, "usage: fakeunit [--port N] [--store DIR] [--challenge HEX8] [--key K] "
                             "[--packet N] [--lifetime S] [--watch-stdin] [--fault NAME]...\n");
        return 2;
    }
    int ls = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(ls, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(std::uint16_t(g_opt.port));
    if (::bind(ls, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(ls, 4) != 0) {
        std::perror("fakeunit");
        return 1;
    }
    socklen_t len = sizeof addr;
    ::getsockname(ls, reinterpret_cast<sockaddr*>(&addr), &len);
    Say("PORT " + std::to_string(ntohs(addr.sin_port)));

    g_end = g_opt.lifetime > 0 ? std::chrono::steady_clock::now() + std::chrono::seconds(g_opt.lifetime)
                               : std::chrono::steady_clock::time_point::max();
    while (!ShouldStop()) {
        pollfd p{ls, POLLIN, 0};
        if (::poll(&p, 1, 200) < 0)
            break;
        if (p.revents & POLLIN) {
            int fd = ::accept(ls, nullptr, nullptr);
            if (fd < 0)
                continue;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            Connection(fd).Run();
            Say("DISCONNECT");
        }
    }
    ::close(ls);
    return 0;
}
