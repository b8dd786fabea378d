// Ping on real links: veth pairs between network namespaces that the tests
// make (root only), and datagrams captured on the far end. (That iputils
// agrees about the links is PingToolTest's.)
#include <arpa/inet.h>
#include <linux/capability.h>
#include <sys/syscall.h>

#include <chrono>
#include <cstdio>

#include <gtest/gtest.h>

#include "FailedCheck.h"
#include "IcmpEcho.h"
#include "LoopbackPeer.h"
#include "NetNamespace.h"
#include "Ping.h"
#include "Socket.h"

using namespace qvxtest;
namespace net = qvx::platform;

namespace {

const char* const A = VethPair::A_ADDRESS;
const char* const B = VethPair::B_ADDRESS;

// The Internet checksum over bytes read as big-endian words, as the wire has them.
std::uint16_t wireChecksum(const unsigned char* data, std::size_t size)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum += (i % 2 == 0) ? data[i] << 8 : data[i];
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::uint16_t be16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

std::string dotted(const unsigned char* p)
{
    return std::to_string(p[0]) + "." + std::to_string(p[1]) + "." + std::to_string(p[2]) + "." +
           std::to_string(p[3]);
}

// Checks one datagram of measureMTU byte for byte; its ICMP sequence number.
std::uint16_t checkMeasurementDatagram(const Bytes& d)
{
    const std::size_t payload = d.size() - 28;
    const unsigned char* icmp = &d[20];
    // IPv4 with a 20-byte header, no service type, don't fragment, time to
    // live 128, ICMP; an echo request (type 8, code 0) with identifier 1.
    EXPECT_EQ((Bytes{d[0], d[1], d[6], d[7], d[8], d[9], icmp[0], icmp[1], icmp[4], icmp[5]}),
              (Bytes{0x45, 0, 0x40, 0, 128, 1, 8, 0, 0x01, 0x00}));
    EXPECT_EQ(be16(&d[2]), d.size());
    EXPECT_EQ(wireChecksum(d.data(), 20), 0) << "IP header checksum (the stack's)";
    EXPECT_EQ(dotted(&d[12]), A);
    EXPECT_EQ(dotted(&d[16]), B);
    Bytes zeroed(icmp, icmp + 8 + payload);
    zeroed[2] = zeroed[3] = 0;
    EXPECT_EQ(be16(icmp + 2), wireChecksum(zeroed.data(), zeroed.size()));
    static const std::string text = "TorvaneTechnologiesQVX";
    std::string expected;
    while (expected.size() < payload)
        expected += text;
    expected.resize(payload);
    EXPECT_EQ(std::string(icmp + 8, icmp + 8 + payload), expected);
    return static_cast<std::uint16_t>(icmp[6] | icmp[7] << 8);
}

// Whether this process has built ICMP headers yet (ctest runs each test in a
// process of its own; a whole-program run does not).
bool g_headersBuilt = false;

int measure(const Ping& ping)
{
    g_headersBuilt = true;
    return ping.measureMTU();
}

long msSince(std::chrono::steady_clock::time_point start)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

}  // namespace

