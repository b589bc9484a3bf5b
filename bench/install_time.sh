#!/usr/bin/env bash
# Times one whole installation of a package of the shipped size (1,165,190
# compressed bytes in one volume, 2,381,713 expanded, 6 entries) with the real
# SETUP.EXE under Wine, walked from another process by the setup driver with
# the default answers, and prints three figures of that one run:
#   - the copy page: from its appearance to the expand page's;
#   - the expand page: from its appearance until it has gone;
#   - the whole run: from SETUP.EXE's start to its exit, walk-through included.
# Budget: copy and expand pages together at most 1.5 s.
#
#   bench/install_time.sh [WIN32_BUILD_DIR]    (default: build/win32)
#
# The package is the win32 tree's target bench_setup (bench/install_package).
# bench/work_pages_bench.sh times the two work pages alone, in-process.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/win32}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
quietly() { "$@" >"$log" 2>&1 || { cat "$log"; exit 1; }; }

if [ ! -f "$build/CMakeCache.txt" ]; then
  quietly cmake --preset win32 -B "$build"
fi
pkgbuild="$(sed -n 's/^HOST_TOOLS_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")/pkgbuild/pkgbuild"
if [ ! -x "$pkgbuild" ]; then
  quietly cmake --preset host
  quietly cmake --build --preset host --target pkgbuild
  quietly cmake "$build"
fi
quietly cmake --build "$build" --target bench_setup setup_driver -j2

disk="$build/bench/disk"
setup="$disk/SETUP.EXE"
size=$(stat -c %s "$setup")
expanded=$(od -An -t d4 -j $((size - 4)) -N 4 "$setup" | tr -d ' ')
entries=$(od -An -t u1 -j $((size - 5)) -N 1 "$setup" | tr -d ' ')
volumes=$(find "$disk" -maxdepth 1 -name 'Gantrell.0*' | wc -l)
compressed=$(cat "$disk"/Gantrell.0* | wc -c)
echo "package: $compressed compressed bytes in $volumes volume(s), $expanded expanded, $entries entries"

winpath() { echo "Z:${1//\//\\}"; }
"$root/scripts/wine-run.sh" --fresh --prefix "$build/wine/install_time" "$build/win32/tests/setup_driver.exe" \
  "$(winpath "$root/bench/install_walk.txt")" "$(winpath "$setup")" >"$log" 2>&1 ||
  { cat "$log"; echo "install_time.sh: the walk failed" >&2; exit 1; }

mark() { tr -d '\r' <"$log" | awk -v name="$1" '$1 == name { print $2 }'; }
copy=$(mark copy-page) expand=$(mark expand-page) gone=$(mark expand-page-gone) end=$(mark setup-ended)
seconds() { awk -v ms="$1" 'BEGIN { printf "%.3f s", ms / 1000 }'; }
echo "copy page:   $(seconds $((expand - copy)))"
echo "expand page: $(seconds $((gone - expand)))"
echo "copy and expand together: $(seconds $((gone - copy))) (budget 1.5 s)"
echo "whole run with the walk-through: $(seconds "$end") (from SETUP.EXE's start to its exit)"
