# Processes and the operating-system version: the process table, starting and
# killing programs (also as another user), WindowUtil's process operations,
# OSVersionUtil. The tests run copies of a small sleeper program.
add_executable(qvx_test_sleeper support/Sleeper.cpp)

# qvx_proc_test(Name ...): qvx_add_test with the sleeper's path as QVX_SLEEPER.
function(qvx_proc_test name)
  qvx_add_test(${name} ${ARGN})
  if(TARGET ${name})
    target_compile_definitions(${name} PRIVATE QVX_SLEEPER="$<TARGET_FILE:qvx_test_sleeper>")
    add_dependencies(${name} qvx_test_sleeper)
  endif()
endfunction()

qvx_proc_test(ProcessTableTest SOURCES ProcessTableTest.cpp ASAN)
qvx_proc_test(WindowUtilProcessTest SOURCES WindowUtilProcessTest.cpp ASAN TSAN)
# PAM loads libcrypt with its module, after a sanitizer runtime has looked for
# the crypt functions it wraps; loaded from the start, they are found.
if(TARGET WindowUtilProcessTest AND QVX_SANITIZE)
  target_link_libraries(WindowUtilProcessTest PRIVATE -Wl,--no-as-needed -l:libcrypt.so.1 -Wl,--as-needed)
endif()
qvx_add_test(OSVersionUtilTest SOURCES OSVersionUtilTest.cpp ASAN TSAN)
qvx_add_script_test(ProcessCommandsTest scripts/proc-commands.sh)
