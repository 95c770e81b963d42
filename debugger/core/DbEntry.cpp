#include "debugger/core/DbEntry.h"

#include "platform/Text.h"

namespace quorvex {

CDeviceTime CDeviceTime::FromBytes(const std::uint8_t* p) {
    CDeviceTime t;
    t.ms = static_cast<std::uint16_t>(p[0] | p[1] << 8);
    t.minute = p[2];
    t.hour = p[3];
    t.day = p[4];
    t.month = p[5];
    t.year = p[6];
    return t;
}

void CDeviceTime::ToBytes(std::uint8_t* p) const {
    p[0] = static_cast<std::uint8_t>(ms);
    p[1] = static_cast<std::uint8_t>(ms >> 8);
    p[2] = minute;
    p[3] = hour;
    p[4] = day;
    p[5] = month;
    p[6] = year;
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
    return platform::StrFormat("%u-%02u-%02u %02u:%02u:%02u.%03u", t.year + 1900u, unsigned(t.month),
                               unsigned(t.day), unsigned(t.hour), unsigned(t.minute), t.ms / 1000u,
                               t.ms % 1000u);
}

std::string ClockText(const CDeviceTime& t) {
    return platform::StrFormat("%04u-%02u-%02u %02u:%02u:%02u", t.year + 1900u, unsigned(t.month),
                               unsigned(t.day), unsigned(t.hour), unsigned(t.minute), t.ms / 1000u);
}

} // namespace quorvex
