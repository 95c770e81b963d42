#pragma once
// What the fuzz targets share: a prompt that answers every box quietly (so a run is not flooded
// with texts and never loops on a retry question), a scratch folder for the process, and file
// helpers. Every target defines LLVMFuzzerTestOneInput; libFuzzer or the seed replayer calls it.
#include "platform/Prompt.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzzsupport {

// Answers No to questions, Cancel to retries and OK to the rest; counts what it was asked.
class QuietPrompt : public platform::IPrompt {
public:
    platform::Answer Message(const std::string& text, const std::string& caption, platform::Icon icon,
                             platform::Buttons buttons) override;
    std::size_t count = 0;
};

// Installs one QuietPrompt for the process (idempotent).
QuietPrompt& InstallQuietPrompt();

// A folder of the process below the system's temporary folder, removed when the process ends.
const std::filesystem::path& Scratch();

// The source tree (shipped library and test data).
std::filesystem::path SourceDir();

std::string ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, std::string_view bytes);
inline void WriteFile(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size) {
    WriteFile(file, std::string_view(reinterpret_cast<const char*>(data), size));
}
// Replaces the folder "to" by a copy of "from".
void CopyTree(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace fuzzsupport
