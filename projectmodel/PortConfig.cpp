#include "projectmodel/PortConfig.h"

#include "platform/Text.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"

namespace projectmodel {

void CPortConfig::ReplaceRefDeviceAddress(int oldAddress, int newAddress, bool remove) {
    for (CRefTable& table : m_settings.m_tables)
        if (!table.IsDeviceTable())
            table.m_entries.ReplaceDeviceAddress(oldAddress, newAddress, remove);
}

int CPortConfigArray::FindIndexByName(std::string_view name) const {
    for (int i = 0; i < GetSize(); ++i)
        if (platform::EqualsNoCase(items_[static_cast<std::size_t>(i)].m_strName, name))
            return i;
    return -1;
}

int CPortConfigArray::GetFirstUnusedConfig(CPortConfig& config) const {
    const CProjectModel* doc = CProjectContext::Instance().CurrentDocument();
    if (!doc)
        return 0;
    return GetFirstUnusedConfig(config, doc->m_portConfigLibrary);
}

int CPortConfigArray::GetFirstUnusedConfig(CPortConfig& config, const CNamePairArray& library) const {
    for (const CNamePairRecord& entry : library) {
        if (FindIndexByName(entry.m_strName) >= 0)
            continue;
        config.m_settings = entry;
        config.m_strName = entry.m_strName;
        return 1;
    }
    return 0;
}

} // namespace projectmodel
