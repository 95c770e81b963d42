#pragma once
// How the communication unit's boards are fitted, as its port information reports it after login:
// boards with their serial and network ports, the devices behind each port and the reference
// tables each port's protocol uses. Records are plain values held by value in their arrays.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvex {

// An array of records held by value. It grows like the class library's arrays: to at least
// the allocated count plus the grow-by value (or size / 8, clamped to 4..1024, when that is 0).
template <class T> class CRecordArray {
public:
    int GetSize() const { return static_cast<int>(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }

    // A copy of the element at index (a default record outside the array).
    T GetAt(int index) const { return index >= 0 && index < GetSize() ? items_[Idx(index)] : T(); }
    const T& operator[](int index) const { return items_[Idx(index)]; }
    T& operator[](int index) { return items_[Idx(index)]; }

    // Stores a copy at index, growing the array to index + 1 when needed.
    void SetAtGrow(int index, const T& item) {
        if (index < 0)
            return;
        if (index >= GetSize())
            SetSize(index + 1);
        items_[Idx(index)] = item;
    }
    int Add(const T& item) {
        SetAtGrow(GetSize(), item);
        return GetSize() - 1;
    }
    // New size; growBy -1 keeps the current grow-by value. Size 0 frees the block.
    void SetSize(int newSize, int growBy = -1) {
        if (growBy >= 0)
            growBy_ = growBy;
        if (newSize <= 0) {
            std::vector<T>().swap(items_);
            return;
        }
        const std::size_t n = static_cast<std::size_t>(newSize);
        if (n > items_.capacity()) {
            std::size_t g = static_cast<std::size_t>(growBy_);
            if (g == 0)
                g = std::clamp<std::size_t>(items_.size() / 8, 4, 1024);
            items_.reserve(std::max(n, items_.capacity() + g));
        }
        items_.resize(n);
    }
    void RemoveAll() { SetSize(0); }

    typename std::vector<T>::const_iterator begin() const { return items_.begin(); }
    typename std::vector<T>::const_iterator end() const { return items_.end(); }

private:
    static std::size_t Idx(int i) { return static_cast<std::size_t>(i); }
    std::vector<T> items_;
    int growBy_ = 0;
};

class CUnitAddress {
public:
    CUnitAddress() = default;
    explicit CUnitAddress(std::uint16_t address) : m_address(address) {}
    virtual ~CUnitAddress() = default;
    CUnitAddress(const CUnitAddress&) = default;
    CUnitAddress& operator=(const CUnitAddress&) = default;

    std::uint16_t m_address = 0;
};

class CUnitRefTable {
public:
    CUnitRefTable() = default;
    virtual ~CUnitRefTable() = default;
    CUnitRefTable(const CUnitRefTable&) = default;
    CUnitRefTable& operator=(const CUnitRefTable&) = default;

    std::uint8_t m_board = 0;    // the header's board byte of the report (from 0)
    std::uint8_t m_portType = 0; // 0 serial, 1 network
    std::uint8_t m_portNumber = 0;
    std::uint8_t m_tableNumber = 0;
    std::uint8_t m_tableKind = 0; // kinds 3, 4 and 6 allow no manual setting
    std::string m_name;
};

using CUnitAddressArray = CRecordArray<CUnitAddress>;
using CUnitRefTableArray = CRecordArray<CUnitRefTable>;

class CUnitPort {
public:
    CUnitPort() = default;
    virtual ~CUnitPort() = default;
    CUnitPort(const CUnitPort&) = default;
    CUnitPort& operator=(const CUnitPort&) = default;

    bool HasAddress(std::uint16_t address) const;

    std::uint8_t m_portNumber = 0; // the unit's port index + 1
    std::string m_name;
    std::uint16_t m_deviceCount = 0;
    std::uint8_t m_tableCount = 0;
    CUnitAddressArray m_addresses;
    CUnitRefTableArray m_tables;
};

using CUnitPortArray = CRecordArray<CUnitPort>;

class CUnitBoard {
public:
    CUnitBoard() = default;
    virtual ~CUnitBoard() = default;
    CUnitBoard(const CUnitBoard&) = default;
    CUnitBoard& operator=(const CUnitBoard&) = default;

    // Serial ports first, then network ports: a combined position below the serial-port count is
    // a serial port (portType 0), otherwise a network port (portType 1). Null past the end.
    const CUnitPort* PortAt(int position, std::uint8_t* portType = nullptr) const;
    int PortCount() const { return m_serialPorts.GetSize() + m_netPorts.GetSize(); }
    bool HasAddress(std::uint16_t address) const;

    std::uint8_t m_boardNumber = 0; // the unit's board index + 1
    std::uint16_t m_serialCount = 0;
    std::uint16_t m_netCount = 0;
    CUnitPortArray m_serialPorts;
    CUnitPortArray m_netPorts;
};

using CUnitBoardArray = CRecordArray<CUnitBoard>;

// The board record with that number, or null.
const CUnitBoard* FindBoard(const CUnitBoardArray& boards, std::uint8_t boardNumber);
// Whether a command chosen in a dialog can still go out once the dialog (or a box) has closed: the
// link is up and the board (its number, from 1; 255 for the unit itself; kNoBoard for a command
// without one) is still one the unit reported. The link may have dropped while the dialog was
// open, and its boards with it.
constexpr int kNoBoard = -1;
bool BoardStillReachable(bool connected, const CUnitBoardArray& boards, int boardNumber);
// The first board with a port that lists the device address, or null.
const CUnitBoard* FindBoardOfAddress(const CUnitBoardArray& boards, std::uint16_t address);
// A port's name field: cut at 10 bytes (or its terminator) with every space removed.
std::string PortNameFromField(const std::uint8_t* field, std::size_t size);

} // namespace quorvex
