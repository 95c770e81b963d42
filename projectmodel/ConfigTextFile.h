#pragma once
// The text file the configuration readers walk: GBK lines read one per call as UTF-8, with the
// line break removed; reading past the end gives an empty line.
#include "platform/TextFile.h"

#include <filesystem>
#include <string>
#include <vector>

namespace projectmodel {

class CConfigTextFile {
public:
    CConfigTextFile() = default;
    // Opens the file for reading; false when it cannot be read.
    bool Open(const std::filesystem::path& path);
    // The errno of the last Open that failed (ENOENT: no file is there).
    int OpenError() const { return reader_.OpenError(); }
    // Reads text already in memory (GBK bytes); name is the file name shown in messages.
    void OpenBytes(std::string gbkBytes, std::string name = {});
    // Reads lines already read and converted (a block of another file); name as for OpenBytes.
    void OpenLines(std::vector<std::string> lines, std::string name);
    bool IsOpen() const { return fromLines_ || reader_.IsOpen(); }
    // The lines given to OpenLines.
    const std::vector<std::string>& Lines() const { return lines_; }

    // The next line, or the empty line past the end (false then).
    bool ReadString(std::string& line);

    const std::filesystem::path& Path() const { return path_; }
    // The file's name without its folder (as the readers' messages show it).
    const std::string& FileName() const { return name_; }

private:
    platform::CGbkLineReader reader_;
    std::filesystem::path path_;
    std::string name_;
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    bool fromLines_ = false;
};

} // namespace projectmodel
