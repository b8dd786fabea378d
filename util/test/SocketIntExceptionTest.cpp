// Socket exception family: keys, messages, parameter lists by form, and the
// untrapped message built from the last error code.
#include <netdb.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <list>
#include <sstream>
#include <string>
#include <vector>

#include <arpa/inet.h>
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

// A stream whose endpoint texts are fixed and whose address queries are logged.
class FakeSocket : public SocketInt
{
public:
    FakeSocket(int systemError = 0, int socketError = 0)
    {
        _systemError = systemError;
        _socketError = socketError;
    }
    int readBuffer(void*, unsigned int, unsigned int, bool&) override { return 0; }
    int readBuffer(void*, unsigned int) override { return 0; }
    int writeBuffer(const void*, unsigned int) override { return 0; }
    void closeConnection() override {}
    Status getStatus() override { return Bad; }
    std::string getLocalHostIp() const override
    {
        calls += "local;";
        return "10.0.0.1";
    }
    std::string getRemoteHostIp() const override
    {
        calls += "remote;";
        return "10.0.0.2";
    }
    mutable std::string calls;
};

// The machine's address found independently of the library.
std::string expectedLocalHost()
{
    char name[128] = {};
    if (gethostname(name, sizeof(name)) != 0)
        return "???.???.???.???";
    hostent* entry = gethostbyname(name);
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

struct Seen
{
    std::string key;
    std::string message;
    std::vector<std::string> parameters;
};

template <class E>
Seen see(const E& e)
{
    const std::list<std::string> parameters = e.getParameters();
    return {e.getKey(), e.getMessage(), {parameters.begin(), parameters.end()}};
}

}  // namespace

