// Extracting a whole archive: the folders are made first, then the files are inflated and
// written on several threads, each with its own handle on the archive file. The files and their
// bytes are those that extracting the entries one by one gives.
#include "platform/FileFaults.h"
#include "ziparchive/ZipArchive.h"
#include "ziparchive/ZipArchiveUtil.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>

namespace fs = std::filesystem;

using zipdetail::TrimTrailingSlashes;

namespace {

// The name as the file system resolves it: empty and "." components dropped, so that "a//b",
// "./a/b" and "a/b" are seen as one file.
std::string ResolvedName(const std::string& name) {
    std::string out;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t sep = name.find('/', start);
        if (sep == std::string::npos)
            sep = name.size();
        const std::string_view part(name.data() + start, sep - start);
        if (!part.empty() && part != ".") {
            if (!out.empty())
                out += '/';
            out += part;
        }
        start = sep + 1;
    }
    return out;
}

// A run of entries handed to one thread ends after this many entries or bytes.
constexpr int kRunEntries = 32;
constexpr std::uint64_t kRunBytes = 8u << 20;

bool SameEntry(const CZipEntryHeader& a, const CZipEntryHeader& b) {
    return a.m_uOffset == b.m_uOffset && a.m_uCrc32 == b.m_uCrc32 && a.m_uComprSize == b.m_uComprSize &&
           a.m_uUncomprSize == b.m_uUncomprSize && a.m_uFlag == b.m_uFlag && a.m_uMethod == b.m_uMethod &&
           a.GetStoredName() == b.GetStoredName();
}

} // namespace

void CZipArchive::ExtractJournal::AddFolder(std::string path) {
    std::lock_guard lock(mutex);
    folders.push_back(std::move(path));
}

void CZipArchive::ExtractJournal::AddFile(std::string path) {
    std::lock_guard lock(mutex);
    files.push_back(std::move(path));
}

void CZipArchive::ExtractJournal::Undo() {
    std::lock_guard lock(mutex);
    for (const std::string& f : files)
        platform::RemoveFile(f);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        platform::RemoveTree(*it);
    files.clear();
    folders.clear();
}

bool CZipArchive::MakeFolder(const std::string& path) {
    if (platform::StatPath(path).folder)
        return true;
    // The outermost folder this creation makes: removing it undoes the whole creation.
    fs::path top;
    if (m_pJournal) {
        for (fs::path p = path; !p.empty(); p = p.parent_path()) {
            // A link is looked at itself; one that cannot be looked at is taken as there, so
            // that an undo never removes what this creation did not make.
            std::error_code ec;
            if (platform::FileStepFails(platform::FileStep::Stat, p) ||
                fs::symlink_status(p, ec).type() != fs::file_type::not_found)
                break;
            top = p;
            if (p == p.parent_path())
                break;
        }
    }
    if (!ForceDirectory(path))
        return false;
    if (m_pJournal && !top.empty())
        m_pJournal->AddFolder(top.string());
    return true;
}

void CZipArchive::CheckExtractLimits(const std::string& folder) const {
    std::uint64_t declared = 0;
    std::uint64_t files = 0;
    for (const auto& h : m_centralDir.m_headers) {
        declared += h->m_uUncomprSize;
        files += h->IsDirectory() ? 0 : 1;
    }
    const platform::PathStat archive = platform::StatPath(m_szArchivePath);
    const std::uint64_t archiveSize = archive.size;
    const bool ratioOk = declared <= m_limits.ratioFloor || !archive.file ||
                         declared / std::max<std::uint64_t>(archiveSize, 1) < m_limits.maxRatio;
    if (declared > m_limits.maxTotal || !ratioOk)
        ThrowError(CZipException::codeTooLarge);
    if (!m_limits.checkFreeSpace)
        return;
    // The file system of the nearest folder that exists: the target may not be there yet.
    std::error_code ec;
    fs::path at = fs::absolute(fs::path(folder), ec);
    while (!at.empty() && !platform::StatPath(at).folder && at != at.parent_path())
        at = at.parent_path();
    struct statvfs vfs {};
    if (at.empty() || ::statvfs(at.c_str(), &vfs) != 0)
        return; // nothing to measure: the writes themselves report a full disk
    FreeSpace space;
    space.blockSize = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    space.freeBlocks = vfs.f_bavail;
    space.files = vfs.f_files;
    space.freeFiles = vfs.f_favail;
    if (!FitsFreeSpace(declared, files, space))
        ThrowError(CZipException::codeNoSpace);
}

