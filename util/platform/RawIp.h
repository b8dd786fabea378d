#ifndef QVX_RAW_IP_H
#define QVX_RAW_IP_H

#include "HostSocketAddress.h"
#include "QvxExport.h"
#include "SocketHandle.h"

// Raw IPv4 datagrams whose IP header the caller writes itself.
//
// On this host the socket is socket(AF_INET, SOCK_RAW, IPPROTO_RAW): Linux
// refuses protocol 0 for a raw socket, and IPPROTO_RAW implies IP_HDRINCL
// (rawIpSetHeaderIncluded still sets it, so that a refusal is seen). It needs
// root or CAP_NET_RAW. The stack fills in the header checksum, and the
// identification when it is 0; everything else goes out as written. A
// datagram longer than the device MTU of its route is refused with
// SOCKERR_EMSGSIZE (Socket.h), whatever its don't-fragment flag says: that is
// the "too long" refusal. Bind, receive time-out, close and error codes are
// those of Socket.h.
namespace qvx {
namespace platform {

// The raw socket, or the invalid handle (then socketLastError() tells why).
// The descriptor is not inherited by started programs.
QVXUTIL_API SocketHandle rawIpCreateSocket();
QVXUTIL_API int rawIpSetHeaderIncluded(SocketHandle socket, bool on);
// Sends one datagram of size bytes (IP header first); the count sent or -1.
QVXUTIL_API int rawIpSendTo(SocketHandle socket, const void* datagram, int size,
                            const sockaddr_in& destination);

}  // namespace platform
}  // namespace qvx

#endif
