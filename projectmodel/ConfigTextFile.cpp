#include "projectmodel/ConfigTextFile.h"

namespace projectmodel {

bool CConfigTextFile::Open(const std::filesystem::path& path) {
    path_ = path;
    name_ = path.filename().string();
    fromLines_ = false;
    return reader_.Open(path);
}

void CConfigTextFile::OpenBytes(std::string gbkBytes, std::string name) {
    path_ = name;
    name_ = std::move(name);
    fromLines_ = false;
    reader_.OpenBytes(std::move(gbkBytes));
}

void CConfigTextFile::OpenLines(std::vector<std::string> lines, std::string name) {
    path_ = name;
    name_ = std::move(name);
    lines_ = std::move(lines);
    next_ = 0;
    fromLines_ = true;
}

bool CConfigTextFile::ReadString(std::string& line) {
    if (!fromLines_)
        return reader_.ReadLine(line);
    if (next_ >= lines_.size()) {
        line.clear();
        return false;
    }
    line = lines_[next_++];
    return true;
}

} // namespace projectmodel
