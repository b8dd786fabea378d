#!/usr/bin/env bash
# Installs the built library into a temporary prefix and builds and runs a tiny
# consumer against it twice: through find_package(qvxUtil) and through
# pkg-config. Also checks what the installed library exports and needs.
set -euo pipefail
: "${QVX_BUILD_DIR:?}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

cmake --install "$QVX_BUILD_DIR" --prefix "$prefix" >/dev/null

lib=$(find "$prefix" -name 'libqvxUtil.so' | head -n 1)
[ -n "$lib" ] || { echo "libqvxUtil.so not installed"; exit 1; }
# The library compiles against jni.h but never links the JVM.
# (Outputs are captured first: grep -q on a pipe would end the writer early.)
dynamic=$(readelf -d "$lib")
if grep -q 'libjvm' <<<"$dynamic"; then echo "installed library needs libjvm"; exit 1; fi
# Plain functions are exported with undecorated names.
symbols=$(nm -D --defined-only "$lib")
for f in showKbrAssert showKbrAssertWithMessage enableAssertExceptionMode setupJniAssertMode \
         raiseJavaAssertWithMessage isJavaUnitTesting displayMessageBoxWithOKButton unitTesting; do
  grep -qw "$f" <<<"$symbols" || { echo "not exported: $f"; exit 1; }
done
[ -f "$prefix/include/qvxUtil/kbrAssert.h" ] || { echo "headers not installed"; exit 1; }

mkdir -p "$tmp/consumer"
cat > "$tmp/consumer/main.cpp" <<'CPP'
#include <iostream>
#include <sstream>

#include "FileNotFoundDatastoreException.h"
#include "kbrAssert.h"

int main()
{
    enableAssertExceptionMode();
    try
    {
        showKbrAssert("x > 0", "consumer.cpp", 3);
    }
    catch (const XrayTesterException& e)
    {
        std::cout << e << '\n';
    }
    std::cout << FileNotFoundDatastoreException("a.txt") << '\n';
    return 0;
}
CPP
cat > "$tmp/consumer/CMakeLists.txt" <<'CM'
cmake_minimum_required(VERSION 3.25)
project(consumer CXX)
set(CMAKE_CXX_STANDARD 17)
find_package(qvxUtil 1 REQUIRED)
add_executable(consumer main.cpp)
target_link_libraries(consumer PRIVATE qvxUtil::qvxUtil)
CM

expected="ASSERT_EXCEPTION_KEY['Internal error - An assert condition 'x > 0' failed at line number 3 in file 'consumer.cpp'.', x > 0, consumer.cpp, 3]
DS_CANNOT_FIND_FILE_ERROR_KEY['The file 'a.txt' was not found.', a.txt]"

check() {
  local how=$1 got
  got=$("$2")
  if [ "$got" != "$expected" ]; then
    echo "consumer built with $how printed:"; echo "$got"; exit 1
  fi
  echo "ok: consumer built with $how"
}

cmake -S "$tmp/consumer" -B "$tmp/consumer/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  >"$tmp/cmake.log" 2>&1 || { cat "$tmp/cmake.log"; exit 1; }
cmake --build "$tmp/consumer/build" >"$tmp/build.log" 2>&1 || { cat "$tmp/build.log"; exit 1; }
check find_package "$tmp/consumer/build/consumer"

pcdir=$(dirname "$(find "$prefix" -name qvxUtil.pc | head -n 1)")
flags=$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs qvxUtil)
libdir=$(PKG_CONFIG_PATH=$pcdir pkg-config --variable=libdir qvxUtil)
# shellcheck disable=SC2086
c++ -std=c++17 "$tmp/consumer/main.cpp" -o "$tmp/consumer-pc" $flags -Wl,-rpath,"$libdir"
check pkg-config "$tmp/consumer-pc"
