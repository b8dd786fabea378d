// TCP classes against plain BSD sockets over loopback, in the same run:
//  - bulk transfer of 1 GiB: TcpipConnection writeBuffer / exact readBuffer
//    versus a plain send / recv loop with the same chunk size;
//  - connection set-up: TcpipClient::connect + TcpipServer::accept + release
//    versus plain socket / connect / accept / close.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "SocketInt.h"
#include "TcpipClient.h"
#include "TcpipConnection.h"
#include "TcpipServer.h"

namespace {

const long long TOTAL_BYTES = 1LL << 30;
const int CHUNK = 64 * 1024;

// A connected loopback pair made with the library; both ends owned here.
struct LibraryPair
{
    LibraryPair() : server(0)
    {
        server.listen();
        TcpipClient client("127.0.0.1", static_cast<unsigned short>(server.getBoundPort()), "");
        writer.reset(client.connect());
        server.accept();
        reader.reset(server.getConnection());
    }
    ~LibraryPair() { server.shutdown(); }
    TcpipServer server;
    std::unique_ptr<TcpipConnection> writer;
    std::unique_ptr<TcpipConnection> reader;
};

// The same with plain calls.
struct PlainPair
{
    PlainPair()
    {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        socklen_t length = sizeof(address);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        ::listen(listener, 16);
        writer = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(writer, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
            std::abort();
        reader = accept(listener, nullptr, nullptr);
    }
    ~PlainPair()
    {
        close(reader);
        close(writer);
        close(listener);
    }
    int listener;
    int writer;
    int reader;
};

void BM_BulkTcpipConnection(benchmark::State& state)
{
    LibraryPair pair;
    SocketInt& out = *pair.writer;
    SocketInt& in = *pair.reader;
    std::vector<char> sendBuffer(CHUNK, 'x');
    std::vector<char> receiveBuffer(CHUNK);
    for (auto _ : state)
    {
        std::thread writer([&] {
            for (long long left = TOTAL_BYTES; left > 0;)
            {
                const int sent = out.writeBuffer(sendBuffer.data(), CHUNK);
                if (sent <= 0)
                    std::abort();
                left -= sent;
            }
        });
        for (long long left = TOTAL_BYTES; left > 0; left -= CHUNK)
            in.readBuffer(receiveBuffer.data(), CHUNK);
        writer.join();
    }
    state.SetBytesProcessed(state.iterations() * TOTAL_BYTES);
}
BENCHMARK(BM_BulkTcpipConnection)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseRealTime();

void BM_BulkPlainSendRecv(benchmark::State& state)
{
    PlainPair pair;
    std::vector<char> sendBuffer(CHUNK, 'x');
    std::vector<char> receiveBuffer(CHUNK);
    for (auto _ : state)
    {
        std::thread writer([&] {
            for (long long left = TOTAL_BYTES; left > 0;)
            {
                const ssize_t sent = send(pair.writer, sendBuffer.data(), CHUNK, MSG_NOSIGNAL);
                if (sent <= 0)
                    std::abort();
                left -= sent;
            }
        });
        for (long long left = TOTAL_BYTES; left > 0; left -= CHUNK)
        {
            for (int got = 0; got < CHUNK;)
            {
                const ssize_t n = recv(pair.reader, receiveBuffer.data() + got, CHUNK - got, 0);
                if (n <= 0)
                    std::abort();
                got += static_cast<int>(n);
            }
        }
        writer.join();
    }
    state.SetBytesProcessed(state.iterations() * TOTAL_BYTES);
}
BENCHMARK(BM_BulkPlainSendRecv)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseRealTime();

void BM_ConnectTcpipClientServer(benchmark::State& state)
{
    TcpipServer server(0);
    server.listen();
    TcpipClient client("127.0.0.1", static_cast<unsigned short>(server.getBoundPort()), "");
    for (auto _ : state)
    {
        std::unique_ptr<TcpipConnection> here(client.connect());
        server.accept();
        server.releaseConnection(server.getConnection());
    }
    server.shutdown();
}
BENCHMARK(BM_ConnectTcpipClientServer)->Unit(benchmark::kMicrosecond)->Repetitions(3)->UseRealTime();

void BM_ConnectPlainSockets(benchmark::State& state)
{
    PlainPair pair;
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    getsockname(pair.listener, reinterpret_cast<sockaddr*>(&address), &length);
    for (auto _ : state)
    {
        const int here = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(here, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
            std::abort();
        const int there = accept(pair.listener, nullptr, nullptr);
        shutdown(there, SHUT_RDWR);
        close(there);
        shutdown(here, SHUT_RDWR);
        close(here);
    }
}
BENCHMARK(BM_ConnectPlainSockets)->Unit(benchmark::kMicrosecond)->Repetitions(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
