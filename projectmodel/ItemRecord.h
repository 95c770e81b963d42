#pragma once
// Variable-option groups ("可变选项%d" of the definition files): option definitions and rows of
// values, one text per definition in each row.
#include "projectmodel/OptionItem.h"
#include "projectmodel/RecordArray.h"

#include <string>

namespace projectmodel {

class CItemRecord {
public:
    std::string m_strName;
    int m_nDimension = 1; // 维数
    COptionItemArray m_items;
    std::vector<CStringArray> m_rows;

    bool operator==(const CItemRecord&) const = default;
};

class CItemRecordArray : public CRecordArray<CItemRecord> {
public:
    CItemRecord* FindByName(std::string_view name);
    const CItemRecord* FindByName(std::string_view name) const;
    // The value of the first definition named "规约适用地区" (an applicability prefix ignored) in
    // its group's first row; "" when there is none.
    std::string GetProtocolRegion() const;
};

} // namespace projectmodel
