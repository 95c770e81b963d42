#include "projectmodel/RefTable.h"

#include "platform/Text.h"

#include <algorithm>
#include <tuple>

namespace projectmodel {

bool CRefTableEntry::SortsBefore(const CRefTableEntry& a, const CRefTableEntry& b) {
    // Compared field by field: a packed decimal key lets an entry number above 9 pass the next group.
    return std::tie(a.m_nBoard, a.m_nAddress, a.m_nGroup, a.m_nEntry) <
           std::tie(b.m_nBoard, b.m_nAddress, b.m_nGroup, b.m_nEntry);
}

CRefTableEntry* CRefTableEntryArray::Find(int address, int group, int entry) {
    for (CRefTableEntry& e : items_)
        if (e.m_nAddress == address && e.m_nGroup == group && e.m_nEntry == entry)
            return &e;
    return nullptr;
}

const CRefTableEntry* CRefTableEntryArray::Find(int address, int group, int entry) const {
    return const_cast<CRefTableEntryArray*>(this)->Find(address, group, entry);
}

void CRefTableEntryArray::ReplaceDeviceAddress(int oldAddress, int newAddress, bool remove) {
    if (remove) {
        std::erase_if(items_, [&](const CRefTableEntry& e) { return e.m_nAddress == oldAddress; });
        return;
    }
    for (CRefTableEntry& e : items_)
        if (e.m_nAddress == oldAddress)
            e.m_nAddress = newAddress;
}

void CRefTableEntryArray::Sort() {
    // A stable sort gives an order the selection sort of the original could give as well, and
    // stays fast for tables of many thousand points.
    std::stable_sort(items_.begin(), items_.end(), CRefTableEntry::SortsBefore);
}

void CRefTableEntryArray::MoveItem(int from, int to) {
    MoveVectorItem(items_, from, to);
}

int CRefTableDeviceArray::FindIndexByAddress(int address) const {
    for (int i = 0; i < GetSize(); ++i)
        if (items_[static_cast<std::size_t>(i)].m_nAddress == address)
            return i;
    return -1;
}

CRefTableDevice* CRefTableDeviceArray::FindByAddress(int address) {
    return GetPtr(FindIndexByAddress(address));
}

const CRefTableDevice* CRefTableDeviceArray::FindByAddress(int address) const {
    return GetPtr(FindIndexByAddress(address));
}

void CRefTableDeviceArray::SortByAddress() {
    std::stable_sort(items_.begin(), items_.end(), [](const CRefTableDevice& a, const CRefTableDevice& b) {
        return a.m_nAddress < b.m_nAddress;
    });
}

void CRefTableDeviceArray::MoveItem(int from, int to) {
    MoveVectorItem(items_, from, to);
}

int CRefTableArray::FindIndexByName(std::string_view name) const {
    for (int i = 0; i < GetSize(); ++i)
        if (platform::EqualsNoCase(items_[static_cast<std::size_t>(i)].m_strName, name))
            return i;
    return -1;
}

CRefTable* CRefTableArray::FindByName(std::string_view name) {
    return GetPtr(FindIndexByName(name));
}

const CRefTable* CRefTableArray::FindByName(std::string_view name) const {
    return GetPtr(FindIndexByName(name));
}

int CRefTableArray::CountEntries() const {
    int n = 0;
    for (const CRefTable& t : items_)
        n += t.m_entries.GetSize();
    return n;
}

} // namespace projectmodel
