#pragma once
// An information group of a device model: name, category type, group number and its entries.
#include "projectmodel/InfoEntry.h"
#include "projectmodel/NameTables.h"
#include "projectmodel/RecordArray.h"

#include <string>

namespace projectmodel {

class CInfoGroup {
public:
    std::string m_strName;
    int m_nType = kInfoTypeOther; // category index of InfoTypeFromName
    int m_nGroupNo = -1;          // -1: not yet known
    CInfoEntryArray m_entries;

    // Parses one entry line into the group: the entry takes the group's name; a group without a
    // number takes the entry's. FALSE for a refused line or an entry of another group number; an
    // entry number already present leaves the group unchanged and still gives TRUE.
    int AddEntryFromText(std::string_view line);
    // The same for an entry already filled (CInfoEntry::AssignPlain): it takes the group's name.
    int AddEntry(CInfoEntry&& entry);
    int CountDisabled() const;
    // Removes the entry and numbers the later entries (sequence and entry number) one lower.
    void RemoveEntryAt(int index);

    // Number, type, name, entry count and entries, as the SCD cache holds a group. Loading drops
    // entries whose number the group already holds.
    void Serialize(platform::CArchive& ar);
    // The storing half of Serialize, which changes nothing.
    void Store(platform::CArchive& ar) const;

    bool operator==(const CInfoGroup&) const = default;
};

// Shared between the library's model and the devices an SCD import makes from it (see
// CSharedRecordArray).
class CInfoGroupArray : public CSharedRecordArray<CInfoGroup> {
public:
    CInfoGroup* FindByGroupNo(int groupNo);
    const CInfoGroup* FindByGroupNo(int groupNo) const;
    CInfoEntry* FindEntry(int groupNo, int entryNo);
    const CInfoEntry* FindEntry(int groupNo, int entryNo) const;
};

} // namespace projectmodel
