#include "configtool/worker/NetMagThread.h"

#include "platform/FileFaults.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ConfigFileNames.h"
#include "projectmodel/FolderHelpers.h"
#include "projectmodel/LibraryFileBounds.h"
#include "projectmodel/ProjectContext.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace qxm7740 {

namespace fs = std::filesystem;
using platform::StrFormat;

namespace {

constexpr int kDownloadEnd = 98;         // the archive transfer of a download ends here
constexpr int kUploadEnd = 95;           // the archive transfer of an upload ends here
constexpr std::uint8_t kConfigBoard = 0; // the board of every transfer of a configuration download

std::string PathText(const fs::path& p) {
    return p.string();
}

// A folder without a separator at its end, so that its parent is the folder above it.
fs::path WithoutTrailingSeparator(fs::path p) {
    if (!p.empty() && !p.has_filename())
        p = p.parent_path();
    return p;
}

std::string FolderUnreadable(const fs::path& folder, int error) {
    return StrFormat("无法读取文件夹%s：%s", PathText(folder).c_str(), platform::ErrorText(error).c_str());
}

// What a copy failed at: the file or folder, and why.
struct CopyFault {
    fs::path path;
    std::string reason;
};

// Copies the folder tree source into target file by file, each file's bytes read whole before
// the copy is written; on the first failure false, with the file or folder that failed and why.
// A budget, when given, is charged with every byte copied, and a file beyond what is left of it
// fails the copy before a byte of it is written.
bool CopyTree(const fs::path& source, const fs::path& target, CUploadBudget* budget, CopyFault& fault) {
    std::vector<platform::FolderEntry> entries;
    if (const int error = platform::ListFolder(source, entries)) {
        fault = {source, platform::ErrorText(error)};
        return false;
    }
    if (const int error = platform::MakeFolders(target)) {
        fault = {target, platform::ErrorText(error)};
        return false;
    }
    std::sort(entries.begin(), entries.end(),
              [](const platform::FolderEntry& a, const platform::FolderEntry& b) { return a.path < b.path; });
    for (const platform::FolderEntry& e : entries) {
        const fs::path to = target / e.path.filename();
        if (e.folder) {
            if (!CopyTree(e.path, to, budget, fault))
                return false;
            continue;
        }
        if (!e.file)
            continue; // devices and pipes are no files of a project
        std::uintmax_t size = 0;
        if (budget) {
            const platform::PathStat st = platform::StatPath(e.path);
            if (!st.exists) {
                fault = {e.path, platform::ErrorText(st.Failed() ? st.error : ENOENT)};
                return false;
            }
            size = st.size;
            if (size > budget->Left()) {
                fault = {e.path, budget->OverText()};
                return false;
            }
        }
        errno = 0;
        if (!platform::CopyFileBytes(e.path, to)) {
            fault = {e.path, platform::ErrorText(errno ? errno : EIO)};
            return false;
        }
        if (budget)
            budget->Charge(size);
    }
    return true;
}

} // namespace

CNetMagThread::CNetMagThread(std::unique_ptr<INetMagHost> host) : m_host(std::move(host)) {}

CNetMagThread::~CNetMagThread() {
    RequestStop();
    if (m_thread.joinable())
        m_thread.join();
    for (std::size_t i = 0; i < kEventCount; ++i)
        m_events.Reset(i);
}

void CNetMagThread::SetDownloadFile(const std::string& localPath, const std::string& remoteName,
                                    std::uint8_t board) {
    std::lock_guard lock(m_mutex);
    m_strLocalPath = localPath;
    m_strRemoteName = remoteName;
    m_board = board;
}

void CNetMagThread::SetHeldFrame(const CLinkFrame& frame) {
    std::lock_guard lock(m_mutex);
    m_heldFrame = frame;
}

