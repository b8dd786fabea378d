#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "ThreadSafeObservable.h"
#include "ThreadSafeObserver.h"

namespace {

class Subject : public ThreadSafeObservable
{
};

// Appends its index to a shared log at every update.
class Recorder : public ThreadSafeObserver
{
public:
    Recorder() = default;
    Recorder(std::vector<int>* log, int id) : log(log), id(id) {}
    void update(ThreadSafeObservable* observable) override
    {
        last = observable;
        log->push_back(id);
    }
    std::vector<int>* log = nullptr;
    int id = 0;
    ThreadSafeObservable* last = nullptr;
};

}  // namespace

TEST(ObserverTest, SetSemanticsAndSubjectPassed)
{
    Subject s;
    s.notify();  // no observers: returns
    std::vector<int> log;
    Recorder a(&log, 1), b(&log, 2);
    s.addObserver(&a);
    s.addObserver(&a);
    s.detatchObserver(&b);  // never added
    s.notify();
    EXPECT_EQ(std::vector<int>{1}, log);
    EXPECT_EQ(&s, a.last);
    EXPECT_EQ(nullptr, b.last);

    s.addObserver(&b);
    s.detatchObserver(&a);
    s.detatchObserver(&a);
    log.clear();
    s.notify();
    EXPECT_EQ(std::vector<int>{2}, log);
}

TEST(ObserverTest, NotifiesInAddressOrderWhateverTheAddingOrder)
{
    std::vector<int> log;
    std::vector<Recorder> observers(6);  // contiguous: ascending addresses
    for (int i = 0; i < 6; ++i)
        observers[i] = Recorder(&log, i);
    Subject s;
    for (int i : {4, 1, 5, 0, 3, 2})
        s.addObserver(&observers[i]);
    s.notify();
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5}), log);
}

TEST(ObserverTest, AddFromAnotherThreadWaitsForRunningNotify)
{
    class Blocking : public ThreadSafeObserver
    {
    public:
        void update(ThreadSafeObservable*) override
        {
            std::unique_lock<std::mutex> lock(m);
            entered = true;
            cv.notify_all();
            cv.wait(lock, [this] { return released; });
        }
        std::mutex m;
        std::condition_variable cv;
        bool entered = false;
        bool released = false;
    } blocking;

    std::vector<int> log;
    Recorder late(&log, 7);
    Subject s;
    s.addObserver(&blocking);
    std::thread notifier([&] { s.notify(); });
    {
        std::unique_lock<std::mutex> lock(blocking.m);
        blocking.cv.wait(lock, [&] { return blocking.entered; });
    }
    std::atomic<bool> added{false};
    std::thread adder([&] {
        s.addObserver(&late);
        added = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(added.load());
    {
        std::lock_guard<std::mutex> lock(blocking.m);
        blocking.released = true;
        blocking.cv.notify_all();
    }
    notifier.join();
    adder.join();
    EXPECT_TRUE(added.load());
    EXPECT_TRUE(log.empty());  // not called by the notification it waited for
    s.detatchObserver(&blocking);
    s.notify();
    EXPECT_EQ(std::vector<int>{7}, log);
}
