#pragma once
// One IED named in the project's SCD file: its "name", "type" and "rScl:uri" attributes.
#include "projectmodel/RecordArray.h"

#include <string>

namespace projectmodel {

class CIedRecord {
public:
    std::string m_strName;
    std::string m_strType;
    std::string m_strUri;

    bool operator==(const CIedRecord&) const = default;
};

class CIedRecordArray : public CRecordArray<CIedRecord> {};

} // namespace projectmodel
