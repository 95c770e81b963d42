#pragma once
// Constant name tables shared by the main tool: the serial controller's bit names, the seven
// point categories with their codes, and the column titles of the point, device and reference
// lists. Each table exists once.
#include <array>
#include <string>
#include <string_view>

namespace projectmodel {

// Bit names of the serial controller; the control names are four characters each.
extern const std::array<std::string_view, 6> SerialControlBitNames;
extern const std::array<std::string_view, 6> SerialStatusBitNames;
// The value tables that accompany them (all empty).
extern const std::array<std::string_view, 6> SerialControlBitValues;
extern const std::array<std::string_view, 6> SerialStatusBitValues;

// Point categories: the index is the category (0..6).
constexpr int kPointCategoryCount = 7;
constexpr int kInfoTypeYC = 0;
constexpr int kInfoTypeYX = 1;
constexpr int kInfoTypeYM = 2;
constexpr int kInfoTypeYK = 3;
constexpr int kInfoTypeYT = 4;
constexpr int kInfoTypeYP = 5;
constexpr int kInfoTypeOther = 6;
constexpr int kInfoTypeYKYX = 7; // combined telecontrol and telesignal
constexpr int kInfoTypeDevice = 8;

extern const std::array<std::string_view, 7> PointCategoryNames;
// The codes, with two entries past the categories: 7 "YKYX" and 8 "DEV".
extern const std::array<std::string_view, 9> PointCategoryCodes;

// The category name of a group type for lists and files: the name for 0..6, the code for 7 and
// 8 (so that it reads back to the same type), "" for anything else.
std::string_view PointCategoryName(int type);

// Category name or code to the type index, without regard to case: 0..6 for the seven names or
// codes, 7 for "YXYK"/"YKYX", 8 for "DEV", 6 for anything else.
int InfoTypeFromName(std::string_view text);

// Column titles, in order.
extern const std::array<std::string_view, 8> PointListColumns;
extern const std::array<std::string_view, 8> DeviceTableColumns;
extern const std::array<std::string_view, 7> RefTableColumns;

} // namespace projectmodel
