#pragma once
// Small text helpers shared by every module: printf-style formatting and number parsing that
// always use the C locale (the widgets' locale must never put a decimal comma into a file),
// ASCII case folding and trimming.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// printf-style formatting in the C locale, whatever the process locale is.
std::string StrFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// atoi as the C runtime does it: leading blanks, an optional sign, then decimal digits; 0 on none.
// Numbers beyond the type's range saturate to its limit.
int AtoI(std::string_view s);
long long AtoLL(std::string_view s);
// atof in the C locale: leading blanks, then the longest number prefix; 0.0 on none.
double AtoF(std::string_view s);

std::string ToLowerAscii(std::string_view s);
std::string ToUpperAscii(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Compares without regard to ASCII letter case: <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);

// Blanks are space, tab, CR, LF, vertical tab and form feed.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// Byte length of the UTF-8 character whose first byte is lead; 1 for a byte that starts none.
inline std::size_t Utf8CharLength(unsigned char lead) {
    return lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 1;
}

// The offset of the first byte that does not belong to a well-formed UTF-8 character (an
// overlong form, a surrogate, a code point past U+10FFFF, a stray or missing continuation byte);
// npos when the whole text is well formed.
std::size_t FirstInvalidUtf8(std::string_view text);
// Whether the code is a character XML documents may hold (the Char production: tab, line feed,
// carriage return, and U+0020 to U+10FFFF without the surrogates, U+FFFE and U+FFFF).
bool IsXmlChar(std::uint32_t code);
// The offset of the first byte of the text that is not well-formed UTF-8 or starts a character
// XML does not allow; npos when there is none.
std::size_t FirstNonXmlChar(std::string_view text);

bool StartsWith(std::string_view s, std::string_view prefix);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);

// "%02x " for every byte and a line break after each bytesPerLine bytes (none when it is 0): the
// one hex-dump layout of every monitor pane (the main tool's breaks after 16 bytes; the device
// tools' frame monitors write a frame on one line).
std::string HexDump(const std::uint8_t* data, std::size_t size, std::size_t bytesPerLine = 16);
inline std::string HexDump(std::string_view bytes, std::size_t bytesPerLine = 16) {
    return HexDump(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), bytesPerLine);
}

// An IPv4 address held with its most significant byte first, as "a.b.c.d".
std::string DottedIPv4(std::uint32_t address);
// A complete dotted IPv4 address as typed: four decimal numbers 0..255 of at most three digits
// each, nothing before or after.
bool IsDottedIPv4(std::string_view text);

} // namespace platform
