#!/bin/sh
# Runs a program that opens the Windows dialog under Wine, on the X display that xvfb-run gives
# it, in a Wine prefix of its own:
#   xvfb-run -a app/win32/testing/run_dialog.sh PREFIX WINE64 PROGRAM.exe [ARGUMENT...]
# The prefix's server and desktop start and end with the run, so they never hold on to a display
# that is gone, and no other program's server sees this display. The dialog font "MS PGothic"
# is replaced by IPAPGothic, which has its metrics (Windows has the font itself). There is no
# window manager: Wine draws the title bars itself (with Marlett, from Debian's fonts-wine, for
# the buttons) and waits for none.
set -eu
prefix=$1 wine=$2
shift 2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver=wineserver

[ -f "$prefix/system.reg" ] || "$wine" wineboot --init 2>/dev/null
marlett=/usr/share/wine/fonts/marlett.ttf
if [ -f "$marlett" ] && [ ! -f "$prefix/drive_c/windows/Fonts/marlett.ttf" ]; then
  cp "$marlett" "$prefix/drive_c/windows/Fonts/"
fi
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS PGothic' /t REG_SZ /d IPAPGothic /f >/dev/null
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
status=0
"$wine" "$@" || status=$?
"$wineserver" -w
exit $status
