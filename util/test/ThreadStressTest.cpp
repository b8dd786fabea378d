// Owners start, wait, group-wait and detach threads whose bodies notify a
// shared subject, format a shared time value and read the registry, while
// observers come and go. Bounded in time; run under both sanitizers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "CurrentTime.h"
#include "Thread.h"
#include "ThreadSafeObservable.h"
#include "ThreadSafeObserver.h"

namespace {

const int OWNERS = 4;
struct Subject : ThreadSafeObservable {};
struct Counter : ThreadSafeObserver
{
    void update(ThreadSafeObservable*) override { ++count; }
    std::atomic<long> count{0};
};
std::string groupOf(int owner) { return "Stress-" + std::to_string(owner); }

struct Shared
{
    Subject subject;
    const CurrentTime time;
    std::atomic<long> notifies{0}, bodies{0}, failures{0};
};

struct Worker : Thread
{
    Worker(Shared& shared, int owner) : Thread("", groupOf(owner)), shared(shared), owner(owner) {}
    unsigned long prerun() override
    {
        const unsigned long result = Thread::prerun();
        return finished = true, result;
    }
    unsigned long run() override
    {
        shared.subject.notify();
        ++shared.notifies;
        shared.failures += shared.time.fmt().size() != 24;
        Thread::groupNameInUse(groupOf((owner + 1) % OWNERS));
        struct Probe : Thread  // a registry write from a body
        {
            unsigned long run() override { return 0; }
        } probe;
        sleep();
        return 0;
    }
    Shared& shared;
    const int owner;
    std::atomic<bool> finished{false};
};

}  // namespace

TEST(ThreadStressTest, OwnersBodiesAndObserversRunTogether)
{
    Shared shared;
    Counter always;
    shared.subject.addObserver(&always);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
    auto owner = [&](int id) {
        Counter mine;
        for (int round = 0; std::chrono::steady_clock::now() < deadline && round < 2000; ++round)
        {
            const bool detachOne = round % 5 == 0;
            shared.subject.addObserver(&mine);
            std::vector<std::unique_ptr<Worker>> workers;
            for (int i = 0; i < 3; ++i)
                workers.emplace_back(new Worker(shared, id))->start();
            shared.bodies += 3;
            shared.failures += !Thread::groupNameInUse(groupOf(id));
            workers[0]->wait();
            if (detachOne)
            {
                while (workers[1]->getState() == Thread::Started)
                    std::this_thread::yield();
                shared.failures += !workers[1]->detach();
            }
            Thread::groupWait(groupOf(id));
            shared.failures += Thread::groupNameInUse(groupOf(id));
            for (std::size_t i = 0; i < workers.size(); ++i)
            {
                while (!workers[i]->finished)
                    std::this_thread::yield();
                const Thread::State s = workers[i]->getState();
                // A detached body that had ended before the detach stays Detached.
                shared.failures += detachOne && i == 1 ? s != Thread::Stopped && s != Thread::Detached
                                                       : s != Thread::Idle;
            }
            shared.subject.detatchObserver(&mine);
        }
    };
    std::vector<std::thread> owners;
    for (int i = 0; i < OWNERS; ++i)
        owners.emplace_back(owner, i);
    for (std::thread& t : owners)
        t.join();

    std::printf("bodies run: %ld\n", shared.bodies.load());
    EXPECT_EQ(0, shared.failures.load());
    EXPECT_GT(shared.bodies.load(), 0);
    EXPECT_EQ(shared.bodies.load(), shared.notifies.load());
    EXPECT_EQ(shared.notifies.load(), always.count.load());
}
