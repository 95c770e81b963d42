#include "configtool/app/AppNetHost.h"

#include "configtool/app/ConfigDoc.h"
#include "configtool/app/ConfigToolApp.h"
#include "configtool/app/MainFrame.h"

namespace qxm7740 {

namespace {

// Reports that go nowhere, for the moments without a main frame.
class NullReport : public ILinkReport {
public:
    void OpenWait(int, const std::string&) override {}
    void CloseWait() override {}
    void Progress(int, std::uint32_t) override {}
    void WaitText(const std::string&) override {}
    void MonitorText(LinkColour, const std::string&) override {}
    void MonitorBytes(LinkColour, const std::uint8_t*, std::size_t) override {}
};

} // namespace

CDeviceLink* CAppNetHost::GetLink() {
    return m_app.GetLink();
}

ILinkReport& CAppNetHost::Report() {
    static NullReport none;
    if (CMainFrame* frame = m_app.GetMainFrame())
        return *frame;
    return none;
}

ILogSink& CAppNetHost::Log() {
    return m_app;
}

CArchiveOperations& CAppNetHost::Archive() {
    return m_app.ArchiveOps();
}

projectmodel::CConfigDoc* CAppNetHost::CurrentDoc() {
    return m_app.DocRef().m_pConfigDoc;
}

std::filesystem::path CAppNetHost::RootFolder() {
    return m_app.GetRootFolder();
}

std::filesystem::path CAppNetHost::ProjectsFolder() {
    return m_app.GetProjectsFolder();
}

std::filesystem::path CAppNetHost::IniFolder() {
    return m_app.GetIniFolder();
}

std::atomic<int>& CAppNetHost::IdleFlag() {
    return m_app.m_bIdle;
}

std::atomic<int>& CAppNetHost::WaitDialogFlag() {
    return m_app.m_bWaitDlg;
}

void CAppNetHost::PostOpenProject(const std::string& mainFile) {
    if (CMainFrame* frame = m_app.GetMainFrame())
        frame->PostOpenProject(mainFile);
}

void CAppNetHost::ShowMonitor() {
    if (CMainFrame* frame = m_app.GetMainFrame())
        frame->ShowMonitorBar();
}

std::unique_ptr<INetWorker> MakeNetWorker(CConfigToolApp& app) {
    return std::make_unique<CNetMagThread>(std::make_unique<CAppNetHost>(app));
}

} // namespace qxm7740
