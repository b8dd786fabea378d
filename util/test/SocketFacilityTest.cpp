// The host socket facility where the message classes do not reach it.
#include <gtest/gtest.h>

#include "LoopbackPeer.h"

using namespace qvxtest;

TEST(SocketFacilityTest, ResetPeerExclusivePortAndClosedListener)
{
    const net::SocketHandle listener = net::socketCreateTcp();
    sockaddr_in name{};
    ASSERT_EQ(net::socketBind(listener, loopback(0)), 0);
    ASSERT_EQ(net::socketListen(listener, 1), 0);
    ASSERT_EQ(net::socketGetLocalName(listener, name), 0);
    const net::SocketHandle second = net::socketCreateTcp();
    EXPECT_EQ(net::socketSetExclusiveAddressUse(second, true), 0);
    EXPECT_EQ(net::socketBind(second, name), -1);
    EXPECT_EQ(net::socketLastError(), net::SOCKERR_EADDRINUSE);
    net::socketClose(second);

    LoopbackPeer client;
    ASSERT_TRUE(client.connect(net::socketNetworkToHost16(name.sin_port)));
    const net::SocketHandle served = net::socketAccept(listener, nullptr);
    EXPECT_EQ(net::socketWaitReadable(served, 0, 20000), 0);  // nothing sent yet
    client.reset();
    char buffer[8];
    EXPECT_EQ(net::socketReceive(served, buffer, sizeof(buffer)), -1);
    EXPECT_EQ(net::socketLastError(), net::SOCKERR_ECONNRESET);
    EXPECT_EQ(net::socketSend(served, "x", 1), -1);  // no SIGPIPE, or this test would die
    EXPECT_EQ(net::socketLastError(), net::SOCKERR_EPIPE);
    net::socketClose(served);

    net::SocketHandle accepted = 0;
    std::thread waiter([&] { accepted = net::socketAccept(listener, nullptr); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(net::socketCloseListening(listener), 0);  // wakes the blocked accept
    waiter.join();
    EXPECT_EQ(accepted, net::INVALID_SOCKET_HANDLE);
    EXPECT_EQ(net::socketErrorText(net::SOCKERR_ECONNREFUSED), "Connection refused");
}
