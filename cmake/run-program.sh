#!/bin/bash
# `make run`: lays out the program folder and starts the program in it
# under Wine 64-bit.
#   cmake/run-program.sh [BUILD_DIR]      BUILD_DIR: a configured x86_64 build (build/win64)
#
# The folder (PROGRAM_DIR, default build/program) gets Halvdyne.exe, the
# Help file Halvdyne.hlp when the build makes one, and Internal.hvd unless
# the folder's own copy is newer (the program rewrites it when it quits).
# With a usable DISPLAY the program opens there and the script waits for it
# to end. Without one it runs on a private 1024x768 Xvfb (wine-env.sh's
# wine_up): once the window is up and the banner has been revealed, the
# screen is saved as SCREENSHOT (default build/screenshot.png) and Escape
# quits the program.
set -u
cd "$(dirname "$0")/.."
build=${1:-build/win64}
program=${PROGRAM_DIR:-build/program}
screenshot=${SCREENSHOT:-build/screenshot.png}
CONVERT=/usr/bin/convert
[ -x "$CONVERT" ] || CONVERT=convert

# The program and the files that go beside it, nothing else of the build
# (the Help file where the build makes one).
targets=(Halvdyne settings_Internal)
cmake --build "$build" --target help 2>/dev/null | grep -qw help_file && targets+=(help_file)
cmake --build "$build" --target "${targets[@]}" -j"${JOBS:-2}" || { echo "run-program: the build of $build failed" >&2; exit 1; }
for f in Halvdyne.exe Internal.hvd; do
  [ -f "$build/$f" ] || { echo "run-program: $build/$f is missing: build $build first" >&2; exit 1; }
done
mkdir -p "$program"
cp "$build/Halvdyne.exe" "$program/"
cp -u "$build/Internal.hvd" "$program/"
if [ -f "$build/Halvdyne.hlp" ]; then cp "$build/Halvdyne.hlp" "$program/"; else rm -f "$program/Halvdyne.hlp"; fi
echo "program folder: $program ($(cd "$program" && ls | tr '\n' ' '))"

. cmake/wine-env.sh

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # The prefix is made once on a display of wine_up's own; then the
  # program runs on the user's.
  export WINE_ROOT=${WINE_ROOT:-$PWD/build/wine}
  if [ ! -f "$WINE_ROOT/prefix/system.reg" ]; then
    echo "preparing the Wine prefix in $WINE_ROOT/prefix (once)"
    (unset DISPLAY WINEPREFIX; wine_up && wine_down) || { echo "run-program: no Wine prefix" >&2; exit 1; }
  fi
  export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all} WINEPREFIX=${WINEPREFIX:-$WINE_ROOT/prefix} \
         WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  echo "starting Halvdyne.exe on $DISPLAY; Escape or q quits"
  (cd "$program" && /usr/lib/wine/wine64 ./Halvdyne.exe)
  status=$?
  echo "Halvdyne.exe ended with exit code $status"
  exit $status
fi

# No display: a private one, a screenshot, and Quit by key.
wait_until() {  # seconds command...
  local deadline=$(($(date +%s%N) + $1 * 1000000000)); shift
  until "$@"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}
window_named() { xdotool search --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(window_named "$1")" ]; }
any_window() { has_window '^Halvorendyne$' || has_window '^Internal\.hvd$'; }
focus_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
process_ended() { ! kill -0 "$1" 2>/dev/null; }
save_screen() { mkdir -p "$(dirname "$screenshot")" && xwd -root -silent | "$CONVERT" xwd:- "png:$screenshot"; }
# The banner strip holds texts (red) once the reveal has run; the plain
# gradient has none.
banner_shown() {
  local width red
  width=$(xdpyinfo | sed -nE 's/^ *dimensions: *([0-9]+)x.*/\1/p')
  red=$(xwd -root -silent | "$CONVERT" xwd:- -crop "80x350+$((width - 141))+0" +repage -format '%[fx:maxima.r]' info:)
  [ "$red" != "0" ]
}

echo "no usable DISPLAY: running on a private 1024x768 Xvfb"
wine_up || { echo "run-program: could not start Wine on Xvfb" >&2; exit 1; }
(cd "$program" && exec "$WINELOADER" ./Halvdyne.exe </dev/null >/dev/null 2>&1) &
pid=$!
if ! wait_until 60 any_window; then
  echo "run-program: no window within 60 s" >&2
  kill "$pid" 2>/dev/null
  exit 1
fi
if has_window '^Internal\.hvd$'; then
  save_screen
  echo "run-program: the program could not load Internal.hvd (message box); screenshot: $screenshot" >&2
  box=$(window_named '^Internal\.hvd$')
  xdotool windowfocus --sync "$box" 2>/dev/null; xdotool key Return
  wait_until 20 process_ended "$pid" || kill "$pid" 2>/dev/null
  exit 1
fi
main=$(window_named '^Halvorendyne$')
wait_until 20 banner_shown || echo "run-program: the banner was not revealed within 20 s" >&2
sleep 0.5  # the reveal's last columns
save_screen
wait_until 10 focus_is "$main" || xdotool windowfocus --sync "$main" 2>/dev/null
xdotool key Escape
if wait_until 30 process_ended "$pid"; then
  wait "$pid"
  status=$?
else
  echo "run-program: Halvdyne.exe still runs 30 s after Escape" >&2
  kill "$pid" 2>/dev/null
  status=1
fi
echo "Halvdyne.exe ended with exit code $status"
echo "screenshot: $screenshot"
exit $status
