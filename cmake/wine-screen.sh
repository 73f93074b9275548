#!/bin/bash
# Runs one command under Wine 64-bit on a private Xvfb screen of the given
# size, with a private copy of the Wine prefix and its own wineserver, so
# that screens of different sizes can run side by side:
#   cmake/wine-screen.sh WIDTHxHEIGHT command [args...]
#
# The copy is taken from WINE_ROOT/prefix (default build/wine/prefix), which
# wine-env.sh's wine_up prepares when it is missing. The command finds
# DISPLAY, WINEPREFIX, WINELOADER and WINESERVER set, and SCREEN_WIDTH and
# SCREEN_HEIGHT. Afterwards this prefix's Wine processes, the Xvfb and the
# copy are gone; the exit status is the command's.
set -u
size=${1:-}
case $size in
  [0-9]*x[0-9]*) ;;
  *) echo "usage: wine-screen.sh WIDTHxHEIGHT command [args...]" >&2; exit 2 ;;
esac
shift
[ $# -gt 0 ] || { echo "wine-screen.sh: no command" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)

export WINE_ROOT=${WINE_ROOT:-$here/build/wine}
base=$WINE_ROOT/prefix
mkdir -p "$WINE_ROOT"

# The shared prefix, once: wine_up makes it on a display of its own. Runs
# that start together wait for the first one's prefix.
(
  flock 9
  if [ ! -f "$base/system.reg" ]; then
    unset WINEPREFIX DISPLAY
    cd "$here" && . cmake/wine-env.sh && wine_up && wine_down
  fi
) 9>"$WINE_ROOT/prefix.lock" >/dev/null 2>&1
[ -f "$base/system.reg" ] || { echo "wine-screen.sh: could not prepare $base" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/halv-screen.XXXXXX")
xvfb_pid=
stop() {
  trap - EXIT INT TERM
  if [ -n "${WINESERVER:-}" ] && [ -d "$work/prefix" ]; then
    "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null  # this copy's processes only
  fi
  [ -z "$xvfb_pid" ] || { kill "$xvfb_pid"; wait "$xvfb_pid"; } 2>/dev/null
  rm -rf "$work"
}
trap stop EXIT
trap 'stop; exit 130' INT TERM
# CTest ends a test that overruns its time with SIGKILL, which no trap
# sees, and Wine's server and services have left our process group: a
# watcher in a session of its own tidies up once this script is gone.
setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done
  [ ! -d "$2/prefix" ] || WINEPREFIX="$2/prefix" /usr/lib/wine/wineserver64 -k
  [ ! -f "$2/xvfb.pid" ] || kill "$(cat "$2/xvfb.pid")"
  rm -rf "$2"' watcher $$ "$work" </dev/null >/dev/null 2>&1 &

cp -a "$base" "$work/prefix" || { echo "wine-screen.sh: could not copy $base" >&2; exit 1; }
export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all} WINEPREFIX=$work/prefix \
       WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 \
       WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export SCREEN_WIDTH=${size%x*} SCREEN_HEIGHT=${size#*x}

# A free display of our own; wine_up's displays start at 94, these at 150.
for d in $(seq 150 250); do
  { [ -e /tmp/.X$d-lock ] || [ -e /tmp/.X11-unix/X$d ]; } && continue
  Xvfb :$d -screen 0 "${size}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  echo $xvfb_pid >"$work/xvfb.pid"
  for i in $(seq 50); do
    kill -0 $xvfb_pid 2>/dev/null || break   # another run took this display first
    DISPLAY=:$d xdpyinfo >/dev/null 2>&1 && break 2
    sleep 0.1
  done
  kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null; xvfb_pid=
done
[ -n "$xvfb_pid" ] || { echo "wine-screen.sh: no free X display" >&2; exit 1; }
export DISPLAY=:$d

# A persistent server and Wine's services, started apart from our pipes.
"$WINESERVER" -p </dev/null >/dev/null 2>&1
"$WINELOADER" wineboot </dev/null >/dev/null 2>&1
"$@"
status=$?
stop
exit $status
