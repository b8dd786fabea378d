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
# A port below the range the host hands out to clients, used by no socket here.
free_port() {
  local p low
  low=$(cut -f1 /proc/sys/net/ipv4/ip_local_port_range)
  while p=$((10000 + RANDOM % (low - 10000))); grep -q ":$(printf '%04X' "$p") " /proc/net/tcp; do :; done
  echo "$p"
}
command -v socat >/dev/null || { echo "socat is missing (scripts/packages/net.txt)"; exit 1; }
unset UNIT_TESTING
out=$(mktemp); answerer=$(mktemp)
trap 'kill $pids 2>/dev/null; rm -f "$out" "$answerer"' EXIT

banner_port() {  # banner_port FILE: waits for the serve banner, prints its port
  for _ in $(seq 250); do
    sed -n 's/^serving .* on port \([0-9]*\) .*/\1/p' "$1" | grep . && return; sleep 0.02
  done
}
start_serve() {  # start_serve ARGS...: a server on a port the host chooses; sets pids, port
  : >"$out"  # not the last server's banner
  "$tool" serve --port 0 "$@" >>"$out" 2>&1 & pids=$!
  port=$(banner_port "$out")
}
start_socat() {  # start_socat ADDRESS: a socat listener on a free port; sets pids, port
  for _ in $(seq 10); do
    port=$(free_port)
    socat "TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr" "$1" 2>/dev/null & pids=$!
    for _ in $(seq 250); do
      listening "$port" && return
      kill -0 "$pids" 2>/dev/null || break  # taken meanwhile: another port
      sleep 0.02
    done
  done
}

start_serve --marker END --handler upper
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

start_serve --raw
check "raw echo" "$(printf 'a\0b\n' | od -c)" "$(printf 'a\0b\n' | timeout 5 socat -t1 - "TCP:127.0.0.1:$port" | od -c)"
kill -TERM "$pids"; wait "$pids"; check "serve stops on SIGTERM" 0 $?

echo 'while IFS= read -r l; do printf "%s\n" "got $l" "end" END; done' >"$answerer"
start_socat "EXEC:bash $answerer"
check "SocketClient against socat" $'got one\nend\ngot two words\nend' \
  "$(timeout 5 "$tool" send 127.0.0.1 "$port" --marker END one 'two words')"
wait "$pids"  # socat serves one connection
timeout 5 "$tool" send 127.0.0.1 "$port" x >/dev/null 2>&1; check "refused connect" 1 $?

# serve --port 0: the banner names the port the host chose, and is printed
# only once the server listens: a connect right after it is never refused.
refused=0
for _ in $(seq 20); do
  start_serve
  timeout 5 "$tool" send 127.0.0.1 "$port" hi >/dev/null 2>&1 || refused=$((refused + 1))
  kill -TERM "$pids"; wait "$pids"
done
check "connects right after the banner" 0 "$refused"

# A half request is never handled on a stop; the idle time-out lets a silent
# client go so that the next one is served.
start_serve --idle-timeout 0.3
exec 3<>"/dev/tcp/127.0.0.1/$port"  # silent
check "past a silent client" "NEXT" "$(timeout 5 "$tool" send 127.0.0.1 "$port" NEXT)"
exec 3<&-
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'delete all files in /da' >&3
sleep 0.1
kill -TERM "$pids"; wait "$pids"
check "stop drops a half request" "0 stopped|" "$? $(tail -n 1 "$out")|$(timeout 5 cat <&3)"
exec 3<&-

# send: bad arguments are usage errors; a silent server times out.
expect_exit() {  # expect_exit NAME CODE STDERR-PATTERN -- command...
  local name=$1 code=$2 pattern=$3 rc=0; shift 4
  "$@" >/dev/null 2>"$answerer" || rc=$?
  check "$name" "$code yes" "$rc $(grep -qE -e "$pattern" "$answerer" && echo yes)"
}
expect_exit "send, LF in a message" 2 "message 2 holds a CR or LF" -- \
  "$tool" send 127.0.0.1 1 ok "$(printf 'two\nlines')"
expect_exit "send, CR in a message" 2 "message 1 holds a CR or LF" -- "$tool" send 127.0.0.1 1 "$(printf 'a\rb')"
expect_exit "send, --marker last" 2 "option --marker needs a value" -- "$tool" send 127.0.0.1 1 hi --marker
expect_exit "send, bad --timeout" 2 "--timeout needs a number of seconds" -- "$tool" send 127.0.0.1 1 --timeout -1 hi
expect_exit "serve, --idle-timeout last" 2 "option --idle-timeout needs a value" -- "$tool" serve --idle-timeout
start_socat "EXEC:sleep 10"
start=$(date +%s%N)
expect_exit "send times out" 1 "SOCKET_RESPONSE_TIMEOUT_KEY" -- \
  timeout 5 "$tool" send 127.0.0.1 "$port" --timeout 0.4 hello
took=$((($(date +%s%N) - start) / 1000000))
check "send took about its time-out" yes "$([ "$took" -ge 400 ] && [ "$took" -lt 3000 ] && echo yes)"
kill "$pids" 2>/dev/null; wait "$pids" 2>/dev/null

demo=$(timeout 20 "$tool" demo); check "demo exit" 0 $?
check "demo" "< LINE-BASED PROTOCOL|server stopped" "$(echo "$demo" | grep '^< LINE')|$(echo "$demo" | tail -n 1)"
exit "$failures"
