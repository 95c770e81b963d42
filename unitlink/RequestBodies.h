#pragma once
// The bodies of the file-transfer requests every program sends to the unit, and the readers of the
// unit's answers to them (type byte first, little-endian fields). Names and texts are given in UTF-8 and go
// out in GBK; a body never passes the largest body, a text is cut at a whole character and data at the limit.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace unitlink::body {

using Bytes = std::vector<std::uint8_t>;

// Appends a little-endian field to a body.
void Put16(Bytes& b, std::uint16_t v);
void Put32(Bytes& b, std::uint32_t v);

// 2: restart the board given in the header.
Bytes Restart();
// 3: a string command, without terminator.
Bytes StringCommand(std::string_view text);
// 4: open a file of the unit: mode 0 write to the unit (length of the local file), 1 read it.
Bytes FileOpen(std::uint8_t mode, std::uint32_t length, std::string_view name);
// 5: ready to receive the file that was opened for reading.
Bytes FileReady(std::uint32_t fileId);
// 6: a data packet (more 1 when packets follow), or without data the answer to one (flag 1 taken).
Bytes FileData(std::uint32_t fileId, std::uint8_t flag, std::uint16_t packet,
               const std::uint8_t* data = nullptr, std::size_t size = 0);
// 7: close the file, named again.
Bytes FileClose(std::string_view name);
// 14: the answer to the unit's challenge.
Bytes ChallengeAnswer(std::uint32_t answer);

// Offsets of the fields in the bodies above and in the unit's answers, from the type byte.
enum FieldOffset : std::size_t {
    kOpenMode = 1,   // 4 request: 0 write to the unit, 1 read from it
    kOpenOpened = 1, // 4 answer: 1 when the file was opened
    kOpenLength = 2, // 4: the file's length (the local one on a write, the unit's on a read)
    kOpenFileId = 6, // 4 answer: the id the transfer's frames carry
    kOpenName = 6,   // 4 request: the name, GBK, zero-terminated
    kDataFileId = 1, // 5 and 6
    kDataFlag = 5,   // 5: 1 ready; 6: more packets follow, or in an answer 1 taken
    kDataPacket = 6, // 6: the packet number
    kDataBytes = 8,  // 6: the data
    kCloseName = 1,  // 7: the name, GBK, zero-terminated
    kChallenge = 1,  // 14 from the unit: 4 challenge bytes; to the unit: the answer
    kVerdict = 1,    // 15 from the unit: 1 when the answer was right
    kUnitText = 2,   // 2 from the unit: its text, to the end (the byte before it is not used)
};

// The unit's answer to an open request (type 4).
struct FileOpenReply {
    bool opened = false;
    std::uint32_t length = 0;
    std::uint32_t fileId = 0;
};
// Null when the body is too short for its fields.
std::optional<FileOpenReply> ReadFileOpenReply(const std::uint8_t* body, std::size_t size);

// A data packet or the answer to one (type 6); data points into the body.
struct FileDataFrame {
    std::uint32_t fileId = 0;
    std::uint8_t flag = 0;
    std::uint16_t packet = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};
std::optional<FileDataFrame> ReadFileData(const std::uint8_t* body, std::size_t size);

// The 4 challenge bytes of the unit's challenge (type 14), as they stand; null when short.
const std::uint8_t* ReadChallenge(const std::uint8_t* body, std::size_t size);

// The unit's verdict on the challenge answer (type 15); null when short.
std::optional<std::uint8_t> ReadVerdict(const std::uint8_t* body, std::size_t size);

// The unit's text message (type 2) as it stands (GBK), up to its first zero byte; null when short.
std::optional<std::string_view> ReadUnitText(const std::uint8_t* body, std::size_t size);

} // namespace unitlink::body
