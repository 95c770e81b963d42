#!/bin/bash
# System calls per 10 KB frame of an upload with the monitor pane shown, on each side of the link,
# counted by strace (steady on a loaded machine, unlike the wall time): the configuration tool's
# user-interface thread (which carries the link) and the fake unit, each counted from its first
# to its last send of the transfer, and each the difference between a 30 MB and a 10 MB upload,
# over the frames between. The bare stop-and-wait exchange the bench compares with makes 2 a side
# (a send and a read).
#
# usage: bench/link/frame_syscalls.sh BUILD_DIR [WORK_DIR]   (BUILD_DIR with link_upload_bench and fakeunit)
set -e
B=$(cd "$1" && pwd)
W=${2:-$(mktemp -d /tmp/frame_syscalls.XXXXXX)}
mkdir -p "$W"
# The calls of one thread's trace from its first send on a socket to its last, by name.
window() {
    awk '/^(sendto|sendmsg)\(/ { if (!first) first = NR; last = NR } { line[NR] = $0 }
         END { for (i = first; i <= last; ++i) { split(line[i], p, "("); n[p[1]]++ }
               for (k in n) print k, n[k] }' "$1"
}
declare -A tool unit
for mb in 10 30; do
    rm -rf "${W:?}/$mb"
    mkdir -p "$W/$mb"
    strace -ff -qq -o "$W/$mb/t" "$B/bench/bin/link_upload_bench" "$B/tests/bin/fakeunit" $mb 2>/dev/null |
        grep '^upload'
    main=$(ls "$W/$mb" | sed 's/^t\.//' | sort -n | head -1)
    window "$W/$mb/t.$main" > "$W/$mb/tool"
    for f in "$W/$mb"/t.*; do
        if grep -q -m1 '^execve(.*fakeunit' "$f"; then
            window "$f" > "$W/$mb/unit"
        fi
    done
done
frames=$(((30 * 1048576 + 10139) / 10140 - (10 * 1048576 + 10139) / 10140))
for side in tool unit; do
    echo "$side: $(join -a 1 -a 2 -e 0 -o 0,1.2,2.2 <(sort "$W/10/$side") <(sort "$W/30/$side") |
        awk -v f=$frames '{ d = ($3 - $2) / f; t += d; if (d >= 0.005) s = s sprintf(" %s %.2f", $1, d) }
                          END { printf "%.2f system calls per frame:%s", t, s }')"
done
echo "traces in $W"
