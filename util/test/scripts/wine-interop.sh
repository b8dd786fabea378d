#!/usr/bin/env bash
# The two builds on one wire: qvxutil.exe serve under Wine answers the Linux
# qvxutil send, and the Linux qvxutil serve answers qvxutil.exe send.
set -u
win="$QVX_BUILD_DIR/bin/qvxutil.exe"
linux="$QVX_LINUX_TOOL"
run_wine="$QVX_BUILD_DIR/wine-run"
failures=0
check() {  # check NAME EXPECTED ACTUAL
  [ "$2" == "$3" ] || { echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); }
}
listening() { grep -q ":$(printf '%04X' "$1") 00000000:0000 0A" /proc/net/tcp; }
wait_listening() { for _ in $(seq 500); do listening "$1" && return; sleep 0.02; done; }
free_port() { local p; while p=$((20000 + RANDOM % 30000)); listening "$p"; do :; done; echo "$p"; }
[ -x "$linux" ] || { echo "the Linux qvxutil is missing: $linux"; exit 1; }
unset UNIT_TESTING
pids=""
trap 'kill $pids 2>/dev/null' EXIT

port=$(free_port)
"$run_wine" "$win" serve --port "$port" --marker END --handler upper >/dev/null 2>&1 & pids=$!
wait_listening "$port"
check "Linux send to Windows serve" $'ONE\nTWO WORDS' \
  "$(timeout 20 "$linux" send 127.0.0.1 "$port" --marker END one 'two words')"
kill "$pids" 2>/dev/null; wait "$pids" 2>/dev/null

port=$(free_port)
"$linux" serve --port "$port" --marker END --handler hash >/dev/null 2>&1 & pids=$!
wait_listening "$port"
check "Windows send to Linux serve" $'1NJXIM47\n1NJXIM47' \
  "$(timeout 20 "$run_wine" "$win" send 127.0.0.1 "$port" --marker END abc ABC | tr -d '\r')"
kill -TERM "$pids"; wait "$pids"; check "Linux serve stops" 0 $?
exit "$failures"
