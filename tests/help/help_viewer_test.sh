#!/bin/bash
# Wine's help viewers with Halvdyne.hlp and Halvdyne.chm, on the display
# that cmake/wine-screen.sh prepares:
#   help_viewer_test.sh SCENARIO HALVDYNE_EXE HELP_PROBE_EXE HALVDYNE_HLP HOST_HVDTOOL INTERNAL_TXT SCREENSHOT_DIR [HALVDYNE_CHM]
#
# SCENARIO contexts: WinHelpA(HELP_CONTEXT) for every number the program asks
#   for (1 for the main window, 3..7 for the wizard's pages) shows its topic
#   in a window captioned "Halvorendyne Help"; links and Back move between
#   topics; HELP_QUIT closes the viewer.
# SCENARIO program: the real program, started in a temporary folder with its
#   help file and an Internal.hvd whose wizard page is 3: "e" and F1 in the
#   wizard show the topic of page 3 (context 5); "h", F1 and the Help button
#   in the main window the main window's topic (context 1); and Escape, which
#   quits the program, closes the viewer.
# SCENARIO html: the real program with Halvdyne.chm beside Halvdyne.hlp: F1
#   in the main window and in the wizard opens the HTML Help window titled
#   from the help file, its contents tree listing the topics in order, and
#   no WinHelp viewer; Quit closes it. Wine here has no HTML engine (mshtml
#   is disabled), so the page pane stays empty: the window and its tree are
#   checked, not the page. Then with a Halvdyne.chm that HTML Help cannot
#   open (HtmlHelpA gives no window): F1 still brings no WinHelp viewer.
#
# Screenshots: SCREENSHOT_DIR/help_*.png. Exit status: 0 when every check passed.
set -u
scenario=$1 exe=$2 probe_exe=$3 hlp=$4 hvdtool=$5 internal=$6 shots=$7 chm=${8:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/halv-help.XXXXXX")
program_pid=
main_shell=$BASHPID
cleanup() {
  [ "$BASHPID" = "$main_shell" ] || return 0
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$shots"
cp "$exe" "$work/Halvdyne.exe"
cp "$probe_exe" "$work/help_probe.exe"
cp "$hlp" "$work/Halvdyne.hlp"
help_file="Z:$(printf '%s' "$work" | tr / '\\')\\Halvdyne.hlp"
. "$(dirname "${BASH_SOURCE[0]}")/../../cmake/screen-helpers.sh"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs help_probe; its output (without carriage returns) in $out, status in
# $rc. The output goes through a file: the viewer that WinHelpA starts
# inherits the probe's output, and would hold a pipe open. What the probe
# wrote to its standard error goes into the log, and a status other than
# 0 is said with the time the probe took.
probe() {
  local start
  start=$(date +%s%N)
  (cd "$work" && exec timeout 60 "$WINELOADER" ./help_probe.exe "$@" </dev/null >"$work/probe.out" 2>"$work/probe.err")
  rc=$?
  out=$(tr -d '\r' <"$work/probe.out")
  sed 's/^/help_probe: /' "$work/probe.err"
  [ "$rc" -eq 0 ] || echo "help_probe $1: status $rc after $((($(date +%s%N) - start) / 1000000)) ms"
}

screenshot() {
  sleep 0.4
  xwd -root -silent | convert xwd:- "$shots/$1.png" || fail "screenshot $1"
  echo "screenshot: $shots/$1.png"
}

# The report in $out shows the caption and, as its first page line, title.
expect_topic() {  # what title [a later page line, as a grep pattern]
  local first before=$failures
  [ "$rc" -eq 0 ] || { fail "$1: help_probe status $rc: $out"; return; }
  grep -qx 'caption: Halvorendyne Help' <<<"$out" || fail "$1: caption is not 'Halvorendyne Help': $(head -1 <<<"$out")"
  first=$(grep -m1 '^page: ' <<<"$out")
  [ "$first" = "page: $2" ] || fail "$1: the viewer shows '${first#page: }', expected '$2'"
  [ -z "${3:-}" ] || grep -q "^page: $3" <<<"$out" || fail "$1: no page line matching '$3'"
  [ "$failures" -ne "$before" ] || echo "ok: $1 shows '$2'"
}

# Reads the viewer until its page starts with title (for up to 10 s): the
# viewer turns to a topic a moment after the key that asked for it.
read_until() {  # title
  local i
  for i in $(seq 20); do
    probe read
    [ "$(grep -m1 '^page: ' <<<"$out")" = "page: $1" ] && return 0
    sleep 0.5
  done
  return 1
}

click_at() {  # "X Y" from help_probe
  [ "$rc" -eq 0 ] || { fail "no position: $out"; return 1; }
  # shellcheck disable=SC2086
  xdotool mousemove $1 click 1
  sleep 0.5
}

# The first visible window whose name matches, waiting up to 20 s.
wait_window() {
  local i w
  for i in $(seq 100); do
    w=$(xdo_search --onlyvisible --name "$1" | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.2
  done
  return 1
}

wait_gone() {  # name pattern
  local i w
  for i in $(seq 100); do
    w=$(xdo_search --onlyvisible --name "$1") && [ -z "$w" ] && return 0
    sleep 0.2
  done
  return 1
}

# Gives the X focus to a window and waits until it has it.
focus() {
  local i
  for i in $(seq 50); do
    give_focus "$1" || return 1
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && { sleep 0.2; return 0; }
    sleep 0.1
  done
  return 1
}

# The number of WinHelp viewer windows in $viewers. A count that help_probe
# could not give is a failure of the probe, said as such: false, and
# $viewers is "unknown".
count_viewers() {
  probe count
  if [ "$rc" -eq 0 ] && [[ $out =~ ^[0-9]+$ ]]; then
    viewers=$out
    return 0
  fi
  viewers=unknown
  fail "help_probe count failed: status $rc, output '$out'"
  return 1
}

contexts() {
  local titles=("" "The Halvorendyne Main Window" "" "Stars in our Galaxy #1" "Stars in our Galaxy #2"
                "Habitable Planets" "Advanced Civilizations" "Textual Settings Description")
  local n
  for n in 1 3 4 5 6 7; do
    probe show "$help_file" $n
    if [ $n -eq 1 ]; then
      expect_topic "context 1" "${titles[1]}" 'Halvorendyne estimates how crowded our galaxy is'
    else
      expect_topic "context $n" "${titles[$n]}" "Step $((n - 2)) of 5 of the settings wizard"
    fi
    screenshot "help_context_$n"
  done

  # Links: from the main window's topic to the wizard's, and on to page 3.
  probe show "$help_file" 1
  probe link 'settings wizard'
  click_at "$out" && { read_until "The Settings Wizard"; expect_topic "link 'settings wizard'" "The Settings Wizard"; }
  probe link 'Step 3: Habitable Planets'
  click_at "$out" && { read_until "Habitable Planets"; expect_topic "link 'Step 3: Habitable Planets'" "Habitable Planets"; }
  screenshot help_link
  probe button 'Back'
  click_at "$out" && { read_until "The Settings Wizard"; expect_topic "button Back" "The Settings Wizard"; }
  # A link far down the main window's topic, scrolled into view first.
  probe show "$help_file" 1
  probe link 'A worked example'
  click_at "$out" && { read_until "A Worked Example"; expect_topic "link 'A worked example'" "A Worked Example"; }
  screenshot help_worked_example

  probe quit "$help_file"
  [ "$rc" -eq 0 ] || fail "HELP_QUIT: $out"
  count_viewers && [ "$viewers" != 0 ] && fail "$viewers viewer windows are left after HELP_QUIT"
}

# Gives the program the keyboard back from the viewer: Edit clicked, the
# wizard left with Escape, which puts the focus on the Edit button.
buttons_again() {
  local wizard
  probe button Edit Halvorendyne
  click_at "$out" || return
  if wizard=$(wait_window '^Step [1-5] of 5'); then
    focus "$wizard" && xdotool key Escape
    wait_gone '^Step [1-5] of 5' || fail "the wizard opened by Edit did not close"
  else
    fail "a click on Edit did not open the wizard"
  fi
}

# The program's end by Escape, with status 0.
program_ends() {
  local i status
  for i in $(seq 100); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$program_pid" 2>/dev/null; then
    fail "Escape did not end the program"
  else
    wait "$program_pid"
    status=$?
    program_pid=
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
  fi
}

program() {
  local main wizard i
  sed 's/^CurrentPage = .*/CurrentPage = 3/' "$internal" >"$work/Internal.txt"
  "$hvdtool" make "$work/Internal.txt" "$work/Internal.hvd" || { fail "hvdtool make"; return; }
  "$hvdtool" text "$work/Internal.hvd" | grep -qx 'CurrentPage = 3' || fail "Internal.hvd does not hold page 3"

  (cd "$work" && exec "$WINELOADER" ./Halvdyne.exe </dev/null >/dev/null 2>&1) &
  program_pid=$!
  main=$(wait_window '^Halvorendyne$') || { fail "the program's window did not appear"; return; }
  focus "$main" || fail "no focus on the main window"

  # "e" opens the wizard at page 3; F1 there shows page 3's topic (context 5).
  xdotool key e
  if wizard=$(wait_window '^Step 3 of 5: Habitable Planets$'); then
    focus "$wizard" || fail "no focus on the wizard"
    xdotool key F1
    read_until "Habitable Planets"
    expect_topic "F1 on wizard page 3" "Habitable Planets" 'Step 3 of 5 of the settings wizard'
    screenshot help_program_wizard_page3
    # The viewer now has the keyboard: close it, then leave the wizard.
    probe quit "$help_file"
    focus "$wizard" && xdotool key Escape
    wait_gone '^Step 3 of 5' || fail "Escape did not close the wizard"
  else
    fail "'e' did not open the wizard at 'Step 3 of 5: Habitable Planets'"
  fi

  # "h" in the main window: context 1 (the wizard gave the focus back to Edit).
  focus "$main" || fail "no focus on the main window"
  xdotool key h
  read_until "The Halvorendyne Main Window"
  expect_topic "'h' on the main window" "The Halvorendyne Main Window" 'Halvorendyne estimates'

  # F1 in the main window turns the open viewer back to context 1. The
  # viewer keeps the keyboard until the program is used again: a click on
  # Edit and Escape in the wizard give it back to the buttons.
  probe show "$help_file" 7
  expect_topic "the viewer turned to context 7" "Textual Settings Description"
  buttons_again
  focus "$main" || fail "no focus on the main window"
  xdotool key F1
  read_until "The Halvorendyne Main Window"
  expect_topic "F1 on the main window" "The Halvorendyne Main Window" 'Halvorendyne estimates'
  screenshot help_program_f1

  # So does the Help button.
  probe show "$help_file" 7
  expect_topic "the viewer turned to context 7" "Textual Settings Description"
  probe button Help Halvorendyne
  click_at "$out" && { read_until "The Halvorendyne Main Window"; expect_topic "the Help button" "The Halvorendyne Main Window"; }

  # Escape quits, and the viewer goes with the main window (HELP_QUIT).
  count_viewers && [ "$viewers" != 1 ] && fail "$viewers viewer windows before Quit, not 1"
  buttons_again
  count_viewers && [ "$viewers" != 1 ] && fail "$viewers viewer windows before Quit, not 1"
  focus "$main" || fail "no focus on the main window"
  xdotool key Escape
  program_ends
  for i in $(seq 50); do
    count_viewers || break
    [ "$viewers" = 0 ] && break
    sleep 0.2
  done
  case $viewers in
    0) echo "ok: the viewer closed with the program" ;;
    unknown) ;;
    *) fail "the viewer is still open after Quit" ;;
  esac
  wait_gone '^Halvorendyne Help$' || fail "a window 'Halvorendyne Help' is still on the screen"
  screenshot help_program_after_quit
}

