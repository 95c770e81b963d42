#include "users/model/GroupInfo.h"

#include "platform/Gbk.h"
#include "users/model/UserInfo.h"

void CGroupInfo::Serialize(platform::CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(m_dwId);
        ar.WriteU32(m_dwPrivilege);
        ar.WriteString(platform::ToGbk(m_strName));
        return;
    }
    m_dwId = ar.ReadU32();
    m_dwPrivilege = ar.ReadU32();
    m_strName = platform::FromGbk(ar.ReadString());
}

void CGroupInfoList::InitialList() {
    if (!items_.empty())
        return;
    auto group = std::make_unique<CGroupInfo>();
    group->m_dwId = 1;
    group->m_dwPrivilege = PRIV_ALL;
    group->m_strName = kAdminGroupName;
    AddTail(std::move(group));
}

CGroupInfo* CGroupInfoList::HasGroup(const std::string& name) const {
    CGroupInfo* found = nullptr;
    for (const auto& g : items_)
        if (g->m_strName == name)
            found = g.get();
    return found;
}

CGroupInfo* CGroupInfoList::FindGroup(std::uint32_t id) const {
    CGroupInfo* found = nullptr;
    for (const auto& g : items_)
        if (g->m_dwId == id)
            found = g.get();
    return found;
}
