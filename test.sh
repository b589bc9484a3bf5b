#!/usr/bin/env bash
# Builds everything and runs every test: the native tests of the portable
# core and the package builder, then the Win32 tests under Wine (Xvfb is
# started when there is no display). Installs what is missing first.
#
#   ./test.sh             everything
#   SETUP_SANITIZE=0 ./test.sh   skips the native tests under ASan and UBSan
set -euo pipefail
cd "$(dirname "$0")"

scripts/bootstrap.sh

echo "== host build (core, package builder, native tests)"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

if [ "${SETUP_SANITIZE:-1}" != 0 ] && [ -f CMakePresets.json ]; then
  echo "== host build with AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake --preset host-asan >/dev/null
  cmake --build --preset host-asan --target core_tests
  ctest --preset host-asan
fi

echo "== win32 build (SETUP.EXE, the Ferrovale package, Win32 tests under Wine)"
cmake --preset win32 >/dev/null
cmake --build --preset win32
ctest --preset win32
