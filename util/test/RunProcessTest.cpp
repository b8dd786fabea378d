// runProcess: a program's output collected with a bound, its exit code, and a
// time-out that kills a program that does not end.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "Process.h"

using qvx::platform::runProcess;

namespace {

TEST(RunProcessTest, CollectsBothOutputsAndTheExitCode)
{
    std::string output;
    int code = -1;
    ASSERT_EQ(0, runProcess("sh", {"sh", "-c", "echo out; echo err >&2; read x; echo \"[$x]\"; exit 3"}, 1000, 10000,
                            output, code));
    EXPECT_EQ("out\nerr\n[]\n", output);  // standard input is empty
    EXPECT_EQ(3, code);
    EXPECT_EQ(ENOENT, runProcess("no-such-program-here", {"x"}, 10, 1000, output, code));
}

TEST(RunProcessTest, KeepsOnlyTheBoundButLetsTheProgramFinish)
{
    std::string output;
    int code = -1;
    ASSERT_EQ(0, runProcess("sh", {"sh", "-c", "head -c 1000000 /dev/zero; echo done >&2"}, 16, 10000, output, code));
    EXPECT_EQ(std::string(16, '\0'), output);
    EXPECT_EQ(0, code);  // it wrote everything: the rest was read and dropped
}

TEST(RunProcessTest, AProgramThatDoesNotEndIsKilledAtTheTimeOut)
{
    std::string output;
    int code = -1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ETIMEDOUT, runProcess("sh", {"sh", "-c", "echo started; exec sleep 30"}, 100, 300, output, code));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_EQ("started\n", output);
}

}  // namespace
