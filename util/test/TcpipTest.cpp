// TCP connection, server and client on real loopback sockets.
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <memory>
#include <random>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "BrokenPipeSocketIntException.h"
#include "ConnectionRefusedSocketIntException.h"
#include "FailedCheck.h"
#include "InvalidOperationSocketIntException.h"
#include "LoopbackPeer.h"
#include "OperationInterruptedSocketIntException.h"
#include "TcpipClient.h"
#include "TcpipConnection.h"
#include "TcpipServer.h"
#include "UntrappedSocketIntException.h"

using namespace qvxtest;
using ::testing::AllOf;
using ::testing::AnyOf;
using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;
using Connection = std::unique_ptr<TcpipConnection>;

namespace {

auto msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}
void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
SocketInt& io(const Connection& c) { return *c; }

// The printed form of the E that call throws, or "".
template <class E, class Call>
std::string thrown(Call&& call)
{
    std::ostringstream out;
    try
    {
        call();
    }
    catch (const E& e)
    {
        out << e;
    }
    return out.str();
}

class TcpipTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.listen()); }
    void TearDown() override
    {
        server.releaseConnection(server.getConnection());
        server.shutdown();
    }
    unsigned short port() { return static_cast<unsigned short>(server.getBoundPort()); }

    // Accepts peer as the far end; the server's side is returned.
    Connection acceptPlainPeer()
    {
        EXPECT_TRUE(peer.connect(port()));
        server.accept();
        return Connection(server.getConnection());
    }

    TcpipServer server{0};
    LoopbackPeer peer;
};

}  // namespace

TEST_F(TcpipTest, ServerPortsAndChecks)
{
    EXPECT_EQ(0, server.getPort());
    EXPECT_GT(server.getBoundPort(), 0);
    EXPECT_EQ(SocketInt::Listening, server.getSocketState());
    EXPECT_EQ("_currentState == SocketInt::Closed @ util/src/TcpipServer.cpp",
              failedCheckWhere([&] { server.listen(); }));

    const int fixedPort = net::socketFreeLoopbackPort();
    TcpipServer fixed(fixedPort);
    EXPECT_TRUE(fixed.isShutdown());
    EXPECT_EQ(1000, fixed.getMaxConn());
    ASSERT_TRUE(fixed.listen());
    EXPECT_EQ(fixedPort, fixed.getPort());
    EXPECT_EQ(fixedPort, fixed.getBoundPort());
    EXPECT_EQ("c> 0", failedCheck([&] { fixed.setMaxConn(0); }));
    EXPECT_EQ("p >= 0", failedCheck([&] { fixed.setPort(-1); }));
    fixed.setPort(70000);
    EXPECT_EQ(4464, fixed.getPort());
}

TEST_F(TcpipTest, AcceptHandOverAndRelease)
{
    char buffer[8] = {};
    EXPECT_THROW(server.receive(buffer, 1), InvalidOperationSocketIntException);  // nothing accepted yet

    TcpipClient client("127.0.0.1", port(), "");
    Connection first(client.connect());
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(SocketInt::HandedOff, client.getSocketState());
    EXPECT_EQ(&io(first), first->getSocketInt());
    EXPECT_EQ(SocketInt::Good, io(first).getStatus());

    server.accept();
    EXPECT_EQ(SocketInt::Established, server.getSocketState());
    EXPECT_EQ("! _pCurrentConnection", failedCheck([&] { server.accept(); }));
    EXPECT_EQ(3, server.send("abc", 3));  // through the held connection
    ASSERT_EQ(3, io(first).readBuffer(buffer, 3));
    ASSERT_EQ(2, io(first).writeBuffer("yz", 2));
    EXPECT_EQ(2, server.receive(buffer + 3, 2));
    EXPECT_EQ("abcyz", std::string(buffer, 5));

    TcpipConnection* held = server.getConnection();
    ASSERT_NE(nullptr, held);
    EXPECT_EQ(nullptr, server.getConnection());
    EXPECT_THROW(server.send("x", 1), InvalidOperationSocketIntException);

    Connection second(client.connect());
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(SocketInt::HandedOff, client.getSocketState());

    server.releaseConnection(held);  // closes the server's side
    EXPECT_EQ(SocketInt::Listening, server.getSocketState());
    EXPECT_THROW(io(first).readBuffer(buffer, 1), BrokenPipeSocketIntException);
    server.accept();
    server.releaseConnection(server.getConnection());
    server.releaseConnection(nullptr);
    EXPECT_EQ(SocketInt::Listening, server.getSocketState());

    const int before = openDescriptorCount();  // cycles leak nothing
    for (int i = 0; i < 1000; ++i)
    {
        Connection here(client.connect());
        server.accept();
        server.releaseConnection(server.getConnection());
    }
    EXPECT_EQ(before, openDescriptorCount());
}

