#pragma once
// The text file the configuration readers walk: GBK lines read one per call as UTF-8, with the
// line break removed; reading past the end gives an empty line.
#include "platform/TextFile.h"

#include <filesystem>
#include <string>

namespace projectmodel {

class CConfigTextFile {
public:
    CConfigTextFile() = default;
    // Opens the file for reading; false when it cannot be read.
    bool Open(const std::filesystem::path& path);
    // Reads text already in memory (GBK bytes); name is the file name shown in messages.
    void OpenBytes(std::string gbkBytes, std::string name = {});
    bool IsOpen() const { return reader_.IsOpen(); }

    // The next line, or the empty line past the end (false then).
    bool ReadString(std::string& line);

    const std::filesystem::path& Path() const { return path_; }
    // The file's name without its folder (as the readers' messages show it).
    const std::string& FileName() const { return name_; }

private:
    platform::CGbkLineReader reader_;
    std::filesystem::path path_;
    std::string name_;
};

} // namespace projectmodel
