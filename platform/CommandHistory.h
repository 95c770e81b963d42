#pragma once
// A console's history of sent lines, walked with Up and Down, and the completion that Right
// copies from it.
#include <string>
#include <vector>

namespace platform {

// The sent lines, oldest first, and the cursor of Up and Down (-1: none).
class CCommandHistory {
public:
    void Add(const std::string& line) { lines_.push_back(line); }
    void ResetCursor() { cursor_ = -1; }
    bool Empty() const { return lines_.empty(); }
    int Count() const { return static_cast<int>(lines_.size()); }
    int Cursor() const { return cursor_; }
    // Up: the text the current line takes, or false when the history is empty. Without a cursor
    // it starts at the newest, or at the one before when the line already shows the newest; it
    // stays on the oldest.
    bool Up(const std::string& currentLine, std::string& text);
    // Down: false without a cursor; it stays on the newest.
    bool Down(std::string& text);
    // The entry Right copies from: the one at the cursor, or the newest; empty when there is none.
    std::string Current() const;
    // Right at the end of the line: the one character (UTF-8) of Current() that follows the line's
    // length in bytes, or empty.
    std::string Completion(const std::string& currentLine) const;

private:
    std::vector<std::string> lines_;
    int cursor_ = -1;
};

} // namespace platform
