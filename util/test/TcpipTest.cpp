// TCP connection, server and client on real loopback sockets.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "BrokenPipeSocketIntException.h"
#include "ConnectionRefusedSocketIntException.h"
#include "FailedCheck.h"
#include "InvalidOperationSocketIntException.h"
#include "OperationInterruptedSocketIntException.h"
#include "TcpipClient.h"
#include "TcpipConnection.h"
#include "TcpipServer.h"
#include "UntrappedSocketIntException.h"

using qvxtest::failedCheck;
using qvxtest::failedCheckWhere;
using Clock = std::chrono::steady_clock;

namespace {

const char* const UNKNOWN = "???.???.???.???";

long millisecondsSince(Clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

int openDescriptors()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dirent* entry = readdir(dir))
        count += entry->d_name[0] != '.';
    closedir(dir);
    return count - 1;  // the directory's own descriptor
}

// A port on which nothing listens (bound once, then released).
int freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// A plain socket connected to 127.0.0.1:port: the far end the tests control.
int rawConnect(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(0, connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)));
    return fd;
}

// Closes fd so that the peer sees a reset, not an orderly end.
void resetAndClose(int fd)
{
    linger zero{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &zero, sizeof(zero));
    close(fd);
}

class TcpipTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.listen()); }
    void TearDown() override
    {
        server.releaseConnection(server.getConnection());
        server.shutdown();
        if (peer >= 0)
            close(peer);
    }

    // Accepts a plain peer; the server's side is ours.
    std::unique_ptr<TcpipConnection> acceptRawPeer()
    {
        peer = rawConnect(server.getBoundPort());
        server.accept();
        return std::unique_ptr<TcpipConnection>(server.getConnection());
    }

    TcpipServer server{0};
    int peer = -1;
};

}  // namespace

TEST_F(TcpipTest, ServerPortsBacklogAndChecks)
{
    EXPECT_EQ(0, server.getPort());
    EXPECT_GT(server.getBoundPort(), 0);
    EXPECT_EQ(SocketInt::Listening, server.getSocketState());
    EXPECT_FALSE(server.isShutdown());
    EXPECT_EQ("_currentState == SocketInt::Closed @ util/src/TcpipServer.cpp",
              failedCheckWhere([&] { server.listen(); }));

    const int port = freePort();
    TcpipServer fixed(port);
    EXPECT_TRUE(fixed.isShutdown());
    EXPECT_EQ(0, fixed.getBoundPort());
    EXPECT_EQ(1000, fixed.getMaxConn());
    fixed.setMaxConn(3);
    EXPECT_EQ(3, fixed.getMaxConn());
    ASSERT_TRUE(fixed.listen());
    EXPECT_EQ(port, fixed.getPort());
    EXPECT_EQ(port, fixed.getBoundPort());
    fixed.shutdown();
    EXPECT_EQ(SocketInt::Closed, fixed.getSocketState());

    EXPECT_EQ("c> 0", failedCheck([&] { fixed.setMaxConn(0); }));
    EXPECT_EQ("p >= 0", failedCheck([&] { fixed.setPort(-1); }));
    fixed.setPort(70000);
    EXPECT_EQ(4464, fixed.getPort());
}

