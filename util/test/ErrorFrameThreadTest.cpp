// The process-wide switches are read on other threads than the one that sets
// them (ThreadSanitizer build): mode flags and the unit-testing flag.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "AssertException.h"
#include "UnitTest.h"
#include "kbrAssert.h"

namespace {
struct Reset : UnitTest
{
    void run() override {}
};
}  // namespace

TEST(ErrorFrameThreadTest, SwitchesSetOnOneThreadAreReadOnOthers)
{
    setenv("UNIT_TESTING", "true", 1);
    enableAssertExceptionMode();
    enableAssertNopMode();
    std::atomic<bool> stop{false};
    std::atomic<int> thrown{0}, returned{0};
    std::vector<std::thread> checkers;
    for (int t = 0; t < 3; ++t)
        checkers.emplace_back([&] {
            while (!stop)
            {
                try
                {
                    showKbrAssert("x", "f.cpp", 1);  // nop mode returns, exception mode throws
                    ++returned;
                }
                catch (const AssertException&)
                {
                    ++thrown;
                }
                EXPECT_TRUE(UnitTest::unitTesting());
            }
        });
    for (int i = 0; i < 2000; ++i)
    {
        (i % 2 == 0) ? disableAssertNopMode() : enableAssertNopMode();
        Reset reset;  // clears the remembered answer; the readers find it again
    }
    stop = true;
    for (std::thread& t : checkers)
        t.join();
    disableAssertExceptionMode();
    disableAssertNopMode();
    EXPECT_GT(thrown + returned, 0);
}
