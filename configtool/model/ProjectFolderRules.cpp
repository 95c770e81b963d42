#include "configtool/model/ProjectFolderRules.h"

#include "platform/FileFaults.h"
#include "platform/Paths.h"

#include <system_error>

namespace qxm7740 {

namespace fs = std::filesystem;

namespace {
bool IsSeparator(char ch) {
    return ch == '/' || ch == '\\';
}
} // namespace

bool CProjectFolderRules::IsValidProjectName(std::string_view name) {
    return platform::IsSafeFileName(name) && name.size() <= 255;
}

std::string CProjectFolderRules::StripTrailingSeparators(std::string_view folder) {
    std::size_t end = folder.size();
    while (end > 1 && IsSeparator(folder[end - 1]))
        --end;
    std::string out(folder.substr(0, end));
    for (char& ch : out)
        if (ch == '\\')
            ch = '/';
    return out;
}

std::string CProjectFolderRules::ResolveFolder(std::string_view folder, const fs::path& root) {
    const std::string stripped = StripTrailingSeparators(folder);
    if (stripped.empty())
        return stripped;
    const fs::path typed(stripped);
    if (typed.is_absolute())
        return stripped;
    return StripTrailingSeparators((root / typed).lexically_normal().string());
}

fs::path CProjectFolderRules::ProjectPath(std::string_view folder, std::string_view name) {
    return fs::path(StripTrailingSeparators(folder)) / fs::path(std::string(name));
}

CProjectFolderRules::Check CProjectFolderRules::CheckNewProject(std::string_view folder,
                                                                std::string_view name, fs::path& path) {
    path.clear();
    if (folder.empty() || name.empty())
        return Check::Empty;
    if (!IsValidProjectName(name))
        return Check::BadName;
    path = ProjectPath(folder, name);
    std::error_code ec;
    // A dangling link still occupies the name, and so does a name that cannot be looked at.
    if (platform::FileStepFails(platform::FileStep::Stat, path))
        return Check::Exists;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (status.type() != fs::file_type::not_found ||
        (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory))
        return Check::Exists;
    return Check::Ok;
}

bool CProjectFolderRules::RemoveProject(std::string_view folder, std::string_view name) {
    if (folder.empty() || !IsValidProjectName(name))
        return false;
    fs::path path = ProjectPath(folder, name);
    return platform::RemoveTree(path);
}

} // namespace qxm7740
