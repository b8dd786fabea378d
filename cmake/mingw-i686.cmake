# 32-bit Windows with mingw-w64: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake.
# Built and export-checked only: this machine cannot run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QVX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