bool CNetMagThread::Start() {
    if (m_thread.joinable())
        return true;
    m_stop = false;
    m_done = false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CNetMagThread::RequestStop() {
    m_stop = true;
    // Wakes the wait; the stop flag tells this end from the error events.
    m_events.Set(5);
}

bool CNetMagThread::WaitStopped(std::chrono::milliseconds timeout) {
    if (!m_thread.joinable())
        return true;
    std::unique_lock lock(m_doneMutex);
    if (!m_doneCv.wait_for(lock, timeout, [this] { return m_done; }))
        return false;
    lock.unlock();
    m_thread.join();
    return true;
}

void CNetMagThread::Run() {
    while (!Stopping()) {
        m_pLink = m_host->GetLink();
        const int event = m_events.WaitAny(std::chrono::milliseconds(1000));
        if (Stopping())
            break;
        if (event == platform::CEventSet::kTimeout)
            continue;
        std::atomic<int>& idle = m_host->IdleFlag();
        m_pLink = m_host->GetLink();
        if (event == kDownloadConfig || event == kUploadConfig || event == kDownloadFile) {
            m_events.Reset(static_cast<std::size_t>(event));
            idle = 0;
            const int result = RunJob(event);
            idle = 1;
            m_host->JobDone(event, result);
        } else if (event == kSendFrame) {
            m_events.Reset(kSendFrame);
            idle = 0;
            std::optional<CLinkFrame> frame;
            {
                std::lock_guard lock(m_mutex);
                frame = m_heldFrame;
            }
            const int result = (frame && m_pLink) ? m_pLink->SendFrame(*frame, {}) : 0;
            idle = 1;
            m_host->JobDone(event, result);
        } else if (event == kResetOnly) {
            m_events.Reset(kResetOnly);
        } else {
            platform::MessageBox("通讯线程发生严重错误!");
            break;
        }
    }
    std::lock_guard lock(m_doneMutex);
    m_done = true;
    m_doneCv.notify_all();
}

int CNetMagThread::RunJob(int event) {
    m_boxShown = false;
    int result = 0;
    if (event == kDownloadConfig) {
        result = DownloadConfig();
    } else if (event == kUploadConfig) {
        result = UploadConfig();
        if (!result)
            m_host->Report().CloseWait();
    } else {
        result = DownloadOneFile();
    }
    // A failed job is told in the monitor pane, which must then be in view; every job ends in a
    // box that says how it ended, unless the job showed its own or the program is ending.
    if (!result)
        m_host->ShowMonitor();
    if (!m_boxShown && !Stopping()) {
        const std::string text = EndingText(event, result);
        if (!text.empty())
            platform::MessageBox(text, {}, result ? platform::Icon::None : platform::Icon::Warning);
    }
    return result;
}

std::string CNetMagThread::EndingText(int event, int result) {
    switch (event) {
    case kDownloadConfig:
        return result ? "新组态下装成功，请重启装置!" : "组态下装失败，详见监视窗口！";
    case kUploadConfig:
        return result ? "组态上装成功！" : "组态上装失败，详见监视窗口！";
    case kDownloadFile:
        return result ? "文件下装成功！" : "文件下装失败，详见监视窗口！";
    default:
        return {};
    }
}

void CNetMagThread::JobBox(const char* text, const char* caption, platform::Icon icon) {
    m_boxShown = true;
    platform::MessageBox(text, caption ? caption : "", icon);
}

// ---- Steps ---------------------------------------------------------------------------------------

void CNetMagThread::Step(int span, int limit) {
    m_progress.base = std::min(m_progress.base + m_progress.span, limit - 1);
    // The link reads a span of 0 as 100, so each step keeps at least 1.
    m_progress.span = std::max(1, std::min(span, limit - m_progress.base));
    if (m_pLink)
        m_pLink->SetProgress(static_cast<std::uint16_t>(m_progress.base),
                             static_cast<std::uint16_t>(m_progress.span));
}

void CNetMagThread::EndStep() {
    m_host->Report().Progress(3, static_cast<std::uint32_t>(m_progress.base + m_progress.span));
}

void CNetMagThread::WaitText(const std::string& text) {
    m_host->Report().WaitText(text);
}

void CNetMagThread::ErrorLine(const std::string& text) {
    m_host->ShowMonitor();
    m_host->Report().MonitorText(LinkColour::Error, text);
}

void CNetMagThread::LogLine(const std::string& text) {
    m_host->Log().WriteLog(text);
}

bool CNetMagThread::Sleep() {
    std::this_thread::sleep_for(m_poll);
    ++m_pollSteps;
    return !Stopping();
}

bool CNetMagThread::WaitPassword() {
    for (int i = 0; i < 10; ++i) {
        if (!Sleep())
            return false;
        if (m_pLink && m_pLink->PasswordState() == CDeviceLink::kPasswordVerified)
            return true;
    }
    ErrorLine("口令验证失败!");
    return false;
}

bool CNetMagThread::WaitTransfer() {
    while (m_pLink && m_pLink->IsTransferOpen()) {
        if (!Sleep())
            return false;
        if (m_host->WaitDialogFlag() == 0)
            return false;
        // A step the unit never answers ends the transfer as failed (the link says so).
        m_pLink->CheckStepWait();
    }
    // A dialog closed while a short transfer ran ends the job too.
    return m_host->WaitDialogFlag() != 0 && !Stopping();
}

// ---- Configuration download --------------------------------------------------------------------

int CNetMagThread::FailDownload() {
    m_host->Report().CloseWait();
    return 0;
}

bool CNetMagThread::PrepareDownload(DownloadJob& job) {
    std::error_code ec;
    const fs::path projects = m_host->ProjectsFolder();
    fs::create_directories(projects, ec);
    job.downFolder = projects / "DownTemp";
    // What an earlier download left there must not be packed into this one's archive.
    if (!platform::RemoveTree(job.downFolder) || fs::exists(job.downFolder, ec)) {
        ErrorLine("无法清除下装文件夹 " + PathText(job.downFolder));
        return false;
    }

    job.ini = WithoutTrailingSeparator(m_host->IniFolder());
    const fs::path projectFolder = job.ini.parent_path();
    job.name = job.doc->m_strProjectName;
    if (PathText(projectFolder).find("UpTemp") != std::string::npos) {
        job.versionName = "Project";
    } else if (projectFolder.filename().string() != job.name) {
        // The project was never saved: its files are not where its name says.
        JobBox("当前为新建工程，请保存后再下装！", "警告", platform::Icon::Warning);
        return false;
    } else {
        job.versionName =
            job.doc->m_fVersion > 1e-6f ? projectmodel::VersionFolderName(job.doc->m_fVersion) : "Project";
    }
    job.savedVersion = projectFolder / job.versionName;
    job.pack = job.downFolder / job.name;
    job.copyFolder = job.pack / job.versionName;
    job.mainFile = job.copyFolder / (job.doc->m_boardCfg.m_strUnitName + ".ini");
    fs::create_directories(job.copyFolder, ec);
    if (!fs::is_directory(job.copyFolder, ec)) {
        ErrorLine("无法创建下装文件夹 " + PathText(job.copyFolder));
        return false;
    }
    return true;
}

bool CNetMagThread::WriteDownloadCopy(const DownloadJob& job) {
    m_host->Report().OpenWait(0, "正在保存组态！");
    Step(2, kDownloadEnd);
    // The version's other files (its SCD, files the user put there) go with the configuration,
    // as saved; the configuration itself is written anew from the document.
    if (!CopyTreeTold("拷贝工程文件失败！", job.savedVersion, job.copyFolder))
        return false;
    const projectmodel::CProjectTime stamp = projectmodel::CProjectContext::Instance().Clock().Now();
    if (!job.doc->WriteConfigCopy(job.mainFile, stamp)) {
        ErrorLine("生成下装组态文件失败，文件名：" + PathText(job.mainFile));
        return false;
    }
    LogLine("保存工程文件，文件名：" + PathText(job.mainFile));
    EndStep();
    return true;
}

bool CNetMagThread::SendFile(const fs::path& local, const std::string& remote) {
    // The flag is set before the transfer and checked after the wait: a refused open, a refused
    // packet or a broken link ends the job.
    m_pLink->SetTransferOk(1);
    if (!m_pLink->DownloadFile(PathText(local), remote, kConfigBoard) || !WaitTransfer() ||
        !m_pLink->TransferOk()) {
        ErrorLine("下装配置文件失败！");
        LogLine("下装配置文件失败！");
        return false;
    }
    return true;
}

bool CNetMagThread::SendConfigurationFiles(const DownloadJob& job) {
    Step(30, kDownloadEnd);
    WaitText(StrFormat("正在下装文件，文件名：%s", kUnitMainFile));
    LogLine("下装工程文件，文件名：" + PathText(job.mainFile));
    if (!SendFile(job.mainFile, kUnitMainFile))
        return false;
    EndStep();

    // The further files are those of the copy: a listing that fails ends the download, or the
    // unit would run the main file without them.
    std::vector<platform::FolderEntry> entries;
    if (const int error = platform::ListFolder(job.copyFolder, entries)) {
        ErrorLine(FolderUnreadable(job.copyFolder, error));
        return false;
    }
    std::vector<fs::path> files;
    for (const platform::FolderEntry& e : entries)
        if (e.file && platform::EqualsNoCase(e.path.extension().string(), ".cfg"))
            files.push_back(e.path);
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        LogLine("下装cfg文件，文件名：" + PathText(file));
        // The configuration files leave room for the copy, the archive and its transfer.
        Step(5, kDownloadEnd - 5);
        const std::string fileName = file.filename().string();
        WaitText("正在下装文件，文件名：" + fileName);
        if (!SendFile(file, fileName))
            return false;
        EndStep();
    }
    return true;
}

