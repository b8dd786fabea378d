# Networking: the host socket facility, the message server and client.
qvx_add_test(SocketFacilityTest SOURCES SocketFacilityTest.cpp ASAN TSAN)
