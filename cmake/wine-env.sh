# Wine on a private Xvfb display, for running the Windows tests. The prefix
# is a WoW64 one: Wine's 64-bit loader and its 32-bit loader (through
# qemu-i386, see install-deps.sh) both run in it.
# Source this file, then call wine_up; wine_down (also run on exit) stops
# only what wine_up started.
#
# Knobs: WINE_ROOT (prefix and logs; default build/wine), WINE_KEEPALIVE
# (a hidden program that keeps explorer.exe warm between tests).

wine_up() {
  export WINE_ROOT=${WINE_ROOT:-$PWD/build/wine} WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
  export WINEPREFIX=${WINEPREFIX:-$WINE_ROOT/prefix} WINELOADER=/usr/lib/wine/wine64 \
         WINESERVER=/usr/lib/wine/wineserver64 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  mkdir -p "$WINEPREFIX"
  trap wine_down EXIT
  trap 'wine_down; exit 130' INT TERM
  local d i f
  WINE_XVFB_PID=
  for d in $(seq 94 144); do
    { [ -e /tmp/.X$d-lock ] || [ -e /tmp/.X11-unix/X$d ]; } && continue
    Xvfb :$d -screen 0 1024x768x24 -nolisten tcp >"$WINE_ROOT/xvfb.log" 2>&1 &
    WINE_XVFB_PID=$!
    for i in $(seq 50); do
      kill -0 $WINE_XVFB_PID 2>/dev/null || break   # lost a race for the display
      DISPLAY=:$d xdpyinfo >/dev/null 2>&1 && break 2
      sleep 0.1
    done
    kill $WINE_XVFB_PID 2>/dev/null; wait $WINE_XVFB_PID 2>/dev/null; WINE_XVFB_PID=
  done
  [ -n "$WINE_XVFB_PID" ] || { echo "wine_up: no free X display" >&2; return 1; }
  export DISPLAY=:$d

  # A prefix made while no 32-bit binary could run has an empty syswow64
  # and can never run the 32-bit build: make it again.
  if [ -f "$WINEPREFIX/system.reg" ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] &&
     /usr/lib/wine/wine --version >/dev/null 2>&1; then
    rm -rf "$WINEPREFIX"; mkdir -p "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # A new prefix: unmanaged windows (no window manager, so each closed
    # window would otherwise cost two seconds), serif and sans replacements,
    # and Wine's own bitmap fonts so "Helv" 8 measures as on Windows.
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    "$WINELOADER" wineboot -i </dev/null >"$WINE_ROOT/wineboot.log" 2>&1 || return 1
    "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    for f in "Times New Roman=Liberation Serif" "Arial=Liberation Sans" "Courier New=Liberation Mono"; do
      "$WINELOADER" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${f%%=*}" /d "${f#*=}" /f >/dev/null 2>&1
    done
    if [ -d /usr/share/wine/fonts ]; then
      cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    fi
    "$WINESERVER" -k; "$WINESERVER" -w
  fi
  # A persistent server, started detached from our pipes, so that CTest
  # does not wait for Wine's background services after each test.
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINELOADER" wineboot </dev/null >/dev/null 2>&1
  if [ -n "${WINE_KEEPALIVE:-}" ]; then
    "$WINELOADER" "$WINE_KEEPALIVE" </dev/null >/dev/null 2>&1 &
    WINE_KEEPALIVE_PID=$!
  fi
  return 0
}

wine_down() {
  trap - EXIT INT TERM
  "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null
  [ -z "${WINE_KEEPALIVE_PID:-}" ] || wait "$WINE_KEEPALIVE_PID" 2>/dev/null
  [ -z "${WINE_XVFB_PID:-}" ] || { kill "$WINE_XVFB_PID"; wait "$WINE_XVFB_PID"; } 2>/dev/null
  return 0
}
