#!/usr/bin/env bash
# qvxutil paths, compare and ls against real files.
set -u
Q="$QVX_BUILD_DIR/tools/qvxutil/qvxutil"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2] got [$3]"; fail=1; fi
}

out=$(env -u UNIT_TESTING TORVANE_XRAY_HOME=/opt/qvx DWLROOT=/dwl TMPDIR=/var/tmp "$Q" paths)
check paths-root "root:            /opt/qvx" "$(echo "$out" | grep '^root:')"
check paths-hw "hardware config: /opt/qvx\\config\\hardware.config" "$(echo "$out" | grep '^hardware')"
check paths-temp "temp:            /var/tmp" "$(echo "$out" | grep '^temp:')"
out=$(env -u UNIT_TESTING -u TORVANE_XRAY_HOME -u temp -u TEMP -u TMPDIR DWLROOT='E:\dwl' "$Q" paths)
check paths-dwl "log:             E:\\dwl\\x.xx\\log" "$(echo "$out" | grep '^log:')"
check paths-notemp "temp:            \\" "$(echo "$out" | grep '^temp:')"

printf 'a b' > "$T/1"; printf 'ab ' > "$T/2"; printf 'a  b' > "$T/3"
"$Q" compare "$T/1" "$T/2" >/dev/null; check compare-equal 0 $?
"$Q" compare --text "$T/1" "$T/3" >/dev/null; check compare-different 1 $?
err=$("$Q" compare "$T/none" "$T/1" 2>&1 >/dev/null); rc=$?
check compare-error 2 $rc
check compare-error-text "DS_CANNOT_FIND_FILE_ERROR_KEY['The file '$T/none' was not found.', $T/none]" "$err"
"$Q" compare "$T/1" >/dev/null 2>&1; check compare-usage 2 $?

touch "$T/a.txt" "$T/b.log"
out=$("$Q" ls '*.TXT' "$T")
check ls "$T\\A.TXT
1 entries" "$out"
check ls-all "7 entries" "$("$Q" ls '*' "$T/" | tail -n 1)"
check ls-missing "0 entries" "$("$Q" ls '*' "$T/missing")"
exit $fail
