// The process-table facility on real processes: names, paths and command lines
// as the library reads them, command-line splitting, and the kill by handle.
#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <thread>

#include "ProcessCopies.h"

using namespace qvx::platform;
using qvxtest::ProcessCopies;
using Words = std::vector<std::string>;

namespace {

bool findEntry(long id, ProcessEntry& entry, unsigned fields = AllProcessFields)
{
    std::vector<ProcessEntry> all;
    snapshotProcesses(all, fields);
    const auto it = std::find_if(all.begin(), all.end(), [&](const ProcessEntry& e) { return e.id == id; });
    return it != all.end() && (entry = *it, true);
}

}  // namespace

TEST(CommandLineTest, SplitsTheWayTheOriginalPlatformDoesAndJoinsBack)
{
    const struct { const char* line; Words words; } cases[] = {
        {"\"c:\\my dir\\app.exe\" -x 1", {"c:\\my dir\\app.exe", "-x", "1"}},
        {"  app\t a\"b c\"d  ", {"app", "ab cd"}},
        {"\"c:\\dir\\\" x", {"c:\\dir\\", "x"}},  // the first word keeps its backslashes
        {"a \\\"q\\\" \"\" c\\\\d \\\\\"e f\"", {"a", "\"q\"", "", "c\\\\d", "\\e f"}},
        {"a \"x\"\"y\" \"unclosed end", {"a", "x\"y", "unclosed end"}},
        {"", {}},
        {" \t ", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.words, splitCommandLine(c.line)) << c.line;

    const Words vectors[] = {{"\\my dir\\app", "-x", "", "a b", "q\"x", "tail\\", "sp \\", "\\\\\"", "\\\\"},
                             {"plain"}, {""}};
    for (const Words& v : vectors)
        EXPECT_EQ(v, splitCommandLine(joinCommandLine(v))) << joinCommandLine(v);
    EXPECT_EQ("\"\\my dir\\app\" -x \"\" \"a b\" \"q\\\"x\" tail\\", joinCommandLine({"\\my dir\\app", "-x", "", "a b", "q\"x", "tail\\"}));
}

TEST(ProcessTableTest, ReadsFullNamePathAndCommandLineOfRealProcesses)
{
    ProcessCopies copies;
    const std::string program = copies.copy("a b/averyveryverylongprogramname");
    const std::string path = ProcessCopies::libraryForm(program);
    const std::string line = "\"" + path + "\" -x 1 \"\" \"q\\\"x\"";
    const long id = copies.start(path, line);
    ASSERT_GT(id, 0);

    ProcessEntry e;
    ASSERT_TRUE(findEntry(id, e));
    EXPECT_EQ("averyveryverylongprogramname", e.name);
    EXPECT_TRUE(e.hasPath && e.hasCommandLine);
    EXPECT_EQ(path, e.path);
    EXPECT_EQ(line, e.commandLine);
    EXPECT_NE(0u, e.startTime);

    ProcessEntry bare;
    ASSERT_TRUE(findEntry(id, bare, ProcessNamesAndPaths));
    EXPECT_EQ(e.name, bare.name);
    EXPECT_FALSE(bare.hasCommandLine);
    EXPECT_EQ(0u, bare.startTime);

    // A program whose file was removed keeps its path, without the host's mark.
    const std::string gone = copies.copy("gone");
    const long goneId = copies.start(ProcessCopies::libraryForm(gone), "gone -v");
    ASSERT_GT(goneId, 0);
    std::remove(gone.c_str());
    ASSERT_TRUE(findEntry(goneId, e));
    EXPECT_EQ(ProcessCopies::libraryForm(gone), e.path);
    EXPECT_EQ("gone", e.name);

    // Kernel threads have no executable and no command line, only a name.
    ASSERT_TRUE(findEntry(2, e));
    EXPECT_FALSE(e.hasPath || e.hasCommandLine);
    EXPECT_EQ("kthreadd", e.name);
}

TEST(ProcessTableTest, ProcessWhoseExecutableCannotBeReadIsNamedFromItsCommandLine)
{
    ProcessCopies copies;
    const long id = copies.startCopy("averyveryverylongprogramname", "-x");
    const long renamed = copies.start(ProcessCopies::libraryForm(copies.copy("worker")), "\"worker: busy /x\" -v");
    ASSERT_TRUE(id > 0 && renamed > 0);
    ProcessEntry e, r;
    bool found = false, foundRenamed = false;
    // Only this thread looks as an unprivileged user: a root process's
    // executable is then out of reach, its command line is not.
    std::thread([&] {
        if (::syscall(SYS_setresuid, -1, 65534, -1) != 0)
            return;
        found = findEntry(id, e);
        foundRenamed = findEntry(renamed, r);
        ::syscall(SYS_setresuid, -1, 0, -1);
    }).join();
    ASSERT_TRUE(found && foundRenamed);
    EXPECT_TRUE(!e.hasPath && e.hasCommandLine);
    EXPECT_EQ("averyveryverylongprogramname", e.name);
    EXPECT_EQ("worker", r.name);  // not "x" from a first word the process chose
}

TEST(ProcessTableTest, KillHitsOnlyTheProcessOfTheSnapshot)
{
    ProcessCopies copies;
    const std::string program = ProcessCopies::libraryForm(copies.copy("victim"));
    const long id = copies.start(program, "victim");
    ASSERT_GT(id, 0);
    ProcessEntry victim;
    ASSERT_TRUE(findEntry(id, victim));
    EXPECT_TRUE(terminateProcess(victim, 2000));
    ASSERT_TRUE(qvxtest::eventually([&] { return !findEntry(id, victim); }));
    EXPECT_FALSE(terminateProcess(victim, 2000));  // gone: nothing to accept
    EXPECT_FALSE(terminateProcess(id, 2000));
    EXPECT_FALSE(terminateProcess(0, 0));

    // The id comes back for another process of the same program, a little
    // later: the old entry must not reach it. The next id is chosen through the
    // kernel's last-id setting (root).
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    long other = -1;
    for (int attempt = 0; attempt < 50 && other != id; ++attempt)
    {
        if (other > 0)
        {
            ::kill(static_cast<pid_t>(other), SIGKILL);
            int code;
            waitForProcess(other, code);
        }
        std::ofstream("/proc/sys/kernel/ns_last_pid") << id - 1 << std::flush;
        const int rc = startProcess(program, {"victim"}, "", ProcessCollection::Caller, &other);
        ASSERT_EQ(0, rc);
    }
    ASSERT_EQ(id, other) << "could not get the id back (needs root)";
    EXPECT_FALSE(terminateProcess(victim, 100));
    int code = 0;
    EXPECT_EQ(0, ::waitpid(static_cast<pid_t>(other), nullptr, WNOHANG));  // still running
    EXPECT_TRUE(terminateProcess(other, 2000));
    ASSERT_TRUE(waitForProcess(other, code));
    EXPECT_EQ(128 + SIGKILL, code);
}

TEST(ProcessTableTest, AnEndedChildWaitingToBeCollectedIsNotRunningButAcceptsTheKill)
{
    long id = -1;
    ASSERT_EQ(0, startProcess(QVX_SLEEPER, {"zombie"}, "", ProcessCollection::Caller, &id));
    ::kill(static_cast<pid_t>(id), SIGKILL);
    siginfo_t ended;  // waits for the end, leaving the child uncollected
    ASSERT_EQ(0, ::waitid(P_PID, static_cast<id_t>(id), &ended, WEXITED | WNOWAIT));
    ProcessEntry e;
    EXPECT_FALSE(findEntry(id, e));
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(terminateProcess(id, 2000));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1500));
    int code = 0;
    EXPECT_TRUE(waitForProcess(id, code));
}

