#include "debugger/core/DbEntry.h"

#include "platform/Text.h"
#include "unitlink/UnitTime.h"

namespace quorvex {

CDeviceTime CDeviceTime::FromBytes(const std::uint8_t* p) {
    const unitlink::UnitTime u = unitlink::ReadUnitTime(p);
    CDeviceTime t;
    t.ms = u.ms;
    t.minute = u.minute;
    t.hour = u.hour;
    t.day = u.day;
    t.month = u.month;
    t.year = u.year;
    return t;
}

void CDeviceTime::ToBytes(std::uint8_t* p) const {
    unitlink::UnitTime u;
    u.ms = ms;
    u.minute = minute;
    u.hour = hour;
    u.day = day;
    u.month = month;
    u.year = year;
    unitlink::WriteUnitTime(u, p);
}

bool CGroupQueue::Add(std::uint16_t gin) {
    if (Count() >= kCapacity)
        return false;
    groups_.push_back(gin);
    return true;
}

std::uint16_t CGroupQueue::NextGroup() {
    const int last = Count() - 1;
    if (index_ > last)
        return kNone;
    if (index_ == last)
        return kEnd;
    ++index_;
    return groups_[static_cast<std::size_t>(index_)];
}

std::string RecordTimeText(const CDeviceTime& t) {
    return platform::StrFormat("%d-%02u-%02u %02u:%02u:%02u.%03u", t.year, unsigned(t.month), unsigned(t.day),
                               unsigned(t.hour), unsigned(t.minute), t.ms / 1000u, t.ms % 1000u);
}

std::string ClockText(const CDeviceTime& t) {
    return platform::StrFormat("%04d-%02u-%02u %02u:%02u:%02u", t.year, unsigned(t.month), unsigned(t.day),
                               unsigned(t.hour), unsigned(t.minute), t.ms / 1000u);
}

} // namespace quorvex
