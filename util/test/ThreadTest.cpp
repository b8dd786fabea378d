#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include <boost/thread/exceptions.hpp>

#include "Exception.h"
#include "FailedCheck.h"
#include "Thread.h"

using qvxtest::failedCheck;
using qvxtest::failedCheckWhere;

namespace {

// A one-shot gate that bodies wait on, so a test controls when they end.
class Gate
{
public:
    void open()
    {
        std::lock_guard<std::mutex> lock(_m);
        _open = true;
        _cv.notify_all();
    }
    void pass()
    {
        std::unique_lock<std::mutex> lock(_m);
        _cv.wait(lock, [this] { return _open; });
    }

private:
    std::mutex _m;
    std::condition_variable _cv;
    bool _open = false;
};

class GatedThread : public Thread
{
public:
    GatedThread(Gate& gate, const std::string& name = "", const std::string& group = "Default")
        : Thread(name, group), _gate(gate)
    {
    }
    std::atomic<int> runs{0};
    std::atomic<int> finished{0};  // raised after prerun's last write
    using Thread::setPending;
    using Thread::setStopped;

protected:
    unsigned long prerun() override
    {
        const unsigned long result = Thread::prerun();
        ++finished;
        return result;
    }
    unsigned long run() override
    {
        _gate.pass();
        ++runs;
        return 0;
    }

private:
    Gate& _gate;
};

class SleepingThread : public Thread
{
public:
    SleepingThread(int millis, const std::string& group) : Thread("", group), _millis(millis) {}
    std::atomic<bool> done{false};

protected:
    unsigned long run() override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(_millis));
        done = true;
        return 0;
    }

private:
    int _millis;
};

bool eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < 2000; ++i)
    {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

std::int64_t nanos(const boost::xtime& xt)
{
    return static_cast<std::int64_t>(xt.sec) * 1000000000 + xt.nsec;
}

}  // namespace

TEST(ThreadTest, DefaultNamesCountEveryConstructedObject)
{
    Gate gate;
    GatedThread first(gate);
    const std::string name = first.getThreadName();
    ASSERT_EQ(0u, name.find("THREAD "));
    const int n = std::stoi(name.substr(7));
    GatedThread named(gate, "worker", "Pool");
    GatedThread third(gate);
    EXPECT_EQ("THREAD " + std::to_string(n + 2), third.getThreadName());
    EXPECT_EQ("Default", first.getGroupName());
    EXPECT_EQ("worker", named.getThreadName());
    EXPECT_EQ("Pool", named.getGroupName());
    EXPECT_EQ(Thread::Idle, third.getState());
}

TEST(ThreadTest, SecondStartThrowsUntilWaitThenRestarts)
{
    Gate gate;
    GatedThread t(gate, "restart", "Restart");
    EXPECT_FALSE(Thread::groupNameInUse("Restart"));
    ASSERT_TRUE(t.start());
    EXPECT_TRUE(Thread::groupNameInUse("Restart"));
    try
    {
        t.start();
        FAIL() << "second start did not throw";
    }
    catch (const Exception& e)
    {
        EXPECT_EQ("Thread object has non-detached thread currently running.", e.getMessage());
    }
    const Thread::State running = t.getState();
    EXPECT_TRUE(running == Thread::Started || running == Thread::Executing) << running;

    gate.open();
    t.wait();
    EXPECT_EQ(Thread::Idle, t.getState());
    EXPECT_FALSE(Thread::groupNameInUse("Restart"));
    EXPECT_EQ(1, t.runs.load());

    ASSERT_TRUE(t.start());  // the gate stays open
    t.wait();
    EXPECT_EQ(2, t.runs.load());
    EXPECT_EQ(Thread::Idle, t.getState());
}

TEST(ThreadTest, WaitWithoutThreadAndPendingState)
{
    Gate gate;
    GatedThread never(gate);
    never.wait();
    EXPECT_EQ(Thread::Idle, never.getState());

    // A state that claims a thread without one: wait reports NoThread, and
    // NoThread (like Pending) refuses a start.
    never.setStopped();
    never.wait();
    EXPECT_EQ(Thread::NoThread, never.getState());
    EXPECT_THROW(never.start(), Exception);

    GatedThread pending(gate, "", "Pending");
    pending.setPending();
    EXPECT_THROW(pending.start(), Exception);
    EXPECT_FALSE(Thread::groupNameInUse("Pending"));
}

