#pragma once
// The one frame format between every tool of the suite and the communication unit: a 28-byte
// little-endian header with two synchronisation marks and a length, then the message type and its
// payload. The header is written and checked here for all programs; each program picks its policy.
// Also the answer to the unit's 4-byte password challenge.
#include "platform/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace unitlink {

constexpr std::size_t kHeaderSize = 28;
// The length field counts the bytes from the type byte on, plus this bias (frame length - 8).
constexpr std::uint32_t kLengthBias = 20;
constexpr std::uint8_t kSync0 = 0x90;
constexpr std::uint8_t kSync1 = 0xEB;

// Byte offsets of the header fields and of the body.
enum Offset : std::size_t {
    kOffSync = 0,
    kOffLength = 2,
    kOffSync2 = 6,
    kOffSource = 10,
    kOffTarget = 14,
    kOffSequence = 16,
    kOffDirection = 18,
    kOffWord20 = 20,
    kOffBoard = 26,
    kOffKind = 27,
    kOffType = 28,
    kOffPayload = 29,
};

// The largest body a frame carries, from any program of the suite or from the unit (whose messages
// are built the same way, at most 65000 bytes of body), and so the largest frame: 65,028 bytes. A
// longer length is not taken for a frame at all.
constexpr std::size_t kMaxBody = 65000;
constexpr std::size_t kLargestFrame = kMaxBody + kHeaderSize;

// The longest file any program of the suite sends to the unit or takes from it (100 MB). A length
// the unit announces above it is refused before a byte is written.
constexpr std::uint32_t kMaxTransferLength = 104857600;

// Frame kinds (low bits of byte 27): a message of the unit itself, or an ASDU carried for a device.
constexpr std::uint8_t kKindAsdu = 0;
constexpr std::uint8_t kKindDsdu = 1;
// Bit 7 of byte 27 marks frames that come from the unit.
constexpr std::uint8_t kFromUnit = 0x80;
// The direction word the unit writes into frames for the monitor and debugging programs.
constexpr std::uint16_t kUnitDirection = 43;

// The additive constant of the configuration tool's challenge answer, and the device-login key
// number that the monitor and debugging programs use.
constexpr std::uint16_t kConfigToolKey = 48126;
constexpr std::uint16_t kDeviceLoginKey = 30517;

// Little-endian field access.
using platform::GetI32;
using platform::GetU16;
using platform::GetU32;
using platform::PutU16;
using platform::PutU32;

// What a program writes into the header of a frame it sends. The configuration tool leaves every
// field 0 but the board and kind 1; the monitor and debugging programs fill in the rest.
struct FrameHeaderFields {
    std::uint16_t target = 0;
    std::uint16_t sequence = 0;
    std::uint16_t direction = 0;
    std::uint16_t word20 = 0;
    std::uint8_t board = 0;
    std::uint8_t kind = kKindDsdu;
};

// The configuration tool's header: all zero but the board, kind 1.
FrameHeaderFields ConfigToolHeader(std::uint8_t board = 0);
// The monitor and debugging programs' header: direction 1, word 20 = 16, the sequence number, and
// the device address at offset 14 only for kind 0.
FrameHeaderFields DeviceToolHeader(std::uint8_t kind, std::uint8_t board, std::uint16_t deviceAddress,
                                   std::uint16_t sequence);

// Writes the 28 header bytes for a body (type byte and payload) of bodyLength bytes.
void WriteHeader(std::uint8_t* header, std::uint32_t bodyLength, const FrameHeaderFields& fields);
// A whole frame: header followed by the body.
std::vector<std::uint8_t> BuildFrame(const std::uint8_t* body, std::size_t bodyLength,
                                     const FrameHeaderFields& fields);

// True when the synchronisation marks stand at offsets 0 and 6 (at least 8 bytes must be there).
bool HasSyncMarks(const std::uint8_t* p);

// How a program checks the header of a frame it receives.
enum class CheckPolicy {
    // Sync marks, and byte 27 exactly 0x81.
    ConfigTool,
    // Sync marks, a length other than 0, direction word 43, byte 27 with bit 7 set and low bits 0 or 1.
    DeviceTool,
};

// The kind (0 or 1) of a received frame whose header passes the policy, or -1 when it does not (or
// is shorter than a header).
int CheckHeader(const std::uint8_t* frame, std::size_t size, CheckPolicy policy);

// The answer to the unit's challenge bytes c0..c3 (as they stand in the frame) with the additive
// key: the challenge read big-endian plus the key, then n + 1 rotations left through a carry
// (n = byte sum & 15), each XORed into the answer. The answer is sent little-endian.
std::uint32_t ComputeChallengeAnswer(const std::uint8_t challenge[4], std::uint16_t key);

} // namespace unitlink
