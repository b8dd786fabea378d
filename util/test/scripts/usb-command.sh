#!/usr/bin/env bash
# qvxutil usb on this machine's real driver: no USB bus, so no FTDI device.
set -u
tool="$QVX_BUILD_DIR/tools/qvxutil/qvxutil"
failures=0
check() {  # check NAME EXPECTED ACTUAL
  [ "$2" == "$3" ] || { echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); }
}
if [ -d /dev/bus/usb ] && [ -n "$(ls /dev/bus/usb 2>/dev/null)" ]; then
  echo "this machine has a USB bus; the no-device answers cannot be checked here" >&2
  exit 1
fi

out=$("$tool" usb list 2>&1); check "list" "0 no FTDI device found" "$? $out"

start=$(date +%s%N)
err=$("$tool" usb send 'QVX Probe 7' 'ID?\r\n' --wait 0 2>&1 >/dev/null)
check "send to no device" \
  "1 qvxutil: HW_USB_DEVICE_NOT_FOUND_KEY['The device QVX Probe 7 was not found.', QVX Probe 7]" "$? $err"
# The device is looked for before any wait.
"$tool" usb send 'QVX Probe 7' 'ID?' --wait 3000 >/dev/null 2>&1; check "send exit" 1 $?
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
[ "$elapsed_ms" -lt 2500 ] || { echo "FAIL waited before connecting: ${elapsed_ms} ms"; failures=$((failures + 1)); }

for bad in 'a\q' 'a\' '\x4' '\xg0'; do
  "$tool" usb send D "$bad" >/dev/null 2>&1; check "escape $bad refused" 2 $?
done
for args in "" "list x" "send D" "send D m extra" "send D m --wait" "send D m --wait -1" \
            "send D m --wait 5ms" "probe"; do
  # shellcheck disable=SC2086
  "$tool" usb $args >/dev/null 2>&1; check "usage: usb $args" 2 $?
done
exit "$failures"
