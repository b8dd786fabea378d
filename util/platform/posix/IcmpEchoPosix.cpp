// The ICMP echo service on a Linux ICMP socket: datagram where the group
// range admits the caller, raw otherwise.
#include "IcmpEcho.h"

#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace qvx {
namespace platform {

static_assert(ICMP_ECHO_TIMED_OUT == ETIMEDOUT && ICMP_ECHO_PACKET_TOO_BIG == EMSGSIZE &&
                  ICMP_ECHO_NO_RESOURCES == ENOMEM,
              "errno");

namespace {

// Sequence numbers of this service's requests, process-wide.
std::atomic<std::uint16_t> g_sequence{0};

constexpr std::size_t ICMP_HEADER_SIZE = 8;
constexpr std::size_t MAX_IP_HEADER_SIZE = 60;

int setIntOption(int fd, int level, int name, int value)
{
    return ::setsockopt(fd, level, name, &value, sizeof(value)) == 0 ? 0 : errno;
}

std::uint16_t internetChecksum(const unsigned char* data, std::size_t size)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (size % 2 != 0)
        sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

// The identifier and sequence bytes (network order) of an ICMP header.
struct EchoKey
{
    std::uint16_t id;
    std::uint16_t sequence;
    bool matches(const unsigned char* icmp) const
    {
        std::uint16_t gotId, gotSequence;
        std::memcpy(&gotId, icmp + 4, 2);
        std::memcpy(&gotSequence, icmp + 6, 2);
        return gotId == id && gotSequence == sequence;
    }
};

// Reads one queued error. 0 when it is not about this request (or there was
// none to read), else its code.
int takeQueuedError(int fd, const EchoKey& key)
{
    unsigned char offending[MAX_IP_HEADER_SIZE + ICMP_HEADER_SIZE] = {};
    alignas(cmsghdr) unsigned char control[512];
    iovec part{offending, sizeof(offending)};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    const ssize_t got = ::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (got < static_cast<ssize_t>(ICMP_HEADER_SIZE))
        return 0;
    // The queued data starts with the ICMP header of the datagram that failed.
    if (offending[0] != ICMP_ECHO || !key.matches(offending))
        return 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c))
    {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR)
            continue;
        sock_extended_err error;
        std::memcpy(&error, CMSG_DATA(c), sizeof(error));
        return error.ee_errno != 0 ? static_cast<int>(error.ee_errno) : EIO;
    }
    return 0;
}

// The ICMP message of a received datagram (after the IP header, which only a
// raw socket hands over), or null when it is too short.
const unsigned char* icmpPart(const unsigned char* data, std::size_t size, bool datagram,
                              std::size_t& icmpSize)
{
    std::size_t offset = 0;
    if (!datagram)
    {
        if (size < 20)
            return nullptr;
        offset = static_cast<std::size_t>(data[0] & 0x0F) * 4;
    }
    if (offset < (datagram ? 0u : 20u) || size < offset + ICMP_HEADER_SIZE)
        return nullptr;
    icmpSize = size - offset;
    return data + offset;
}

}  // namespace

IcmpEchoHandle icmpEchoOpen(int& error)
{
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
    {
        error = errno;
        return INVALID_ICMP_ECHO_HANDLE;
    }
    error = 0;
    return fd;
}

void icmpEchoClose(IcmpEchoHandle handle)
{
    if (handle >= 0)
        ::close(static_cast<int>(handle));
}

bool icmpEchoIsDatagram(IcmpEchoHandle handle)
{
    int type = 0;
    socklen_t length = sizeof(type);
    return ::getsockopt(static_cast<int>(handle), SOL_SOCKET, SO_TYPE, &type, &length) == 0 &&
           type == SOCK_DGRAM;
}

int icmpEchoSend(IcmpEchoHandle handle, const in_addr& destination, const void* request,
                 std::uint16_t requestSize, const IcmpEchoOptions& options, void* reply,
                 std::uint32_t replySize, std::uint32_t timeoutMilliseconds)
{
    if (handle < 0 || (request == nullptr && requestSize != 0))
        return EINVAL;
    const int fd = static_cast<int>(handle);
    const bool datagram = icmpEchoIsDatagram(handle);
    int rc = setIntOption(fd, IPPROTO_IP, IP_TTL, options.ttl);
    if (rc == 0)
        rc = setIntOption(fd, IPPROTO_IP, IP_TOS, options.tos);
    if (rc == 0)
        rc = setIntOption(fd, IPPROTO_IP, IP_MTU_DISCOVER,
                          (options.flags & ICMP_ECHO_FLAG_DONT_FRAGMENT) ? IP_PMTUDISC_DO
                                                                        : IP_PMTUDISC_DONT);
    // Errors about the request (a router's "fragmentation needed", an
    // unreachable host) come back on the error queue.
    if (rc == 0)
        rc = setIntOption(fd, IPPROTO_IP, IP_RECVERR, 1);
    if (rc != 0)
        return rc;

    // One buffer serves the request and every datagram received.
    std::vector<unsigned char> buffer(MAX_IP_HEADER_SIZE + ICMP_HEADER_SIZE + requestSize);
    unsigned char* icmp = buffer.data();
    EchoKey key{static_cast<std::uint16_t>(htons(static_cast<std::uint16_t>(::getpid()))),
                htons(g_sequence.fetch_add(1))};
    icmp[0] = ICMP_ECHO;
    icmp[1] = 0;
    std::memcpy(icmp + 4, &key.id, 2);
    std::memcpy(icmp + 6, &key.sequence, 2);
    if (requestSize != 0)
        std::memcpy(icmp + ICMP_HEADER_SIZE, request, requestSize);
    // The kernel fills the checksum of a datagram socket's request itself.
    const std::uint16_t sum = htons(internetChecksum(icmp, ICMP_HEADER_SIZE + requestSize));
    std::memcpy(icmp + 2, &sum, 2);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = destination;
    if (::sendto(fd, icmp, ICMP_HEADER_SIZE + requestSize, MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&to), sizeof(to)) < 0)
        return errno;
    if (datagram)
    {
        // The kernel chose the identifier: the socket's port.
        sockaddr_in bound{};
        socklen_t length = sizeof(bound);
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
            return errno;
        key.id = bound.sin_port;
    }

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    for (;;)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return ICMP_ECHO_TIMED_OUT;
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno != EINTR)
            return errno;
        if (ready <= 0)
            continue;
        if (entry.revents & POLLERR)
        {
            const int error = takeQueuedError(fd, key);
            if (error != 0)
                return error;
            // A pending error without a queued report would keep poll
            // answering at once: read it away.
            int pending = 0;
            socklen_t length = sizeof(pending);
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length);
        }
        if (!(entry.revents & POLLIN))
            continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof(from);
        const ssize_t got = ::recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
        // A failed receive reports a queued error, which the error queue
        // gives again with the request it belongs to.
        if (got < 0)
            continue;
        const std::size_t size = std::min(static_cast<std::size_t>(got), buffer.size());
        std::size_t icmpSize = 0;
        const unsigned char* answer = icmpPart(buffer.data(), size, datagram, icmpSize);
        if (answer == nullptr || from.sin_addr.s_addr != destination.s_addr ||
            answer[0] != ICMP_ECHOREPLY || answer[1] != 0 || !key.matches(answer))
            continue;
        if (reply != nullptr)
            std::memcpy(reply, answer, std::min<std::size_t>(icmpSize, replySize));
        return 0;
    }
}

}  // namespace platform
}  // namespace qvx
