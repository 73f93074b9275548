# Shell helpers for scripts that drive the program on an X screen with
# xdotool and read it back with xwd and ImageMagick. Sourced, not run.

CONVERT=/usr/bin/convert
[ -x "$CONVERT" ] || CONVERT=convert

# Polls a command every 50 ms until it succeeds; false after the timeout.
wait_until() {  # seconds command...
  local deadline=$(($(date +%s%N) + $1 * 1000000000)); shift
  until "$@"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# xdotool search that survives windows coming and going. It reads the name
# of every window in the tree, and when one is destroyed between listing and
# reading (Wine makes and drops short-lived windows as a dialog comes up)
# Xlib ends xdotool on a BadWindow error with nothing printed: an answer
# that reads as "no such window". Such a search is made again, up to 100
# times; a search that finds nothing is an answer.
xdo_search() {  # xdotool-search-arguments...
  local answer
  for _ in $(seq 100); do
    answer=$(xdotool search "$@" 2>&1)
    case $answer in
      *"X Error"*) sleep 0.02 ;;
      *) grep -E '^[0-9]+$' <<<"$answer"; return 0 ;;
    esac
  done
  echo "xdo_search: 'xdotool search $*' met X errors 100 times" >&2
  return 1
}

window_named() { xdo_search --name "$1" | head -1; }
has_window() { [ -n "$(window_named "$1")" ]; }
has_no_window() { ! has_window "$1"; }
focus_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
process_ended() { ! kill -0 "$1" 2>/dev/null; }

# Hands the X focus to a window. Never to an empty id: xdotool reads that as
# window 0 and sets the X focus to none, so every key after it is lost.
give_focus() {  # window
  [ -n "$1" ] || { echo "give_focus: no window to give the X focus to" >&2; return 1; }
  xdotool windowfocus --sync "$1" 2>/dev/null
}

# Waits for the focus to reach a window, and gives it the focus if it doesn't;
# the log says so, as a key lost after that points at the hand-over.
focus_on() {  # window
  [ -n "$1" ] || { echo "focus_on: no window" >&2; return 1; }
  wait_until 5 focus_is "$1" && return
  echo "note: the X focus stayed on '$(xdotool getwindowfocus getwindowname 2>&1)' for 5 s; given to '$(xdotool getwindowname "$1" 2>&1)'"
  give_focus "$1"
}

screen_width() { xdpyinfo | sed -nE 's/^ *dimensions: *([0-9]+)x.*/\1/p'; }

# The banner strip (80 x 350 at 141 pixels from the right edge) holds texts
# (red) once the reveal has run; the plain gradient has none.
banner_shown() {  # [strip-left]
  local left=${1:-$(($(screen_width) - 141))} red
  red=$(xwd -root -silent | "$CONVERT" xwd:- -crop "80x350+$left+0" +repage -format '%[fx:maxima.r]' info:)
  [ "$red" != "0" ]
}

# The tests' tally: pass and fail lines, failures counted.
failures=0
pass() { echo "ok: $*"; }
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
