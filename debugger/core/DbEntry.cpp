#include "debugger/core/DbEntry.h"

namespace quorvex {

bool HasEntry(const std::vector<CDbEntry>& entries, std::uint16_t address, std::uint16_t key) {
    for (const CDbEntry& e : entries)
        if (e.m_address == address && e.m_key == key)
            return true;
    return false;
}

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

} // namespace quorvex
