#!/bin/bash
# `make screenshots`: builds the 64-bit program, runs it under Wine on a
# private 1024x768 Xvfb (cmake/wine-screen.sh) and saves
#   results.png                       the results screen after the banner reveal
#   wizard-page1.png .. wizard-page5.png   the wizard frame on each page
# then cancels the wizard and quits; then runs it once more on a 1920x1080
# Xvfb with Wine at 90 dpi, where the fixed system font is 15 pixels high as
# Windows' is at 96 dpi, and saves what most Windows users see:
#   results-1920x1080-narrow.png      the results screen in the narrow layout
# in SCREENSHOT_DIR (default build/screenshots), and prints the paths.
#   cmake/take-screenshots.sh [BUILD_DIR]     BUILD_DIR: a configured x86_64 build (build/win64)
# The program runs in a temporary folder with the build's Internal.hvd, so
# the build's own copy is never rewritten.
set -u
cd "$(dirname "$0")/.."
. cmake/screen-helpers.sh
build=${1:-build/win64}
shots=${SCREENSHOT_DIR:-$PWD/build/screenshots}
case $shots in /*) ;; *) shots=$PWD/$shots ;; esac

if [ -z "${HALV_SCREENSHOT_RUN:-}" ]; then
  cmake --build "$build" --target Halvdyne settings_Internal -j"${JOBS:-2}" ||
    { echo "take-screenshots: the build of $build failed" >&2; exit 1; }
  for f in Halvdyne.exe Internal.hvd; do
    [ -f "$build/$f" ] || { echo "take-screenshots: $build/$f is missing" >&2; exit 1; }
  done
  export SCREENSHOT_DIR=$shots
  HALV_SCREENSHOT_RUN=wizard bash cmake/wine-screen.sh 1024x768 bash cmake/take-screenshots.sh "$build"
  status=$?
  HALV_SCREENSHOT_RUN=narrow bash cmake/wine-screen.sh 1920x1080 bash cmake/take-screenshots.sh "$build" || status=1
  exit $status
fi

# --- on the private screen ---------------------------------------------------------

# The whole screen, or the rectangle of one window (frame included).
save_shot() {  # file [window]
  local WINDOW X Y WIDTH HEIGHT SCREEN crop=()
  if [ -n "${2:-}" ]; then
    eval "$(xdotool getwindowgeometry --shell "$2")"
    crop=(-crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage)
  fi
  xwd -root -silent | "$CONVERT" xwd:- "${crop[@]}" "png:$1" && saved+=("$1")
}
saved=()
problems=0
problem() { echo "take-screenshots: $*" >&2; problems=$((problems + 1)); }

mkdir -p "$shots"
work=$(mktemp -d "${TMPDIR:-/tmp}/halv-screenshots.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$build/Halvdyne.exe" "$build/Internal.hvd" "$work/"
if [ "$HALV_SCREENSHOT_RUN" = narrow ]; then
  # Wine's fixed system font is 15 pixels high at 90 dpi: the narrow layout.
  "$WINELOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 90 /f >/dev/null 2>&1
  "$WINESERVER" -k; "$WINESERVER" -w
fi

wizard_shots() {
  focus_on "$main"
  xdotool key e
  if wait_until 20 has_window '^Step [1-5] of 5: '; then
    wizard=$(window_named '^Step [1-5] of 5: ')
    focus_on "$wizard"
    # The wizard opens where it was left last time: back to page 1 first.
    page=$(xdotool getwindowname "$wizard" | sed -nE 's/^Step ([1-5]) of 5:.*/\1/p')
    while [ "${page:-1}" -gt 1 ]; do
      xdotool key alt+p
      page=$((page - 1))
      wait_until 10 has_window "^Step $page of 5: " || { problem "Previous did not reach page $page"; break; }
    done
    for page in 1 2 3 4 5; do
      if ! wait_until 10 has_window "^Step $page of 5: "; then
        problem "page $page did not show"
        break
      fi
      sleep 0.3  # the page's last paint
      save_shot "$shots/wizard-page$page.png" "$wizard"
      [ "$page" -lt 5 ] && xdotool key alt+n
    done
    xdotool key Escape
    wait_until 10 has_no_window '^Step [1-5] of 5: ' || problem "Escape did not close the wizard"
  else
    problem "\"e\" did not open the wizard"
  fi
}

(cd "$work" && exec "$WINELOADER" ./Halvdyne.exe </dev/null >/dev/null 2>&1) &
pid=$!
if ! wait_until 60 has_window '^Halvorendyne$'; then
  echo "take-screenshots: no main window within 60 s" >&2
  kill "$pid" 2>/dev/null
  exit 1
fi
main=$(window_named '^Halvorendyne$')
wait_until 20 banner_shown || problem "the banner was not revealed within 20 s"
sleep 0.5  # the reveal's last columns
if [ "$HALV_SCREENSHOT_RUN" = narrow ]; then
  save_shot "$shots/results-1920x1080-narrow.png"
  expected=1
else
  save_shot "$shots/results.png"
  expected=6
  wizard_shots
fi

focus_on "$main"
xdotool key q
if wait_until 30 process_ended "$pid"; then
  wait "$pid" || problem "Halvdyne.exe ended with exit code $?"
else
  problem "Halvdyne.exe still runs 30 s after \"q\""
  kill "$pid" 2>/dev/null
fi
for shot in "${saved[@]}"; do echo "screenshot: $shot"; done
[ "$problems" -eq 0 ] && [ "${#saved[@]}" -eq "$expected" ]
