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
dest="$c/Program Files/Ferrovale"
if [ -d "$dest" ]; then
  echo "Destination C:\\Program Files\\Ferrovale:"
  (cd "$dest" && find . -maxdepth 1 -type f -printf '  %-16f %10s bytes\n' | sort)
else
  echo "Destination: not created"
fi
echo "Windows Help directory:"
find "$c/windows/help" -maxdepth 1 -type f -iname '*.hlp' -printf '  %-16f %10s bytes\n' 2>/dev/null | sort
wininit=$(find "$c/windows" -maxdepth 1 -iname 'wininit.ini' | head -1)
echo "WinInit.Ini:"
if [ -n "$wininit" ]; then sed 's/\r$//; s/^/  /' "$wininit"; else echo "  (none)"; fi
echo "Shortcut:"
find "$c/users" -ipath '*start menu/programs/*' -iname '*.lnk' -printf '  %P\n' 2>/dev/null
echo "Uninstall entry:"
awk '/^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Ferrovale\]/{on=1; next} /^\[/{on=0} on && NF' \
  "$prefix/system.reg" | sed 's/^/  /'
if [ -n "$log" ] && [ -f "$log" ]; then
  grep -E '^exit code' "$log" | sed 's/^/Setup /'
  seen=$(awk '$1=="copy-page-seen"{print $2}' "$log")
  gone=$(awk '$1=="expand-page-gone"{print $2}' "$log")
  if [ -n "$seen" ] && [ -n "$gone" ]; then
    echo "Copy and expansion took about $((gone - seen)) ms (from the destination page's OK to the expand page's end)"
  fi
fi
