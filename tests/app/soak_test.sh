#!/bin/bash
# Seeded random keys on the real program, run through cmake/wine-screen.sh:
#   soak_test.sh HALVDYNE_EXE SCREEN_PROBE_EXE HVDTOOL HELP_DIR SEED...
# Each seed is one walk of KEYS keys (default 150) from an alphabet of the
# program's command, navigation and editing keys: the main window's letters
# and buttons, the wizard's fields and Alt keys, names in the file dialogs,
# Return and Escape on every message box. The program starts again whenever
# it ends. Checked along the way: every exit status is 0 (a crash is not:
# Wine's crash dialog is off), no busy loop (after each key the program must
# go idle), and after every end and at the end of a walk "Internal.hvd" and
# every settings file the program wrote decode, and no unfinished file is
# left. At the end of a walk, with a program window in front, Tab or Escape
# must change something. The seed's third decides the help beside the
# program: both files (HTML Help), Halvdyne.hlp only (WinHelp's viewer, a
# process of its own), or none (the viewer's error path).
#
# The prefix is this run's copy: its only drive is C:, so that random names
# in the dialogs reach nothing outside it. Without a window manager nobody
# activates the program when another process's window closes (the viewer);
# Windows would, and so does this driver (screen_probe activate), counting
# it; so it does after some keys in HTML Help's viewer, where Wine has no
# HTML engine and its panes take no keys (a user would click the program). Wine's X driver is told to activate a window that gets the X focus
# (UseTakeFocus=N), as a window manager would.
#
# A "seed" keys:KEY,KEY,... walks exactly those keys, with no help files.
# A failure prints the seed and the keys up to it; KEYS and the seed replay
# the walk (SOAK_TRACE=1 prints each key and where the keys went after it).
# Exit status: 0 when every walk passed.
set -u
if [ $# -lt 5 ]; then
  echo "usage: soak_test.sh HALVDYNE_EXE SCREEN_PROBE_EXE HVDTOOL HELP_DIR SEED..." >&2
  exit 2
fi
exe=$1 probe_exe=$2 hvdtool=$3 help_dir=$4
shift 4
seeds=("$@")
keys_per_walk=${KEYS:-150}
. "$(dirname "${BASH_SOURCE[0]}")/../../cmake/screen-helpers.sh"
: "${WINEPREFIX:?run through cmake/wine-screen.sh}"

# --- the prefix -------------------------------------------------------------------
for drive in "$WINEPREFIX"/dosdevices/*; do
  case ${drive##*/} in c:) ;; *) rm -f "$drive" ;; esac
done
"$WINELOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /t REG_SZ /d N /f >/dev/null 2>&1
"$WINESERVER" -k; "$WINESERVER" -w
drive_c=$WINEPREFIX/drive_c
folder=$drive_c/Halvorendyne
cp "$probe_exe" "$drive_c/screen_probe.exe"
# Runs screen_probe: its output without carriage returns in $probe_out, its
# status as the function's. What it wrote to its standard error goes into
# the log.
probe() {
  (cd "$drive_c" && exec "$WINELOADER" ./screen_probe.exe "$@" </dev/null >"$folder.probe" 2>"$folder.probe-err")
  probe_status=$?
  probe_out=$(tr -d '\r' <"$folder.probe")
  sed 's/^/screen_probe: /' "$folder.probe-err"
  return "$probe_status"
}

alphabet=(e e l s h q Tab Tab Tab shift+Tab Up Down Left Right Return Return space Escape Escape Escape F1
          alt+e alt+l alt+s alt+h alt+q alt+p alt+n alt+o alt+c alt+F4 BackSpace Delete Home End
          0 1 5 9 period comma minus a b x n shift+a)

pid= keys=() walk_failed=0 activations=0 restarts=0 help_checks=0
fail_walk() {
  fail "seed $seed, key ${#keys[@]}: $*"
  echo "  keys: ${keys[*]}"
  walk_failed=1
}

# The program's CPU time in clock ticks (user + system).
busy_ticks=$((3 * $(getconf CLK_TCK)))
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo -1; }

# Waits until the program has used no CPU for 150 ms. One that has used
# 3 s of CPU since the key without going idle is in a busy loop (the
# banner reveal spins for well under a second); CPU time, not the clock,
# so that a loaded machine does not look like one.
settle() {
  local first before after quiet=0 start
  start=$(date +%s%N)
  first=$(cpu_ticks)
  before=$first
  while [ $quiet -lt 3 ]; do
    sleep 0.05
    process_ended "$pid" && return 0
    after=$(cpu_ticks)
    if [ "$after" = "$before" ]; then quiet=$((quiet + 1)); else quiet=0; fi
    before=$after
    if [ $((after - first)) -gt $busy_ticks ]; then
      fail_walk "the program used 3 s of CPU after the key without going idle (a busy loop)"
      return 1
    fi
    if [ $(($(date +%s%N) - start)) -gt 60000000000 ]; then
      fail_walk "the program did not go idle within 60 s of the key"
      return 1
    fi
  done
}

