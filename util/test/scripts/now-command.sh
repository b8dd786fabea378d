#!/usr/bin/env bash
# qvxutil now: both texts of the current time, in the zone that TZ names.
set -u
tool="$QVX_BUILD_DIR/tools/qvxutil/qvxutil"
fail() { echo "FAIL: $*" >&2; exit 1; }

before=$(TZ=UTC0 date +"%Y %b %d %H:%M")
out=$(TZ=UTC0 "$tool" now) || fail "exit code $?"
after=$(TZ=UTC0 date +"%Y %b %d %H:%M")
[ "$(printf '%s\n' "$out" | wc -l)" -eq 2 ] || fail "not two lines: $out"
first=$(printf '%s\n' "$out" | sed -n 1p)
second=$(printf '%s\n' "$out" | sed -n 2p)
[[ $first =~ ^[0-9]{4}\ [A-Z][a-z]{2}\ [0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}$ ]] ||
  fail "calendar text: $first"
[[ $second =~ ^[A-Z][a-z]{2}\ [\ 123][0-9]\ [0-9]{2}:[0-9]{2}:[0-9]{2}\.(0|[1-9][0-9]{0,2})\ [0-9]{4}$ ]] ||
  fail "timer text: $second"
minute=${first:0:17}
[ "$minute" = "$before" ] || [ "$minute" = "$after" ] || fail "$first is not now ($before)"

# The zone moves the wall-clock hour: five and a half hours east of UTC.
east=$(TZ=UTC-5:30 "$tool" now | sed -n 1p)
want=$(TZ=UTC-5:30 date +"%Y %b %d %H")
[ "${east:0:14}" = "$want" ] || fail "zone not applied: $east vs $want"

"$tool" now extra 2>/dev/null
[ $? -eq 2 ] || fail "an argument is not a usage error"
echo "ok"
