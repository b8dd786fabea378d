#!/usr/bin/env bash
# qvxutil hash and stats, end to end.
set -u
tool="$QVX_BUILD_DIR/tools/qvxutil/qvxutil"
failures=0
check() {  # check NAME EXPECTED ACTUAL
  [ "$2" == "$3" ] || { echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); }
}
unset UNIT_TESTING
check "hash" $'1NJXIM47\n1NJXIM47\n000' "$("$tool" hash abc ABC '')"
check "hash while unit testing" $'my unit\nabc' "$(UNIT_TESTING=TRUE "$tool" hash 'my unit' abc)"
"$tool" hash >/dev/null 2>&1; check "hash without names" 2 $?
check "stats" $'count  6\nmean   3.333331666666667\nmin    -1e-05\nq1     2\nmedian 3.5\nq3     5\nmax    6' \
  "$(printf ' +6 5.0\t4\n3 2 -1e-5 ' | "$tool" stats)"
for bad in x 1,5 0x10 nan inf 1e999 --1 + .; do
  err=$(printf '1 %s 3\n' "$bad" | "$tool" stats 2>&1 >/dev/null)
  check "stats refuses $bad" "2 qvxutil: not a number: '$bad'" "$? $(echo "$err" | head -n 1)"
done
err=$(printf ' \n\t' | "$tool" stats 2>&1 >/dev/null)
check "stats without numbers" "2 qvxutil: no numbers on standard input" "$? $(echo "$err" | head -n 1)"
# Running out of memory is a failure with a message, never an abort.
err=$( (ulimit -v 100000; head -c 120000000 /dev/zero | tr '\0' 7 | "$tool" stats) 2>&1 >/dev/null)
check "stats out of memory" "1 qvxutil: out of memory" "$? $err"
exit "$failures"
