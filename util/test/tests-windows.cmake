# The Windows build's own tests: the DLL's exports and imports (both DLLs
# when the 32-bit build tree is known), the win32 host layer under Wine, and
# the two builds' tools talking over loopback.
if(QVX_WINDOWS)
  qvx_add_test(HostLayerWin32Test SOURCES HostLayerWin32Test.cpp)
  qvx_add_test(WindowUtilWin32Test SOURCES WindowUtilWin32Test.cpp)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QVX_I686_BUILD_DIR "" CACHE PATH "The 32-bit Windows build tree whose DLL the export test checks too")
    set(dlls ${CMAKE_BINARY_DIR}/bin/qvxUtil.dll)
    if(QVX_I686_BUILD_DIR)
      list(APPEND dlls ${QVX_I686_BUILD_DIR}/bin/qvxUtil.dll)
    endif()
    add_test(NAME DllExportsTest COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/dll-exports.sh ${dlls})
    set_tests_properties(DllExportsTest PROPERTIES ENVIRONMENT "QVX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    # Changes the prefix's Windows version for a while: nothing else runs meanwhile.
    add_test(NAME WineOsVersionTest COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/wine-osversion.sh)
    set_tests_properties(WineOsVersionTest PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE
      ENVIRONMENT "QVX_BUILD_DIR=${PROJECT_BINARY_DIR}")
    set(QVX_LINUX_TOOL "" CACHE FILEPATH "The Linux qvxutil the interoperation test talks to")
    if(QVX_LINUX_TOOL)
      add_test(NAME WineInteropTest COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/wine-interop.sh)
      set_tests_properties(WineInteropTest PROPERTIES TIMEOUT 120
        ENVIRONMENT "QVX_BUILD_DIR=${PROJECT_BINARY_DIR};QVX_LINUX_TOOL=${QVX_LINUX_TOOL}")
    endif()
  endif()
endif()