bool CZipArchive::FitsFreeSpace(std::uint64_t declared, std::uint64_t files, const FreeSpace& space) {
    const std::uint64_t block = std::max<std::uint64_t>(space.blockSize, 1);
    // Whole blocks: each file's last block may be part-used. Counted in blocks, so that no
    // product of a declared count overflows.
    const std::uint64_t blocks = declared / block + (declared % block != 0) + files;
    const bool inodesOk = space.files == 0 || space.freeFiles >= files;
    return blocks <= space.freeBlocks && inodesOk;
}

bool CZipArchive::ExtractFiles(const std::string& folder, int threads) {
    if (folder.empty() || IsClosed(false) || m_pJournal)
        return false;
    CheckExtractLimits(folder);
    ExtractJournal journal;
    m_pJournal = &journal;
    bool ok = false;
    try {
        ok = ExtractAll(folder, threads);
    } catch (...) {
        m_pJournal = nullptr;
        journal.Undo();
        throw;
    }
    m_pJournal = nullptr;
    if (!ok)
        journal.Undo();
    else
        SetFolderTimes(folder);
    return ok;
}

void CZipArchive::SetFolderTimes(const std::string& folder) {
    // Last, when no file is created in them any more: a creation would set the time anew.
    std::string root = TrimTrailingSlashes(folder);
    if (root != "/")
        root += '/';
    for (const auto& h : m_centralDir.m_headers) {
        if (!h->IsDirectory() || !IsSafeEntryName(h->GetFileName()))
            continue;
        struct timespec times[2];
        EntryTimes(*h, times);
        ::utimensat(AT_FDCWD, (root + TrimTrailingSlashes(h->GetFileName())).c_str(), times, 0);
    }
}

bool CZipArchive::ExtractOneByOne(const std::string& folder) {
    for (int i = 0; i < GetEntryCount(); ++i)
        if (!ExtractFile(i, folder))
            return false;
    return true;
}

int CZipArchive::ExtractThreadsFor(int requested, std::uint64_t declared, std::uint64_t files,
                                   std::uint64_t bytesPerThread) {
    std::uint64_t threads = std::min<std::uint64_t>(static_cast<std::uint64_t>(std::max(requested, 1)),
                                                    std::min<std::uint64_t>(files, 64));
    if (bytesPerThread > 0)
        threads = std::min(threads, declared / bytesPerThread);
    return static_cast<int>(std::max<std::uint64_t>(threads, 1));
}

bool CZipArchive::ExtractAll(const std::string& folder, int threads) {
    std::uint64_t declared = 0;
    std::uint64_t files = 0;
    for (const auto& h : m_centralDir.m_headers) {
        declared += h->m_uUncomprSize;
        files += h->IsDirectory() ? 0 : 1;
    }
    threads = ExtractThreadsFor(threads, declared, files, m_uExtractBytesPerThread);
    m_iExtractThreads = 1;
    if (threads <= 1 || m_storage.IsSpanned() != 0 || m_iFileOpened != stateIdle || DependsOnEntryOrder())
        return ExtractOneByOne(folder);
    std::vector<int> runs;
    if (!PrepareRuns(folder, runs))
        return ExtractOneByOne(folder);
    m_iExtractThreads = threads;
    return ExtractRuns(folder, runs, threads);
}

bool CZipArchive::DependsOnEntryOrder() const {
    // Extracting one by one stops at the right entry: a name that is refused, or two entries for
    // one file (the later one wins).
    std::vector<std::string> resolved;
    resolved.reserve(m_centralDir.m_headers.size());
    for (const auto& h : m_centralDir.m_headers) {
        if (!IsSafeEntryName(h->GetFileName()))
            return true;
        resolved.push_back(ResolvedName(h->GetFileName()));
        if (resolved.back().empty())
            return true;
    }
    std::sort(resolved.begin(), resolved.end());
    return std::adjacent_find(resolved.begin(), resolved.end()) != resolved.end();
}

