// Many owners starting, waiting, group-waiting and detaching threads whose
// bodies notify a shared subject and query the registry, while observers come
// and go. Bounded in time; run under ThreadSanitizer and AddressSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Thread.h"
#include "ThreadSafeObservable.h"
#include "ThreadSafeObserver.h"

namespace {

const int OWNERS = 4;
const int NOTIFIES_PER_BODY = 3;

class Subject : public ThreadSafeObservable
{
};

class Counter : public ThreadSafeObserver
{
public:
    void update(ThreadSafeObservable*) override { ++count; }
    std::atomic<long> count{0};
};

std::string groupOf(int owner)
{
    return "Stress-" + std::to_string(owner);
}

class Worker : public Thread
{
public:
    Worker(Subject& subject, std::atomic<long>& notifies, int owner)
        : Thread("", groupOf(owner)), _subject(subject), _notifies(notifies), _owner(owner)
    {
    }
    std::atomic<bool> finished{false};

protected:
    unsigned long prerun() override
    {
        const unsigned long result = Thread::prerun();
        finished = true;
        return result;
    }
    unsigned long run() override
    {
        for (int i = 0; i < NOTIFIES_PER_BODY; ++i)
        {
            _subject.notify();
            ++_notifies;
        }
        // Registry reads of other owners' groups, and an object made here.
        Thread::groupNameInUse(groupOf((_owner + 1) % OWNERS));
        struct Probe : Thread
        {
            unsigned long run() override { return 0; }
        } probe;
        sleep();
        return 0;
    }

private:
    Subject& _subject;
    std::atomic<long>& _notifies;
    int _owner;
};

}  // namespace

TEST(ThreadStressTest, OwnersBodiesAndObserversRunTogether)
{
    Subject subject;
    Counter always;
    subject.addObserver(&always);
    std::atomic<long> notifies{0};
    std::atomic<long> bodies{0};
    std::atomic<int> failures{0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);

    auto owner = [&](int id) {
        Counter mine;
        for (int round = 0; std::chrono::steady_clock::now() < deadline && round < 2000; ++round)
        {
            if (round % 2 == 0)
                subject.addObserver(&mine);
            std::vector<std::unique_ptr<Worker>> workers;
            for (int i = 0; i < 3; ++i)
                workers.emplace_back(new Worker(subject, notifies, id));
            for (auto& w : workers)
                w->start();
            bodies += 3;
            if (!Thread::groupNameInUse(groupOf(id)))
                ++failures;
            workers[0]->wait();
            if (round % 5 == 0)
            {
                // Detach once running; the object outlives its body.
                while (workers[1]->getState() == Thread::Started)
                    std::this_thread::yield();
                if (!workers[1]->detach())
                    ++failures;
            }
            Thread::groupWait(groupOf(id));
            if (Thread::groupNameInUse(groupOf(id)))
                ++failures;
            for (std::size_t i = 0; i < workers.size(); ++i)
            {
                while (!workers[i]->finished)
                    std::this_thread::yield();
                // A detached body that had already ended stays Detached.
                const Thread::State s = workers[i]->getState();
                const bool detached = i == 1 && round % 5 == 0;
                if (s != (detached ? Thread::Stopped : Thread::Idle) &&
                    !(detached && s == Thread::Detached))
                    ++failures;
            }
            subject.detatchObserver(&mine);
        }
    };

    std::atomic<bool> stop{false};
    std::thread monitor([&] {
        while (!stop)
        {
            for (int i = 0; i < OWNERS; ++i)
                Thread::groupNameInUse(groupOf(i));
            const boost::xtime t = Thread::timeFromNow(0.25);
            if (t.nsec < 0 || t.nsec >= 1000000000)
                ++failures;
            std::this_thread::yield();
        }
    });
    std::vector<std::thread> owners;
    for (int i = 0; i < OWNERS; ++i)
        owners.emplace_back(owner, i);
    for (std::thread& t : owners)
        t.join();
    stop = true;
    monitor.join();

    std::printf("bodies run: %ld, notifications: %ld\n", bodies.load(), notifies.load());
    EXPECT_EQ(0, failures.load());
    EXPECT_GT(bodies.load(), 0);
    EXPECT_EQ(bodies.load() * NOTIFIES_PER_BODY, notifies.load());
    EXPECT_EQ(notifies.load(), always.count.load());
}
