# The message server and client on loopback sockets, and against other programs.
qvx_add_test(SocketServerTest SOURCES SocketServerTest.cpp ASAN TSAN)
qvx_add_test(SocketClientTest SOURCES SocketClientTest.cpp ASAN TSAN)
qvx_add_script_test(MessageInteropTest scripts/message-interop.sh)
qvx_add_test(SocketServerHostileClientTest SOURCES SocketServerHostileClientTest.cpp ASAN TSAN)
