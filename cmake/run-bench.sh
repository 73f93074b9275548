#!/bin/bash
# The Windows half of `make bench`: paint timings of the results screen
# and start-up times, on private 1024x768 and 1920x1080 Xvfb screens
# (cmake/wine-screen.sh), printed as one table.
#   cmake/run-bench.sh [BUILD_DIR]      BUILD_DIR: a built x86_64 build (build/win64)
#
# Knobs: BENCH_SIZES ("1024x768 1920x1080"), BENCH_REPETITIONS (300 calls
# per paint timing), BENCH_STARTS (5 counted starts per program).
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build/win64}" 2>/dev/null && pwd) || { echo "run-bench: no build ${1:-build/win64}" >&2; exit 1; }
sizes=${BENCH_SIZES:-1024x768 1920x1080}
repetitions=${BENCH_REPETITIONS:-300}
starts=${BENCH_STARTS:-5}

for f in paint_bench.exe Halvdyne.exe Internal.hvd; do
  [ -f "$build/$f" ] || { echo "run-bench: $build/$f is missing: build $build first" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/halv-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$build/paint_bench.exe" "$build/Halvdyne.exe" "$build/Internal.hvd" "$work/"

# One screen: the three paint timings in the program's window, then the
# start-up times of Halvdyne.exe and of Wine's notepad, one after the other.
cat >"$work/measure.sh" <<'EOF'
cd "$1" || exit 1
out=$2
"$WINELOADER" paint_bench.exe paint "$3" </dev/null >"$out.paint" 2>"$out.err" &&
"$WINELOADER" paint_bench.exe startup halvdyne Halvdyne.exe "$4" </dev/null >"$out.halvdyne" 2>>"$out.err" &&
"$WINELOADER" paint_bench.exe startup notepad notepad.exe "$4" </dev/null >"$out.notepad" 2>>"$out.err"
EOF

status=0
for size in $sizes; do
  echo "measuring on $size ..."
  if ! bash "$here/cmake/wine-screen.sh" "$size" bash "$work/measure.sh" "$work" "$work/$size" "$repetitions" "$starts"; then
    echo "run-bench: the measurement on $size failed:" >&2
    cat "$work/$size.err" >&2
    status=1
  fi
done

value() {  # file key [field]
  local v
  v=$(tr -d '\r' <"$1" 2>/dev/null | awk -v k="$2" -v f="${3:-2}" '$1 == k { print $f }')
  echo "${v:--}"
}
startup() {  # file
  local line
  line=$(tr -d '\r' <"$1" 2>/dev/null | awk '$1 == "startup_ms" { printf "%s (%s-%s)", $3, $2, $4 }')
  echo "${line:--}"
}

echo
echo "Halvorendyne under Wine 64-bit on Xvfb: results screen ($repetitions calls, best of 3 rounds)"
printf '%-46s' "microseconds per call"
for size in $sizes; do printf '%22s' "$size"; done
echo
for row in "full_paint_us|PaintResults(true), full paint" \
           "repair_paint_us|PaintResults(false), 64x32 repair" \
           "frame_copy_us|BitBlt FrameBuffer -> WindowDC, full screen"; do
  printf '%-46s' "${row#*|}"
  for size in $sizes; do printf '%22s' "$(value "$work/$size.paint" "${row%%|*}")"; done
  echo
done
printf '%-46s' "full paint / full-screen copy"
for size in $sizes; do
  printf '%22s' "$(awk -v f="$(value "$work/$size.paint" full_paint_us)" -v c="$(value "$work/$size.paint" frame_copy_us)" \
    'BEGIN { if (f + 0 > 0 && c + 0 > 0) printf "%.2f", f / c; else print "-" }')"
done
echo
echo
part_rows() {  # key label ...
  while [ $# -gt 1 ]; do
    printf '%-46s' "$2"
    for size in $sizes; do printf '%22s' "$(value "$work/$size.paint" "part_${1}_us")"; done
    echo
    shift 2
  done
}
echo "The steps of a paint, each timed on its own"
part_rows begin_end_paint "BeginPaint + EndPaint (every paint)" \
          text_rows_restore "text rows, BackgroundBuffer -> FrameBuffer" \
          result_texts "result lines and settings line drawn" \
          text_rows_copy "text rows, FrameBuffer -> WindowDC" \
          small_copy "64x32 FrameBuffer -> WindowDC (a repair)" \
          wm_paint_repair "a 64x32 repair as WM_PAINT, dispatched" \
          compose_background "ComposeBackground (after the first paint)"
echo "Steps the paints no longer take"
part_rows background_to_frame "whole BackgroundBuffer -> FrameBuffer" \
          invalidate_buttons "InvalidateRect of the 5 buttons" \
          repaint_buttons "the 5 buttons repainting (UpdateWindow)" \
          get_focus "GetFocus"
echo
echo "Start to first paint on the screen ($starts starts after one warm-up)"
printf '%-46s' "milliseconds: median (min-max)"
for size in $sizes; do printf '%22s' "$size"; done
echo
printf '%-46s' "Halvdyne.exe"
for size in $sizes; do printf '%22s' "$(startup "$work/$size.halvdyne")"; done
echo
printf '%-46s' "notepad (Wine's)"
for size in $sizes; do printf '%22s' "$(startup "$work/$size.notepad")"; done
echo
exit $status
