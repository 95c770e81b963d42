#include "platform/CommandHistory.h"

#include "platform/Text.h"

namespace platform {

bool CCommandHistory::Up(const std::string& currentLine, std::string& text) {
    if (lines_.empty())
        return false;
    if (cursor_ >= 0) {
        if (cursor_ > 0)
            --cursor_;
    } else {
        cursor_ = Count() - 1;
        if (lines_[static_cast<std::size_t>(cursor_)] == currentLine && cursor_ > 0)
            --cursor_;
    }
    text = lines_[static_cast<std::size_t>(cursor_)];
    return true;
}

bool CCommandHistory::Down(std::string& text) {
    if (lines_.empty() || cursor_ < 0)
        return false;
    if (cursor_ < Count() - 1)
        ++cursor_;
    text = lines_[static_cast<std::size_t>(cursor_)];
    return true;
}

std::string CCommandHistory::Current() const {
    if (lines_.empty())
        return {};
    return lines_[static_cast<std::size_t>(cursor_ < 0 ? Count() - 1 : cursor_)];
}

std::string CCommandHistory::Completion(const std::string& currentLine) const {
    const std::string entry = Current();
    if (entry.size() <= currentLine.size())
        return {};
    const std::size_t n = Utf8CharLength(static_cast<unsigned char>(entry[currentLine.size()]));
    return entry.substr(currentLine.size(), n);
}

} // namespace platform
