#!/bin/bash
# Black-box test of the settings wizard in the real program, run through
# cmake/wine-screen.sh WIDTHxHEIGHT (which sets DISPLAY and the Wine
# variables):
#   wizard_blackbox_test.sh HALVDYNE_EXE HVDTOOL INTERNAL_SOURCE.txt
#
# In a temporary program folder (the program and an Internal.hvd that the
# host hvdtool makes from INTERNAL_SOURCE), a user presses "e", types a new
# star count over the old one on page 1, goes to page 4 with Next three
# times, presses OK, then "q". The Internal.hvd that Quit wrote must then
# show, through "hvdtool show", the new star count and the results computed
# from it: the same as a settings file made with that star count (and page
# 4, where the wizard was left).
set -u
if [ $# -ne 3 ]; then
  echo "usage: wizard_blackbox_test.sh HALVDYNE_EXE HVDTOOL INTERNAL_SOURCE.txt" >&2
  exit 2
fi
exe=$1 hvdtool=$2 source=$3
. "$(dirname "${BASH_SOURCE[0]}")/../../cmake/screen-helpers.sh"
: "${DISPLAY:?run through cmake/wine-screen.sh}" "${WINELOADER:?run through cmake/wine-screen.sh}"
work=$(mktemp -d "${TMPDIR:-/tmp}/halv-wizard-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Waits for a window and for the keyboard focus on it; prints its id.
focused_window() {  # name-pattern
  local window
  wait_until 20 has_window "$1" || return 1
  window=$(window_named "$1")
  wait_until 5 focus_is "$window" || give_focus "$window"
  echo "$window"
}

new_stars=300,000,000,000
run=$work/program
mkdir -p "$run"
cp "$exe" "$run/Halvdyne.exe"
"$hvdtool" make "$source" "$run/Internal.hvd" || { echo "FAILED: hvdtool make $source"; exit 1; }
"$hvdtool" show "$run/Internal.hvd" >"$work/before.txt"
sed -E "s/^StarCount *=.*/StarCount = $new_stars/; s/^CurrentPage *=.*/CurrentPage = 4/" "$source" >"$work/expected.txt"
"$hvdtool" make "$work/expected.txt" "$work/expected.hvd" && "$hvdtool" show "$work/expected.hvd" >"$work/expected-show.txt" ||
  { echo "FAILED: hvdtool could not make the expected settings"; exit 1; }

(cd "$run" && exec "$WINELOADER" ./Halvdyne.exe </dev/null >/dev/null 2>&1) &
pid=$!
main=$(focused_window '^Halvorendyne$') || { fail "no main window within 20 s"; kill "$pid"; exit 1; }
pass "the main window is up"

xdotool key e
page=1
wizard=$(focused_window '^Step 1 of 5: Stars in our Galaxy #1$') ||
  { fail "\"e\" did not open the wizard on page 1"; kill "$pid"; exit 1; }
pass "\"e\" opened the wizard: $(xdotool getwindowname "$wizard")"

# The star count has the focus: select it all and type over it.
xdotool key End shift+Home
xdotool type --delay 30 "$new_stars"
for title in 'Step 2 of 5: Stars in our Galaxy #2' 'Step 3 of 5: Habitable Planets' 'Step 4 of 5: Advanced Civilizations'; do
  xdotool key alt+n
  if wait_until 10 has_window "^$title\$"; then
    page=$((page + 1))
  else
    fail "Next on page $page did not lead to \"$title\" (the wizard reads \"$(xdotool getwindowname "$wizard" 2>/dev/null)\")"
    break
  fi
done
[ "$page" -eq 4 ] && pass "Next three times reached page 4"

xdotool key Return  # OK is the default button
if wait_until 10 has_no_window '^Step [1-5] of 5'; then
  pass "OK closed the wizard"
else
  fail "the wizard is still open after OK: \"$(xdotool getwindowname "$wizard" 2>/dev/null)\""
fi

wait_until 5 focus_is "$main" || give_focus "$main"
xdotool key q
if wait_until 20 process_ended "$pid"; then
  wait "$pid"; status=$?
  [ "$status" -eq 0 ] && pass "\"q\" ended the program" || fail "\"q\": exit code $status"
else
  fail "the program still runs 20 s after \"q\""
  kill "$pid" 2>/dev/null
fi

# The file's name and date lines differ by nature.
"$hvdtool" show "$run/Internal.hvd" >"$work/after.txt" || fail "hvdtool cannot read the Internal.hvd Quit wrote"
comparable() { grep -vE '^(Settings file|Current settings by)' "$1"; }
if diff <(comparable "$work/expected-show.txt") <(comparable "$work/after.txt") >"$work/diff.txt"; then
  pass "Internal.hvd holds the new star count and its results"
else
  fail "Internal.hvd differs from settings made with StarCount = $new_stars (expected <, got >):"
  cat "$work/diff.txt"
fi
grep -E "^StarCount +$new_stars\$" "$work/after.txt" >/dev/null || fail "the star count is not $new_stars"
if diff -q <(grep -E '^Number of currently inhabited' "$work/before.txt") \
           <(grep -E '^Number of currently inhabited' "$work/after.txt") >/dev/null; then
  fail "the inhabited planets are the same as before the edit"
fi
grep -E '^(StarCount|Number of currently inhabited|Number of advanced)' "$work/after.txt"

echo "wizard black-box test: $failures failed"
[ "$failures" -eq 0 ]
