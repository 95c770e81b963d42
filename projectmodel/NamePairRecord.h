#pragma once
// The settings record embedded by port configurations, bays, voltage levels, primary equipment
// and the document's libraries: a name, a second text, option groups and reference tables.
#include "projectmodel/ItemRecord.h"
#include "projectmodel/RefTable.h"

#include <string>

namespace projectmodel {

class CNamePairRecord {
public:
    std::string m_strName;
    std::string m_strType; // the second text ([属性] 类型 of the definition file)
    CItemRecordArray m_groups;
    CRefTableArray m_tables;

    bool operator==(const CNamePairRecord&) const = default;
};

class CNamePairArray : public CRecordArray<CNamePairRecord> {
public:
    // First record of that name without regard to case; null when none.
    CNamePairRecord* FindByName(std::string_view name);
    const CNamePairRecord* FindByName(std::string_view name) const;
};

} // namespace projectmodel
