// FtdiUsbUtil over a driver that answers at once: the cost of the class itself
// (table look-up, driver calls, reply splitting) per message, and the heap
// allocations per call, against the bare driver calls.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <benchmark/benchmark.h>

#include "FtdiDriver.h"
#include "FtdiUsbUtil.h"

namespace {
std::atomic<long> g_allocations{0};
}

// Counting replacements of the global allocation functions; malloc and free
// pair up, which GCC cannot see through the replacement.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size != 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Every write succeeds; the queue always holds the same two-line reply.
class InstantDriver : public qvx::platform::FtdiDriver
{
public:
    std::uint32_t openByDescription(const std::string&, void** handle) override
    {
        *handle = this;
        return 0;
    }
    std::uint32_t close(void*) override { return 0; }
    std::uint32_t write(void*, const void*, std::uint32_t size, std::uint32_t* written) override
    {
        *written = size;
        return 0;
    }
    std::uint32_t queueStatus(void*, std::uint32_t* waiting) override
    {
        *waiting = sizeof REPLY - 1;
        return 0;
    }
    std::uint32_t read(void*, void* buffer, std::uint32_t size, std::uint32_t* got) override
    {
        std::memcpy(buffer, REPLY, size);
        *got = size;
        return 0;
    }
    static constexpr char REPLY[] = "OK 12.5 kV\nREADY\n";
};

struct Setup
{
    Setup() : previous(qvx::platform::installFtdiDriver(&driver)) { usb.connect("Tube"); }
    ~Setup() { qvx::platform::installFtdiDriver(previous); }
    InstantDriver driver;
    qvx::platform::FtdiDriver* previous;
    FtdiUsbUtil usb;
};

void reportAllocations(benchmark::State& state, long before)
{
    state.counters["allocs/call"] = benchmark::Counter(
        static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations()));
}

void BM_SendMessage(benchmark::State& state)
{
    Setup s;
    const std::string message = "HV:SET 12.5\r\n";
    const long before = g_allocations.load();
    for (auto _ : state)
        s.usb.sendMessage("Tube", message);
    reportAllocations(state, before);
}
BENCHMARK(BM_SendMessage);

void BM_DriverWriteBaseline(benchmark::State& state)
{
    Setup s;
    const std::string message = "HV:SET 12.5\r\n";
    qvx::platform::FtdiDriver& driver = qvx::platform::ftdiDriver();
    void* const handle = &s.driver;
    for (auto _ : state)
    {
        std::uint32_t written = 0;
        benchmark::DoNotOptimize(driver.write(handle, message.data(),
                                              static_cast<std::uint32_t>(message.size()), &written));
    }
}
BENCHMARK(BM_DriverWriteBaseline);

void BM_GetReplies(benchmark::State& state)
{
    Setup s;
    const long before = g_allocations.load();
    for (auto _ : state)
        benchmark::DoNotOptimize(s.usb.getReplies("Tube"));
    reportAllocations(state, before);
}
BENCHMARK(BM_GetReplies);

}  // namespace

BENCHMARK_MAIN();
