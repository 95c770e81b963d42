// The configuration file writer of the project document.
#include "projectmodel/ConfigDoc.h"

#include "platform/Prompt.h"
#include "platform/TextFile.h"

namespace projectmodel {

int CConfigDoc::WriteConfigFiles(const std::filesystem::path& path) {
    platform::CGbkTextWriter out;
    if (!out.Open(path)) {
        platform::MessageBox("创建文件失败!", {}, platform::Icon::Warning, platform::Buttons::Ok);
        return 0;
    }
    out.WriteLine("[组态文件开始]");
    out.WriteLine("格式=2");
    return out.Close() ? 1 : 0;
}

} // namespace projectmodel
