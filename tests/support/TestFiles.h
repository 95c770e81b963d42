#pragma once
// Files and folders for tests: a fresh temporary folder per test, and byte helpers.
#include <filesystem>
#include <string>
#include <string_view>

namespace testsupport {

// A new empty folder below the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / std::string(name); }

private:
    std::filesystem::path path_;
};

// The shipped definition library (resources/Ini in the source tree).
std::filesystem::path IniDir();
// Shared test data (tests/data in the source tree).
std::filesystem::path TestDataDir();
// Where the test programs and test-support tools are built.
std::filesystem::path TestToolsDir();

std::string ReadBytes(const std::filesystem::path& p);
void WriteBytes(const std::filesystem::path& p, std::string_view bytes);
// Writes UTF-8 text as GBK, turning each "\n" into CR LF.
void WriteGbkText(const std::filesystem::path& p, std::string_view utf8);
// Reads a GBK file as UTF-8 with CR LF turned into "\n".
std::string ReadGbkText(const std::filesystem::path& p);
// Copies a folder tree.
void CopyTree(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace testsupport
