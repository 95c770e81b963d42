#pragma once
// The administration program's one run: load the user file, log the operator in, show the main
// dialog, and write the file back when that dialog closes with OK.
#include "useradmin/model/UserAdmin.h"
#include "users/model/UserPwMgr.h"

#include <filesystem>

namespace nevlor {

class CUserAdminApp {
public:
    CUserAdminApp();

    // Runs the program with "Password.dat" in the folder; returns the exit code.
    int InitInstance(const std::filesystem::path& folder);

    CUserPwMgr& Manager() { return m_userPwMgr; }
    CUserAdmin& Admin() { return m_admin; }

private:
    CUserPwMgr m_userPwMgr;
    CUserInfoList* m_pUserList;
    CGroupInfoList* m_pGroupList;
    CUserAdmin m_admin;
};

} // namespace nevlor
