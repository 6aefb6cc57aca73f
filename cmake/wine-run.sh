#!/bin/sh
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# PREFIX is the Wine prefix (made on first use). Wine reads the command line
# and file names in the locale's character set, so a UTF-8 locale is forced;
# Wine's own diagnostics and desktop integration are switched off so that
# they cannot mix with what the program prints.
set -e
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml=d"
export LC_ALL=C.UTF-8
exec wine "$@"
