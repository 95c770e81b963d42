#pragma once
// What the communication worker uses of the application: the link, the main frame's wait dialog
// and monitor pane, the operator log, the zip archive, the current project, the folders, the idle
// and wait-dialog flags, and the request to open an uploaded project.
#include "configtool/worker/NetMagThread.h"

#include <memory>

namespace qxm7740 {

class CConfigToolApp;

class CAppNetHost : public INetMagHost {
public:
    explicit CAppNetHost(CConfigToolApp& app) : m_app(app) {}

    CDeviceLink* GetLink() override;
    ILinkReport& Report() override;
    ILogSink& Log() override;
    CArchiveOperations& Archive() override;
    projectmodel::CConfigDoc* CurrentDoc() override;
    std::filesystem::path RootFolder() override;
    std::filesystem::path ProjectsFolder() override;
    std::filesystem::path IniFolder() override;
    std::atomic<int>& IdleFlag() override;
    std::atomic<int>& WaitDialogFlag() override;
    void PostOpenProject(const std::string& mainFile) override;
    void ShowMonitor() override;

private:
    CConfigToolApp& m_app;
};

// The worker of the program: CNetMagThread over the application.
std::unique_ptr<INetWorker> MakeNetWorker(CConfigToolApp& app);

} // namespace qxm7740
