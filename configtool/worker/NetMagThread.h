#pragma once
// The main tool's communication worker: a thread that sleeps on nine manual-reset events and
// runs the long link jobs the application's commands ask for (configuration download and upload,
// one-file download), while the unit's replies are handled on the link's own thread. It polls the
// link's state, drives the wait dialog's progress, writes operator-log lines and ends every job in
// a box that says how it ended. Everything it needs of the application comes through INetMagHost,
// so the jobs also run headless.
#include "configtool/applog/ArchiveOperations.h"
#include "configtool/link/DeviceLink.h"
#include "configtool/worker/NetWorker.h"
#include "configtool/worker/UploadBudget.h"
#include "platform/Prompt.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace projectmodel {
class CConfigDoc;
}

namespace qxm7740 {

// What the worker uses of the application. Called from the worker thread.
class INetMagHost {
public:
    virtual ~INetMagHost() = default;
    // The link (null when there is none).
    virtual CDeviceLink* GetLink() = 0;
    // The wait dialog, its progress and the monitor lines.
    virtual ILinkReport& Report() = 0;
    virtual ILogSink& Log() = 0;
    virtual CArchiveOperations& Archive() = 0;
    // The current project document (null when none is current).
    virtual projectmodel::CConfigDoc* CurrentDoc() = 0;
    virtual std::filesystem::path RootFolder() = 0;
    virtual std::filesystem::path ProjectsFolder() = 0;
    virtual std::filesystem::path IniFolder() = 0;
    // 1 while no link job runs.
    virtual std::atomic<int>& IdleFlag() = 0;
    // 1 while the wait dialog is shown; cleared when the user closes it.
    virtual std::atomic<int>& WaitDialogFlag() = 0;
    // The uploaded project to open, later, on the user-interface thread.
    virtual void PostOpenProject(const std::string& mainFile) = 0;
    // Brings the monitor pane into view: a job has written an error line or failed.
    virtual void ShowMonitor() {}
    // A job ended (event index, its result).
    virtual void JobDone(int event, int result) {
        (void)event;
        (void)result;
    }
};

class CNetMagThread : public INetWorker {
public:
    // The fixed name of the main configuration file on the unit.
    static constexpr const char* kUnitMainFile = "QXM7740.ini";

    explicit CNetMagThread(std::unique_ptr<INetMagHost> host);
    ~CNetMagThread() override;
    CNetMagThread(const CNetMagThread&) = delete;
    CNetMagThread& operator=(const CNetMagThread&) = delete;

    platform::CEventSet& Events() override { return m_events; }
    void SetDownloadFile(const std::string& localPath, const std::string& remoteName,
                         std::uint8_t board) override;
    bool Start() override;
    void RequestStop() override;
    bool WaitStopped(std::chrono::milliseconds timeout) override;

    // The frame event 2 sends.
    void SetHeldFrame(const CLinkFrame& frame);
    // The length of one poll step (200 ms; tests shorten it only where the waiting is not what
    // they check).
    void SetPollInterval(std::chrono::milliseconds interval) { m_poll = interval; }
    // The poll steps waited so far: what a wait took, counted in steps rather than in time.
    int PollSteps() const { return m_pollSteps.load(); }

    // The bound of one upload as a whole, and how the free space of a folder's disk is read
    // (tests set smaller bounds and other disks).
    void SetUploadTotal(std::uint64_t bytes) { m_uploadTotal = bytes; }
    using FreeSpaceProbe = std::function<std::uint64_t(const std::filesystem::path&)>;
    void SetFreeSpaceProbe(FreeSpaceProbe probe) { m_freeSpace = std::move(probe); }

    // The box that ends a job of the link (event index, its result) when the job has not shown
    // its own; empty for the events that are no such job.
    static std::string EndingText(int event, int result);

    // The jobs, on the calling thread; 1 on success.
    int DownloadConfig();
    int UploadConfig();
    int DownloadOneFile();

private:
    // Progress of a job: each step starts where the previous one ended and takes its span, never
    // beyond the limit, so that many files never wrap the position.
    struct Progress {
        int base = 0;
        int span = 0;
    };
    void Run();
    // Runs the job of an event and ends it with a box.
    int RunJob(int event);
    // A box of a job: the job has then told how it ended.
    void JobBox(const char* text, const char* caption = nullptr, platform::Icon icon = platform::Icon::None);
    void Step(int span, int limit);
    void EndStep();
    void WaitText(const std::string& text);
    void ErrorLine(const std::string& text);
    void LogLine(const std::string& text);
    bool Sleep();
    bool Stopping() const { return m_stop.load(); }
    // Waits for the unit to confirm the password (about 2 s); the failure line when it does not.
    bool WaitPassword();
    // Waits while the link's file is open; false when the wait dialog was closed or the thread
    // is asked to end.
    bool WaitTransfer();
    int FailDownload();

