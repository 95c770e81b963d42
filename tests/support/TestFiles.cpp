#include "TestFiles.h"

#include "platform/Gbk.h"
#include "platform/TextFile.h"

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("qxmtest-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directories(path_))
            break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path IniDir() {
    return QXM_INI_DIR;
}

std::filesystem::path TestDataDir() {
    return QXM_TESTDATA_DIR;
}

std::filesystem::path TestToolsDir() {
    return QXM_TEST_TOOLS_DIR;
}

std::string ReadBytes(const std::filesystem::path& p) {
    std::string bytes;
    if (!platform::ReadFileBytes(p, bytes))
        throw std::runtime_error("cannot read " + p.string());
    return bytes;
}

void WriteBytes(const std::filesystem::path& p, std::string_view bytes) {
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path());
    if (!platform::WriteFileBytes(p, bytes))
        throw std::runtime_error("cannot write " + p.string());
}

void WriteGbkText(const std::filesystem::path& p, std::string_view utf8) {
    WriteBytes(p, platform::GbkTextBytes(utf8));
}

std::string ReadGbkText(const std::filesystem::path& p) {
    std::string text = platform::FromGbk(ReadBytes(p)), out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out.push_back(text[i]);
    return out;
}

void CopyTree(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::filesystem::create_directories(to);
    std::filesystem::copy(from, to,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
}

} // namespace testsupport
