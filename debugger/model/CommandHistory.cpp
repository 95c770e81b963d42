#include "debugger/model/CommandHistory.h"

namespace quorvex {

std::string CCommandHistory::Back(const std::string& lastLine) {
    if (items_.empty())
        return {};
    if (cursor_ < 0) {
        cursor_ = Count() - 1;
        if (lastLine == items_.back() && cursor_ > 0)
            --cursor_;
    } else if (cursor_ > 0) {
        --cursor_;
    }
    return items_[static_cast<std::size_t>(cursor_)];
}

bool CCommandHistory::Forward(std::string& text) {
    if (cursor_ < 0)
        return false;
    if (cursor_ < Count() - 1)
        ++cursor_;
    text = items_[static_cast<std::size_t>(cursor_)];
    return true;
}

std::string CCommandHistory::Current() const {
    if (items_.empty())
        return {};
    return items_[static_cast<std::size_t>(cursor_ < 0 ? Count() - 1 : cursor_)];
}

} // namespace quorvex
