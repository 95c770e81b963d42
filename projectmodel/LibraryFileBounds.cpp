#include "projectmodel/LibraryFileBounds.h"

#include "platform/FileFaults.h"
#include "platform/Text.h"

#include <algorithm>
#include <vector>

namespace projectmodel {

namespace fs = std::filesystem;

std::uint64_t LibraryFileCeiling(const fs::path& file) {
    const std::string ext = platform::ToLowerAscii(file.extension().string());
    if (ext == ".scd" || ext == ".icd" || ext == ".cid" || ext == ".ssd")
        return kLibrarySclCeiling;
    if (ext == ".dat")
        return 0;
    return kLibraryTextCeiling;
}

std::string LibraryFileOverCeiling(const fs::path& folder) {
    std::vector<platform::FolderEntry> entries;
    if (platform::ListFolder(folder, entries) != 0)
        return {};
    std::sort(entries.begin(), entries.end(),
              [](const platform::FolderEntry& a, const platform::FolderEntry& b) { return a.path < b.path; });
    for (const platform::FolderEntry& e : entries) {
        if (e.folder) {
            if (std::string over = LibraryFileOverCeiling(e.path); !over.empty())
                return over;
            continue;
        }
        const std::uint64_t ceiling = LibraryFileCeiling(e.path);
        if (!e.file || ceiling == 0)
            continue;
        const platform::PathStat st = platform::StatPath(e.path);
        if (st.file && st.size > ceiling)
            return platform::StrFormat("配置文件%s的长度（%llu字节）超过上限%llu字节，不能打开工程！",
                                       e.path.string().c_str(), static_cast<unsigned long long>(st.size),
                                       static_cast<unsigned long long>(ceiling));
    }
    return {};
}

} // namespace projectmodel
