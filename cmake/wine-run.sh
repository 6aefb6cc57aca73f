#!/bin/sh
# Runs a Windows program under Wine: wine-run.sh LOADER PREFIX PROGRAM [ARGUMENTS...]
# LOADER is Wine's loader for the program's kind, /usr/lib/wine/wine64 or the
# 32-bit /usr/lib/wine/wine: Debian's /usr/bin/wine picks the 32-bit one
# whenever it is installed, even on a host that cannot execute it. PREFIX is
# the Wine prefix, made on first use. Wine reads the command line and file
# names in the locale's character set, so a UTF-8 locale is forced; Wine's
# own diagnostics and desktop integration are switched off so that they
# cannot mix with what the program prints.
set -e
loader="$1"
export WINEPREFIX="$2"
shift 2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml=d"
export LC_ALL=C.UTF-8
# Wine's server and helper processes outlive the program. Started by the
# program's wine they would hold on to its output, and whoever reads that
# (CTest) would wait for them to go; so they are started here, apart from it,
# and the server stays a few seconds for the next program.
wineserver -p10 </dev/null >/dev/null 2>&1 || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$loader" wineboot -i </dev/null >/dev/null 2>&1
fi
exec "$loader" "$@"
