#pragma once
// The one application object of the main configuration tool: it logs the operator in, works out
// the tool's folders, creates the main frame, the device link and the communication worker, owns
// the user manager and the holder of the main pointers, and carries the commands that act on the
// link (parameters, connect, disconnect, download, upload, one file, restart) and those that start
// the monitor and user administration programs. The parts that need it are handed a reference.
#include "configtool/applog/ArchiveOperations.h"
#include "configtool/applog/OperatorLog.h"
#include "configtool/link/DeviceLink.h"
#include "configtool/shellui/DocTemplateRef.h"
#include "configtool/worker/NetWorker.h"
#include "users/model/UserPwMgr.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qxm7740 {

class CMainFrame;
class IProjectTemplate;

class CConfigToolApp : public ILogSink {
public:
    using WorkerFactory = std::function<std::unique_ptr<INetWorker>(CConfigToolApp&)>;
    using LinkFactory = std::function<std::unique_ptr<CDeviceLink>(ILinkReport*)>;

    CConfigToolApp();
    ~CConfigToolApp() override;
    CConfigToolApp(const CConfigToolApp&) = delete;
    CConfigToolApp& operator=(const CConfigToolApp&) = delete;

    // The application object of the process (null before it is made and after it is gone).

    // What start-up plugs in before InitInstance: the project document template (none until the
    // document side is built in), the worker thread and the link (defaults: no worker, the TCP link).
    void SetProjectTemplate(IProjectTemplate* docTemplate);
    void SetWorkerFactory(WorkerFactory factory) { m_workerFactory = std::move(factory); }
    void SetLinkFactory(LinkFactory factory) { m_linkFactory = std::move(factory); }

    // Start-up in the tool's order: the login against "Password.dat" of the current folder, the
    // administrator flag, the edition, the main frame, the command line (a project to open), the
    // folders from the current folder, the login log line, the link and the worker. 0 ends the
    // program (the login was cancelled).
    int InitInstance(const std::filesystem::path& currentFolder, const std::vector<std::string>& arguments);
    // Closes the link, stops the worker in order and destroys the main frame.
    int ExitInstance();

    // Commands of the application.
    int SetCommParam();
    int ConnectDevice();
    void OnDisconnect();
    void OnDownloadConfig();
    void OnUploadConfig();
    void OnDownloadFile();
    void OnRestart();
    // "调试(&D)": starts the monitor program; the box when it cannot be started.
    void OnDebug();
    // "人员管理": starts the user administration program; a failure is silent.
    void OnUserManage();
    void OnAppAbout();

    // The upload/download privilege: an administrator is never asked; anyone else is asked again
    // through the login dialog with mask 4. 1 when granted. authoriser (when given) receives the
    // name of the user whose rights allowed the command, whom the operator log names.
    int CheckRights(std::string* authoriser = nullptr);

    // One line in the operator log (nothing before the folders are known).
    void WriteLog(const std::string& text) override;

    // The one zip archive with its operations (create, open, pack, unpack, close); failures
    // become operator-log lines.
    CArchiveOperations& ArchiveOps() { return m_archive; }

    // Folders: root, projects ("Project"), definition library ("Ini") and log ("LogFiles").
    const std::filesystem::path& GetRootFolder() const { return m_rootFolder; }
    const std::filesystem::path& GetProjectsFolder() const { return m_projectsFolder; }
    const std::filesystem::path& GetIniFolder() const { return m_iniFolder; }
    void SetProjectsFolder(const std::filesystem::path& folder) { m_projectsFolder = folder; }
    void SetIniFolder(const std::filesystem::path& folder);
    // Derives root, projects, Ini and log folders from a folder (cut before its "bin").
    void SetFoldersFrom(const std::filesystem::path& folder);
    // The folder of the program's own file (the new-project command derives the root from it).
    const std::filesystem::path& GetProgramFolder() const { return m_programFolder; }
    void SetProgramFolder(const std::filesystem::path& folder) { m_programFolder = folder; }

    CDocTemplateRef& DocRef() { return m_docRef; }
    IProjectTemplate* GetProjectTemplate() const { return m_pProjectTemplate; }
    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }
    CDeviceLink* GetLink() const { return m_pLink.get(); }
    INetWorker* GetWorker() const { return m_pWorker.get(); }
    CUserPwMgr& GetUserMgr() { return m_userMgr; }

    // The long job that holds the open project (an SCD import) while it runs on the user-interface
    // thread under its modal progress dialog: no command that touches the project runs meanwhile,
    // nor while the worker's job (a download or upload) shows the wait dialog.
    class CProjectJob {
    public:
        CProjectJob(CConfigToolApp& app, std::string name);
        ~CProjectJob();
        CProjectJob(const CProjectJob&) = delete;
        CProjectJob& operator=(const CProjectJob&) = delete;

    private:
        CConfigToolApp& m_app;
    };
    // The name of the job running ("" when none).
    std::string RunningJob() const;
    // True when no job runs; otherwise tells the user that the command waits for the job.
    bool RefuseWhileJob();
    // Set once the program ends: nothing new is opened.
    bool IsExiting() const { return m_bExiting; }

    bool IsAdministrator() const { return m_bAdmin != 0; }
    bool IsLinkConnected() const { return m_pLink && m_pLink->IsConnected(); }

    // Flags shared with the worker thread.
    std::atomic<int> m_bIdle{1};    // 1 while no link job runs
    std::atomic<int> m_bWaitDlg{0}; // 1 while the wait dialog is shown
    int m_bParamSet = 0;            // the connection settings were confirmed since start-up

private:
    void CreateLinkAndWorker();
    void StopWorker();

    IProjectTemplate* m_pProjectTemplate = nullptr;
    WorkerFactory m_workerFactory;
    LinkFactory m_linkFactory;

    std::filesystem::path m_rootFolder;
    std::filesystem::path m_projectsFolder;
    std::filesystem::path m_iniFolder;
    std::filesystem::path m_programFolder;
    CDocTemplateRef m_docRef;
    CUserPwMgr m_userMgr;
    std::string m_strUserName;
    int m_bAdmin = 0;
    std::string m_strEdition;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    std::unique_ptr<CDeviceLink> m_pLink;
    std::unique_ptr<INetWorker> m_pWorker;
    std::unique_ptr<COperatorLog> m_pLog;
    CArchiveOperations m_archive;
    std::string m_strJob;
    bool m_bExiting = false;
};

} // namespace qxm7740
