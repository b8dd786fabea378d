// SocketServer on real loopback connections, observed byte for byte by a
// plain socket peer.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "FailedCheck.h"
#include "LoopbackPeer.h"
#include "RunningServer.h"
#include "ScriptedMessageHandler.h"
#include "Socket.h"
#include "SocketException.h"
#include "SocketServer.h"

using qvxtest::LoopbackPeer;
using qvxtest::RunningServer;
using qvxtest::ScriptedMessageHandler;
using Lines = std::vector<std::string>;

namespace {

class SocketServerTest : public ::testing::Test
{
protected:
    qvxtest::ExceptionMode _exceptionMode;
};

}  // namespace

TEST_F(SocketServerTest, PortRangeAndBindFailure)
{
    ScriptedMessageHandler handler;
    EXPECT_EQ(qvxtest::failedCheck([&] { SocketServer(65535, handler, "", SocketServer::TextMode); }),
              "portNumber < 65535");
    EXPECT_EQ(qvxtest::failedCheck([&] { SocketServer(-1, handler, "", SocketServer::TextMode); }),
              "portNumber >= 0");
    std::string check = "none";
    try
    {
        check = qvxtest::failedCheck([&] { SocketServer(65534, handler, "", SocketServer::TextMode); });
    }
    catch (const SocketException& e)
    {
        EXPECT_EQ(e.getKey(), "SOCKET_COULD_NOT_BIND_ERROR_KEY");  // port in use here: still no check
        check = "";
    }
    EXPECT_EQ(check, "");

    // A second server on a bound port fails to bind and releases what it took.
    const int users = qvx::platform::socketLibraryUsers();
    const int descriptors = qvxtest::openDescriptorCount();
    RunningServer first(handler, "");
    try
    {
        SocketServer second(first.port(), handler, "", SocketServer::TextMode);
        ADD_FAILURE() << "bound a port in use";
    }
    catch (const SocketException& e)
    {
        EXPECT_EQ(e.getKey(), "SOCKET_COULD_NOT_BIND_ERROR_KEY");
        EXPECT_EQ(e.getMessage(), "SocketServer could not bind to the socket, error code: " +
                                      std::to_string(qvx::platform::SOCKERR_EADDRINUSE));
        EXPECT_EQ(e.getParameterCount(), 0u);
    }
    first.stop();
    EXPECT_EQ(first.outcome(), "returned");
    EXPECT_EQ(qvx::platform::socketLibraryUsers(), users);  // released by the loop's teardown
    EXPECT_EQ(qvxtest::openDescriptorCount(), descriptors);
}

struct WireCase
{
    const char* name;
    std::string marker;
    std::string request;       // bytes the client sends
    Lines answer;              // what the handler returns
    std::string handlerInput;  // what the handler must see
    std::string wire;          // bytes the client must receive
};

TEST_F(SocketServerTest, TextModeWireFormat)
{
    const std::string longRequest(250, 'r');
    const std::vector<WireCase> cases = {
        {"ping", "", "PING\n", {"PONG"}, "PING", "PONG\n"},
        {"two lines and marker", "END", "Q\n", {"A", "B"}, "Q", "A\nB\nEND\n"},
        {"250 bytes from 100-byte chunks", "", longRequest + "\n", {"ok"}, longRequest, "ok\n"},
        {"CR kept both ways", "", "X\r\n", {"Y\r"}, "X\r", "Y\r\n"},
        {"NUL bytes kept", "", std::string("a\0b\n", 4), {std::string("c\0d", 3)},
         std::string("a\0b", 3), std::string("c\0d\n", 4)},
        {"empty request, no lines, marker", "END", "\n", {}, "", "END\n"},
        {"a line holding LF splits on the wire", "--", "q\n", {"a\nb", ""}, "q", "a\nb\n\n--\n"},
    };
    for (const WireCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        ScriptedMessageHandler handler([&](const std::string&) { return c.answer; });
        RunningServer running(handler, c.marker);
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()));
        ASSERT_TRUE(client.sendAll(c.request));
        EXPECT_EQ(client.read(c.wire.size()), c.wire);
        EXPECT_EQ(handler.waitForCalls(1).at(0), c.handlerInput);
        client.close();
        running.stop();
        EXPECT_EQ(running.outcome(), "returned");
    }
}

