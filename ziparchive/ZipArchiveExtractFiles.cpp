// Extracting a whole archive: the folders are made first, then the files are inflated and
// written on several threads, each with its own handle on the archive file. The files and their
// bytes are those that extracting the entries one by one gives.
#include "ziparchive/ZipArchive.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace {

std::string TrimTrailingSlashes(std::string s) {
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

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

bool CZipArchive::ExtractFiles(const std::string& folder, int threads) {
    if (folder.empty() || IsClosed(false))
        return false;
    const int count = GetEntryCount();
    auto oneByOne = [&] {
        for (int i = 0; i < count; ++i)
            if (!ExtractFile(i, folder))
                return false;
        return true;
    };
    threads = std::min(threads, std::min(count, 64));
    if (threads <= 1 || m_storage.IsSpanned() != 0 || m_iFileOpened != stateIdle)
        return oneByOne();

    // Archives whose extraction depends on the order of the entries go one by one, which stops
    // at the right entry: a name that is refused, or two entries for one file (the later one
    // wins).
    std::vector<std::string> resolved;
    resolved.reserve(static_cast<std::size_t>(count));
    for (const auto& h : m_centralDir.m_headers) {
        if (!IsSafeEntryName(h->GetFileName()))
            return oneByOne();
        resolved.push_back(ResolvedName(h->GetFileName()));
        if (resolved.back().empty())
            return oneByOne();
    }
    std::sort(resolved.begin(), resolved.end());
    if (std::adjacent_find(resolved.begin(), resolved.end()) != resolved.end())
        return oneByOne();

    // The folders, in entry order, before any file: the threads then only create files. The
    // entries are handed out in runs of one folder: files created in one folder at the same time
    // wait for each other in the file system, files in different folders do not.
    std::string root = TrimTrailingSlashes(folder);
    if (root != "/")
        root += '/';
    std::vector<int> runs; // the first entry of each run, then the entry count
    std::string lastFolder;
    std::uint64_t runBytes = 0;
    for (int i = 0; i < count; ++i) {
        const CZipEntryHeader& h = *m_centralDir.m_headers[static_cast<std::size_t>(i)];
        const std::string target = root + TrimTrailingSlashes(h.GetFileName());
        if (h.IsDirectory()) {
            if (!ForceDirectory(target))
                return oneByOne();
            SetAttributes(target, h);
            continue;
        }
        const std::size_t slash = target.rfind('/');
        const std::string parent = slash == 0 ? std::string("/") : target.substr(0, slash);
        const bool newFolder = parent != lastFolder;
        if (newFolder) {
            if (!ForceDirectory(parent))
                return oneByOne();
            lastFolder = parent;
        }
        // Long runs are cut, so that a large folder still spreads over the threads.
        if (newFolder || runs.empty() || i - runs.back() >= kRunEntries || runBytes >= kRunBytes) {
            runs.push_back(i);
            runBytes = 0;
        }
        runBytes += h.m_uUncomprSize;
    }
    runs.push_back(count);

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

    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        helpers.emplace_back([&] {
            CZipArchive zip;
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
    if (error)
        std::rethrow_exception(error);
    return !failed.load();
}
