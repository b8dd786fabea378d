# TCP classes and their socket exceptions, on loopback sockets. TcpipTest also
# runs under ThreadSanitizer for shutdown() racing accept().
qvx_add_test(SocketIntExceptionTest SOURCES SocketIntExceptionTest.cpp ASAN)
qvx_add_test(TcpipTest SOURCES TcpipTest.cpp ASAN TSAN)
