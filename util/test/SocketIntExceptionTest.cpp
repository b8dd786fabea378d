// Socket exception family: keys, messages, parameter lists by form, and the
// untrapped message built from the last error code.
#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BrokenPipeSocketIntException.h"
#include "ConnectionRefusedSocketIntException.h"
#include "ConnectionResetSocketIntException.h"
#include "ConnectionTimeoutSocketIntException.h"
#include "InvalidOperationSocketIntException.h"
#include "NetworkDownSocketIntException.h"
#include "OperationInterruptedSocketIntException.h"
#include "SocketInt.h"
#include "UntrappedSocketIntException.h"
#include "WSAStartUpSocketIntException.h"
#include "Winsock2NotSupportedSocketIntException.h"

namespace {

// A stream with fixed endpoint texts that logs the order of the queries.
class FakeSocket : public SocketInt
{
public:
    int readBuffer(void*, unsigned int, unsigned int, bool&) override { return 0; }
    int readBuffer(void*, unsigned int) override { return 0; }
    int writeBuffer(const void*, unsigned int) override { return 0; }
    void closeConnection() override {}
    Status getStatus() override { return Bad; }
    std::string getLocalHostIp() const override { return calls += "local;", "10.0.0.1"; }
    std::string getRemoteHostIp() const override { return calls += "remote;", "10.0.0.2"; }
    mutable std::string calls;
};

// This machine's address, found without the library.
std::string expectedLocalHost()
{
#if defined(_WIN32)
    static WSADATA winsock;
    static const int started = WSAStartup(MAKEWORD(2, 2), &winsock);
    (void)started;
#endif
    char name[128] = {};
    hostent* entry = gethostname(name, sizeof(name)) == 0 ? gethostbyname(name) : nullptr;
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list[0] == nullptr)
        return "???.???.???.???";
    in_addr address;
    std::memcpy(&address, entry->h_addr_list[0], sizeof(address));
    return inet_ntoa(address);
}

sockaddr_in peerAddress(const char* dotted, unsigned short port)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    inet_pton(AF_INET, dotted, &peer.sin_addr);
    return peer;
}

using Texts = std::vector<std::string>;

// key, message, then the parameters.
Texts see(const XrayTesterException& e)
{
    Texts texts{e.getKey(), e.getMessage()};
    for (const std::string& p : e.getParameters())
        texts.push_back(p);
    return texts;
}

}  // namespace

TEST(SocketIntExceptionTest, KeysMessagesAndParametersByForm)
{
    const std::string h = expectedLocalHost(), f = "util/src/TcpipServer.cpp";
    FakeSocket s;
    const sockaddr_in peer = peerAddress("192.168.17.4", 8080);
    const std::string pipe = "I/O operation failed on a EPIPE error", reset = "socket peer reset connection",
                      interrupted = "Last Operation Interupted before completion";
    // Built in order, so the socket's log shows the order of its queries.
    const std::pair<Texts, Texts> cases[] = {
        {see(BrokenPipeSocketIntException(&s, f, 11)),
         {"SOCKET_BROKEN_PIPE_EXCEPTION_KEY", pipe, "10.0.0.1", "10.0.0.2", f, "11"}},
        {see(BrokenPipeSocketIntException(nullptr, f, 12)),
         {"SOCKET_BROKEN_PIPE_EXCEPTION_KEY", pipe, h, "0.0.0.0", f, "12"}},
        {see(ConnectionRefusedSocketIntException(peer, f, 13)),
         {"SOCKET_CONNECTION_REFUSED_EXCEPTION_KEY", "Client connection was refused by host", h, "192.168.17.4", f, "13"}},
        {see(ConnectionResetSocketIntException(peer, f, 14)),
         {"CLIENT_CONNECTION_RESET_EXCEPTION_KEY", reset, h, "192.168.17.4", f, "14"}},
        {see(ConnectionResetSocketIntException(&s, f, 15)),
         {"CLIENT_CONNECTION_RESET_EXCEPTION_KEY", reset, "10.0.0.1", "10.0.0.2", f, "15"}},
        {see(ConnectionTimeoutSocketIntException(f, 42)),
         {"SOCKET_CONNECTION_TIMEDOUT_EXCEPTION_KEY", "Connection timeout", h, f, "42"}},
        {see(InvalidOperationSocketIntException(f, 16)),
         {"INVALID_OPERATION_ON_SOCKET_EXCEPTION_KEY", "Invalid Operation on Winsock2 was called", h, f, "16"}},
        {see(NetworkDownSocketIntException(f, 4294967295u)),
         {"NETWORK_DOWN_EXCEPTION_KEY", "The network seems to be down", h, f, "4294967295"}},
        {see(OperationInterruptedSocketIntException(&s, f, 17)),
         {"SOCKET_OPERATION_INTERRUPTED_EXCEPTION_KEY", interrupted, "10.0.0.1", "10.0.0.2", f, "17"}},
        {see(OperationInterruptedSocketIntException(f, 18)),
         {"SOCKET_OPERATION_INTERRUPTED_EXCEPTION_KEY", interrupted, h, f, "18"}},
        {see(Winsock2NotSupportedSocketIntException(f, 19)),
         {"WINSOCK2_NOT_SUPPORRTED_EXCEPTION_KEY", "Winsock2 non supported on this platform", h, f, "19"}},
        {see(WSAStartUpSocketIntException(f, 0)),
         {"START_UP_SOCKET_EXCEPTION_KEY", "Winsock2 failed to startup when told to", h, "0.0.0.0", f, "0"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, c.first);
    EXPECT_EQ("local;remote;local;remote;local;remote;", s.calls);  // the local address first

    std::ostringstream out;
    out << NetworkDownSocketIntException("x.cpp", 7);
    EXPECT_EQ("NETWORK_DOWN_EXCEPTION_KEY['The network seems to be down', " + h + ", x.cpp, 7]", out.str());
}

TEST(SocketIntExceptionTest, UntrappedQuotesTheLastErrorTextOfItsConstruction)
{
    const std::string prefix = "An untrapped socket exception has occurred.  GetLastError() returns: '";
    FakeSocket socket;

    errno = ECONNREFUSED;
    const UntrappedSocketIntException known(peerAddress("10.9.8.7", 1), "a.cpp", 3);
    EXPECT_EQ(prefix + "Connection refused'", known.getMessage());
    EXPECT_EQ("10.9.8.7", known.getParameter(1));
    EXPECT_EQ(ECONNREFUSED, errno) << "building the parameters must keep the error code";

    errno = 0x7FFF1234;
    EXPECT_EQ(prefix + "Unknown error 0x7FFF1234'",
              UntrappedSocketIntException(&socket, "b.cpp", 4).getMessage());
    errno = -1;
    const UntrappedSocketIntException negative("c.cpp", 5);
    EXPECT_EQ(prefix + "Unknown error 0xFFFFFFFF'", negative.getMessage());
    EXPECT_EQ(3u, negative.getParameterCount());

    errno = EPIPE;  // a copy keeps the text of the original's construction
    EXPECT_EQ(see(known), see(UntrappedSocketIntException(known)));
}
