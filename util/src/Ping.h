#ifndef QVX_PING_H
#define QVX_PING_H

#include <cstdint>
#include <string>

#include "HostSocketAddress.h"
#include "QvxExport.h"
#include "SocketHandle.h"

// Checks that a remote host answers ICMP echo requests of a given size, with
// or without permission to fragment (ping), and finds the largest Ethernet
// frame the local stack sends towards it with the don't-fragment flag set
// (measureMTU). A Ping is bound to one remote and one local IPv4 address and
// owns a raw IPv4 socket (IP header included) for the measurement, so making
// one needs root or CAP_NET_RAW; ping itself goes through the host's ICMP
// echo service (IcmpEcho.h). Set-up failures are failed checks; the
// operations answer through their results.
//
// Choices of ours:
// - Socket library: the object keeps one start-up for its lifetime, which the
//   destructor releases. Each name resolution and each getLocalHost() starts
//   the library once more and releases that start-up again when done.
// - A name that does not resolve fails the check "he"; when the check
//   returns, the address is 0.0.0.0.
// - A raw socket that cannot be made or set up fails its check and is closed;
//   the object then has no socket (handle 0, which also fails
//   "_socketHandle") and measureMTU answers -1 without sending. A constructor
//   that throws releases what it took.
// - ping with a datagramSize below 42 sends an empty payload; when the check
//   on 64 KB returns, nothing is sent and the answer is the "too big" code.
// - measureMTU treats a probe that would not fit its 65522-byte buffer as
//   refused (loopback: 65536), and ends with -1 when a refusal would leave
//   the search where it stands (no size fits).
// - The sequence counter is atomic; headers built at the same time on two
//   threads still get distinct numbers.
// - Payload text empty: the payload is zero bytes.
// - Not copyable: the object owns its socket.
class QVXUTIL_API Ping
{
public:
    // IPv4 header without options, as measureMTU sends it.
    struct ip_hdr
    {
        std::uint8_t ip_verlen;       // 0x45
        std::uint8_t ip_tos;          // 0
        std::uint16_t ip_totallength; // payload + 28, network order
        std::uint16_t ip_id;          // 0: the stack chooses
        std::uint8_t ip_flags;        // 0x40 don't fragment, else 0
        std::uint8_t ip_offset;       // 0
        std::uint8_t ip_ttl;          // 128
        std::uint8_t ip_protocol;     // 1 (ICMP)
        std::uint16_t ip_checksum;    // 0: the stack computes it
        std::uint32_t ip_srcaddr;     // _localHost
        std::uint32_t ip_destaddr;    // _remoteHost
    };
    // ICMP echo request header. Identifier and sequence are stored in host
    // byte order.
    struct icmp_header
    {
        std::uint8_t icmp_type;       // 8
        std::uint8_t icmp_code;       // 0
        std::uint16_t icmp_checksum;
        std::uint16_t icmp_id;        // 1
        std::uint16_t icmp_sequence;  // low 16 bits of the sequence counter
    };

    explicit Ping(const std::string& remoteHost);
    Ping(const std::string& remoteHost, const std::string& localHost);
    virtual ~Ping();
    Ping(const Ping&) = delete;
    Ping& operator=(const Ping&) = delete;

    // One echo request of datagramSize bytes counted as an Ethernet II frame
    // (payload = datagramSize - 42) with a time-out of 3000 ms; 0 when a
    // reply came, else the host's error code.
    int ping(int datagramSize, bool allowFragmentation) const;
    // The largest frame size (Ethernet II header included) sent towards the
    // remote host with don't-fragment set; -1 on another send error.
    int measureMTU() const;

    static std::string getLocalHost();
    std::string getLocalHostIp() const;
    std::string getRemoteHostIp() const;

private:
    void init(const std::string& remoteHost, const std::string* localHost);
    static void initWinsock();
    static qvx::platform::SocketHandle initSocket();
    static in_addr hostNameToInet(const std::string& hostName);
    void initializeIPHeader(char* buffer, int payloadSize, bool allowFragmentation) const;
    void initializeICMPHeader(char* buffer) const;
    static std::uint16_t calculateICMPCheckSum(const char* buffer, int length);
    static sockaddr_in buildSockAddrIn(const in_addr& address, int port);
    static void initializePayload(char* buffer, int size, const std::string& text);

    in_addr _localHost;
    in_addr _remoteHost;
    qvx::platform::SocketHandle _socketHandle;

    static const int ethernetIIHeaderLengthInBytes = 14;
};

#endif
