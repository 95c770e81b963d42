#pragma once
// Port configurations: a name and a settings record whose reference tables are the
// configuration's tables (type 8 marks a device table). Every protocol carries a list of them.
#include "projectmodel/NamePairRecord.h"
#include "projectmodel/RecordArray.h"

#include <string>

namespace projectmodel {

class CPortConfig {
public:
    std::string m_strName;
    CNamePairRecord m_settings;

    // In every non-device table, the entries of the old device address take the new one, or are
    // removed when the flag is set.
    void ReplaceRefDeviceAddress(int oldAddress, int newAddress, bool remove);

    bool operator==(const CPortConfig&) const = default;
};

class CPortConfigArray : public CRecordArray<CPortConfig> {
public:
    int FindIndexByName(std::string_view name) const;
    // Fills config from the first entry of the project's port-configuration library (the current
    // document's) whose name this array does not hold yet: 1, or 0 when there is no current
    // project or every entry is in use.
    int GetFirstUnusedConfig(CPortConfig& config) const;
    int GetFirstUnusedConfig(CPortConfig& config, const CNamePairArray& library) const;
};

class CPortConfigList {
public:
    CPortConfigArray m_configs;

    bool operator==(const CPortConfigList&) const = default;
};

} // namespace projectmodel
