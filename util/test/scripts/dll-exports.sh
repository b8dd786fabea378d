#!/usr/bin/env bash
# The Windows DLLs as `objdump -p` lists them: every plain function of the
# library (declared QVXUTIL_C_API in util/src) is exported under its own
# undecorated name, and the only imported DLLs are Windows system DLLs (the C
# and C++ run-time are linked in statically). Checks each DLL given.
set -u
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
# Windows' own DLLs that the library may import.
system='^(kernel32|user32|advapi32|ws2_32|msvcrt|ole32|oleaut32|iphlpapi|psapi|netapi32|userenv|shell32|gdi32|secur32|version|api-ms-win-[a-z0-9-]+)\.dll$'

functions=$(sed -nE 's/^QVXUTIL_C_API[^(]*[ *&]([A-Za-z_][A-Za-z0-9_]*)\(.*/\1/p' "$QVX_SOURCE_DIR"/util/src/*.h | sort -u)
[ "$(echo "$functions" | wc -w)" -ge 4 ] || fail "too few plain functions found in the headers: $functions"
for must in showKbrAssert enableAssertExceptionMode formatString unitTesting; do
  echo "$functions" | grep -qx "$must" || fail "$must is not declared QVXUTIL_C_API"
done

[ $# -gt 0 ] || { echo "usage: dll-exports.sh DLL..."; exit 2; }
for dll in "$@"; do
  [ -f "$dll" ] || { fail "$dll is missing"; continue; }
  dump=$(objdump -p "$dll") || { fail "objdump cannot read $dll"; continue; }
  # The name pointer table: "[ n] name" lines after "Ordinal/Name Pointer".
  exports=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -nE 's/^\s*\[\s*[0-9]+\] (.*)$/\1/p')
  [ -n "$exports" ] || fail "$dll: no export table"
  for f in $functions; do
    echo "$exports" | grep -qx "$f" || fail "$dll: $f not exported undecorated"
  done
  # No plain function may appear only in a decorated form (_f, f@n).
  echo "$exports" | grep -E '^_[a-z]|@[0-9]+$' | grep -v '^_Z' && fail "$dll: decorated C names exported"
  imports=$(echo "$dump" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p' | tr 'A-Z' 'a-z')
  [ -n "$imports" ] || fail "$dll: no import table"
  for i in $imports; do
    [[ $i =~ $system ]] || fail "$dll imports $i, which is not a Windows system DLL"
  done
  echo "$dll: $(echo "$exports" | wc -l) exports, imports: $(echo $imports)"
done
exit "$failures"
