# Networking: the host socket facility, the message server and client.
qvx_add_test(SocketFacilityTest SOURCES SocketFacilityTest.cpp ASAN TSAN)
qvx_add_test(SocketServerTest SOURCES SocketServerTest.cpp ASAN TSAN)
qvx_add_test(SocketClientTest SOURCES SocketClientTest.cpp ASAN TSAN)
qvx_add_script_test(MessageInteropTest scripts/message-interop.sh)
