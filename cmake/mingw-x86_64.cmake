# 64-bit Windows with mingw-w64: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake.
# The test programs of this build run under wine64 (see the top-level CMakeLists).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QVX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
