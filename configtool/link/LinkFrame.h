#pragma once
// CLinkFrame, the configuration tool's buffer for one outgoing frame in the unit's frame layout.
#include "unitlink/FrameLayout.h"

#include <cstdint>
#include <vector>

namespace qxm7740 {

// One outgoing frame of the configuration tool.
class CLinkFrame {
public:
    static constexpr int kMaxSize = 65000;

    CLinkFrame() = default;
    virtual ~CLinkFrame() = default;

    // n zeroed bytes, replacing any earlier buffer; n outside 0..65000 shows "缓冲区越限，创建失败！"
    // and leaves the frame unchanged. 1 on success, 0 on refusal.
    int Allocate(int n);
    // A frame for n bytes from the type byte on: header with both marks, L = n + 20, byte 27 = 1.
    // The caller writes the type at 28 and the payload from 29. 1 on success, 0 on refusal.
    int BuildHeader(int n);
    // BuildHeader without clearing the bytes after the header: what the buffer held there stays
    // (bytes beyond its old end are zero). For a frame the caller fills to its end, such as a file
    // packet sent over and over, whose 10 KB need not be cleared first.
    int BuildHeaderOnly(int n);
    // Writes the board / port / parameter byte 26 of a built frame.
    void SetBoard(std::uint8_t board);

    int Length() const { return static_cast<int>(data_.size()); }
    std::uint8_t* Data() { return data_.data(); }
    const std::uint8_t* Data() const { return data_.data(); }
    bool IsEmpty() const { return data_.empty(); }

private:
    std::vector<std::uint8_t> data_;
};

} // namespace qxm7740
