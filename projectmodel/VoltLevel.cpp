#include "projectmodel/VoltLevel.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"

#include <unordered_set>

namespace projectmodel {

const std::array<std::string_view, 8> VoltLevelNames = {"6kV",   "10kV",  "35kV",  "66kV",
                                                        "110kV", "220kV", "330kV", "500kV"};

int VoltLevelCodeFromName(std::string_view name) {
    for (std::size_t i = 0; i < VoltLevelNames.size(); ++i)
        if (platform::EqualsNoCase(name, VoltLevelNames[i]))
            return static_cast<int>(i);
    return -1;
}

CVoltLevel::CVoltLevel(std::string_view name) : m_strName(name), m_nCode(VoltLevelCodeFromName(name)) {}

void CPrjDevice::ReplaceRefDeviceAddress(int oldAddress, int newAddress, bool remove) {
    for (CRefTable& table : m_settings.m_tables)
        table.m_entries.ReplaceDeviceAddress(oldAddress, newAddress, remove);
}

bool CPrjDevice::ReplaceLinkedDeviceAddress(int oldAddress, int newAddress, bool remove) {
    auto it = std::find(m_linkedDevices.begin(), m_linkedDevices.end(), oldAddress);
    if (it == m_linkedDevices.end())
        return false;
    if (remove)
        m_linkedDevices.erase(it);
    else
        *it = newAddress;
    return true;
}

bool CPrjDevice::HasPointRef(int address, int group, int entry) const {
    for (const CRefTable& table : m_settings.m_tables)
        if (table.m_entries.Find(address, group, entry))
            return true;
    return false;
}

int CVoltLevelList::FindByName(std::string_view name) const {
    for (int i = 0; i < GetSize(); ++i)
        if (platform::EqualsNoCase(items_[static_cast<std::size_t>(i)].m_strName, name))
            return i;
    return -1;
}

bool CVoltLevelList::NewVoltLevel(CVoltLevel& level) const {
    const CProjectModel* doc = CProjectContext::Instance().CurrentDocument();
    return doc && NewVoltLevel(level, doc->m_voltLevelConfig);
}

bool CVoltLevelList::NewVoltLevel(CVoltLevel& level, const CNamePairRecord& config) const {
    for (std::size_t i = 0; i < VoltLevelNames.size(); ++i) {
        if (FindByName(VoltLevelNames[i]) >= 0)
            continue;
        level.m_strName = VoltLevelNames[i];
        level.m_nCode = static_cast<int>(i);
        level.m_settings = config;
        return true;
    }
    return false;
}

bool CPrjBayList::NewBay(CPrjBay& bay) const {
    const CProjectModel* doc = CProjectContext::Instance().CurrentDocument();
    return doc && NewBay(bay, doc->m_bayConfig);
}

bool CPrjBayList::NewBay(CPrjBay& bay, const CNamePairRecord& config) const {
    bay.m_nId = NextFreeId();
    bay.m_strName = platform::StrFormat("间隔%d", bay.m_nId);
    bay.m_settings = config;
    return true;
}

bool CPrjDeviceList::NewDevice(CPrjDevice& device) const {
    const CProjectModel* doc = CProjectContext::Instance().CurrentDocument();
    return doc && NewDevice(device, doc->m_equipmentLibrary);
}

bool CPrjDeviceList::NewDevice(CPrjDevice& device, const CNamePairArray& library) const {
    device.m_nId = NextFreeId();
    device.m_strName = platform::StrFormat("设备%d", device.m_nId);
    if (library.IsEmpty()) {
        platform::MessageBox("初始化失败：系统没有提供一次设备类型!", {}, platform::Icon::Warning,
                             platform::Buttons::Ok);
        return false;
    }
    device.m_settings = library[0];
    return true;
}

void CPrjDeviceList::RemoveByIds(const CIntArray& ids) {
    const std::unordered_set<int> gone(ids.begin(), ids.end());
    std::erase_if(items_, [&](const CPrjDevice& d) { return gone.count(d.m_nId) > 0; });
}

CPrjDevice* CPrjDeviceList::FindByPointRef(int address, int group, int entry) {
    for (CPrjDevice& d : items_)
        if (d.HasPointRef(address, group, entry))
            return &d;
    return nullptr;
}

} // namespace projectmodel
