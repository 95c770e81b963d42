#!/bin/bash
# Instructions per 10 KB frame of an upload with the monitor pane shown, counted by callgrind (steady
# on a loaded machine, unlike the wall time): the tool's user-interface thread while its event loop
# runs the transfer (collected only inside QCoreApplication::exec), less the pane's batched flushes
# and paints (paced by time, so their share grows with callgrind's slowness), and the fake unit's
# whole process; each the difference between a 30 MB and a 10 MB upload, over the frames between.
#
# usage: bench/link/frame_cost.sh BUILD_DIR [WORK_DIR]   (BUILD_DIR with link_upload_bench and fakeunit)
set -e
B=$(cd "$1" && pwd)
W=${2:-$(mktemp -d /tmp/frame_cost.XXXXXX)}
mkdir -p "$W"
cat > "$W/unit.sh" <<EOT
#!/bin/bash
exec valgrind --tool=callgrind --callgrind-out-file=$W/unit.\$\$ $B/tests/bin/fakeunit "\$@" 2>/dev/null
EOT
chmod +x "$W/unit.sh"
inclusive() { # FILE FUNCTION: the inclusive count of the function, 0 when it did not run
    callgrind_annotate --inclusive=yes --threshold=100 "$1" 2>/dev/null | grep -F "$2" | head -1 |
        awk '{gsub(",","",$1); print $1+0}'
}
total() { callgrind_annotate "$1" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",","",$1); print $1}'; }
declare -A ui unit
for mb in 10 30; do
    rm -f "$W"/ui.$mb.* "$W"/unit.[0-9]*
    valgrind --tool=callgrind --collect-atstart=no --toggle-collect='QCoreApplication::exec()' \
        --callgrind-out-file="$W/ui.$mb.%p" "$B/bench/bin/link_upload_bench" "$W/unit.sh" $mb 2>/dev/null | grep '^upload'
    sleep 1
    f=$(ls "$W"/ui.$mb.*)
    flush=$(inclusive "$f" "qxm7740::CDebugTextView::FlushFeed() ")
    paint=$(inclusive "$f" "QWidgetRepaintManager::sync() ")
    ui[$mb]=$(($(total "$f") - ${flush:-0} - ${paint:-0}))
    u=$(ls "$W"/unit.[0-9]* | head -1)
    unit[$mb]=$(total "$u")
    mv "$u" "$W/unit.$mb"
done
frames=$(((30 * 1048576 + 10139) / 10140 - (10 * 1048576 + 10139) / 10140))
echo "tool, user-interface thread without the pane's flushes and paints: $(((${ui[30]} - ${ui[10]}) / frames)) instructions per frame"
echo "fake unit: $(((${unit[30]} - ${unit[10]}) / frames)) instructions per frame"
echo "callgrind files in $W"
