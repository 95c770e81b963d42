#include "configtool/app/ConfigToolApp.h"

#include "configtool/app/AboutDlg.h"
#include "configtool/app/MainFrame.h"
#include "configtool/app/ProjectTemplate.h"
#include "configtool/link/views/ConnectParamDlg.h"
#include "configtool/link/views/FileDownloadDlg.h"
#include "configtool/model/AppText.h"
#include "configtool/shellui/RestartDlg.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/DeferredSocket.h"

#include <cstdlib>
#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

namespace qxm7740 {

using platform::Qs;

CConfigToolApp::CConfigToolApp() : m_archive(*this, {}) {
    m_programFolder = std::filesystem::path(platform::Ss(QCoreApplication::applicationDirPath()));
}

CConfigToolApp::~CConfigToolApp() {
    ExitInstance();
}

void CConfigToolApp::SetProjectTemplate(IProjectTemplate* docTemplate) {
    m_pProjectTemplate = docTemplate;
    m_docRef.m_pDocTemplate = docTemplate;
}

void CConfigToolApp::SetFoldersFrom(const std::filesystem::path& folder) {
    m_rootFolder = platform::RootFolderFrom(folder);
    m_projectsFolder = platform::JoinPath(m_rootFolder, "Project");
    m_iniFolder = platform::JoinPath(m_rootFolder, "Ini");
    m_pLog = std::make_unique<COperatorLog>(m_rootFolder);
    // A lost entry is told on the user-interface thread, whichever thread wrote it.
    m_pLog->SetFailureNotice([](const std::string& message) {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [message] {
                    platform::MessageBox(message, {}, platform::Icon::Warning, platform::Buttons::Ok);
                },
                Qt::QueuedConnection);
    });
    m_archive.SetIniFolder(m_iniFolder.string());
}

void CConfigToolApp::SetIniFolder(const std::filesystem::path& folder) {
    m_iniFolder = folder;
    m_archive.SetIniFolder(folder.string());
}

int CConfigToolApp::InitInstance(const std::filesystem::path& currentFolder,
                                 const std::vector<std::string>& arguments) {
    m_userMgr.LoadFromFile(currentFolder);
    std::string user;
    if (!m_userMgr.CheckPassword(user, 0, nullptr))
        return 0;
    m_strUserName = user;
    m_bAdmin = CAppText::IsAdministrator(user) ? 1 : 0;
    m_strEdition = CAppText::ReadEdition(std::getenv("QXM_SOFT_TOOL"));

    // The folders come before the command line, so that a project opened from it keeps its own
    // library folder.
    SetFoldersFrom(currentFolder);

    m_pMainFrame = std::make_unique<CMainFrame>(*this);
    if (!arguments.empty() && !arguments.front().empty()) {
        if (!m_pMainFrame->OpenProjectPath(arguments.front())) {
            m_pMainFrame.reset();
            return 0;
        }
    }
    m_pMainFrame->showMaximized();

    WriteLog(CAppText::LoginLine(m_strUserName));
    CreateLinkAndWorker();
    m_bIdle = 1;
    m_bParamSet = 0;
    m_bWaitDlg = 0;
    m_archive.Archive().SetVolumeCallback(nullptr);
    m_archive.Archive().SetBufferSizes(3000000, 0x4000, 0x8000);
    return 1;
}

void CConfigToolApp::CreateLinkAndWorker() {
    // The program's own socket is loaded with Qt Network when the first connection is made: the
    // program starts without them. Every step of a transfer waits for the unit's answer to one
    // frame, so the socket sends each frame at once.
    m_pLink = m_linkFactory ? m_linkFactory(m_pMainFrame.get())
                            : std::make_unique<CDeviceLink>(std::make_unique<unitlink::CDeferredSocket>(true),
                                                            m_pMainFrame.get());
    // The status bar follows the link whichever end closes it (the unit may drop it at any time).
    m_pLink->SetClosedHandler([this] {
        if (m_pMainFrame)
            platform::RunOnUiThread([this] { m_pMainFrame->SetLinkStatus(CAppText::kLinkDown); });
    });
    if (!m_workerFactory)
        return;
    m_pWorker = m_workerFactory(*this);
    if (!m_pWorker || !m_pWorker->Start()) {
        platform::MessageBox("通讯线程创建失败!", {}, platform::Icon::Warning);
        m_pWorker.reset();
    }
}

void CConfigToolApp::StopWorker() {
    if (!m_pWorker)
        return;
    m_pWorker->RequestStop();
    // The worker may be waiting for the user-interface thread (a report it sent): its queued calls
    // are served, and nothing else (no input, no timer) runs while the program ends.
    while (!m_pWorker->WaitStopped(std::chrono::milliseconds(50)))
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    m_pWorker.reset();
}

CConfigToolApp::CProjectJob::CProjectJob(CConfigToolApp& app, std::string name) : m_app(app) {
    m_app.m_strJob = std::move(name);
    if (m_app.m_pMainFrame)
        m_app.m_pMainFrame->UpdateCommandUI();
}

CConfigToolApp::CProjectJob::~CProjectJob() {
    m_app.m_strJob.clear();
    if (m_app.m_pMainFrame)
        m_app.m_pMainFrame->UpdateCommandUI();
}

std::string CConfigToolApp::RunningJob() const {
    if (!m_strJob.empty())
        return m_strJob;
    return m_bWaitDlg ? "与通讯装置通讯" : "";
}

