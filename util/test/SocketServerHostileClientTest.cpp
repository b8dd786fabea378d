// SocketServer against clients that misbehave, fail or stall, and stops
// that come at awkward moments: none of them may end, leak or hang the server.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "FailedCheck.h"
#include "RunningServer.h"

using namespace qvxtest;
using Clock = std::chrono::steady_clock;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
const bool MEMORY_IS_MEASURABLE = false;  // the sanitizers' allocators hold freed memory
#else
const bool MEMORY_IS_MEASURABLE = true;
#endif

// A field of /proc/self/status in KiB (VmRSS, VmHWM).
long statusKiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, field.size() + 1, field + ":") == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Answers with the request, or with its size past 9 bytes; records nothing,
// so a large request holds no memory once served.
struct EchoOrSize : SocketServerMessageHandler
{
    Lines processTextMessage(const std::string& m) override { return Lines{m.size() > 9 ? std::to_string(m.size()) : m}; }
    std::vector<char> processRawMessage(const std::vector<char>& m) override { return m; }
};

// Aborts the server's end of the connection of client as an administrator
// would (ECONNABORTED on the server's next call).
void abortServerSide(int serverPort, const LoopbackPeer& client)
{
    const std::string command = "ss -K src 127.0.0.1 sport = :" + std::to_string(serverPort) +
                                " dst 127.0.0.1 dport = :" + std::to_string(client.localPort()) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

// Waits (up to 10 s) until the server's end of client's connection has no
// unread bytes: the loop has taken what the client sent.
void waitUntilServerRead(int serverPort, const LoopbackPeer& client)
{
    char wanted[40];
    std::snprintf(wanted, sizeof(wanted), ":%04X 0100007F:%04X 01 ", static_cast<unsigned int>(serverPort),
                  static_cast<unsigned int>(client.localPort()));
    for (int i = 0; i < 10000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(1)))
    {
        std::ifstream table("/proc/net/tcp");
        for (std::string line; std::getline(table, line);)
        {
            const std::size_t at = line.find(wanted);
            if (at != std::string::npos && line.compare(at + std::strlen(wanted) + 9, 8, "00000000") == 0)
                return;  // tx_queue:rx_queue, the receive queue empty
        }
    }
}

struct SocketServerHostileClientTest : ::testing::Test
{
    ExceptionMode exceptionMode;
};

}  // namespace

TEST_F(SocketServerHostileClientTest, OversizedRequestsAreCutOffWithoutHoldingMemory)
{
    ScriptedHandler handler([](const std::string& m) { return Lines{std::to_string(m.size())}; });
    RunningServer running(handler, "");
    EXPECT_EQ(running.server().getMaxRequestSize(), 16u * 1024 * 1024);
    running.server().setMaxRequestSize(1000);
    {
        LoopbackPeer atLimit, over, next;
        ASSERT_TRUE(atLimit.connect(running.port()) && atLimit.sendAll(std::string(1000, 'a') + "\n"));
        EXPECT_EQ(atLimit.read(5), "1000\n");
        atLimit.close();  // leaving: one last call with nothing
        ASSERT_TRUE(over.connect(running.port()));
        over.sendAll(std::string(1001, 'b'));  // no LF: cut off at the 1001st byte
        EXPECT_TRUE(over.atEnd());
        ASSERT_TRUE(next.connect(running.port()) && next.sendAll("ok\n"));
        EXPECT_EQ(next.read(2), "2\n");
        EXPECT_TRUE(handler.calls() == (Lines{std::string(1000, 'a'), "", "ok"})) << "the cut-off text was handled";
    }
    running.stop();
    if (!MEMORY_IS_MEASURABLE)
        return;
    // A large request costs about its size while it is served, and nothing
    // after. The loop runs on this thread, as in qvxutil serve (a loop on a
    // thread of its own gives its memory back to that thread's heap, which the
    // allocator keeps in part for reuse).
    EchoOrSize sizeOnly;
    SocketServer server(0, sizeOnly, "", SocketServer::TextMode);
    const long size = 24L * 1024 * 1024;
    server.setMaxRequestSize(static_cast<std::size_t>(size));
    const long before = statusKiB("VmRSS");
    resetPeakResident();
    long peak = 0, kept = 0;
    std::thread clients([&] {
        LoopbackPeer big, after;
        const std::string piece(1024 * 1024, 'z');  // the sender holds only this
        EXPECT_TRUE(big.connect(server.getBoundPort()));
        for (long sent = 0; sent < size; sent += static_cast<long>(piece.size()))
            big.sendAll(piece);
        big.sendAll("\n");
        EXPECT_EQ(big.read(9), std::to_string(size) + "\n");
        big.close();
        // Answered once the server is done with the large one.
        EXPECT_TRUE(after.connect(server.getBoundPort()) && after.sendAll("x\n"));
        EXPECT_EQ(after.read(2), "x\n");
        peak = statusKiB("VmHWM") - before;
        kept = statusKiB("VmRSS") - before;
        server.killServer();
    });
    server.acceptConnections();
    clients.join();
    std::printf("24 MiB request: %ld KiB peak, %ld KiB kept\n", peak, kept);
    EXPECT_LT(peak, 2 * size / 1024) << "KiB at the peak";
    EXPECT_LT(kept, 4 * 1024) << "KiB kept after the request";
}

