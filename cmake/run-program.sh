#!/bin/bash
# `make run`: lays out the program folder and starts the program in it
# under Wine 64-bit.
#   cmake/run-program.sh [BUILD_DIR]      BUILD_DIR: a configured x86_64 build (build/win64)
#
# The folder (PROGRAM_DIR, default build/program) gets Halvdyne.exe, the
# help files Halvdyne.chm and Halvdyne.hlp, and Internal.hvd unless
# the folder's own copy is newer (the program rewrites it when it quits).
# With a usable DISPLAY the program opens there and the script waits for it
# to end. Without one it runs on a private 1024x768 Xvfb (wine-env.sh's
# wine_up): once the window is up and the banner has been revealed, the
# screen is saved as SCREENSHOT (default build/screenshot.png) and Escape
# quits the program.
set -u
cd "$(dirname "$0")/.."
. cmake/screen-helpers.sh
build=${1:-build/win64}
program=${PROGRAM_DIR:-build/program}
screenshot=${SCREENSHOT:-build/screenshot.png}

# The program and the files that go beside it, nothing else of the build.
targets=(Halvdyne settings_Internal help_file help_chm)
cmake --build "$build" --target "${targets[@]}" -j"${JOBS:-2}" || { echo "run-program: the build of $build failed" >&2; exit 1; }
for f in Halvdyne.exe Internal.hvd Halvdyne.hlp Halvdyne.chm; do
  [ -f "$build/$f" ] || { echo "run-program: $build/$f is missing: build $build first" >&2; exit 1; }
done
mkdir -p "$program"
cp "$build/Halvdyne.exe" "$program/"
cp -u "$build/Internal.hvd" "$program/"
cp "$build/Halvdyne.hlp" "$build/Halvdyne.chm" "$program/"
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
any_window() { has_window '^Halvorendyne$' || has_window '^Internal\.hvd$'; }
save_screen() { mkdir -p "$(dirname "$screenshot")" && xwd -root -silent | "$CONVERT" xwd:- "png:$screenshot"; }

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
  give_focus "$box" && xdotool key Return
  wait_until 20 process_ended "$pid" || kill "$pid" 2>/dev/null
  exit 1
fi
main=$(window_named '^Halvorendyne$')
wait_until 20 banner_shown || echo "run-program: the banner was not revealed within 20 s" >&2
sleep 0.5  # the reveal's last columns
save_screen
wait_until 10 focus_is "$main" || give_focus "$main"
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
