#!/usr/bin/env bash
# Installs what the build, the demo and the tests need on a Debian machine.
# Quick when everything is present: it checks first and only calls apt-get
# for the packages that are missing.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

for p in cmake g++ make googletest libgtest-dev libbenchmark-dev \
         g++-mingw-w64-i686 binutils-mingw-w64-i686 \
         wine fonts-wine xvfb x11-utils imagemagick file clang libclang-rt-14-dev; do
  have_pkg "$p" || need+=("$p")
done
have_pkg wine32:i386 || need+=("wine32:i386")

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
echo "bootstrap: installing ${need[*]}" >&2
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
