#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

namespace fuzzsupport {

platform::Answer QuietPrompt::Message(const std::string& text, const std::string&, platform::Icon,
                                      platform::Buttons buttons) {
    ++count;
    // QXM_FUZZ_VERBOSE=1 shows the texts, to see how far an input got.
    static const bool verbose = std::getenv("QXM_FUZZ_VERBOSE") != nullptr;
    if (verbose)
        std::fprintf(stderr, "[box] %s\n", text.c_str());
    switch (buttons) {
    case platform::Buttons::YesNo:
    case platform::Buttons::YesNoCancel:
        return platform::Answer::No;
    case platform::Buttons::RetryCancel:
    case platform::Buttons::OkCancel:
        return platform::Answer::Cancel;
    case platform::Buttons::AbortRetryIgnore:
        return platform::Answer::Abort;
    case platform::Buttons::Ok:
        break;
    }
    return platform::Answer::Ok;
}

QuietPrompt& InstallQuietPrompt() {
    static QuietPrompt prompt;
    static const bool installed = (platform::SetPrompt(&prompt), true);
    (void)installed;
    return prompt;
}

namespace {

struct ScratchFolder {
    fs::path path;
    ScratchFolder() {
        path = fs::temp_directory_path() / ("qxm-fuzz-" + std::to_string(::getpid()));
        std::error_code ec;
        fs::remove_all(path, ec);
        fs::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

} // namespace

const fs::path& Scratch() {
    static ScratchFolder folder;
    return folder.path;
}

fs::path SourceDir() {
    return fs::path(QXM_SOURCE_DIR);
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& file, std::string_view bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void CopyTree(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::remove_all(to, ec);
    fs::create_directories(to.parent_path());
    fs::copy(from, to, fs::copy_options::recursive);
}

} // namespace fuzzsupport
