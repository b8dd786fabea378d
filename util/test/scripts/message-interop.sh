#!/usr/bin/env bash
# The message server and client against programs nobody here wrote (socat,
# bash's /dev/tcp), and the serve, send and demo commands end to end.
set -u
tool="$QVX_BUILD_DIR/tools/qvxutil/qvxutil"
failures=0
check() {  # check NAME EXPECTED ACTUAL
  [ "$2" == "$3" ] || { echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); }
}
listening() {  # listening PORT: true once something listens on it
  grep -q ":$(printf '%04X' "$1") 00000000:0000 0A" /proc/net/tcp
}
wait_listening() {
  for _ in $(seq 200); do listening "$1" && return 0; sleep 0.02; done
  echo "FAIL nothing listens on $1"; failures=$((failures + 1)); return 1
}
free_port() {
  local p
  while :; do p=$((20000 + RANDOM % 30000)); listening "$p" || { echo "$p"; return; }; done
}
command -v socat >/dev/null || { echo "socat is missing (scripts/packages/net.txt)"; exit 1; }
unset UNIT_TESTING
cleanup() { [ -n "${pids:-}" ] && kill $pids 2>/dev/null; }
trap cleanup EXIT

# SocketServer driven by socat and by bash.
port=$(free_port)
out=$(mktemp)
"$tool" serve --port "$port" --marker END --handler upper >"$out" 2>&1 &
server=$!; pids="$server"
wait_listening "$port"
# socat half-closes after the request: the answer, then one last call for
# the (empty) rest of the exchange.
check "socat client" "$(printf 'HELLO\nEND\n\nEND\n' | od -c)" \
  "$(printf 'hello\n' | timeout 5 socat -t2 - "TCP:127.0.0.1:$port" | od -c)"
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'mixed Case\r\n' >&3
check "bash client, CR kept" "$(printf 'MIXED CASE\r\nEND\n' | od -c)" "$(timeout 5 head -c 16 <&3 | od -c)"
exec 3<&-
timeout 5 "$tool" send 127.0.0.1 "$port" --marker END 'from send' >/dev/null  # after the bash client left
check "qvxutil send" "FROM SEND" "$(timeout 5 "$tool" send localhost "$port" --marker END 'from send')"
# A client that stays connected and silent does not keep SIGINT from working.
exec 3<>"/dev/tcp/127.0.0.1/$port"
kill -INT "$server"
timeout 5 tail --pid="$server" -f /dev/null
wait "$server"; check "serve stops on SIGINT" 0 $?
exec 3<&-
check "serve says so" "stopped" "$(tail -n 1 "$out")"

# Raw mode, stopped by SIGTERM.
port=$(free_port)
"$tool" serve --port "$port" --raw >"$out" 2>&1 &
server=$!; pids="$server"
wait_listening "$port"
check "raw echo" "$(printf 'a\0b\n' | od -c)" "$(printf 'a\0b\n' | timeout 5 socat -t1 - "TCP:127.0.0.1:$port" | od -c)"
kill -TERM "$server"; wait "$server"; check "serve stops on SIGTERM" 0 $?

# SocketClient against a socat server.
port=$(free_port)
answerer=$(mktemp)
echo 'while IFS= read -r l; do printf "%s\n" "got $l" "end" END; done' >"$answerer"
socat "TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr" "EXEC:bash $answerer" &
pids="$!"
wait_listening "$port"
check "SocketClient against socat" $'got one\nend\ngot two words\nend' \
  "$(timeout 5 "$tool" send 127.0.0.1 "$port" --marker END one 'two words')"
wait "$pids"  # socat serves one connection
timeout 5 "$tool" send 127.0.0.1 "$port" x >/dev/null 2>&1
check "refused connect" 1 $?
"$tool" send 127.0.0.1 >/dev/null 2>&1
check "send usage" 2 $?

# The demo runs a server and client in one process and stops by itself.
demo=$(timeout 20 "$tool" demo)
check "demo exit" 0 $?
check "demo upper" "< LINE-BASED PROTOCOL" "$(echo "$demo" | grep '^< LINE')"
check "demo end" "server stopped" "$(echo "$demo" | tail -n 1)"
rm -f "$out" "$answerer"
exit "$failures"
