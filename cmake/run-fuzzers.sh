#!/bin/bash
# Runs each fuzzer of build/fuzz for FUZZ_SECONDS (default 60) on its working
# corpus, build/fuzz/corpus/NAME: the seeds are copied in before every run
# and what earlier runs found stays. Inputs that fail go to
# build/fuzz/artifacts/NAME/, the full output to build/fuzz/logs/NAME.log.
# Fails when a fuzzer stops on a crash, a leak, a sanitizer report, a failed
# check or a timeout, or cannot run at all. Ends with a CTest-style summary
# line, one test per fuzzer, for run-all-tests.sh.
#   cmake/run-fuzzers.sh [NAME...]      NAME: settings_image, number_text, settings_source
set -u
cd "$(dirname "$0")/.."
build=build/fuzz
seconds=${FUZZ_SECONDS:-60}

seed_dir() {
  case $1 in
    settings_image) echo "$build/seeds/settings_image" ;;  # written at build time
    number_text) echo tests/fuzz/corpus/number_text ;;
    settings_source) echo tests/fuzz/corpus/settings_source ;;
    *) return 1 ;;
  esac
}

names=("$@")
[ ${#names[@]} -gt 0 ] || names=(settings_image number_text settings_source)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
passed=0; failed=0
for name in "${names[@]}"; do
  program=$build/${name}_fuzz
  corpus=$build/corpus/$name
  artifacts=$build/artifacts/$name
  log=$build/logs/$name.log
  seeds=$(seed_dir "$name") || { echo "$name: no such fuzzer"; failed=$((failed + 1)); continue; }
  if [ ! -x "$program" ] || [ -z "$(ls -A "$seeds" 2>/dev/null)" ]; then
    echo "$name: $program or its seeds in $seeds are missing (build with 'make fuzz')"
    failed=$((failed + 1)); continue
  fi
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  cp "$seeds"/* "$corpus"/
  echo "--- $name: ${seconds}s on $(ls "$corpus" | wc -l) inputs"
  "$program" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1
  rc=$?
  # With -fno-sanitize-recover every report ends the run; any report that
  # did not is a failure all the same.
  if [ $rc -eq 0 ] && ! grep -qE '^(==[0-9]+==)?ERROR: |runtime error:|check failed:|^SUMMARY: ' "$log"; then
    runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log")
    speed=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+)/\1/p' "$log")
    added=$(sed -nE 's/^stat::new_units_added: *([0-9]+)/\1/p' "$log")
    echo "$name: passed, ${runs:-?} runs, ${speed:-?} exec/s, ${added:-?} new inputs, corpus $(ls "$corpus" | wc -l)"
    passed=$((passed + 1))
  else
    echo "$name: FAILED (exit status $rc); end of $log:"
    grep -vE '^#[0-9]+' "$log" | tail -40
    echo "$name: failing inputs in $artifacts/:"
    ls -t "$artifacts" | head -5
    failed=$((failed + 1))
  fi
done
total=$((passed + failed))
percent=100
[ $total -eq 0 ] || percent=$((passed * 100 / total))
echo "fuzzers: ${percent}% tests passed, $failed tests failed out of $total"
[ $failed -eq 0 ] && [ $total -gt 0 ]
