// Physical memory against the kernel's own figure and through a replaced
// source; shutdown and restart through a replaced power request only (this
// program never lets a real request through), with and without CAP_SYS_BOOT.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "Memory.h"
#include "Power.h"
#include "WindowUtil.h"

using namespace qvx::platform;

namespace {

TEST(MemoryTest, KiloBytesOfThousandBytesFromTheKernelsTotal)
{
    std::ifstream meminfo("/proc/meminfo");
    std::string label;
    long long memTotalKiB = 0;
    while (meminfo >> label && label != "MemTotal:")
        meminfo.ignore(1 << 10, '\n');
    ASSERT_TRUE(meminfo >> memTotalKiB);
    // MemTotal counts units of 1024 bytes; the result units of 1000.
    const long long expected = memTotalKiB * 1024 / 1000;
    EXPECT_NEAR(static_cast<double>(expected), WindowUtil::getSizeOfPhysicalMemoryInKiloBytes(), 1.0);
}

std::uint64_t memoryBytes = 0;
std::uint64_t replacedMemory() { return memoryBytes; }

TEST(MemoryTest, ConversionTruncatesAndKeepsTheLow32Bits)
{
    ASSERT_EQ(nullptr, setPhysicalMemorySource(&replacedMemory));
    const struct
    {
        std::uint64_t bytes;
        int kiloBytes;
    } cases[] = {
        {2147483648ull, 2147483},
        {999, 0},
        {1999, 1},
        {3000000000500ull, -1294967296},  // 3,000,000,000 does not fit an int
        {35184372088832ull, 824633720},   // 2^45 bytes: 35,184,372,088 modulo 2^32
    };
    for (const auto& c : cases)
    {
        memoryBytes = c.bytes;
        EXPECT_EQ(c.kiloBytes, WindowUtil::getSizeOfPhysicalMemoryInKiloBytes()) << c.bytes;
    }
    EXPECT_EQ(&replacedMemory, setPhysicalMemorySource(nullptr));
}

// The replaced power request: counts what it is asked for.
int powerOffs = 0, reboots = 0;
bool answer = true;
bool recordRequest(PowerRequest request)
{
    ++(request == PowerRequest::PowerOff ? powerOffs : reboots);
    return answer;
}

struct ReplacedPower
{
    ReplacedPower()
    {
        powerOffs = reboots = 0;
        answer = true;
        setPowerRequester(&recordRequest);
    }
    ~ReplacedPower() { setPowerRequester(nullptr); }
};

bool capabilities(__user_cap_data_struct (&data)[_LINUX_CAPABILITY_U32S_3])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool permittedBoot()
{
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    return capabilities(data) && (data[0].permitted & (1u << CAP_SYS_BOOT));
}

// Runs body in a child that first removes CAP_SYS_BOOT from its effective set
// and, with everywhere, from its permitted and bounding sets as well. The
// child's exit code: body's result, or 100 when the drop failed.
int inChildWithoutBoot(bool everywhere, int (*body)())
{
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
        if (!capabilities(data))
            ::_exit(100);
        data[0].effective &= ~(1u << CAP_SYS_BOOT);
        if (everywhere)
        {
            data[0].permitted &= ~(1u << CAP_SYS_BOOT);
            if (::prctl(PR_CAPBSET_DROP, CAP_SYS_BOOT, 0, 0, 0) != 0)
                ::_exit(100);
        }
        if (::syscall(SYS_capset, &header, data) != 0)
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// 1 bit: shutdown answered true; 2: restart answered true; 4: any request
// reached the replacement; 8: CAP_SYS_BOOT is effective afterwards.
int tryBoth()
{
    ReplacedPower power;
    int result = 0;
    result |= WindowUtil::shutdownComputer() ? 1 : 0;
    result |= WindowUtil::restartComputer() ? 2 : 0;
    result |= powerOffs + reboots > 0 ? 4 : 0;
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    result |= capabilities(data) && (data[0].effective & (1u << CAP_SYS_BOOT)) ? 8 : 0;
    return result;
}

TEST(PowerTest, WithTheCapabilityExactlyOneRequestEach)
{
    if (!permittedBoot())
        GTEST_SKIP() << "needs CAP_SYS_BOOT in the permitted set (run as root)";
    ReplacedPower power;
    EXPECT_TRUE(WindowUtil::shutdownComputer());
    EXPECT_EQ(1, powerOffs);
    EXPECT_EQ(0, reboots);
    EXPECT_TRUE(WindowUtil::restartComputer());
    EXPECT_EQ(1, powerOffs);
    EXPECT_EQ(1, reboots);
    answer = false;  // a refused request is reported as such
    EXPECT_FALSE(WindowUtil::shutdownComputer());
    EXPECT_FALSE(WindowUtil::restartComputer());
}

TEST(PowerTest, WithoutTheCapabilityNothingIsRequested)
{
    if (!permittedBoot())
        GTEST_SKIP() << "needs CAP_SYS_BOOT in the permitted set (run as root)";
    EXPECT_EQ(0, inChildWithoutBoot(true, &tryBoth));
    // Only permitted, not effective: raised again, like enabling a privilege
    // the account holds.
    EXPECT_EQ(1 | 2 | 4 | 8, inChildWithoutBoot(false, &tryBoth));
}

}  // namespace
