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
