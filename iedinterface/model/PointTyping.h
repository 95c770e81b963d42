#pragma once
// Point classes of IEC 61850 data attributes and the fifteen point categories with their codes and
// bits.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace iedinterface {

// Category codes (the device-model section kinds).
enum : std::int16_t {
    CODE_YC = 100,
    CODE_YX = 101,
    CODE_YM = 102,
    CODE_YK = 103,
    CODE_YT = 104,
    CODE_YP = 105,
    CODE_OTHER = 106,
};

constexpr int kClassFirst = 10; // status
constexpr int kClassCount = 6;  // 10..15
constexpr int kCategoryCount = 15;

// Caption of the class tab for class 10..15 ("" otherwise).
const char* ClassTabCaption(int pointClass);

// Class of an attribute key "FC$CDC$path": the class of the first pattern the key equals or
// contains, 1 when a pattern contains the key first (go deeper), 0 when nothing matches.
int ClassifyDataAttribute(std::string_view key);

// The category bits that a point of the class may be sorted into, out of `bits`.
std::int16_t CategoryMaskForClass(int pointClass, int bits);

// Name and code of category row `index`; an index outside 0..14 gives "" and 0xFFFF.
std::int16_t GetPointCategory(int index, std::string& name);
// Category bit of row `index` (0 outside the table).
int CategoryBit(int index);
// Row index of the category named `name` (without regard to case), or -1.
int CategoryIndexFromName(std::string_view name);
// Code of the category named `name`, or -1.
std::int16_t CategoryFromName(std::string_view name);
// "YC" .. "OTHER" for the codes 100..106, "" otherwise.
const char* CodeText(int code);
// Index 0..6 of the category lists kept per code (YC, YX, YK, YT, YM, YP, OTHER), or -1.
int CodeListIndex(int code);
constexpr int kCodeListCount = 7;

} // namespace iedinterface
