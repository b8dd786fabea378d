#!/usr/bin/env bash
# qvxutil mem, reg, share, poweroff and reboot. The power commands are only
# ever run without their confirmation (and with UNIT_TESTING=true, which
# keeps the host's power request refused in any case).
set -uo pipefail
: "${QVX_BUILD_DIR:?}"
q=$QVX_BUILD_DIR/tools/qvxutil/qvxutil
tmp=$(mktemp -d)
chmod 755 "$tmp"
trap 'rm -rf "$tmp"' EXIT
export UNIT_TESTING=true QVX_REGISTRY_DIR=$tmp/store QVX_SMB_CONF=$tmp/smb.conf
nl=$'\n'

fails=0
source "$(dirname "$0")/cli-expect.sh"

# mem: MemTotal (units of 1024 bytes) in units of 1000 bytes.
kib=$(awk '/^MemTotal:/ {print $2}' /proc/meminfo)
expect mem 0 "$((kib * 1024 / 1000))" "" -- "$q" mem
expect "mem, an argument" 2 "" "qvxutil: mem takes no arguments${nl}usage: .*" -- "$q" mem -h

for c in poweroff reboot; do
  expect "$c without --yes" 2 "" "qvxutil: $c .*confirm with --yes${nl}usage: qvxutil $c --yes" -- "$q" "$c"
  expect "$c with another word" 2 "" ".*confirm with --yes.*" -- "$q" "$c" yes
done

k='HKLM\Software\Torvane\Tool'
expect "reg set dword" 0 "set in $tmp/store/local.reg" "" -- "$q" reg set "$k" Count --dword 0xffffffff
expect "reg set sz" 0 ".*" "" -- "$q" reg set "$k" Name --sz 'line "one"'
expect "reg set qword" 0 ".*" "" -- "$q" reg set "$k" Big --qword 18446744073709551615
expect "reg set, number too big" 2 "" ".*--dword needs an unsigned 32-bit number.*" -- \
  "$q" reg set "$k" Count --dword 4294967296
expect "reg get dword" 0 "4294967295" "" -- "$q" reg get "$k" count
expect "reg get sz" 0 'line "one"' "" -- "$q" reg get 'HKEY_LOCAL_MACHINE\SOFTWARE\TORVANE\TOOL' NAME
expect "reg get qword" 0 "-1" "" -- "$q" reg get "$k" Big
expect "reg get, missing value" 1 "" "qvxutil: no value Nope under .*" -- "$q" reg get "$k" Nope
expect "reg get, missing key" 1 "" "qvxutil: no key .*" -- "$q" reg get 'HKLM\Nothing' Nope
expect "reg get, not a key" 2 "" ".*is not a key below a root.*" -- "$q" reg get 'HKXX\A' v
# The store's file is the registry editor's: UTF-16LE with a byte-order mark.
expect "local.reg header" 0 "fffe570069006e00" "" -- bash -c "head -c 8 '$tmp/store/local.reg' | od -An -tx1 | tr -d ' \n' | cut -c1-16"

"$q" reg export 'HKLM\Software\Torvane' >"$tmp/export.reg"
expect "reg export" 0 "REGEDIT4.*\[HKEY_LOCAL_MACHINE\\\\Software\\\\Torvane\\\\Tool\].*\"Count\"=dword:ffffffff.*" "" -- \
  tr -d '\r' <"$tmp/export.reg"
rm -rf "$tmp/store"
expect "reg import" 0 "imported into $tmp/store" "" -- "$q" reg import "$tmp/export.reg"
expect "reg get after import" 0 'line "one"' "" -- "$q" reg get "$k" Name
printf 'REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n"v"=dword:xyz\r\n' >"$tmp/broken.reg"
expect "reg import, broken file" 1 "" "qvxutil: $tmp/broken.reg line 3: a dword value .*" -- \
  "$q" reg import "$tmp/broken.reg"
expect "broken file not in the store" 1 "" "" -- test -e "$tmp/store/broken.reg"

# share: a private Samba registry configuration (no server needed).
mkdir -p "$tmp"/{state,lock,private,cache,pid,ncalrpc,data}
cat >"$tmp/smb.conf" <<CONF
[global]
  state directory = $tmp/state
  lock directory = $tmp/lock
  private dir = $tmp/private
  cache directory = $tmp/cache
  pid directory = $tmp/pid
  ncalrpc dir = $tmp/ncalrpc
  include = registry
CONF
expect "share add" 0 "shared $tmp/data as Data" "" -- \
  "$q" share add "$tmp/data" Data --read-only --max 3 --comment "field data"
expect "share add, twice" 1 "" "qvxutil: the share exists already \(status 2118, configuration $tmp/smb.conf\)" -- \
  "$q" share add "$tmp/data" DATA
expect "share path" 0 "${tmp//\//\\\\}\\\\data" "" -- "$q" share path data
expect "share settings" 0 ".*comment = field data.*max connections = 3.*" "" -- \
  bash -c "net -s '$tmp/smb.conf' conf showshare Data | tr '\n\t' '  '"
expect "share add, no such directory" 1 "" ".*status 2116.*" -- "$q" share add "$tmp/none" None
expect "share add, bad --max" 2 "" ".*--max needs a number.*" -- "$q" share add "$tmp/data" X --max -1

echo "failures: $fails"
[ "$fails" -eq 0 ]
