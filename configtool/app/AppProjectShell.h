#pragma once
// The application shell as the project document sees it: rights through the user manager (the
// administrator is never asked), lines of the operator log, the save-with-version dialog, the main
// window's repaint and the close of the application's zip archive.
#include "projectmodel/ProjectServices.h"

namespace qxm7740 {

class CConfigToolApp;

class CAppProjectShell : public projectmodel::IProjectShell {
public:
    explicit CAppProjectShell(CConfigToolApp& app) : m_app(app) {}

    bool IsAdministrator() override;
    bool RequestPrivilege(int mask, std::string& userName) override;
    void LogOperation(const std::string& line) override;
    void MonitorLine(const std::string& line) override;
    bool AskSaveVersion(const std::filesystem::path& projectFolder, std::string& versionText) override;
    void RepaintMainWindow() override;
    void CloseZipArchive() override;

private:
    CConfigToolApp& m_app;
};

} // namespace qxm7740
