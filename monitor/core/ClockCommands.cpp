#include "monitor/core/ClockCommands.h"

#include "monitor/core/DeviceLink.h"
#include "monitor/core/DevModel.h"
#include "monitor/core/DevTime.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "unitlink/LinkTexts.h"
#include "unitlink/UnitTime.h"

namespace marindle {

bool ClockYearFits(std::time_t localTime) {
    std::tm tm{};
    localtime_r(&localTime, &tm);
    if (unitlink::IsUnitYear(tm.tm_year + 1900))
        return true;
    platform::MessageBox(unitlink::text::kYearOutOfRange);
    return false;
}

int SetUnitClockFromPc(CDeviceLink& link) {
    if (platform::MessageBox("确定下装当前系统时钟吗？", {}, platform::Icon::Question,
                             platform::Buttons::YesNo) != platform::Answer::Yes)
        return 0;
    const std::time_t now = Now();
    if (!ClockYearFits(now))
        return 0;
    return link.SendSetClock(now);
}

std::time_t JoinDateAndTime(std::time_t date, std::time_t timeOfDay) {
    std::tm d{}, t{};
    localtime_r(&date, &d);
    localtime_r(&timeOfDay, &t);
    return MakeLocalTime(d.tm_year + 1900, d.tm_mon + 1, d.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

int SetUnitClock(CDeviceLink& link, std::time_t date, std::time_t timeOfDay) {
    const std::time_t t = JoinDateAndTime(date, timeOfDay);
    if (!ClockYearFits(t))
        return 0;
    return link.SendSetClock(t);
}

std::vector<std::uint8_t> RequestBoardClocks(CDeviceLink& link, const CDevModel& model) {
    for (std::uint8_t board : model.Boards())
        link.SendRequest(CSimpleRequestMsg::BoardClock(board));
    return model.Boards();
}

std::string BoardLabel(std::uint8_t board) {
    return platform::StrFormat("板卡%u", board + 1u);
}

} // namespace marindle
