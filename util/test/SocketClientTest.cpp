// SocketClient against a SocketServer that answers scripted bytes.
#include <gtest/gtest.h>

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
                      std::to_string(net::SOCKERR_EBADF));
    }
    EXPECT_EQ(net::socketLibraryUsers(), users);
    EXPECT_EQ(openDescriptorCount(), descriptors);
}
