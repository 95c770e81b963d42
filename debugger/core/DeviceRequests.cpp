#include "debugger/core/DeviceRequests.h"

#include "debugger/core/ValueText.h"

#include "platform/Gbk.h"
#include "unitlink/RequestBodies.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::requests {

namespace {

using Bytes = std::vector<std::uint8_t>;

using unitlink::body::Put16;
using unitlink::body::Put32;

void PutTime(Bytes& b, const CDeviceTime& t) {
    std::uint8_t raw[7];
    t.ToBytes(raw);
    b.insert(b.end(), raw, raw + 7);
}
CDeviceMessage Unit(std::uint8_t board, Bytes body) {
    return CDeviceMessage(CDeviceMessage::kKindUnit, board, kAllDevices, std::move(body));
}
CDeviceMessage Asdu(std::uint8_t board, std::uint16_t device, Bytes body) {
    return CDeviceMessage(CDeviceMessage::kKindAsdu, board, device, std::move(body));
}
// The value truncated toward zero (saturated at the ends of a 64-bit integer); the encoders keep
// its low bytes.
std::int64_t Truncated(double v) {
    if (std::isnan(v))
        return 0;
    const double d = std::trunc(v);
    if (d >= 9.2e18)
        return std::numeric_limits<std::int64_t>::max();
    if (d <= -9.2e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(d);
}
void PutLow(Bytes& out, std::uint64_t v, std::size_t n) {
    for (std::size_t i = 0; i < n && i < out.size() && i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutFloat(Bytes& out, double v) {
    // A number beyond the float's range goes as an infinity, which reads back as no number typed.
    const float f =
        std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())
            ? (v < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity())
            : static_cast<float>(v);
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutLow(out, bits, 4);
}
void PutDoublePoint(Bytes& out, double v) {
    if (out.empty())
        return;
    if (v == 0.0)
        out[0] = 1;
    else if (v == 1.0)
        out[0] = 2;
}

// The low (at most four) bytes of a value, sign-extended from their width.
std::optional<std::int64_t> SignedLow(const Bytes& v) {
    const std::size_t n = std::min<std::size_t>(v.size(), 4);
    if (n == 0)
        return std::nullopt;
    std::uint32_t u = 0;
    for (std::size_t i = 0; i < n; ++i)
        u |= static_cast<std::uint32_t>(v[i]) << (8 * i);
    if (n < 4 && (u >> (8 * n - 1) & 1))
        u |= ~0u << (8 * n);
    return static_cast<std::int32_t>(u);
}

// The number the device reads from the value bytes of a type, or nothing when the bytes hold no
// number of it.
std::optional<double> ReadBack(std::uint8_t type, const Bytes& v) {
    switch (type) {
    case 3:
    case 201:
        if (const auto n = SignedLow(v))
            return static_cast<double>(*n);
        return std::nullopt;
    case 12:
        // The three low bits carry the quality flags.
        if (const auto n = SignedLow(v); n && v.size() >= 2)
            return static_cast<double>(*n / 8);
        return std::nullopt;
    case 7:
        if (v.size() >= 4) {
            float f;
            std::memcpy(&f, v.data(), 4);
            return static_cast<double>(f);
        }
        return std::nullopt;
    case 9:
    case 18:
    case 19:
        if (v.empty() || (v[0] & 3) == 0 || (v[0] & 3) == 3)
            return std::nullopt;
        return (v[0] & 3) == 2 ? 1.0 : 0.0;
    case 202: {
        // Two decimal digits a byte, the first byte the lowest.
        if (v.empty())
            return std::nullopt;
        double value = 0;
        for (std::size_t i = std::min<std::size_t>(v.size(), 4); i-- > 0;) {
            const unsigned hi = v[i] >> 4, lo = v[i] & 15u;
            if (hi > 9 || lo > 9)
                return std::nullopt;
            value = value * 100 + hi * 10 + lo;
        }
        return value;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

CDeviceMessage Heartbeat() {
    return CDeviceMessage(CDeviceMessage::kKindAsdu, 0, kAllDevices, {});
}

CDeviceMessage ChallengeAnswer(std::uint32_t answer) {
    return Unit(kUnitBoard, unitlink::body::ChallengeAnswer(answer));
}

CDeviceMessage PortInformation() {
    return Unit(kUnitBoard, {17});
}

CDeviceMessage FileOpen(std::uint8_t board, std::uint8_t direction, std::uint32_t size,
                        const std::string& name) {
    return Unit(board, unitlink::body::FileOpen(direction, size, name));
}

CDeviceMessage FileChunk(std::uint8_t board, std::uint32_t handle, bool more, std::uint16_t chunk,
                         const std::uint8_t* data, std::uint32_t n) {
    return Unit(board, unitlink::body::FileData(handle, more ? 1 : 0, chunk, data, n));
}

CDeviceMessage UploadStart(std::uint8_t board, std::uint32_t handle) {
    return Unit(board, unitlink::body::FileReady(handle));
}

CDeviceMessage UploadAck(std::uint8_t board, std::uint32_t handle, std::uint16_t chunk) {
    return Unit(board, unitlink::body::FileData(handle, 1, chunk));
}

CDeviceMessage FileClose(std::uint8_t board, const std::string& name) {
    return Unit(board, unitlink::body::FileClose(name));
}

CDeviceMessage Restart(std::uint8_t board) {
    return Unit(board, unitlink::body::Restart());
}

CDeviceMessage StringCommand(const std::string& text) {
    return Unit(kUnitBoard, unitlink::body::StringCommand(text));
}

std::string NormaliseDirectoryPath(std::string path) {
    if (path.empty())
        return path;
    const bool absolute = path.front() == '/';
    const bool trailing = path.size() > 1 && path.back() == '/';
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (from <= path.size()) {
        std::size_t to = path.find('/', from);
        if (to == std::string::npos)
            to = path.size();
        const std::string part = path.substr(from, to - from);
        from = to + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            // Above the root of an absolute path is the root; a relative path keeps what it
            // cannot resolve.
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!absolute)
                parts.push_back(part);
            continue;
        }
        parts.push_back(part);
    }
    if (parts.empty())
        return absolute ? "/" : "<root>";
    std::string out = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? "/" : "") + parts[i];
    if (trailing)
        out += '/';
    return out;
}

bool DirectoryPathFits(const std::string& path) {
    return platform::ToGbk(path).size() <= kMaxDirectoryPath;
}

CDeviceMessage Directory(const std::string& path) {
    const std::string gbk = platform::TruncateGbkBytes(platform::ToGbk(path), kMaxDirectoryPath);
    Bytes b = {8, static_cast<std::uint8_t>(gbk.size())};
    b.insert(b.end(), gbk.begin(), gbk.end());
    return Unit(kUnitBoard, std::move(b));
}

CDeviceMessage ProtocolInformation(std::uint8_t board, std::uint8_t portClass, std::uint8_t port) {
    return Unit(board, {16, 0, portClass, port});
}

CDeviceMessage PortMonitor(std::uint8_t board, std::uint8_t direction, std::uint8_t messageByte,
                           std::uint8_t port, std::uint16_t device, std::uint32_t unitIp,
                           std::uint32_t destIp) {
    Bytes b = {1, 0, direction, messageByte, port};
    Put16(b, device);
    Put32(b, unitIp);
    Put32(b, destIp);
    return Unit(board, std::move(b));
}

CDeviceMessage HistoryEvents(std::uint8_t board, std::uint16_t device, const CDeviceTime& start,
                             const CDeviceTime& end, std::uint8_t eventType) {
    Bytes b = {19};
    Put16(b, device);
    PutTime(b, start);
    PutTime(b, end);
    b.push_back(eventType);
    return Unit(board, std::move(b));
}

CDeviceMessage RemoteCommands(std::uint8_t board, std::uint16_t device, const CDeviceTime& start,
                              const CDeviceTime& end, std::uint8_t sourceBoard, std::uint8_t sourceClass,
                              std::uint8_t sourcePort, std::uint8_t commandType) {
    Bytes b = {18};
    Put16(b, device);
    PutTime(b, start);
    PutTime(b, end);
    b.push_back(sourceBoard);
    b.push_back(sourceClass);
    b.push_back(sourcePort);
    b.push_back(commandType);
    return Unit(board, std::move(b));
}

CDeviceMessage WaveformRecords(std::uint16_t device, std::uint8_t mode, const CDeviceTime& start,
                               const CDeviceTime& end, std::uint16_t nof) {
    Bytes b = {27};
    Put16(b, device);
    b.push_back(mode);
    PutTime(b, start);
    PutTime(b, end);
    Put16(b, nof);
    return Unit(kUnitBoard, std::move(b));
}

CDeviceMessage CommStatusDevices() {
    return Unit(kUnitBoard, {25, 0});
}
CDeviceMessage CommStatusPorts() {
    return Unit(kUnitBoard, {26, 0});
}
CDeviceMessage DeviceTime(std::uint8_t board) {
    return Unit(board, {28});
}

CDeviceMessage RefTable(std::uint8_t board, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                        std::uint8_t portType, std::uint8_t port, std::uint8_t table, std::uint16_t start,
                        std::uint16_t count) {
    Bytes b = {12, b1, b2, b3, portType, port, table};
    Put16(b, start);
    Put16(b, count);
    return Unit(board, std::move(b));
}
CDeviceMessage RefTableContents(std::uint8_t board, std::uint8_t portType, std::uint8_t port,
                                std::uint8_t table, std::uint16_t start, std::uint16_t count) {
    return RefTable(board, 3, 0, 10, portType, port, table, start, count);
}
CDeviceMessage RefTableValues(std::uint8_t board, std::uint8_t portType, std::uint8_t port,
                              std::uint8_t table, std::uint16_t start, std::uint16_t count) {
    return RefTable(board, 2, 0, 1, portType, port, table, start, count);
}
CDeviceMessage RefTableStop(std::uint8_t board, std::uint8_t portType, std::uint8_t port, std::uint8_t table,
                            std::uint16_t start, std::uint16_t count) {
    return RefTable(board, 2, 1, 1, portType, port, table, start, count);
}

std::vector<std::uint8_t> ManualSetBytes(const SetItem& item) {
    Bytes out(static_cast<std::size_t>(item.dataSize) * item.number, 0);
    const std::int64_t whole = Truncated(item.value);
    switch (item.dataType) {
    case 3:
    case 201:
        PutLow(out, static_cast<std::uint64_t>(whole), 4);
        break;
    case 7:
        PutFloat(out, item.value);
        break;
    case 12:
        PutLow(out, static_cast<std::uint64_t>(whole) << 3, 4);
        break;
    case 18:
    case 19:
        PutDoublePoint(out, item.value);
        break;
    case 202: {
        std::uint64_t bcd = 0;
        // The digits of the magnitude: a sign has no place, and the read-back refuses it.
        std::uint64_t v =
            whole < 0 ? 0 - static_cast<std::uint64_t>(whole) : static_cast<std::uint64_t>(whole);
        for (int shift = 0; v != 0 && shift < 64; shift += 4, v /= 10)
            bcd |= (v % 10) << shift;
        PutLow(out, bcd, 4);
        break;
    }
    default:
        break;
    }
    return out;
}

std::vector<std::uint8_t> SettingBytes(const SetItem& item) {
    Bytes out(static_cast<std::size_t>(item.dataSize) * item.number, 0);
    switch (item.dataType) {
    case 3:
        PutLow(out, static_cast<std::uint64_t>(Truncated(item.value)), 4);
        break;
    case 7:
        PutFloat(out, item.value);
        break;
    case 9:
    case 19:
        PutDoublePoint(out, item.value);
        break;
    default:
        break;
    }
    return out;
}

double SentSettingValue(const SetItem& item) {
    const Bytes v = SettingBytes(item);
    return EchoValue(item.dataType, v.data(), v.size());
}

bool ReadsBackAsTyped(const SetItem& item, const Bytes& bytes) {
    const auto back = ReadBack(item.dataType, bytes);
    if (!back || std::isnan(item.value))
        return false;
    if (item.dataType == 7)
        return std::isfinite(*back) && std::fabs(item.value) <= std::numeric_limits<float>::max() &&
               *back == static_cast<double>(static_cast<float>(item.value));
    return *back == std::trunc(item.value);
}

std::string ManualSetRefusal(const SetItem& item) {
    return ReadsBackAsTyped(item, ManualSetBytes(item)) ? std::string() : std::string(kValueOutOfRange);
}

std::string SettingRefusal(const SetItem& item) {
    if (item.dataType == 3 && item.value != std::trunc(item.value))
        return "只能输入整数";
    if ((item.dataType == 9 || item.dataType == 19) && item.value != 0 && item.value != 1)
        return "只能为0或1";
    // A value the field's bytes cannot hold would reach the device as another one.
    if (!ReadsBackAsTyped(item, SettingBytes(item)))
        return kValueOutOfRange;
    return {};
}

CDeviceMessage ManualSet(std::uint8_t board, const std::vector<SetItem>& items) {
    Bytes b = {20, static_cast<std::uint8_t>(items.size())};
    for (const SetItem& it : items) {
        Put16(b, it.address);
        Put16(b, it.key);
        b.push_back(1);
        b.push_back(it.dataType);
        b.push_back(it.dataSize);
        b.push_back(it.number);
        const Bytes v = ManualSetBytes(it);
        b.insert(b.end(), v.begin(), v.end());
    }
    return Unit(board, std::move(b));
}

CDeviceMessage CancelEntry(std::uint8_t board, std::uint16_t device, std::uint16_t key) {
    Bytes b = {21, 1};
    Put16(b, device);
    Put16(b, key);
    b.push_back(1);
    return Unit(board, std::move(b));
}

CDeviceMessage CancelDevice(std::uint16_t device) {
    Bytes b = {23};
    Put16(b, device);
    return Unit(0, std::move(b));
}

CDeviceMessage CancelTable(std::uint8_t board, std::uint8_t portType, std::uint8_t port, std::uint8_t table) {
    return Unit(board, {24, portType, port, table});
}

CDeviceMessage CancelAll() {
    return Unit(kUnitBoard, {22});
}

CDeviceMessage GenericRead(std::uint8_t board, std::uint16_t device, std::uint8_t cot, std::uint8_t inf) {
    return Asdu(board, device, {21, 0x81, cot, 0, 254, inf, 0, 0});
}
CDeviceMessage GroupHeadings(std::uint8_t board, std::uint16_t device) {
    return GenericRead(board, device, 42, 240);
}
CDeviceMessage GeneralInterrogation(std::uint8_t board, std::uint16_t device) {
    return GenericRead(board, device, 9, 245);
}
CDeviceMessage StopInterrogation(std::uint8_t board, std::uint16_t device) {
    return GenericRead(board, device, 10, 245);
}

CDeviceMessage GroupRead(std::uint8_t board, std::uint16_t device, std::uint16_t gin, std::uint8_t kod) {
    Bytes b = {21, 0x81, 42, 0, 254, 241, 0, 1};
    Put16(b, gin);
    b.push_back(kod);
    return Asdu(board, device, std::move(b));
}

CDeviceMessage SettingsWrite(std::uint8_t board, std::uint16_t device, const std::vector<SetItem>& items) {
    Bytes b = {10, 0x81, 40, 0, 254, 249, 0, static_cast<std::uint8_t>(items.size())};
    for (const SetItem& it : items) {
        Put16(b, it.key);
        b.push_back(1);
        b.push_back(it.dataType);
        b.push_back(it.dataSize);
        b.push_back(it.number);
        const Bytes v = SettingBytes(it);
        b.insert(b.end(), v.begin(), v.end());
    }
    return Asdu(board, device, std::move(b));
}

CDeviceMessage SettingsExecute(std::uint8_t board, std::uint16_t device) {
    return Asdu(board, device, {10, 0x81, 40, 0, 254, 250, 0, 0x40});
}

CDeviceMessage TimeSync(std::uint8_t board, const CDeviceTime& time) {
    Bytes b = {6, 0x81, 8, 255, 255, 255};
    PutTime(b, time);
    return Asdu(board, kAllDevices, std::move(b));
}

} // namespace quorvex::requests
