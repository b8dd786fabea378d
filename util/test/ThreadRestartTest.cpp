// Restarting a Thread whose body has returned, without waiting for it first.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "Thread.h"

namespace {

struct Quick : Thread
{
    explicit Quick(const std::string& group) : Thread("quick", group) {}
    unsigned long run() override
    {
        ++runs;
        return 0;
    }
    std::atomic<int> runs{0};
};

void waitUntilStopped(Thread& t)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (t.getState() != Thread::Stopped && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_EQ(Thread::Stopped, t.getState());
}

// The process's virtual size in kB: every thread that is never joined keeps
// its stack mapped.
long virtualKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            return std::stol(line.substr(7));
    return -1;
}

}  // namespace

TEST(ThreadRestartTest, RestartingAStoppedThreadJoinsAndDeregistersTheOldOne)
{
    const std::string group = "Restart";
    long before = 0;
    {
        Quick t(group);
        for (int i = 0; i < 200; ++i)
        {
            EXPECT_TRUE(t.start());
            waitUntilStopped(t);
            if (i == 10)
                before = virtualKb();
        }
        EXPECT_EQ(200, t.runs.load());
        EXPECT_TRUE(Thread::groupNameInUse(group));
        t.wait();
        // One entry per object: after its wait nothing of the group is left.
        EXPECT_FALSE(Thread::groupNameInUse(group));
        EXPECT_EQ(Thread::Idle, t.getState());
    }
    // Nothing of the destroyed object is left for the group's wait to reach.
    Thread::groupWait(group);
    EXPECT_LT(virtualKb() - before, 64 * 1024) << "unjoined thread stacks pile up";
}

TEST(ThreadRestartTest, GroupWaitAfterRestartsJoinsTheLastThreadOnly)
{
    const std::string group = "RestartGroup";
    Quick a(group), b(group);
    for (int i = 0; i < 20; ++i)
    {
        a.start();
        b.start();
        waitUntilStopped(a);
        waitUntilStopped(b);
    }
    Thread::groupWait(group);
    EXPECT_FALSE(Thread::groupNameInUse(group));
    EXPECT_EQ(Thread::Idle, a.getState());
    EXPECT_EQ(Thread::Idle, b.getState());
    EXPECT_EQ(20, a.runs.load());
    EXPECT_EQ(20, b.runs.load());
}
