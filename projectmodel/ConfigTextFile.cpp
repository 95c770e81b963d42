#include "projectmodel/ConfigTextFile.h"

namespace projectmodel {

bool CConfigTextFile::Open(const std::filesystem::path& path) {
    path_ = path;
    name_ = path.filename().string();
    return reader_.Open(path);
}

void CConfigTextFile::OpenBytes(std::string gbkBytes, std::string name) {
    path_ = name;
    name_ = std::move(name);
    reader_.OpenBytes(std::move(gbkBytes));
}

bool CConfigTextFile::ReadString(std::string& line) {
    return reader_.ReadLine(line);
}

} // namespace projectmodel