TEST(TcpipClientTest, AddressesLookupsAndChecks)
{
    TcpipClient client("127.0.0.1", 5000, "");
    EXPECT_EQ("127.0.0.1 5000  1", client.getHost() + " " + std::to_string(client.getPort()) + " " +
                                       client.getLocalHost() + " " + std::to_string(client.getSocketState()));
    client.setPort(70000);
    EXPECT_EQ(4464, client.getPort());
    EXPECT_EQ("p >= 0", failedCheck([&] { client.setPort(-1); }));
    EXPECT_EQ("hostname.size() > 0 @ util/src/TcpipClient.cpp", failedCheckWhere([&] { client.setHost(""); }));

    // Failed lookups keep the previous address.
    client.setHost("no-such-host.invalid");
    EXPECT_EQ(SocketInt::Unavailable, client.getSocketState());
    EXPECT_EQ("127.0.0.1", client.getHost());
    client.setLocalHost("127.0.0.3");
    client.setLocalHost("no-such-host.invalid");
    EXPECT_EQ("127.0.0.3", client.getLocalHost());
    client.setLocalHost("");
    EXPECT_EQ("", client.getLocalHost());

    TcpipClient unknown("no-such-host.invalid", 5000, "");
    EXPECT_EQ(SocketInt::Unavailable, unknown.getSocketState());
    EXPECT_EQ("", unknown.getHost());
    EXPECT_EQ("_saSock.sin_addr.s_addr", failedCheck([&] { delete unknown.connect(); }));
    TcpipClient noPort("127.0.0.1", 0, "");
    EXPECT_EQ("_saSock.sin_port", failedCheck([&] { delete noPort.connect(); }));
    NopMode nop;
    EXPECT_EQ(nullptr, noPort.connect());
}

TEST_F(TcpipTest, ClientBindsLocalAddressAndReportsFailedConnects)
{
    TcpipClient client("localhost", port(), "127.0.0.2");
    Connection here(client.connect());
    ASSERT_NE(nullptr, here);
    server.accept();
    Connection there(server.getConnection());
    EXPECT_EQ("127.0.0.2", io(here).getLocalHostIp());
    EXPECT_EQ("127.0.0.2 127.0.0.1", io(there).getRemoteHostIp() + " " + io(there).getLocalHostIp());

    const int before = openDescriptorCount();
    TcpipClient refused("127.0.0.1", static_cast<unsigned short>(net::socketFreeLoopbackPort()), "");
    EXPECT_THAT(thrown<ConnectionRefusedSocketIntException>([&] { delete refused.connect(); }),
                HasSubstr(", 127.0.0.1, util/src/TcpipClient.cpp, "));
    EXPECT_EQ(SocketInt::Refused, refused.getSocketState());
    TcpipClient unreachable("255.255.255.255", 80, "");  // TCP to broadcast: ENETUNREACH
#if defined(_WIN32)
    std::string unreachableText = "Unknown error 0x2743";  // where the system has no text (Wine)
    net::socketSystemErrorText(net::SOCKERR_ENETUNREACH, unreachableText);
#else
    const std::string unreachableText = "Network is unreachable";
#endif
    EXPECT_THAT(thrown<UntrappedSocketIntException>([&] { delete unreachable.connect(); }),
                AllOf(HasSubstr("GetLastError() returns: '" + unreachableText + "''"),
                      HasSubstr(", 255.255.255.255, util/src/TcpipClient.cpp, ")));
    EXPECT_EQ(SocketInt::Error, unreachable.getSocketState());
    TcpipClient foreign("127.0.0.1", port(), "192.0.2.254");  // not this machine's
    EXPECT_EQ("retCode == 0", failedCheck([&] { delete foreign.connect(); }));
    EXPECT_EQ(before, openDescriptorCount()) << "failed connects must close their sockets";
}

