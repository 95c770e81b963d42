#pragma once
// The registry of the debugging program's monitor windows: ten slots, at most eight windows open.
#include <QPointer>

#include <array>
#include <functional>

namespace quorvex {

class COutputView;

class CMonitorWindowList {
public:
    static constexpr int kSlots = 10;
    static constexpr int kMaxOpen = 8;
    // Makes the window of a slot and returns its view.
    using Factory = std::function<COutputView*(int slot)>;

    void SetFactory(Factory factory) { factory_ = std::move(factory); }
    // A new window in the slot, or null with the warning when eight are open.
    COutputView* Open(int slot);
    COutputView* GetView(int slot) const;
    void Closed(int slot);
    int OpenCount() const { return count_; }

private:
    Factory factory_;
    std::array<QPointer<COutputView>, kSlots> views_{};
    int count_ = 0;
};

} // namespace quorvex
