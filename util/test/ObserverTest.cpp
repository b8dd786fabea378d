#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "ThreadSafeObservable.h"
#include "ThreadSafeObserver.h"

namespace {

struct Subject : ThreadSafeObservable
{
};

// Logs its id at every update; optionally holds the update until released.
struct Recorder : ThreadSafeObserver
{
    void update(ThreadSafeObservable* observable) override
    {
        entered = true;
        while (hold)
            std::this_thread::yield();
        last = observable;
        log->push_back(id);
    }
    std::vector<int>* log = nullptr;
    int id = 0;
    ThreadSafeObservable* last = nullptr;
    std::atomic<bool> hold{false}, entered{false};
};

}  // namespace

TEST(ObserverTest, SetOrderedByAddressWithoutDuplicates)
{
    std::vector<int> log;
    std::vector<Recorder> r(6);  // contiguous: ascending addresses
    for (int i = 0; i < 6; ++i)
        r[i].log = &log, r[i].id = i;
    Subject s;
    s.notify();  // no observers
    for (int i : {4, 1, 5, 0, 3, 2, 4, 1})
        s.addObserver(&r[i]);
    s.detatchObserver(&r[3]);
    s.detatchObserver(&r[3]);  // absent: no change
    s.notify();
    EXPECT_EQ((std::vector<int>{0, 1, 2, 4, 5}), log);
    EXPECT_EQ(&s, r[0].last);
    EXPECT_EQ(nullptr, r[3].last);
}

TEST(ObserverTest, AddFromAnotherThreadWaitsForARunningNotify)
{
    std::vector<int> log;
    Recorder blocking, late;
    blocking.log = late.log = &log;
    late.id = 7;
    blocking.hold = true;
    Subject s;
    s.addObserver(&blocking);
    std::thread notifier([&] { s.notify(); });
    while (!blocking.entered)
        std::this_thread::yield();
    std::atomic<bool> added{false};
    std::thread adder([&] { s.addObserver(&late), added = true; });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(added);
    blocking.hold = false;
    notifier.join();
    adder.join();
    EXPECT_EQ(std::vector<int>{0}, log);  // the waiting observer was not called
    s.detatchObserver(&blocking);
    s.notify();
    EXPECT_EQ((std::vector<int>{0, 7}), log);
}