bool CNetMagThread::PackProject(const DownloadJob& job) {
    Step(2, kDownloadEnd - 3);
    const bool copied = CopyTreeTold("拷贝配置文件失败！", job.ini, job.pack / "ini");
    LogLine(
        StrFormat("拷贝配置文件，从%s到%s", PathText(job.ini).c_str(), PathText(job.pack / "ini").c_str()));
    EndStep();

    // An archive of a partial copy would reach the unit as if it were the project; without its
    // archive the unit could not give the project back on upload: either way the download has not
    // succeeded, whatever went over before.
    bool packed = false;
    if (copied) {
        Step(3, kDownloadEnd - 1);
        LogLine("创建压缩文件，文件名：" + PathText(job.ZipPath()));
        CArchiveOperations& archive = m_host->Archive();
        packed = archive.CreateZip(PathText(job.ZipPath())) && archive.CompressFolder(PathText(job.pack));
        LogLine("添加文件夹完成");
        EndStep();
    }
    if (!packed) {
        ErrorLine("创建压缩文件失败，组态下装未完成！");
        if (copied && !m_host->Archive().LastFailure().empty())
            ErrorLine("无法读取文件：" + m_host->Archive().LastFailure());
    }
    return packed;
}

bool CNetMagThread::SendArchive(const DownloadJob& job) {
    const std::string zipName = job.name + ".zip";
    LogLine("下装压缩文件，文件名：" + PathText(job.ZipPath()));
    Step(kDownloadEnd - (m_progress.base + m_progress.span), kDownloadEnd);
    WaitText("正在下装压缩文件：" + zipName);
    if (!SendFile(job.ZipPath(), zipName) || !WaitTransfer())
        return false;
    for (int i = 0; i < 10; ++i)
        if (!Sleep())
            return false;
    return true;
}

