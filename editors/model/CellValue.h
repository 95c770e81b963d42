#pragma once
// Checks of a value typed into a list cell: numbers outside their range are clamped with the
// messages every editor shows, and the clamped number is formatted back.
#include <string>
#include <string_view>

namespace editors {

inline constexpr const char* kClampedToMinimum = "数值越限，自动设定为最小值!";
inline constexpr const char* kClampedToMaximum = "数值越限，自动设定为最大值!";

// The text read as an integer (as atoi) and clamped to min..max with the message; "%d".
std::string ClampIntText(std::string_view text, long long min, long long max);
// The text read as a number (as atof) and clamped to min..max with the message; "%f".
std::string ClampFloatText(std::string_view text, double min, double max);
// The value of an option item of kind (BYTE, WORD, INT, FLOAT; other kinds as typed) with the
// range given by its choices when they hold exactly two entries (minimum first).
std::string CheckOptionValue(std::string_view kind, const std::string* minText, const std::string* maxText,
                             std::string_view text);

} // namespace editors