# The HTML Help window's contents tree, in $out, against the source's topics.
expect_contents() {  # what
  local expected got
  expected=$(sed -nE 's/^@topic +[^ ]+ +[^ ]+ +(.*)$/topic: \1/p' "$source")
  [ "$rc" -eq 0 ] || { fail "$1: no HTML Help window: $out"; return; }
  # The viewer closes itself when a context has no alias in the file.
  sleep 1
  [ -n "$(xdo_search --onlyvisible --name "^$title\$")" ] || fail "$1: the HTML Help window closed itself"
  got=$(grep '^topic: ' <<<"$out")
  if [ "$got" = "$expected" ]; then
    echo "ok: $1: the HTML Help window lists the $(wc -l <<<"$got") topics"
  else
    fail "$1: the contents tree holds '$(tr '\n' '|' <<<"$got")', expected '$(tr '\n' '|' <<<"$expected")'"
  fi
}

# Gives the main window the keyboard back from the HTML Help window as a
# user does, with a click on its background left of the help window (which
# opens to the right): without a window manager the X focus alone does not
# activate it.
click_main() {
  xdotool mousemove 12 $((SCREEN_HEIGHT / 2)) click 1
  sleep 0.5
}

html() {
  local main wizard title
  [ -f "$chm" ] || { fail "no Halvdyne.chm given"; return; }
  source=$(dirname "$internal")/help/Halvdyne.txt
  title=$(sed -nE 's/^@title +(.*)$/\1/p' "$source")
  cp "$chm" "$work/Halvdyne.chm"
  sed 's/^CurrentPage = .*/CurrentPage = 3/' "$internal" >"$work/Internal.txt"
  "$hvdtool" make "$work/Internal.txt" "$work/Internal.hvd" || { fail "hvdtool make"; return; }
  (cd "$work" && exec "$WINELOADER" ./Halvdyne.exe </dev/null >/dev/null 2>&1) &
  program_pid=$!
  main=$(wait_window '^Halvorendyne$') || { fail "the program's window did not appear"; return; }
  focus "$main" || fail "no focus on the main window"

  xdotool key F1
  probe contents "$title"
  expect_contents "F1 on the main window"
  screenshot help_html_f1
  count_viewers && [ "$viewers" != 0 ] && fail "WinHelp's viewer opened beside HTML Help ($viewers windows)"

  # The wizard's Help opens the same window (on page 3's topic).
  click_main
  xdotool key e
  if wizard=$(wait_window '^Step 3 of 5: Habitable Planets$'); then
    focus "$wizard" || fail "no focus on the wizard"
    xdotool key F1
    probe contents "$title"
    expect_contents "F1 on wizard page 3"
    focus "$wizard" && xdotool key Escape
    wait_gone '^Step 3 of 5' || fail "Escape did not close the wizard"
  else
    fail "'e' did not open the wizard at 'Step 3 of 5: Habitable Planets'"
  fi

  # Escape quits; the help window goes before the main window.
  click_main
  xdotool key Escape
  program_ends
  if wait_gone "^$title\$"; then echo "ok: the HTML Help window closed with the program"; else fail "the HTML Help window is still on the screen"; fi

  # A Halvdyne.chm that HTML Help cannot open: HtmlHelpA opens no window and
  # returns none. HTML Help is there and the help file is a file, so F1
  # must not bring WinHelp's viewer as well. The wizard that "e" opens
  # after F1 shows that the program has handled F1 (WinHelpA returns only
  # once its viewer's window is there).
  printf 'not a compiled help file\n' >"$work/Halvdyne.chm"
  (cd "$work" && exec "$WINELOADER" ./Halvdyne.exe </dev/null >/dev/null 2>&1) &
  program_pid=$!
  main=$(wait_window '^Halvorendyne$') || { fail "the program's window did not appear"; return; }
  focus "$main" || fail "no focus on the main window"
  xdotool key F1 e
  # A viewer would have taken the "e": counted whether or not the wizard came.
  wizard=$(wait_window '^Step 3 of 5: Habitable Planets$')
  if count_viewers; then
    if [ "$viewers" = 0 ]; then echo "ok: F1 with a help file HTML Help cannot open brings no WinHelp viewer"
    else fail "F1 with a help file HTML Help cannot open brought $viewers WinHelp viewer windows"; fi
  fi
  if [ -n "$wizard" ]; then
    focus "$wizard" && xdotool key Escape
    wait_gone '^Step 3 of 5' || fail "Escape did not close the wizard"
  else
    fail "'e' after F1 did not open the wizard"
  fi
  focus "$main" || fail "no focus on the main window"
  xdotool key Escape
  program_ends
}

case $scenario in
  contexts) contexts ;;
  program) program ;;
  html) html ;;
  *) echo "usage: help_viewer_test.sh contexts|program|html ..." >&2; exit 2 ;;
esac
echo "$scenario: $failures failure(s)"
[ "$failures" -eq 0 ]
