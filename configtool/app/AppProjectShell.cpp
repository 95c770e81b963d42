#include "configtool/app/AppProjectShell.h"

#include "configtool/app/ConfigToolApp.h"
#include "configtool/app/MainFrame.h"
#include "editors/views/SaveVersionDlg.h"

namespace qxm7740 {

bool CAppProjectShell::IsAdministrator() {
    return m_app.IsAdministrator();
}

bool CAppProjectShell::RequestPrivilege(int mask, std::string& userName) {
    // The log names the user whose rights allowed the command, the one chosen in the login dialog.
    return m_app.GetUserMgr().CheckPassword(userName, static_cast<std::uint32_t>(mask),
                                            m_app.GetMainFrame()) != 0;
}

void CAppProjectShell::LogOperation(const std::string& line) {
    m_app.WriteLog(line);
}

void CAppProjectShell::MonitorLine(const std::string& line) {
    if (CMainFrame* frame = m_app.GetMainFrame())
        frame->MonitorText(LinkColour::Error, line);
}

bool CAppProjectShell::AskSaveVersion(const std::filesystem::path& projectFolder, std::string& versionText) {
    editors::CSaveVersionDlg dlg(m_app.GetMainFrame());
    dlg.m_strFolder = projectFolder.string();
    dlg.m_strVersion = versionText;
    if (dlg.DoModal() != QDialog::Accepted)
        return false;
    versionText = dlg.m_strVersion;
    return true;
}

void CAppProjectShell::RepaintMainWindow() {
    if (CMainFrame* frame = m_app.GetMainFrame())
        frame->repaint();
}

void CAppProjectShell::CloseZipArchive() {
    m_app.ArchiveOps().CloseZip();
}

} // namespace qxm7740
