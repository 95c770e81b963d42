#pragma once
// The data-base entries of monitored devices and reference tables as the unit's answers fill
// them, the records of live events, remote commands and history events, and the queue of group
// numbers read from a device.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvex {

// Entry key: group number in the low byte, entry number in the high byte.
inline std::uint16_t MakeKey(std::uint8_t group, std::uint8_t entry) {
    return static_cast<std::uint16_t>(entry << 8 | group);
}
inline std::uint8_t KeyGroup(std::uint16_t key) {
    return static_cast<std::uint8_t>(key & 0xFF);
}
inline std::uint8_t KeyEntry(std::uint16_t key) {
    return static_cast<std::uint8_t>(key >> 8);
}

// One entry of a monitored device's data base.
struct CDbEntry {
    std::uint16_t m_address = 0;
    std::uint16_t m_key = 0;
    std::string m_name;
    std::string m_value;
    std::uint8_t m_manualSet = 0; // 1 after the unit accepted a manual setting
    std::uint8_t m_dataType = 0;
    std::uint8_t m_dataSize = 0;
    std::uint8_t m_number = 0;
};

// One entry of a port's reference table.
struct CTabEntry {
    std::uint8_t m_boardNumber = 0; // from 1
    std::uint8_t m_portType = 0;    // 0 serial, 1 network
    std::uint8_t m_portNumber = 0;  // from 1
    std::uint8_t m_tableNumber = 0;
    std::uint16_t m_address = 0;
    std::uint16_t m_key = 0;
    std::string m_name;
    std::string m_value;
    std::uint8_t m_set = 0;
    std::uint8_t m_dataType = 0;
    std::uint8_t m_dataSize = 0;
    std::uint8_t m_number = 0;

    bool SameTable(std::uint8_t board, std::uint8_t portType, std::uint8_t port, std::uint8_t table) const {
        return m_boardNumber == board && m_portType == portType && m_portNumber == port &&
               m_tableNumber == table;
    }
};

// Positions of entries by device address and key, made once per answer so that an answer of many
// data sets does not walk the whole entry list for each of them.
template <class T> class CKeyIndex {
public:
    template <class InScope> CKeyIndex(const std::vector<T>& items, InScope inScope) {
        for (std::size_t i = 0; i < items.size(); ++i)
            if (inScope(items[i]))
                Add(items[i].m_address, items[i].m_key, i);
    }
    const std::vector<std::size_t>& Find(std::uint16_t address, std::uint16_t key) const {
        static const std::vector<std::size_t> kNone;
        const auto it = map_.find(Key(address, key));
        return it == map_.end() ? kNone : it->second;
    }
    void Add(std::uint16_t address, std::uint16_t key, std::size_t pos) {
        map_[Key(address, key)].push_back(pos);
    }

private:
    static std::uint32_t Key(std::uint16_t address, std::uint16_t key) {
        return static_cast<std::uint32_t>(address) << 16 | key;
    }
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> map_;
};

// A time as the unit sends it: milliseconds (seconds x 1000 + ms), minutes, hours, day, month and
// the full year. Its seven bytes are written and read by the unit link's one rule for the year
// byte (unitlink/UnitTime.h).
struct CDeviceTime {
    std::uint16_t ms = 0;
    std::uint8_t minute = 0;
    std::uint8_t hour = 0;
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    int year = 2000; // what a year byte of 0 reads as

    static CDeviceTime FromBytes(const std::uint8_t* p);
    void ToBytes(std::uint8_t* p) const;
};

// "%u-%02u-%02u %02u:%02u:%02u.%03u" (history, remote commands, waveform records).
std::string RecordTimeText(const CDeviceTime& t);
// "%04u-%02u-%02u %02u:%02u:%02u" (the device clock and the log files).
std::string ClockText(const CDeviceTime& t);

// A live event of a device or a reference table.
struct CEventRecord {
    std::string m_name;
    std::uint16_t m_address = 0;
    std::uint8_t m_group = 0;
    std::uint8_t m_entry = 0;
    std::string m_action;
    std::string m_time;
};

// A remote command the unit reports (answer 18).
struct CRemoteCommandRecord {
    std::uint8_t m_sourceBoard = 0; // from 0
    std::uint8_t m_sourceClass = 0; // 0 serial, 1 network
    std::uint8_t m_sourcePort = 0;
    std::uint8_t m_commandType = 0;
    std::uint16_t m_address = 0;
    std::uint8_t m_group = 0;
    std::uint8_t m_entry = 0;
    std::string m_value;
    CDeviceTime m_time;
    std::string m_description;
};

// A history event the unit reports (answer 19).
struct CHistoryEventRecord {
    std::uint16_t m_address = 0;
    std::uint8_t m_group = 0;
    std::uint8_t m_entry = 0;
    std::uint8_t m_fun = 0;
    std::uint8_t m_inf = 0;
    std::uint8_t m_eventType = 0;
    CDeviceTime m_time;
    std::string m_value;
};

// The group numbers of a device's headings, read one group after the other.
class CGroupQueue {
public:
    static constexpr int kCapacity = 1023;
    static constexpr std::uint16_t kNone = 0xFFFE;
    static constexpr std::uint16_t kEnd = 0xFFFF;

    void Clear() {
        groups_.clear();
        index_ = 0;
    }
    // Appends a group number; false when the queue is full.
    bool Add(std::uint16_t gin);
    int Count() const { return static_cast<int>(groups_.size()); }
    bool IsEmpty() const { return groups_.empty(); }
    std::uint16_t At(int i) const { return groups_[static_cast<std::size_t>(i)]; }
    std::uint16_t First() const { return groups_.empty() ? kNone : groups_.front(); }
    void ResetIndex() { index_ = 0; }
    int Index() const { return index_; }
    // The group after the current one (the first is read directly); kEnd after the last, kNone
    // for an empty queue.
    std::uint16_t NextGroup();

private:
    std::vector<std::uint16_t> groups_;
    int index_ = 0;
};

} // namespace quorvex
