#!/bin/bash
# Runs CTest in a Windows build directory with Wine up: wine-ctest.sh BUILD_DIR [ctest args]
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=$1; shift
cd "$here"
. cmake/wine-env.sh
[ -f "$build/wine_keepalive.exe" ] && export WINE_KEEPALIVE="$build/wine_keepalive.exe"
wine_up || { echo "wine-ctest: could not start Wine on Xvfb" >&2; exit 1; }
(cd "$build" && ctest --output-on-failure "$@")
status=$?
wine_down
exit $status
