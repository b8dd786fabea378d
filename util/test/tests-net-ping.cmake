# Ping and the adapter list in network namespaces the tests make themselves
# (root only; they say so and skip otherwise), and the ping, mtu and adapters
# subcommands against iputils on the same links.
qvx_add_test(PingTest SOURCES PingTest.cpp ASAN)
qvx_add_test(MacUtilTest SOURCES MacUtilTest.cpp ASAN)
qvx_add_script_test(PingToolTest scripts/ping-tool.sh)
if(TEST PingToolTest)
  set_tests_properties(PingToolTest PROPERTIES SKIP_RETURN_CODE 77)
endif()
