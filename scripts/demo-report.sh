#!/usr/bin/env bash
# Prints what an installation left in a Wine prefix: the installed files, the
# help file, WinInit.Ini, the shortcut, the uninstall entry, and the exit code
# and timings that the driver logged.
#   demo-report.sh PREFIX [WALK_LOG]
set -uo pipefail
prefix="$1"
log="${2:-}"
c="$prefix/drive_c"

echo "== Installation report"
# The destination as the uninstall entry names it (the destination field
# upper-cases what it shows), found on disk without regard to case.
uninstall=$(awk '/^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Ferrovale\]/{on=1; next} /^\[/{on=0} on && NF' \
  "$prefix/system.reg" 2>/dev/null | grep -v '^#')
uninstaller=$(printf '%s\n' "$uninstall" | sed -n 's/^"UnInstallString"="\(.*\)"$/\1/p' | sed 's/\\\\/\\/g')
dest_win="${uninstaller%\\*}"
dest=""
if [ -n "$dest_win" ]; then
  rel=$(printf '%s' "${dest_win#?:\\}" | tr '\\' /)
  dest=$(find "$c" -maxdepth "$(($(tr -cd / <<<"$rel" | wc -c) + 1))" -type d -ipath "$c/$rel" 2>/dev/null | head -1)
fi
if [ -n "$dest" ]; then
  echo "Destination $dest_win:"
  (cd "$dest" && find . -maxdepth 1 -type f -printf '  %-16f %10s bytes\n' | sort)
else
  echo "Destination: none registered"
fi
echo "Windows Help directory:"
find "$c/windows/help" -maxdepth 1 -type f -iname '*.hlp' -printf '  %-16f %10s bytes\n' 2>/dev/null | sort
wininit=$(find "$c/windows" -maxdepth 1 -iname 'wininit.ini' | head -1)
echo "WinInit.Ini:"
if [ -n "$wininit" ]; then sed 's/\r$//; s/^/  /' "$wininit"; else echo "  (none)"; fi
echo "Shortcut:"
find "$c/users" -ipath '*start menu/programs/*' -iname '*.lnk' -print0 2>/dev/null |
  while IFS= read -r -d '' link; do
    # The link keeps its target's path as plain text among its binary data.
    target=$(strings -n 6 "$link" | grep -m1 -iE '^[a-z]:\\.*\.exe$')
    echo "  ${link#"$c/users/"} -> ${target:-?}"
  done
echo "Uninstall entry (HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ferrovale):"
if [ -n "$uninstall" ]; then printf '%s\n' "$uninstall" | sed 's/\\\\/\\/g; s/^/  /'; else echo "  (none)"; fi
if [ -n "$log" ] && [ -f "$log" ]; then
  tr -d '\r' <"$log" | grep -E '^exit code' | sed 's/^/Setup /'
  # "mark" lines: NAME, ms since the start, ms of it the setup was held
  # still for screenshots.
  read -r seen seen_held < <(tr -d '\r' <"$log" | awk '$1=="copy-page-seen"{print $2, $3}')
  read -r gone gone_held < <(tr -d '\r' <"$log" | awk '$1=="expand-page-gone"{print $2, $3}')
  if [ -n "${seen:-}" ] && [ -n "${gone:-}" ]; then
    echo "Copy and expansion took about $(( (gone - seen) - (gone_held - seen_held) )) ms" \
         "(from the destination page's OK to the expand page's end, screenshots left out)"
  fi
fi