TEST_F(TcpipTest, ExactReadWaitsForEveryPieceUntilThePeerCloses)
{
    Connection c = acceptPlainPeer();
    char buffer[16] = {};
    EXPECT_EQ(0, io(c).readBuffer(buffer, 0));
    EXPECT_EQ("dataBuffer", failedCheck([&] { io(c).readBuffer(nullptr, 1); }));
    std::thread writer(
        [this] { peer.sendAll("abc"), sleepMs(50), peer.sendAll("defghij"), sleepMs(30), peer.sendAll("kl"), peer.close(); });
    EXPECT_EQ(10, io(c).readBuffer(buffer, 10));
    EXPECT_EQ("abcdefghij", std::string(buffer, 10));
    EXPECT_EQ(SocketInt::Established, c->getSocketState());
    EXPECT_THAT(thrown<BrokenPipeSocketIntException>([&] { io(c).readBuffer(buffer, 4); }),
                HasSubstr("EPIPE error', 127.0.0.1, 127.0.0.1, util/src/TcpipConnection.cpp, "));
    writer.join();
    EXPECT_EQ(SocketInt::Disconnected, c->getSocketState());
    EXPECT_EQ(nullptr, c->getSocketInt());

    // Writing on: the closed peer answers with a reset, then sends fail; the
    // state stays Disconnected and no SIGPIPE ends this process.
    int result = 0;
    for (int i = 0; i < 100 && result >= 0; ++i, sleepMs(1))
        result = io(c).writeBuffer("x", 1);
    EXPECT_EQ(-1, result);
    EXPECT_THAT(io(c).getSystemError(),
                AnyOf(net::SOCKERR_EPIPE, net::SOCKERR_ECONNRESET, net::SOCKERR_ECONNABORTED));
    EXPECT_EQ(SocketInt::Disconnected, c->getSocketState());
}

TEST_F(TcpipTest, ResetPeerDisconnectsAndClosingStillCloses)
{
    Connection reading = acceptPlainPeer();
    peer.reset();
    char buffer[4];
    EXPECT_THROW(io(reading).readBuffer(buffer, 4), BrokenPipeSocketIntException);
    EXPECT_EQ(SocketInt::Disconnected, reading->getSocketState());
    EXPECT_EQ(net::SOCKERR_ECONNRESET, io(reading).getSystemError());

    Connection writing = acceptPlainPeer();
    peer.reset();
    EXPECT_EQ(-1, io(writing).writeBuffer("hello", 5));
    EXPECT_EQ(net::SOCKERR_ECONNRESET, io(writing).getSystemError());
    EXPECT_EQ(SocketInt::Disconnected, writing->getSocketState());

    // A reset stream cannot be shut down any more; closing still closes it and
    // reports nothing, even in exception mode.
    const int before = openDescriptorCount();
    EXPECT_EQ("", failedCheck([&] {
                  writing->close();
                  reading.reset();
              }));
    EXPECT_EQ(SocketInt::Closed, writing->getSocketState());
    EXPECT_EQ(before - 2, openDescriptorCount());

    // Closed: no handle is used any more.
    writing->close();
    SocketInt& closed = *writing;
    EXPECT_EQ("???.???.???.??? ???.???.???.???", closed.getLocalHostIp() + " " + closed.getRemoteHostIp());
    EXPECT_THROW(closed.readBuffer(buffer, 2), UntrappedSocketIntException);
    EXPECT_EQ(SocketInt::Invalid, writing->getSocketState());
    EXPECT_EQ(net::SOCKERR_EBADF, closed.getSystemError());  // the class's own code
    EXPECT_EQ(-1, closed.writeBuffer("x", 1));
    bool timedOut = false;
    EXPECT_THROW(closed.readBuffer(buffer, 2, 10, timedOut), UntrappedSocketIntException);
    EXPECT_EQ("bufferSize", failedCheck([&] { closed.writeBuffer("x", 0); }));
    EXPECT_EQ("data", failedCheck([&] { closed.writeBuffer(nullptr, 1); }));
}

