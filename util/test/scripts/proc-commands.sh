#!/usr/bin/env bash
# qvxutil ps, find, kill, start and osversion on a real process: a copy of the
# tests' sleeper in a directory with a blank in its name.
set -uo pipefail
: "${QVX_BUILD_DIR:?}"
q=$QVX_BUILD_DIR/tools/qvxutil/qvxutil
tmp=$(mktemp -d)
id=
# The copy ends itself after two minutes; a failed run kills it by its id.
trap '[[ "$id" =~ ^[0-9]+$ ]] && kill -KILL "$id" 2>/dev/null; rm -rf "$tmp"' EXIT
fails=0
nl=$'\n'

source "$(dirname "$0")/cli-expect.sh"

mkdir -p "$tmp/my dir"
cp "$QVX_BUILD_DIR/util/test/qvx_test_sleeper" "$tmp/my dir/qvxclitool"
lib=${tmp//\//\\}'\my dir\qvxclitool'
re_lib=$(printf '%s' "$lib" | sed 's/[][\\.*^$(){}+?|]/\\&/g')

expect "start with arguments" 0 "started $tmp/my dir/qvxclitool.exe" "" -- "$q" start "$tmp/my dir/qvxclitool.exe" -x 1
expect "find by directory, name and arguments" 0 "[0-9]+" "" -- "$q" find "$tmp/my dir" QVXCLITOOL.EXE -X 1
id=$(cat "$tmp/out")
expect "find with other arguments" 1 "" "" -- "$q" find "$tmp/my dir" qvxclitool -x 2
expect "ps by name" 0 "$id	qvxclitool	$re_lib	\"$re_lib\.exe\" -x 1" "" -- "$q" ps qvxclitool
expect "ps by full path" 0 "$id	.*" "" -- "$q" ps "$tmp/my dir/qvxclitool"
expect "ps lists everything" 0 ".*${nl}$id	qvxclitool	.*" "" -- "$q" ps
expect "kill" 0 "1 killed" "" -- "$q" kill qvxclitool.exe
expect "kill of none" 1 "0 killed" "" -- "$q" kill qvxclitool
expect "start of a missing program" 1 "" "qvxutil: cannot start $tmp/none: error 2 \(No such file or directory\)" -- \
  "$q" start "$tmp/none"
expect "osversion" 0 "check: +.*'false' \(Unrecognized Operating System\).*${nl}classification: unrecognizedOperatingSystem${nl}host: +Linux .*" "" -- \
  "$q" osversion
expect "kill without a name" 2 "" "qvxutil: kill needs one name${nl}usage: qvxutil kill NAME" -- "$q" kill
expect "find without a name" 2 "" "qvxutil: find needs a directory and a name${nl}.*" -- "$q" find "$tmp"

[ "$fails" -eq 0 ]