TEST(PingTest, MeasureMtuFindsTheLinkMtuWithTheSpecifiedDatagrams)
{
    QVX_REQUIRE_ROOT();
    // An odd MTU, so that the winning payload (1473 bytes) is odd and the
    // checksum's last byte stands alone.
    VethPair net(1501);
    ASSERT_TRUE(net.ok);
    Capture capture(net.b);
    ASSERT_TRUE(capture.ok());
    InNamespace in(net.a);
    ASSERT_TRUE(in.ok());
    const Ping ping(B, A);
    const bool firstHeaders = !g_headersBuilt;
    ASSERT_EQ(measure(ping), 1515);
    const std::vector<Bytes> first = capture.echoRequests();
    ASSERT_EQ(measure(ping), 1515);
    const std::vector<Bytes> second = capture.echoRequests();

    std::vector<std::uint16_t> sequences;
    for (const std::vector<Bytes>* run : {&first, &second})
    {
        // Every probe that went out fits the link; the search ends by sending
        // the winning size twice.
        ASSERT_GE(run->size(), 3u);
        for (const Bytes& d : *run)
        {
            EXPECT_LE(d.size(), 1501u);
            sequences.push_back(checkMeasurementDatagram(d));
        }
        EXPECT_EQ(run->back().size(), 1501u);
        EXPECT_EQ((*run)[run->size() - 2].size(), 1501u);
    }
    EXPECT_EQ(first.size(), second.size());
    // The first header of this process takes its id + 1; every header a new
    // number (refused probes use one too), so the runs never share one.
    if (firstHeaders)
    {
        EXPECT_EQ(sequences.front(), static_cast<std::uint16_t>(::getpid() + 1));
    }
    for (std::size_t i = 1; i < sequences.size(); ++i)
    {
        const std::uint16_t gap = static_cast<std::uint16_t>(sequences[i] - sequences[i - 1]);
        EXPECT_TRUE(gap >= 1 && gap < 100) << "sequence " << sequences[i - 1] << " then " << sequences[i];
    }

    for (int mtu : {9000, 1280})  // the search's steps up and down
    {
        ASSERT_TRUE(net.setMtu(mtu));
        EXPECT_EQ(measure(ping), mtu + 14) << "MTU " << mtu;
    }
}

TEST(PingTest, EchoOverBothIcmpSockets)
{
    QVX_REQUIRE_ROOT();
    VethPair net(1500);
    ASSERT_TRUE(net.ok);
    Capture capture(net.b);
    InNamespace in(net.a);
    const Ping ping(B, A);
    for (const bool datagram : {false, true})
    {
        SCOPED_TRACE(datagram ? "datagram ICMP socket" : "raw ICMP socket");
        ASSERT_EQ(net.a.sh(std::string("echo '") + (datagram ? "0 2147483647" : "1 0") +
                           "' > /proc/sys/net/ipv4/ping_group_range"),
                  0);
        int error = 0;
        const net::IcmpEchoHandle service = net::icmpEchoOpen(error);
        ASSERT_NE(service, net::INVALID_ICMP_ECHO_HANDLE) << error;
        EXPECT_EQ(net::icmpEchoIsDatagram(service), datagram);
        net::icmpEchoClose(service);

        EXPECT_EQ(ping.ping(98, false), 0);
        capture.echoRequests();
        EXPECT_EQ(ping.ping(42, false), 0);
        const std::vector<Bytes> empty = capture.echoRequests();
        ASSERT_EQ(empty.size(), 1u);
        EXPECT_EQ(empty[0].size(), 28u) << "no payload after the ICMP header";

        // A 1500-byte datagram fits the link; one byte more does not, unless
        // it may be fragmented.
        EXPECT_EQ(ping.ping(1514, false), 0);
        EXPECT_EQ(ping.ping(1515, false), net::ICMP_ECHO_PACKET_TOO_BIG);
        EXPECT_EQ(ping.ping(1515, true), 0);
        EXPECT_EQ(ping.ping(9042, true), 0);
    }
}

TEST(PingTest, SilentHostTimesOutAfterThreeSeconds)
{
    QVX_REQUIRE_ROOT();
    VethPair net;
    ASSERT_TRUE(net.ok);
    ASSERT_EQ(net.b.sh("echo 1 > /proc/sys/net/ipv4/icmp_echo_ignore_all"), 0);
    InNamespace in(net.a);
    const Ping ping(B, A);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ping.ping(98, false), net::ICMP_ECHO_TIMED_OUT);
    const long elapsed = msSince(start);
    EXPECT_GE(elapsed, 2990);
    EXPECT_LT(elapsed, 4000);
}