TEST_F(TcpipTest, TimedReadFollowsTheDeadlineRule)
{
    Connection c = acceptPlainPeer();
    char buffer[4];
    bool timedOut = false;
    const auto start = Clock::now();
    EXPECT_EQ(0, io(c).readBuffer(buffer, 4, 250, timedOut));  // a silent peer
    EXPECT_TRUE(timedOut);
    EXPECT_GE(msSince(start), 249);
    EXPECT_EQ(SocketInt::Established, c->getSocketState());
    EXPECT_EQ(0, io(c).readBuffer(buffer, 0, 250, timedOut));
    EXPECT_TRUE(timedOut) << "a read of 0 bytes leaves timedOut alone";

    // Under one second the deadline is now: after the first piece every wait
    // only polls, so a second piece that comes later is not waited for.
    peer.sendAll("a");
    std::thread late([this] { sleepMs(300), peer.sendAll("b"); });
    timedOut = false;
    EXPECT_EQ(1, io(c).readBuffer(buffer, 2, 900, timedOut));
    EXPECT_TRUE(timedOut);
    late.join();

    // With whole seconds each wait may last the full time-out.
    peer.sendAll("c");
    late = std::thread([this] { sleepMs(50), peer.sendAll("d"); });
    EXPECT_EQ(3, io(c).readBuffer(buffer, 3, 1200, timedOut));
    EXPECT_FALSE(timedOut);
    EXPECT_EQ("bcd", std::string(buffer, 3));
    late.join();
    EXPECT_EQ("data", failedCheck([&] { io(c).readBuffer(nullptr, 1, 10, timedOut); }));
}

TEST_F(TcpipTest, ShutdownFromAnotherThreadEndsBlockedAndRacingAccepts)
{
    const auto start = Clock::now();
    std::thread stopper([this] { sleepMs(100), server.shutdown(); });
    EXPECT_THROW(server.accept(), OperationInterruptedSocketIntException);
    stopper.join();
    EXPECT_GE(msSince(start), 99);
    EXPECT_TRUE(server.isShutdown());
    EXPECT_EQ(SocketInt::Closed, server.getSocketState());
    EXPECT_THROW(server.accept(), OperationInterruptedSocketIntException);

    // Racing: every accept loop ends interrupted, nothing leaks.
    std::mt19937 random(12345);
    const int before = openDescriptorCount();
    for (int round = 0; round < 150; ++round)
    {
        TcpipServer racing(0);
        ASSERT_TRUE(racing.listen());
        const int clients = static_cast<int>(random() % 3);
        const auto delay = std::chrono::microseconds(random() % 400);
        std::thread other([&] {
            TcpipClient client("127.0.0.1", static_cast<unsigned short>(racing.getBoundPort()), "");
            for (int i = 0; i < clients; ++i)  // refused once the server is down
                thrown<SocketIntException>([&] { delete client.connect(); });
            std::this_thread::sleep_for(delay);
            racing.shutdown();
        });
        bool interrupted = false;
        for (int accepted = 0; !interrupted && accepted <= clients; ++accepted)
            interrupted = !thrown<OperationInterruptedSocketIntException>([&] {
                               racing.accept();
                               racing.releaseConnection(racing.getConnection());
                           }).empty();
        other.join();
        EXPECT_TRUE(interrupted) << "round " << round;
        EXPECT_THROW(racing.accept(), OperationInterruptedSocketIntException);
    }
    EXPECT_EQ(before, openDescriptorCount());
    EXPECT_TRUE(server.listen());  // a shut-down server listens again

    // The host call on its own wakes an accept blocked in another thread.
    const net::SocketHandle listener = net::socketCreateTcp();
    ASSERT_EQ(0, net::socketBind(listener, loopback(0)) + net::socketListen(listener, 1));
    net::SocketHandle accepted = 0;
    std::thread waiter([&] { accepted = net::socketAccept(listener, nullptr); });
    sleepMs(50);
    EXPECT_EQ(0, net::socketCloseListening(listener));
    waiter.join();
    EXPECT_EQ(net::INVALID_SOCKET_HANDLE, accepted);
}

// Descriptor 0 exists only where sockets are file descriptors.
#ifndef _WIN32
TEST(TcpipDescriptorTest, DescriptorZeroIsNeverTakenForNoSocket)
{
    ExceptionMode mode;
    const int savedInput = dup(0);
    close(0);
    {
        TcpipServer server(0);
        ASSERT_TRUE(server.listen());
        TcpipClient client("127.0.0.1", static_cast<unsigned short>(server.getBoundPort()), "");
        Connection here(client.connect());
        server.accept();
        Connection there(server.getConnection());
        EXPECT_EQ(-1, fcntl(0, F_GETFD));
    }
    dup2(savedInput, 0);
    close(savedInput);
}
#endif
