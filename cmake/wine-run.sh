#!/bin/sh
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# PREFIX is the Wine prefix, made on first use. Wine reads the command line
# and file names in the locale's character set, so a UTF-8 locale is forced;
# Wine's own diagnostics and desktop integration are switched off so that
# they cannot mix with what the program prints.
set -e
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml=d"
export LC_ALL=C.UTF-8
# Wine's server and helper processes outlive the program. Started by the
# program's wine they would hold on to its output, and whoever reads that
# (CTest) would wait for them to go; so they are started here, apart from it,
# and the server stays a few seconds for the next program.
wineserver -p10 </dev/null >/dev/null 2>&1 || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i </dev/null >/dev/null 2>&1
fi
exec wine "$@"
