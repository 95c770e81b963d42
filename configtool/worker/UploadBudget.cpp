#include "configtool/worker/UploadBudget.h"

#include "platform/Text.h"

#include <algorithm>

namespace qxm7740 {

std::uint32_t CUploadBudget::Allowance(std::uint64_t freeBytes) const {
    const std::uint64_t allowed = std::min({Left(), freeBytes, std::uint64_t{unitlink::kMaxTransferLength}});
    return static_cast<std::uint32_t>(allowed);
}

std::string CUploadBudget::OverText() const {
    return platform::StrFormat("上装文件总长度超过上限%llu字节", static_cast<unsigned long long>(m_total));
}

std::string CUploadBudget::RefusalText(const std::string& name, std::uint64_t announced,
                                       std::uint64_t freeBytes) const {
    if (announced > Left())
        return OverText() + "，不能上装文件：" + name;
    if (announced > freeBytes)
        return platform::StrFormat("磁盘空间不足（剩余%llu字节），不能上装文件：%s",
                                   static_cast<unsigned long long>(freeBytes), name.c_str());
    return platform::StrFormat("远程文件长度超过上限，不能上装文件：%s", name.c_str());
}

} // namespace qxm7740
