#!/usr/bin/env bash
# qvxutil paths, compare and ls against real files.
set -u
Q="$QVX_BUILD_DIR/tools/qvxutil/qvxutil"
T=$(mktemp -d) && trap 'rm -rf "$T"' EXIT
fail=0
check() { [ "$2" == "$3" ] || { echo "FAIL $1: expected [$2] got [$3]"; fail=1; }; }

out=$(env -u UNIT_TESTING TORVANE_XRAY_HOME=/opt/qvx TMPDIR=/var/tmp "$Q" paths | grep -E '^(root|hardware|temp)')
check paths "root:            /opt/qvx
hardware config: /opt/qvx\\config\\hardware.config
temp:            /var/tmp" "$out"
out=$(env -u UNIT_TESTING -u TORVANE_XRAY_HOME -u temp -u TEMP -u TMPDIR DWLROOT='E:\dwl' "$Q" paths | grep -E '^(log|temp)')
check paths-dwl "log:             E:\\dwl\\x.xx\\log
temp:            \\" "$out"

printf 'a b' > "$T/1"; printf 'ab ' > "$T/2"; printf 'a  b' > "$T/3"; touch "$T/a.txt" "$T/b.log"
"$Q" compare "$T/1" "$T/2" >/dev/null; check compare-equal 0 $?
"$Q" compare --text "$T/1" "$T/3" >/dev/null; check compare-different 1 $?
err=$("$Q" compare "$T/none" "$T/1" 2>&1 >/dev/null); check compare-error 2 $?
check compare-error-text "qvxutil: DS_CANNOT_FIND_FILE_ERROR_KEY['The file '$T/none' was not found.', $T/none]" "$err"
"$Q" compare "$T/1" >/dev/null 2>&1; check compare-usage 2 $?

check ls "$T\\A.TXT
1 entries" "$("$Q" ls '*.TXT' "$T")"
check ls-all "7 entries" "$("$Q" ls '*' "$T/" | tail -n 1)"
err=$("$Q" ls '*' "$T/missing" 2>&1 >/dev/null); check ls-missing 2 $?
check ls-missing-text "qvxutil: no such directory: $T/missing" "$(echo "$err" | head -n 1)"
check ls-empty "0 entries" "$("$Q" ls '*.none' "$T")"
exit $fail