int CNetMagThread::DownloadConfig() {
    m_pLink = m_host->GetLink();
    DownloadJob job;
    job.doc = m_host->CurrentDoc();
    if (!job.doc || !m_pLink) {
        JobBox("当前没有打开的工程，无法下装！", "警告", platform::Icon::Warning);
        return 0;
    }
    if (!PrepareDownload(job))
        return FailDownload();
    m_progress = {};
    if (!WriteDownloadCopy(job))
        return FailDownload();

    WaitText("正在口令验证！");
    Step(3, kDownloadEnd);
    if (!WaitPassword())
        return FailDownload();
    EndStep();

    if (!SendConfigurationFiles(job) || !PackProject(job) || !SendArchive(job))
        return FailDownload();
    // The box that says so ends the job.
    m_host->Report().CloseWait();
    return 1;
}

// ---- Configuration upload ----------------------------------------------------------------------

namespace {

// The folder an upload is fetched into before it takes the place of the last one, and the name
// the last one bears while the new one is renamed into place.
fs::path IncomingFolder(const fs::path& upFolder) {
    return upFolder.parent_path() / (upFolder.filename().string() + ".incoming");
}
fs::path ReplacedFolder(const fs::path& upFolder) {
    return upFolder.parent_path() / (upFolder.filename().string() + ".replaced");
}

// Removes the folder an upload was fetched into unless the upload was put in place: a failure
// leaves no partial folder.
class StagingFolder {
public:
    explicit StagingFolder(fs::path folder) : m_folder(std::move(folder)) {}
    ~StagingFolder() {
        // What cannot be removed now is removed before the next upload starts.
        if (!m_folder.empty())
            platform::RemoveTree(m_folder);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    void Release() { m_folder.clear(); }

private:
    fs::path m_folder;
};

} // namespace

CNetMagThread::Fetch CNetMagThread::FetchFile(UploadJob& job, const fs::path& local,
                                              const std::string& remote) {
    // The unit may announce no more than what is left of the whole upload and of the disk.
    const std::uint64_t freeBytes = FreeSpace(job.stage);
    const std::uint32_t allowance = job.budget.Allowance(freeBytes);
    m_pLink->SetUploadLimit(allowance);
    m_pLink->SetTransferOk(1);
    Fetch r = Fetch::Done;
    if (!m_pLink->UploadFile(PathText(local), remote))
        r = Fetch::Refused;
    else if (!WaitTransfer())
        r = Fetch::Closed;
    else if (!m_pLink->TransferOk())
        r = Fetch::Failed;
    m_pLink->SetUploadLimit(unitlink::kMaxTransferLength);
    if (r == Fetch::Done) {
        std::error_code ec;
        const auto size = fs::file_size(local, ec);
        job.budget.Charge(ec ? 0 : size);
        return r;
    }
    // A file that did not arrive whole is not left behind; when it cannot be removed the upload
    // cannot go on, or it would carry the torn file.
    std::error_code ec;
    if (!platform::RemoveFile(local) && fs::exists(local, ec)) {
        const std::string text = "无法删除未上装完整的文件 " + PathText(local);
        ErrorLine(text);
        LogLine(text);
        return Fetch::Torn;
    }
    const std::int64_t announced = m_pLink->AnnouncedLength();
    if (r == Fetch::Failed && announced > static_cast<std::int64_t>(allowance) &&
        static_cast<std::uint64_t>(announced) <= unitlink::kMaxTransferLength) {
        const std::string text =
            job.budget.RefusalText(remote, static_cast<std::uint64_t>(announced), freeBytes);
        ErrorLine(text);
        LogLine(text);
        return Fetch::OverBudget;
    }
    return r;
}

std::uint64_t CNetMagThread::FreeSpace(const fs::path& folder) const {
    if (m_freeSpace)
        return m_freeSpace(folder);
    std::error_code ec;
    const fs::space_info space = fs::space(folder, ec);
    // A disk whose space cannot be read takes nothing.
    return ec ? 0 : space.available;
}

bool CNetMagThread::PrepareUpload(UploadJob& job) {
    std::error_code ec;
    const fs::path projects = m_host->ProjectsFolder();
    fs::create_directories(projects, ec);
    job.upFolder = projects / "UpTemp";
    job.budget = CUploadBudget(m_uploadTotal);
    // An upload ended between its two renames left the last good one under the other name: it
    // gets its name back, and is never removed while it is the only copy.
    // A folder whose state cannot be learned is never taken for a missing one.
    const fs::path replaced = ReplacedFolder(job.upFolder);
    const platform::PathStat replacedStat = platform::StatPath(replaced);
    const platform::PathStat lastStat = platform::StatPath(job.upFolder);
    if (replacedStat.Failed() || lastStat.Failed()) {
        const bool which = replacedStat.Failed();
        ErrorLine(StrFormat("无法读取上装文件夹%s：%s", PathText(which ? replaced : job.upFolder).c_str(),
                            platform::ErrorText(which ? replacedStat.error : lastStat.error).c_str()));
        return false;
    }
    if (replacedStat.folder) {
        if (!lastStat.exists && !platform::RenameFile(replaced, job.upFolder)) {
            ErrorLine(StrFormat("无法恢复上次上装的组态%s！", PathText(replaced).c_str()));
            return false;
        }
        if (lastStat.exists && !platform::RemoveTree(replaced)) {
            ErrorLine("无法清除上装文件夹 " + PathText(replaced));
            return false;
        }
    }
    // Nothing of an upload that was cut off may mix into this one.
    job.stage = IncomingFolder(job.upFolder);
    if (!platform::RemoveTree(job.stage) || fs::exists(job.stage, ec)) {
        ErrorLine("无法清除上装文件夹 " + PathText(job.stage));
        return false;
    }
    job.fetch = job.stage / "Project";
    job.mainFile = job.fetch / kUnitMainFile;
    fs::create_directories(job.fetch, ec);
    if (!fs::is_directory(job.fetch, ec)) {
        ErrorLine("无法创建上装文件夹 " + PathText(job.fetch));
        return false;
    }
    return true;
}

bool CNetMagThread::FetchMainFile(UploadJob& job) {
    Step(30, kUploadEnd);
    WaitText(StrFormat("正在上装文件：%s", kUnitMainFile));
    switch (FetchFile(job, job.mainFile, kUnitMainFile)) {
    case Fetch::Refused:
        JobBox("请求上装QXM7740.ini文件失败！", "失败", platform::Icon::Error);
        ErrorLine("请求上装QXM7740.ini文件失败！ ");
        return false;
    case Fetch::Closed:
        LogLine("上装QXM7740.ini文件过程中返回");
        return false;
    case Fetch::Failed:
        JobBox("上装QXM7740.ini文件失败！", "失败", platform::Icon::Error);
        ErrorLine("上装QXM7740.ini文件失败！ ");
        LogLine("上装QXM7740.ini文件失败！");
        return false;
    case Fetch::Torn:
    case Fetch::OverBudget:
        return false;
    case Fetch::Done:
        break;
    }
    EndStep();
    return true;
}

bool CNetMagThread::FetchSystemFile(UploadJob& job) {
    // The unit's system file is optional: its failures are only logged, but one that would stay
    // torn in the upload or break its bound ends the job.
    Step(5, kUploadEnd);
    WaitText("正在上装文件：system.cfg");
    switch (
        FetchFile(job, job.fetch / projectmodel::cfgfile::kSystemFile, projectmodel::cfgfile::kSystemFile)) {
    case Fetch::Refused:
        LogLine("请求上装system.cfg文件失败！");
        break;
    case Fetch::Closed:
        LogLine("上装system.cfg文件过程中返回");
        break;
    case Fetch::Failed:
        LogLine("上装system.cfg文件失败！");
        break;
    case Fetch::Torn:
    case Fetch::OverBudget:
        return false;
    case Fetch::Done:
        break;
    }
    EndStep();
    return true;
}

bool CNetMagThread::ReadProjectName(UploadJob& job) {
    // The main file is read for its further files and its project name, each read told when it
    // fails: a failed read must not pass for a file that names none.
    platform::CGbkLineReader reader;
    if (!reader.Open(job.mainFile)) {
        ErrorLine("无法打开上载的组态文件 " + PathText(job.mainFile) + "：" +
                  platform::ErrorText(reader.OpenError() ? reader.OpenError() : EIO));
        return false;
    }
    job.cfgNames = projectmodel::CollectCcuCfgNames(job.mainFile);
    if (job.cfgNames.empty()) {
        ErrorLine("从组态文件中读取间隔个数失败！ " + PathText(job.mainFile));
        return false;
    }
    for (std::string line; reader.ReadLine(line);) {
        if (platform::EqualsNoCase(platform::Trim(line), projectmodel::cfgfile::kDeviceInfo))
            break;
        if (job.projectName.empty() &&
            line.find(projectmodel::cfgfile::kKeyProjectName) != std::string::npos) {
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos)
                job.projectName = platform::Trim(line.substr(eq + 1));
        }
    }
    return true;
}

