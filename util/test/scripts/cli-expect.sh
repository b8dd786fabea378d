# Sourced by the command-line script tests: needs $tmp (a scratch directory)
# and counts failures in $fails.

# expect NAME CODE STDOUT-PATTERN STDERR-PATTERN -- command...
# Patterns are extended regexes matched against the whole output ("" = empty).
expect() {
  local name=$1 code=$2 out=$3 err=$4; shift 5
  local rc=0
  "$@" >"$tmp/out" 2>"$tmp/err" || rc=$?
  local o e
  o=$(cat "$tmp/out"); e=$(cat "$tmp/err")
  if [ "$rc" != "$code" ] || ! [[ "$o" =~ ^$out$ ]] || ! [[ "$e" =~ ^$err$ ]]; then
    echo "FAIL $name: exit $rc (want $code)"; echo "  stdout: $o"; echo "  stderr: $e"
    fails=$((fails + 1))
  else
    echo "ok: $name"
  fi
}
