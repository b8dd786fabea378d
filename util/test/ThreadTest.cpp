#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "Exception.h"
#include "FailedCheck.h"
#include "Thread.h"
#include "ThreadSafeObservable.h"
#include "ThreadSafeObserver.h"

using qvxtest::failedCheck;
using namespace std::chrono_literals;

namespace {

// A body that waits until released, sleeps, and counts its runs.
struct Worker : Thread
{
    explicit Worker(const std::string& group = "Default", int ms = 0, const std::string& name = "")
        : Thread(name, group), millis(ms)
    {
    }
    std::atomic<bool> release{true};
    std::atomic<int> runs{0}, finished{0};  // finished: after prerun's last write
    int millis;
    using Thread::setStopped;
    unsigned long prerun() override
    {
        const unsigned long result = Thread::prerun();
        return ++finished, result;
    }
    unsigned long run() override
    {
        while (!release)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(millis));
        return ++runs, 0;
    }
};

template <class Condition>
bool eventually(Condition condition)
{
    for (int i = 0; i < 2000 && !condition(); ++i)
        std::this_thread::sleep_for(1ms);
    return condition();
}

std::int64_t nanos(const boost::xtime& xt)
{
    return static_cast<std::int64_t>(xt.sec) * 1000000000 + xt.nsec;
}

struct Subject : ThreadSafeObservable {};

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

TEST(ThreadTest, NamesStatesAndRefusedStarts)
{
    Worker first;
    ASSERT_EQ(0u, first.getThreadName().find("THREAD "));
    const int n = std::stoi(first.getThreadName().substr(7));
    Worker named("Pool", 0, "worker"), third;  // named ones count too
    EXPECT_EQ("THREAD " + std::to_string(n + 2), third.getThreadName());
    EXPECT_EQ("Default", first.getGroupName());

    Worker t("Restart");
    t.release = false;
    EXPECT_FALSE(Thread::groupNameInUse("Restart"));
    ASSERT_TRUE(t.start());
    EXPECT_TRUE(Thread::groupNameInUse("Restart"));
    std::string message;
    try { t.start(); } catch (const Exception& e) { message = e.getMessage(); }
    EXPECT_EQ("Thread object has non-detached thread currently running.", message);
    EXPECT_TRUE(t.getState() == Thread::Started || t.getState() == Thread::Executing);
    t.release = true;
    t.wait();
    EXPECT_EQ(Thread::Idle, t.getState());
    EXPECT_FALSE(Thread::groupNameInUse("Restart"));

    // A state that claims a thread without one: wait reports NoThread, which
    // refuses a start.
    first.setStopped();
    first.wait();
    EXPECT_EQ(Thread::NoThread, first.getState());
    EXPECT_THROW(first.start(), Exception);
}

TEST(ThreadTest, GroupWaitWaitsForEveryBodyOfTheGroup)
{
    Worker a("Three", 60), b("Three", 10), c("Three", 120), other("Other");
    for (Worker* w : {&a, &b, &c, &other})
        w->start();
    Thread::groupWait("Three");
    for (Worker* w : {&a, &b, &c})
        EXPECT_TRUE(w->runs == 1 && w->getState() == Thread::Idle) << w->millis;
    EXPECT_FALSE(Thread::groupNameInUse("Three"));
    EXPECT_TRUE(Thread::groupNameInUse("Other"));
    other.wait();
    EXPECT_EQ("groupName.size()", failedCheck([] { Thread::groupWait(""); }));
    EXPECT_EQ("_group.find( groupName ) != _group.end()",
              failedCheck([] { Thread::groupWait("NeverStarted"); }));
}

TEST(ThreadTest, DetachedThreadRunsOnAndEndsStopped)
{
    Worker t("Detach");
    t.release = false;
    t.start();
    // Detach once the body runs: a detach that beats the body's start is
    // overwritten by the body's own Executing.
    EXPECT_TRUE(eventually([&] { return t.getState() == Thread::Executing; }));
    EXPECT_TRUE(t.detach());
    EXPECT_EQ(Thread::Detached, t.getState());
    EXPECT_FALSE(Thread::groupNameInUse("Detach"));
    EXPECT_EQ("_cState != Detached", failedCheck([&] { t.detach(); }));

    EXPECT_NO_THROW(t.start());  // while the first thread still runs
    t.release = true;
    t.wait();
    EXPECT_TRUE(eventually([&] { return t.finished == 2; }));
    EXPECT_EQ(2, t.runs.load());

    t.release = false;
    t.start();
    EXPECT_TRUE(eventually([&] { return t.getState() == Thread::Executing; }));
    EXPECT_TRUE(t.detach());
    t.release = true;
    EXPECT_TRUE(eventually([&] { return t.finished == 3; }));
    EXPECT_EQ(Thread::Stopped, t.getState());

    // Never started in its group: the failed check is caught and detach says false.
    Worker lone("NeverStartedDetach");
    qvxtest::ExceptionMode mode;
    EXPECT_FALSE(lone.detach());
}

TEST(ThreadTest, TimeFromNowAddsWithNanosecondCarry)
{
    bool carried = false, plain = false;
    // Readings in both halves of a second: the second half needs the carry
    // (and a negative time the borrow).
    for (int i = 0; i < 150 && !(carried && plain); ++i, std::this_thread::sleep_for(9ms))
        for (const std::int64_t delta : {1500000000LL, -1250000000LL})
        {
            boost::xtime before, after;
            boost::xtime_get(&before, boost::TIME_UTC_);
            const boost::xtime r = Thread::timeFromNow(static_cast<double>(delta) / 1e9);
            boost::xtime_get(&after, boost::TIME_UTC_);
            ASSERT_TRUE(r.nsec >= 0 && r.nsec < 1000000000) << r.nsec;
            ASSERT_TRUE(nanos(r) >= nanos(before) + delta && nanos(r) <= nanos(after) + delta) << delta;
            if (delta > 0 && before.sec == after.sec)
                (before.nsec >= 500000000 ? carried : plain) = true;
        }
    EXPECT_TRUE(carried && plain);
}

TEST(ObserverTest, SetOrderedByAddressWithoutDuplicates)
{
    std::vector<int> log;
    std::vector<Recorder> r(6);  // contiguous: ascending addresses
    for (int i = 0; i < 6; ++i)
        r[i].log = &log, r[i].id = i;
    Subject s;
    for (int i : {4, 1, 5, 0, 3, 2, 4, 1})
        s.addObserver(&r[i]);
    s.detatchObserver(&r[3]);
    s.detatchObserver(&r[3]);  // absent: no change
    s.notify();
    EXPECT_EQ((std::vector<int>{0, 1, 2, 4, 5}), log);
    EXPECT_EQ(&s, r[0].last);
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
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(added);
    blocking.hold = false;
    notifier.join();
    adder.join();
    EXPECT_EQ(std::vector<int>{0}, log);  // the waiting observer was not called
    s.detatchObserver(&blocking);
    s.notify();
    EXPECT_EQ((std::vector<int>{0, 7}), log);
}
