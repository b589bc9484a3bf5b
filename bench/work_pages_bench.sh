#!/usr/bin/env bash
# Times the copy and expand pages under Wine for a package of the shipped
# size (1,165,190 compressed bytes in one volume, 2,381,713 expanded, 6
# entries) and prints the two budgets' figures:
#   - copy page and expand page together (budget 1.5 s);
#   - Cancel during the expansion until the exit question shows (budget 100 ms).
#
#   bench/work_pages_bench.sh [WIN32_BUILD_DIR]    (default: build/win32)
#
# The measuring code is the disabled test WorkPagesBench in the Win32 test
# executable; this script builds it and runs it alone in a fresh Wine prefix.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/win32}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset win32 -B "$build" >/dev/null
fi
log="$(mktemp)"
if ! cmake --build "$build" --target win32_tests -j2 >"$log" 2>&1; then
  cat "$log"; rm -f "$log"; exit 1
fi
rm -f "$log"

"$root/scripts/wine-run.sh" --fresh --prefix "$build/wine/work_pages_bench" \
  "$build/win32/tests/win32_tests.exe" \
  --gtest_also_run_disabled_tests --gtest_filter='WorkPagesBench.*' 2>&1 |
  grep -vE '^\[|^Note:|^$'