bool CNetMagThread::FetchConfigFiles(UploadJob& job) {
    for (const std::string& name : job.cfgNames) {
        // A name from the unit's file never leads outside the fetch folder.
        if (!platform::IsSafeFileName(name) || name.find("..") != std::string::npos) {
            ErrorLine("组态文件中的文件名不合法，文件名： " + name);
            LogLine("组态文件中的文件名不合法，文件名：" + name);
            return false;
        }
        Step(5, kUploadEnd - 1);
        WaitText("正在上装文件：" + name);
        switch (FetchFile(job, job.fetch / name, name)) {
        case Fetch::Refused:
            ErrorLine("请求上装文件失败，文件名： " + name);
            return false;
        case Fetch::Closed:
            LogLine("上装文件过程中返回，文件名：" + name);
            return false;
        case Fetch::Failed:
            ErrorLine("上装文件失败，文件名： " + name);
            LogLine("上装文件失败，文件名： " + name);
            return false;
        case Fetch::Torn:
        case Fetch::OverBudget:
            return false;
        case Fetch::Done:
            break;
        }
        EndStep();
    }
    return true;
}

CNetMagThread::ArchiveFetch CNetMagThread::FetchArchive(UploadJob& job) {
    const std::string zipName = job.projectName + ".zip";
    if (job.projectName.empty() || !platform::IsSafeFileName(zipName))
        return ArchiveFetch::None;
    Step(kUploadEnd - (m_progress.base + m_progress.span), kUploadEnd);
    WaitText("正在上装压缩文件：" + zipName);
    switch (FetchFile(job, job.ZipPath(), zipName)) {
    case Fetch::Refused:
        // The job goes on without the archive.
        LogLine("请求上装压缩文件失败！");
        ErrorLine("请求上装压缩文件失败！文件名： " + zipName);
        return ArchiveFetch::None;
    case Fetch::Closed:
        LogLine("上装压缩文件过程中返回");
        return ArchiveFetch::Ended;
    case Fetch::Failed:
        m_host->Report().Progress(3, kUploadEnd);
        ErrorLine("上装压缩文件失败！文件名： " + zipName);
        LogLine("上装压缩文件失败！文件名： " + zipName);
        return ArchiveFetch::None;
    case Fetch::Torn:
    case Fetch::OverBudget:
        return ArchiveFetch::Ended;
    case Fetch::Done:
        break;
    }
    m_host->Report().Progress(3, kUploadEnd);
    return ArchiveFetch::Fetched;
}