TEST(ThreadTest, GroupWaitWaitsForEveryBody)
{
    SleepingThread a(60, "Three"), b(10, "Three"), c(120, "Three");
    SleepingThread other(0, "Other");
    a.start();
    b.start();
    c.start();
    other.start();
    Thread::groupWait("Three");
    EXPECT_TRUE(a.done && b.done && c.done);
    EXPECT_EQ(Thread::Idle, a.getState());
    EXPECT_EQ(Thread::Idle, b.getState());
    EXPECT_EQ(Thread::Idle, c.getState());
    EXPECT_FALSE(Thread::groupNameInUse("Three"));
    // Another group's registration is untouched.
    EXPECT_TRUE(Thread::groupNameInUse("Other"));
    other.wait();
    EXPECT_FALSE(Thread::groupNameInUse("Other"));

    // Group-waiting a group without registered threads returns at once, and
    // the objects can be started and group-waited again.
    Thread::groupWait("Three");
    a.start();
    Thread::groupWait("Three");
    EXPECT_EQ(Thread::Idle, a.getState());
}

TEST(ThreadTest, GroupWaitChecks)
{
    EXPECT_EQ("groupName.size() @ util/src/Thread.cpp",
              failedCheckWhere([] { Thread::groupWait(""); }));
    EXPECT_EQ("_group.find( groupName ) != _group.end()",
              failedCheck([] { Thread::groupWait("NeverStarted"); }));
    qvxtest::NopMode nop;
    Thread::groupWait("NeverStarted");  // returns
}

TEST(ThreadTest, DetachedThreadRunsOnAndEndsStopped)
{
    Gate gate;
    GatedThread t(gate, "", "Detach");
    t.start();
    // Detach once the body runs: a detach that beats the body's start is
    // overwritten by the body's own Executing.
    EXPECT_TRUE(eventually([&] { return t.getState() == Thread::Executing; }));
    EXPECT_TRUE(t.detach());
    EXPECT_EQ(Thread::Detached, t.getState());
    EXPECT_FALSE(Thread::groupNameInUse("Detach"));
    EXPECT_EQ("_cState != Detached", failedCheck([&] { t.detach(); }));

    // A detached object may start again while its first thread still runs.
    EXPECT_NO_THROW(t.start());
    gate.open();
    t.wait();
    EXPECT_TRUE(eventually([&] { return t.finished == 2; }));
    EXPECT_EQ(2, t.runs.load());

    // Detached while its body runs: the body's end still moves it to Stopped.
    Gate later;
    GatedThread u(later, "", "Detach");
    u.start();
    EXPECT_TRUE(eventually([&] { return u.getState() == Thread::Executing; }));
    EXPECT_TRUE(u.detach());
    EXPECT_EQ(Thread::Detached, u.getState());
    later.open();
    EXPECT_TRUE(eventually([&] { return u.finished == 1; }));
    EXPECT_EQ(Thread::Stopped, u.getState());
}

TEST(ThreadTest, DetachOfNeverStartedGroup)
{
    Gate gate;
    GatedThread t(gate, "", "NeverStartedDetach");
    // The failed check is caught inside detach, which then answers false.
    qvxtest::ExceptionMode mode;
    EXPECT_FALSE(t.detach());
    EXPECT_EQ(Thread::Detached, t.getState());
}

TEST(ThreadTest, GroupWaitFromOwnGroupBodyThrows)
{
    class SelfWaiter : public Thread
    {
    public:
        SelfWaiter() : Thread("", "SelfWait") {}
        std::atomic<bool> threw{false};

    protected:
        unsigned long run() override
        {
            try
            {
                Thread::groupWait("SelfWait");
            }
            catch (const boost::thread_resource_error&)
            {
                threw = true;
            }
            return 0;
        }
    } t;
    t.start();
    t.wait();
    EXPECT_TRUE(t.threw);
}

TEST(ThreadTest, TimeFromNowAddsWithNanosecondCarry)
{
    bool sawCarry = false, sawNoCarry = false;
    // Readings in both halves of a second: the second half needs the carry.
    for (int i = 0; i < 150 && !(sawCarry && sawNoCarry); ++i)
    {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(9));
        boost::xtime before, after;
        boost::xtime_get(&before, boost::TIME_UTC_);
        const boost::xtime r = Thread::timeFromNow(1.5);
        boost::xtime_get(&after, boost::TIME_UTC_);
        ASSERT_GE(r.nsec, 0);
        ASSERT_LT(r.nsec, 1000000000);
        ASSERT_GE(nanos(r), nanos(before) + 1500000000);
        ASSERT_LE(nanos(r), nanos(after) + 1500000000);
        if (before.sec == after.sec)
            (before.nsec >= 500000000 ? sawCarry : sawNoCarry) = true;
    }
    EXPECT_TRUE(sawCarry);
    EXPECT_TRUE(sawNoCarry);

    boost::xtime before, after;
    boost::xtime_get(&before, boost::TIME_UTC_);
    const boost::xtime past = Thread::timeFromNow(-1.25);
    boost::xtime_get(&after, boost::TIME_UTC_);
    EXPECT_LT(past.nsec, 1000000000);
    EXPECT_GE(nanos(past), nanos(before) - 1250000000);
    EXPECT_LE(nanos(past), nanos(after) - 1250000000);
}
