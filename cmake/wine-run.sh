#!/bin/bash
# The emulator of the Windows builds' tests: runs a program under Wine's
# loader (the first argument).
#   cmake/wine-run.sh LOADER PROGRAM [ARGS...]
#
# Now and then Wine's loader trips an assertion in ld.so as the process
# ends ("Inconsistency detected by ld.so: dl-fini.c", exit status 127),
# after the program has done its work. That is the loader's failure, not
# the program's, and in CTest's listing of a test program's cases it stops
# the whole run: a run that ends so is run again, up to three times in all.
# With WINE_RUN_STDOUT=direct the program writes to this script's standard
# output itself (for tests of what it does when that fails); a run again
# may then repeat its output.
loader=$1
shift
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for _ in 1 2 3; do
  if [ "${WINE_RUN_STDOUT:-}" = direct ]; then
    "$loader" "$@" 2>"$err"
  else
    "$loader" "$@" >"$out" 2>"$err"
  fi
  status=$?
  [ $status -eq 127 ] && grep -q 'Inconsistency detected by ld.so' "$err" || break
done
cat "$out"
cat "$err" >&2
exit $status
