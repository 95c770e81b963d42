#!/usr/bin/env bash
# Alternating pairs on one folder: our packing on THREADS threads against Info-ZIP's "zip -r -6"
# (wall time), and against our packing on one thread (CPU time, user + system). Prints every
# pair, then the median and range of each ratio.
#   bench/zip/pairs.sh ZIP_BENCH FOLDER THREADS [PAIRS]
set -euo pipefail
bench="$1" folder="$2" threads="$3" pairs="${4:-7}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Prints "wall cpu" of one command.
measure() {
    /usr/bin/time -f "%e %U %S" -o "$work/t" "$@" >/dev/null 2>&1
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/t"
}
results=()
for ((i = 1; i <= pairs; i++)); do
    rm -f "$work"/*.zip
    read -r ours_wall ours_cpu < <(measure "$bench" pack "$folder" "$work/n.zip" --threads "$threads")
    read -r zip_wall _ < <(cd "$folder" && measure zip -q -r -6 "$work/z.zip" .)
    read -r _ one_cpu < <(measure "$bench" pack "$folder" "$work/1.zip" --threads 1)
    cmp -s "$work/n.zip" "$work/1.zip" || { echo "archives differ" >&2; exit 1; }
    unzip -tq "$work/n.zip" >/dev/null || { echo "unzip -t refuses the archive" >&2; exit 1; }
    wall=$(awk -v a="$ours_wall" -v b="$zip_wall" 'BEGIN { printf "%.3f", a / b }')
    cpu=$(awk -v a="$ours_cpu" -v b="$one_cpu" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')
    echo "pair $i: ours ${ours_wall}s (cpu ${ours_cpu}s), zip -r -6 ${zip_wall}s, one thread cpu ${one_cpu}s;" \
        "wall/zip $wall, cpu/one-thread $cpu"
    results+=("$wall $cpu")
done
printf '%s\n' "${results[@]}" | python3 -c '
import sys, statistics
rows = [tuple(map(float, l.split())) for l in sys.stdin if l.strip()]
for name, col in (("wall vs zip -r -6", 0), ("cpu vs one thread", 1)):
    v = sorted(r[col] for r in rows)
    print(f"{name}: median {statistics.median(v):.3f}, range {v[0]:.3f}-{v[-1]:.3f} ({len(v)} pairs)")
'
