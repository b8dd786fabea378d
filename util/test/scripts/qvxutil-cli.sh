#!/usr/bin/env bash
# The qvxutil program's frame: --help, --version, env, and usage errors.
set -uo pipefail
: "${QVX_BUILD_DIR:?}"
q=$QVX_BUILD_DIR/tools/qvxutil/qvxutil
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0

source "$(dirname "$0")/cli-expect.sh"

version=$(sed -n 's/^project(qvxUtil VERSION \([0-9.]*\).*/\1/p' "$QVX_SOURCE_DIR/CMakeLists.txt")
notice="Environmental variable CPP_REGRESSION_TEST_DATA_DIR not defined"
nl=$'\n'

expect help 0 "usage: qvxutil .*${nl}commands:${nl}.*  env +show unit-testing detection.*" "" -- "$q" --help
expect version 0 "qvxutil $version" "" -- "$q" --version
expect "env, unit testing, data dir" 0 "unit testing: +yes${nl}test data dir: +/data/regr" "" -- \
  env UNIT_TESTING=TrUe CPP_REGRESSION_TEST_DATA_DIR=/data/regr "$q" env
expect "env, nothing set" 0 "unit testing: +no${nl}${notice}${nl}test data dir: +\(not set\)" "" -- \
  env -u UNIT_TESTING -u CPP_REGRESSION_TEST_DATA_DIR "$q" env
expect "env, UNIT_TESTING=1 does not count" 0 "unit testing: +no${nl}.*" "" -- \
  env UNIT_TESTING=1 "$q" env
expect "unknown command" 2 "" "qvxutil: unknown command 'frobnicate'${nl}usage: qvxutil .*" -- \
  "$q" frobnicate
expect "no command" 2 "" "qvxutil: .*${nl}usage: qvxutil .*" -- "$q"
expect "env with an argument" 2 "" "qvxutil: env takes no arguments${nl}usage: qvxutil env" -- \
  "$q" env extra
# Library exceptions: the tool's prefix, and the host's text beside its code.
expect "refused connection" 1 "" \
  "qvxutil: SOCKET_COULD_NOT_CONNECT_ERROR_KEY\['SocketClient could not connect to server, error code: 111 \(Connection refused\)'\]" -- \
  "$q" send 127.0.0.1 1 hello

[ "$fails" -eq 0 ]
