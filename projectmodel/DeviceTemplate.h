#pragma once
// A device model: the library's model of a secondary device, and the copy every device record
// carries. Its information groups hold the device's points.
#include "projectmodel/InfoGroup.h"
#include "projectmodel/ItemRecord.h"
#include "projectmodel/RecordArray.h"

#include <string>

namespace platform {
class CArchive;
}

namespace projectmodel {

class CDeviceTemplate {
public:
    std::string m_strName;
    std::string m_strType; // model type text ("保护", "测控", "虚拟装置" ...)
    std::string m_strVersion = "1.00";
    std::string m_strProtocol; // default protocol ([属性] 默认规约)
    // In a device's own copy: the port group index and port index of its placement on its board
    // (-1 = not placed).
    int m_nPortGroup = -1;
    int m_nPortIndex = -1;
    int m_nFlag = 0; // 1 for a model built by an SCD import; UpdateFrom then keeps descriptions
    CItemRecordArray m_optionGroups;
    CInfoGroupArray m_groups;
    CStringArray m_relatedInfo; // [相关信息]

    void CopyFrom(const CDeviceTemplate& other) { *this = other; }

    CInfoGroup* FindGroup(int groupNo) { return m_groups.FindByGroupNo(groupNo); }
    const CInfoGroup* FindGroup(int groupNo) const { return m_groups.FindByGroupNo(groupNo); }
    CInfoEntry* FindEntry(int groupNo, int entryNo) { return m_groups.FindEntry(groupNo, entryNo); }
    const CInfoEntry* FindEntry(int groupNo, int entryNo) const {
        return m_groups.FindEntry(groupNo, entryNo);
    }
    // The first entry of a group of that name with that reference (both without regard to case).
    CInfoEntry* FindEntryByReference(std::string_view groupName, std::string_view reference);

    // Refreshes this model from a newer model of the same name: the placement values, option
    // groups and related texts are taken, and every entry paired with an entry of the other model
    // (same group name, same reference; each partner used once) takes the partner's settings.
    void UpdateFrom(const CDeviceTemplate& other);

    // The model as the SCD cache stores it: name, type, version, flag, groups with their entries.
    // Loading replaces the groups; the other members keep their values.
    void Serialize(platform::CArchive& ar);
    // The storing half of Serialize, which changes nothing (shared groups stay shared).
    void Store(platform::CArchive& ar) const;

    bool operator==(const CDeviceTemplate&) const = default;
};

class CDeviceTemplateArray : public CRecordArray<CDeviceTemplate> {
public:
    int FindIndexByName(std::string_view name) const;
    CDeviceTemplate* FindByName(std::string_view name);
    const CDeviceTemplate* FindByName(std::string_view name) const;
};

} // namespace projectmodel
