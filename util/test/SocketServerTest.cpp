// SocketServer on real loopback connections, observed byte for byte.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "FailedCheck.h"
#include "RunningServer.h"

using namespace qvxtest;
namespace net = qvx::platform;

namespace {

struct SocketServerTest : ::testing::Test
{
    ExceptionMode exceptionMode;
};

}  // namespace

TEST_F(SocketServerTest, TextModeWireFormat)
{
    struct Case
    {
        std::string marker, request;  // request: the bytes the client sends
        Lines answer;                 // the handler's lines
        std::string handlerInput, wire;
    } const cases[] = {
        {"", "PING\n", {"PONG"}, "PING", "PONG\n"},
        {"END", "Q\n", {"A", "B"}, "Q", "A\nB\nEND\n"},
        {"", std::string(250, 'r') + "\n", {"ok"}, std::string(250, 'r'), "ok\n"},  // 100-byte chunks
        {"", "X\r\n", {"Y\r"}, "X\r", "Y\r\n"},
        {"", std::string("a\0b\n", 4), {std::string("c\0d", 3)}, std::string("a\0b", 3), std::string("c\0d\n", 4)},
        {"END", "\n", {}, "", "END\n"},
        {"--", "q\n", {"a\nb", ""}, "q", "a\nb\n\n--\n"},  // a line holding LF splits
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.wire);
        ScriptedHandler handler([&](const std::string&) { return c.answer; });
        RunningServer running(handler, c.marker);
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()));
        ASSERT_TRUE(client.sendAll(c.request));
        EXPECT_EQ(client.read(c.wire.size()), c.wire);
        EXPECT_EQ(handler.calls(1).at(0), c.handlerInput);
    }
}

TEST_F(SocketServerTest, EachClientEndsOnlyItsOwnExchange)
{
    ScriptedHandler handler([](const std::string& m) { return Lines{"<" + m + ">"}; });
    RunningServer running(handler, "");
    LoopbackPeer a, b, c, d, e;
    // Bytes after the LF in the same chunk are dropped; leaving brings one
    // last call with what arrived since (here nothing).
    ASSERT_TRUE(a.connect(running.port()) && a.sendAll("A\nB\n"));
    EXPECT_EQ(a.read(4), "<A>\n");
    a.close();
    ASSERT_TRUE(b.connect(running.port()) && b.sendAll("partial"));  // leaves mid-request
    b.close();
    ASSERT_TRUE(c.connect(running.port()));  // says nothing
    c.close();
    ASSERT_TRUE(d.connect(running.port()) && d.sendAll("xyz"));  // resets: the answer cannot go out
    d.reset();
    ASSERT_TRUE(e.connect(running.port()) && e.sendAll("PING\n"));
    EXPECT_EQ(e.read(7), "<PING>\n");
    EXPECT_EQ(handler.calls(6), (Lines{"A", "", "partial", "", "xyz", "PING"}));
    e.close();
    running.stop();
    EXPECT_EQ(running.join(), "no exception");
}

TEST_F(SocketServerTest, ModesOtherThanPlainText)
{
    {  // empty marker: the lines go out, then the check fails
        ScriptedHandler handler([](const std::string&) { return Lines{"A", "B"}; });
        RunningServer running(handler, "");
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()) && client.sendAll("go\n"));
        EXPECT_EQ(client.read(4), "A\nB\n");
        EXPECT_EQ(running.join(), "responses.size() == 1");
    }
    {  // raw: chunks unchanged, an empty answer sends nothing, no framing
        const std::string seven("\0\r\nabc\n", 7);
        ScriptedHandler handler(ScriptedHandler::Text(), [&](const std::vector<char>& m) {
            return std::string(m.begin(), m.end()) == seven ? std::vector<char>() : std::vector<char>{'R', '\0', m[0]};
        });
        RunningServer running(handler, "END", SocketServer::RawMode);
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()) && client.sendAll(seven));
        handler.calls(1);
        ASSERT_TRUE(client.sendAll("q"));
        EXPECT_EQ(client.read(3), std::string("R\0q", 3));
        client.close();
        running.stop();
        EXPECT_EQ(handler.calls(), (Lines{seven, "q"}));  // leaving brings no raw call
    }
    {  // unknown mode
        ScriptedHandler handler;
        RunningServer running(handler, "", static_cast<SocketServer::SocketServerModeEnum>(2));
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()) && client.sendAll("x"));
        EXPECT_EQ(running.join(), "false");
        EXPECT_TRUE(handler.calls().empty());
    }
}

