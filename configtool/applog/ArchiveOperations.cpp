#include "configtool/applog/ArchiveOperations.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace qxm7740 {

namespace fs = std::filesystem;

namespace {

std::string TrimTrailingSlashes(std::string s) {
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

} // namespace

CArchiveOperations::CArchiveOperations(ILogSink& log, std::string iniFolder)
    : m_log(log), m_iniFolder(std::move(iniFolder)) {
    m_zip.SetVolumeCallback(nullptr, nullptr);
    m_zip.SetBufferSizes(3000000, 0x4000, 0x8000);
    m_iThreads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

int CArchiveOperations::CloseZip() {
    try {
        m_zip.Close(m_bZipError);
        m_bZipError = false;
        return 1;
    } catch (const std::exception&) {
        m_log.WriteLog("释放压缩文件时失败！");
        m_bZipError = true;
        try {
            m_zip.Close(true);
        } catch (const std::exception&) {
        }
        return 0;
    }
}

int CArchiveOperations::CreateZip(const std::string& path) {
    CloseZip();
    m_bZipError = false;
    bool ok = false;
    try {
        ok = m_zip.Open(path, CZipArchive::zipCreate, 0);
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok) {
        m_bZipError = true;
        m_log.WriteLog(platform::StrFormat("创建压缩文件时失败！文件名：%s", path.c_str()));
        CloseZip();
        return 0;
    }
    return 1;
}

int CArchiveOperations::OpenZip(const std::string& path) {
    const platform::PathStat stat = path.empty() ? platform::PathStat{} : platform::StatPath(path);
    if (stat.Failed()) {
        m_log.WriteLog(platform::StrFormat("要打开的压缩文件无法读取！文件名：%s（%s）", path.c_str(),
                                           platform::ErrorText(stat.error).c_str()));
        return 0;
    }
    if (!stat.file) {
        m_log.WriteLog(platform::StrFormat("要打开的压缩文件不存在！文件名：%s", path.c_str()));
        return 0;
    }
    CloseZip();
    bool ok = false;
    try {
        // Read-only: unpacking needs no write access to the fetched archive.
        ok = m_zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok) {
        m_bZipError = true;
        m_log.WriteLog(platform::StrFormat("打开的压缩文件失败！文件名：%s", path.c_str()));
        CloseZip();
        return 0;
    }
    return 1;
}

bool CArchiveOperations::ListFolder(const std::string& folder, std::vector<ZipFileItem>& list,
                                    std::string* failure) {
    const std::string dir = TrimTrailingSlashes(folder);
    if (dir.empty())
        return true;
    const std::string prefix = dir.back() == '/' ? dir : dir + '/';
    struct Found {
        std::string name;
        std::string path;
        std::int64_t size;
    };
    std::vector<Found> files;
    std::vector<Found> folders;
    auto fail = [&](const std::string& path, int error) {
        if (failure)
            *failure = path + "：" + platform::ErrorText(error);
        return false;
    };
    // One status call per name: the walk runs over every file of a project before packing.
    DIR* d = platform::FileStepFails(platform::FileStep::List, dir) ? nullptr : ::opendir(dir.c_str());
    if (!d)
        return fail(dir, errno);
    const int dfd = ::dirfd(d);
    errno = 0;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (platform::FileStepFails(platform::FileStep::Stat, prefix + name) ||
            ::fstatat(dfd, e->d_name, &st, 0) != 0) {
            if (errno == ENOENT) {
                errno = 0;
                continue; // gone while it was looked at
            }
            const int error = errno;
            ::closedir(d);
            return fail(prefix + name, error);
        }
        if (S_ISDIR(st.st_mode)) {
            // A linked folder is not followed: it could lead back up the tree.
            struct stat lst {};
            const bool link =
                e->d_type == DT_LNK ||
                (e->d_type == DT_UNKNOWN &&
                 (::fstatat(dfd, e->d_name, &lst, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(lst.st_mode)));
            if (!link)
                folders.push_back({name, prefix + name, 0});
        } else if (S_ISREG(st.st_mode)) {
            files.push_back({name, prefix + name, static_cast<std::int64_t>(st.st_size)});
        }
        errno = 0;
    }
    // readdir ends with errno set when the listing itself failed part way.
    const int listError = errno;
    ::closedir(d);
    if (listError != 0)
        return fail(dir, listError);
    auto byName = [](const Found& a, const Found& b) {
        int c = platform::CompareGbk(a.name, b.name);
        return c != 0 ? c < 0 : a.name < b.name;
    };
    std::sort(files.begin(), files.end(), byName);
    std::sort(folders.begin(), folders.end(), byName);
    for (const Found& f : files)
        list.push_back({f.path, 0, f.size});
    for (const Found& f : folders)
        if (!ListFolder(f.path, list, failure))
            return false;
    return true;
}

int CArchiveOperations::CompressFolder(const std::string& folderIn) {
    const std::string folder = folderIn.empty() ? m_iniFolder : folderIn;
    const std::string root = TrimTrailingSlashes(folder);
    m_lastFailure.clear();
    // Packing into no archive, or a folder that is not there, would pass an empty or missing
    // archive off as the project; so would a walk or a read that failed part way.
    if (m_zip.IsClosed() || !platform::StatPath(root).folder)
        m_bZipError = true;
    m_zip.SetRootPath(root);
    std::vector<ZipFileItem> list;
    if (!m_bZipError && !ListFolder(root, list, &m_lastFailure))
        m_bZipError = true;
    std::vector<std::string> paths;
    paths.reserve(list.size());
    for (const ZipFileItem& item : list)
        paths.push_back(item.path);
    if (!m_bZipError) {
        bool ok = false;
        try {
            ok = m_zip.AddFiles(paths, -1, false, m_iThreads);
        } catch (const CZipFileException& e) {
            m_lastFailure = e.m_szFileName + "：" + platform::ErrorText(e.m_iError ? e.m_iError : EIO);
        } catch (const std::exception&) {
            ok = false;
        }
        if (!ok && m_lastFailure.empty() && !m_zip.GetFailedSource().empty())
            m_lastFailure = m_zip.GetFailedSource();
        if (!ok)
            m_bZipError = true;
    }
    if (m_bZipError) {
        m_log.WriteLog(platform::StrFormat("压缩文件夹时失败！文件夹：%s", folder.c_str()));
        CloseZip();
        return 0;
    }
    // An archive whose directory could not be written is no success.
    return CloseZip();
}

int CArchiveOperations::ExtractZip(const std::string& targetFolder) {
    const std::string name = fs::path(m_zip.GetArchiveName()).stem().string();
    std::string folder = targetFolder;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    folder += name;
    if (m_zip.IsClosed()) {
        m_log.WriteLog(platform::StrFormat("释放压缩文件时失败！目标文件夹：%s", folder.c_str()));
        return 0;
    }
    bool ok = false;
    const char* cause = nullptr;
    try {
        ok = m_zip.ExtractFiles(folder, m_iThreads);
    } catch (const CZipException& e) {
        // The two refusals made before anything is written say why, so that the user knows the
        // archive, not the disk or the program, is at fault (or the other way round).
        if (e.m_iCause == CZipException::tooLarge)
            cause = kArchiveTooLarge;
        else if (e.m_iCause == CZipException::noSpace)
            cause = kArchiveNoSpace;
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok) {
        m_bZipError = true;
        CloseZip();
        m_log.WriteLog(platform::StrFormat("释放压缩文件时失败！目标文件夹：%s", folder.c_str()));
        if (cause)
            m_log.WriteLog(cause);
        return 0;
    }
    return CloseZip();
}

} // namespace qxm7740
