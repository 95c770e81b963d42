#pragma once
// The string-command console's history of sent commands, walked with Up, Down and Right.
#include <string>
#include <vector>

namespace quorvex {

// The sent commands, oldest first, and the cursor of Up and Down (-1: none).
class CCommandHistory {
public:
    void Add(const std::string& text) { items_.push_back(text); }
    void ResetCursor() { cursor_ = -1; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Up: the text that replaces the current line.
    std::string Back(const std::string& lastLine);
    // Down: false without a cursor.
    bool Forward(std::string& text);
    // The entry Right copies from: the one at the cursor, or the newest.
    std::string Current() const;

private:
    std::vector<std::string> items_;
    int cursor_ = -1;
};

} // namespace quorvex