TEST_F(SocketServerTest, EachClientEndsOnlyItsOwnExchange)
{
    ScriptedMessageHandler handler([](const std::string& m) { return Lines{"<" + m + ">"}; });
    RunningServer running(handler, "");
    const int port = running.port();

    // Bytes after the request's LF in the same chunk are dropped; the client
    // leaving brings one last call with what arrived since (nothing).
    LoopbackPeer a;
    ASSERT_TRUE(a.connect(port));
    ASSERT_TRUE(a.sendAll("A\nB\n"));
    EXPECT_EQ(a.read(4), "<A>\n");
    a.close();
    // Leaves in the middle of a request.
    LoopbackPeer b;
    ASSERT_TRUE(b.connect(port));
    ASSERT_TRUE(b.sendAll("partial"));
    b.close();
    // Says nothing.
    LoopbackPeer c;
    ASSERT_TRUE(c.connect(port));
    c.close();
    // Resets mid-request: the answer to it cannot be sent, and the server goes on.
    LoopbackPeer d;
    ASSERT_TRUE(d.connect(port));
    ASSERT_TRUE(d.sendAll("xyz"));
    d.reset();

    LoopbackPeer e;
    ASSERT_TRUE(e.connect(port));
    ASSERT_TRUE(e.sendAll("PING\n"));
    EXPECT_EQ(e.read(7), "<PING>\n");
    EXPECT_EQ(handler.waitForCalls(6), (Lines{"A", "", "partial", "", "xyz", "PING"}));
    e.close();
    running.stop();
    EXPECT_EQ(running.outcome(), "returned");
}

TEST_F(SocketServerTest, EmptyMarkerNeedsExactlyOneLine)
{
    ScriptedMessageHandler handler([](const std::string&) { return Lines{"A", "B"}; });
    RunningServer running(handler, "");
    LoopbackPeer client;
    ASSERT_TRUE(client.connect(running.port()));
    ASSERT_TRUE(client.sendAll("go\n"));
    EXPECT_EQ(client.read(4), "A\nB\n");  // sent before the check
    running.join();
    EXPECT_EQ(running.outcome(), "responses.size() == 1");
}

TEST_F(SocketServerTest, RawModeHandsChunksOverUnchanged)
{
    const std::string seven("\0\r\nabc\n", 7);
    ScriptedMessageHandler handler(ScriptedMessageHandler::TextAnswer(), [&](const std::vector<char>& m) {
        if (std::string(m.begin(), m.end()) == seven)
            return std::vector<char>();  // nothing goes back
        return std::vector<char>{'R', '\0', m.front()};
    });
    RunningServer running(handler, "END", SocketServer::RawMode);
    LoopbackPeer client;
    ASSERT_TRUE(client.connect(running.port()));
    ASSERT_TRUE(client.sendAll(seven));
    handler.waitForCalls(1);
    ASSERT_TRUE(client.sendAll("q"));
    EXPECT_EQ(client.read(3), std::string("R\0q", 3));  // no framing, no marker
    EXPECT_EQ(handler.waitForCalls(2), (Lines{seven, "q"}));
    client.close();
    running.stop();
    EXPECT_EQ(handler.calls().size(), 2u);  // a leaving client brings no raw call
    EXPECT_EQ(running.outcome(), "returned");
}

TEST_F(SocketServerTest, UnknownModeFailsOnEveryChunk)
{
    ScriptedMessageHandler handler;
    RunningServer running(handler, "", static_cast<SocketServer::SocketServerModeEnum>(2));
    LoopbackPeer client;
    ASSERT_TRUE(client.connect(running.port()));
    ASSERT_TRUE(client.sendAll("x"));
    running.join();
    EXPECT_EQ(running.outcome(), "false");
    EXPECT_TRUE(handler.calls().empty());
}

