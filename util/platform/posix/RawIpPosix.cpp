// Header-included raw IPv4 datagrams on a Linux raw socket.
#include "RawIp.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

namespace qvx {
namespace platform {

SocketHandle rawIpCreateSocket()
{
    const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW);
    return fd < 0 ? INVALID_SOCKET_HANDLE : fd;
}

int rawIpSetHeaderIncluded(SocketHandle socket, bool on)
{
    const int value = on ? 1 : 0;
    return ::setsockopt(socket, IPPROTO_IP, IP_HDRINCL, &value, sizeof(value)) == 0 ? 0 : -1;
}

int rawIpSendTo(SocketHandle socket, const void* datagram, int size, const sockaddr_in& destination)
{
    if (size < 0)
    {
        errno = EINVAL;
        return -1;
    }
    const ssize_t sent = ::sendto(socket, datagram, static_cast<std::size_t>(size), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&destination), sizeof(destination));
    return sent < 0 ? -1 : static_cast<int>(sent);
}

}  // namespace platform
}  // namespace qvx