bool CZipArchive::PrepareRuns(const std::string& folder, std::vector<int>& runs) {
    // The folders, in entry order, before any file: the threads then only create files. The
    // entries are handed out in runs of one folder: files created in one folder at the same time
    // wait for each other in the file system, files in different folders do not.
    const int count = GetEntryCount();
    std::string root = TrimTrailingSlashes(folder);
    if (root != "/")
        root += '/';
    std::string lastFolder;
    std::uint64_t runBytes = 0;
    for (int i = 0; i < count; ++i) {
        const CZipEntryHeader& h = *m_centralDir.m_headers[static_cast<std::size_t>(i)];
        const std::string target = root + TrimTrailingSlashes(h.GetFileName());
        if (h.IsDirectory()) {
            if (!MakeFolder(target))
                return false;
            SetAttributes(target, h);
            continue;
        }
        const std::size_t slash = target.rfind('/');
        const std::string parent = slash == 0 ? std::string("/") : target.substr(0, slash);
        const bool newFolder = parent != lastFolder;
        if (newFolder) {
            if (!MakeFolder(parent))
                return false;
            lastFolder = parent;
        }
        // Long runs are cut, so that a large folder still spreads over the threads.
        if (newFolder || runs.empty() || i - runs.back() >= kRunEntries || runBytes >= kRunBytes) {
            runs.push_back(i);
            runBytes = 0;
        }
        runBytes += h.m_uUncomprSize;
    }
    runs.push_back(count); // the first entry of each run, then the entry count
    return true;
}

bool CZipArchive::ExtractRuns(const std::string& folder, const std::vector<int>& runs, int threads) {
    const int count = GetEntryCount();
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    // Takes runs of entries until none is left or one failed; false when an entry of its own
    // failed.
    auto run = [&](CZipArchive& zip) {
        for (;;) {
            const std::size_t r = next.fetch_add(1);
            if (r + 1 >= runs.size())
                return true;
            for (int i = runs[r]; i < runs[r + 1]; ++i) {
                if (failed.load())
                    return true;
                const CZipEntryHeader& h = *m_centralDir.m_headers[static_cast<std::size_t>(i)];
                if (h.IsDirectory())
                    continue;
                // A helper reads the archive anew: it must still be the same one.
                if (&zip != this && !SameEntry(h, *zip.m_centralDir.m_headers[static_cast<std::size_t>(i)]))
                    return false;
                if (!zip.ExtractFile(i, folder))
                    return false;
            }
        }
    };

    // A helper's failure raises what it raised, as it would on one thread.
    std::vector<std::exception_ptr> helperErrors(static_cast<std::size_t>(threads));
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        helpers.emplace_back([&, t] {
            CZipArchive zip;
            zip.m_pJournal = m_pJournal;
            try {
                zip.m_info.m_iBufferSize = m_info.m_iBufferSize;
                zip.Open(m_szArchivePath, zipOpenReadOnly);
                zip.m_pszPassword = m_pszPassword;
            } catch (...) {
                // No handle for this helper: the other threads take its share.
                zip.Close(true);
                return;
            }
            bool ok = false;
            try {
                ok = zip.GetEntryCount() == count && run(zip);
                zip.Close();
            } catch (...) {
                ok = false;
                helperErrors[static_cast<std::size_t>(t)] = std::current_exception();
                try {
                    zip.Close(true);
                } catch (...) {
                }
            }
            if (!ok)
                failed = true;
        });
    }
    std::exception_ptr error;
    bool ok = true;
    try {
        ok = run(*this);
    } catch (...) {
        error = std::current_exception();
    }
    if (!ok || error)
        failed = true;
    for (std::thread& t : helpers)
        t.join();
    for (const std::exception_ptr& e : helperErrors)
        if (!error && e)
            error = e;
    if (error)
        std::rethrow_exception(error);
    return !failed.load();
}
