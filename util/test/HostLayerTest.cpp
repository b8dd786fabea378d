#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>

#include "FileSystem.h"
#include "HostPath.h"
#include "Process.h"
#include "TempDir.h"

using namespace qvx::platform;
using qvxtest::ScopedEnv;
using qvxtest::TempDir;

TEST(HostPathTest, TranslationExecutableNamesSearchPathAndTempNames)
{
    const char* cases[][2] = {
        {"/opt/qvx\\config\\hardware.config", "/opt/qvx/config/hardware.config"},
        {"\\\\x.xx\\bin", "//x.xx/bin"}, {"notepad.exe.", "notepad.exe"}, {"d.d\\name..", "d.d/name"},
        {"a.\\b", "a./b"}, {".", "."}, {"a\\..", "a/.."}, {"\\", "/"}, {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c[1], toHostPath(c[0])) << c[0];
    EXPECT_EQ("\\tmp\\a b\\c.txt", fromHostPath("/tmp/a b/c.txt"));
    EXPECT_EQ((std::vector<std::string>{"/b/rec.EXE", "/b/rec"}), executableCandidates("/b/rec.EXE"));
    EXPECT_EQ((std::vector<std::string>{"/b/rec"}), executableCandidates("/b/rec"));
    EXPECT_EQ((std::vector<std::string>{"/b/.exe"}), executableCandidates("/b/.exe"));
    EXPECT_EQ(std::string(";:"), searchPathDelimiters());
    EXPECT_EQ((std::vector<std::string>{"temp", "TEMP", "TMPDIR"}), tempDirectoryVariables());
}

TEST(FileSystemTest, WildcardMatchesWithoutRegardToCase)
{
    const struct
    {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*.txt", "a.TXT", true}, {"*.TXT", "a.txt", true},   {"*.txt", "a.txt.bak", false}, {"*", ".", true},
        {"*", "..", true},        {"*.*", "README", true},    {"*.*", "..", true},           {"a?c", "abc", true},
        {"a?c", "ac", false},     {"a*b*c", "aXbYbZc", true}, {"a*b*c", "aXbYb", false},     {"log.*", "log", true},
        {"log.*", "logx", false}, {"", "a", false},           {"*a", "bbb", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.match, matchesWildcard(c.pattern, c.name)) << c.pattern << " vs " << c.name;
}

TEST(ProcessTest, StartsWithExactArgumentsOrReportsWhyNot)
{
    TempDir dir;
    ::mkdir((dir / "bin").c_str(), 0755);
    TempDir::write(dir / "bin/rec", "#!/bin/sh\npwd > \"$OUT\"; for a in \"$@\"; do echo \"[$a]\" >> \"$OUT\"; done; exit 3\n", 0755);
    TempDir::write(dir / "noexec", "not a program\n", 0755);
    ScopedEnv out("OUT", dir / "out");
    ScopedEnv path("PATH", "/nonexistent;" + dir.path() + "\\bin:/usr/bin:/bin");
    EXPECT_EQ(dir / "bin/rec", findExecutable("rec.exe"));
    EXPECT_EQ("", findExecutable("none"));
    long pid = 0;
    int code = -1;
    ASSERT_EQ(0, startProcess("rec.exe.", {"rec", "a b", "c\\d", ""}, dir.path() + "\\bin", ProcessCollection::Caller, &pid));
    ASSERT_TRUE(waitForProcess(pid, code));
    EXPECT_EQ(3, code);
    EXPECT_EQ(dir / "bin" + "\n[a b]\n[c\\d]\n[]\n", TempDir::read(dir / "out"));
    // argument 0 reaches the program unchanged
    ASSERT_EQ(0, startProcess("cp", {"zero.exe", "/proc/self/cmdline", dir / "cmd"}, "", ProcessCollection::Caller, &pid));
    ASSERT_TRUE(waitForProcess(pid, code));
    EXPECT_EQ(std::string("zero.exe\0/proc/self/cmdline\0", 28) + dir / "cmd" + '\0', TempDir::read(dir / "cmd"));

    EXPECT_EQ(ENOENT, startProcess(dir / "none", {"none"}, "", ProcessCollection::Caller, nullptr));
    EXPECT_EQ(ENOEXEC, startProcess(dir / "noexec", {"noexec"}, "", ProcessCollection::Caller, nullptr));
    EXPECT_EQ(ENOENT, startProcess("rec", {"rec"}, dir / "missing", ProcessCollection::Caller, nullptr));
}
