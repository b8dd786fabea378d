// Thread start + wait against a bare boost::thread create + join, and
// ThreadSafeObservable::notify against a plain loop of the same virtual calls.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include <boost/thread/thread.hpp>

#include "Thread.h"
#include "ThreadSafeObservable.h"
#include "ThreadSafeObserver.h"

namespace {

class Empty : public Thread
{
public:
    Empty() : Thread("bench", "Bench") {}

protected:
    unsigned long run() override { return 0; }
};

void noop() {}

void BM_ThreadStartWait(benchmark::State& state)
{
    Empty t;
    for (auto _ : state)
    {
        t.start();
        t.wait();
    }
}
BENCHMARK(BM_ThreadStartWait)->UseRealTime();

void BM_BoostThreadCreateJoin(benchmark::State& state)
{
    for (auto _ : state)
    {
        boost::thread t(&noop);
        t.join();
    }
}
BENCHMARK(BM_BoostThreadCreateJoin)->UseRealTime();

class Subject : public ThreadSafeObservable
{
};

class Counter : public ThreadSafeObserver
{
public:
    void update(ThreadSafeObservable*) override { ++count; }
    long count = 0;
};

std::vector<std::unique_ptr<Counter>> makeObservers(int n)
{
    std::vector<std::unique_ptr<Counter>> observers;
    for (int i = 0; i < n; ++i)
        observers.emplace_back(new Counter);
    return observers;
}

void BM_Notify(benchmark::State& state)
{
    auto observers = makeObservers(static_cast<int>(state.range(0)));
    Subject subject;
    for (auto& o : observers)
        subject.addObserver(o.get());
    for (auto _ : state)
        subject.notify();
    benchmark::DoNotOptimize(observers[0]->count);
    for (auto& o : observers)
        subject.detatchObserver(o.get());
}
BENCHMARK(BM_Notify)->Arg(1)->Arg(10)->Arg(100);

void BM_PlainVirtualLoop(benchmark::State& state)
{
    auto observers = makeObservers(static_cast<int>(state.range(0)));
    std::vector<ThreadSafeObserver*> list;
    for (auto& o : observers)
        list.push_back(o.get());
    benchmark::DoNotOptimize(list.data());
    for (auto _ : state)
    {
        for (ThreadSafeObserver* o : list)
            o->update(nullptr);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(observers[0]->count);
}
BENCHMARK(BM_PlainVirtualLoop)->Arg(1)->Arg(10)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
