#include "configtool/worker/JobFiles.h"

#include "platform/FileFaults.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace qxm7740::jobfiles {

namespace fs = std::filesystem;
using platform::StrFormat;

// A folder without a separator at its end, so that its parent is the folder above it.
fs::path WithoutTrailingSeparator(fs::path p) {
    if (!p.empty() && !p.has_filename())
        p = p.parent_path();
    return p;
}

std::string FolderUnreadable(const fs::path& folder, int error) {
    return StrFormat("无法读取文件夹%s：%s", PathText(folder).c_str(), platform::ErrorText(error).c_str());
}

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

} // namespace qxm7740::jobfiles
