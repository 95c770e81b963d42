#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (build-fuzz/) and runs them.
#   scripts/fuzz.sh TARGET SECONDS   fuzz one target (e.g. Zip, Project) from its seeds for SECONDS;
#                                    new inputs stay in build-fuzz/corpus/TARGET, failures in
#                                    build-fuzz/artifacts/TARGET
#   scripts/fuzz.sh --seeds          run every target once over its seeds (what CI does)
#   scripts/fuzz.sh --list           the target names
# JOBS sets the build's parallel jobs (default: the number of cores).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"

usage() { echo "usage: scripts/fuzz.sh TARGET SECONDS | --seeds | --list" >&2; exit 2; }
[ $# -ge 1 ] || usage

bash scripts/bootstrap.sh
build="$here/build-fuzz"
source scripts/jobs.sh
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQXM_FUZZ=ON \
    "${launcher[@]}" >/dev/null

targets() { ls "$build/fuzz" | sed -n 's/\.seeds$//p' | sort; }
# Copies every seed of a target (files and the files of folders) into one corpus folder.
gather_seeds() {
    mkdir -p "$2"
    while IFS= read -r seed; do
        [ -n "$seed" ] || continue
        if [ -d "$seed" ]; then
            find "$seed" -type f -exec cp --backup=numbered -t "$2" {} +
        else
            cp --backup=numbered "$seed" "$2"
        fi
    done < "$build/fuzz/$1.seeds"
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
# Every input ends within seconds and in bounded memory, whatever it claims.
limits=(-rss_limit_mb=1024 -timeout=10 -max_len=1048576)

case "$1" in
--list)
    targets
    ;;
--seeds)
    cmake --build "$build" -j "$jobs" --target fuzz_all
    failed=0
    for t in $(targets); do
        rm -rf "$build/seeds/$t"; gather_seeds "$t" "$build/seeds/$t"
        if "$build/tests/bin/fuzz_$t" "${limits[@]}" -runs=0 "$build/seeds/$t" >"$build/fuzz/$t.log" 2>&1; then
            echo "fuzz seeds: $t passed"
        else
            echo "fuzz seeds: $t FAILED"; tail -40 "$build/fuzz/$t.log"; failed=1
        fi
    done
    exit "$failed"
    ;;
*)
    [ $# -eq 2 ] || usage
    target="$1"; seconds="$2"
    [ -f "$build/fuzz/$target.seeds" ] || { echo "fuzz.sh: no target $target (see --list)" >&2; exit 2; }
    cmake --build "$build" -j "$jobs" --target "fuzz_$target"
    corpus="$build/corpus/$target"; artifacts="$build/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    gather_seeds "$target" "$corpus"
    exec "$build/tests/bin/fuzz_$target" "${limits[@]}" -max_total_time="$seconds" \
        -artifact_prefix="$artifacts/" "$corpus"
    ;;
esac
