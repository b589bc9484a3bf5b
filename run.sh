#!/usr/bin/env bash
# Builds the Ferrovale setup (SETUP.EXE and its volumes) and runs it under
# Wine in a private prefix.
#
# With a display, the setup starts for you to click through. Without one, it
# runs under Xvfb and is walked automatically as a user would (agree, accept
# the default destination, let the copy and the expansion run, accept the
# group name, answer No to the completion question); a PNG screenshot of each
# page is saved to build/demo/screenshots/ and a short report is printed.
set -euo pipefail
cd "$(dirname "$0")"
root="$PWD"

scripts/bootstrap.sh
cmake --preset host >/dev/null
cmake --build --preset host --target pkgbuild
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target ferrovale_setup setup_driver

demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo/disk" "$demo/screenshots"
cp build/win32/ferrovale/disk/* "$demo/disk/"
prefix="$demo/prefix"

winpath() { echo "Z:${1//\//\\}"; }

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting SETUP.EXE from $demo/disk under Wine (prefix $prefix)"
  exec scripts/wine-run.sh --fresh --prefix "$prefix" "$demo/disk/SETUP.EXE"
fi

echo "No display: walking SETUP.EXE under Xvfb"
set +e
scripts/wine-run.sh --fresh --prefix "$prefix" build/win32/win32/tests/setup_driver.exe \
  --shots "$(winpath "$demo/screenshots")" "$(winpath "$root/scripts/demo-walk.txt")" \
  "$(winpath "$demo/disk/SETUP.EXE")" | tee "$demo/walk.log"
walk=${PIPESTATUS[0]}
set -e

for bmp in "$demo"/screenshots/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done

scripts/demo-report.sh "$prefix" "$demo/walk.log"
echo "Screenshots: $demo/screenshots/"
exit "$walk"
