// Runs a fuzz target over files and folders of inputs once each, outside libFuzzer: the suite
// replays every seed and every input that once failed, so such an input keeps failing the build
// that brings its fault back. An input that takes more CPU time than the bound fails the run as a
// hang; CPU time, not wall time, so that a loaded machine does not fail it.
#include "tests/support/CpuTime.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::recursive_directory_iterator(arg))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else if (fs::is_regular_file(arg)) {
            inputs.push_back(arg);
        } else {
            std::fprintf(stderr, "seed replay: no such input %s\n", argv[i]);
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    constexpr double kBoundSeconds = 10.0;
    int slow = 0;
    for (const fs::path& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const double start = testsupport::ProcessCpuSeconds();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        const double spent = testsupport::ProcessCpuSeconds() - start;
        if (spent > kBoundSeconds) {
            std::fprintf(stderr, "seed replay: %s took %.0f ms of CPU time\n", input.c_str(), spent * 1000.0);
            ++slow;
        }
    }
    std::printf("seed replay: %zu inputs, %d over the CPU time bound\n", inputs.size(), slow);
    return slow == 0 && !inputs.empty() ? 0 : 1;
}
