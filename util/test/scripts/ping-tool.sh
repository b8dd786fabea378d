#!/usr/bin/env bash
# qvxutil ping, mtu and adapters between two network namespaces made here
# (root only), beside iputils ping on the same link.
set -euo pipefail
tool=$QVX_BUILD_DIR/tools/qvxutil/qvxutil
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: needs root for network namespaces (CI runs this as root)"
  exit 77
fi
a=qvxping$$a b=qvxping$$b
cleanup() { ip netns del "$a" 2>/dev/null || true; ip netns del "$b" 2>/dev/null || true; }
trap cleanup EXIT
ip netns add "$a"
ip netns add "$b"
ip -n "$a" link add a0 type veth peer name b0 netns "$b"
ip -n "$a" addr add 10.79.0.1/24 dev a0
ip -n "$b" addr add 10.79.0.2/24 dev b0
ip -n "$a" link set a0 up address 00:0a:1b:2c:3d:4e
ip -n "$b" link set b0 up
ip -n "$a" link set lo up
inA() { ip netns exec "$a" "$@"; }

out=$(inA "$tool" ping 10.79.0.2 --from 10.79.0.1 --count 2) || fail "ping: $out"
[ "$(grep -c '^reply from 10.79.0.2: 98 bytes$' <<<"$out")" -eq 2 ] || fail "ping lines: $out"
grep -qx '2 sent, 2 answered' <<<"$out" || fail "ping summary: $out"
# One byte over the link with don't-fragment: refused here as by iputils.
rc=0; out=$(inA "$tool" ping 10.79.0.2 --size 1515 --df --count 1) || rc=$?
[ "$rc" -eq 1 ] && grep -q 'error 90 (Message too long)' <<<"$out" || fail "df: $rc $out"
! inA ping -c1 -W2 -M do -s 1473 10.79.0.2 >/dev/null 2>&1 || fail "iputils sent 1473 bytes with DF"
inA "$tool" ping 10.79.0.2 --size 1515 --count 1 >/dev/null || fail "fragmented ping"

out=$(inA "$tool" mtu 10.79.0.2 --from 10.79.0.1)
grep -q '^frame 1514 bytes towards 10.79.0.2' <<<"$out" || fail "mtu: $out"
grep -q '^payload 1472 bytes fits (IP datagram 1500 bytes)' <<<"$out" || fail "mtu payload: $out"

out=$(inA "$tool" adapters)
[ "$out" = "000A1B2C3D4E  [2] veth" ] || fail "adapters: $out"
[ "$(inA "$tool" adapters --mac)" = "000A1B2C3D4E" ] || fail "adapters --mac"

# Without CAP_NET_RAW: a plain message and exit code 1, no failed-check report.
rc=0
out=$(inA setpriv --inh-caps=-net_raw --bounding-set=-net_raw "$tool" mtu 10.79.0.2 2>&1) || rc=$?
[ "$rc" -eq 1 ] || fail "unprivileged mtu gave $rc: $out"
[ "$out" = "qvxutil mtu: cannot open a raw IPv4 socket: mtu needs root or the CAP_NET_RAW capability" ] \
  || fail "unprivileged message: $out"
rc=0; "$tool" ping >/dev/null 2>&1 || rc=$?
[ "$rc" -eq 2 ] || fail "ping without a host gave $rc"
echo "ok"
