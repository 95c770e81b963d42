#!/usr/bin/env bash
# Bootstrap, sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer), then every test.
# JOBS=n limits the build and ctest to n parallel jobs (default: every core).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
source scripts/jobs.sh
bash scripts/bootstrap.sh

# The tree stays formatted with its .clang-format; a file that is not fails the run.
bash scripts/check_format.sh

build="$here/build-asan"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQXM_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$jobs"

# The release build that scripts/run.sh starts the programs from builds too, warnings as errors,
# with the tests and the benchmarks, so that a warning only the optimiser sees in them fails the run.
cmake -S . -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQXM_BUILD_TESTS=ON >/dev/null
cmake --build "$here/build" -j "$jobs"

# The fuzz targets, built with clang and libFuzzer, each run once over its seeds.
bash scripts/fuzz.sh --seeds

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure -j "$jobs" --timeout 300