TEST_F(TcpipTest, AcceptHandOverAndRelease)
{
    char buffer[8] = {};
    EXPECT_THROW(server.send("x", 1), InvalidOperationSocketIntException);
    EXPECT_THROW(server.receive(buffer, 1), InvalidOperationSocketIntException);

    TcpipClient client("127.0.0.1", static_cast<unsigned short>(server.getBoundPort()), "");
    std::unique_ptr<TcpipConnection> first(client.connect());
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(SocketInt::HandedOff, client.getSocketState());
    EXPECT_EQ(SocketInt::Established, first->getSocketState());
    EXPECT_EQ(0, first->getSocketInt()->getSystemError());
    EXPECT_EQ(0, first->getSocketInt()->getSocketError());

    server.accept();
    EXPECT_EQ(SocketInt::Established, server.getSocketState());
    EXPECT_EQ("! _pCurrentConnection", failedCheck([&] { server.accept(); }));

    // While the server holds the connection, its send and receive use it.
    EXPECT_EQ(3, server.send("abc", 3));
    ASSERT_EQ(3, first->getSocketInt()->readBuffer(buffer, 3));
    EXPECT_EQ("abc", std::string(buffer, 3));
    ASSERT_EQ(2, first->getSocketInt()->writeBuffer("yz", 2));
    EXPECT_EQ(2, server.receive(buffer, 2));
    EXPECT_EQ("yz", std::string(buffer, 2));

    TcpipConnection* held = server.getConnection();
    ASSERT_NE(nullptr, held);
    EXPECT_EQ(SocketInt::Good, static_cast<SocketInt*>(held)->getStatus());
    EXPECT_EQ(nullptr, server.getConnection());
    EXPECT_THROW(server.send("x", 1), InvalidOperationSocketIntException);
    EXPECT_THROW(server.receive(buffer, 1), InvalidOperationSocketIntException);

    std::unique_ptr<TcpipConnection> second(client.connect());
    ASSERT_NE(nullptr, second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(SocketInt::HandedOff, client.getSocketState());
    EXPECT_EQ(SocketInt::Established, second->getSocketState());

    // Releasing closes the server's side: the client sees the end of stream.
    server.releaseConnection(held);
    EXPECT_EQ(SocketInt::Listening, server.getSocketState());
    EXPECT_THROW(first->getSocketInt()->readBuffer(buffer, 1), BrokenPipeSocketIntException);
    EXPECT_EQ(SocketInt::Disconnected, first->getSocketState());

    server.accept();
    server.releaseConnection(server.getConnection());
    server.releaseConnection(nullptr);
    EXPECT_EQ(SocketInt::Listening, server.getSocketState());
}

TEST(TcpipClientTest, AddressesLookupsAndChecks)
{
    TcpipClient client("127.0.0.1", 5000, "");
    EXPECT_EQ("127.0.0.1", client.getHost());
    EXPECT_EQ(5000, client.getPort());
    EXPECT_EQ("", client.getLocalHost());
    EXPECT_EQ(SocketInt::Closed, client.getSocketState());

    client.setPort(70000);
    EXPECT_EQ(4464, client.getPort());
    EXPECT_EQ("p >= 0", failedCheck([&] { client.setPort(-1); }));
    EXPECT_EQ("hostname.size() > 0 @ util/src/TcpipClient.cpp",
              failedCheckWhere([&] { client.setHost(""); }));

    // A failed lookup keeps the previous address.
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
    qvxtest::NopMode nop;
    EXPECT_EQ(nullptr, noPort.connect());
}

TEST_F(TcpipTest, ClientBindsLocalAddressAndReportsRefusedAndUnreachable)
{
    TcpipClient client("localhost", static_cast<unsigned short>(server.getBoundPort()), "127.0.0.2");
    EXPECT_EQ("127.0.0.2", client.getLocalHost());
    std::unique_ptr<TcpipConnection> here(client.connect());
    ASSERT_NE(nullptr, here);
    server.accept();
    std::unique_ptr<TcpipConnection> there(server.getConnection());
    EXPECT_EQ("127.0.0.2", static_cast<SocketInt&>(*here).getLocalHostIp());
    EXPECT_EQ("127.0.0.2", static_cast<SocketInt&>(*there).getRemoteHostIp());
    EXPECT_EQ("127.0.0.1", static_cast<SocketInt&>(*there).getLocalHostIp());

    const int before = openDescriptors();
    TcpipClient refused("127.0.0.1", static_cast<unsigned short>(freePort()), "");
    try
    {
        delete refused.connect();
        ADD_FAILURE() << "connect to a closed port succeeded";
    }
    catch (const ConnectionRefusedSocketIntException& e)
    {
        EXPECT_EQ("127.0.0.1", e.getParameter(1));
    }
    EXPECT_EQ(SocketInt::Refused, refused.getSocketState());

    // TCP to the broadcast address fails at once with "network unreachable".
    TcpipClient unreachable("255.255.255.255", 80, "");
    try
    {
        delete unreachable.connect();
        ADD_FAILURE() << "connect to the broadcast address succeeded";
    }
    catch (const UntrappedSocketIntException& e)
    {
        EXPECT_EQ("An untrapped socket exception has occurred.  GetLastError() returns: "
                  "'Network is unreachable'",
                  e.getMessage());
        EXPECT_EQ("255.255.255.255", e.getParameter(1));
    }
    EXPECT_EQ(SocketInt::Error, unreachable.getSocketState());
    EXPECT_EQ(before, openDescriptors()) << "failed connects must close their sockets";

    // A local address this machine does not have cannot be bound.
    TcpipClient foreign("127.0.0.1", static_cast<unsigned short>(server.getBoundPort()), "192.0.2.254");
    EXPECT_EQ("retCode == 0", failedCheck([&] { delete foreign.connect(); }));
    EXPECT_EQ(before, openDescriptors());
}

TEST_F(TcpipTest, ExactReadWaitsForEveryPiece)
{
    std::unique_ptr<TcpipConnection> connection = acceptRawPeer();
    SocketInt& stream = *connection;
    char buffer[16] = {};
    EXPECT_EQ(0, stream.readBuffer(buffer, 0));
    EXPECT_EQ(SocketInt::Established, connection->getSocketState());

    std::thread writer([this] {
        send(peer, "abc", 3, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        send(peer, "defghij", 7, 0);
    });
    EXPECT_EQ(10, stream.readBuffer(buffer, 10));
    writer.join();
    EXPECT_EQ("abcdefghij", std::string(buffer, 10));
    EXPECT_EQ("dataBuffer @ util/src/TcpipConnection.cpp",
              failedCheckWhere([&] { stream.readBuffer(nullptr, 1); }));
}

TEST_F(TcpipTest, PeerCloseEndsTheStream)
{
    std::unique_ptr<TcpipConnection> connection = acceptRawPeer();
    SocketInt& stream = *connection;
    std::thread closer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        send(peer, "ab", 2, 0);
        close(peer);
        peer = -1;
    });
    char buffer[4];
    try
    {
        stream.readBuffer(buffer, 4);
        ADD_FAILURE() << "read past the end of the stream";
    }
    catch (const BrokenPipeSocketIntException& e)
    {
        EXPECT_EQ("127.0.0.1", e.getParameter(0));
        EXPECT_EQ("127.0.0.1", e.getParameter(1));
    }
    closer.join();
    EXPECT_EQ(SocketInt::Disconnected, connection->getSocketState());
    EXPECT_EQ(SocketInt::Bad, stream.getStatus());
    EXPECT_EQ(nullptr, connection->getSocketInt());

    // Writing on: the peer answers with a reset, then sends fail with EPIPE;
    // the state stays Disconnected and no SIGPIPE ends this process.
    int result = 0;
    for (int i = 0; i < 100 && result >= 0; ++i)
    {
        result = stream.writeBuffer("x", 1);
        if (result >= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(-1, result);
    EXPECT_TRUE(stream.getSystemError() == EPIPE || stream.getSystemError() == ECONNRESET)
        << stream.getSystemError();
    EXPECT_EQ(SocketInt::Disconnected, connection->getSocketState());
}

TEST_F(TcpipTest, ResetPeerDisconnectsReadsAndWrites)
{
    std::unique_ptr<TcpipConnection> reading = acceptRawPeer();
    resetAndClose(peer);
    peer = -1;
    char buffer[4];
    EXPECT_THROW(static_cast<SocketInt&>(*reading).readBuffer(buffer, 4), BrokenPipeSocketIntException);
    EXPECT_EQ(SocketInt::Disconnected, reading->getSocketState());
    EXPECT_EQ(ECONNRESET, static_cast<SocketInt&>(*reading).getSystemError());

    std::unique_ptr<TcpipConnection> writing = acceptRawPeer();
    resetAndClose(peer);
    peer = -1;
    SocketInt& stream = *writing;
    EXPECT_EQ(-1, stream.writeBuffer("hello", 5));
    EXPECT_EQ(ECONNRESET, stream.getSystemError());
    EXPECT_EQ(SocketInt::Disconnected, writing->getSocketState());

    // The reset stream cannot be shut down any more; closing it still closes it
    // and reports nothing, also in exception mode.
    const int before = openDescriptors();
    EXPECT_EQ("", failedCheck([&] {
                  writing->close();
                  reading.reset();
              }));
    EXPECT_EQ(SocketInt::Closed, writing->getSocketState());
    EXPECT_EQ(before - 2, openDescriptors());
}

TEST_F(TcpipTest, TimedReadWaitsPerDeadlineRule)
{
    std::unique_ptr<TcpipConnection> connection = acceptRawPeer();
    SocketInt& stream = *connection;
    char buffer[4];

    bool timedOut = false;
    auto start = Clock::now();
    EXPECT_EQ(0, stream.readBuffer(buffer, 4, 250, timedOut));
    EXPECT_TRUE(timedOut);
    EXPECT_GE(millisecondsSince(start), 249);
    EXPECT_LT(millisecondsSince(start), 1000);
    EXPECT_EQ(SocketInt::Established, connection->getSocketState());

    timedOut = true;
    EXPECT_EQ(0, stream.readBuffer(buffer, 0, 250, timedOut));
    EXPECT_TRUE(timedOut);

    // Under one second the deadline is now: after the first piece every wait
    // only polls, so the second piece (50 ms later) is not waited for.
    send(peer, "a", 1, 0);
    std::thread late([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        send(peer, "b", 1, 0);
    });
    timedOut = false;
    start = Clock::now();
    EXPECT_EQ(1, stream.readBuffer(buffer, 2, 500, timedOut));
    EXPECT_TRUE(timedOut);
    EXPECT_LT(millisecondsSince(start), 40);
    late.join();

    // With a whole second in the time-out each wait may last the full time-out.
    send(peer, "c", 1, 0);
    late = std::thread([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        send(peer, "d", 1, 0);
    });
    timedOut = true;
    EXPECT_EQ(3, stream.readBuffer(buffer, 3, 1200, timedOut));
    EXPECT_FALSE(timedOut);
    EXPECT_EQ("bcd", std::string(buffer, 3));
    late.join();
    EXPECT_EQ("data", failedCheck([&] { stream.readBuffer(nullptr, 1, 10, timedOut); }));
}

TEST_F(TcpipTest, ClosedConnectionHasNoHandle)
{
    std::unique_ptr<TcpipConnection> connection = acceptRawPeer();
    SocketInt& stream = *connection;
    EXPECT_EQ("bufferSize", failedCheck([&] { stream.writeBuffer("x", 0); }));
    EXPECT_EQ("data", failedCheck([&] { stream.writeBuffer(nullptr, 1); }));

    stream.closeConnection();
    connection->close();
    EXPECT_EQ(SocketInt::Closed, connection->getSocketState());
    EXPECT_EQ(UNKNOWN, stream.getLocalHostIp());
    EXPECT_EQ(UNKNOWN, stream.getRemoteHostIp());

    char buffer[2];
    EXPECT_THROW(stream.readBuffer(buffer, 2), UntrappedSocketIntException);
    EXPECT_EQ(SocketInt::Invalid, connection->getSocketState());
    EXPECT_EQ(EBADF, stream.getSystemError());
    EXPECT_EQ(-1, stream.writeBuffer("x", 1));
    EXPECT_EQ(SocketInt::Invalid, connection->getSocketState());
    bool timedOut = false;
    EXPECT_THROW(stream.readBuffer(buffer, 2, 10, timedOut), UntrappedSocketIntException);
}

TEST_F(TcpipTest, ShutdownFromAnotherThreadEndsBlockedAccept)
{
    const auto start = Clock::now();
    std::thread stopper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        server.shutdown();
    });
    EXPECT_THROW(server.accept(), OperationInterruptedSocketIntException);
    stopper.join();
    EXPECT_GE(millisecondsSince(start), 99);
    EXPECT_TRUE(server.isShutdown());
    EXPECT_EQ(SocketInt::Closed, server.getSocketState());
    EXPECT_EQ(nullptr, server.getConnection());
    EXPECT_THROW(server.accept(), OperationInterruptedSocketIntException);

    // A shut-down server listens again.
    ASSERT_TRUE(server.listen());
    EXPECT_EQ(SocketInt::Listening, server.getSocketState());
}

