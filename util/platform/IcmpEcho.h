#ifndef QVX_ICMP_ECHO_H
#define QVX_ICMP_ECHO_H

#include <cstdint>

#include "HostSocketAddress.h"
#include "QvxExport.h"

// The host's ICMP echo service: send one echo request with a time to live, a
// type of service, the don't-fragment choice and a time-out, and say whether
// a reply came.
//
// On this host the service is an ICMP socket: a datagram ICMP socket
// (SOCK_DGRAM, IPPROTO_ICMP) when net.ipv4.ping_group_range of the current
// network namespace admits the caller's group, a raw ICMP socket otherwise
// (root or CAP_NET_RAW). Don't-fragment is IP_MTU_DISCOVER = IP_PMTUDISC_DO,
// fragmentation allowed IP_PMTUDISC_DONT. Only an echo reply from the
// destination that carries this request's identifier and sequence number
// counts; an ICMP error about this very request (fragmentation needed, host
// unreachable, ...) ends the wait at once with its code, and any other
// traffic is passed over until the time-out.
namespace qvx {
namespace platform {

// Failure codes, by the names the echo service's tables use; the host's own
// numbers (errno here).
#if defined(_WIN32)
constexpr int ICMP_ECHO_TIMED_OUT = 11010;      // IP_REQ_TIMED_OUT
constexpr int ICMP_ECHO_PACKET_TOO_BIG = 11009; // IP_PACKET_TOO_BIG
constexpr int ICMP_ECHO_NO_RESOURCES = 11006;   // IP_NO_RESOURCES
#else
constexpr int ICMP_ECHO_TIMED_OUT = 110;        // ETIMEDOUT: no reply in time
constexpr int ICMP_ECHO_PACKET_TOO_BIG = 90;    // EMSGSIZE: refused as too long
constexpr int ICMP_ECHO_NO_RESOURCES = 12;      // ENOMEM: no buffer for the request
#endif

// The flags of a request's options.
constexpr std::uint8_t ICMP_ECHO_FLAG_DONT_FRAGMENT = 2;

struct IcmpEchoOptions
{
    std::uint8_t ttl = 128;
    std::uint8_t tos = 0;
    std::uint8_t flags = 0;  // ICMP_ECHO_FLAG_DONT_FRAGMENT or 0
};

using IcmpEchoHandle = std::intptr_t;
constexpr IcmpEchoHandle INVALID_ICMP_ECHO_HANDLE = -1;

// Opens the service; the invalid handle when neither kind of socket is
// allowed, with error set to the host's code (EPERM or EACCES here).
QVXUTIL_API IcmpEchoHandle icmpEchoOpen(int& error);
QVXUTIL_API void icmpEchoClose(IcmpEchoHandle handle);
// True when the handle sends through a datagram ICMP socket, false for a raw
// one.
QVXUTIL_API bool icmpEchoIsDatagram(IcmpEchoHandle handle);

// Sends one echo request carrying requestSize bytes of data to destination
// and waits up to timeoutMilliseconds for its reply. Answers 0 when the reply
// came; the reply's ICMP message (header and data) is copied into reply as
// far as replySize allows. Otherwise answers the failure's code:
// ICMP_ECHO_TIMED_OUT, ICMP_ECHO_PACKET_TOO_BIG for a datagram the local
// stack or a router on the path refuses as too long, or another host code.
QVXUTIL_API int icmpEchoSend(IcmpEchoHandle handle, const in_addr& destination, const void* request,
                             std::uint16_t requestSize, const IcmpEchoOptions& options, void* reply,
                             std::uint32_t replySize, std::uint32_t timeoutMilliseconds);

}  // namespace platform
}  // namespace qvx

#endif
