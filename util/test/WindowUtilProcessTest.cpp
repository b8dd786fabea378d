// WindowUtil's process operations on real processes: copies of a sleeper under
// names and directories of their own, started, found, counted and killed.
#include <gtest/gtest.h>

#include <pwd.h>
#include <security/pam_appl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

#include "ProcessCopies.h"
#include "WindowUtil.h"

using qvx::platform::ProcessEntry;
using qvxtest::eventually;
using qvxtest::ProcessCopies;
using Ids = std::list<int>;

namespace {

// Each test's program names are its own, so that tests running beside it in
// parallel (each in a process of its own) never count or kill its processes.
const std::string kApp = "wuapp";
const std::string kLong = "wutilverylongprogramname";

bool entryOf(long id, ProcessEntry& entry)
{
    std::vector<ProcessEntry> all;
    qvx::platform::snapshotProcesses(all);
    const auto it = std::find_if(all.begin(), all.end(), [&](const ProcessEntry& e) { return e.id == id; });
    return it != all.end() && (entry = *it, true);
}

std::string forwardSlashes(std::string s)
{
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

// Runs a call on a thread whose effective user is "nobody" for its duration.
template <class Call>
void asUnprivilegedThread(Call call)
{
    std::thread([&] {
        ASSERT_EQ(0, ::syscall(SYS_setresuid, -1, 65534, -1));
        call();
        ::syscall(SYS_setresuid, -1, 0, -1);
    }).join();
}

}  // namespace

TEST(WindowUtilProcessTest, SnapshotRuleMatchesNamesAnyCaseAndFullPathsExactly)
{
    ProcessCopies copies;
    ASSERT_TRUE(copies.startCopy("one/WuApp") > 0 && copies.startCopy("two dirs/wuapp", "-v") > 0 &&
                copies.startCopy("one/" + kLong) > 0);
    copies.copy("three/wuapp");  // never started
    const std::string dir = ProcessCopies::libraryForm(copies.dir());

    EXPECT_EQ(2, WindowUtil::getNumberOfProcessRunning(kApp));
    EXPECT_EQ(2, WindowUtil::getNumberOfProcessRunning("WUAPP.Exe"));
    EXPECT_TRUE(WindowUtil::isProcessRunning(kLong));
    EXPECT_FALSE(WindowUtil::isProcessRunning(kLong.substr(0, 15)));  // the host's short name is no name

    EXPECT_EQ(1, WindowUtil::getNumberOfProcessRunning(dir + "\\one\\wuapp"));
    EXPECT_EQ(1, WindowUtil::getNumberOfProcessRunning(forwardSlashes(dir) + "/TWO DIRS/WUAPP.EXE"));
    EXPECT_FALSE(WindowUtil::isProcessRunning(dir + "\\three\\wuapp"));
    EXPECT_FALSE(WindowUtil::isProcessRunning(dir + "\\wuapp"));

    // A process whose executable this thread may not read still has its name,
    // but not its path.
    bool byName = false, byPath = true;
    asUnprivilegedThread([&] {
        byName = WindowUtil::isProcessRunning(kApp);
        byPath = WindowUtil::isProcessRunning(dir + "\\one\\wuapp");
    });
    EXPECT_TRUE(byName);
    EXPECT_FALSE(byPath);

    EXPECT_FALSE(WindowUtil::killProcesses("wuapp-none"));
    EXPECT_TRUE(WindowUtil::killProcesses(dir + "/one/WUAPP.exe"));
    EXPECT_EQ(1, WindowUtil::getNumberOfProcessRunning(kApp));  // gone at once, not left as ended
    EXPECT_TRUE(WindowUtil::killProcesses(kApp));
    EXPECT_EQ(0, WindowUtil::getNumberOfProcessRunning(kApp));
    EXPECT_TRUE(WindowUtil::isProcessRunning(kLong));
}

TEST(WindowUtilProcessTest, FindsByDirectoryNameAndArgumentsAsStartedFromACommandLine)
{
    ProcessCopies copies;
    copies.copy("My Dir/wufind");
    const std::string dir = ProcessCopies::libraryForm(copies.dir()) + "\\My Dir";
    // Started the original platform's way, the name with ".exe": the host file
    // "wufind" stands for it.
    ASSERT_EQ(1, WindowUtil::createProcess(dir, "wufind.exe", "-x 1", "ignored", "ignored too"));
    Ids ids = WindowUtil::findProcess(forwardSlashes(dir), "WUFIND.EXE", "-X 1");
    ASSERT_EQ(1u, ids.size());
    const int id = ids.front();
    copies.adopt(id);
    ProcessEntry e;
    ASSERT_TRUE(entryOf(id, e));
    EXPECT_EQ("\"" + dir + "\\wufind.exe\" -x 1", e.commandLine);
    EXPECT_EQ(copies.dir() + "/My Dir", std::filesystem::read_symlink("/proc/" + std::to_string(id) + "/cwd").string());

    EXPECT_EQ(ids, WindowUtil::findProcess(dir + "\\", "wufind.exe"));
    EXPECT_EQ(ids, WindowUtil::findProcess("", "wufind", "-x 1"));
    EXPECT_TRUE(WindowUtil::findProcess(dir, "wufind.exe", "-x").empty());
    EXPECT_TRUE(WindowUtil::findProcess(dir, "wufind.exe", "").empty());
    EXPECT_TRUE(WindowUtil::findProcess(ProcessCopies::libraryForm(copies.dir()), "wufind.exe").empty());
    EXPECT_TRUE(WindowUtil::isProcessRunning(dir, "wufind.exe"));

    // Named without ".exe" in its command line; a name missing from the command
    // line gives no arguments to compare; a process that cannot be read is not found.
    const std::string program = dir + "\\wufind";
    const long bare = copies.start(program, "wufind -y");
    ASSERT_TRUE(bare > 0 && copies.start(program, "other -y") > 0);
    EXPECT_EQ(Ids{static_cast<int>(bare)}, WindowUtil::findProcess(dir, "wufind.exe", "-Y"));
    EXPECT_EQ(3u, WindowUtil::findProcess(dir, "wufind.exe", WindowUtil::MatchAnyArgs).size());
    Ids unreadable{-1};
    asUnprivilegedThread([&] { unreadable = WindowUtil::findProcess(dir, "wufind.exe"); });
    EXPECT_TRUE(unreadable.empty());

    EXPECT_FALSE(WindowUtil::killProcesses(dir, "wufind.exe", "-x 2"));
    EXPECT_TRUE(WindowUtil::killProcesses(dir, "wufind.exe", "-x 1"));
    EXPECT_FALSE(WindowUtil::isProcessRunning(dir, "wufind.exe", "-x 1"));
    EXPECT_TRUE(WindowUtil::killProcesses(dir, "wufind.exe"));
    EXPECT_FALSE(WindowUtil::isProcessRunning(dir, "wufind.exe"));
}

TEST(WindowUtilProcessTest, CreateProcessNormalisesThePathAndReportsHostErrors)
{
    const std::string created = "wucreatedwithalongname";
    ProcessCopies copies;
    copies.copy("sub dir/" + created);
    qvxtest::ScopedEnv root("QVX_PROC_TEST_ROOT", copies.dir());
    ASSERT_EQ(1, WindowUtil::createProcess("%QVX_PROC_TEST_ROOT%/sub dir/" + created + ".exe"));
    const std::string path = ProcessCopies::libraryForm(copies.dir()) + "\\sub dir\\" + created;
    const Ids ids = WindowUtil::findProcess("", created);
    ASSERT_EQ(1u, ids.size());
    copies.adopt(ids.front());
    ProcessEntry e;
    ASSERT_TRUE(entryOf(ids.front(), e));
    EXPECT_EQ("\"" + path + ".exe\"", e.commandLine);  // one word, no arguments
    EXPECT_EQ(path, e.path);

    // The host's own code, not 1 (ProcessTableTest covers the codes themselves).
    EXPECT_EQ(ENOENT, WindowUtil::createProcess(copies.dir() + "/none.exe"));
}

TEST(WindowUtilProcessTest, CreateProcessAsUserRunsTheProgramAsThatUserAndLeavesTheThreadActingAsIt)
{
    ASSERT_EQ(0u, ::geteuid()) << "makes a user account: needs root";
    struct Account  // removed at the end, made or not
    {
        const std::string name;
        ~Account() { std::system(("userdel " + name + " 2>/dev/null").c_str()); }
    } account{"qvxproc" + std::to_string(::getpid() % 100000)};
    const std::string& user = account.name;
    ASSERT_EQ(0, std::system(("useradd -M -s /bin/sh " + user + " && echo '" + user + ":Pw d9!x' | chpasswd").c_str()));
    const passwd* pw = ::getpwnam(user.c_str());
    ASSERT_NE(nullptr, pw);
    const uid_t uid = pw->pw_uid;
    const gid_t gid = pw->pw_gid;

    ProcessCopies copies;
    ::chmod(copies.dir().c_str(), 0777);
    // A script that reports who runs it.
    const std::string out = copies.dir() + "/out", script = copies.dir() + "/report out";
    qvxtest::TempDir::write(script,
                            "#!/bin/sh\n(id -u; id -g; echo \"$USER $LOGNAME\") > '" + out + ".tmp'; mv '" + out +
                                ".tmp' '" + out + "'\n",
                            0755);

    int wrong = 0, right = 0;
    uid_t euidAfterWrong = 1, euidAfterRight = 0;
    gid_t egidAfterRight = 0;
    std::thread([&] {
        wrong = WindowUtil::createProcessAsUser(user, "ANYDOMAIN", "wrong", script);
        euidAfterWrong = ::geteuid();
        right = WindowUtil::createProcessAsUser(user, "", "Pw d9!x", script);
        euidAfterRight = ::geteuid();
        egidAfterRight = ::getegid();
    }).join();
    EXPECT_EQ(PAM_AUTH_ERR, wrong);
    EXPECT_EQ(0u, euidAfterWrong);
    ASSERT_EQ(1, right);
    EXPECT_EQ(uid, euidAfterRight);
    EXPECT_EQ(gid, egidAfterRight);
    EXPECT_EQ(0u, ::geteuid());  // only that thread acted as the user

    ASSERT_TRUE(eventually([&] { return qvxtest::TempDir::exists(out); }));
    EXPECT_EQ(std::to_string(uid) + "\n" + std::to_string(gid) + "\n" + user + " " + user + "\n",
              qvxtest::TempDir::read(out));
}
