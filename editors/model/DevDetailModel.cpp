#include "editors/model/DevDetailModel.h"

#include "editors/model/DevinfolistModel.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/Device.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/TextHelpers.h"

#include <algorithm>

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

namespace {
bool GroupOnTab(const CInfoGroup& group, int tab) {
    return group.m_nType == tab ||
           (group.m_nType == kInfoTypeYKYX && (tab == kInfoTypeYX || tab == kInfoTypeYK));
}
} // namespace

std::vector<CGridRow> CDevDetailModel::Rows(const CDevice& device, int tab) {
    std::vector<CGridRow> rows;
    for (const CInfoGroup& group : device.m_model.m_groups) {
        if (!GroupOnTab(group, tab))
            continue;
        for (const CInfoEntry& e : group.m_entries) {
            if (e.m_nEntry == 0)
                continue;
            CGridRow row = GridRow({StrFormat("%d", static_cast<int>(rows.size()) + 1),
                                    e.m_strGroupName.empty() ? group.m_strName : e.m_strGroupName.str(),
                                    StrFormat("%d", group.m_nGroupNo), StrFormat("%d", e.m_nEntry),
                                    StrFormat("%d", e.m_nFun), StrFormat("%d", e.m_nInf), e.m_strDesc,
                                    e.m_strReference});
            if (e.m_bEnabled == 0)
                row.colour = kDisabledColour;
            row.itemData = EntryKey(group.m_nGroupNo, e.m_nEntry);
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

CInfoEntry* CDevDetailModel::EntryOfKey(CDevice& device, long long key) {
    return device.m_model.FindEntry(static_cast<int>(key / 65536), static_cast<int>(key % 65536));
}

bool CDevDetailModel::SetDescription(CDevice& device, long long key, const std::string& typed) {
    // The entry line of the configuration file cannot carry some characters; they become blanks.
    const std::string text = projectmodel::ConfigLineSafeText(typed, projectmodel::ConfigTextKind::EntryText);
    CInfoEntry* entry = EntryOfKey(device, key);
    if (!entry || text.empty() || platform::EqualsNoCase(text, entry->m_strDesc))
        return false;
    entry->m_strDesc = text;
    return true;
}

bool CDevDetailModel::DeleteTelecontrol(CProjectModel& doc, int address, int tab,
                                        const std::vector<long long>& keys) {
    CDevice* device = doc.FindDevice(address);
    if (!device || tab != kInfoTypeYK || device->m_model.m_nFlag == 0)
        return false;
    // Later entries of a group are renumbered, so remove from the highest key down.
    std::vector<long long> sorted(keys);
    std::sort(sorted.rbegin(), sorted.rend());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    int references = 0;
    for (long long key : sorted)
        references += CDevinfolistModel::CountPointRefs(doc, address, static_cast<int>(key / 65536),
                                                        static_cast<int>(key % 65536));
    if (!CDevinfolistModel::ConfirmReferenceRemoval(references))
        return false;
    bool removed = false;
    const CDevinfolistModel::CompositeKeys complete = CDevinfolistModel::CompleteComposites(doc);
    CDevinfolistModel::CCarry carry;
    for (long long key : sorted) {
        const int groupNo = static_cast<int>(key / 65536);
        const int entryNo = static_cast<int>(key % 65536);
        device = doc.FindDevice(address);
        CInfoGroup* group = device ? device->m_model.FindGroup(groupNo) : nullptr;
        const int index = group ? group->m_entries.FindIndexByEntryNo(entryNo) : -1;
        if (index < 0)
            continue;
        group->RemoveEntryAt(index);
        CDevinfolistModel::Join(carry, CDevinfolistModel::CarryEntryRemoval(doc, address, groupNo, entryNo));
        removed = true;
    }
    CDevinfolistModel::RefreshCarry(doc, carry);
    if (removed)
        CDevinfolistModel::DeleteShortComposites(doc, complete, "删除信息");
    return removed;
}

} // namespace editors