bool CNetMagThread::UnpackArchive(UploadJob& job) {
    const fs::path zipPath = job.ZipPath();
    WaitText("正在解压缩文件：" + PathText(zipPath));
    CArchiveOperations& archive = m_host->Archive();
    const fs::path unpackedProject = job.stage / job.projectName;
    bool unpacked = archive.OpenZip(PathText(zipPath)) != 0;
    // What the archive unpacks to is written from what the unit sent: it is charged to the upload
    // before a byte of it is written (no entry unpacks to more than it declares).
    std::uint64_t declared = 0;
    if (unpacked) {
        CZipArchive& zip = archive.Archive();
        for (int i = 0; i < zip.GetEntryCount(); ++i) {
            CZipEntryHeader header;
            if (zip.GetEntryInfo(i, header))
                declared += header.m_uUncomprSize;
        }
    }
    if (unpacked && declared > job.budget.Left()) {
        archive.CloseZip();
        const std::string text = job.budget.OverText() + "，不能解压缩文件：" + zipPath.filename().string();
        ErrorLine(text);
        LogLine(text);
        return false;
    }
    m_host->Report().Progress(3, 96);
    unpacked = unpacked && archive.ExtractZip(PathText(job.stage)) != 0;
    m_host->Report().Progress(3, 100);
    if (!unpacked) {
        // An archive that cannot be unpacked (broken, or larger than it may grow) leaves nothing
        // of itself: the job goes on with the fetched files and the local library.
        const std::string text = StrFormat("解压缩文件失败！压缩文件名：%s", PathText(zipPath).c_str());
        ErrorLine(text);
        LogLine(text);
        std::error_code ec;
        fs::remove_all(unpackedProject, ec);
        fs::remove(zipPath, ec);
        return true;
    }
    job.unpacked = true;
    job.budget.Charge(declared);
    const fs::path library = platform::FindNoCase(unpackedProject, "ini");
    // The library's copy is written from what the unit sent: it is charged to the upload too.
    if (!CopyTreeTold("拷贝配置文件失败！", library, job.stage / "ini", &job.budget))
        return false;
    const fs::path version = projectmodel::FindSubfolderContaining(unpackedProject, "Project");
    if (!version.empty() && !projectmodel::CompareFolderFiles(version, job.fetch) &&
        platform::MessageBox("管理机运行工程文件与压缩包中工程文件不一致，需要从压缩包中提取么？", "提示",
                             platform::Icon::Question, platform::Buttons::YesNo) == platform::Answer::Yes) {
        if (!platform::CopyFileBytes(job.mainFile, version / kUnitMainFile))
            return CopyFailed("拷贝工程文件失败！", job.mainFile, version / kUnitMainFile);
    }
    return true;
}

