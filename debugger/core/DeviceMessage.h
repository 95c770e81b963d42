#pragma once
// An outgoing message of the debugging program: a body, its kind (1 a message of the unit, 0 an
// IEC 60870-5-103 ASDU for a device), the board byte of the header and the device address.
#include <cstdint>
#include <vector>

namespace quorvex {

class CDeviceMessage {
public:
    static constexpr std::uint32_t kMaxBody = 65000;
    static constexpr std::uint8_t kKindAsdu = 0;
    static constexpr std::uint8_t kKindUnit = 1;
    static constexpr std::uint8_t kKindUnset = 2;

    CDeviceMessage() = default;
    CDeviceMessage(std::uint8_t kind, std::uint8_t board, std::uint16_t address,
                   std::vector<std::uint8_t> body)
        : body_(std::move(body)), kind_(kind), board_(board), address_(address) {}
    virtual ~CDeviceMessage() = default;
    CDeviceMessage(const CDeviceMessage&) = default;
    CDeviceMessage& operator=(const CDeviceMessage&) = default;

    // n zeroed bytes in place of the body; above 65000 the message stays as it was (false).
    bool Allocate(std::uint32_t n);
    // Copies n bytes to the start of the body, first growing it to n when it is shorter.
    void CopyBody(const std::uint8_t* data, std::uint32_t n);

    const std::uint8_t* GetBody() const { return body_.empty() ? nullptr : body_.data(); }
    std::uint8_t* Body() { return body_.empty() ? nullptr : body_.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return body_; }
    std::uint32_t GetLength() const { return static_cast<std::uint32_t>(body_.size()); }
    std::uint8_t GetKind() const { return kind_; }
    std::uint8_t GetBoard() const { return board_; }
    std::uint16_t GetAddress() const { return address_; }
    void SetAddress(std::uint16_t address) { address_ = address; }

private:
    std::vector<std::uint8_t> body_;
    std::uint8_t kind_ = kKindUnset;
    std::uint8_t board_ = 255;
    std::uint16_t address_ = 0xFFFF;
};

} // namespace quorvex
