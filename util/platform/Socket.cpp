// The parts of the socket facility that read the same on every host: byte
// order and IPv4 address records.
#include "Socket.h"

#include "HostSocketAddress.h"

namespace qvx {
namespace platform {

std::uint16_t socketHostToNetwork16(std::uint16_t value)
{
    return htons(value);
}

std::uint16_t socketNetworkToHost16(std::uint16_t value)
{
    return ntohs(value);
}

std::uint32_t socketHostToNetwork32(std::uint32_t value)
{
    return htonl(value);
}

std::uint32_t socketNetworkToHost32(std::uint32_t value)
{
    return ntohl(value);
}

sockaddr_in socketMakeAddress(std::uint32_t networkAddress, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = networkAddress;
    return address;
}

std::uint32_t socketAnyAddress()
{
    return htonl(INADDR_ANY);
}

std::uint32_t socketLoopbackAddress()
{
    return htonl(INADDR_LOOPBACK);
}

}  // namespace platform
}  // namespace qvx