bool CNetMagThread::TakeLocalLibrary(const UploadJob& job) {
    // Without the project's own library the local one goes with the fetched files; a library
    // that lies in the last upload is replaced by the root's.
    m_host->Report().Progress(3, 96);
    const fs::path ini = WithoutTrailingSeparator(m_host->IniFolder());
    const std::string iniText = PathText(ini);
    const std::string upText = PathText(job.upFolder);
    const bool underUpload = iniText.size() >= upText.size() && platform::StartsWith(iniText, upText);
    const fs::path source = underUpload ? platform::FindNoCase(m_host->RootFolder(), "Ini") : ini;
    if (!CopyTreeTold("拷贝配置文件失败！", source, job.stage / "ini"))
        return false;
    m_host->Report().Progress(3, 100);
    return true;
}

bool CNetMagThread::CopyFailed(const char* what, const fs::path& from, const fs::path& to,
                               const std::string& reason) {
    // A partial copy is never opened as the whole project, nor packed as it.
    std::string text = StrFormat("%s从%s到%s", what, PathText(from).c_str(), PathText(to).c_str());
    if (!reason.empty())
        text += "：" + reason;
    ErrorLine(text);
    LogLine(text);
    return false;
}

bool CNetMagThread::CopyTreeTold(const char* what, const fs::path& from, const fs::path& to,
                                 CUploadBudget* budget) {
    CopyFault fault;
    if (CopyTree(from, to, budget, fault))
        return true;
    // The line names the file that failed, below the folders copied.
    const fs::path relative = fault.path.lexically_relative(from);
    const fs::path target = relative.empty() || relative.native().starts_with("..") ? to : to / relative;
    return CopyFailed(what, fault.path, target, fault.reason);
}

