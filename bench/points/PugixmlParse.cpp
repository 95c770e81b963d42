// The floor the SCD import is measured against: a bare pugixml parse of the file.
//   points_pugixml_parse FILE
// prints the parse time (wall and CPU) and the peak RSS.
#include <pugixml.hpp>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: points_pugixml_parse FILE\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_file(argv[1]);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("parse %.3f s (CPU %.3f s), %s, peak RSS %ld MB\n", seconds, cpu,
                result ? "ok" : result.description(), usage.ru_maxrss / 1024);
    return result ? 0 : 1;
}
