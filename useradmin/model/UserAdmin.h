#pragma once
// The rules of the user administration program without its widgets: who may do what, how new
// groups and users join the lists (or overwrite a namesake), what deleting refuses, what the group
// and user dialogs accept, and how the tree of groups and users is laid out.
#include "users/model/UserPwMgr.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nevlor {

// One group of the tree with the users shown under it.
struct CUserTreeGroup {
    CGroupInfo* group = nullptr;
    std::vector<CUserInfo*> users;
};

// Where a tree rebuild puts the selection: -1 for the root (group) or for the group item (user).
struct CUserTreeSelection {
    int group = -1;
    int user = -1;
};

class CUserAdmin {
public:
    CUserAdmin(CUserInfoList& users, CGroupInfoList& groups) : m_users(users), m_groups(groups) {}

    CUserInfoList& Users() const { return m_users; }
    CGroupInfoList& Groups() const { return m_groups; }

    // The logged-in user is kept by id and name, never by record, so deleting it cannot leave a
    // dangling pointer.
    void SetLoggedIn(const CUserInfo* user);
    std::uint32_t LoggedInId() const { return m_loggedId; }
    const std::string& LoggedInName() const { return m_loggedName; }
    // The logged-in user's record while it is in the list, else null.
    CUserInfo* LoggedInUser() const;
    // The logged-in user holds "设置权限" in its own bits.
    bool IsAdministrator() const;
    // Administrators may change any user, everyone else only themselves.
    bool CanModifyUser(const CUserInfo& user) const;
    bool IsListed(const CUserInfo* user) const;

    // Groups in list order, each with its users in list order; a user goes under the last group
    // with its group id and is left out when no group has that id.
    std::vector<CUserTreeGroup> BuildTree() const;
    // The last group item with the group id, and under it the last item of the user id (when
    // one is given); nothing found leaves the root (or the group item) selected.
    static CUserTreeSelection FindSelection(const std::vector<CUserTreeGroup>& tree, std::uint32_t groupId,
                                            std::uint32_t userId);

    // A new record with the next free id, for the dialogs to fill.
    std::unique_ptr<CGroupInfo> NewGroup() const;
    std::unique_ptr<CUserInfo> NewUser() const;

    // Adds a filled-in new group; a namesake is overwritten (its bits only) when the user agrees.
    // Returns the group to select, or null when nothing changed.
    CGroupInfo* CommitNewGroup(std::unique_ptr<CGroupInfo> group);
    // Adds a filled-in new user; a namesake takes all its fields when the user agrees.
    CUserInfo* CommitNewUser(std::unique_ptr<CUserInfo> user);
    // Every user of the changed group takes its bits.
    void GroupModified(const CGroupInfo& group);
    // Called after a user's record was edited; wasLoggedIn tells whether it was the logged-in
    // user's record before the edit (its name may have changed).
    void UserModified(const CUserInfo& user, bool wasLoggedIn);

    // Deletes the group (and, once confirmed, its users); false when refused or declined.
    bool DeleteGroup(CGroupInfo* group, bool hasUsers);
    // Deletes the user; false when refused.
    bool DeleteUser(CUserInfo* user);

    // OK of the group dialog: false (the refusal shown) when the name may not be taken.
    bool CheckGroupInput(const CGroupInfo& record, const std::string& name) const;
    // OK of the user dialog: false (the refusal shown) when the input may not be taken. group is
    // the group chosen in the list (null for none).
    bool CheckUserInput(const CUserInfo& record, const std::string& name, const std::string& password,
                        const std::string& confirm, const CGroupInfo* group) const;

private:
    CUserInfoList& m_users;
    CGroupInfoList& m_groups;
    bool m_loggedIn = false;
    std::uint32_t m_loggedId = 0;
    std::string m_loggedName;
};

// The reserved names compared without regard to case.
bool IsAdminGroupName(const std::string& name);
bool IsAdminUserName(const std::string& name);

} // namespace nevlor
