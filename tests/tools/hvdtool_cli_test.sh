#!/bin/bash
# hvdtool as a user runs it: hvdtool_cli_test.sh SOURCE_DIR WORK_DIR HVDTOOL [ARGS...]
# (HVDTOOL may be Wine's loader followed by hvdtool.exe).
set -u
source_dir=$1; work=$2; shift 2
hvdtool=("$@")
data=$source_dir/tests/tools/data
rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Runs hvdtool; output without carriage returns (Windows consoles add them).
run() { "${hvdtool[@]}" "$@" 2>stderr.raw >stdout.raw; status=$?; tr -d '\r' <stdout.raw >stdout; tr -d '\r' <stderr.raw >stderr; }

# make and text are inverse: make(text(f)) is byte-identical to f.
cp "$data"/*.txt "$source_dir/resources/Internal.txt" .
for name in Internal worked_example unusual; do
  run make $name.txt $name.hvd; [ $status -eq 0 ] || fail "make $name: status $status: $(cat stderr)"
  run text $name.hvd; [ $status -eq 0 ] || fail "text $name: status $status"
  cp stdout $name.again.txt
  run make $name.again.txt $name.again.hvd
  cmp -s $name.hvd $name.again.hvd || fail "make(text($name.hvd)) differs from $name.hvd"
  run text $name.again.hvd
  cmp -s stdout $name.again.txt || fail "text is not stable for $name"
done
[ "$(wc -c <worked_example.hvd)" -eq $((227 + 6)) ] || fail "worked_example.hvd is not 233 bytes"

# show prints the results screen's lines.
run show worked_example.hvd
for expected in \
  'Number of currently inhabited planets in our galaxy: +5,370$' \
  'Average distance between neighboring inhabited planets: +23 ly$' \
  'Number of currently existing advanced civilizations in our galaxy: +54$' \
  'Average distance between neighboring civilizations: +105 ly$' \
  'Number of advanced civilizations in the universe: +5,400,000,000,000$' \
  '^Current settings by Team A, [A-Z][a-z]+ [0-9][0-9] [0-9]{4}\.$' \
  '^StarCount +1,000,000$' '^CurrentPage +4$'; do
  grep -Eq "$expected" stdout || fail "show worked_example: no line matching $expected"
done
run show unusual.hvd
[ $status -eq 0 ] || fail "show unusual: status $status"
grep -Eq 'inhabited planets in our galaxy: +(0|more than 10\^[0-9]+)$' stdout || fail "show unusual: inhabited planets line"
grep -q '^Current settings by   spaced  , ' stdout || fail "show unusual: settings line"

# check names the refused fields.
run check Internal.hvd
[ $status -eq 0 ] || fail "check Internal: status $status: $(cat stdout)"
sed -e 's/^StarCount = .*/StarCount = 999/' -e 's/^GiantShare = .*/GiantShare = 0.35/' Internal.txt >refused.txt
run make refused.txt refused.hvd
run check refused.hvd
[ $status -eq 1 ] || fail "check refused: status $status"
grep -q '^refused.hvd: StarCount 999: below 1,000$' stdout || fail "check refused: StarCount line missing"
grep -q '^refused.hvd: DwarfShare + SunLikeShare + GiantShare: sum above 1.01$' stdout || fail "check refused: sum line missing"

# Bad input: one line on stderr naming the file, status 2, no output file.
head -c 100 worked_example.hvd >cut.hvd
head -c 232 worked_example.hvd >cut-in-text.hvd
printf 'Hello, this is not a settings file at all.........' >header.hvd
printf 'StarCount = 1\nFoo = 2\n' >unknown.txt
sed 's/^PlanetShare = .*/PlanetShare = half/' Internal.txt >badnumber.txt
expect_bad() {  # expected-stderr-pattern hvdtool-args...
  local pattern=$1; shift
  rm -f out.hvd
  run "$@"
  [ $status -eq 2 ] || fail "$*: status $status, not 2"
  [ "$(wc -l <stderr)" -eq 1 ] || fail "$*: stderr is not one line: $(cat stderr)"
  grep -Eq "$pattern" stderr || fail "$*: stderr '$(cat stderr)' does not match $pattern"
  [ ! -s stdout ] || fail "$*: printed on stdout"
  [ ! -e out.hvd ] && [ ! -e out.hvd.partial ] || fail "$*: left an output file"
}
expect_bad '^hvdtool: missing\.hvd: cannot open' show missing.hvd
expect_bad '^hvdtool: header\.hvd: not a settings file' text header.hvd
expect_bad '^hvdtool: cut\.hvd: cut short' show cut.hvd
expect_bad '^hvdtool: cut-in-text\.hvd: cut short' check cut-in-text.hvd
expect_bad '^hvdtool: unknown\.txt: line 2: unknown field .Foo.$' make unknown.txt out.hvd
expect_bad '^hvdtool: badnumber\.txt: line [0-9]+: PlanetShare: not a number' make badnumber.txt out.hvd
expect_bad '^hvdtool: nosuch\.txt: cannot open' make nosuch.txt out.hvd
run frobnicate
[ $status -eq 2 ] && grep -q '^usage: hvdtool make' stderr || fail "an unknown command does not print the usage"
# A failed make leaves an existing output file as it was.
cp worked_example.hvd keep.hvd
run make badnumber.txt keep.hvd
cmp -s keep.hvd worked_example.hvd || fail "a failed make changed the existing output file"

if [ $failures -ne 0 ]; then echo "$failures failures"; exit 1; fi
echo "hvdtool command line: all checks passed"
