#include "platform/TextBatch.h"

#include <algorithm>

namespace platform {

std::string OmittedLine(std::uint64_t count) {
    return "……省略" + std::to_string(count) + "条……";
}

std::int64_t BatchWaitMs(std::int64_t sinceLastMs, std::int64_t lastCostMs, std::int64_t intervalMs,
                         std::int64_t costFactor, std::int64_t maxPeriodMs) {
    if (sinceLastMs < 0)
        return 0;
    const std::int64_t paced = costFactor * std::clamp<std::int64_t>(lastCostMs, 0, maxPeriodMs);
    const std::int64_t period =
        std::clamp<std::int64_t>(paced, intervalMs, std::max(intervalMs, maxPeriodMs));
    return sinceLastMs >= period ? 0 : period - sinceLastMs;
}

} // namespace platform