TEST_F(TcpipTest, ConnectAcceptReleaseCyclesLeakNoDescriptor)
{
    TcpipClient client("127.0.0.1", static_cast<unsigned short>(server.getBoundPort()), "");
    const int before = openDescriptors();
    for (int i = 0; i < 1000; ++i)
    {
        std::unique_ptr<TcpipConnection> here(client.connect());
        server.accept();
        server.releaseConnection(server.getConnection());
    }
    EXPECT_EQ(before, openDescriptors());
}

TEST(TcpipDescriptorTest, DescriptorZeroIsNeverTakenForNoSocket)
{
    qvxtest::ExceptionMode mode;
    const int savedInput = dup(0);
    close(0);
    {
        TcpipServer server(0);
        ASSERT_TRUE(server.listen());
        TcpipClient client("127.0.0.1", static_cast<unsigned short>(server.getBoundPort()), "");
        std::unique_ptr<TcpipConnection> here(client.connect());
        server.accept();
        std::unique_ptr<TcpipConnection> there(server.getConnection());
        EXPECT_EQ(-1, fcntl(0, F_GETFD));
        ASSERT_EQ(2, static_cast<SocketInt&>(*here).writeBuffer("ok", 2));
        char buffer[2];
        EXPECT_EQ(2, static_cast<SocketInt&>(*there).readBuffer(buffer, 2));
        server.shutdown();
    }
    dup2(savedInput, 0);
    close(savedInput);
}
