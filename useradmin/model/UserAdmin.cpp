#include "useradmin/model/UserAdmin.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

#include <unordered_map>

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace nevlor {

bool IsAdminGroupName(const std::string& name) {
    return platform::EqualsNoCase(name, kAdminGroupName);
}

bool IsAdminUserName(const std::string& name) {
    return platform::EqualsNoCase(name, kAdminUserName);
}

void CUserAdmin::SetLoggedIn(const CUserInfo* user) {
    m_loggedIn = user != nullptr;
    m_loggedId = user ? user->m_dwId : 0;
    m_loggedName = user ? user->m_strName : std::string();
}

CUserInfo* CUserAdmin::LoggedInUser() const {
    if (!m_loggedIn)
        return nullptr;
    // Id and name together: a file may hold two users of one id, and the other one must not
    // lend the logged-in user its rights.
    CUserInfo* found = nullptr;
    for (const auto& u : m_users.GetItems())
        if (u->m_dwId == m_loggedId && u->m_strName == m_loggedName)
            found = u.get();
    return found;
}

bool CUserAdmin::IsAdministrator() const {
    const CUserInfo* me = LoggedInUser();
    return me && (me->m_dwPrivilege & PRIV_ADMIN);
}

bool CUserAdmin::CanModifyUser(const CUserInfo& user) const {
    return IsAdministrator() || (LoggedInUser() == &user);
}

bool CUserAdmin::IsListed(const CUserInfo* user) const {
    for (const auto& u : m_users.GetItems())
        if (u.get() == user)
            return true;
    return false;
}

std::vector<CUserTreeGroup> CUserAdmin::BuildTree() const {
    std::vector<CUserTreeGroup> tree;
    std::unordered_map<std::uint32_t, std::size_t> lastGroup;
    for (const auto& g : m_groups.GetItems()) {
        lastGroup[g->m_dwId] = tree.size();
        tree.push_back({g.get(), {}});
    }
    for (const auto& u : m_users.GetItems()) {
        auto it = lastGroup.find(u->m_dwGroupId);
        if (it != lastGroup.end())
            tree[it->second].users.push_back(u.get());
    }
    return tree;
}

CUserTreeSelection CUserAdmin::FindSelection(const std::vector<CUserTreeGroup>& tree, std::uint32_t groupId,
                                             std::uint32_t userId) {
    CUserTreeSelection sel;
    if (groupId == 0)
        return sel;
    for (std::size_t g = 0; g < tree.size(); ++g)
        if (tree[g].group->m_dwId == groupId)
            sel.group = static_cast<int>(g);
    if (sel.group < 0 || userId == 0)
        return sel;
    const auto& users = tree[static_cast<std::size_t>(sel.group)].users;
    for (std::size_t u = 0; u < users.size(); ++u)
        if (users[u]->m_dwId == userId)
            sel.user = static_cast<int>(u);
    return sel;
}

std::unique_ptr<CGroupInfo> CUserAdmin::NewGroup() const {
    auto g = std::make_unique<CGroupInfo>();
    g->m_dwId = m_groups.GetNextId();
    return g;
}

std::unique_ptr<CUserInfo> CUserAdmin::NewUser() const {
    auto u = std::make_unique<CUserInfo>();
    u->m_dwId = m_users.GetNextId();
    return u;
}

CGroupInfo* CUserAdmin::CommitNewGroup(std::unique_ptr<CGroupInfo> group) {
    if (m_groups.HasGroup(group->m_strName)) {
        if (!platform::AskYesDefaultNo("用户组已在列表中，是否覆盖?", {}))
            return nullptr;
        // The namesake is looked up again after the box, and keeps its id, and with it its users.
        if (CGroupInfo* existing = m_groups.HasGroup(group->m_strName)) {
            existing->m_dwPrivilege = group->m_dwPrivilege;
            return existing;
        }
    }
    return m_groups.AddTail(std::move(group));
}

CUserInfo* CUserAdmin::CommitNewUser(std::unique_ptr<CUserInfo> user) {
    if (m_users.HasUser(user->m_strName)) {
        if (!platform::AskYesDefaultNo("用户已在列表中，是否覆盖?", {}))
            return nullptr;
        // Looked up again after the box, which the record may not have outlived.
        if (CUserInfo* existing = m_users.HasUser(user->m_strName)) {
            bool wasMe = LoggedInUser() == existing;
            existing->Copy(*user);
            if (wasMe)
                SetLoggedIn(existing);
            return existing;
        }
    }
    return m_users.AddTail(std::move(user));
}

void CUserAdmin::GroupModified(const CGroupInfo& group) {
    m_users.ResetGroupPriv(group.m_dwId, group.m_dwPrivilege);
}

void CUserAdmin::UserModified(const CUserInfo& user, bool wasLoggedIn) {
    if (wasLoggedIn)
        SetLoggedIn(&user);
}

bool CUserAdmin::DeleteGroup(CGroupInfo* group, bool hasUsers) {
    if (IsAdminGroupName(group->m_strName)) {
        platform::MessageBox("超级用户组为系统用户组，不可删除！", "错误", Icon::Error);
        return false;
    }
    if (hasUsers) {
        const std::uint32_t id = group->m_dwId;
        if (!platform::AskYesDefaultNo("该用户组中包含用户，是否强制删除?", {}))
            return false;
        // The group is looked up again by its id after the box.
        group = m_groups.FindGroup(id);
        if (!group)
            return false;
        m_users.DelGroup(id);
    }
    m_groups.RemoveAndDelete(group);
    return true;
}

bool CUserAdmin::DeleteUser(CUserInfo* user) {
    if (IsAdminUserName(user->m_strName)) {
        platform::MessageBox("系统管理员为系统用户，不可删除！", "错误", Icon::Error);
        return false;
    }
    m_users.RemoveAndDelete(user);
    return true;
}

bool CUserAdmin::CheckGroupInput(const CGroupInfo& record, const std::string& name) const {
    if (IsAdminGroupName(name) && !IsAdminGroupName(record.m_strName)) {
        platform::MessageBox("超级用户组为系统用户组，不可重名！", "错误", Icon::Error);
        return false;
    }
    return true;
}

bool CUserAdmin::CheckUserInput(const CUserInfo& record, const std::string& name, const std::string& password,
                                const std::string& confirm, const CGroupInfo* group) const {
    if (password != confirm) {
        platform::MessageBox("输入密码和确认密码不一致");
        return false;
    }
    if (IsAdminUserName(name) && !IsAdminUserName(record.m_strName)) {
        platform::MessageBox("系统管理员为系统用户，不可重名！", "错误", Icon::Error);
        return false;
    }
    // A listed user may not take the name of another one (and with it that one's login).
    if (IsListed(&record) && name != record.m_strName) {
        const CUserInfo* other = m_users.HasUser(name);
        if (other && other != &record) {
            platform::MessageBox("用户已在列表中！", "错误", Icon::Error);
            return false;
        }
    }
    if (!group) {
        platform::MessageBox("请为该用户指定一用户组！", "错误", Icon::Error);
        return false;
    }
    return true;
}

} // namespace nevlor
