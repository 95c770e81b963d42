#include "platform/Paths.h"

#include "platform/FileFaults.h"

#include "platform/Text.h"

#include <cerrno>
#include <system_error>
#include <vector>

namespace platform {

std::filesystem::path RootFolderFrom(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> parts;
    for (const auto& part : folder)
        parts.push_back(part);
    // A trailing separator shows up as an empty last component.
    while (!parts.empty() && parts.back().empty())
        parts.pop_back();
    for (std::size_t i = parts.size(); i-- > 0;) {
        if (EqualsNoCase(parts[i].string(), "bin")) {
            std::filesystem::path root;
            for (std::size_t j = 0; j < i; ++j)
                root /= parts[j];
            return root;
        }
    }
    std::filesystem::path root;
    for (const auto& p : parts)
        root /= p;
    return root;
}

std::filesystem::path RootFolder() {
    std::error_code ec;
    return RootFolderFrom(std::filesystem::current_path(ec));
}

std::filesystem::path FindNoCase(const std::filesystem::path& dir, std::string_view name, int* error) {
    std::filesystem::path exact = dir / std::string(name);
    if (error)
        *error = 0;
    const PathStat st = StatPath(exact);
    if (st.exists)
        return exact;
    std::vector<FolderEntry> entries;
    const int listed = ListFolder(dir, entries);
    for (const FolderEntry& entry : entries)
        if (EqualsNoCase(entry.path.filename().string(), name))
            return entry.path;
    if (error)
        *error = st.Failed() ? st.error : (listed == ENOENT || listed == ENOTDIR ? 0 : listed);
    return exact;
}

std::filesystem::path JoinPath(const std::filesystem::path& base, std::string_view relative) {
    std::filesystem::path out = base;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t sep = relative.find_first_of("\\/", start);
        std::string_view part =
            relative.substr(start, sep == std::string_view::npos ? std::string_view::npos : sep - start);
        if (!part.empty())
            out = FindNoCase(out, part);
        if (sep == std::string_view::npos)
            break;
        start = sep + 1;
    }
    return out;
}

std::string FileNameOf(std::string_view path) {
    std::size_t sep = path.find_last_of("\\/");
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

bool IsSafeFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

} // namespace platform
