#pragma once
// The texts that the programs talking to the unit show alike: each has its one owner here.
#include <string>

namespace unitlink::text {

// The socket of the link could not be made.
inline constexpr const char* kSocketFailed = "创建TCP/IP槽失败!";
// The link state of the status bar.
inline constexpr const char* kLinkUp = "通讯装置网络连接";
inline constexpr const char* kLinkDown = "通讯装置通讯中断";
// A year the unit's time cannot carry (unitlink::kFirstUnitYear to kLastUnitYear).
inline constexpr const char* kYearOutOfRange = "年份应在2000至2099之间!";
// The other fields of a typed time; the day names the length of its month.
inline constexpr const char* kMonthOutOfRange = "月份应在1至12之间!";
inline std::string DayOutOfRange(int daysInMonth) {
    return "日期应在1至" + std::to_string(daysInMonth) + "之间!";
}
inline constexpr const char* kHourOutOfRange = "小时应在0至23之间!";
inline constexpr const char* kMinuteOutOfRange = "分钟应在0至59之间!";
inline constexpr const char* kSecondOutOfRange = "秒应在0至59之间!";

// A board as every window names it: the unit counts its boards from 0, the user from 1.
inline std::string BoardCaption(unsigned index) {
    return "板卡" + std::to_string(index + 1);
}

} // namespace unitlink::text