TEST(SocketIntExceptionTest, KeysMessagesAndParametersByForm)
{
    const std::string host = expectedLocalHost();
    FakeSocket socket;
    const sockaddr_in peer = peerAddress("192.168.17.4", 8080);
    const std::string f = "util/src/TcpipServer.cpp";

    struct Case
    {
        const char* what;
        std::function<Seen()> make;
        Seen expected;
    };
    const std::string pipeMessage = "I/O operation failed on a EPIPE error";
    const std::string resetMessage = "socket peer reset connection";
    const std::string interrupted = "Last Operation Interupted before completion";
    const std::vector<Case> cases = {
        {"broken pipe, socket",
         [&] { return see(BrokenPipeSocketIntException(&socket, f, 11)); },
         {"SOCKET_BROKEN_PIPE_EXCEPTION_KEY", pipeMessage, {"10.0.0.1", "10.0.0.2", f, "11"}}},
        {"broken pipe, null socket",
         [&] { return see(BrokenPipeSocketIntException(nullptr, f, 12)); },
         {"SOCKET_BROKEN_PIPE_EXCEPTION_KEY", pipeMessage, {host, "0.0.0.0", f, "12"}}},
        {"refused, peer",
         [&] { return see(ConnectionRefusedSocketIntException(peer, f, 13)); },
         {"SOCKET_CONNECTION_REFUSED_EXCEPTION_KEY", "Client connection was refused by host",
          {host, "192.168.17.4", f, "13"}}},
        {"reset, peer",
         [&] { return see(ConnectionResetSocketIntException(peer, f, 14)); },
         {"CLIENT_CONNECTION_RESET_EXCEPTION_KEY", resetMessage, {host, "192.168.17.4", f, "14"}}},
        {"reset, socket",
         [&] { return see(ConnectionResetSocketIntException(&socket, f, 15)); },
         {"CLIENT_CONNECTION_RESET_EXCEPTION_KEY", resetMessage, {"10.0.0.1", "10.0.0.2", f, "15"}}},
        {"timeout",
         [&] { return see(ConnectionTimeoutSocketIntException(f, 42)); },
         {"SOCKET_CONNECTION_TIMEDOUT_EXCEPTION_KEY", "Connection timeout", {host, f, "42"}}},
        {"invalid operation",
         [&] { return see(InvalidOperationSocketIntException(f, 16)); },
         {"INVALID_OPERATION_ON_SOCKET_EXCEPTION_KEY", "Invalid Operation on Winsock2 was called",
          {host, f, "16"}}},
        {"network down",
         [&] { return see(NetworkDownSocketIntException(f, 4294967295u)); },
         {"NETWORK_DOWN_EXCEPTION_KEY", "The network seems to be down", {host, f, "4294967295"}}},
        {"interrupted, socket",
         [&] { return see(OperationInterruptedSocketIntException(&socket, f, 17)); },
         {"SOCKET_OPERATION_INTERRUPTED_EXCEPTION_KEY", interrupted,
          {"10.0.0.1", "10.0.0.2", f, "17"}}},
        {"interrupted",
         [&] { return see(OperationInterruptedSocketIntException(f, 18)); },
         {"SOCKET_OPERATION_INTERRUPTED_EXCEPTION_KEY", interrupted, {host, f, "18"}}},
        {"winsock2",
         [&] { return see(Winsock2NotSupportedSocketIntException(f, 19)); },
         {"WINSOCK2_NOT_SUPPORRTED_EXCEPTION_KEY", "Winsock2 non supported on this platform",
          {host, f, "19"}}},
        {"start-up",
         [&] { return see(WSAStartUpSocketIntException(f, 0)); },
         {"START_UP_SOCKET_EXCEPTION_KEY", "Winsock2 failed to startup when told to",
          {host, "0.0.0.0", f, "0"}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const Seen seen = c.make();
        EXPECT_EQ(c.expected.key, seen.key);
        EXPECT_EQ(c.expected.message, seen.message);
        EXPECT_EQ(c.expected.parameters, seen.parameters);
    }
    // Every socket-form construction asked local first, then remote.
    EXPECT_EQ("local;remote;local;remote;local;remote;", socket.calls);
}

TEST(SocketIntExceptionTest, UntrappedQuotesTheLastErrorTextOfItsConstruction)
{
    const std::string prefix = "An untrapped socket exception has occurred.  GetLastError() returns: '";
    FakeSocket socket;
    const sockaddr_in peer = peerAddress("10.9.8.7", 1);

    errno = ECONNREFUSED;
    const UntrappedSocketIntException known(peer, "a.cpp", 3);
    EXPECT_EQ(prefix + "Connection refused'", known.getMessage());
    EXPECT_EQ("10.9.8.7", known.getParameter(1));
    EXPECT_EQ(ECONNREFUSED, errno) << "building the parameters must keep the error code";

    errno = 0x7FFF1234;
    const UntrappedSocketIntException unknown(&socket, "b.cpp", 4);
    EXPECT_EQ(prefix + "Unknown error 0x7FFF1234'", unknown.getMessage());
    EXPECT_EQ(4u, unknown.getParameterCount());

    errno = -1;
    const UntrappedSocketIntException negative("c.cpp", 5);
    EXPECT_EQ(prefix + "Unknown error 0xFFFFFFFF'", negative.getMessage());
    EXPECT_EQ(3u, negative.getParameterCount());

    // A copy keeps the message of the original's construction.
    errno = EPIPE;
    const UntrappedSocketIntException copy(known);
    EXPECT_EQ(known.getMessage(), copy.getMessage());
    EXPECT_EQ(known.getParameters(), copy.getParameters());
}

TEST(SocketIntExceptionTest, PrintsKeyMessageAndParameters)
{
    const std::string host = expectedLocalHost();
    std::ostringstream out;
    out << NetworkDownSocketIntException("x.cpp", 7);
    EXPECT_EQ("NETWORK_DOWN_EXCEPTION_KEY['The network seems to be down', " + host + ", x.cpp, 7]",
              out.str());
}

TEST(SocketIntTest, CopiesCarryBothErrorCodes)
{
    const FakeSocket fresh;
    EXPECT_EQ(0, fresh.getSystemError());
    EXPECT_EQ(0, fresh.getSocketError());

    const FakeSocket source(104, 32);
    const FakeSocket copy(source);
    EXPECT_EQ(104, copy.getSystemError());
    EXPECT_EQ(32, copy.getSocketError());

    FakeSocket assigned;
    assigned = source;
    EXPECT_EQ(104, assigned.getSystemError());
    EXPECT_EQ(32, assigned.getSocketError());
}
