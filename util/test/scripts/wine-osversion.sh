#!/usr/bin/env bash
# The version classification on the Windows versions Wine can pretend to be:
# qvxutil.exe osversion under each Version setting of the build's prefix.
# The prefix's setting is restored afterwards (the test runs alone).
set -u
win="$QVX_BUILD_DIR/bin/qvxutil.exe"
run_wine="$QVX_BUILD_DIR/wine-run"
key='HKCU\Software\Wine'
failures=0

before=$("$run_wine" reg query "$key" /v Version 2>/dev/null | tr -d '\r' | awk '$1 == "Version" {print $3}')
restore() {
  if [ -n "$before" ]; then
    "$run_wine" reg add "$key" /v Version /d "$before" /f >/dev/null 2>&1
  else
    "$run_wine" reg delete "$key" /v Version /f >/dev/null 2>&1
  fi
}
trap restore EXIT

# Wine's name of the version, then the classification and, where the
# classification is not one of the named versions, the check it reports.
while read -r wine_version expected check; do
  "$run_wine" reg add "$key" /v Version /d "$wine_version" /f >/dev/null 2>&1 ||
    { echo "FAIL $wine_version: the prefix refused the setting"; failures=$((failures + 1)); continue; }
  out=$(timeout 60 "$run_wine" "$win" osversion 2>&1 | tr -d '\r')
  got=$(echo "$out" | sed -n 's/^classification: *//p')
  got_check=$(echo "$out" | sed -n 's/^check: *//p')
  if [ "$got" != "$expected" ] || [ "$got_check" != "${check:-}" ]; then
    echo "FAIL $wine_version: expected [$expected] check [${check:-}], got:"
    echo "$out"
    failures=$((failures + 1))
  fi
done <<'CASES'
win2k windows2000
winxp windowsXP
nt40 windowsNT4
nt351 windowsNT4
win7 windowsNT4
win10 windowsNT4
win95 windows95
win98 windows98
winme windowsMe
win31 windows3_1
CASES
exit "$failures"
