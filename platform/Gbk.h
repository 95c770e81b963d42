#pragma once
// Conversion between the programs' UTF-8 text and the GBK (code page 936) bytes used wherever
// text leaves or enters the programs: library and configuration files, frames, archives.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Strict conversions: false when the input holds bytes or characters that have no counterpart.
// `out` then holds everything that could be converted, with '?' in place of each bad sequence.
bool Utf8ToGbk(std::string_view utf8, std::string& out);
bool GbkToUtf8(std::string_view gbk, std::string& out);
// The same, appending to out what the text converts to.
bool AppendGbk(std::string_view utf8, std::string& out);
bool AppendUtf8(std::string_view gbk, std::string& out);
// The same conversions done wholly by iconv. The ones above give exactly what these give, but
// convert ASCII and the characters iconv maps (looked up in tables filled from iconv) without a
// call per text; these are what they are checked against.
bool Utf8ToGbkByIconv(std::string_view utf8, std::string& out);
bool GbkToUtf8ByIconv(std::string_view gbk, std::string& out);

// Lossy conversions for places that must go on: a bad sequence becomes '?'.
std::string ToGbk(std::string_view utf8);
std::string FromGbk(std::string_view gbk);

// Whether a UTF-8 text goes to GBK and back unchanged. A name, path or command that does not would
// reach the unit with '?' in place of its characters, so it is refused where it is typed.
bool SurvivesGbk(std::string_view utf8);
// What is said of a path or file name, and of other typed text, that does not survive.
inline constexpr const char* kPathNotGbk = "路径含有无法转换的字符!";
inline constexpr const char* kTextNotGbk = "输入内容含有无法转换的字符!";
// Text of a document that declares a GBK-family encoding (GB2312, GBK, GB18030), decoded with the
// GB18030 decoder, a superset of the others: one function both checks and converts the bytes. The
// offset of the first sequence that is not valid GB18030 (a well-formed pair it does not map
// included), npos when every one is; out, when given, gets the UTF-8 text with '?' in place of
// each invalid sequence (of one, two or four bytes as its form says: the next character is kept).
std::size_t DecodeGb18030(std::string_view bytes, std::string* out);
// The same where the text is already known to be valid.
std::string FromGb18030(std::string_view bytes);

// Length of a UTF-8 text once converted to GBK.
std::size_t GbkLength(std::string_view utf8);

// Cuts a UTF-8 text so that its GBK form has at most maxBytes bytes, never splitting a character.
std::string TruncateGbk(std::string_view utf8, std::size_t maxBytes);

// Cuts GBK bytes to at most maxBytes without leaving half of a double-byte character at the end.
std::string TruncateGbkBytes(std::string_view gbk, std::size_t maxBytes);

// Orders two UTF-8 texts by their GBK bytes (the order users know for Chinese names).
int CompareGbk(std::string_view a, std::string_view b);
// The same, without regard to ASCII letter case.
int CompareGbkNoCase(std::string_view a, std::string_view b);

} // namespace platform
