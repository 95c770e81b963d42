#pragma once
// The monitor program's picture of the unit: its boards, their communication ports, the devices
// behind each port with the groups and entries of their generic-service structure, and the
// reference tables of each port. Built from the unit's port information and filled in by later
// messages; emptied on every connect. Records are owned by their parent; lookups return the first
// match, or null.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace marindle {

// An entry key holds the group number in its low byte and the entry number in its high byte.
inline std::uint8_t KeyGroup(std::uint16_t key) {
    return static_cast<std::uint8_t>(key & 0xFF);
}
inline std::uint8_t KeyEntry(std::uint16_t key) {
    return static_cast<std::uint8_t>(key >> 8);
}

class CEntryRecord {
public:
    explicit CEntryRecord(std::uint16_t key) : key(key) {}
    virtual ~CEntryRecord() = default;

    std::uint8_t GroupNumber() const { return KeyGroup(key); }
    std::uint8_t EntryNumber() const { return KeyEntry(key); }

    std::uint16_t key;         // group in the low byte, entry in the high byte
    std::uint16_t address = 0; // the device's address
    std::string description;
    std::string rangeMin, rangeMax, rangeStep;
    std::string precision1, precision2;
    std::string dimension;
    std::string actualValue;
    std::uint8_t dataType = 0, dataSize = 0, number = 0; // of the last value seen
    int manualSet = 0;                                   // the unit confirmed a manual setting
    int editFlag = 0; // an edited value waits: received values do not replace the text
};

class CGroupRecord {
public:
    explicit CGroupRecord(std::uint8_t number) : number(number) {}
    virtual ~CGroupRecord() = default;

    CEntryRecord* FindEntry(std::uint16_t key) const;
    // A new entry, or null when the key exists.
    CEntryRecord* AddEntry(std::uint16_t key);
    const std::vector<std::unique_ptr<CEntryRecord>>& Entries() const { return entries_; }

    std::uint8_t number;
    std::string title;
    int kind = 2; // 1 indication-type, 2 setting-type, 3 statistics
    int hasDescriptions = 0, hasDimensions = 0, hasRanges = 0, hasPrecision = 0;

private:
    std::vector<std::unique_ptr<CEntryRecord>> entries_;
};

// The kind of a group by its title: 1 when the text before the first "/" is one of the six
// indication categories, else 3 when the title holds "统计数据", else 2.
int GroupKindFromTitle(std::string_view title);

class CDeviceRecord {
public:
    enum ReadState {
        kIdle = 0,
        kDescriptions = 1,
        kPrecision = 2,
        kRanges = 3,
        kDimensions = 4,
        kValues = 5
    };

    explicit CDeviceRecord(std::uint16_t address);
    virtual ~CDeviceRecord() = default;

    // A new group, or null when the number exists.
    CGroupRecord* AddGroup(std::uint8_t number);
    CGroupRecord* FindGroup(std::uint8_t number) const;
    // The group by the key's low byte, then the entry by the whole key.
    CEntryRecord* FindEntry(std::uint16_t key) const;
    void ClearGroups();
    const std::vector<std::unique_ptr<CGroupRecord>>& Groups() const { return groups_; }

    // Writes the device's data to "<savFolder>/<name>.txt" (GBK, CR LF) and shows the success
    // message. False, without a message, when the file cannot be written.
    bool ExportText(const std::filesystem::path& savFolder) const;
    // The text ExportText writes (UTF-8, "\n" line ends).
    std::string ExportContent() const;

    std::uint8_t board = 0;
    std::uint16_t portKey = 0;
    std::uint16_t address;
    std::string name; // "装置(%u)" until the unit names it
    std::string description;
    std::uint16_t key = 0; // serial over one port information
    std::uint8_t commState = 0;
    int stateKnown = 0; // a communication state arrived for it since the last connect
    int communicating = 0;
    int readState = kIdle;
    int writeState = 0; // 2 settings download, 1 telecontrol
    int structureComplete = 0;
    // The group last asked for by a structure-reading step (-1 none), so that an answer without
    // data sets still moves the reading on.
    int askedGroup = -1;

private:
    std::vector<std::unique_ptr<CGroupRecord>> groups_;
};

