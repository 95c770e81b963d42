#pragma once
// Handles the IEC 60870-5-103 ASDUs (kind-0 frames) the devices send back through the unit:
// spontaneous events, general interrogation data, group headings, entry descriptions and group
// values of a generic read, and the confirmations of a settings download.
#include <cstddef>
#include <cstdint>

namespace unitlink {
class CBodyReader;
}

namespace quorvex {

class CDeviceLink;
using CBodyReader = unitlink::CBodyReader;

class CIec103Handler {
public:
    // The six tele-category words whose groups belong to the data-base page.
    static bool IsTeleCategory(const char* titleUtf8);

    explicit CIec103Handler(CDeviceLink& link) : link_(link) {}

    void Handle(const std::uint8_t* asdu, std::size_t length, std::uint8_t board, std::uint16_t source);

private:
    void Spontaneous(CBodyReader& r, std::uint8_t ngd, std::uint16_t source);
    void Interrogation(CBodyReader& r, std::uint8_t ngd, std::uint16_t source);
    void Headings(CBodyReader& r, std::uint8_t ngd, std::uint8_t board, std::uint16_t source);
    void Descriptions(CBodyReader& r, std::uint8_t ngd, std::uint8_t board, std::uint16_t source);
    void GroupValues(CBodyReader& r, std::uint8_t ngd, std::uint16_t source);
    void WriteConfirmation(CBodyReader& r, std::uint8_t ngd, std::uint8_t board, std::uint16_t source);

    CDeviceLink& link_;
};

} // namespace quorvex
