#!/usr/bin/env bash
# qvxutil windows, window show|hide|kill and msgbox on a private Xvfb server.
set -uo pipefail
: "${QVX_BUILD_DIR:?}"
q=$QVX_BUILD_DIR/tools/qvxutil/qvxutil
tmp=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fails=0

source "$(dirname "$0")/cli-expect.sh"

# until_true COMMAND...: retries for up to 5 s.
until_true() {
  for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  return 1
}

nl=$'\n'
expect "windows without a display" 1 "" "qvxutil: no desktop .*" -- env -u DISPLAY "$q" windows
expect "window without a display" 1 "" "qvxutil: no window is titled 'x'" -- env -u DISPLAY "$q" window hide x
expect "msgbox without a display" 0 "" "\[Cap\]${nl}one${nl}two" -- env -u DISPLAY "$q" msgbox Cap "one${nl}two"
expect "window usage" 2 "" "qvxutil: unknown window operation 'move'.*${nl}usage: qvxutil window show\|hide\|kill TITLE" -- \
  "$q" window move x
expect "window needs a title" 2 "" "qvxutil: window needs .*${nl}usage: .*" -- "$q" window show
expect "msgbox usage" 2 "" "qvxutil: msgbox needs .*${nl}usage: .*" -- "$q" msgbox only

Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 2560x1600x24 3>"$tmp/display" 2>/dev/null &
pids+=($!)
until_true grep -q . "$tmp/display" || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$tmp/display")

xmessage -title "cli message" hello 2>/dev/null &
xm=$!
pids+=($xm)
until_true "$q" window show "cli message" || echo "FAIL: the xmessage window did not appear"
expect "windows lists owner, size, state, title" 0 \
  " +OWNER  SIZE +STATE +TITLE${nl} +$xm  2000x500 +shown +cli message" "" -- "$q" windows
expect "window hide" 0 "" "" -- "$q" window hide "cli message"
expect "hidden in the list" 0 ".*${nl} +$xm  2000x500 +hidden +cli message" "" -- "$q" windows
expect "window show" 0 "" "" -- "$q" window show "cli message"
expect "no such title" 1 "" "qvxutil: no window is titled 'cli'" -- "$q" window show cli
expect "window kill" 0 "" "" -- "$q" window kill "cli message"
wait "$xm" 2>/dev/null; rc=$?
[ "$rc" = 137 ] && echo "ok: xmessage killed" || { echo "FAIL: xmessage ended with $rc"; fails=$((fails + 1)); }

# The message box stays until it is answered; its window names qvxutil as owner.
"$q" msgbox "cli box" "some text" &
box=$!
pids+=($box)
until_true "$q" window show "cli box" || echo "FAIL: the message box did not appear"
expect "msgbox owner" 0 ".*${nl} +$box  [0-9]+x[0-9]+ +shown +cli box" "" -- "$q" windows
kill -0 "$box" 2>/dev/null && echo "ok: msgbox waits" || { echo "FAIL: msgbox returned"; fails=$((fails + 1)); }
expect "msgbox killed by its window" 0 "" "" -- "$q" window kill "cli box"

[ "$fails" -eq 0 ] && echo "all passed" || echo "$fails failed"
[ "$fails" -eq 0 ]
