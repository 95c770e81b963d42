#!/usr/bin/env bash
# Fails when a C++ file of the tree is not formatted by the root .clang-format.
# scripts/check_format.sh --fix formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.hpp' '*.cc')
else
    # A copy of the tree without its history: every C++ file outside the build folders.
    mapfile -t files < <(find . -path './build*' -prune -o -type f \( -name '*.cpp' -o -name '*.h' \
                         -o -name '*.hpp' -o -name '*.cc' \) -print)
fi
[ "${#files[@]}" -gt 0 ] || exit 0
if [ "${1:-}" = "--fix" ]; then
    printf '%s\0' "${files[@]}" | xargs -0 -r -n 50 -P 8 clang-format -i
    exit 0
fi
bad=$(printf '%s\0' "${files[@]}" | xargs -0 -r -n 50 -P 8 clang-format --dry-run 2>&1 |
      sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning:.*/\1/p' | sort -u)
if [ -n "$bad" ]; then
    echo "check_format: these files are not formatted (scripts/check_format.sh --fix):" >&2
    printf '  %s\n' $bad >&2
    exit 1
fi
