#include "debugger/core/DeviceRequests.h"

#include "debugger/core/ValueCodec.h"
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
// The value bytes of an item by its type's codec; zeros for a type the request carries no value
// of, or a value the type has no bytes for.
Bytes ValueBytes(const SetItem& item, bool carried) {
    const CValueCodec codec(item.dataType, item.dataSize, item.number);
    if (carried)
        if (auto bytes = codec.Encode(item.value))
            return *std::move(bytes);
    return Bytes(codec.Length(), 0);
}

bool ManualSetCarries(std::uint8_t type) {
    return type == 3 || type == 7 || type == 12 || type == 18 || type == 19 || type == 201 || type == 202;
}

bool SettingCarries(std::uint8_t type) {
    return type == 3 || type == 7 || type == 9 || type == 19;
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
    return ValueBytes(item, ManualSetCarries(item.dataType));
}

std::vector<std::uint8_t> SettingBytes(const SetItem& item) {
    return ValueBytes(item, SettingCarries(item.dataType));
}

double SentSettingValue(const SetItem& item) {
    const Bytes v = SettingBytes(item);
    return EchoValue(item.dataType, item.dataSize, v.data(), v.size());
}

std::string ManualSetRefusal(const SetItem& item) {
    if (!ManualSetCarries(item.dataType))
        return kValueOutOfRange;
    return CValueCodec(item.dataType, item.dataSize, item.number).Refusal(item.value);
}

std::string SettingRefusal(const SetItem& item) {
    if (item.dataType == 3 && item.value != std::trunc(item.value))
        return "只能输入整数";
    if ((item.dataType == 9 || item.dataType == 19) && item.value != 0 && item.value != 1)
        return "只能为0或1";
    if (!SettingCarries(item.dataType))
        return kValueOutOfRange;
    return CValueCodec(item.dataType, item.dataSize, item.number).Refusal(item.value);
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
