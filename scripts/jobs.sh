# Sourced by run.sh and test.sh: the number of parallel jobs for the build and for ctest, from
# the JOBS variable (a positive whole number) or, when it is unset or empty, every core.
jobs="${JOBS:-$(nproc 2>/dev/null || echo 4)}"
if ! [[ "$jobs" =~ ^[1-9][0-9]*$ ]]; then
    echo "$(basename "$0"): JOBS must be a positive whole number, not '$jobs'" >&2
    exit 2
fi
