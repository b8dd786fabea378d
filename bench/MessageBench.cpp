// Request/response round trips over loopback: SocketClient talking to
// SocketServer, against a minimal blocking ping-pong with the same framing
// (request LF; each response line LF in its own send; marker LF) written
// directly on the socket calls, in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Socket.h"
#include "SocketClient.h"
#include "SocketException.h"
#include "SocketServer.h"
#include "SocketServerMessageHandler.h"

namespace {

namespace net = qvx::platform;

net::SocketHandle connectWithRetry(int port)
{
    for (int attempt = 0; attempt < 1000; ++attempt)
    {
        const net::SocketHandle s = net::socketCreateTcp();
        if (net::socketConnect(s, net::socketMakeAddress(net::socketLoopbackAddress(),
                                                         static_cast<std::uint16_t>(port))) == 0)
            return s;
        net::socketClose(s);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return net::INVALID_SOCKET_HANDLE;
}

// The response: lineCount lines of the request, then the marker when one is set.
class RepeatHandler : public SocketServerMessageHandler
{
public:
    explicit RepeatHandler(int lineCount) : _lineCount(lineCount) {}
    std::vector<std::string> processTextMessage(const std::string& message) override
    {
        return std::vector<std::string>(static_cast<std::size_t>(_lineCount), message);
    }
    std::vector<char> processRawMessage(const std::vector<char>& message) override { return message; }

private:
    int _lineCount;
};

// Arguments: lines per response, marker (1) or none (0).
void BM_SocketClientServer(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    const std::string marker = state.range(1) ? "END" : "";
    RepeatHandler handler(lines);
    std::unique_ptr<SocketServer> server;
    int port = 0;
    while (!server)
    {
        port = net::socketFreeLoopbackPort();
        try
        {
            server = std::make_unique<SocketServer>(port, handler, marker, SocketServer::TextMode);
        }
        catch (const SocketException&)
        {
        }
    }
    std::thread serving([&] { server->acceptConnections(); });
    net::socketClose(connectWithRetry(port));  // waits until the server listens
    {
        SocketClient client("127.0.0.1", port, marker);
        client.connect();
        long done = 0;
        try
        {
            for (auto _ : state)
            {
                std::vector<std::string> response = client.sendMessageToServer("PING");
                benchmark::DoNotOptimize(response);
                ++done;
            }
        }
        catch (const SocketException& e)
        {
            state.SkipWithError((e.getKey() + ": " + e.getMessage() + " after " + std::to_string(done)).c_str());
        }
        // Takes effect when the client below leaves (or at once, if the loop
        // is between two requests).
        server->killServer();
    }
    serving.join();
    state.SetItemsProcessed(state.iterations());
}

// Reads one LF-terminated line into line, keeping what follows in pending.
bool readLine(net::SocketHandle s, std::string& pending, std::string& line)
{
    char buffer[4096];
    for (;;)
    {
        const std::size_t lf = pending.find('\n');
        if (lf != std::string::npos)
        {
            line.assign(pending, 0, lf);
            pending.erase(0, lf + 1);
            return true;
        }
        const int n = net::socketReceive(s, buffer, sizeof(buffer));
        if (n <= 0)
            return false;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
}

void sendAll(net::SocketHandle s, const std::string& bytes)
{
    net::socketSend(s, bytes.data(), static_cast<int>(bytes.size()));
}

void BM_PlainPingPong(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    const std::string marker = state.range(1) ? "END" : "";
    const net::SocketHandle listener = net::socketCreateTcp();
    net::socketBind(listener, net::socketMakeAddress(net::socketLoopbackAddress(), 0));
    net::socketListen(listener, 1);
    sockaddr_in name{};
    net::socketGetLocalName(listener, name);
    const int port = net::socketNetworkToHost16(name.sin_port);

    std::thread serving([&] {
        const net::SocketHandle s = net::socketAccept(listener, nullptr);
        net::socketSetNoDelay(s, true);
        std::string pending, request, out;
        while (readLine(s, pending, request))
        {
            for (int i = 0; i < lines; ++i)
            {
                out.assign(request);
                out.push_back('\n');
                sendAll(s, out);
            }
            if (!marker.empty())
                sendAll(s, marker + "\n");
        }
        net::socketClose(s);
    });

    const net::SocketHandle s = connectWithRetry(port);
    net::socketSetNoDelay(s, true);
    std::string pending, line;
    for (auto _ : state)
    {
        sendAll(s, "PING\n");
        std::vector<std::string> response;
        for (;;)
        {
            if (!readLine(s, pending, line))
                break;
            if (marker.empty())
            {
                response.push_back(line);
                break;
            }
            if (line == marker)
                break;
            response.push_back(line);
        }
        benchmark::DoNotOptimize(response);
    }
    net::socketClose(s);
    serving.join();
    net::socketClose(listener);
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_SocketClientServer)->Args({1, 0})->Args({1, 1})->Args({4, 1})->UseRealTime();
BENCHMARK(BM_PlainPingPong)->Args({1, 0})->Args({1, 1})->Args({4, 1})->UseRealTime();

BENCHMARK_MAIN();
