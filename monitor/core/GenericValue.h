#pragma once
// IEC 60870-5-103 generic data values: their length by data description, their text by data type,
// and text back into value bytes for the requests that carry values. Also the colour of a debug
// text by its level.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marindle {

// A generic data description: data type, data size, number of elements.
struct Gdd {
    std::uint8_t type = 0;
    std::uint8_t size = 0;
    std::uint8_t number = 0;
};

// Bytes of a value with that description: size x number, for bit strings (type 2) the bits
// rounded up to whole bytes.
std::size_t GenericValueLength(std::uint8_t type, std::uint8_t size, std::uint8_t number);

// The text of a value; `available` bytes can be read at value. A value shorter than its type needs
// gives the empty text (never a read past the end).
std::string FormatGenericValue(std::uint8_t type, std::uint8_t size, std::uint8_t number,
                               const std::uint8_t* value, std::size_t available, int decimals);

// A zeroed value of GenericValueLength bytes, filled from the text by the data type. Integers are
// cut to the bytes of their field; GenericValueFits tells whether that kept them.
std::vector<std::uint8_t> ParseGenericValue(std::string_view text, std::uint8_t type, std::uint8_t size,
                                            std::uint8_t number);

// Whether a text goes out as itself: its ParseGenericValue bytes, read back by FormatGenericValue,
// give the value typed (the same whole number, address, hexadecimal digits within the string's
// bits, text; a real that shows as itself with the page's decimals and whose float shows as it).
// A value that does not would reach the device as another one, and is not to be sent.
bool GenericValueFits(std::string_view text, std::uint8_t type, std::uint8_t size, std::uint8_t number,
                      int decimals = 3);

// The UTF-8 text of the GBK bytes of a text field, already cut at its end or its first zero. A
// double-byte character cut in two by the end of the field drops its broken first byte.
std::string GbkFieldText(const std::uint8_t* bytes, std::size_t length);

// The colour (0x00BBGGRR) of a debug text of that level.
std::uint32_t DebugLevelColour(std::uint8_t level);

} // namespace marindle
