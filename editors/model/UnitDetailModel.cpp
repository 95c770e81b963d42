#include "editors/model/UnitDetailModel.h"

#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

namespace {

template <class T> bool At(const std::vector<T>& items, int index, T& value) {
    if (index < 0 || index >= static_cast<int>(items.size()))
        return false;
    value = items[static_cast<std::size_t>(index)];
    return true;
}

} // namespace

CUnitDetailModel::Target CUnitDetailModel::Resolve(const CProjectModel& doc, const CPathRecord& path) {
    Target target;
    if (path.depth != 5 || path.Slot(1) != kItemBays)
        return target;
    int code = 0;
    int bayId = 0;
    int equipmentId = 0;
    int address = 0;
    if (!At(doc.m_voltOrder.m_codes, path.Slot(2), code))
        return target;
    const CVoltLevel* level = doc.m_voltLevels.GetById(code);
    if (!level || !At(level->m_bayIds, path.Slot(3), bayId))
        return target;
    const CPrjBay* bay = doc.m_bays.GetById(bayId);
    if (!bay || !At(bay->m_equipmentIds, path.Slot(4), equipmentId))
        return target;
    const CPrjDevice* equipment = doc.m_prjDevices.GetById(equipmentId);
    if (!equipment || !At(equipment->m_linkedDevices, path.Slot(5), address))
        return target;
    const CDevice* device = doc.m_devices.FindByAddress(address);
    if (!device)
        return target;
    target.equipment = equipment;
    target.device = device;
    return target;
}

std::string CUnitDetailModel::Caption(const Target& target) {
    if (!target.equipment || !target.device)
        return {};
    return StrFormat("%s装置%d<%s>信息列表:", target.equipment->m_strName.c_str(), target.device->m_nAddress,
                     target.device->m_strDescription.c_str());
}

std::vector<CGridRow> CUnitDetailModel::Rows(const CDevice& device, int tab) {
    std::vector<CGridRow> rows;
    int number = 1;
    for (const CInfoGroup& group : device.m_model.m_groups) {
        const bool taken = group.m_nType == tab ||
                           ((tab == kInfoTypeYX || tab == kInfoTypeYK) && group.m_nType == kInfoTypeYKYX);
        if (!taken)
            continue;
        for (const CInfoEntry& e : group.m_entries) {
            if (e.m_nEntry == 0)
                continue;
            rows.push_back(GridRow({StrFormat("%d", number++), e.m_strGroupName, StrFormat("%d", e.m_nGroup),
                                    StrFormat("%d", e.m_nEntry), StrFormat("%d", e.m_nFun),
                                    StrFormat("%d", e.m_nInf), e.m_strDesc, ""}));
        }
    }
    return rows;
}

} // namespace editors
