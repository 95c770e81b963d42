// Benchmark of the SCD import on a large file (scripts/make_big_scd.py):
//   points_scd_bench [--threads N] FILE.scd LIBDIR [DUMP.txt]
// imports FILE into an empty project whose library folder is LIBDIR (the cache file lands in
// LIBDIR/UserDefine) and prints the time of the import (wall and CPU), the counts built and the
// peak RSS. --threads N cuts and walks the file on N threads (default: every core the process may
// run on, up to eight), so that the one-core figure (taskset -c 0 ... --threads 1) and the
// all-core figure come from one program.
//   points_scd_bench --ied-list FILE.scd
// times the IED list that every project open reads from its SCD file.
//   points_scd_bench --cache LIBDIR
// times the read of the cache file an import wrote into LIBDIR, as every project open reads it.
// With DUMP.txt it also writes what the import produced (the IED list, every point of every IED
// and the devices), for comparing two builds on one file; the times of such a run include the
// writing of the points.
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
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

using namespace points;

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

void DumpModel(const CInfoModel* m, std::ofstream& out) {
    {
        out << "IED\t" << m->m_strName << '\t' << m->m_strDesc << '\t' << m->m_strType << '\t'
            << m->m_strConfigVersion << '\t' << m->m_strManufacturer << '\t' << int(m->m_bRecorder) << '\n';
        for (const auto& p : m->m_allPoints)
            out << p->m_strReference << '\t' << p->m_strLNName << '\t' << p->m_strLNInst << '\t'
                << p->m_strLNClass << '\t' << p->m_strPrefix << '\t' << p->m_strDOName << '\t'
                << p->m_strSDOName << '\t' << p->m_strFC << '\t' << p->m_strCDC << '\t' << p->m_strDAName
                << '\t' << p->m_strDesc << '\t' << p->m_strCtlModel << '\t' << int(p->m_nClass) << '\n';
        for (const auto* list : {&m->m_measurands, &m->m_indications, &m->m_controls, &m->m_others})
            for (const auto& r : *list)
                out << "REF\t" << r->m_strRefText << '\t' << r->m_strDesc << '\t' << r->m_strCategory << '\t'
                    << r->m_nKind << '\n';
    }
}

} // namespace

// The IED list a project open reads from its SCD file (CConfigDoc::ImportScdFile).
int IedList(const char* file) {
    PrintingPrompt prompt;
    platform::SetPrompt(&prompt);
    CConfigDoc doc;
    const auto start = std::chrono::steady_clock::now();
    const int ok = doc.ImportScdFile(file);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("IED list %.2f s, %d IEDs, peak RSS %ld MB\n", seconds, doc.m_iedList.GetSize(),
                usage.ru_maxrss / 1024);
    platform::SetPrompt(nullptr);
    return ok ? 0 : 1;
}

// The read of the cache file that every project open does (CConfigDoc::LoadIEDListFromSCD), from
// the library folder LIBDIR an import wrote it into.
int CacheRead(const char* library) {
    PrintingPrompt prompt;
    platform::SetPrompt(&prompt);
    CProjectContext::Instance().SetLibraryFolder(library);
    CConfigDoc doc;
    const auto start = std::chrono::steady_clock::now();
    const int ok = doc.LoadIEDListFromSCD();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::size_t entries = 0;
    for (const CDeviceTemplate& model : doc.m_deviceModels)
        for (const CInfoGroup& group : model.m_groups)
            entries += static_cast<std::size_t>(group.m_entries.GetSize());
    std::printf("cache read %.3f s, %d device models, %zu entries, peak RSS %ld MB\n", seconds,
                doc.m_deviceModels.GetSize(), entries, usage.ru_maxrss / 1024);
    platform::SetPrompt(nullptr);
    return ok ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--ied-list")
        return IedList(argv[2]);
    if (argc == 3 && std::string_view(argv[1]) == "--cache")
        return CacheRead(argv[2]);
    std::size_t threads = 0;
    if (argc >= 3 && std::string_view(argv[1]) == "--threads") {
        threads = std::strtoul(argv[2], nullptr, 10);
        if (threads == 0) {
            std::fprintf(stderr, "--threads takes a number from 1\n");
            return 2;
        }
        argv += 2;
        argc -= 2;
    }
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: points_scd_bench [--threads N] FILE.scd LIBDIR [DUMP.txt]\n"
                             "       points_scd_bench --ied-list FILE.scd\n"
                             "       points_scd_bench --cache LIBDIR\n");
        return 2;
    }
    std::ofstream dump;
    if (argc == 4)
        dump.open(argv[3], std::ios::binary);
    PrintingPrompt prompt;
    platform::SetPrompt(&prompt);
    CProjectContext::Instance().SetLibraryFolder(argv[2]);
    CConfigDoc doc;
    CSCDImport import;
    import.SetThreads(threads);
    // The phases of ImportSCD, timed one by one.
    const auto start = std::chrono::steady_clock::now();
    // As ImportSCD reads: each IED's device model is built once the IED is read and its points
    // are freed; only a dump has them written out (in file order) before.
    import.SetBuildWhileReading(true);
    if (dump.is_open()) {
        auto write = [&dump](const CInfoModel& m) { DumpModel(&m, dump); };
        import.SetIedObserver(write);
    }
    import.Clear(doc);
    import.LoadSCDFile(doc, argv[1]);
    const auto walked = std::chrono::steady_clock::now();
    std::printf("RSS after the walk %ld MB\n", RssMb());
    const auto buildStart = std::chrono::steady_clock::now();
    doc.m_sclService->Clear();
    import.BuildIEDListFromSCD(doc);
    const auto built = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(walked - start + built - buildStart).count();
    std::printf("parse, walk and models %.2f s, merge and cache %.2f s, RSS at the end %ld MB\n",
                std::chrono::duration<double>(walked - start).count(),
                std::chrono::duration<double>(built - buildStart).count(), RssMb());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf(
        "import %.3f s (CPU %.3f s), %zu IEDs, %zu points, %d devices, cache %ju bytes, peak RSS %ld MB\n",
        seconds, cpu, doc.m_infoModels.size(), import.PointsRead(), doc.m_devices.GetSize(),
        static_cast<std::uintmax_t>(std::filesystem::file_size(CSCDImport::CacheFilePath())),
        usage.ru_maxrss / 1024);
    std::printf("nodes walked %ju\n", static_cast<std::uintmax_t>(import.NodesWalked()));
    std::printf("most points held by the walks at once %ju\n",
                static_cast<std::uintmax_t>(import.MostHeld()));
    if (dump.is_open()) {
        for (const CDevice& d : doc.m_devices)
            dump << "DEV\t" << d.m_nAddress << '\t' << d.m_strModelName << '\t' << d.m_strDescription << '\n';
        dump.close();
        if (!dump) {
            std::fprintf(stderr, "the dump could not be written\n");
            return 1;
        }
    }
    platform::SetPrompt(nullptr);
    // The project stays as the tool keeps it after an import: freeing its hundreds of thousands of
    // records at exit is not part of what the user waits for, and is left out of the process time.
    std::fflush(stdout);
    std::_Exit(0);
}
