#!/bin/bash
# Save and Load through the real file dialogs of the shipped program, as a
# user does it with the keyboard, run through cmake/wine-screen.sh (which
# sets DISPLAY and the Wine variables):
#   file_dialog_blackbox_test.sh HALVDYNE_EXE HVDTOOL INTERNAL_TXT
#
# In a temporary program folder (Halvdyne.exe and an Internal.hvd that
# hvdtool makes from INTERNAL_TXT, dated 1998):
#   s, "kept", Return  -> kept.hvd is written, hvdtool reads it, "Settings
#                         saved." is shown and the settings line changes;
#   l, "other.hvd", Return -> a file by another author is loaded, no message,
#                         the screen changes and the program goes on;
#   Escape             -> exit code 0, Internal.hvd rewritten with the
#                         loaded settings.
set -u
if [ $# -ne 3 ]; then
  echo "usage: file_dialog_blackbox_test.sh HALVDYNE_EXE HVDTOOL INTERNAL_TXT" >&2
  exit 2
fi
exe=$1 hvdtool=$2 source=$3
. "$(dirname "${BASH_SOURCE[0]}")/../../cmake/screen-helpers.sh"
: "${WINELOADER:?run through cmake/wine-screen.sh}"
work=$(mktemp -d "${TMPDIR:-/tmp}/halv-file-dialog.XXXXXX")
pid=
finish() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

windows_named() { xdo_search --name "$1"; }
# A window of that name other than the main window.
other_window() { windows_named "$1" | grep -vx "$main" | head -1; }
has_other_window() { [ -n "$(other_window "$1")" ]; }
no_other_window() { [ -z "$(other_window "$1")" ]; }
screen_sum() { xwd -root -silent | "$CONVERT" xwd:- -depth 8 rgb:- | md5sum | cut -d' ' -f1; }
# The screen once it has stayed the same for 0.3 s.
settled_screen() {
  local a b
  a=$(screen_sum)
  for _ in $(seq 40); do
    sleep 0.3
    b=$(screen_sum)
    [ "$a" = "$b" ] && { echo "$a"; return; }
    a=$b
  done
  echo "$a"
}

# A user's keys into a file dialog: waits for it, types the name, Return.
use_file_dialog() {  # caption-pattern name
  if ! wait_until 15 has_other_window "$1"; then
    fail "no file dialog named $1"
    return 1
  fi
  local dialog
  dialog=$(other_window "$1")
  if [ -z "$dialog" ]; then
    fail "the file dialog $1 was there and then could not be found"
    return 1
  fi
  focus_on "$dialog"
  sleep 0.3
  # Wine leaves the offered name unselected with the caret in front of it
  # (Windows selects it): select it as a user would before typing.
  xdotool key Home shift+End
  xdotool type --delay 20 "$2"
  xdotool key Return
  wait_until 10 process_window_gone "$dialog" || fail "the dialog $1 did not close"
}
process_window_gone() { ! xdotool getwindowname "$1" >/dev/null 2>&1; }

# --- the program folder --------------------------------------------------------

run=$work/run
mkdir -p "$run"
cp "$exe" "$run/Halvdyne.exe"
"$hvdtool" make "$source" "$run/Internal.hvd" || { echo "FAILED: hvdtool make $source"; exit 1; }
touch -d '1998-03-07 12:00:00 UTC' "$run/Internal.hvd"
# The file to load: the same settings by another author.
sed 's/^AuthorName = .*/AuthorName = Dialog Tester/' "$source" >"$work/other.txt"
"$hvdtool" make "$work/other.txt" "$run/other.hvd" || { echo "FAILED: hvdtool make other.txt"; exit 1; }
grep -q 'Dialog Tester' <("$hvdtool" show "$run/other.hvd") || { echo "FAILED: other.hvd has no new author"; exit 1; }

(cd "$run" && exec "$WINELOADER" ./Halvdyne.exe </dev/null >/dev/null 2>&1) &
pid=$!
main=
if ! wait_until 30 eval '[ -n "$(windows_named "^Halvorendyne$" | head -1)" ]'; then
  fail "no window named Halvorendyne within 30 s"
  exit 1
fi
main=$(windows_named '^Halvorendyne$' | head -1)
focus_on "$main"
start_screen=$(settled_screen)

# --- Save ------------------------------------------------------------------------

xdotool key s
use_file_dialog '^Save' kept
if wait_until 10 has_other_window '^Halvorendyne$'; then
  box=$(other_window '^Halvorendyne$')
  focus_on "$box"
  xdotool key Return
  wait_until 10 no_other_window '^Halvorendyne$' || fail "the message after saving stays"
  pass "a message box after saving"
else
  fail "no message box after saving"
fi
if [ -f "$run/kept.hvd" ] && [ ! -e "$run/kept" ]; then
  pass "kept.hvd written"
else
  fail "no kept.hvd: $(ls "$run" | tr '\n' ' ')"
fi
if "$hvdtool" show "$run/kept.hvd" >"$work/kept.txt" 2>&1 &&
   grep -q 'AuthorName: Halvorendyne defaults' "$work/kept.txt"; then
  pass "hvdtool reads kept.hvd"
else
  fail "hvdtool cannot read kept.hvd: $(head -3 "$work/kept.txt")"
fi
saved_screen=$(settled_screen)
[ "$saved_screen" != "$start_screen" ] && pass "the settings line shows the new date" ||
  fail "the screen did not change after saving"

# --- Load ------------------------------------------------------------------------

focus_on "$main"
xdotool key l
use_file_dialog '^Open' other.hvd
sleep 0.5
no_other_window '^Halvorendyne$' && pass "no message after loading" || fail "a message box after loading"
process_ended "$pid" && fail "the program ended after loading"
loaded_screen=$(settled_screen)
[ "$loaded_screen" != "$saved_screen" ] && pass "the screen repainted with the loaded settings" ||
  fail "the screen did not change after loading"

# --- Escape ----------------------------------------------------------------------

focus_on "$main"
xdotool key Escape
if wait_until 20 process_ended "$pid"; then
  wait "$pid"
  status=$?
  pid=
  [ "$status" -eq 0 ] && pass "exit code 0" || fail "exit code $status"
else
  # Whose fault: a second Escape that ends it says the first one was lost.
  fail "the program did not end after Escape (X focus on $(xdotool getwindowfocus getwindowname 2>&1);" \
    "other windows: $(for w in $(xdo_search --onlyvisible --name . | grep -vx "$main"); do
      printf "'%s' " "$(xdotool getwindowname "$w")"; done))"
  focus_on "$main"
  xdotool key Escape
  wait_until 20 process_ended "$pid" && echo "note: a second Escape ended it" ||
    echo "note: a second Escape did not end it either"
fi
if [ "$run/Internal.hvd" -nt "$work/other.txt" ] &&
   "$hvdtool" show "$run/Internal.hvd" 2>/dev/null | grep -q 'AuthorName: Dialog Tester'; then
  pass "Internal.hvd rewritten with the loaded settings"
else
  fail "Internal.hvd not rewritten with the loaded settings"
fi

[ "$failures" -eq 0 ] && { echo "PASSED"; exit 0; }
echo "$failures failure(s)"
exit 1
