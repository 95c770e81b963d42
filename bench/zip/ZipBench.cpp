// Zip benchmark. One operation per process, so that outside tools can time each run fresh:
//   zip_bench pack FOLDER ARCHIVE [--threads N]   pack a folder as the main tool does (1 thread
//                                                 unless told); exit 0 on success
//   zip_bench unpack ARCHIVE TARGET [--threads N] unpack below TARGET/<archive name> (as many
//                                                 threads as the main tool takes unless told)
//   zip_bench gen FOLDER MB                       a folder of mixed text and binary files
//   zip_bench genproject FOLDER [FILES]           a project-like folder of 408 (or FILES) files of
//                                                 mixed sizes
//   zip_bench [MB] [WORK]                         generate, then pack and unpack with ours and with
//                                                 Info-ZIP's "zip -r -6"/"unzip", times side by side
#include "configtool/applog/ArchiveOperations.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

using namespace qxm7740;

namespace fs = std::filesystem;

namespace {

class StderrLog : public ILogSink {
public:
    void WriteLog(const std::string& text) override { std::cerr << "log: " << text << "\n"; }
};

void WriteFile(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Configuration-like text: compresses well, as the project files do.
std::string TextFile(std::mt19937& gen, std::size_t size) {
    static const char* const words[] = {"device", "port",  "board",  "address", "protocol",   "遥测", "遥信",
                                        "间隔",   "value", "enable", "timeout", "192.168.1.", "ccu_"};
    std::string s;
    s.reserve(size + 64);
    while (s.size() < size) {
        s += words[gen() % 13];
        s += std::to_string(gen() % 4096);
        s += '=';
        s += words[gen() % 13];
        s += std::to_string(gen() % 100);
        s += "\r\n";
    }
    s.resize(size);
    return s;
}

// Binary data: half of it random (does not compress), half of it records with structure.
std::string BinaryFile(std::mt19937& gen, std::size_t size, bool random) {
    std::string s(size, '\0');
    if (random) {
        for (auto& c : s)
            c = static_cast<char>(gen());
    } else {
        for (std::size_t i = 0; i < size; ++i)
            s[i] = static_cast<char>((i % 64 < 8) ? (gen() & 0xFF) : (i * 7 % 251));
    }
    return s;
}

std::uint64_t Generate(const fs::path& root, std::uint64_t total) {
    std::mt19937 gen(20261208);
    std::uint64_t written = 0;
    int n = 0;
    while (written < total) {
        const int kind = n % 10;
        std::size_t size;
        if (n % 50 == 49)
            size = 4u * 1024 * 1024 + gen() % (8u * 1024 * 1024); // a few large files
        else
            size = 1024 + gen() % (256u * 1024);
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, total - written));
        fs::path dir = root / ("dir" + std::to_string(n % 7)) / ("sub" + std::to_string(n % 3));
        std::string bytes;
        std::string name;
        if (kind < 6) {
            bytes = TextFile(gen, size);
            name = "cfg" + std::to_string(n) + ".cfg";
        } else {
            bytes = BinaryFile(gen, size, kind >= 8);
            name = "data" + std::to_string(n) + ".bin";
        }
        WriteFile(dir / name, bytes);
        written += size;
        ++n;
    }
    return written;
}

bool SameTree(const fs::path& a, const fs::path& b) {
    std::uint64_t files = 0;
    for (auto& e : fs::recursive_directory_iterator(a)) {
        if (!e.is_regular_file())
            continue;
        fs::path other = b / fs::relative(e.path(), a);
        std::ifstream x(e.path(), std::ios::binary), y(other, std::ios::binary);
        if (!y)
            return false;
        std::string bx((std::istreambuf_iterator<char>(x)), {}), by((std::istreambuf_iterator<char>(y)), {});
        if (bx != by)
            return false;
        ++files;
    }
    std::uint64_t filesB = 0;
    for (auto& e : fs::recursive_directory_iterator(b))
        filesB += e.is_regular_file() ? 1 : 0;
    return files == filesB;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Shell(const std::string& cmd) {
    return std::system(cmd.c_str());
}

} // namespace

// Configuration-sized files (about 400 unless told) in a few folders, as a saved project with
// its library: mostly small, every 40th up to 200 KB.
static void GenerateProject(const fs::path& root, int files) {
    std::mt19937 gen(408);
    for (int n = 0; n < files; ++n) {
        const fs::path dir = root / (n < (files <= 408 ? 200 : files / 2) ? "Ini" : "ProjectV1.00") /
                             ("sub" + std::to_string(n % (files <= 408 ? 5 : files / 80)));
        const std::size_t size = 200 + gen() % (n % 40 == 0 ? 200000 : 12000);
        WriteFile(dir / ("file" + std::to_string(n) + ".cfg"), TextFile(gen, size));
    }
}

