#!/bin/bash
# Runs every test of every runnable configuration, even after a failure,
# and ends with one line of totals; the exit status is non-zero when any
# test failed or any run could not start.
set -u
cd "$(dirname "$0")/.."
log=build/test-logs
mkdir -p "$log"
status=0
run() {  # name command...
  local name=$1; shift
  echo "=== $name"
  "$@" 2>&1 | tee "$log/$name.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
}
run native bash -c 'cd build/native && ctest --output-on-failure'
run asan bash -c 'cd build/asan && ctest --output-on-failure'
run win64 cmake/wine-ctest.sh build/win64
configs="native asan win64"
# The shipped 32-bit build, under Wine's 32-bit loader through qemu-i386.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  run win32 cmake/wine-ctest.sh build/win32
  configs="$configs win32"
else
  echo "=== win32: skipped, this machine runs no 32-bit binaries (see cmake/install-deps.sh)"
fi
run fuzz cmake/run-fuzzers.sh  # each fuzzer counts as one test
passed=0; failed=0
for name in $configs fuzz; do
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log/$name.log" | tail -1)
  if [ -z "$line" ]; then echo "$name: no CTest summary"; status=1; continue; fi
  f=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
  n=$(echo "$line" | sed -E 's/.* tests failed out of ([0-9]+).*/\1/')
  echo "$name: $line"
  passed=$((passed + n - f)); failed=$((failed + f))
done
echo "total: $passed passed, $failed failed"
exit $status
