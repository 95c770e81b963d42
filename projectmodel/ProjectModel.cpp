#include "projectmodel/ProjectModel.h"

#include "projectmodel/ProjectContext.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

namespace projectmodel {

CProjectModel::CProjectModel() {
    CProjectContext::Instance().SetDeviceTableSorted(true);
}

CProjectModel::~CProjectModel() {
    CProjectContext& context = CProjectContext::Instance();
    if (context.CurrentDocument() == this)
        context.SetCurrentDocument(nullptr);
}

void CProjectModel::MakeCurrent() {
    CProjectContext::Instance().SetCurrentDocument(this);
}

} // namespace projectmodel

namespace projectmodel {

CInfoEntry* CProjectModel::FindDeviceInfo(int address, int groupNo, int entryNo) {
    CDevice* device = FindDevice(address);
    return device ? device->m_model.FindEntry(groupNo, entryNo) : nullptr;
}

int CProjectModel::GetGroupNo(const CDeviceTemplate* model, std::string_view groupName, int type) {
    if (!model) {
        platform::MessageBox("未指定装置信号，获取组号失败!", {}, platform::Icon::Warning,
                             platform::Buttons::Ok);
        return -1;
    }
    for (const CInfoGroup& g : model->m_groups) {
        if (g.m_nGroupNo != 10 && g.m_nType == type && g.m_entries.GetSize() < 255 &&
            platform::EqualsNoCase(g.m_strName, groupName))
            return g.m_nGroupNo;
    }
    int k = 1;
    while (k == 10 || model->FindGroup(k))
        ++k;
    return k;
}

int CProjectModel::GetEntryNo(const CDeviceTemplate* model, int groupNo) {
    if (!model) {
        platform::MessageBox("未指定装置信号，获取条目号失败!", {}, platform::Icon::Warning,
                             platform::Buttons::Ok);
        return -1;
    }
    const CInfoGroup* g = model->FindGroup(groupNo);
    return g ? g->m_entries.NextFreeEntryNo() : 1;
}

int CProjectModel::SetCompositeExpression(int groupNo, int type, const CInfoEntry& entry) {
    CDevice* device = FindDevice(kCompositeDeviceAddress);
    return SetDeviceExpression(device ? &device->m_model : nullptr, groupNo, type, entry);
}

int CProjectModel::SetDeviceExpression(CDeviceTemplate* model, int groupNo, int type,
                                       const CInfoEntry& entry) {
    if (!model)
        return 0;
    CInfoGroup* group = model->FindGroup(groupNo);
    if (!group) {
        CInfoGroup g;
        g.m_strName = entry.m_strGroupName;
        g.m_nType = type;
        g.m_nGroupNo = groupNo;
        g.m_entries.Add(entry);
        model->m_groups.Add(std::move(g));
        return 1;
    }
    if (CInfoEntry* present = group->m_entries.GetByEntryNo(entry.m_nEntry)) {
        if (platform::MessageBox("已有相同(分组|条目)的表达式, 将要替换原有的表达式吗?", {},
                                 platform::Icon::Warning, platform::Buttons::YesNo) != platform::Answer::Yes)
            return 0;
        *present = entry;
        return 1;
    }
    group->m_entries.InsertSorted(entry);
    return 1;
}

void CProjectModel::DeleteCompositeExpression(int groupNo, int entryNo) {
    CDevice* device = FindDevice(kCompositeDeviceAddress);
    DeleteDeviceExpression(device ? &device->m_model : nullptr, groupNo, entryNo);
}

void CProjectModel::DeleteDeviceExpression(CDeviceTemplate* model, int groupNo, int entryNo) {
    if (!model)
        return;
    if (CInfoGroup* g = model->FindGroup(groupNo))
        g->m_entries.RemoveByEntryNo(entryNo);
}

} // namespace projectmodel
