// One path-MTU measurement against tracepath on the same paths: a veth pair
// between two network namespaces at MTU 1500 and 9000, and loopback. Needs
// root (the namespaces and the raw socket); the datagrams each run puts on
// the wire are counted by a capture on the receiving end.
#include <benchmark/benchmark.h>

#include <string>

#include "NetNamespace.h"
#include "Ping.h"

using namespace qvxtest;

namespace {

// The path of a run: range 0 is loopback, else the veth MTU.
struct Path
{
    explicit Path(int mtu)
        : net(mtu == 0 ? 1500 : mtu),
          capture(mtu == 0 ? net.a : net.b),
          destination(mtu == 0 ? "127.0.0.1" : VethPair::B_ADDRESS),
          source(mtu == 0 ? "127.0.0.1" : VethPair::A_ADDRESS)
    {
    }
    VethPair net;
    Capture capture;
    std::string destination;
    std::string source;
};

void BM_MeasureMtu(benchmark::State& state)
{
    if (!isRoot())
        return state.SkipWithError("needs root: network namespaces and a raw socket");
    Path path(static_cast<int>(state.range(0)));
    InNamespace in(path.net.a);
    const Ping ping(path.destination, path.source);
    double frame = 0, sent = 0, probes = 0;
    for (auto _ : state)
    {
        frame = ping.measureMTU();
        state.PauseTiming();
        const std::vector<Bytes> datagrams = path.capture.take(1);
        sent += static_cast<double>(datagrams.size());
        // Refused probes use sequence numbers too (stored low byte first).
        if (!datagrams.empty())
        {
            const auto sequence = [](const Bytes& d) { return d[26] | d[27] << 8; };
            probes += static_cast<std::uint16_t>(sequence(datagrams.back()) - sequence(datagrams.front())) + 1;
        }
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["frame"] = frame;
    state.counters["datagrams"] = sent / runs;
    state.counters["probes"] = probes / runs;
}

void BM_Tracepath(benchmark::State& state)
{
    if (!isRoot())
        return state.SkipWithError("needs root: network namespaces");
    Path path(static_cast<int>(state.range(0)));
    double sent = 0;
    for (auto _ : state)
    {
        path.net.a.run({"sh", "-c", "tracepath -n " + path.destination + " >/dev/null"});
        state.PauseTiming();
        sent += static_cast<double>(path.capture.take(17).size());  // UDP probes
        state.ResumeTiming();
    }
    state.counters["datagrams"] = sent / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_MeasureMtu)->Arg(1500)->Arg(9000)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tracepath)->Arg(1500)->Arg(9000)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
