#!/bin/sh
# Runs a program that opens the Windows dialog under Wine, on the X display that xvfb-run gives
# it, in a Wine prefix of its own (an absolute path):
#   xvfb-run -a app/win32/testing/run_dialog.sh PREFIX WINE64 PROGRAM.exe [ARGUMENT...]
# The prefix's server and desktop start and end with the run, so they never hold on to a display
# that is gone, and no other program's server sees this display. The dialog font "MS PGothic"
# is replaced by IPAPGothic, which has its metrics (Windows has the font itself). There is no
# window manager: Wine draws the title bars itself (with Marlett, from Debian's fonts-wine, for
# the buttons) and waits for none. Wine's own errors are shown (a good run has none), a crash
# prints its backtrace and ends the run instead of opening Wine's crash dialog, and a run that
# fails says so.
set -eu
prefix=$1 wine=$2
shift 2
export WINEPREFIX="$prefix" WINEDEBUG=-all,err+all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver=wineserver

[ -f "$prefix/system.reg" ] || "$wine" wineboot --init 2>/dev/null
marlett=/usr/share/wine/fonts/marlett.ttf
if [ -f "$marlett" ] && [ ! -f "$prefix/drive_c/windows/Fonts/marlett.ttf" ]; then
  cp "$marlett" "$prefix/drive_c/windows/Fonts/"
fi
settings="$prefix/drive_c/run_dialog.reg"
cat >"$settings" <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS PGothic"="IPAPGothic"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
EOF
# reg gives its reason on standard output: kept in a file (Wine's services, started with it,
# would hold a pipe open), and shown if it fails.
if ! "$wine" reg import 'C:\run_dialog.reg' >"$prefix/run_dialog.out" 2>&1; then
  echo 'run_dialog.sh: Wine did not take the settings:' >&2
  cat "$prefix/run_dialog.out" >&2
  "$wineserver" -w
  exit 1
fi
status=0
"$wine" "$@" || status=$?
"$wineserver" -w
if [ "$status" != 0 ]; then
  printf 'run_dialog.sh: %s ended with status %s\n' "$1" "$status" >&2
fi
exit $status
