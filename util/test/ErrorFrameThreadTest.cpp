// The process-wide switches are set on one thread and read on others
// (ThreadSanitizer build): the mode flags and the unit-testing flag.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "AssertException.h"
#include "UnitTest.h"
#include "kbrAssert.h"

TEST(ErrorFrameThreadTest, SwitchesSetOnOneThreadAreReadOnOthers)
{
    struct Reset : UnitTest
    {
        void run() override {}
    };
    setenv("UNIT_TESTING", "true", 1);
    enableAssertExceptionMode();
    std::atomic<bool> stop{false};
    std::atomic<int> running{0};
    std::vector<std::thread> checkers;
    for (int t = 0; t < 3; ++t)
        checkers.emplace_back([&] {
            for (++running; !stop;)
            {
                try
                {
                    showKbrAssert("x", "f.cpp", 1);  // returns in nop mode, else throws
                }
                catch (const AssertException&)
                {
                }
                EXPECT_TRUE(UnitTest::unitTesting());
            }
        });
    while (running < 3)
        std::this_thread::yield();
    for (int i = 0; i < 2000; ++i)
    {
        i % 2 ? enableAssertNopMode() : disableAssertNopMode();
        Reset reset;  // clears the remembered answer; readers find it again
    }
    stop = true;
    for (std::thread& t : checkers)
        t.join();
}
