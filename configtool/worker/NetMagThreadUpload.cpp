#include "configtool/worker/NetMagThread.h"

#include "configtool/worker/JobFiles.h"
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
using namespace jobfiles;

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
        job.budget.Charge(platform::StatPath(local).size);
        return r;
    }
    // A file that did not arrive whole is not left behind; when it cannot be removed the upload
    // cannot go on, or it would carry the torn file.
    if (!platform::RemoveFile(local)) {
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
    platform::MakeFolders(projects);
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
    if (!platform::RemoveTree(job.stage)) {
        ErrorLine("无法清除上装文件夹 " + PathText(job.stage));
        return false;
    }
    job.fetch = job.stage / "Project";
    job.mainFile = job.fetch / kUnitMainFile;
    platform::MakeFolders(job.fetch);
    if (!platform::StatPath(job.fetch).folder) {
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
        platform::RemoveTree(unpackedProject);
        platform::RemoveFile(zipPath);
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

} // namespace qxm7740
