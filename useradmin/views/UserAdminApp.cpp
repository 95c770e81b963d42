#include "useradmin/views/UserAdminApp.h"

#include "platform/ui/WidgetPrompt.h"
#include "useradmin/views/UserAdminDlg.h"

namespace nevlor {

CUserAdminApp::CUserAdminApp()
    : m_pUserList(m_userPwMgr.GetUserList()), m_pGroupList(m_userPwMgr.GetGroupList()),
      m_admin(*m_pUserList, *m_pGroupList) {}

int CUserAdminApp::InitInstance(const std::filesystem::path& folder) {
    m_userPwMgr.LoadFromFile(folder);
    std::string name;
    if (!m_userPwMgr.CheckPassword(name, 0, nullptr))
        return 0;
    m_admin.SetLoggedIn(m_pUserList->HasUser(name));

    CUserAdminDlg dlg(m_admin);
    if (platform::RunDialog(dlg) == QDialog::Accepted)
        m_userPwMgr.SaveToFile(folder);
    return 0;
}

} // namespace nevlor