bool CNetMagThread::PutUploadInPlace(const UploadJob& job) {
    const std::string failed = StrFormat("上装的组态无法放入文件夹%s！", PathText(job.upFolder).c_str());
    const platform::PathStat last = platform::StatPath(job.upFolder);
    if (last.Failed()) {
        ErrorLine(failed);
        return false;
    }
    const bool hadLast = last.exists;
    if (hadLast) {
        // Where the file system can, the new upload and the last one change places in one step,
        // so that no moment sees the upload folder missing; the last one is then removed.
        switch (projectmodel::ExchangePaths(job.stage, job.upFolder)) {
        case projectmodel::ExchangeResult::Done:
            projectmodel::SyncFolder(job.upFolder.parent_path());
            platform::RemoveTree(job.stage);
            return true;
        case projectmodel::ExchangeResult::Failed:
            ErrorLine(failed);
            return false;
        case projectmodel::ExchangeResult::Unsupported:
            break;
        }
    }
    // Elsewhere the last upload steps aside, the new one takes its name, and only then is the last
    // one removed; when the new one cannot take its place the last one gets its name back (or, if
    // even that fails, the next upload gives it back before it starts).
    const fs::path replaced = ReplacedFolder(job.upFolder);
    if (hadLast && !platform::RenameFile(job.upFolder, replaced)) {
        ErrorLine(failed);
        return false;
    }
    if (!platform::RenameFile(job.stage, job.upFolder)) {
        if (hadLast)
            platform::RenameFile(replaced, job.upFolder);
        ErrorLine(failed);
        return false;
    }
    projectmodel::SyncFolder(job.upFolder.parent_path());
    platform::RemoveTree(replaced);
    return true;
}

int CNetMagThread::UploadConfig() {
    m_pLink = m_host->GetLink();
    if (!m_pLink)
        return 0;
    UploadJob job;
    if (!PrepareUpload(job))
        return 0;
    StagingFolder staging(job.stage);

    m_progress = {};
    m_host->Report().OpenWait(0, "正在口令验证！");
    Step(2, kUploadEnd);
    if (!WaitPassword())
        return 0;
    EndStep();

    if (!FetchMainFile(job))
        return 0;
    if (!FetchSystemFile(job) || !ReadProjectName(job) || !FetchConfigFiles(job))
        return 0;
    const ArchiveFetch archive = FetchArchive(job);
    if (archive == ArchiveFetch::Ended)
        return 0;
    m_progress = {kUploadEnd, 5};
    if (archive == ArchiveFetch::Fetched && !UnpackArchive(job))
        return 0;
    if (!job.unpacked && !TakeLocalLibrary(job))
        return 0;
    // An upload whose library could not be opened never takes the last good one's place.
    if (const std::string over = projectmodel::LibraryFileOverCeiling(job.stage / "ini"); !over.empty()) {
        ErrorLine(over);
        LogLine(over);
        return 0;
    }

    if (!PutUploadInPlace(job))
        return 0;
    staging.Release();
    m_host->Report().CloseWait();
    m_host->PostOpenProject(PathText(job.upFolder / "Project" / kUnitMainFile));
    return 1;
}

// ---- One file ----------------------------------------------------------------------------------

int CNetMagThread::DownloadOneFile() {
    std::string local, remote;
    std::uint8_t board = 0;
    {
        std::lock_guard lock(m_mutex);
        local = m_strLocalPath;
        remote = m_strRemoteName;
        board = m_board;
    }
    m_pLink = m_host->GetLink();
    if (!m_pLink)
        return 0;
    m_pLink->SetProgress(0, 100);
    m_host->Report().OpenWait(0, "正在下装文件\n" + local);
    m_pLink->SetTransferOk(1);
    int result = m_pLink->DownloadFile(local, remote, board);
    // The same wait as the configuration jobs: a step the unit never answers ends the transfer.
    result = result && WaitTransfer();
    result = result && !m_pLink->IsTransferOpen() && m_pLink->TransferOk();
    m_host->Report().CloseWait();
    return result;
}

} // namespace qxm7740
