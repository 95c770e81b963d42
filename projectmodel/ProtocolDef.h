#pragma once
// One protocol of the protocol library; a port holds its own copy with the port's reference
// tables, configurations and device addresses.
#include "projectmodel/ItemRecord.h"
#include "projectmodel/PortConfig.h"
#include "projectmodel/RecordArray.h"
#include "projectmodel/RefTable.h"

#include <string>

namespace projectmodel {

class CProtocolDef {
public:
    std::string m_strName = "未用";
    int m_nNumber = 0;
    std::string m_strType;     // "SCHEDULE", "SYSTEM", "DEVICE" (compared without regard to case)
    std::string m_strCommMode; // 通讯方式, matched against the first choice of a "PRTC" option
    CItemRecordArray m_groups;
    CPortConfigList m_configs;
    CRefTableArray m_tables;
    CIntArray m_deviceAddresses;

    bool IsType(std::string_view type) const;
    bool operator==(const CProtocolDef&) const = default;
};

class CProtocolDefArray : public CRecordArray<CProtocolDef> {
public:
    // A copy of the first protocol of that name (without regard to case); the "未用" protocol
    // when there is none.
    CProtocolDef GetByName(std::string_view name) const;
    CProtocolDef* FindByName(std::string_view name);
    const CProtocolDef* FindByNumber(int number) const;
    CProtocolDef* FindByNumber(int number);
    // Appends the names of the protocols of that communication mode, in array order.
    void GetNamesByMode(std::string_view mode, CStringList& names) const;
};

} // namespace projectmodel
