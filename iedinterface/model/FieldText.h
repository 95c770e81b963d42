#pragma once
// The fields of a device-model point line: how a line is cut into fields and what a field may hold,
// by the main tool's own configuration-line rules, so that both programs read a line alike.
#include <string>
#include <string_view>
#include <vector>

namespace iedinterface {

// Splits at `separator` outside parentheses and quotes; every item trimmed, empty ones kept (the
// main tool's own splitter).
void SplitQuoted(std::string_view text, std::vector<std::string>& list, char separator);

// A text as one field of a point line: what the main tool's entry parser and the reload cannot
// read back (the line's separators, quotes, brackets, unbalanced parentheses, line breaks) becomes
// blanks, by the main tool's own configuration-line rule; trimmed, as the readers trim fields.
std::string CleanFieldText(std::string_view text);

} // namespace iedinterface
