#pragma once
// What the monitor program does with each frame from the unit: the dispatcher of the unit's
// management messages (kind 1) and the parser of the IEC 60870-5-103 generic-service ASDUs the
// devices send (kind 0). It keeps the data model up to date, answers the login steps, sends the
// follow-up requests, reads each device's settings structure step by step, and hands decoded
// records to the open monitor windows. A body shorter than its counts announce is read only as
// far as it goes; the frame's caption then says so.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace marindle {

class CDeviceLink;
class CDevModel;
class CDeviceRecord;
class IMonitorWindows;
class ILinkHost;

// Appended to the caption of a frame whose body ends before what it announces.
inline constexpr const char* kTruncatedMark = "(报文不完整)";
// Shown when the port information cannot be taken whole (the link is then dropped).
inline constexpr const char* kPortInfoIncomplete =
    "通讯装置的端口信息不完整，已断开连接。\n请检查通讯装置的配置后重新连接。";

class CMessageDispatcher {
public:
    CMessageDispatcher(CDeviceLink& link, CDevModel& model, IMonitorWindows& windows, ILinkHost& host);

    // A kind-1 body (at least the message code), the header's board; caption gets the message name.
    void DispatchFrame(const std::uint8_t* body, std::size_t length, std::uint8_t board,
                       std::string& caption);
    // A kind-0 body and the header's source address.
    void OnAsduFrame(const std::uint8_t* body, std::size_t length, std::uint16_t source,
                     std::string& caption);

    // The steps that read a device's settings structure, each sending one request.
    void DescriptionsStep(CDeviceRecord& device);
    void DimensionsStep(CDeviceRecord& device);
    void PrecisionStep(CDeviceRecord& device);
    void RangesStep(CDeviceRecord& device);

    // The structure tree's "刷新": deletes the device's groups and reads its structure again.
    // "装置未连通。" and 0 while the device is not communicating.
    int ReinitialiseDevice(CDeviceRecord& device);
    // Starts the reading again for a device whose structure is not complete (a window was refused).
    int RestartReading(CDeviceRecord& device);
    // "信号复归"; "装置未连通。" and 0 while the device is not communicating.
    int SignalReset(CDeviceRecord& device);

private:
    class Reader;

    void OnFrameMonitor(const Reader& r, std::uint8_t board, std::string& caption);
    void OnDirectory(const Reader& r, std::string& caption);
    void OnRefTable(const Reader& r, std::uint8_t board, std::string& caption);
    void OnPortInfo(const Reader& r, std::string& caption);
    void OnRemoteCommands(const Reader& r, std::string& caption);
    void OnHistoryEvents(const Reader& r, std::string& caption);
    void OnManualReply(const Reader& r, bool set, std::string& caption);
    void OnDeviceStates(const Reader& r, std::string& caption);
    void OnLinkStates(const Reader& r, std::string& caption);
    void OnWaveRecords(const Reader& r, bool withSource, std::string& caption);
    void OnDeviceInfo(const Reader& r, std::string& caption);
    void OnPortDescriptions(const Reader& r, std::string& caption);
    void OnLog(const Reader& r, std::string& caption);
    void OnStatistics(const Reader& r, std::string& caption);
    void OnGenericRead(CDeviceRecord& device, const Reader& r, std::string& caption);

    CDeviceLink& link_;
    CDevModel& model_;
    IMonitorWindows& windows_;
    ILinkHost& host_;
};

// The time of an event value by its data type: the device time after the state byte (18) or
// after four more bytes (19), the CP56Time2a stamp at the same places (203, 204); time 0 for
// other types or a value too short to hold it.
std::time_t EventTimeOfValue(std::uint8_t type, const std::uint8_t* value, std::size_t available,
                             std::uint16_t* milliseconds);

} // namespace marindle
