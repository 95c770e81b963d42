// Benchmark of the SCD import on a large file (scripts/make_big_scd.py):
//   points_scd_bench FILE.scd LIBDIR
// imports FILE into an empty project whose library folder is LIBDIR (the cache file lands in
// LIBDIR/UserDefine) and prints the time of the import, the counts built and the peak RSS.
#include "points/SCDImport.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/ProjectContext.h"

#include "platform/Prompt.h"
#include "platform/scl/SCLService.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

using namespace projectmodel;

namespace {

class PrintingPrompt : public platform::IPrompt {
public:
    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return platform::Answer::Ok;
    }
};

// The resident memory now, in MB (from /proc/self/statm).
long RssMb() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE) / (1024 * 1024);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: points_scd_bench FILE.scd LIBDIR\n");
        return 2;
    }
    PrintingPrompt prompt;
    platform::SetPrompt(&prompt);
    CProjectContext::Instance().SetLibraryFolder(argv[2]);
    CConfigDoc doc;
    CSCDImport import;
    // The phases of ImportSCD, timed one by one.
    const auto start = std::chrono::steady_clock::now();
    import.Clear(doc);
    import.LoadSCDFile(doc, argv[1]);
    const auto walked = std::chrono::steady_clock::now();
    std::printf("RSS after the walk %ld MB\n", RssMb());
    std::size_t points = 0;
    for (const auto& m : doc.m_infoModels)
        points += m->m_allPoints.size();
    doc.m_sclService->Clear();
    import.BuildIEDListFromSCD(doc);
    const auto built = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(built - start).count();
    std::printf("parse and walk %.2f s, models and cache %.2f s, RSS at the end %ld MB\n",
                std::chrono::duration<double>(walked - start).count(),
                std::chrono::duration<double>(built - walked).count(), RssMb());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("import %.2f s, %zu IEDs, %zu points, %d devices, cache %ju bytes, peak RSS %ld MB\n",
                seconds, doc.m_infoModels.size(), points, doc.m_devices.GetSize(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(CSCDImport::CacheFilePath())),
                usage.ru_maxrss / 1024);
    platform::SetPrompt(nullptr);
    return 0;
}
