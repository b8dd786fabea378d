// OSVersionUtil through a replaced version source. The answer is kept for the
// rest of a process, so each case runs in a child process of its own.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

#include "AssertException.h"
#include "FailedCheck.h"
#include "OSVersionUtil.h"
#include "OsVersionSource.h"

using qvx::platform::OsVersionRecord;
using V = OSVersionUtil;

namespace {

struct Row
{
    bool available;
    unsigned long platform, major, minor;
};
Row g_row;
std::atomic<int> g_queries{0};

bool rowSource(OsVersionRecord& r)
{
    ++g_queries;
    // A failed query may leave anything behind; the classification must not use it.
    r.platform = g_row.available ? g_row.platform : 2;
    r.major = g_row.available ? g_row.major : 5;
    r.minor = g_row.available ? g_row.minor : 1;
    return g_row.available;
}

// What one fresh process sees: the failed check of the first question (in
// exception mode), then the kept answer (in nop mode), the predicates, and how
// often the source was asked.
std::string inFreshProcess(const Row& row, bool realSource)
{
    int out[2];
    if (::pipe(out) != 0)
        return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        ::close(out[0]);
        g_row = row;
        if (!realSource)
            qvx::platform::setOsVersionSource(&rowSource);
        std::ostringstream s;
        {
            qvxtest::ExceptionMode mode;
            try
            {
                const int first = V::getOperatingSystemVersion();
                s << "first " << first;
            }
            catch (const AssertException& e)
            {
                const bool named = e.getMessage().find("(Unrecognized Operating System)") != std::string::npos;
                s << "check " << e.getParameter(0) << " @ " << e.getParameter(1) << (named ? "" : " (no message)");
            }
        }
        {
            qvxtest::NopMode nop;
            const int v = V::getOperatingSystemVersion();
            const bool predicates[] = {V::isWindows2000(), V::isWindowsXP(), V::isWindowsNT4(), V::isWindowsNT3_51(),
                                       V::isWindows95(),   V::isWindows98(), V::isWindowsMe(),  V::isWindows3_1()};
            s << "; kept " << v << "; true:";
            for (int i = 0; i < 8; ++i)
                if (predicates[i])
                    s << " " << i;
            s << "; queries " << g_queries.load();
        }
        const std::string text = s.str();
        const ssize_t written = ::write(out[1], text.data(), text.size());
        ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(out[1]);
    std::string text;
    char buf[256];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    ::waitpid(pid, nullptr, 0);
    return text;
}

std::string expected(int version, const std::string& check, int queries)
{
    std::ostringstream s;
    if (check.empty())
        s << "first " << version;
    else
        s << "check " << check << " @ util/src/OSVersionUtil.cpp";
    s << "; kept " << version << "; true:";
    if (version < 8)
        s << " " << version;
    s << "; queries " << queries;
    return s.str();
}

}  // namespace

TEST(OSVersionUtilTest, ClassifiesEveryRowOfTheTableAndAsksOncePerProcess)
{
    const std::string unrecognized = "false";
    const struct { Row row; V::OSVersion version; std::string check; } rows[] = {
        {{true, 2, 5, 0}, V::windows2000, ""},
        {{true, 2, 5, 1}, V::windowsXP, ""},
        {{true, 2, 5, 2}, V::windowsNT4, ""},
        {{true, 2, 6, 1}, V::windowsNT4, ""},
        {{true, 2, 4, 0}, V::windowsNT4, ""},
        {{true, 2, 10, 0}, V::windowsNT4, ""},
        {{true, 1, 4, 0}, V::windows95, ""},
        {{true, 1, 4, 10}, V::windows98, ""},
        {{true, 1, 4, 90}, V::windowsMe, ""},
        {{true, 1, 4, 1}, V::unrecognizedOperatingSystem, unrecognized},
        {{true, 1, 5, 0}, V::unrecognizedOperatingSystem, unrecognized},
        {{true, 0, 3, 95}, V::windows3_1, ""},
        {{true, 3, 4, 0}, V::unrecognizedOperatingSystem, unrecognized},
        {{true, qvx::platform::OS_PLATFORM_OTHER, 6, 1}, V::unrecognizedOperatingSystem, unrecognized},
        {{false, 0, 0, 0}, V::windows3_1, "isOperatingSystemVersionInfoAvailable != 0"},
    };
    // A question that ended in a thrown check kept nothing, so nop mode asked
    // again; every later question was answered from what was kept.
    for (const auto& r : rows)
        EXPECT_EQ(expected(r.version, r.check, r.check.empty() ? 1 : 2), inFreshProcess(r.row, false))
            << r.row.available << " " << r.row.platform << " " << r.row.major << "." << r.row.minor;
}

TEST(OSVersionUtilTest, ThisHostIsUnrecognized)
{
    // The host's own source counts no questions.
    EXPECT_EQ(expected(V::unrecognizedOperatingSystem, "false", 0), inFreshProcess(Row{}, true));
    OsVersionRecord record;
    ASSERT_TRUE(qvx::platform::queryOsVersion(record));
    EXPECT_EQ(qvx::platform::OS_PLATFORM_OTHER, record.platform);
    EXPECT_EQ("Linux", record.systemName);
    EXPECT_EQ(record.release.substr(0, record.release.find('.')), std::to_string(record.major));
}

// In this process, not a child: keep it last, since the answer it leaves is kept.
TEST(OSVersionUtilTest, TwoFirstCallersAgree)
{
    g_row = Row{true, 2, 5, 1};
    const auto previous = qvx::platform::setOsVersionSource([](OsVersionRecord& r) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return rowSource(r);
    });
    V::OSVersion a = V::windows95, b = V::windows95;
    std::thread first([&] { a = V::getOperatingSystemVersion(); });
    std::thread second([&] { b = V::getOperatingSystemVersion(); });
    first.join();
    second.join();
    qvx::platform::setOsVersionSource(previous);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(V::isWindowsXP() || g_queries.load() == 0);  // 0: another test of this process asked first
    EXPECT_LE(g_queries.load(), 2);
}