TEST_F(SocketServerHostileClientTest, ClientConnectionFailuresEndOnlyTheirExchange)
{
    struct sigaction action = {};  // SIGUSR1 interrupts blocking calls (no SA_RESTART)
    action.sa_handler = +[](int) {};
    sigaction(SIGUSR1, &action, nullptr);
    // More than the socket buffers take from a client that reads nothing.
    const std::string large(8 * 1024 * 1024, 'L');
    ScriptedHandler handler([&](const std::string& m) { return m == "large" ? Lines{large} : Lines{"<" + m + ">"}; });
    RunningServer running(handler, "END");
    {  // aborted while the server waits for the rest of a request
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()) && client.sendAll("half"));
        waitUntilServerRead(running.port(), client);
        abortServerSide(running.port(), client);
        EXPECT_EQ(handler.calls(1), Lines{"half"});  // as after a reset: the last call
    }
    {  // aborted while the server sends a large answer the client does not read
        LoopbackPeer client;
        client.setReceiveBuffer(4096);
        ASSERT_TRUE(client.connect(running.port()) && client.sendAll("large\n"));
        EXPECT_EQ(handler.calls(2).back(), "large");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        abortServerSide(running.port(), client);
    }
    {  // signals while a request arrives in pieces and while a large answer goes out
        LoopbackPeer client;
        client.setReceiveBuffer(4096);
        ASSERT_TRUE(client.connect(running.port()) && client.sendAll("par"));
        for (int i = 0; i < 5; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(5)))
            pthread_kill(running.loopThread(), SIGUSR1);
        ASSERT_TRUE(client.sendAll("ts\n"));
        EXPECT_EQ(client.read(12), "<parts>\nEND\n");
        ASSERT_TRUE(client.sendAll("large\n"));
        for (int i = 0; i < 20; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(5)))
            pthread_kill(running.loopThread(), SIGUSR1);
        EXPECT_TRUE(client.read(large.size() + 5) == large + "\nEND\n") << "the large answer came incomplete";
    }
    running.stop();
    EXPECT_EQ(running.join(), "no exception");
}

TEST_F(SocketServerHostileClientTest, EveryWayOutOfAnExchangeClosesTheClientSocket)
{
    int call = 0;
    ScriptedHandler handler([&](const std::string&) {
        if (++call % 2 == 0)
            throw std::runtime_error("handler failed");
        return Lines{"one", "two"};  // no marker: the check fails after sending
    });
    SocketServer server(0, handler, "", SocketServer::TextMode);
    const int port = server.getBoundPort();
    const int descriptors = openDescriptorCount();
    std::string outcomes;
    std::thread loop([&] {
        for (int i = 0; i < 6; ++i)
        {
            try { server.acceptConnections(); outcomes += "returned;"; }
            catch (const std::runtime_error&) { outcomes += "E"; }
            catch (const AssertException&) { outcomes += "A"; }
        }
    });
    for (int i = 0; i < 6; ++i)
    {
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(port) && client.sendAll("x\n"));
        EXPECT_EQ(client.read(i % 2 == 0 ? 8 : 1), i % 2 == 0 ? "one\ntwo\n" : "");
        EXPECT_TRUE(client.atEnd()) << "client " << i;
    }
    loop.join();
    EXPECT_EQ(outcomes, "AEAEAE");
    EXPECT_EQ(openDescriptorCount(), descriptors);
}

