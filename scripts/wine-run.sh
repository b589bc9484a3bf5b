#!/usr/bin/env bash
# Runs one Windows executable under Wine and returns its exit code.
#
#   wine-run.sh [--fresh] [--prefix DIR] [--desktop WxH] [--keep-server] PROGRAM.EXE [ARGS...]
#
# The program runs in a private WINEPREFIX (default: build/wine/prefix under
# the repository, or $WINE_RUN_PREFIX). The prefix is copied from a template
# made once with wineboot, so --fresh gives a clean prefix in a second or two.
# Wine draws its own virtual desktop (window frames and captions included,
# since Xvfb has no window manager); --desktop sets its size (default
# 1024x768). When DISPLAY is unset an Xvfb server is started on a free display
# and stopped afterwards. The prefix's wineserver is stopped at the end.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
wine_dir="${WINE_RUN_DIR:-$root/build/wine}"
prefix="${WINE_RUN_PREFIX:-$wine_dir/prefix}"
template="$wine_dir/template"
fresh=0
desktop="${WINE_RUN_DESKTOP:-1024x768}"
keep_server=0

while [ $# -gt 0 ]; do
  case "$1" in
    --fresh) fresh=1; shift ;;
    --prefix) prefix="$(realpath -m "$2")"; shift 2 ;;
    --desktop) desktop="$2"; shift 2 ;;
    --keep-server) keep_server=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
if [ $# -lt 1 ]; then
  echo "usage: wine-run.sh [--fresh] [--prefix DIR] [--desktop WxH] PROGRAM.EXE [ARGS...]" >&2
  exit 2
fi

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win32

xvfb_pid=""
cleanup() {
  if [ "$keep_server" = 0 ] && [ -d "$prefix" ]; then
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
}
trap cleanup EXIT

start_xvfb() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 190); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.05
    done
    kill "$xvfb_pid" 2>/dev/null; xvfb_pid=""
  done
  echo "wine-run.sh: cannot start Xvfb" >&2
  exit 3
}

# The template prefix: created once, then copied for every fresh prefix.
make_template() {
  [ -f "$template/.ready" ] && return 0
  mkdir -p "$wine_dir"
  local lock="$wine_dir/.template.lock"
  exec 9>"$lock"
  flock 9
  if [ ! -f "$template/.ready" ]; then
    rm -rf "$template"
    WINEPREFIX="$template" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$template" wineserver -w >/dev/null 2>&1
    # A virtual desktop so that Wine draws frames and captions itself, and no
    # crash dialog that would wait for a click nobody makes.
    cat >>"$template/user.reg" <<'REG'

[Software\\Wine\\Explorer] 1700000000
"Desktop"="Default"

[Software\\Wine\\Explorer\\Desktops] 1700000000
"Default"="1024x768"

[Software\\Wine\\WineDbg] 1700000000
"ShowCrashDialog"=dword:00000000
REG
    touch "$template/.ready"
  fi
  flock -u 9
}

start_xvfb
make_template
if [ "$fresh" = 1 ] || [ ! -d "$prefix" ]; then
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  cp -a "$template" "$prefix"
  # Wine draws the caption buttons with its Marlett font; Debian's fonts-wine
  # ships it where this Wine does not look, so give the prefix a copy.
  marlett=/usr/share/wine/fonts/marlett.ttf
  [ -f "$marlett" ] && cp "$marlett" "$prefix/drive_c/windows/Fonts/"
fi
# The desktop size lives in the prefix's registry; set it while no wineserver
# of this prefix runs.
sed -i "s/^\"Default\"=\"[0-9]*x[0-9]*\"/\"Default\"=\"$desktop\"/" "$prefix/user.reg"

export WINEPREFIX="$prefix"
wine "$@"
rc=$?
exit $rc
