// The streaming floor of the SCD import: the SCL reader's own byte scan of a whole file, with no
// element tree.
//   points_scd_stream_scan FILE
// runs what CSCLService does to a file before it parses anything, on the calling thread:
//   1. maps the file read-only (mmap, MADV_SEQUENTIAL), as the sectioned load does;
//   2. reads the declared encoding and checks the bytes as CheckBytes does: the UTF-8 check over
//      the whole file (FirstInvalidUtf8), the character references (FirstForbiddenCharacterReference)
//      and the prolog's entities (PrologEnd, DeclaredEntities);
//   3. finds the root's start tag and runs the cutter over every byte after it (scan::CutTags as
//      one run, the --threads 1 case of CutTagsInRuns), counting the root's children;
//   4. reads each child back with a positioned read into one reused buffer, as the import does
//      before it parses a child (pread; no parse).
// It prints the time (wall and CPU), the children and tags found and the peak RSS.
#include "platform/scl/SclScan.h"
#include "platform/Text.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace platform::scl::scan;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: points_scd_stream_scan FILE\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const int fd = open(argv[1], O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size <= 0) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const auto n = static_cast<std::size_t>(st.st_size);
    void* m = mmap(nullptr, n, PROT_READ, MAP_PRIVATE, fd, 0);
    if (m == MAP_FAILED) {
        std::fprintf(stderr, "cannot map %s\n", argv[1]);
        return 1;
    }
    madvise(m, n, MADV_SEQUENTIAL);
    const char* d = static_cast<const char*>(m);
    constexpr std::size_t npos = std::string_view::npos;

    const bool gbk = IsGbkFamily(DeclaredEncoding(d, n));
    const std::size_t invalid = gbk ? npos : platform::FirstInvalidUtf8(std::string_view(d, n));
    std::string reference;
    const std::size_t forbidden = FirstForbiddenCharacterReference(d, n, reference);
    const std::size_t prologEnd = PrologEnd(d, n);
    std::size_t entities = 0;
    if (prologEnd != npos && prologEnd < n)
        entities = DeclaredEntities(d, n, prologEnd).size();

    std::size_t children = 0, tags = 0;
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    bool cut = false;
    if (prologEnd != npos && prologEnd < n) {
        const std::size_t rootTagEnd = TagEnd(d, n, prologEnd);
        if (rootTagEnd != npos) {
            CutRun run;
            run.from = rootTagEnd;
            run.limit = n;
            CutTags(d, n, run);
            cut = run.failAt == npos;
            tags = run.tags.size();
            std::size_t childStart = npos;
            for (const CutTag& tag : run.tags) {
                const std::int64_t at = 1 + tag.depth;
                if (tag.kind < 0 && at == 1)
                    break;
                if (tag.kind >= 0 && at == 1) {
                    childStart = tag.pos;
                    if (tag.kind == 0)
                        ranges.push_back({childStart, tag.pos + tag.length});
                } else if (tag.kind < 0 && at == 2) {
                    ranges.push_back({childStart, tag.pos + tag.length});
                }
            }
            children = ranges.size();
        }
    }
    munmap(m, n);
    std::string buffer;
    std::size_t readBytes = 0;
    for (const auto& [from, to] : ranges) {
        buffer.resize(to - from);
        if (pread(fd, buffer.data(), to - from, static_cast<off_t>(from)) !=
            static_cast<ssize_t>(to - from)) {
            std::fprintf(stderr, "read error\n");
            return 1;
        }
        readBytes += to - from;
    }
    close(fd);

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("scan %.3f s (CPU %.3f s), %s%s, %zu children (%zu bytes read again), %zu tags kept, "
                "%zu entities, %s, peak RSS %ld MB\n",
                seconds, cpu, gbk ? "GBK" : "UTF-8", invalid == npos ? "" : " (invalid bytes)", children,
                readBytes, tags, entities,
                forbidden == npos ? "no forbidden reference" : "forbidden reference", usage.ru_maxrss / 1024);
    return cut ? 0 : 1;
}
