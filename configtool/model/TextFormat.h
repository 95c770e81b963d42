#pragma once
// The texts the monitor pane appends: lines and hexadecimal dumps of link bytes. Line breaks are
// "\n", the text control's own line end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qxm7740 {

class CTextFormat {
public:
    // The text, followed by a line break when newline is set.
    static std::string Line(std::string_view text, bool newline);
    // "%02x " per byte, a line break after every bytesPerLine bytes when that is above 0, and one
    // more line break at the end with newline. "" for no bytes.
    static std::string Hex(const std::uint8_t* bytes, std::size_t count, bool newline, int bytesPerLine = 16);
};

} // namespace qxm7740
