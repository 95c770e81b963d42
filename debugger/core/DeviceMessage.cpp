#include "debugger/core/DeviceMessage.h"

#include <cstring>

namespace quorvex {

bool CDeviceMessage::Allocate(std::uint32_t n) {
    if (n > kMaxBody)
        return false;
    body_.assign(n, 0);
    return true;
}

void CDeviceMessage::CopyBody(const std::uint8_t* data, std::uint32_t n) {
    if (n == 0 || !data)
        return;
    if (body_.size() < n && !Allocate(n))
        return;
    std::memcpy(body_.data(), data, n);
}

} // namespace quorvex
