#include "editors/model/PrjbayModel.h"

#include "editors/model/EquipViewModel.h"
#include "editors/model/ProjectTreeModel.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/TextHelpers.h"

#include <algorithm>

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

namespace {
void RefreshLevels(CProjectModel& doc) {
    if (IProjectViews* views = doc.Views())
        views->RefreshVoltLevelNodes();
}
} // namespace

std::vector<CGridRow> CPrjbayModel::Rows(const CProjectModel& doc) {
    std::vector<CGridRow> rows;
    int n = 0;
    for (int code : doc.m_voltOrder.m_codes) {
        const CVoltLevel* level = doc.m_voltLevels.GetById(code);
        CGridRow row = GridRow({StrFormat("%d", ++n), level ? level->m_strName : std::string()});
        row.itemData = code;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> CPrjbayModel::NameChoices() {
    return {VoltLevelNames.begin(), VoltLevelNames.end()};
}

bool CPrjbayModel::ConfirmBaysRemoval(const CProjectModel& doc, const std::string& levelName,
                                      const char* action) {
    int bays = 0;
    std::vector<int> equipment;
    for (const CPrjBay& bay : doc.m_bays)
        if (bay.m_strVoltLevel == levelName) {
            ++bays;
            equipment.insert(equipment.end(), bay.m_equipmentIds.begin(), bay.m_equipmentIds.end());
        }
    if (bays == 0)
        return true;
    // The equipment's links to points go with it (RemoveBaysOfLevel goes through RemoveBay).
    const int links = CEquipViewModel::CountPointLinks(doc, equipment);
    const std::string what = links > 0 ? StrFormat("%d个间隔及其一次设备(含%d处测点关联)", bays, links)
                                       : StrFormat("%d个间隔及其一次设备", bays);
    return platform::AskYesDefaultNo(
        StrFormat("%s电压等级%s将同时删除其下的%s，是否继续？", action, levelName.c_str(), what.c_str()),
        "电压等级");
}

void CPrjbayModel::RemoveBaysOfLevel(CProjectModel& doc, const std::string& levelName) {
    std::vector<int> bayIds;
    for (const CPrjBay& bay : doc.m_bays)
        if (bay.m_strVoltLevel == levelName)
            bayIds.push_back(bay.m_nId);
    for (int id : bayIds)
        CEquipViewModel::RemoveBay(doc, id);
}

bool CPrjbayModel::Rename(CProjectModel& doc, int row, const std::string& text) {
    const std::string name = TrimCopy(text);
    if (row < 0 || row >= static_cast<int>(doc.m_voltOrder.m_codes.size()) || name.empty())
        return false;
    const int oldCode = doc.m_voltOrder.m_codes[static_cast<std::size_t>(row)];
    const CVoltLevel* old = doc.m_voltLevels.GetById(oldCode);
    if (old && old->m_strName == name)
        return false;
    if (doc.m_voltLevels.FindByName(name) >= 0) {
        platform::MessageBox(name + "已存在");
        return false;
    }
    CVoltLevel level(name);
    if (level.m_nCode < 0)
        return false;
    level.m_settings = doc.m_voltLevelConfig;
    // The question runs an event loop: the old level is looked up again by its code after it.
    const bool hadOld = old != nullptr;
    const std::string oldName = old ? old->m_strName : std::string();
    if (hadOld && !ConfirmBaysRemoval(doc, oldName, "更改"))
        return false;
    if (row >= static_cast<int>(doc.m_voltOrder.m_codes.size()) ||
        doc.m_voltOrder.m_codes[static_cast<std::size_t>(row)] != oldCode)
        return false;
    if (hadOld && doc.m_voltLevels.GetById(oldCode)) {
        RemoveBaysOfLevel(doc, oldName);
        doc.m_voltLevels.RemoveById(oldCode);
    }
    doc.m_voltLevels.Insert(level);
    doc.m_voltOrder.m_codes[static_cast<std::size_t>(row)] = level.m_nCode;
    RefreshLevels(doc);
    return true;
}

bool CPrjbayModel::AddLevel(CProjectModel& doc) {
    CVoltLevel level;
    if (!doc.m_voltLevels.NewVoltLevel(level, doc.m_voltLevelConfig))
        return false;
    if (doc.m_voltLevels.Insert(level) < 0)
        return false;
    doc.m_voltOrder.m_codes.push_back(level.m_nCode);
    RefreshLevels(doc);
    return true;
}

void CPrjbayModel::DeleteLevels(CProjectModel& doc, const std::vector<int>& rows) {
    int removed = 0;
    for (int r : rows) {
        const int index = r - removed;
        if (index < 0 || index >= static_cast<int>(doc.m_voltOrder.m_codes.size()))
            continue;
        const int code = doc.m_voltOrder.m_codes[static_cast<std::size_t>(index)];
        const CVoltLevel* asked = doc.m_voltLevels.GetById(code);
        if (asked && !ConfirmBaysRemoval(doc, asked->m_strName, "删除"))
            continue;
        if (const CVoltLevel* level = doc.m_voltLevels.GetById(code)) {
            RemoveBaysOfLevel(doc, level->m_strName);
            doc.m_voltLevels.RemoveById(code);
        }
        doc.m_voltOrder.m_codes.erase(doc.m_voltOrder.m_codes.begin() + index);
        ++removed;
    }
    RefreshLevels(doc);
}

void CPrjbayModel::SortOrder(CProjectModel& doc) {
    std::stable_sort(doc.m_voltOrder.m_codes.begin(), doc.m_voltOrder.m_codes.end());
    RefreshLevels(doc);
}

} // namespace editors
