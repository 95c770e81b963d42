#!/usr/bin/env bash
# Alternated, pinned pairs of the SCD import against its two floors, for figures that hold on a
# machine other work shares:
#   bench/points/pairs.sh BUILD_DIR FILE [PAIRS]      (PAIRS: 11 unless given)
# Each pair runs on core 0 (taskset -c 0), one right after the other:
#   anchor  BUILD_DIR/bench/points_pugixml_parse FILE            (bare pugixml parse of the whole file)
#   import  BUILD_DIR/bench/points_scd_bench --threads 1 FILE LIB (LIB a fresh empty folder)
#   scan    BUILD_DIR/bench/points_scd_stream_scan FILE          (the reader's byte scan, no tree)
# and then, unpinned, the import on every core (points_scd_bench FILE LIB), each under
# /usr/bin/time -f "%e %U %S %M". Per pair it prints the user and system seconds of each and the
# CPU (user + system) ratios import/anchor and import/scan; at the end the median and range of each
# ratio over all pairs and over the pairs whose anchor ran in its usual fast state, the all-core
# wall ratio (all-core import wall / anchor wall) and the peak RSS of the import over the file's size.
#
# The anchor's system time swings with how the kernel hands out the pages of its 400 MB of
# memory (page faults, zeroing, transparent huge pages) while its user time stays put. A pair's
# anchor is in its fast state when its system time is within 1.25 times the least system time of
# any anchor of the run; the ratios of those pairs are quoted apart from the others.
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: $0 BUILD_DIR FILE [PAIRS]" >&2
    exit 2
fi
build=$1
file=$2
pairs=${3:-11}
anchor=$build/bench/points_pugixml_parse
import=$build/bench/points_scd_bench
scan=$build/bench/points_scd_stream_scan
for p in "$anchor" "$import" "$scan"; do
    [ -x "$p" ] || { echo "missing $p (build the targets points_pugixml_parse, points_scd_bench, points_scd_stream_scan)" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
results=$work/results.txt
: >"$results"

# Runs a command under /usr/bin/time; prints "wall user sys maxrss_kb".
timed() {
    /usr/bin/time -o "$work/time.txt" -f "%e %U %S %M" "$@" >/dev/null 2>"$work/err.txt" || {
        echo "failed: $*" >&2
        cat "$work/err.txt" >&2
        exit 1
    }
    tail -n 1 "$work/time.txt"
}

fileBytes=$(stat -c %s "$file")
cat "$file" >/dev/null # in the page cache before the first pair
for ((i = 1; i <= pairs; ++i)); do
    a=$(timed taskset -c 0 "$anchor" "$file")
    rm -rf "$work/lib" && mkdir "$work/lib"
    m=$(timed taskset -c 0 "$import" --threads 1 "$file" "$work/lib")
    s=$(timed taskset -c 0 "$scan" "$file")
    rm -rf "$work/lib" && mkdir "$work/lib"
    w=$(timed "$import" "$file" "$work/lib")
    echo "$i $a $m $s $w" >>"$results"
done

python3 - "$results" "$fileBytes" "$file" <<'EOF'
import statistics, sys
rows = [list(map(float, line.split())) for line in open(sys.argv[1])]
file_bytes = int(sys.argv[2])
# columns: pair, anchor(wall user sys rss), import(...), scan(...), all-core import(...)
A, M, S, W = 1, 5, 9, 13
min_sys = min(r[A + 2] for r in rows)
fast = lambda r: r[A + 2] <= 1.25 * min_sys
cpu = lambda r, k: r[k + 1] + r[k + 2]
print(f"file {sys.argv[3]} ({file_bytes} bytes), {len(rows)} pairs; times in s (user+sys), pinned to core 0")
print("pair  anchor user  sys  state | import user  sys | ratio | scan user  sys | ratio | all-core wall")
for r in rows:
    print(f"{int(r[0]):4d}  {r[A+1]:10.2f} {r[A+2]:5.2f}  {'fast' if fast(r) else 'slow'} |"
          f" {r[M+1]:11.2f} {r[M+2]:5.2f} | {cpu(r, M) / cpu(r, A):5.2f} |"
          f" {r[S+1]:9.2f} {r[S+2]:5.2f} | {cpu(r, M) / cpu(r, S):5.2f} | {r[W]:.2f}")
def quote(name, values):
    print(f"{name}: median {statistics.median(values):.2f}, range {min(values):.2f}-{max(values):.2f}"
          f" ({len(values)} pairs)")
fast_rows = [r for r in rows if fast(r)]
print(f"fast state: anchor sys <= 1.25 x {min_sys:.2f} s (the least anchor sys of the run)")
quote("import/anchor CPU, all pairs", [cpu(r, M) / cpu(r, A) for r in rows])
quote("import/anchor CPU, fast-anchor pairs", [cpu(r, M) / cpu(r, A) for r in fast_rows])
quote("import/scan CPU, all pairs", [cpu(r, M) / cpu(r, S) for r in rows])
quote("import CPU s", [cpu(r, M) for r in rows])
quote("anchor CPU s", [cpu(r, A) for r in rows])
quote("scan CPU s", [cpu(r, S) for r in rows])
quote("all-core import wall / anchor wall", [r[W] / r[A] for r in rows])
quote("all-core import wall s", [r[W] for r in rows])
quote("import peak RSS (one core) / file size", [r[M + 3] * 1024 / file_bytes for r in rows])
quote("import peak RSS (all cores) / file size", [r[W + 3] * 1024 / file_bytes for r in rows])
EOF
