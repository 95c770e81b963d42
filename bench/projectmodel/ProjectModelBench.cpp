// Benchmark of project save and open on a generated project of 64 ports, 1,000 devices and
// 100,000 point references (or as many as asked).
//   projectmodel_bench save OUTDIR [REFS]  builds the project over a copy of the shipped library
//                                          in OUTDIR/root and saves it (prints the main file's
//                                          path); REFS point references, 100000 by default
//   projectmodel_bench open MAINFILE       opens a saved project
// Each prints the time of the save or the open alone; measure memory with /usr/bin/time -v.
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ConfigFileNames.h"
#include "projectmodel/ProjectContext.h"

#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace projectmodel;
namespace fs = std::filesystem;

namespace {

class CountingPrompt : public platform::IPrompt {
public:
    int count = 0;
    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons buttons) override {
        if (++count <= 5)
            std::fprintf(stderr, "message: %s\n", text.c_str());
        return buttons == platform::Buttons::YesNo ? platform::Answer::Yes : platform::Answer::Ok;
    }
};

// The bench saves as an administrator, the way the tool's administrator does.
class BenchShell : public IProjectShell {
public:
    bool IsAdministrator() override { return true; }
};

void WriteGbk(const fs::path& path, const std::string& text) {
    platform::CGbkTextWriter out;
    out.Open(path);
    out.Write(text);
    out.Close();
}

// Four boards of 12 serial and 4 network ports each.
void PrepareLibrary(const fs::path& ini) {
    fs::copy(QXM_SOURCE_INI, ini, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    WriteGbk(ini / "大板.ini",
             "[板卡属性]\n类型=BIG16\n通讯口名称=COM,NET\n[COM配置]\n数目=12\n类型=串口\n"
             "配置文件=串口配置.ini\n[NET配置]\n数目=4\n类型=网络\n配置文件=网络配置.ini\n");
    for (int k = 1; k <= 4; ++k)
        platform::WritePrivateProfileString(cfgfile::kLibraryBoardSection,
                                            platform::StrFormat(cfgfile::kLibraryBoardKey, k), "大板.ini",
                                            ini / cfgfile::kLibraryConfigFile);
    platform::WritePrivateProfileString(cfgfile::kLibraryBoardSection, cfgfile::kLibraryBoardCountKey, "4",
                                        ini / cfgfile::kLibraryConfigFile);
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Save(const fs::path& outDir, int references) {
    const fs::path root = outDir / "root";
    fs::remove_all(root);
    fs::create_directories(root / "Project");
    PrepareLibrary(root / "Ini");
    CProjectContext& context = CProjectContext::Instance();
    context.SetLibraryFolder(root / "Ini");
    context.SetProjectsFolder(root / "Project");
    context.SetNewProjectName("Bench");
    BenchShell shell;
    context.SetShell(&shell);

    CConfigDoc doc;
    doc.OnNewDocument();
    const CDeviceTemplate& model = *doc.m_deviceModels.FindByName("QXL811-V2.10");
    std::vector<CPortRecord*> serial, network;
    for (CBoardInfo& board : doc.m_boardCfg.m_boards)
        for (CPortArray& group : board.m_ports)
            for (CPortRecord& port : group)
                (port.m_strType == "串口" ? serial : network).push_back(&port);
    for (CPortRecord* port : serial) {
        port->m_protocol = doc.m_protocolLibrary.GetByName("IEC103串口");
        port->m_values[0] = "IEC103串口";
    }
    for (CPortRecord* port : network) {
        port->m_protocol = doc.m_protocolLibrary.GetByName("IEC104");
        port->m_values[0] = "IEC104";
    }
    for (int i = 0; i < 1000; ++i) {
        CDevice d(model);
        d.m_nAddress = d.m_nMappedAddress = i + 1;
        d.m_optionValues = {"3000", "900", ""};
        doc.m_devices.Insert(d);
    }
    for (int i = 0; i < 1000; ++i) {
        const int p = i % static_cast<int>(serial.size());
        CBoardInfo& board = doc.m_boardCfg.m_boards[p / 12];
        doc.PlaceDevice(*doc.FindDevice(i + 1), board, 0, p % 12, *serial[static_cast<std::size_t>(p)]);
    }
    // The point references over the network ports' telemetry and telesignal tables.
    for (int r = 0; r < references; ++r) {
        CPortRecord& port = *network[static_cast<std::size_t>(r % network.size())];
        CRefTableEntry e;
        e.m_nAddress = r % 1000 + 1;
        const bool yc = (r / 16) % 2 == 0;
        e.m_nGroup = yc ? 1 : 2;
        e.m_nEntry = r % (yc ? 12 : 6) + 1;
        e.m_nFun = 178;
        e.m_nInf = 92 + r % 12;
        e.m_nBoard = doc.FindDevice(e.m_nAddress)->m_nBoard;
        CRefTable& table = port.m_protocol.m_tables[yc ? 0 : 1];
        e.m_values.resize(static_cast<std::size_t>(table.m_columns.GetSize()), "1");
        table.m_entries.Add(e);
    }
    const auto start = std::chrono::steady_clock::now();
    const int result = doc.SaveProject(false);
    context.SetShell(nullptr);
    std::printf("save: %d in %.3f s\n%s\n", result, Seconds(start), doc.GetTitle().c_str());
    return result ? 0 : 1;
}

int Open(const fs::path& mainFile) {
    CConfigDoc doc;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = doc.OnOpenDocument(mainFile);
    std::size_t refs = 0;
    for (const CBoardInfo& board : doc.m_boardCfg.m_boards)
        for (const CPortArray& group : board.m_ports)
            for (const CPortRecord& port : group)
                refs += static_cast<std::size_t>(port.m_protocol.m_tables.CountEntries());
    std::printf("open: %d in %.3f s, %d devices, %zu references\n", ok, Seconds(start),
                doc.m_devices.GetSize(), refs);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    CountingPrompt prompt;
    platform::SetPrompt(&prompt);
    int rc = 2;
    if ((argc == 3 || argc == 4) && std::string(argv[1]) == "save")
        rc = Save(argv[2], argc == 4 ? std::atoi(argv[3]) : 100000);
    else if (argc == 3 && std::string(argv[1]) == "open")
        rc = Open(argv[2]);
    else
        std::fprintf(stderr, "usage: projectmodel_bench save OUTDIR [REFS] | open MAINFILE\n");
    if (prompt.count)
        std::fprintf(stderr, "%d messages\n", prompt.count);
    platform::SetPrompt(nullptr);
    return rc;
}