TEST_F(SocketServerTest, StopsFromTheHandlerAndFromAnotherThread)
{
    {  // inside the handler: the current answer still goes out
        std::atomic<SocketServer*> server{nullptr};
        ScriptedHandler handler([&](const std::string& m) {
            if (m == "STOP")
                server.load()->killServer();
            else
                server.load()->disconnectFromClient();
            return Lines{"ok " + m};
        });
        RunningServer running(handler, ".");
        server = &running.server();
        LoopbackPeer first, second;
        ASSERT_TRUE(first.connect(running.port()) && first.sendAll("BYE\n"));
        EXPECT_EQ(first.read(9), "ok BYE\n.\n");
        EXPECT_TRUE(first.atEnd());  // no further call for this client
        ASSERT_TRUE(second.connect(running.port()) && second.sendAll("STOP\n"));
        EXPECT_EQ(second.read(10), "ok STOP\n.\n");
        EXPECT_TRUE(second.atEnd());
        EXPECT_EQ(running.join(), "no exception");
        EXPECT_EQ(handler.calls(), (Lines{"BYE", "STOP"}));
        // Torn down: the loop cannot start again.
        EXPECT_EQ(socketFailure([&] { running.server().acceptConnections(); }),
                  "SOCKET_LISTEN_ERROR_KEY: SocketServer listening for a client connection failed, error code: " +
                      std::to_string(CLOSED_SOCKET_ERROR));
    }
    {  // another thread, while a request is served: the answer still goes out
        std::promise<void> killed;
        std::shared_future<void> killSeen = killed.get_future().share();
        ScriptedHandler handler([&](const std::string& m) {
            killSeen.wait();
            return Lines{m};
        });
        RunningServer running(handler, "");
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()) && client.sendAll("one\n"));
        handler.calls(1);
        running.server().killServer();
        killed.set_value();
        EXPECT_EQ(client.read(4), "one\n");
        EXPECT_TRUE(client.atEnd());
        EXPECT_EQ(running.join(), "no exception");
    }
    {  // another thread, while the loop waits for the client's next request
        ScriptedHandler handler;
        RunningServer running(handler, "");
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()) && client.sendAll("one\n"));
        EXPECT_EQ(client.read(4), "one\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the loop is back in its receive
        running.server().killServer();
        EXPECT_EQ(running.join(), "no exception");
        EXPECT_TRUE(client.atEnd());
    }
}

TEST_F(SocketServerTest, PortChecksBindFailureAndALongLifeWithoutLeaks)
{
    ScriptedHandler handler([](const std::string& m) { return Lines{m.size() > 9 ? std::to_string(m.size()) : m}; });
    EXPECT_EQ(failedCheck([&] { SocketServer(65535, handler, "", SocketServer::TextMode); }), "portNumber < 65535");
    EXPECT_EQ(failedCheck([&] { SocketServer(-1, handler, "", SocketServer::TextMode); }), "portNumber >= 0");
    const int users = net::socketLibraryUsers();
    const int descriptors = openDescriptorCount();
    {
        RunningServer running(handler, "");
        EXPECT_EQ(socketFailure([&] { SocketServer(running.port(), handler, "", SocketServer::TextMode); }),
                  "SOCKET_COULD_NOT_BIND_ERROR_KEY: SocketServer could not bind to the socket, error code: " +
                      std::to_string(net::SOCKERR_EADDRINUSE));
        LoopbackPeer big;  // 10 MB without LF, then leaves: one request
        ASSERT_TRUE(big.connect(running.port()) && big.sendAll(std::string(10000000, 'z')));
        big.close();
        EXPECT_EQ(handler.calls(1).at(0).size(), 10000000u);
        for (int i = 0; i < 1000; ++i)
        {
            LoopbackPeer client;
            ASSERT_TRUE(client.connect(running.port()) && client.sendAll("PING\n"));
            ASSERT_EQ(client.read(5), "PING\n") << "client " << i;
        }
        EXPECT_EQ(handler.calls(2001).size(), 2001u);
        running.stop();  // killed while accepting: the connection that wakes it is not served
        EXPECT_EQ(running.join(), "no exception");
        EXPECT_EQ(handler.calls().size(), 2001u);
    }
    EXPECT_EQ(net::socketLibraryUsers(), users);
    EXPECT_EQ(openDescriptorCount(), descriptors);
}
