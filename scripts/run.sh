#!/usr/bin/env bash
# Bootstrap, release build, then start a program from the prepared root folder.
# Usage: scripts/run.sh [QXM7740|Marindle|Quorvex|Nevlor]   (QXM7740 when no name is given)
# JOBS=n limits the build to n parallel jobs (default: every core).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
program="${1:-QXM7740}"
case "$program" in
    QXM7740|Marindle|Quorvex|Nevlor) ;;
    *) echo "usage: scripts/run.sh [QXM7740|Marindle|Quorvex|Nevlor]" >&2; exit 2 ;;
esac
shift || true
source scripts/jobs.sh
bash scripts/bootstrap.sh

build="$here/build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQXM_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$jobs"

bin="$build/root/Bin"
if [ ! -x "$bin/$program" ]; then
    echo "run.sh: $program is not built yet" >&2
    exit 1
fi
cd "$bin"
exec "./$program" "$@"
