#!/bin/sh
# Builds a package in a given number of volumes, whatever its compressed size:
# a first build in one volume measures the size, the second splits it evenly.
#   pkgbuild_in_volumes.sh PKGBUILD COUNT MANIFEST --out DIR [OPTIONS...]
set -eu
pkgbuild="$1"; count="$2"; manifest="$3"; shift 3
[ "$1" = --out ] || { echo "pkgbuild_in_volumes.sh: --out DIR expected" >&2; exit 2; }
out="$2"; shift 2
probe="$out.probe"
rm -rf "$probe"
"$pkgbuild" build "$manifest" --out "$probe" --capacity 2147483647 "$@" >/dev/null
total=$(find "$probe" -maxdepth 1 -type f ! -name package_config.cpp ! -name trailer.bin -exec cat {} + | wc -c)
rm -rf "$probe"
"$pkgbuild" build "$manifest" --out "$out" --capacity $(( (total + count - 1) / count )) "$@"
