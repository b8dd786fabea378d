// The host socket facility on real loopback sockets.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "Socket.h"

using namespace qvx::platform;

namespace {

struct Listener
{
    SocketHandle socket = socketCreateTcp();
    int port = 0;
    Listener()
    {
        EXPECT_NE(socket, INVALID_SOCKET_HANDLE);
        EXPECT_EQ(socketBind(socket, socketMakeAddress(socketLoopbackAddress(), 0)), 0);
        EXPECT_EQ(socketListen(socket, 5), 0);
        sockaddr_in name{};
        EXPECT_EQ(socketGetLocalName(socket, name), 0);
        port = socketNetworkToHost16(name.sin_port);
    }
    ~Listener() { socketClose(socket); }
};

SocketHandle connectTo(int port)
{
    SocketHandle s = socketCreateTcp();
    EXPECT_EQ(socketConnect(s, socketMakeAddress(socketLoopbackAddress(), static_cast<std::uint16_t>(port))), 0);
    return s;
}

}  // namespace

TEST(SocketFacilityTest, StartupGrantsTheVersionAskedForAndCountsUsers)
{
    const int before = socketLibraryUsers();
    std::uint16_t granted = 0;
    EXPECT_EQ(socketLibraryStartup(0x0101, granted), 0);
    EXPECT_EQ(granted, 0x0101);
    EXPECT_EQ(socketLibraryStartup(0x0202, granted), 0);
    EXPECT_EQ(granted, 0x0202);
    EXPECT_EQ(socketLibraryUsers(), before + 2);
    socketLibraryCleanup();
    socketLibraryCleanup();
    EXPECT_EQ(socketLibraryUsers(), before);
}

TEST(SocketFacilityTest, ConnectSendReceiveAndNames)
{
    Listener listener;
    ASSERT_GT(listener.port, 0);
    SocketHandle client = connectTo(listener.port);
    sockaddr_in peer{};
    SocketHandle served = socketAccept(listener.socket, &peer);
    ASSERT_NE(served, INVALID_SOCKET_HANDLE);
    EXPECT_EQ(socketDottedAddress(peer.sin_addr), "127.0.0.1");
    EXPECT_EQ(socketSetNoDelay(client, true), 0);

    EXPECT_EQ(socketWaitReadable(served, 0, 20000), 0);  // nothing sent yet
    EXPECT_EQ(socketSend(client, "hello", 5), 5);
    EXPECT_EQ(socketWaitReadable(served, 1, 0), 1);
    char buffer[16] = {};
    EXPECT_EQ(socketReceive(served, buffer, sizeof(buffer)), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");

    sockaddr_in local{}, remote{};
    ASSERT_EQ(socketGetLocalName(client, local), 0);
    ASSERT_EQ(socketGetPeerName(served, remote), 0);
    EXPECT_EQ(local.sin_port, remote.sin_port);

    // An orderly close reads as 0 bytes; a write to a reset peer fails
    // without SIGPIPE, with EPIPE or ECONNRESET.
    EXPECT_EQ(socketSetLinger(client, true, 0), 0);
    EXPECT_EQ(socketClose(client), 0);  // zero linger: reset
    EXPECT_EQ(socketWaitReadable(served, 1, 0), 1);
    const int got = socketReceive(served, buffer, sizeof(buffer));
    EXPECT_EQ(got, -1);
    EXPECT_EQ(socketLastError(), SOCKERR_ECONNRESET);
    int sent = 0;
    for (int i = 0; i < 10 && sent >= 0; ++i)
        sent = socketSend(served, "x", 1);
    EXPECT_EQ(sent, -1);
    EXPECT_TRUE(socketLastError() == SOCKERR_EPIPE || socketLastError() == SOCKERR_ECONNRESET)
        << socketLastError();
    int pending = -1;
    EXPECT_EQ(socketGetPendingError(served, pending), 0);
    socketClose(served);
}

TEST(SocketFacilityTest, CloseListeningWakesABlockedAccept)
{
    Listener listener;
    SocketHandle handle = listener.socket;
    listener.socket = socketCreateTcp();  // the destructor closes this one instead
    SocketHandle accepted = 0;
    int error = 0;
    std::thread waiter([&] {
        accepted = socketAccept(handle, nullptr);
        error = socketLastError();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(socketCloseListening(handle), 0);
    waiter.join();
    EXPECT_EQ(accepted, INVALID_SOCKET_HANDLE);
    EXPECT_EQ(error, SOCKERR_EINVAL);
}

TEST(SocketFacilityTest, ErrorsAndLookups)
{
    SocketHandle s = socketCreateTcp();
    // Nothing listens on a port just released: refused.
    {
        Listener listener;
        const int port = listener.port;
        socketClose(listener.socket);
        listener.socket = socketCreateTcp();
        EXPECT_EQ(socketConnect(s, socketMakeAddress(socketLoopbackAddress(), static_cast<std::uint16_t>(port))), -1);
        EXPECT_EQ(socketLastError(), SOCKERR_ECONNREFUSED);
    }
    socketClose(s);
    EXPECT_EQ(socketSend(s, "x", 1), -1);
    EXPECT_EQ(socketLastError(), SOCKERR_EBADF);
    EXPECT_FALSE(socketErrorText(SOCKERR_ECONNRESET).empty());

    in_addr address{};
    EXPECT_EQ(socketLookupIPv4("127.0.0.1", address), 0);
    EXPECT_EQ(socketDottedAddress(address), "127.0.0.1");
    EXPECT_EQ(socketLookupIPv4("localhost", address), 0);
    EXPECT_EQ(socketLookupIPv4("no-such-host.invalid", address), SOCKERR_HOST_NOT_FOUND);
    EXPECT_FALSE(socketHostName(128).empty());

    // Exclusive use: a second socket cannot bind a port that is in use.
    Listener first;
    SocketHandle second = socketCreateTcp();
    EXPECT_EQ(socketSetExclusiveAddressUse(second, true), 0);
    EXPECT_EQ(socketBind(second, socketMakeAddress(socketLoopbackAddress(), static_cast<std::uint16_t>(first.port))), -1);
    EXPECT_EQ(socketLastError(), SOCKERR_EADDRINUSE);
    socketClose(second);
}
