#pragma once
// Point classes of IEC 61850 data attributes, the fifteen point categories with their codes and
// bits, and the small text helpers the classification library shares.
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

// Splits at `separator` outside parentheses and quotes; every item trimmed, empty ones kept (the
// main tool's own splitter, so both read a line alike).
void SplitQuoted(std::string_view text, std::vector<std::string>& list, char separator);
std::string TrimmedCopy(std::string_view text);
// Removes the file when it exists; false when that failed.
bool DeleteFileIfExists(const std::string& path);

// A text as one field of a point line: what the main tool's entry parser and the reload cannot
// read back (the line's separators, quotes, brackets, unbalanced parentheses, line breaks) becomes
// blanks, by the main tool's own configuration-line rule; trimmed, as the readers trim fields.
std::string CleanFieldText(std::string_view text);

} // namespace iedinterface
