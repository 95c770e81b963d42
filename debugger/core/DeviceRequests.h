#pragma once
// The requests the debugging program sends to the unit and, through it, to the devices. Boards,
// ports and tables are passed as they go on the wire (counted from 0; 255 = the unit itself).
#include "debugger/core/DbEntry.h"
#include "debugger/core/DeviceMessage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::requests {

constexpr std::uint8_t kUnitBoard = 255;
constexpr std::uint16_t kAllDevices = 0xFFFF;

// The heartbeat: a kind-0 message without body, board 0, device 0xFFFF.
CDeviceMessage Heartbeat();
CDeviceMessage ChallengeAnswer(std::uint32_t answer);
CDeviceMessage PortInformation();

// File transfer: open (direction 0 download, 1 upload), chunk, upload go-ahead, acknowledgement of
// upload data, close. Names are UTF-8 and go out in GBK with their terminator.
CDeviceMessage FileOpen(std::uint8_t board, std::uint8_t direction, std::uint32_t size,
                        const std::string& name);
CDeviceMessage FileChunk(std::uint8_t board, std::uint32_t handle, bool more, std::uint16_t chunk,
                         const std::uint8_t* data, std::uint32_t n);
CDeviceMessage UploadStart(std::uint8_t board, std::uint32_t handle);
CDeviceMessage UploadAck(std::uint8_t board, std::uint32_t handle, std::uint16_t chunk);
CDeviceMessage FileClose(std::uint8_t board, const std::string& name);

CDeviceMessage Restart(std::uint8_t board);
// A line of the string command console, in GBK without terminator.
CDeviceMessage StringCommand(const std::string& text);
// The longest directory path the directory request carries (its length is one byte), in GBK bytes.
constexpr std::size_t kMaxDirectoryPath = 255;
// What is said of a path that is longer.
constexpr const char* kDirectoryPathTooLong = "目录路径不能超过255个字节!";
// True when the path goes into the directory request whole; a longer one would be cut, and the
// unit would list another folder than the one the window names.
bool DirectoryPathFits(const std::string& path);
// Directory listing of a path (at most 255 bytes of it).
CDeviceMessage Directory(const std::string& path);
// The directory path as the unit expects it, normalised as a path: empty and "." components
// dropped, ".." taking the component before it away (at the root of an absolute path it stays
// the root). A plain path goes as typed, with "//" folded; a relative path that resolves to
// nothing is "<root>".
std::string NormaliseDirectoryPath(std::string path);
CDeviceMessage ProtocolInformation(std::uint8_t board, std::uint8_t portClass, std::uint8_t port);
// Port frame monitor start: direction 0 receive, 1 send, 2 both; messageByte 0 for serial ports,
// message type + 1 for network ports; device is the device address or the connection number.
CDeviceMessage PortMonitor(std::uint8_t board, std::uint8_t direction, std::uint8_t messageByte,
                           std::uint8_t port, std::uint16_t device, std::uint32_t unitIp = 0,
                           std::uint32_t destIp = 0);
CDeviceMessage HistoryEvents(std::uint8_t board, std::uint16_t device, const CDeviceTime& start,
                             const CDeviceTime& end, std::uint8_t eventType);
// Remote commands; sourceBoard 255 (with class and port 255) asks for all sources.
CDeviceMessage RemoteCommands(std::uint8_t board, std::uint16_t device, const CDeviceTime& start,
                              const CDeviceTime& end, std::uint8_t sourceBoard, std::uint8_t sourceClass,
                              std::uint8_t sourcePort, std::uint8_t commandType);
CDeviceMessage WaveformRecords(std::uint16_t device, std::uint8_t mode, const CDeviceTime& start,
                               const CDeviceTime& end, std::uint16_t nof);
CDeviceMessage CommStatusDevices();
CDeviceMessage CommStatusPorts();
CDeviceMessage DeviceTime(std::uint8_t board);

// Reference table: byte 1 to 3 select what is asked (3, 0, 10 the contents; 2, 0, 1 the values;
// 2, 1, 1 stop).
CDeviceMessage RefTable(std::uint8_t board, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                        std::uint8_t portType, std::uint8_t port, std::uint8_t table, std::uint16_t start,
                        std::uint16_t count);
CDeviceMessage RefTableContents(std::uint8_t board, std::uint8_t portType, std::uint8_t port,
                                std::uint8_t table, std::uint16_t start, std::uint16_t count);
CDeviceMessage RefTableValues(std::uint8_t board, std::uint8_t portType, std::uint8_t port,
                              std::uint8_t table, std::uint16_t start, std::uint16_t count);
CDeviceMessage RefTableStop(std::uint8_t board, std::uint8_t portType, std::uint8_t port, std::uint8_t table,
                            std::uint16_t start, std::uint16_t count);

// One value of a manual setting or a settings download. The value is kept as a double, which
// holds every whole number of the 32-bit fields exactly.
struct SetItem {
    std::uint16_t address = 0; // manual settings only
    std::uint16_t key = 0;
    std::uint8_t dataType = 0;
    std::uint8_t dataSize = 0;
    std::uint8_t number = 0;
    double value = 0;
};
// Value bytes (data size x number) of a manual setting and of a settings download, by the value
// codec of the item's type and width (ValueCodec.h): the number in the first element.
std::vector<std::uint8_t> ManualSetBytes(const SetItem& item);
std::vector<std::uint8_t> SettingBytes(const SetItem& item);
// The value a settings download carries once encoded (an integer type loses a fraction): what the
// device's echo is compared with.
double SentSettingValue(const SetItem& item);
// Why a value cannot go out in a manual setting ("" when it can): a type the request carries no
// value of, or a value whose bytes would show another number than the one typed.
std::string ManualSetRefusal(const SetItem& item);
// Why a value cannot go out in a settings download ("" when it can): a fraction for an integer
// type, a double point other than 0 and 1, which has no byte, or a value its bytes would change.
std::string SettingRefusal(const SetItem& item);

CDeviceMessage ManualSet(std::uint8_t board, const std::vector<SetItem>& items);
CDeviceMessage CancelEntry(std::uint8_t board, std::uint16_t device, std::uint16_t key);
CDeviceMessage CancelDevice(std::uint16_t device);
CDeviceMessage CancelTable(std::uint8_t board, std::uint8_t portType, std::uint8_t port, std::uint8_t table);
CDeviceMessage CancelAll();

// IEC 60870-5-103 generic services (kind 0).
CDeviceMessage GenericRead(std::uint8_t board, std::uint16_t device, std::uint8_t cot, std::uint8_t inf);
CDeviceMessage GroupHeadings(std::uint8_t board, std::uint16_t device);
CDeviceMessage GeneralInterrogation(std::uint8_t board, std::uint16_t device);
CDeviceMessage StopInterrogation(std::uint8_t board, std::uint16_t device);
// Reads all entries of one group: kod 10 descriptions, 1 actual values.
CDeviceMessage GroupRead(std::uint8_t board, std::uint16_t device, std::uint16_t gin, std::uint8_t kod);
CDeviceMessage SettingsWrite(std::uint8_t board, std::uint16_t device, const std::vector<SetItem>& items);
CDeviceMessage SettingsExecute(std::uint8_t board, std::uint16_t device);
CDeviceMessage TimeSync(std::uint8_t board, const CDeviceTime& time);

} // namespace quorvex::requests