TEST(ProcessTableTest, StartReportsWhyAProgramCannotRun)
{
    ProcessCopies copies;
    const std::string dir = ProcessCopies::libraryForm(copies.dir());
    qvxtest::TempDir::write(copies.dir() + "/text", "not a program\n", 0644);
    EXPECT_EQ(ENOENT, startProgram(dir + "\\missing.exe", "missing.exe", "", nullptr));
    EXPECT_EQ(EACCES, startProgram(dir + "\\text", "text", "", nullptr));
    EXPECT_EQ(ENOENT, startProgram(QVX_SLEEPER, "x", dir + "\\no such dir", nullptr));

    // A relative program is taken from the caller's directory, not the new one's;
    // "name.exe" starts the host file "name"; an empty command line runs the program
    // under its own path.
    copies.copy("bin/tool");
    const std::string cwd = std::filesystem::current_path();
    ASSERT_EQ(0, ::chdir(copies.dir().c_str()));
    long id = -1;
    const int rc = startProgram("bin/tool.exe", "", "bin", &id);
    ASSERT_EQ(0, ::chdir(cwd.c_str()));
    ASSERT_EQ(0, rc);
    copies.adopt(id);
    ProcessEntry e;
    ASSERT_TRUE(findEntry(id, e));
    EXPECT_EQ(dir + "\\bin\\tool", e.path);
    EXPECT_EQ(e.path, e.commandLine);
    EXPECT_EQ(copies.dir() + "/bin", std::filesystem::read_symlink("/proc/" + std::to_string(id) + "/cwd").string());
}