TEST_F(SocketServerHostileClientTest, KillServerWakesTheLoopAndNeverRunsAnUnfinishedRequest)
{
    ScriptedHandler handler;
    {  // waiting for the rest of a request: it is dropped, not handled
        RunningServer running(handler, "");
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()) && client.sendAll("delete all files in /da"));
        waitUntilServerRead(running.port(), client);
        running.server().killServer();
        EXPECT_EQ(running.join(), "no exception");
        EXPECT_TRUE(client.atEnd());
    }
    {  // a client that streams without pause and without LF
        RunningServer running(handler, "");
        running.server().setMaxRequestSize(std::size_t(1) << 40);
        LoopbackPeer client;
        ASSERT_TRUE(client.connect(running.port()));
        std::thread streaming([&] {
            const std::string piece(64 * 1024, 's');
            while (client.sendAll(piece))
            {
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const Clock::time_point asked = Clock::now();
        running.server().killServer();
        EXPECT_EQ(running.join(), "no exception");
        EXPECT_LT(Clock::now() - asked, std::chrono::seconds(2));
        streaming.join();
    }
    EXPECT_TRUE(handler.calls().empty());
}

TEST_F(SocketServerHostileClientTest, PortIsFreeAgainRightAfterAStopWithAClientConnected)
{
    ScriptedHandler handler;
    int port = 0;
    LoopbackPeer client;
    {
        RunningServer running(handler, "");
        port = running.port();
        ASSERT_TRUE(client.connect(port) && client.sendAll("a\n"));
        EXPECT_EQ(client.read(2), "a\n");
        running.server().killServer();  // the server closes first: its side waits out the close
        EXPECT_EQ(running.join(), "no exception");
    }
    SocketServer again(port, handler, "", SocketServer::TextMode);
    EXPECT_EQ(again.getBoundPort(), port);
    // Listening already: a client may connect before the loop runs.
    LoopbackPeer early;
    EXPECT_TRUE(early.connect(port));
}

TEST_F(SocketServerHostileClientTest, IdleTimeOutLetsOthersInPastSilentAndStalledClients)
{
    const std::string large(8 * 1024 * 1024, 'L');
    ScriptedHandler handler([&](const std::string& m) { return m == "large" ? Lines{large} : Lines{m}; });
    RunningServer running(handler, "");
    EXPECT_EQ(running.server().getIdleTimeout(), 0u);
    running.server().setIdleTimeout(200);
    LoopbackPeer silent, stalled, waiting;
    stalled.setReceiveBuffer(4096);  // holds the server's send up soon
    ASSERT_TRUE(silent.connect(running.port()));  // says "hal" and nothing more
    ASSERT_TRUE(silent.sendAll("hal"));
    ASSERT_TRUE(waiting.connect(running.port()) && waiting.sendAll("next\n"));
    EXPECT_EQ(waiting.read(5), "next\n");  // answered once the silent one was cut off
    EXPECT_TRUE(silent.atEnd());
    ASSERT_TRUE(stalled.connect(running.port()) && stalled.sendAll("large\n"));  // never reads
    ASSERT_TRUE(waiting.connect(running.port()) && waiting.sendAll("after\n"));
    EXPECT_EQ(waiting.read(6), "after\n");
    // Not the silent one's "hal"; the first "waiting" left before "large".
    EXPECT_EQ(handler.calls(), (Lines{"next", "", "large", "after"}));
}

TEST_F(SocketServerHostileClientTest, ThousandClientsWithHostileOnesInBetween)
{
    EchoOrSize echo;
    RunningServer running(echo, "");
    running.server().setMaxRequestSize(256 * 1024);
    running.server().setIdleTimeout(100);
    const std::string longLine(300 * 1024, 'x');
    // A client too long, silent, or reset mid-request; false when the server
    // did not end one that stays.
    auto hostile = [&](int kind) {
        LoopbackPeer client;
        const bool connected = client.connect(running.port());
        if (kind == 2)
            return client.sendAll("half a req"), client.reset(), connected;
        if (kind == 0)
            client.sendAll(longLine);  // fails once the server cut it off
        return connected && client.atEnd();
    };
    auto normal = [&](int i) {
        LoopbackPeer client;
        const std::string request = "PING " + std::to_string(i) + "\n";
        return client.connect(running.port()) && client.sendAll(request) && client.read(request.size()) == request;
    };
    for (int kind = 0; kind < 3; ++kind)  // warm up: buffers and allocator caches settle
        ASSERT_TRUE(hostile(kind) && normal(kind));
    running.waitUntilAccepting();
    const int descriptors = openDescriptorCount();
    const long resident = statusKiB("VmRSS");
    int answered = 0;
    for (int i = 0; i < 1000; ++i)
    {
        if (i % 40 == 20)
        {
            EXPECT_TRUE(hostile(i / 40 % 3)) << "hostile client " << i;
        }
        answered += normal(i) ? 1 : 0;
    }
    EXPECT_EQ(answered, 1000);
    running.waitUntilAccepting();
    EXPECT_EQ(openDescriptorCount(), descriptors);
    if (MEMORY_IS_MEASURABLE)
    {
        EXPECT_LT(statusKiB("VmRSS") - resident, 1024) << "KiB more resident after the clients";
    }
    running.stop();
    EXPECT_EQ(running.join(), "no exception");
}