    // What a download works with: the project, its saved version, and the copy of it that is
    // written, stamped, sent and packed. The saved version is only read: a download that fails or
    // is killed leaves it, and the document, as they were.
    struct DownloadJob {
        projectmodel::CConfigDoc* doc = nullptr;
        std::string name;        // the project's name
        std::string versionName; // the version folder's name
        std::filesystem::path ini;
        std::filesystem::path savedVersion; // the version folder as saved
        std::filesystem::path downFolder;   // where the project is packed
        std::filesystem::path pack;         // the project's copy: downFolder/name
        std::filesystem::path copyFolder;   // the version's copy: pack/versionName
        std::filesystem::path mainFile;     // the main file of the copy
        std::filesystem::path ZipPath() const { return downFolder / (name + ".zip"); }
    };
    bool PrepareDownload(DownloadJob& job);
    // Copies the saved version and writes the configuration into the copy; false (told) when
    // anything of it failed.
    bool WriteDownloadCopy(const DownloadJob& job);
    // One local file to the unit; false (with the failure line) unless it went over whole.
    bool SendFile(const std::filesystem::path& local, const std::string& remote);
    bool SendConfigurationFiles(const DownloadJob& job);
    // Copies the library beside the version's copy and packs them.
    bool PackProject(const DownloadJob& job);
    bool SendArchive(const DownloadJob& job);

    // What an upload has gathered. Every file lands in the staging folder, which takes the place
    // of the last upload only when the whole upload has arrived and been unpacked.
    struct UploadJob {
        std::filesystem::path upFolder; // where the finished upload is put
        std::filesystem::path stage;    // the folder it is fetched into
        std::filesystem::path fetch;    // the unit's running files, in the staging folder
        std::filesystem::path mainFile;
        std::string projectName;
        std::vector<std::string> cfgNames; // the further files the main file names
        bool unpacked = false;
        CUploadBudget budget;
        std::filesystem::path ZipPath() const { return stage / (projectName + ".zip"); }
    };
    // Torn: a file that did not arrive whole could not be removed; OverBudget: the unit announced
    // more than the upload has left. The job ends on both, its line already written.
    enum class Fetch { Done, Refused, Closed, Failed, Torn, OverBudget };
    enum class ArchiveFetch { Fetched, None, Ended };
    // One file of the unit into a local file, which is removed unless it arrived whole.
    Fetch FetchFile(UploadJob& job, const std::filesystem::path& local, const std::string& remote);
    std::uint64_t FreeSpace(const std::filesystem::path& folder) const;
    bool PrepareUpload(UploadJob& job);
    bool FetchMainFile(UploadJob& job);
    bool FetchSystemFile(UploadJob& job);
    bool ReadProjectName(UploadJob& job);
    bool FetchConfigFiles(UploadJob& job);
    ArchiveFetch FetchArchive(UploadJob& job);
    // False when the job must end (a copy failed); an archive that cannot be unpacked is
    // reported and the job goes on without it.
    bool UnpackArchive(UploadJob& job);
    bool TakeLocalLibrary(const UploadJob& job);
    bool CopyFailed(const char* what, const std::filesystem::path& from, const std::filesystem::path& to,
                    const std::string& reason = {});
    // Copies a folder tree (charging budget, when given, with what it writes); false, with the
    // line that names the file that failed, unless the whole tree was copied.
    bool CopyTreeTold(const char* what, const std::filesystem::path& from, const std::filesystem::path& to,
                      CUploadBudget* budget = nullptr);
    bool PutUploadInPlace(const UploadJob& job);

    std::unique_ptr<INetMagHost> m_host;
    platform::CEventSet m_events{kEventCount};
    CDeviceLink* m_pLink = nullptr;
    std::string m_strLocalPath;
    std::string m_strRemoteName;
    std::uint8_t m_board = 0;
    std::optional<CLinkFrame> m_heldFrame;
    std::mutex m_mutex;
    Progress m_progress;
    std::chrono::milliseconds m_poll{200};
    std::atomic<int> m_pollSteps{0};
    std::uint64_t m_uploadTotal = CUploadBudget::kDefaultTotal;
    FreeSpaceProbe m_freeSpace;
    bool m_boxShown = false;

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_doneMutex;
    std::condition_variable m_doneCv;
    bool m_done = false;
};

} // namespace qxm7740
