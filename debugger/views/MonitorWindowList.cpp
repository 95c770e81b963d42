#include "debugger/views/MonitorWindowList.h"

#include "debugger/views/OutputView.h"

#include "platform/Prompt.h"

namespace quorvex {

COutputView* CMonitorWindowList::Open(int slot) {
    if (slot < 0 || slot >= kSlots || !factory_)
        return nullptr;
    if (count_ >= kMaxOpen) {
        platform::MessageBox("最多只能打开8个监视窗口，请关闭其它窗口后再试", "警告信息",
                             platform::Icon::Warning);
        return nullptr;
    }
    COutputView* view = factory_(slot);
    if (!view)
        return nullptr;
    ++count_;
    views_[static_cast<std::size_t>(slot)] = view;
    return view;
}

COutputView* CMonitorWindowList::GetView(int slot) const {
    if (slot < 0 || slot >= kSlots)
        return nullptr;
    return views_[static_cast<std::size_t>(slot)];
}

void CMonitorWindowList::Closed(int slot) {
    if (slot < 0 || slot >= kSlots)
        return;
    if (count_ > 0)
        --count_;
    views_[static_cast<std::size_t>(slot)] = nullptr;
}

} // namespace quorvex
