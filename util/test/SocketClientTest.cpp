// SocketClient against a SocketServer that answers scripted bytes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "RunningServer.h"
#include "SocketClient.h"

using namespace qvxtest;

namespace {

// A raw-mode server that answers each request with the next of answers, in
// one piece, and leaves the client after the last.
struct ScriptedServer
{
    explicit ScriptedServer(const Lines& answers)
        : handler(ScriptedHandler::Text(), [this, answers](const std::vector<char>&) {
              const std::size_t i = handler.calls().size() - 1;
              if (i + 1 == answers.size())
                  running.server().disconnectFromClient();
              return std::vector<char>(answers.at(i).begin(), answers.at(i).end());
          }),
          running(handler, "", SocketServer::RawMode)
    {
    }
    ScriptedHandler handler;  // its calls are the requests as they came
    RunningServer running;
};

}  // namespace

TEST(SocketClientTest, ReadsResponsesAsTheServerFramesThem)
{
    {
        ScriptedServer server({"PONG\n", "PONG\n"});
        SocketClient client("127.0.0.1", server.running.port(), "");
        client.connect();
        EXPECT_EQ(client.sendMessageToServer("PING"), Lines{"PONG"});
        client.disconnect("");  // an empty request is a lone LF
        EXPECT_EQ(server.handler.calls(2), (Lines{"PING\n", "\n"}));
    }
    // Each answer is written in one piece: lines, the marker, lines longer
    // than a receive, and a line cut in two that belongs to the next
    // response. At the end a line without marker, then the server closes.
    const std::string longLine(230, 'L');
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += "x\n";
    ScriptedServer server({"A\nB\nEND\n", "end\nEND\n", longLine + "\r\nEND\n", many + "END\n", "END\n", "X\nEND\nC1",
                           "C2\nEND\n", "D\n"});
    SocketClient client("localhost", server.running.port(), "END");
    client.connect();
    const Lines expected[] = {{"A", "B"}, {"end"}, {longLine + "\r"}, Lines(300, "x"), {}, {"X"}, {"C1C2"}};
    for (const Lines& lines : expected)
        EXPECT_EQ(client.sendMessageToServer("Q"), lines);
    EXPECT_EQ(socketFailure([&] { client.sendMessageToServer("Q"); }),
              "SOCKECT_RECV_ERROR_KEY: SocketClient failed while trying to receive data from the server, the server "
              "closed the connection");
    EXPECT_EQ(server.handler.calls(), Lines(8, "Q\n"));
}

TEST(SocketClientTest, FailuresCarryTheirKeysAndReleaseWhatTheyTook)
{
    const int users = net::socketLibraryUsers();
    const int descriptors = openDescriptorCount();
    EXPECT_EQ(socketFailure([] { SocketClient("no-such-host.invalid", 80, ""); }),
              "SOCKET_GET_HOST_BY_NAME_ERROR_KEY: SocketClient could not get host name, error code: " +
                  std::to_string(net::SOCKERR_HOST_NOT_FOUND));
    EXPECT_EQ(net::socketLibraryUsers(), users);
    {
        SocketClient client("127.0.0.1", net::socketFreeLoopbackPort(), "");  // nobody listens
        EXPECT_EQ(net::socketLibraryUsers(), users + 1);
        EXPECT_EQ(socketFailure([&] { client.connect(); }),
                  "SOCKET_COULD_NOT_CONNECT_ERROR_KEY: SocketClient could not connect to server, error code: " +
                      std::to_string(net::SOCKERR_ECONNREFUSED));
        EXPECT_EQ(socketFailure([&] { client.sendMessageToServer("x"); }),
                  "SOCKECT_SEND_ERROR_KEY: SocketClient could not send message to server, error code: " +
                      std::to_string(CLOSED_SOCKET_ERROR));
    }
    EXPECT_EQ(net::socketLibraryUsers(), users);
    EXPECT_EQ(openDescriptorCount(), descriptors);
}

