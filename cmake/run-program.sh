#!/bin/bash
# Starts the program under Wine 64-bit on the current display.
set -eu
cd "$(dirname "$0")/.."
exe=build/win64/Halvdyne.exe
if [ ! -f "$exe" ]; then
  echo "Halvdyne.exe is not part of the build yet: so far the build holds the estimation model and its tests (make test)."
  exit 0
fi
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine/prefix} WINEDEBUG=${WINEDEBUG:--all}
cd "$(dirname "$exe")"
exec /usr/lib/wine/wine64 ./Halvdyne.exe
