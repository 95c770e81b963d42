#pragma once
// The clock commands of the monitor program without their dialogs: setting the unit's clock from
// this computer or from a chosen date and time, and asking every board for its clock.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace marindle {

class CDeviceLink;
class CDevModel;

// Whether the year of a local time is one the unit's clock can carry; a box says so when not.
bool ClockYearFits(std::time_t localTime);
// "系统时钟": asks "确定下装当前系统时钟吗？"; Yes sends the current local time. 1 when sent.
int SetUnitClockFromPc(CDeviceLink& link);
// The date of the first time joined with the time of day of the second (local times).
std::time_t JoinDateAndTime(std::time_t date, std::time_t timeOfDay);
// "自定义时钟" after OK: sends the joined time, unless its year is no unit year. 1 when sent.
int SetUnitClock(CDeviceLink& link, std::time_t date, std::time_t timeOfDay);
// "查看时钟": request 28 to every board of the model; the boards in model order.
std::vector<std::uint8_t> RequestBoardClocks(CDeviceLink& link, const CDevModel& model);
// The clock window's row text of a board: "板卡%u" with the number counted from 1.
std::string BoardLabel(std::uint8_t board);

} // namespace marindle
