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
    struct AsduContext;
    struct PortSerials;
    struct RefTablePart;

    // One handler per message code of a management body; board is the frame header's.
    using Handler = void (CMessageDispatcher::*)(const Reader& r, std::uint8_t board, std::string& caption);
    struct MessageHandler {
        std::uint8_t code;
        const char* caption; // the frame's caption, or null when the handler names it
        Handler handle;
    };
    static const MessageHandler* HandlerFor(std::uint8_t code);

    void OnFrameMonitor(const Reader& r, std::uint8_t board, std::string& caption);
    void OnDebugText(const Reader& r, std::uint8_t board, std::string& caption);
    void OnCommandAnswer(const Reader& r, std::uint8_t board, std::string& caption);
    void OnFileOpenReply(const Reader& r, std::uint8_t board, std::string& caption);
    void OnFileData(const Reader& r, std::uint8_t board, std::string& caption);
    void OnDirectory(const Reader& r, std::uint8_t board, std::string& caption);
    void OnRefTable(const Reader& r, std::uint8_t board, std::string& caption);
    void OnLoginChallenge(const Reader& r, std::uint8_t board, std::string& caption);
    void OnLoginReply(const Reader& r, std::uint8_t board, std::string& caption);
    void OnProtocolText(const Reader& r, std::uint8_t board, std::string& caption);
    void OnPortInfo(const Reader& r, std::uint8_t board, std::string& caption);
    void OnRemoteCommands(const Reader& r, std::uint8_t board, std::string& caption);
    void OnHistoryEvents(const Reader& r, std::uint8_t board, std::string& caption);
    void OnManualSetReply(const Reader& r, std::uint8_t board, std::string& caption);
    void OnManualCancelReply(const Reader& r, std::uint8_t board, std::string& caption);
    void OnCancelAllReply(const Reader& r, std::uint8_t board, std::string& caption);
    void OnDeviceStates(const Reader& r, std::uint8_t board, std::string& caption);
    void OnLinkStates(const Reader& r, std::uint8_t board, std::string& caption);
    void OnWaveRecords(const Reader& r, std::uint8_t board, std::string& caption);
    void OnSourcedWaveRecords(const Reader& r, std::uint8_t board, std::string& caption);
    void OnBoardClock(const Reader& r, std::uint8_t board, std::string& caption);
    void OnDeviceInfo(const Reader& r, std::uint8_t board, std::string& caption);
    void OnPortDescriptions(const Reader& r, std::uint8_t board, std::string& caption);
    void OnLog(const Reader& r, std::uint8_t board, std::string& caption);
    void OnStatistics(const Reader& r, std::uint8_t board, std::string& caption);
    void OnVersion(const Reader& r, std::uint8_t board, std::string& caption);

    // Parts of the handlers above.
    void ManualReply(const Reader& r, bool set, std::string& caption);
    void WaveRecords(const Reader& r, bool withSource, std::string& caption);
    void RefTableEvents(const RefTablePart& part, std::string& caption);
    void RefTableValues(const RefTablePart& part, std::string& caption);
    void RefTableRows(const RefTablePart& part, std::string& caption);
    // One list of ports of a board into the model; false when the body ends early or an item is
    // refused.
    bool ReadPortList(const Reader& r, std::size_t& off, std::uint8_t board, int kind, PortSerials& serials);
    // Every board of a port information; false when it cannot be taken whole.
    bool ReadBoards(const Reader& r);

    // The generic-service answers of a device, by their cause of transmission.
    void OnSpontaneousValues(const AsduContext& a, std::string& caption);
    void OnInterrogationValues(const AsduContext& a, std::string& caption);
    void OnWriteReply(const AsduContext& a, std::uint8_t cot, std::string& caption);
    void OnGroupTitles(const AsduContext& a, std::string& caption);
    void OnReadRefused(const AsduContext& a, std::string& caption);
    void OnGenericRead(CDeviceRecord& device, const Reader& r, std::string& caption);
    // Keeps one data set of a structure or value read; lastGroup gets the group of a value.
    void StoreReadItem(CDeviceRecord& device, std::uint16_t gin, const std::uint8_t* value, std::size_t vlen,
                       std::uint8_t type, std::uint8_t size, std::uint8_t number, int& lastGroup);
    // The read of the device's current step is complete: the next step, or the values shown.
    void FinishRead(CDeviceRecord& device, int lastGroup);

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
