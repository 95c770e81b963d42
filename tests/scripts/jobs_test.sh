#!/usr/bin/env bash
# run.sh and test.sh with JOBS: the build, the fuzz build and ctest get that many jobs, every core
# without it, and a JOBS that is no positive whole number stops the script before anything is
# built. The scripts run from a copy of scripts/ with cmake, ctest, nproc and dpkg-query replaced by
# recorders.
set -uo pipefail
source_dir="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/scripts" "$work/stubs"
cp "$source_dir"/scripts/*.sh "$work/tree/scripts/"
log="$work/calls"
cat > "$work/stubs/cmake" <<STUB
#!/usr/bin/env bash
echo "cmake \$*" >> "$log"
# The configure step makes the build folder, as cmake does.
while [ \$# -gt 0 ]; do [ "\$1" = "-B" ] && mkdir -p "\$2"; shift; done
STUB
echo "#!/usr/bin/env bash
echo \"ctest \$*\" >> \"$log\"" > "$work/stubs/ctest"
printf '#!/usr/bin/env bash\necho 7\n' > "$work/stubs/nproc"
# Every package is installed: bootstrap says nothing and installs nothing.
printf '#!/usr/bin/env bash\necho "install ok installed"\n' > "$work/stubs/dpkg-query"
chmod +x "$work/stubs/"*
export PATH="$work/stubs:$PATH"

failures=0
expect() { # description, expected text in the log
    if ! grep -qF -- "$2" "$log"; then
        echo "FAIL: $1: no '$2' in:"; cat "$log"; failures=$((failures + 1))
    fi
}
run() { : > "$log"; (cd "$work/tree" && env "$@") >"$work/out" 2>&1; echo $?; }

rc=$(run JOBS=3 bash scripts/test.sh)
[ "$rc" = 0 ] || { echo "FAIL: test.sh ended with $rc"; cat "$work/out"; failures=$((failures + 1)); }
expect "test.sh build" "cmake --build $work/tree/build-asan -j 3"
expect "test.sh fuzz build" "cmake --build $work/tree/build-fuzz -j 3"
expect "test.sh ctest" "ctest --output-on-failure -j 3"

rc=$(run -u JOBS bash scripts/test.sh)
expect "test.sh without JOBS" "cmake --build $work/tree/build-asan -j 7"
expect "test.sh ctest without JOBS" "ctest --output-on-failure -j 7"

# run.sh builds, then finds no program (the recorder builds nothing) and ends with 1.
rc=$(run JOBS=2 bash scripts/run.sh Nevlor)
[ "$rc" = 1 ] || { echo "FAIL: run.sh ended with $rc"; cat "$work/out"; failures=$((failures + 1)); }
expect "run.sh build" "cmake --build $work/tree/build -j 2"

for bad in 0 abc -1 "2 3"; do
    rc=$(run JOBS="$bad" bash scripts/test.sh)
    if [ "$rc" != 2 ] || [ -s "$log" ] || ! grep -q "JOBS must be a positive whole number" "$work/out"; then
        echo "FAIL: JOBS='$bad' gave $rc"; cat "$work/out" "$log"; failures=$((failures + 1))
    fi
done

[ "$failures" = 0 ] && echo "scripts honour JOBS"
exit "$failures"
