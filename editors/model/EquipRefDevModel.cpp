#include "editors/model/EquipRefDevModel.h"

#include "editors/model/DeviceLabels.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

#include <algorithm>

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

namespace {
void RefreshEquipment(CProjectModel& doc, const CPrjDevice& equipment) {
    if (IProjectViews* views = doc.Views())
        views->RefreshEquipmentNode(equipment.m_nBayId, equipment.m_nId);
}
} // namespace

std::vector<CGridRow> CEquipRefDevModel::Rows(const CProjectModel& doc, const CPrjDevice& equipment) {
    std::vector<CGridRow> rows;
    int n = 0;
    for (int address : equipment.m_linkedDevices) {
        const CDevice* d = doc.m_devices.FindByAddress(address);
        ++n;
        CGridRow row = d ? GridRow({StrFormat("%d", n), StrFormat("%d", d->m_nAddress), d->m_strModelName,
                                    d->m_model.m_strType, d->m_model.m_strVersion, d->m_strDescription})
                         : GridRow({StrFormat("%d", n), StrFormat("%d", address), "", "", "", ""});
        row.rowText = StrFormat(kDeviceListLabel, n, d ? d->m_strModelName.c_str() : "");
        row.itemData = address;
        rows.push_back(std::move(row));
    }
    return rows;
}

bool CEquipRefDevModel::AddLinkedDevice(CProjectModel& doc, CPrjDevice& equipment, const CDevice* device) {
    if (!device)
        return false;
    auto& list = equipment.m_linkedDevices;
    if (std::find(list.begin(), list.end(), device->m_nAddress) != list.end())
        return false;
    list.push_back(device->m_nAddress);
    RefreshEquipment(doc, equipment);
    return true;
}

void CEquipRefDevModel::DeleteLinked(CProjectModel& doc, CPrjDevice& equipment,
                                     const std::vector<int>& rows) {
    int removed = 0;
    auto& list = equipment.m_linkedDevices;
    for (int r : rows) {
        const int index = r - removed;
        if (index < 0 || index >= static_cast<int>(list.size()))
            continue;
        list.erase(list.begin() + index);
        ++removed;
    }
    RefreshEquipment(doc, equipment);
}

bool CEquipRefDevModel::SortByAddress(CProjectModel& doc, CPrjDevice& equipment) {
    if (equipment.m_linkedDevices.size() < 2)
        return false;
    std::stable_sort(equipment.m_linkedDevices.begin(), equipment.m_linkedDevices.end());
    RefreshEquipment(doc, equipment);
    return true;
}

} // namespace editors
