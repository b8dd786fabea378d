#ifndef QVX_HOST_SOCKET_ADDRESS_H
#define QVX_HOST_SOCKET_ADDRESS_H

// Gives public headers the host's IPv4 address types (sockaddr_in, in_addr)
// without the rest of the socket API.
#if defined(_WIN32)
#  include <winsock2.h>
#else
#  include <netinet/in.h>
#endif

#endif
