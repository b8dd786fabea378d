#!/usr/bin/env bash
# The message server and client against programs nobody here wrote (socat,
# bash's /dev/tcp), through qvxutil serve, send and demo.
set -u
tool="$QVX_BUILD_DIR/tools/qvxutil/qvxutil"
failures=0
check() {  # check NAME EXPECTED ACTUAL
  [ "$2" == "$3" ] || { echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); }
}
listening() { grep -q ":$(printf '%04X' "$1") 00000000:0000 0A" /proc/net/tcp; }
wait_listening() { for _ in $(seq 250); do listening "$1" && return; sleep 0.02; done; }
free_port() { local p; while p=$((20000 + RANDOM % 30000)); listening "$p"; do :; done; echo "$p"; }
command -v socat >/dev/null || { echo "socat is missing (scripts/packages/net.txt)"; exit 1; }
unset UNIT_TESTING
out=$(mktemp); answerer=$(mktemp)
trap 'kill $pids 2>/dev/null; rm -f "$out" "$answerer"' EXIT

port=$(free_port)
"$tool" serve --port "$port" --marker END --handler upper >"$out" 2>&1 & pids=$!
wait_listening "$port"
# socat half-closes after its request: the answer, then the last call for the
# rest of the exchange (nothing).
check "socat client" "$(printf 'HELLO\nEND\n\nEND\n' | od -c)" \
  "$(printf 'hello\n' | timeout 5 socat -t2 - "TCP:127.0.0.1:$port" | od -c)"
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'mixed Case\r\n' >&3
check "bash client, CR kept" "$(printf 'MIXED CASE\r\nEND\n' | od -c)" "$(timeout 5 head -c 16 <&3 | od -c)"
exec 3<&-
check "qvxutil send" "FROM SEND" "$(timeout 5 "$tool" send localhost "$port" --marker END 'from send')"
exec 3<>"/dev/tcp/127.0.0.1/$port"  # connected and silent: SIGINT still stops
kill -INT "$pids"; timeout 5 tail --pid="$pids" -f /dev/null; wait "$pids"
check "serve stops on SIGINT" "0 stopped" "$? $(tail -n 1 "$out")"
exec 3<&-

port=$(free_port)
"$tool" serve --port "$port" --raw >"$out" 2>&1 & pids=$!
wait_listening "$port"
check "raw echo" "$(printf 'a\0b\n' | od -c)" "$(printf 'a\0b\n' | timeout 5 socat -t1 - "TCP:127.0.0.1:$port" | od -c)"
kill -TERM "$pids"; wait "$pids"; check "serve stops on SIGTERM" 0 $?

port=$(free_port)
echo 'while IFS= read -r l; do printf "%s\n" "got $l" "end" END; done' >"$answerer"
socat "TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr" "EXEC:bash $answerer" & pids=$!
wait_listening "$port"
check "SocketClient against socat" $'got one\nend\ngot two words\nend' \
  "$(timeout 5 "$tool" send 127.0.0.1 "$port" --marker END one 'two words')"
wait "$pids"  # socat serves one connection
timeout 5 "$tool" send 127.0.0.1 "$port" x >/dev/null 2>&1; check "refused connect" 1 $?

demo=$(timeout 20 "$tool" demo); check "demo exit" 0 $?
check "demo" "< LINE-BASED PROTOCOL|server stopped" "$(echo "$demo" | grep '^< LINE')|$(echo "$demo" | tail -n 1)"
exit "$failures"
