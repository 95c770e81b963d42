#pragma once
// Texts of IEC 60870-5-103 generic data values as the debugging program shows them: the actual
// values of the real-time data base and reference tables, the group values of the settings page,
// the values of remote commands and history events, and the number a settings echo stands for.
// Every function reads only the len bytes it is given.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvex {

// "分" for 1, "合" for 2, "数据错" otherwise.
std::string DoublePointText(unsigned dp);

// Actual-value text of a value of the given data type. False for a type without a text (or a
// value too short for its type): the caller keeps the text it had. With anyLength12 a type-12
// value of one byte or more is converted (reference tables); otherwise only one of two bytes.
// The numbers are read by the value codec of the type and element width (ValueCodec.h).
bool ActualValueText(std::uint8_t dataType, std::uint8_t dataSize, const std::uint8_t* data, std::size_t len,
                     std::string& text, bool anyLength12 = false);

// Group-value text for the settings page; false leaves the text unchanged.
bool GroupValueText(std::uint8_t dataType, std::uint8_t dataSize, std::uint8_t number,
                    const std::uint8_t* data, std::size_t len, std::string& text);

// Value texts of remote commands and history events (empty for types without one).
std::string RemoteCommandValueText(std::uint8_t dataType, std::uint8_t dataSize, const std::uint8_t* data,
                                   std::size_t len);
std::string HistoryEventValueText(std::uint8_t dataType, std::uint8_t dataSize, const std::uint8_t* data,
                                  std::size_t len);

// The message of a typed value its field cannot hold, wherever it is refused.
inline constexpr const char* kValueOutOfRange = "输入数值越限!";

// The number an echoed setting stands for, as the value codec reads it: unsigned integers, floats,
// and double points (1 gives 0, 2 gives 1); 0 for anything else.
double EchoValue(std::uint8_t dataType, std::uint8_t dataSize, const std::uint8_t* data, std::size_t len);

// A number text without the zeros after its decimal point, and then without a bare point
// ("1.500" gives "1.5", "2.000" gives "2"); text without a point is returned as it is.
std::string TrimNumber(std::string text);

// The time of a spontaneous event: "%u时%u分%u秒%u毫秒" (ms within the minute).
std::string EventTimeText(unsigned hours, unsigned minutes, unsigned ms);

// The value texts' own words.
inline constexpr const char* kDataError = "数据错";
inline constexpr const char* kNoData = "无数据";
inline constexpr const char* kUndefined = "未定义";
inline constexpr const char* kInvalidMark = "|无效";
inline constexpr const char* kOverflowMark = "|溢出";

// Integer value of at most 4 little-endian bytes.
std::uint32_t LeValue(const std::uint8_t* data, std::size_t len);

} // namespace quorvex
