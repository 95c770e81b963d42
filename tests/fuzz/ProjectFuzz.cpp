// A saved project and its definition library: the first byte chooses which file of the sample
// project the rest of the input replaces (main file, bay file, a port-configuration file, the
// library's unit, board, protocol, equipment, bay and device-model files, the SCD cache), then
// the project is opened as the main tool opens it. The file is put back afterwards.
#include "FuzzSupport.h"

#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"

#include <array>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr std::array<const char*, 17> kFiles = {
    "ProjectV1.00/QXM7740.ini",
    "ProjectV1.00/ccu_工程间隔.cfg",
    "ProjectV1.00/ccu_板卡0_NET0_规约12_遥信转发配置配置.cfg",
    "Ini/组态配置.ini",
    "Ini/主控板.ini",
    "Ini/网络配置.ini",
    "Ini/规约/Protocol.ini",
    "Ini/规约/IEC104.ini",
    "Ini/一次设备/setting.ini",
    "Ini/一次设备/间隔配置.ini",
    "Ini/一次设备/equipmentlist.ini",
    "Ini/一次设备/断路器.ini",
    "Ini/二次装置/devlist.ini",
    "Ini/二次装置/QXE300.txt",
    "Ini/二次装置/QXE300.cfg",
    "Ini/UserDefine/IEDListFromSCD.dat",
    "Ini/一次设备/电压等级配置.ini",
};

fs::path ProjectFolder() {
    return fuzzsupport::Scratch() / "root" / "Project" / "Demo";
}

// Lays out the sample project once per process.
void LayOut() {
    static const bool done = [] {
        const fs::path project = ProjectFolder();
        fuzzsupport::CopyTree(fuzzsupport::SourceDir() / "resources/Ini", project / "Ini");
        fuzzsupport::CopyTree(fuzzsupport::SourceDir() / "tests/data/projectmodel/sample",
                              project / "ProjectV1.00");
        return true;
    }();
    (void)done;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    fuzzsupport::InstallQuietPrompt();
    LayOut();
    const fs::path file = ProjectFolder() / kFiles[data[0] % kFiles.size()];
    std::error_code ec;
    const bool existed = fs::exists(file, ec);
    const std::string original = existed ? fuzzsupport::ReadFile(file) : std::string();
    fuzzsupport::WriteFile(file, data + 1, size - 1);

    projectmodel::CProjectContext::Reset();
    {
        projectmodel::CConfigDoc doc;
        doc.OpenProject(ProjectFolder() / "ProjectV1.00" / "QXM7740.ini");
    }
    projectmodel::CProjectContext::Reset();

    if (existed)
        fuzzsupport::WriteFile(file, original);
    else
        fs::remove(file, ec);
    return 0;
}
