#pragma once
// The primary side of the substation: voltage levels, the bays of each level and the primary
// equipment of each bay, each in a list kept ascending by its key (code or id) and searched by
// halving, plus the project's display order of voltage levels.
#include "projectmodel/NamePairRecord.h"
#include "projectmodel/RecordArray.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace projectmodel {

class CProjectModel;

// "6kV" ... "500kV"; a level's code is its index here.
extern const std::array<std::string_view, 8> VoltLevelNames;
// Index of the name (without regard to case), -1 when it is not one of the eight.
int VoltLevelCodeFromName(std::string_view name);

class CVoltLevel {
public:
    CVoltLevel() = default;
    // The level of that name, with the code the name table gives (-1 for an unknown name).
    explicit CVoltLevel(std::string_view name);

    std::string m_strName = "220kV";
    int m_nCode = 5;
    CNamePairRecord m_settings;
    CIntArray m_bayIds; // in display order

    int Key() const { return m_nCode; }
    bool operator==(const CVoltLevel&) const = default;
};

class CPrjBay {
public:
    std::string m_strName = "间隔0";
    std::string m_strVoltLevel = "未定义";
    int m_nId = 0;
    CNamePairRecord m_settings;
    CIntArray m_equipmentIds; // in display order

    int Key() const { return m_nId; }
    bool operator==(const CPrjBay&) const = default;
};

class CPrjDevice {
public:
    std::string m_strName = "设备0";
    std::string m_strVoltLevel = "未定义";
    int m_nBayId = -1;
    int m_nId = 0;
    // Copied from the equipment library: its name is the equipment type ("设备类型"), its
    // reference tables the points related to the equipment.
    CNamePairRecord m_settings;
    CIntArray m_linkedDevices; // secondary-device addresses ("关联装置")

    int Key() const { return m_nId; }
    // Entries of the old device address in every reference table are removed or re-addressed.
    void ReplaceRefDeviceAddress(int oldAddress, int newAddress, bool remove);
    // The first occurrence of the old address is removed or replaced; false when it is absent.
    bool ReplaceLinkedDeviceAddress(int oldAddress, int newAddress, bool remove);
    // True when one of the reference tables holds an entry for that point key.
    bool HasPointRef(int address, int group, int entry) const;

    bool operator==(const CPrjDevice&) const = default;
};

// A list of records ascending by Key(), no two keys equal.
template <class T> class CKeyedList : public CRecordArray<T> {
public:
    int FindIndexById(int key) const {
        int low = 0;
        int high = this->GetSize() - 1;
        while (low <= high) {
            int middle = (low + high) / 2;
            int k = this->items_[static_cast<std::size_t>(middle)].Key();
            if (k == key)
                return middle;
            if (key < k)
                high = middle - 1;
            else
                low = middle + 1;
        }
        return -1;
    }
    T* GetById(int key) { return this->GetPtr(FindIndexById(key)); }
    const T* GetById(int key) const { return this->GetPtr(FindIndexById(key)); }
    // Copies the record in at its place by key; -1 (no change) when the key is present.
    int Insert(const T& record) {
        auto it = std::lower_bound(this->items_.begin(), this->items_.end(), record.Key(),
                                   [](const T& r, int k) { return r.Key() < k; });
        if (it != this->items_.end() && it->Key() == record.Key())
            return -1;
        it = this->items_.insert(it, record);
        return static_cast<int>(it - this->items_.begin());
    }
    void RemoveById(int key) { this->RemoveAt(FindIndexById(key)); }
    // The smallest key from 0 upward not in the list.
    int NextFreeId() const {
        int candidate = 0;
        for (const T& r : this->items_) {
            if (r.Key() > candidate)
                break;
            if (r.Key() == candidate)
                ++candidate;
        }
        return candidate;
    }
};

class CVoltLevelList : public CKeyedList<CVoltLevel> {
public:
    // Index of the first level of that name (without regard to case), -1 when none.
    int FindByName(std::string_view name) const;
    // The first name of the table not yet in the list, with its code and the current document's
    // voltage-level configuration; FALSE without a current document or when all eight exist.
    bool NewVoltLevel(CVoltLevel& level) const;
    bool NewVoltLevel(CVoltLevel& level, const CNamePairRecord& config) const;
};

class CPrjBayList : public CKeyedList<CPrjBay> {
public:
    // The next free id, the name "间隔%d" and the current document's bay configuration; FALSE
    // without a current document. The bay is not inserted.
    bool NewBay(CPrjBay& bay) const;
    bool NewBay(CPrjBay& bay, const CNamePairRecord& config) const;
};

class CPrjDeviceList : public CKeyedList<CPrjDevice> {
public:
    // The next free id, the name "设备%d" and the settings of the first record of the current
    // document's equipment library; FALSE without a document, or with a message when the library
    // is empty. The equipment is not inserted.
    bool NewDevice(CPrjDevice& device) const;
    bool NewDevice(CPrjDevice& device, const CNamePairArray& library) const;
    // Removes every element whose id is listed; absent ids are skipped.
    void RemoveByIds(const CIntArray& ids);
    // The first element (in id order) referring to that point, or null.
    CPrjDevice* FindByPointRef(int address, int group, int entry);
};

// The project's voltage-level codes in display order.
class CVoltLevelOrder {
public:
    CIntArray m_codes;

    bool operator==(const CVoltLevelOrder&) const = default;
};

} // namespace projectmodel
