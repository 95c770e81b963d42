#pragma once
// The folder and name rules of a new or renamed project: which names may become a project folder,
// how the projects folder and the name make the project's path, and clearing an old project of the
// same name without ever touching anything outside the projects folder.
#include <filesystem>
#include <string>
#include <string_view>

namespace qxm7740 {

class CProjectFolderRules {
public:
    enum class Check { Ok, Empty, BadName, Exists };

    // A project name becomes one folder name: not empty, not "." or "..", no '/' or '\', no NUL,
    // at most 255 bytes (the longest file name Linux keeps).
    static bool IsValidProjectName(std::string_view name);

    // The folder as typed, without the separators that end it ("/" itself stays "/"). A '\' counts
    // as a separator, as it does in every path the tool reads.
    static std::string StripTrailingSeparators(std::string_view folder);

    // The folder as the project will be made in it: a relative folder is taken below root (the
    // program's root folder, not the working folder the program happens to run in), "." and ".."
    // resolved; an absolute one stays; "" stays "".
    static std::string ResolveFolder(std::string_view folder, const std::filesystem::path& root);

    // folder + separator (only when the folder does not end in one) + name.
    static std::filesystem::path ProjectPath(std::string_view folder, std::string_view name);

    // The checks of the wizard's information page, in their order: both fields filled, a valid
    // name, then whether a project of that name exists already. path receives the project's path.
    static Check CheckNewProject(std::string_view folder, std::string_view name, std::filesystem::path& path);

    // Deletes the project folder (or file) folder/name with everything below it. Refuses an invalid
    // name, so only an entry directly inside the projects folder can ever go; a symbolic link is
    // removed itself, never what it points to. True when nothing of it is left.
    static bool RemoveProject(std::string_view folder, std::string_view name);
};

} // namespace qxm7740