static int Pack(const std::string& folder, const std::string& archive, int threads) {
    StderrLog log;
    CArchiveOperations ops(log, {});
    ops.SetThreads(threads);
    fs::remove(archive);
    return ops.CreateZip(archive) && ops.CompressFolder(folder) ? 0 : 1;
}

static int Unpack(const std::string& archive, const std::string& target, int threads) {
    StderrLog log;
    CArchiveOperations ops(log, {});
    if (threads > 0)
        ops.SetThreads(threads);
    return ops.OpenZip(archive) && ops.ExtractZip(target) ? 0 : 1;
}

static int Compare(int argc, char** argv);

int main(int argc, char** argv) {
    const std::string verb = argc > 1 ? argv[1] : "";
    if (verb == "pack" && (argc == 4 || (argc == 6 && std::string(argv[4]) == "--threads")))
        return Pack(argv[2], argv[3], argc == 6 ? std::atoi(argv[5]) : 1);
    if (verb == "unpack" && (argc == 4 || (argc == 6 && std::string(argv[4]) == "--threads")))
        return Unpack(argv[2], argv[3], argc == 6 ? std::atoi(argv[5]) : 0);
    if (verb == "gen" && argc == 4) {
        Generate(argv[2], std::strtoull(argv[3], nullptr, 10) * 1024 * 1024);
        return 0;
    }
    if (verb == "genproject" && (argc == 3 || argc == 4)) {
        GenerateProject(argv[2], argc == 4 ? std::atoi(argv[3]) : 408);
        return 0;
    }
    if (!verb.empty() && !std::isdigit(static_cast<unsigned char>(verb[0]))) {
        std::cerr
            << "usage: zip_bench pack FOLDER ARCHIVE [--threads N] | unpack ARCHIVE TARGET [--threads N] |\n"
               "       gen FOLDER MB | genproject FOLDER [FILES] | [MB] [WORK]\n";
        return 2;
    }
    return Compare(argc, argv);
}

static int Compare(int argc, char** argv) {
    const std::uint64_t mb = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
    fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "qxm-zipbench";
    fs::remove_all(work);
    const fs::path src = work / "src";
    std::cout << "generating " << mb << " MB in " << src << "\n";
    const std::uint64_t bytes = Generate(src, mb * 1024 * 1024);

    StderrLog log;
    CArchiveOperations ops(log, {});
    const fs::path ours = work / "ours" / "bench.zip";
    fs::create_directories(ours.parent_path());

    auto t = std::chrono::steady_clock::now();
    bool ok = ops.CreateZip(ours.string()) && ops.CompressFolder(src.string());
    const double packOurs = Seconds(t);

    t = std::chrono::steady_clock::now();
    ok = ok && ops.OpenZip(ours.string()) && ops.ExtractZip((work / "ours-out").string());
    const double unpackOurs = Seconds(t);
    const bool sameOurs = ok && SameTree(src, work / "ours-out" / "bench");

    const fs::path theirs = work / "infozip" / "bench.zip";
    fs::create_directories(theirs.parent_path());
    t = std::chrono::steady_clock::now();
    int rc = Shell("cd '" + src.string() + "' && zip -q -r -6 '" + theirs.string() + "' .");
    const double packZip = Seconds(t);
    t = std::chrono::steady_clock::now();
    rc |= Shell("unzip -q -o '" + theirs.string() + "' -d '" + (work / "infozip-out").string() + "'");
    const double unpackZip = Seconds(t);
    // Info-ZIP also reads the archive written here.
    const int testRc = Shell("unzip -tq '" + ours.string() + "' > /dev/null");

    const double mbf = static_cast<double>(bytes) / (1024.0 * 1024.0);
    std::printf("\n%-22s %10s %10s %12s\n", "", "pack s", "unpack s", "archive MB");
    std::printf("%-22s %10.2f %10.2f %12.1f\n", "CZipArchive (level 6)", packOurs, unpackOurs,
                static_cast<double>(fs::file_size(ours)) / (1024.0 * 1024.0));
    std::printf("%-22s %10.2f %10.2f %12.1f\n", "zip -r -6 / unzip", packZip, unpackZip,
                static_cast<double>(fs::file_size(theirs)) / (1024.0 * 1024.0));
    std::printf("folder %.1f MB; ours %s, unzip -t of ours %s, Info-ZIP %s\n", mbf,
                sameOurs ? "extracts identical" : "DIFFERS", testRc == 0 ? "ok" : "FAILED",
                rc == 0 ? "ok" : "FAILED");

    fs::remove_all(work);
    return sameOurs && testRc == 0 && rc == 0 ? 0 : 1;
}
