// Winsock's raw IPv4 socket with IP_HDRINCL behind the raw IP facility. It
// needs an administrator; errors are Winsock codes (Socket.h).
#include "RawIp.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace qvx {
namespace platform {

SocketHandle rawIpCreateSocket()
{
    const SOCKET s = ::socket(AF_INET, SOCK_RAW, IPPROTO_RAW);
    if (s == INVALID_SOCKET)
        return INVALID_SOCKET_HANDLE;
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    return static_cast<SocketHandle>(s);
}

int rawIpSetHeaderIncluded(SocketHandle socket, bool on)
{
    const DWORD value = on ? 1 : 0;
    return ::setsockopt(static_cast<SOCKET>(socket), IPPROTO_IP, IP_HDRINCL, reinterpret_cast<const char*>(&value),
                        sizeof(value)) == SOCKET_ERROR
               ? -1
               : 0;
}

int rawIpSendTo(SocketHandle socket, const void* datagram, int size, const sockaddr_in& destination)
{
    if (size < 0)
    {
        ::WSASetLastError(WSAEINVAL);
        return -1;
    }
    const int sent = ::sendto(static_cast<SOCKET>(socket), static_cast<const char*>(datagram), size, 0,
                              reinterpret_cast<const sockaddr*>(&destination), sizeof(destination));
    return sent == SOCKET_ERROR ? -1 : sent;
}

}  // namespace platform
}  // namespace qvx
