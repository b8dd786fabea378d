# TCP classes and their socket exceptions, on loopback sockets.
qvx_add_test(SocketIntExceptionTest SOURCES SocketIntExceptionTest.cpp ASAN)
qvx_add_test(TcpipTest SOURCES TcpipTest.cpp ASAN)
qvx_add_test(TcpipRaceTest SOURCES TcpipRaceTest.cpp ASAN TSAN)
