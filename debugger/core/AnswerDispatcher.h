#pragma once
// Handles every message of the unit (a kind-1 frame with a body) that the link accepts: the
// login exchange, the port information, the file transfer steps, and the answers that go to the
// monitor windows, the single-instance windows, the data sheets and the log files.
#include "debugger/core/QuorvexShell.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace unitlink {
class CBodyReader;
namespace body {
struct FileDataFrame;
}
} // namespace unitlink

namespace quorvex {

class CDeviceLink;
using CBodyReader = unitlink::CBodyReader;

class CAnswerDispatcher {
public:
    explicit CAnswerDispatcher(CDeviceLink& link) : link_(link) {}

    // body[0] is the message type; board is the header's board byte (from 0).
    void Dispatch(const std::uint8_t* body, std::size_t length, std::uint8_t board);

private:
    // A message as its handler takes it: the body (its type first), the header's board byte and a
    // reader placed after the type.
    struct Answer {
        const std::uint8_t* body;
        std::size_t length;
        std::uint8_t board;
        CBodyReader& r;
    };
    struct Route {
        std::uint8_t type;
        bool checked; // a body shorter than the handler reads is noted
        void (*handle)(CAnswerDispatcher&, const Answer&);
    };
    struct TableAnswer;
    static const Route* FindRoute(std::uint8_t type);

    void PortFrames(CBodyReader& r, std::uint8_t board);
    void StringAnswer(const std::uint8_t* body, std::size_t length);
    void DeviceTime(CBodyReader& r);
    void DebugText(const std::uint8_t* body, std::size_t length);
    void FileOpenAnswer(CBodyReader& r, std::uint8_t board);
    void FileChunkAnswer(const std::uint8_t* body, std::size_t length, std::uint8_t board);
    void DownloadChunkAnswer(const unitlink::body::FileDataFrame& packet, std::uint8_t board);
    void UploadChunk(const unitlink::body::FileDataFrame& packet, std::uint8_t board);
    void FinishUpload();
    void Directory(CBodyReader& r);
    void RefTable(CBodyReader& r, std::uint8_t board);
    void TableValues(CBodyReader& r, TableAnswer& t, std::uint16_t count);
    void TableEntries(CBodyReader& r, TableAnswer& t, std::uint16_t count, bool last);
    void TableEvent(CBodyReader& r, TableAnswer& t);
    void Challenge(CBodyReader& r);
    void Verdict(CBodyReader& r);
    void ProtocolText(const std::uint8_t* body, std::size_t length, std::uint8_t board);
    void PortInformation(const std::uint8_t* body, std::size_t length, std::uint8_t board);
    void RemoteCommands(CBodyReader& r);
    void HistoryEvents(CBodyReader& r);
    void SetAnswer(CBodyReader& r, bool cancel);
    void CancelAllAnswer(CBodyReader& r);
    void DeviceCancelAnswer(CBodyReader& r);
    void TableCancelAnswer(CBodyReader& r, std::uint8_t board);
    void CommStatus(CBodyReader& r, bool ports);
    void WaveRecords(CBodyReader& r);
    void FailTransfer();
    void Truncated(std::uint8_t type);

    CDeviceLink& link_;
};

// The name the save dialog of an upload proposes: the unit's own file name (the last component
// of its path), dots and all; empty when that is no name for a file here.
std::string UploadSaveName(const std::string& transferName);

// The colour of the unit's debug text by its source code.
Rgb DebugTextColour(std::uint8_t source);

} // namespace quorvex