TEST_F(SocketServerTest, StopsFromTheHandlerAndFromAnotherThread)
{
    // From inside the handler: the current answer still goes out.
    {
        std::atomic<SocketServer*> server{nullptr};
        ScriptedMessageHandler handler([&](const std::string& m) {
            if (m == "STOP")
                server.load()->killServer();
            if (m == "BYE")
                server.load()->disconnectFromClient();
            return Lines{"ok " + m};
        });
        RunningServer running(handler, ".");
        server = &running.server();
        LoopbackPeer first;
        ASSERT_TRUE(first.connect(running.port()));
        ASSERT_TRUE(first.sendAll("BYE\n"));
        EXPECT_EQ(first.read(9), "ok BYE\n.\n");
        EXPECT_TRUE(first.atEnd());  // disconnected without a further call
        LoopbackPeer second;
        ASSERT_TRUE(second.connect(running.port()));
        ASSERT_TRUE(second.sendAll("STOP\n"));
        EXPECT_EQ(second.read(10), "ok STOP\n.\n");
        EXPECT_TRUE(second.atEnd());
        running.join();
        EXPECT_EQ(running.outcome(), "returned");
        EXPECT_EQ(handler.calls(), (Lines{"BYE", "STOP"}));

        // The loop tore its listening socket down: nothing listens, and the
        // server cannot be started again.
        LoopbackPeer late;
        EXPECT_FALSE(late.connect(running.port()));
        try
        {
            server.load()->acceptConnections();
            ADD_FAILURE() << "a stopped server listened again";
        }
        catch (const SocketException& e)
        {
            EXPECT_EQ(e.getKey(), "SOCKET_LISTEN_ERROR_KEY");
            EXPECT_EQ(e.getMessage(), "SocketServer listening for a client connection failed, error code: " +
                                          std::to_string(qvx::platform::SOCKERR_EBADF));
        }
    }
    // From another thread while a request is being served: takes effect
    // once it is answered.
    {
        std::promise<void> killed;
        std::shared_future<void> killedSeen = killed.get_future().share();
        ScriptedMessageHandler handler([&](const std::string& m) {
            killedSeen.wait();
            return Lines{m};
        });
        RunningServer running(handler, "");
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()));
        ASSERT_TRUE(client.sendAll("one\n"));
        handler.waitForCalls(1);
        running.server().killServer();
        killed.set_value();
        EXPECT_EQ(client.read(4), "one\n");
        EXPECT_TRUE(client.atEnd());
        running.join();
        EXPECT_EQ(running.outcome(), "returned");
    }
    // From another thread while accepting: the client that wakes the accept
    // is shut down unserved.
    {
        ScriptedMessageHandler handler;
        RunningServer running(handler, "");
        running.server().killServer();
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()));
        EXPECT_TRUE(client.atEnd());
        running.join();
        EXPECT_EQ(running.outcome(), "returned");
        EXPECT_TRUE(handler.calls().empty());
    }
}

TEST_F(SocketServerTest, SurvivesLargeRequestsAndManyClientsWithoutLeaks)
{
    const int descriptors = qvxtest::openDescriptorCount();
    {
        ScriptedMessageHandler handler([](const std::string& m) {
            return Lines{m.size() > 100 ? std::to_string(m.size()) : m};
        });
        RunningServer running(handler, "");

        // 10 MB without LF, then the client leaves: one request, served whole.
        LoopbackPeer big;
        ASSERT_TRUE(big.connect(running.port()));
        ASSERT_TRUE(big.sendAll(std::string(10 * 1000 * 1000, 'z')));
        big.close();
        EXPECT_EQ(handler.waitForCalls(1, 10000).at(0).size(), 10u * 1000 * 1000);

        for (int i = 0; i < 1000; ++i)
        {
            LoopbackPeer client;
            ASSERT_TRUE(client.connect(running.port()));
            ASSERT_TRUE(client.sendAll("PING\n"));
            ASSERT_EQ(client.read(5), "PING\n") << "client " << i;
        }
        EXPECT_EQ(handler.waitForCalls(2001, 10000).size(), 2001u);
        running.stop();
        EXPECT_EQ(running.outcome(), "returned");
    }
    EXPECT_EQ(qvxtest::openDescriptorCount(), descriptors);
}
