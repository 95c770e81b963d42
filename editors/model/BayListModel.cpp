#include "editors/model/BayListModel.h"

#include "editors/model/EquipViewModel.h"
#include "platform/Gbk.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/TextHelpers.h"

using namespace projectmodel;

namespace editors {

CVoltLevel* CBayListModel::LevelOf(CProjectModel& doc, const CPathRecord& path) {
    if (path.depth != 2 || path.Slot(1) != kItemBays)
        return nullptr;
    const int position = path.Slot(2);
    const CIntArray& codes = doc.m_voltOrder.m_codes;
    if (position < 0 || position >= static_cast<int>(codes.size()))
        return nullptr;
    return doc.m_voltLevels.GetById(codes[static_cast<std::size_t>(position)]);
}

std::vector<CGridRow> CBayListModel::Rows(const CProjectModel& doc, const CVoltLevel& level) {
    std::vector<CGridRow> rows;
    rows.reserve(level.m_bayIds.size());
    for (std::size_t i = 0; i < level.m_bayIds.size(); ++i) {
        const CPrjBay* bay = doc.m_bays.GetById(level.m_bayIds[i]);
        rows.push_back(
            GridRow({platform::StrFormat("%d", static_cast<int>(i) + 1), bay ? bay->m_strName : ""}));
    }
    return rows;
}

bool CBayListModel::Rename(CProjectModel& doc, const CVoltLevel& level, int row, const std::string& shown,
                           const std::string& typed) {
    if (row < 0 || row >= static_cast<int>(level.m_bayIds.size()))
        return false;
    const std::string name = TrimCopy(typed);
    CPrjBay* bay = doc.m_bays.GetById(level.m_bayIds[static_cast<std::size_t>(row)]);
    if (!bay || name == shown)
        return false;
    bay->m_strName = name;
    return true;
}

bool CBayListModel::AddBay(CProjectModel& doc, CVoltLevel& level) {
    CPrjBay bay;
    if (!doc.m_bays.NewBay(bay, doc.m_bayConfig))
        return false;
    bay.m_strVoltLevel = level.m_strName;
    if (doc.m_bays.Insert(bay) < 0)
        return false;
    level.m_bayIds.push_back(bay.m_nId);
    return true;
}

std::string CBayListModel::BaysDeletionQuestion(const CProjectModel& doc, const CVoltLevel& level,
                                                const std::vector<int>& rows) {
    int bays = 0;
    CIntArray equipment;
    for (int r : rows) {
        if (r < 0 || r >= static_cast<int>(level.m_bayIds.size()))
            continue;
        ++bays;
        if (const CPrjBay* bay = doc.m_bays.GetById(level.m_bayIds[static_cast<std::size_t>(r)]))
            equipment.insert(equipment.end(), bay->m_equipmentIds.begin(), bay->m_equipmentIds.end());
    }
    if (equipment.empty())
        return {};
    return platform::StrFormat("删除所选的%d个间隔将同时删除其下的%d个一次设备及其%d处测点关联，是否继续？",
                               bays, static_cast<int>(equipment.size()),
                               CEquipViewModel::CountPointLinks(doc, equipment));
}

int CBayListModel::DeleteBays(CProjectModel& doc, CVoltLevel& level, const std::vector<int>& rows) {
    int deleted = 0;
    for (int r : rows) {
        const int index = r - deleted;
        if (index < 0 || index >= static_cast<int>(level.m_bayIds.size()))
            continue;
        const int id = level.m_bayIds[static_cast<std::size_t>(index)];
        CEquipViewModel::RemoveBay(doc, id);
        level.m_bayIds.erase(level.m_bayIds.begin() + index);
        ++deleted;
    }
    return deleted;
}

void CBayListModel::SortByName(const CProjectModel& doc, CVoltLevel& level) {
    CIntArray& ids = level.m_bayIds;
    // The names are looked up once; a selection sort that takes the first smallest name and
    // shifts the others keeps equal names in their order.
    std::vector<std::pair<std::string, int>> named;
    named.reserve(ids.size());
    for (int id : ids) {
        const CPrjBay* bay = doc.m_bays.GetById(id);
        named.emplace_back(bay ? bay->m_strName : std::string(), id);
    }
    std::stable_sort(named.begin(), named.end(),
                     [](const auto& a, const auto& b) { return platform::CompareGbk(a.first, b.first) < 0; });
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = named[i].second;
}

} // namespace editors
