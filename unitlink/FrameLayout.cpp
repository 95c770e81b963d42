#include "unitlink/FrameLayout.h"

#include <cstring>

namespace unitlink {

FrameHeaderFields ConfigToolHeader(std::uint8_t board) {
    FrameHeaderFields f;
    f.board = board;
    f.kind = kKindDsdu;
    return f;
}

FrameHeaderFields DeviceToolHeader(std::uint8_t kind, std::uint8_t board, std::uint16_t deviceAddress,
                                   std::uint16_t sequence) {
    FrameHeaderFields f;
    f.kind = kind;
    f.board = board;
    f.target = kind == kKindAsdu ? deviceAddress : 0;
    f.sequence = sequence;
    f.direction = 1;
    f.word20 = 16;
    return f;
}

void WriteHeader(std::uint8_t* h, std::uint32_t bodyLength, const FrameHeaderFields& f) {
    std::memset(h, 0, kHeaderSize);
    h[kOffSync] = kSync0;
    h[kOffSync + 1] = kSync1;
    PutU32(h + kOffLength, bodyLength + kLengthBias);
    h[kOffSync2] = kSync0;
    h[kOffSync2 + 1] = kSync1;
    PutU16(h + kOffTarget, f.target);
    PutU16(h + kOffSequence, f.sequence);
    PutU16(h + kOffDirection, f.direction);
    PutU16(h + kOffWord20, f.word20);
    h[kOffBoard] = f.board;
    h[kOffKind] = f.kind;
}

std::vector<std::uint8_t> BuildFrame(const std::uint8_t* body, std::size_t bodyLength,
                                     const FrameHeaderFields& fields) {
    std::vector<std::uint8_t> frame(kHeaderSize + bodyLength);
    WriteHeader(frame.data(), static_cast<std::uint32_t>(bodyLength), fields);
    if (bodyLength)
        std::memcpy(frame.data() + kHeaderSize, body, bodyLength);
    return frame;
}

bool HasSyncMarks(const std::uint8_t* p) {
    return p[0] == kSync0 && p[1] == kSync1 && p[6] == kSync0 && p[7] == kSync1;
}

int CheckHeader(const std::uint8_t* frame, std::size_t size, CheckPolicy policy) {
    if (size < kHeaderSize || !HasSyncMarks(frame))
        return -1;
    const std::uint8_t kindByte = frame[kOffKind];
    switch (policy) {
    case CheckPolicy::ConfigTool:
        return kindByte == (kFromUnit | kKindDsdu) ? kKindDsdu : -1;
    case CheckPolicy::DeviceTool: {
        if (GetU32(frame + kOffLength) == 0 || GetU16(frame + kOffDirection) != kUnitDirection)
            return -1;
        if (!(kindByte & kFromUnit))
            return -1;
        const int kind = kindByte & 0x7F;
        return kind == kKindAsdu || kind == kKindDsdu ? kind : -1;
    }
    }
    return -1;
}

std::uint32_t ComputeChallengeAnswer(const std::uint8_t c[4], std::uint16_t key) {
    std::uint32_t v = (static_cast<std::uint32_t>(c[0]) << 24 | static_cast<std::uint32_t>(c[1]) << 16 |
                       static_cast<std::uint32_t>(c[2]) << 8 | c[3]) +
                      key;
    const unsigned n = ((v & 0xFF) + (v >> 8 & 0xFF) + (v >> 16 & 0xFF) + (v >> 24)) & 15;
    std::uint32_t carry = 0, answer = 0;
    for (unsigned i = 0; i <= n; ++i) {
        const std::uint32_t top = v >> 31;
        v = v << 1 | carry;
        carry = top;
        answer ^= v;
    }
    return answer;
}

} // namespace unitlink
