#include "editors/model/EquipViewModel.h"

#include "editors/model/CellValue.h"
#include "editors/model/EquipDetailModel.h"
#include "platform/Gbk.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

#include <algorithm>

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

namespace {
void RefreshBay(CProjectModel& doc, int bayId) {
    if (IProjectViews* views = doc.Views())
        views->RefreshBayNode(bayId);
}

CPrjDevice* EquipmentAt(CProjectModel& doc, const CPrjBay& bay, int row) {
    if (row < 0 || row >= static_cast<int>(bay.m_equipmentIds.size()))
        return nullptr;
    return doc.m_prjDevices.GetById(bay.m_equipmentIds[static_cast<std::size_t>(row)]);
}

template <class T> const T* At(const std::vector<T>& v, int i) {
    return i >= 0 && i < static_cast<int>(v.size()) ? &v[static_cast<std::size_t>(i)] : nullptr;
}
} // namespace

CEquipLocation LocateEquipment(CProjectModel& doc, const CPathRecord& path, bool withEquipment) {
    CEquipLocation loc;
    const int* code = At(doc.m_voltOrder.m_codes, path.Slot(2));
    CVoltLevel* level = code ? doc.m_voltLevels.GetById(*code) : nullptr;
    const int* bayId = level ? At(level->m_bayIds, path.Slot(3)) : nullptr;
    CPrjBay* bay = bayId ? doc.m_bays.GetById(*bayId) : nullptr;
    if (!bay)
        return loc;
    loc.level = level;
    loc.bay = bay;
    if (withEquipment) {
        loc.equipment = EquipmentAt(doc, *bay, path.Slot(4));
        if (!loc.equipment)
            return {};
    }
    return loc;
}

std::vector<CGridRow> CEquipViewModel::Rows(const CProjectModel& doc, const CPrjBay& bay) {
    std::vector<CGridRow> rows;
    int n = 0;
    for (int id : bay.m_equipmentIds) {
        const CPrjDevice* e = doc.m_prjDevices.GetById(id);
        CGridRow row =
            GridRow({StrFormat("%d", ++n), e ? e->m_settings.m_strName : "", e ? e->m_strName : ""});
        row.itemData = id;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> CEquipViewModel::TypeChoices(const CProjectModel& doc) {
    std::vector<std::string> names;
    for (const CNamePairRecord& r : doc.m_equipmentLibrary)
        names.push_back(r.m_strName);
    return names;
}

bool CEquipViewModel::SetType(CProjectModel& doc, CPrjBay& bay, int row, const std::string& name) {
    CPrjDevice* equipment = EquipmentAt(doc, bay, row);
    const CNamePairRecord* record = doc.m_equipmentLibrary.FindByName(name);
    if (!equipment || !record || equipment->m_settings.m_strName == name)
        return false;
    // The points of the old reference tables are no longer related to this equipment.
    CEquipDetailModel::ResetPointLinks(doc, *equipment);
    equipment->m_settings = *record;
    RefreshBay(doc, bay.m_nId);
    return true;
}

bool CEquipViewModel::SetName(CProjectModel& doc, CPrjBay& bay, int row, const std::string& text) {
    CPrjDevice* equipment = EquipmentAt(doc, bay, row);
    const std::string name = platform::Trim(text);
    if (!equipment || name.empty() || equipment->m_strName == name)
        return false;
    equipment->m_strName = name;
    RefreshBay(doc, bay.m_nId);
    return true;
}

bool CEquipViewModel::Sort(CProjectModel& doc, CPrjBay& bay, int column) {
    if (column != 1 && column != 2)
        return false;
    auto key = [&](int id) -> std::string {
        const CPrjDevice* e = doc.m_prjDevices.GetById(id);
        return !e ? std::string() : column == 1 ? e->m_settings.m_strName : e->m_strName;
    };
    std::stable_sort(bay.m_equipmentIds.begin(), bay.m_equipmentIds.end(),
                     [&](int a, int b) { return platform::CompareGbk(key(a), key(b)) < 0; });
    RefreshBay(doc, bay.m_nId);
    return true;
}

bool CEquipViewModel::AddEquipment(CProjectModel& doc, CPrjBay& bay) {
    CPrjDevice equipment;
    if (!doc.m_prjDevices.NewDevice(equipment, doc.m_equipmentLibrary))
        return false;
    equipment.m_strVoltLevel = bay.m_strVoltLevel;
    equipment.m_nBayId = bay.m_nId;
    if (doc.m_prjDevices.Insert(equipment) < 0)
        return false;
    bay.m_equipmentIds.push_back(equipment.m_nId);
    RefreshBay(doc, bay.m_nId);
    return true;
}

void CEquipViewModel::DeleteEquipment(CProjectModel& doc, CPrjBay& bay, const std::vector<int>& rows) {
    int removed = 0;
    for (int r : rows) {
        const int index = r - removed;
        if (index < 0 || index >= static_cast<int>(bay.m_equipmentIds.size()))
            continue;
        const int id = bay.m_equipmentIds[static_cast<std::size_t>(index)];
        if (const CPrjDevice* equipment = doc.m_prjDevices.GetById(id)) {
            CEquipDetailModel::ResetPointLinks(doc, *equipment);
            doc.m_prjDevices.RemoveById(id);
        }
        bay.m_equipmentIds.erase(bay.m_equipmentIds.begin() + index);
        ++removed;
    }
    RefreshBay(doc, bay.m_nId);
}

int CEquipViewModel::CountPointLinks(const CProjectModel& doc, const std::vector<int>& ids) {
    int links = 0;
    for (int id : ids)
        if (const CPrjDevice* equipment = doc.m_prjDevices.GetById(id))
            links += equipment->m_settings.m_tables.CountEntries();
    return links;
}

std::string CEquipViewModel::EquipmentDeletionQuestion(const CProjectModel& doc, const CPrjBay& bay,
                                                       const std::vector<int>& rows) {
    CIntArray ids;
    for (int r : rows)
        if (r >= 0 && r < static_cast<int>(bay.m_equipmentIds.size()))
            ids.push_back(bay.m_equipmentIds[static_cast<std::size_t>(r)]);
    const int links = CountPointLinks(doc, ids);
    if (links == 0)
        return {};
    return platform::StrFormat("删除所选的%d个一次设备将同时删除其%d处测点关联，是否继续？",
                               static_cast<int>(ids.size()), links);
}

bool CEquipViewModel::ConfirmDeletion(const std::string& question, const std::string& caption) {
    return question.empty() || platform::AskYesDefaultNo(question, caption);
}

void CEquipViewModel::RemoveBay(CProjectModel& doc, int bayId) {
    const CPrjBay* bay = doc.m_bays.GetById(bayId);
    if (!bay)
        return;
    const CIntArray equipmentIds = bay->m_equipmentIds;
    for (int equipmentId : equipmentIds)
        if (const CPrjDevice* equipment = doc.m_prjDevices.GetById(equipmentId))
            CEquipDetailModel::ResetPointLinks(doc, *equipment);
    doc.m_prjDevices.RemoveByIds(equipmentIds);
    doc.m_bays.RemoveById(bayId);
}

} // namespace editors
