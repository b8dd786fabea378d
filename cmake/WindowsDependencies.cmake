# What the Windows cross build needs that Debian packages only for Linux.
# Included by the top-level CMakeLists when CMAKE_CROSSCOMPILING and WIN32.
#
# Boost.Thread: compiled here from the Boost sources of the installed Boost
# version (QVX_BOOST_SOURCE_DIR, unpacked by ./qvx from the Debian source
# package) with the installed headers, so headers and sources match. Only the
# win32 implementation and future.cpp are needed; the archive is built once
# per build tree and then kept like any other target.
set(QVX_BOOST_SOURCE_DIR "" CACHE PATH "Boost sources of the installed Boost version")
set(_thread_src ${QVX_BOOST_SOURCE_DIR}/libs/thread/src)
if(NOT EXISTS ${_thread_src}/win32/thread.cpp)
  message(FATAL_ERROR "QVX_BOOST_SOURCE_DIR must name Boost's sources (libs/thread/src); "
                      "./qvx test unpacks them into build-boost/")
endif()
# An include folder holding only the installed boost/ headers: the rest of
# /usr/include belongs to the Linux host and must not be seen.
set(QVX_BOOST_INCLUDE_DIR ${CMAKE_BINARY_DIR}/boost-include)
file(MAKE_DIRECTORY ${QVX_BOOST_INCLUDE_DIR})
file(CREATE_LINK /usr/include/boost ${QVX_BOOST_INCLUDE_DIR}/boost SYMBOLIC)

add_library(qvx_boost_thread STATIC
  ${_thread_src}/win32/thread.cpp
  ${_thread_src}/win32/thread_primitives.cpp
  ${_thread_src}/win32/tss_dll.cpp
  ${_thread_src}/win32/tss_pe.cpp
  ${_thread_src}/future.cpp)
set_target_properties(qvx_boost_thread PROPERTIES OUTPUT_NAME boost_thread)
target_include_directories(qvx_boost_thread SYSTEM PUBLIC $<BUILD_INTERFACE:${QVX_BOOST_INCLUDE_DIR}>)
target_compile_definitions(qvx_boost_thread PUBLIC BOOST_THREAD_USE_LIB PRIVATE BOOST_THREAD_BUILD_LIB)
target_compile_options(qvx_boost_thread PRIVATE -w)  # Boost's own code, not ours
target_link_libraries(qvx_boost_thread PUBLIC ws2_32)
add_library(Boost::thread ALIAS qvx_boost_thread)
install(TARGETS qvx_boost_thread EXPORT qvxUtilTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# JNI: the JDK's jni.h with the Windows machine-dependent definitions.
if(NOT DEFINED JAVA_HOME)
  set(JAVA_HOME /usr/lib/jvm/java-17-openjdk-amd64)
endif()
if(NOT EXISTS ${JAVA_HOME}/include/jni.h)
  message(FATAL_ERROR "jni.h not found under ${JAVA_HOME}/include (openjdk-17-jdk-headless)")
endif()
set(JNI_INCLUDE_DIRS ${CMAKE_SOURCE_DIR}/util/platform/win32/jni ${JAVA_HOME}/include)

# Every program and the DLL in one folder, where Windows looks for a
# program's DLLs first.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The 64-bit build's programs run under wine64 in a Wine prefix of this build
# tree, without a display and without Wine's debug output.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QVX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
