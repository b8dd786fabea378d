# Windows found by title and the message box, on a private Xvfb server.
add_executable(qvx_test_window WindowTestClient.cpp)
target_link_libraries(qvx_test_window PRIVATE X11::X11)
qvx_add_test(WindowTest SOURCES WindowTest.cpp LIBS X11::X11 X11::Xtst ASAN)
if(TARGET WindowTest)
  target_compile_definitions(WindowTest PRIVATE QVX_TEST_WINDOW="$<TARGET_FILE:qvx_test_window>")
  add_dependencies(WindowTest qvx_test_window)
endif()
qvx_add_script_test(WindowsCliTest scripts/windows-cli.sh)
