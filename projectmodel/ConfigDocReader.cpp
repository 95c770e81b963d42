// The configuration file reader of the project document.
#include "projectmodel/ConfigDoc.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

namespace projectmodel {

int CConfigDoc::ReadConfigFiles(const std::filesystem::path& path) {
    CConfigTextFile file;
    if (!file.Open(path)) {
        platform::MessageBox(platform::StrFormat("组态文件:%s，无法打开!", path.string().c_str()), {},
                             platform::Icon::Warning, platform::Buttons::Ok);
        return 0;
    }
    lineNo_ = 0;
    std::string line;
    if (!ReadLine(&file, line, "[组态文件开始]"))
        return 0;
    return ReadKeyInt(&file, line, "格式", m_nFormat);
}

} // namespace projectmodel