// A router between the namespaces whose far link is narrower: the router's
// "fragmentation needed" ends a don't-fragment request at once.
TEST(PingTest, RouterRefusalComesBackAsTooBig)
{
    QVX_REQUIRE_ROOT();
    VethPair net;
    NetNamespace far;
    ASSERT_TRUE(net.ok && far.ok());
    ASSERT_EQ(net.b.sh("ip link add b1 type veth peer name c0 netns " + far.path() +
                       " && ip addr add 10.78.0.1/24 dev b1 && ip link set b1 up mtu 1280"
                       " && echo 1 > /proc/sys/net/ipv4/ip_forward"),
              0);
    ASSERT_EQ(far.sh("ip addr add 10.78.0.2/24 dev c0 && ip link set c0 up mtu 1280"
                     " && ip route add default via 10.78.0.1"),
              0);
    ASSERT_EQ(net.a.sh("ip route add 10.78.0.0/24 via 10.77.0.2"), 0);
    InNamespace in(net.a);
    const Ping ping("10.78.0.2", A);
    EXPECT_EQ(ping.ping(1294, false), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ping.ping(1400, false), net::ICMP_ECHO_PACKET_TOO_BIG);
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(ping.ping(1400, true), 0);
}

TEST(PingTest, AddressesChecksAndLoopback)
{
    QVX_REQUIRE_ROOT();
    NetNamespace ns;  // a name that does not resolve must not reach a name server
    ASSERT_TRUE(ns.ok());
    InNamespace in(ns);
    const int users = net::socketLibraryUsers();
    const int descriptors = openDescriptorCount();
    {
        in_addr own{};
        ASSERT_EQ(net::socketLookupIPv4(net::socketHostName(256), own), 0)
            << "this machine's name must resolve without a name server (/etc/hosts)";
        const Ping ping("127.0.0.1");
        EXPECT_EQ(Ping::getLocalHost(), net::socketHostName(256));
        EXPECT_EQ(ping.getLocalHostIp(), net::socketDottedAddress(own));
        EXPECT_EQ(ping.getRemoteHostIp(), "127.0.0.1");
        EXPECT_EQ(failedCheck([&] { ping.ping(65536, false); }), "datagramSize < (64 * 1024 )");
        EXPECT_EQ(ping.ping(65535, false), 0);
        // Loopback takes 65535-byte datagrams; the buffer holds 65522.
        EXPECT_EQ(measure(ping), 65536);
    }
    EXPECT_EQ(failedCheck([] { Ping p("qvx-no-such-host.invalid", "127.0.0.1"); }), "he");
    {
        NopMode nop;
        const Ping p("127.0.0.1", "qvx-no-such-host.invalid");
        EXPECT_EQ(p.getLocalHostIp(), "0.0.0.0");
    }
    EXPECT_EQ(net::socketLibraryUsers(), users);
    EXPECT_EQ(openDescriptorCount(), descriptors);
}

// Without CAP_NET_RAW neither socket can be had (the group range of a new
// namespace admits nobody): the constructor fails "s" and releases what it
// took; the echo service says why it cannot open.
TEST(PingTest, WithoutRawPrivilegeTheSocketCheckFails)
{
    QVX_REQUIRE_ROOT();
    const pid_t child = ::fork();
    if (child == 0)
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct caps[2] = {};
        if (::unshare(CLONE_NEWNET) != 0 || ::syscall(SYS_capget, &header, caps) != 0)
            ::_exit(10);
        caps[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
        if (::syscall(SYS_capset, &header, caps) != 0)
            ::_exit(11);
        const int users = net::socketLibraryUsers();
        const int descriptors = openDescriptorCount();
        const std::string check = failedCheck([] { Ping p("127.0.0.1", "127.0.0.1"); });
        int error = 0;
        const bool refused = net::icmpEchoOpen(error) == net::INVALID_ICMP_ECHO_HANDLE &&
                             (error == EPERM || error == EACCES);
        std::fprintf(stderr, "check '%s', users %d->%d, descriptors %d->%d, echo refused %d\n",
                     check.c_str(), users, net::socketLibraryUsers(), descriptors,
                     openDescriptorCount(), refused);
        ::_exit(check == "s" && users == net::socketLibraryUsers() &&
                        descriptors == openDescriptorCount() && refused
                    ? 0
                    : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
