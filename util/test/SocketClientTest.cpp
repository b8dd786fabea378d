// SocketClient against a scripted plain-socket server, and end to end with
// SocketServer.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "LoopbackPeer.h"
#include "RunningServer.h"
#include "ScriptedMessageHandler.h"
#include "Socket.h"
#include "SocketClient.h"
#include "SocketException.h"

using qvxtest::LoopbackListener;
using qvxtest::LoopbackPeer;
using Lines = std::vector<std::string>;

namespace {

// Reads one request line (up to LF) from a plain peer.
std::string readRequest(LoopbackPeer& peer)
{
    std::string line;
    for (;;)
    {
        const std::string c = peer.read(1);
        if (c.empty() || c == "\n")
            return c.empty() ? line + "<end>" : line + "\n";
        line += c;
    }
}

std::string keyAndMessage(const SocketException& e)
{
    return e.getKey() + ": " + e.getMessage();
}

}  // namespace

TEST(SocketClientTest, ReadsResponsesAsTheServerFramesThem)
{
    struct Case
    {
        const char* name;
        std::string marker;
        std::string request;
        std::string served;  // bytes the server writes back in one send
        Lines expected;
    };
    const std::string longLine(230, 'L');
    const std::vector<Case> cases = {
        {"one line without marker", "", "PING", "PONG\n", {"PONG"}},
        {"lines before the marker", "END", "Q", "A\nB\nEND\n", {"A", "B"}},
        {"marker is case-sensitive", "END", "Q", "end\nEND\n", {"end"}},
        {"empty request, long line, CR kept", "END", "", longLine + "\r\nEND\n", {longLine + "\r"}},
        {"empty response", "END", "Q", "END\n", {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        LoopbackListener listener;
        std::string received, farewell;
        std::thread server([&] {
            LoopbackPeer peer = listener.accept();
            received = readRequest(peer);
            peer.sendAll(c.served);
            farewell = readRequest(peer);  // disconnect's own exchange
            peer.sendAll(c.served);
            peer.atEnd();
        });
        try
        {
            SocketClient client("127.0.0.1", listener.port(), c.marker);
            client.connect();
            EXPECT_EQ(client.sendMessageToServer(c.request), c.expected);
            client.disconnect("");
        }
        catch (const SocketException& e)
        {
            ADD_FAILURE() << keyAndMessage(e);
        }
        server.join();
        EXPECT_EQ(received, c.request + "\n");
        EXPECT_EQ(farewell, "\n");  // an empty request is a lone LF
    }
}

TEST(SocketClientTest, KeepsBytesAfterALineFeedForTheNextLine)
{
    LoopbackListener listener;
    std::vector<std::string> requests;
    std::thread server([&] {
        LoopbackPeer peer = listener.accept();
        requests.push_back(readRequest(peer));
        // Two responses' worth in one piece, the second cut in the middle of a line.
        peer.sendAll("A\nB\nEND\nC1");
        requests.push_back(readRequest(peer));
        peer.sendAll("C2\nEND\n");
        requests.push_back(readRequest(peer));
        peer.sendAll("D\n");
        peer.close();  // before the marker
    });
    SocketClient client("localhost", listener.port(), "END");
    client.connect();
    EXPECT_EQ(client.sendMessageToServer("1"), (Lines{"A", "B"}));
    EXPECT_EQ(client.sendMessageToServer("2"), (Lines{"C1C2"}));
    try
    {
        client.sendMessageToServer("3");
        ADD_FAILURE() << "an incomplete response was returned";
    }
    catch (const SocketException& e)
    {
        EXPECT_EQ(keyAndMessage(e), "SOCKECT_RECV_ERROR_KEY: SocketClient failed while trying to receive "
                                    "data from the server, the server closed the connection");
        EXPECT_EQ(e.getParameterCount(), 0u);
    }
    server.join();
    EXPECT_EQ(requests, (Lines{"1\n", "2\n", "3\n"}));
}

TEST(SocketClientTest, FailuresCarryTheirKeysAndReleaseTheLibrary)
{
    const int users = qvx::platform::socketLibraryUsers();
    const int descriptors = qvxtest::openDescriptorCount();
    try
    {
        SocketClient client("no-such-host.invalid", 80, "");
        ADD_FAILURE() << "resolved a host that does not exist";
    }
    catch (const SocketException& e)
    {
        EXPECT_EQ(keyAndMessage(e), "SOCKET_GET_HOST_BY_NAME_ERROR_KEY: SocketClient could not get host name, "
                                    "error code: " +
                                        std::to_string(qvx::platform::SOCKERR_HOST_NOT_FOUND));
    }
    EXPECT_EQ(qvx::platform::socketLibraryUsers(), users);
    {
        SocketClient client("127.0.0.1", qvxtest::freeLoopbackPort(), "");
        EXPECT_EQ(qvx::platform::socketLibraryUsers(), users + 1);
        try
        {
            client.connect();
            ADD_FAILURE() << "connected to a port nobody listens on";
        }
        catch (const SocketException& e)
        {
            EXPECT_EQ(keyAndMessage(e), "SOCKET_COULD_NOT_CONNECT_ERROR_KEY: SocketClient could not connect to "
                                        "server, error code: " +
                                            std::to_string(qvx::platform::SOCKERR_ECONNREFUSED));
        }
        try
        {
            client.sendMessageToServer("x");
            ADD_FAILURE() << "sent without a connection";
        }
        catch (const SocketException& e)
        {
            EXPECT_EQ(e.getKey(), "SOCKECT_SEND_ERROR_KEY");
            EXPECT_EQ(e.getMessage().rfind("SocketClient could not send message to server, error code: ", 0), 0u);
        }
    }
    EXPECT_EQ(qvx::platform::socketLibraryUsers(), users);
    EXPECT_EQ(qvxtest::openDescriptorCount(), descriptors);
}

TEST(SocketClientTest, TalksToSocketServerEndToEnd)
{
    qvxtest::ScriptedMessageHandler handler([](const std::string& m) {
        Lines lines;
        for (char c : m)
            lines.push_back(std::string(1, c));
        return lines;
    });
    qvxtest::RunningServer running(handler, "END");
    for (int round = 0; round < 2; ++round)  // connect again after disconnect
    {
        SocketClient client("127.0.0.1", running.port(), "END");
        client.connect();
        EXPECT_EQ(client.sendMessageToServer("abc"), (Lines{"a", "b", "c"}));
        EXPECT_EQ(client.sendMessageToServer(""), Lines{});
        EXPECT_EQ(client.sendMessageToServer(std::string(300, 'x')).size(), 300u);
        client.disconnect("bye");
    }
    EXPECT_EQ(handler.waitForCalls(10).size(), 10u);  // 4 requests and the leaving call, twice
    running.stop();
    EXPECT_EQ(running.outcome(), "returned");
}
