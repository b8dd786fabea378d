#!/usr/bin/env bash
# qvxutil hash and stats, end to end.
set -u
tool="$QVX_BUILD_DIR/tools/qvxutil/qvxutil"
failures=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL $1: expected [$2], got [$3]"
    failures=$((failures + 1))
  fi
}

unset UNIT_TESTING
check "hash codes" $'1NJXIM47\n1NJXIM47\n000\n1T1T1T' "$("$tool" hash abc ABC '' a)"
check "hash while unit testing" $'my unit\nabc' "$(UNIT_TESTING=TRUE "$tool" hash 'my unit' abc)"
"$tool" hash >/dev/null 2>&1
check "hash without names" 2 $?

check "stats odd count" $'count  7\nmean   4\nmin    1\nq1     2\nmedian 4\nq3     6\nmax    7' \
  "$(printf '7 1\t6\n2 5 3 4\n' | "$tool" stats)"
check "stats even count" $'count  6\nmean   3.333331666666667\nmin    -1e-05\nq1     2\nmedian 3.5\nq3     5\nmax    6' \
  "$(printf ' +6 5.0 4 3 2 -1e-5 ' | "$tool" stats)"
check "stats empty" "count  0" "$("$tool" stats </dev/null | head -n 1)"
for bad in 'x' '1,5' '0x10' 'nan' 'inf' '1e999' '--1' '+' '.'; do
  err=$(printf '1 2 %s 3\n' "$bad" | "$tool" stats 2>&1 >/dev/null)
  rc=$?
  check "stats refuses '$bad'" "2 qvxutil: not a number: '$bad'" "$rc $(echo "$err" | head -n 1)"
done
"$tool" stats extra </dev/null >/dev/null 2>&1
check "stats with an argument" 2 $?

[ "$failures" -eq 0 ] && echo "numbers tool: all checks passed"
exit "$failures"
