#include "configtool/link/LinkFrame.h"

#include "platform/Prompt.h"

namespace qxm7740 {

int CLinkFrame::Allocate(int n) {
    if (n > kMaxSize || n < 0) {
        platform::MessageBox("缓冲区越限，创建失败！");
        return 0;
    }
    data_.assign(static_cast<std::size_t>(n), 0);
    return 1;
}

int CLinkFrame::BuildHeader(int n) {
    if (n < 0 || n > kMaxSize - static_cast<int>(unitlink::kHeaderSize)) {
        platform::MessageBox("缓冲区越限，创建失败！");
        return 0;
    }
    if (!Allocate(n + static_cast<int>(unitlink::kHeaderSize)))
        return 0;
    unitlink::WriteHeader(data_.data(), static_cast<std::uint32_t>(n), unitlink::ConfigToolHeader());
    return 1;
}

int CLinkFrame::BuildHeaderOnly(int n) {
    if (n < 0 || n > kMaxSize - static_cast<int>(unitlink::kHeaderSize)) {
        platform::MessageBox("缓冲区越限，创建失败！");
        return 0;
    }
    data_.resize(static_cast<std::size_t>(n) + unitlink::kHeaderSize);
    unitlink::WriteHeader(data_.data(), static_cast<std::uint32_t>(n), unitlink::ConfigToolHeader());
    return 1;
}

void CLinkFrame::SetBoard(std::uint8_t board) {
    if (data_.size() >= unitlink::kHeaderSize)
        data_[unitlink::kOffBoard] = board;
}

} // namespace qxm7740
