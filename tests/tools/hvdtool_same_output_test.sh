#!/bin/bash
# The Windows hvdtool writes the same bytes as the build machine's: the
# draws, the x87 arithmetic, the break-even searches and the number texts
# are the program's own.
#   hvdtool_same_output_test.sh SCENARIO_DIR WORK_DIR HOST_HVDTOOL HVDTOOL [ARGS...]
# (HVDTOOL may be Wine's loader followed by hvdtool.exe).
set -u
scenarios=$1; work=$2; host=$3; shift 3
hvdtool=("$@")
rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
cp "$scenarios"/*.hvd "$scenarios"/*.txt .
failures=0

for args in "range Pessimistic.hvd Optimistic.hvd --samples 50000 --seed 11" \
            "range Optimistic.hvd Middle.hvd --samples 20000 --json --svg chart.svg" \
            "range Sandberg2018.txt --samples 20000 --seed 3 --json" \
            "range Sandberg2018.txt --samples 20000 --observe settlement --svg chart.svg" \
            "range Pessimistic.hvd Optimistic.hvd --samples 5000 --seed 4 --sobol --json" \
            "diff Pessimistic.hvd Optimistic.hvd --json" \
            "diff Middle.hvd Optimistic.hvd" \
            "solve Middle.hvd" \
            "solve Pessimistic.hvd --result universe --target 1e9 --json"; do
  rm -f chart.svg
  "$host" $args >host.out 2>host.err; host_status=$?
  [ ! -f chart.svg ] || mv chart.svg host.svg
  "${hvdtool[@]}" $args 2>target.err | tr -d '\r' >target.out; target_status=${PIPESTATUS[0]}
  [ $host_status -eq $target_status ] || { echo "FAIL: $args: status $target_status, here $host_status"; failures=$((failures + 1)); }
  cmp -s host.out target.out || { echo "FAIL: $args: the output differs"; diff host.out target.out | head -5; failures=$((failures + 1)); }
  if [ -f host.svg ]; then
    cmp -s host.svg chart.svg || { echo "FAIL: $args: the chart differs"; failures=$((failures + 1)); }
    rm -f host.svg
  fi
done

if [ $failures -ne 0 ]; then echo "$failures failures"; exit 1; fi
echo "hvdtool: the same output as the build machine's"
