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

// ---- Configuration download --------------------------------------------------------------------

int CNetMagThread::FailDownload() {
    m_host->Report().CloseWait();
    return 0;
}

bool CNetMagThread::PrepareDownload(DownloadJob& job) {
    const fs::path projects = m_host->ProjectsFolder();
    platform::MakeFolders(projects);
    job.downFolder = projects / "DownTemp";
    // What an earlier download left there must not be packed into this one's archive.
    if (!platform::RemoveTree(job.downFolder)) {
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
    platform::MakeFolders(job.copyFolder);
    if (!platform::StatPath(job.copyFolder).folder) {
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

} // namespace qxm7740
