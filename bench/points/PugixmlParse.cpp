// The floor the SCD import is measured against: a bare pugixml parse of the file.
//   points_pugixml_parse FILE
// prints the parse time and the peak RSS.
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
    std::printf("parse %.2f s, %s, peak RSS %ld MB\n", seconds, result ? "ok" : result.description(),
                usage.ru_maxrss / 1024);
    return result ? 0 : 1;
}