class CDevModel;

class CTableRecord {
public:
    explicit CTableRecord(std::uint8_t number) : number(number) {}
    virtual ~CTableRecord() = default;

    std::uint8_t number;
    std::uint8_t type = 0;
    std::string name;
    std::uint16_t key = 0;
    std::uint8_t board = 0;
    std::uint16_t portKey = 0;
};

class CPortRecord {
public:
    enum Kind { kSerial = 0, kNetwork = 1, kUnset = 2 };

    CPortRecord(std::uint8_t board, std::uint8_t number, int kind)
        : board(board), number(number), kind(kind) {}
    virtual ~CPortRecord() = default;

    // A new device or table, or null when the address or number exists on this port. A port of a
    // model registers them there for the model's lookups.
    CDeviceRecord* AddDevice(std::uint16_t address);
    CTableRecord* AddTable(std::uint8_t number);
    CDeviceRecord* FindDevice(std::uint16_t address) const;
    CTableRecord* FindTable(std::uint8_t number) const;
    const std::vector<std::unique_ptr<CDeviceRecord>>& Devices() const { return devices_; }
    const std::vector<std::unique_ptr<CTableRecord>>& Tables() const { return tables_; }

    std::uint8_t board;
    std::uint8_t number;
    int kind;
    std::string name;
    std::string description;
    std::uint16_t key = 0;
    int contentKind = 0; // 1 has devices, 2 has none
    std::uint8_t commState = 0;
    int stateKnown = 0; // a communication state arrived for it since the last connect
    int up = 0;

private:
    friend class CDevModel;
    CDevModel* model_ = nullptr;
    std::vector<std::unique_ptr<CDeviceRecord>> devices_;
    std::vector<std::unique_ptr<CTableRecord>> tables_;
};

class CDevModel {
public:
    CDevModel() = default;
    virtual ~CDevModel() = default;
    CDevModel(const CDevModel&) = delete;
    CDevModel& operator=(const CDevModel&) = delete;

    void Clear();
    // The new board number, or false when it exists.
    bool AddBoard(std::uint8_t number);
    // A new port, or null when (board, number, kind) exists.
    CPortRecord* AddPort(std::uint8_t board, std::uint8_t number, int kind);
    // Sets a device's or table's serial key and indexes it (ports call this).
    void SetDeviceKey(CDeviceRecord& device, std::uint16_t key);
    void SetTableKey(CTableRecord& table, std::uint16_t key);

    CPortRecord* FindPort(std::uint8_t board, std::uint8_t number, int kind) const;
    CPortRecord* FindPortByKey(std::uint16_t key) const;
    CDeviceRecord* FindDevice(std::uint16_t address) const;
    CDeviceRecord* FindDeviceByKey(std::uint16_t key) const;
    CTableRecord* FindTableByKey(std::uint16_t key) const;

    const std::vector<std::uint8_t>& Boards() const { return boards_; }
    const std::vector<std::unique_ptr<CPortRecord>>& Ports() const { return ports_; }

private:
    friend class CPortRecord;
    void Register(CDeviceRecord& device);

    std::vector<std::uint8_t> boards_;
    std::vector<std::unique_ptr<CPortRecord>> ports_;
    // Indexes so that per-record lookups of big answers stay cheap; first match wins.
    std::unordered_map<std::uint16_t, CDeviceRecord*> byAddress_;
    std::unordered_map<std::uint16_t, CDeviceRecord*> byDeviceKey_;
    std::unordered_map<std::uint16_t, CTableRecord*> byTableKey_;
};

} // namespace marindle
