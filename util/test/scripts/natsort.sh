#!/usr/bin/env bash
# qvxutil natsort: natural order of standard input's lines, -s case-sensitive.
set -euo pipefail
tool=$QVX_BUILD_DIR/tools/qvxutil/qvxutil
fail() { echo "FAIL: $*" >&2; exit 1; }
got=$(printf 'file10\nFile2\nfile1\nb\nA\n' | "$tool" natsort)
[ "$got" = $'A\nb\nfile1\nFile2\nfile10' ] || fail "default order: $got"
got=$(printf 'a1\nB1\nb1\n' | "$tool" natsort -s)
[ "$got" = $'B1\na1\nb1' ] || fail "case-sensitive order: $got"
# A last line without a line feed is kept; cyclic names still give every line.
got=$(printf -- '-5\n3\n-3a\nz' | "$tool" natsort | LC_ALL=C sort | tr '\n' ' ')
[ "$got" = "-3a -5 3 z " ] || fail "lines lost: $got"
rc=0; "$tool" natsort -x </dev/null 2>/dev/null || rc=$?
[ "$rc" -eq 2 ] || fail "usage error gave $rc"