# Every settings file in the prefix decodes, and no unfinished one is left.
check_files() {  # when
  local file
  while IFS= read -r -d '' file; do
    "$hvdtool" text "$file" >/dev/null 2>"$folder.err" || fail_walk "$1: ${file#"$drive_c"/} does not decode: $(cat "$folder.err")"
  done < <(find "$drive_c" -iname '*.hvd' -newer "$folder/start" -print0)
  [ -f "$folder/Internal.hvd" ] || fail_walk "$1: Internal.hvd is gone"
  file=$(find "$drive_c" -iname 'hvd*.tmp' -print -quit)
  [ -z "$file" ] || fail_walk "$1: an unfinished settings file is left: ${file#"$drive_c"/}"
}

start_program() {
  (cd "$folder" && exec "$WINELOADER" ./Halvdyne.exe </dev/null >/dev/null 2>&1) &
  pid=$!
  wait_until 30 has_window '^Halvorendyne$' || { fail_walk "the program did not open its window"; return 1; }
  focus_on "$(window_named '^Halvorendyne$')"
  settle
}

# After the program ended: its status, then its files.
program_ended() {
  local status
  wait "$pid"
  status=$?
  [ $status -eq 0 ] || fail_walk "the program ended with status $status"
  check_files "after the program ended"
  restarts=$((restarts + 1))
}

# Where the keys go, in $where: screen_probe focus-state's line, or "none"
# when the program has no main window (it is ending). A probe that fails
# otherwise, or says nothing, fails the walk as a failure of the probe:
# false, and $where is "unknown".
read_state() {
  probe focus-state
  case $probe_status in
    0) where=$probe_out; [ -n "$where" ] && return 0 ;;
    1) where=none; return 0 ;;
  esac
  where=unknown
  fail_walk "screen_probe focus-state failed: status $probe_status, output '$probe_out'"
  return 1
}

# Nobody in front (another process's last window closed): the program's
# topmost window is brought back, as Windows would. HTML Help's viewer
# gets a few checks' worth of keys, then the program is clicked back to
# the front, as a user would: without an HTML engine under Wine the
# viewer's panes take no keys.
give_focus_back() {
  read_state || return
  case $where in
    *desktop=1*) ;;
    *help=1*) help_checks=$((help_checks + 1)); [ $help_checks -ge 4 ] || return 0 ;;
    *) help_checks=0; return 0 ;;
  esac
  help_checks=0
  probe activate
  [ "$probe_status" -le 1 ] || { fail_walk "screen_probe activate failed: status $probe_status"; return 1; }
  activations=$((activations + 1))
  settle
}

# At the end: with a program window in front, Tab or else Escape changes
# where the keys go (or ends the program).
check_keys_work() {
  local before
  help_checks=4
  give_focus_back || return
  read_state || return
  before=$where
  case $before in *ours=1*) ;; *) return 0 ;; esac
  xdotool key Tab; settle
  process_ended "$pid" && return 0
  read_state || return
  [ "$where" != "$before" ] && return 0
  xdotool key Escape; settle
  process_ended "$pid" && return 0
  read_state || return
  [ "$where" != "$before" ] || fail_walk "neither Tab nor Escape does anything ($before)"
}

walk() {
  local key n count=$keys_per_walk given=()
  keys=() walk_failed=0
  rm -rf "$folder"; mkdir -p "$folder"
  cp "$exe" "$folder/Halvdyne.exe"
  cp "$help_dir/Internal.hvd" "$folder/"
  if [[ $seed == keys:* ]]; then
    IFS=, read -r -a given <<<"${seed#keys:}"
    count=${#given[@]}
  else
    case $((seed % 3)) in
      0) cp "$help_dir/Halvdyne.chm" "$help_dir/Halvdyne.hlp" "$folder/" ;;
      1) cp "$help_dir/Halvdyne.hlp" "$folder/" ;;
    esac
    RANDOM=$seed
  fi
  touch -d '1 minute ago' "$folder/start"
  start_program || return
  for ((n = 0; n < count && walk_failed == 0; n++)); do
    if [ ${#given[@]} -gt 0 ]; then key=${given[n]}; else key=${alphabet[RANDOM % ${#alphabet[@]}]}; fi
    keys+=("$key")
    xdotool key "$key"
    settle || break
    if [ -n "${SOAK_TRACE:-}" ]; then
      if process_ended "$pid"; then where=ended; else read_state; fi
      echo "key $n $key: $where $(xdotool getwindowfocus getwindowname 2>/dev/null)"
    fi
    if process_ended "$pid"; then
      program_ended
      [ $walk_failed -eq 0 ] || break
      start_program || break
    elif [ $((n % 4)) -eq 3 ]; then
      give_focus_back
    fi
  done
  [ $walk_failed -eq 0 ] && ! process_ended "$pid" && check_keys_work
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  for n in $(seq 50); do [ -z "$(xdo_search --onlyvisible --name .)" ] && break; sleep 0.1; done
  "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null
  [ $walk_failed -eq 0 ] && check_files "at the end"
  [ $walk_failed -eq 0 ] && pass "seed $seed: $count keys, $restarts restarts, focus given back $activations times"
}

for seed in "${seeds[@]}"; do
  restarts=0 activations=0 help_checks=0
  walk
done
echo "soak: ${#seeds[@]} walk(s), $failures failure(s)"
[ "$failures" -eq 0 ]
