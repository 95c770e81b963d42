// Loads an SCD file, walks it the way the import does (IEDs, their data-set members, logical
// nodes and instance descriptions) and prints the times and the process's peak memory.
#include "platform/scl/SCLService.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

using platform::CSCLService;
using platform::scl::CtBase;
using platform::scl::CtEleList;
using platform::scl::EleID;

namespace {

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.scd\n", argv[0]);
        return 2;
    }
    std::printf("peak RSS before load: %ld KB\n", PeakRssKb());
    CSCLService service;
    service.SetXmlFileName(argv[1]);
    auto start = std::chrono::steady_clock::now();
    if (!service.LoadFromXmlFile()) {
        std::fprintf(stderr, "%s\n", service.GetErrorText().c_str());
        return 1;
    }
    double load = Seconds(start);
    long rssLoad = PeakRssKb();

    start = std::chrono::steady_clock::now();
    CtBase root = service.GetRoot();
    CtEleList ieds;
    root.FindEleListByID(EleID::IED, ieds, false);
    std::size_t fcdas = 0, lns = 0, dois = 0, chars = 0;
    for (const CtBase& ied : ieds) {
        CtEleList list;
        fcdas += ied.FindEleListByID(EleID::FCDA, list, true);
        for (const CtBase& f : list)
            chars += f.GetAttrValByName("doName").size();
        CtEleList lnList;
        lns += ied.FindEleListByID(EleID::LN, lnList, true);
        for (const CtBase& ln : lnList) {
            CtEleList doiList;
            dois += ln.FindEleListByID(EleID::DOI, doiList, false);
            for (const CtBase& d : doiList)
                chars += d.GetAttrValByName("desc").size();
        }
    }
    double walk = Seconds(start);
    std::printf("load %.3f s, peak RSS after load %ld KB\n", load, rssLoad);
    std::printf("walk %.3f s: %zu IEDs, %zu FCDA, %zu LN, %zu DOI (%zu text bytes)\n", walk, ieds.size(),
                fcdas, lns, dois, chars);
    std::printf("peak RSS at end: %ld KB\n", PeakRssKb());
    return 0;
}