bool CConfigToolApp::RefuseWhileJob() {
    const std::string job = RunningJob();
    if (job.empty())
        return true;
    platform::MessageBox("正在" + job + "，请等待其完成后再操作。", {}, platform::Icon::Warning);
    return false;
}

int CConfigToolApp::ExitInstance() {
    // The socket is closed first, so that a transfer the worker waits for ends at once.
    if (m_pLink)
        m_pLink->Close();
    m_bWaitDlg = 0;
    m_bExiting = true;
    StopWorker();
    m_pLink.reset();
    m_archive.CloseZip();
    m_pMainFrame.reset();
    return 0;
}

// ---- Link commands ------------------------------------------------------------------------------

int CConfigToolApp::SetCommParam() {
    CConnectParamDlg dlg(CAppText::ProgramFolder(m_rootFolder), m_pMainFrame.get());
    if (dlg.DoModal() != QDialog::Accepted)
        return 0;
    m_bParamSet = 1;
    if (m_pLink)
        m_pLink->SetAddress(dlg.m_port, dlg.m_address);
    return 1;
}

int CConfigToolApp::ConnectDevice() {
    if (m_bIdle == 0 || !m_pLink)
        return 0;
    if (m_pLink->IsConnected())
        return 1;
    if (m_bParamSet == 0 && !SetCommParam())
        return 0;
    m_bIdle = 0;
    const int connected = m_pLink->Connect();
    m_bIdle = 1;
    if (!connected)
        return 0;
    if (m_pMainFrame)
        m_pMainFrame->SetLinkStatus(CAppText::LinkUpText(m_pLink->Address()));
    return 1;
}

void CConfigToolApp::OnDisconnect() {
    if (m_bIdle != 1 || !m_pLink || !m_pLink->IsConnected())
        return;
    m_bIdle = 0;
    m_pLink->Close();
    m_bIdle = 1;
    if (!m_pLink->IsConnected() && m_pMainFrame)
        m_pMainFrame->SetLinkStatus(CAppText::kLinkDown);
}

int CConfigToolApp::CheckRights(std::string* authoriser) {
    std::string user = m_strUserName;
    if (!m_bAdmin && !m_userMgr.CheckPassword(user, 4, m_pMainFrame.get()))
        return 0;
    if (authoriser)
        *authoriser = user;
    return 1;
}

void CConfigToolApp::OnDownloadConfig() {
    std::string user;
    if (!ConnectDevice() || !CheckRights(&user))
        return;
    WriteLog(CAppText::DownloadConfigLine(CAppText::IsAdministrator(user), user));
    if (m_pWorker)
        m_pWorker->Events().Set(INetWorker::kDownloadConfig);
}

void CConfigToolApp::OnUploadConfig() {
    std::string user;
    if (!ConnectDevice() || !CheckRights(&user))
        return;
    WriteLog(CAppText::UploadConfigLine(CAppText::IsAdministrator(user), user));
    if (m_pWorker)
        m_pWorker->Events().Set(INetWorker::kUploadConfig);
}

void CConfigToolApp::OnDownloadFile() {
    std::string user;
    if (!CheckRights(&user))
        return;
    CFileDownloadDlg dlg(m_pMainFrame.get());
    if (dlg.DoModal() != QDialog::Accepted)
        return;
    if (m_pWorker)
        m_pWorker->SetDownloadFile(dlg.m_local, dlg.m_target, dlg.m_board);
    WriteLog(CAppText::DownloadFileLine(CAppText::IsAdministrator(user), user, dlg.m_local));
    if (m_pWorker)
        m_pWorker->Events().Set(INetWorker::kDownloadFile);
}

void CConfigToolApp::OnRestart() {
    std::string user;
    if (!CheckRights(&user))
        return;
    CRestartDlg dlg(m_pMainFrame.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return;
    WriteLog(CAppText::RestartLine(CAppText::IsAdministrator(user), user));
    if (!m_pLink)
        return;
    if (m_pLink->SendRestart(static_cast<std::uint8_t>(dlg.GetBoardAddress())) && !m_pLink->IsConnected() &&
        m_pMainFrame)
        m_pMainFrame->SetLinkStatus(CAppText::kLinkDown);
}

// ---- Other programs and the About box ----------------------------------------------------------

namespace {

bool StartProgram(const CAppText::Launch& launch) {
    QStringList arguments;
    for (const std::string& a : launch.arguments)
        arguments << Qs(a);
    return QProcess::startDetached(Qs(launch.program.string()), arguments, Qs(launch.workingFolder.string()));
}

} // namespace

void CConfigToolApp::OnDebug() {
    if (!StartProgram(CAppText::MonitorLaunch(m_rootFolder)))
        platform::MessageBox(CAppText::MonitorStartFailure(m_rootFolder), {}, platform::Icon::Warning);
}

void CConfigToolApp::OnUserManage() {
    StartProgram(CAppText::UserAdminLaunch(m_rootFolder));
}

void CConfigToolApp::OnAppAbout() {
    CAboutDlg dlg(m_strEdition, m_pMainFrame.get());
    platform::RunDialog(dlg);
}

// ---- Operator log -------------------------------------------------------------------------------

void CConfigToolApp::WriteLog(const std::string& text) {
    if (m_pLog)
        m_pLog->WriteLog(text);
}

} // namespace qxm7740
