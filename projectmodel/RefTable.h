#pragma once
// Reference tables ("引用表%d" of the definition files): column definitions, the referenced
// points and, for a device table (type 8), the devices.
#include "projectmodel/OptionItem.h"
#include "projectmodel/RecordArray.h"

#include <string>

namespace projectmodel {

// One referenced point.
class CRefTableEntry {
public:
    int m_nNo = -1; // leading number, left at -1 by the reference views
    int m_nBoard = -1;
    int m_nAddress = -1;
    int m_nGroup = -1;
    int m_nEntry = -1;
    int m_nFun = -1;
    int m_nInf = -1;
    // One value per column definition of the table.
    CStringArray m_values;

    // The reference order: board, address, group and entry compared as numbers in that order.
    static bool SortsBefore(const CRefTableEntry& a, const CRefTableEntry& b);
    bool operator==(const CRefTableEntry&) const = default;
};

class CRefTableEntryArray : public CRecordArray<CRefTableEntry> {
public:
    // First entry with these three values, or null.
    CRefTableEntry* Find(int address, int group, int entry);
    const CRefTableEntry* Find(int address, int group, int entry) const;
    // Entries of the old device address are removed (flag set) or take the new address.
    void ReplaceDeviceAddress(int oldAddress, int newAddress, bool remove);
    // Ascending in the reference order; equal points keep their order.
    void Sort();
    // Takes the element at from out and puts it just before the element that was at to (at the
    // end when to equals the count). Nothing unless 0 <= from < count, 0 <= to <= count, from != to.
    void MoveItem(int from, int to);
};

// One device of a device table.
class CRefTableDevice {
public:
    int m_nNo = -1;
    int m_nBoard = -1;
    int m_nAddress = -1;
    int m_nMappedAddress = -1;
    std::string m_strModelName;
    std::string m_strDescription;
    std::string m_strModelType;
    std::string m_strModelVersion;
    CStringArray m_values;

    bool operator==(const CRefTableDevice&) const = default;
};

class CRefTableDeviceArray : public CRecordArray<CRefTableDevice> {
public:
    int FindIndexByAddress(int address) const;
    CRefTableDevice* FindByAddress(int address);
    const CRefTableDevice* FindByAddress(int address) const;
    // Ascending by device address; equal addresses keep their order.
    void SortByAddress();
    void MoveItem(int from, int to);
};

class CRefTable {
public:
    std::string m_strName;
    // Point category 0..6, 7 combined telesignal/telecontrol, 8 a device table.
    int m_nType = 7;
    COptionItemArray m_columns;
    CRefTableEntryArray m_entries;
    CRefTableDeviceArray m_devices;

    bool IsDeviceTable() const { return m_nType == 8; }
    bool operator==(const CRefTable&) const = default;
};

class CRefTableArray : public CRecordArray<CRefTable> {
public:
    CRefTable* FindByName(std::string_view name);
    const CRefTable* FindByName(std::string_view name) const;
    int FindIndexByName(std::string_view name) const;
    // Sum of the entry counts of all tables.
    int CountEntries() const;
};

// Moves one element of a vector as the reference tables' MoveItem does.
template <class T> void MoveVectorItem(std::vector<T>& items, int from, int to) {
    const int count = static_cast<int>(items.size());
    if (from < 0 || from >= count || to < 0 || to > count || from == to)
        return;
    auto first = items.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to);
    else
        std::rotate(first + to, first + from, first + from + 1);
}

} // namespace projectmodel