namespace {

// A server that accepts one client, never reads, and writes pattern every
// intervalMs until the client is gone (with an empty pattern it stays silent).
class RogueServer
{
public:
    RogueServer(std::string pattern, int intervalMs) : _pattern(std::move(pattern)), _interval(intervalMs)
    {
        _listener = net::socketCreateTcp();
        sockaddr_in name{};
        net::socketBind(_listener, net::socketMakeAddress(net::socketLoopbackAddress(), 0));
        net::socketListen(_listener, 1);
        net::socketGetLocalName(_listener, name);
        _port = net::socketNetworkToHost16(name.sin_port);
        _thread = std::thread([this] { run(); });
    }
    ~RogueServer()
    {
        _stop.store(true);
        net::socketCloseListening(_listener);  // wakes an accept
        _thread.join();
    }
    int port() const { return _port; }

private:
    void run()
    {
        const net::SocketHandle client = net::socketAccept(_listener, nullptr);
        while (client != net::INVALID_SOCKET_HANDLE && !_stop.load())
        {
            if (!_pattern.empty() &&
                net::socketSend(client, _pattern.data(), static_cast<int>(_pattern.size())) < 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(_interval));
        }
        if (client != net::INVALID_SOCKET_HANDLE)
            net::socketClose(client);
    }

    const std::string _pattern;
    const int _interval;
    net::SocketHandle _listener;
    int _port = 0;
    std::atomic<bool> _stop{false};
    std::thread _thread;
};

}  // namespace

TEST(SocketClientTest, TimeOutCoversTheWholeExchange)
{
    const std::string timedOut =
        "SOCKET_RESPONSE_TIMEOUT_KEY: SocketClient timed out waiting for the response of the server, time-out in "
        "milliseconds: 300";
    struct Case
    {
        const char* what;
        std::string pattern, request;
    } const cases[] = {
        {"silent server", "", "Q"},
        {"lines but never the marker", "line\n", "Q"},
        {"a server that does not read a large request", "", std::string(8 * 1024 * 1024, 'r')},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        RogueServer server(c.pattern, 20);
        SocketClient client("127.0.0.1", server.port(), "END");
        EXPECT_EQ(client.getReceiveTimeout(), 0u);
        client.setReceiveTimeout(300);
        client.connect();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(socketFailure([&] { client.sendMessageToServer(c.request); }), timedOut);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(300));
        EXPECT_LT(took, std::chrono::milliseconds(3000));
        // The stream is out of step: the socket is gone.
        EXPECT_EQ(socketFailure([&] { client.sendMessageToServer("x"); }),
                  "SOCKECT_SEND_ERROR_KEY: SocketClient could not send message to server, error code: " +
                      std::to_string(CLOSED_SOCKET_ERROR));
    }
}

TEST(SocketClientTest, ResponsesPastTheBoundFail)
{
    {  // a server that streams without LF
        RogueServer server(std::string(64 * 1024, 'y'), 0);
        SocketClient client("127.0.0.1", server.port(), "");
        EXPECT_EQ(client.getMaxResponseSize(), 16u * 1024 * 1024);
        client.setMaxResponseSize(1024 * 1024);
        client.connect();
        EXPECT_EQ(socketFailure([&] { client.sendMessageToServer("Q"); }),
                  "SOCKET_RESPONSE_TOO_LARGE_KEY: SocketClient received a response larger than the maximum response "
                  "size, maximum in bytes: 1048576");
    }
    // The bound counts the lines and their LFs, not the marker: 7 bytes here.
    ScriptedServer server({"abc\nde\nEND\n", "abc\nde\nEND\n"});
    SocketClient client("127.0.0.1", server.running.port(), "END");
    client.setMaxResponseSize(7);
    client.connect();
    EXPECT_EQ(client.sendMessageToServer("Q"), (Lines{"abc", "de"}));
    client.setMaxResponseSize(6);
    EXPECT_EQ(socketFailure([&] { client.sendMessageToServer("Q"); }),
              "SOCKET_RESPONSE_TOO_LARGE_KEY: SocketClient received a response larger than the maximum response "
              "size, maximum in bytes: 6");
}
