#include <gtest/gtest.h>

#include <cerrno>

#include "FileSystem.h"
#include "HostPath.h"
#include "Process.h"
#include "TempDir.h"

using namespace qvx::platform;
using qvxtest::ScopedEnv;
using qvxtest::TempDir;
using Names = std::vector<std::string>;

TEST(HostPathTest, TranslationExecutableNamesAndWildcards)
{
    const char* cases[][2] = {{"/opt/q\\config\\h.config", "/opt/q/config/h.config"}, {"\\\\x.xx\\bin", "//x.xx/bin"},
                              {"notepad.exe.", "notepad.exe"}, {"d.d\\name..", "d.d/name"}, {"a.\\b", "a./b"},
                              {".", "."}, {"a\\..", "a/.."}, {"\\", "/"}, {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(c[1], toHostPath(c[0])) << c[0];
    EXPECT_EQ("\\tmp\\a b\\c.txt", fromHostPath("/tmp/a b/c.txt"));
    EXPECT_EQ((Names{"/b/rec.EXE", "/b/rec"}), executableCandidates("/b/rec.EXE"));
    EXPECT_EQ((Names{"/b/.exe"}), executableCandidates("/b/.exe"));

    // Wildcards match without regard to case; "*" and "." names are left to the FileList test.
    const struct { const char* pattern; const char* name; bool matches; } wildcards[] = {
        {"*.TXT", "a.txt", true},     {"*.*", "README", true},  {"*.*", "..", true},       {"a?c", "abc", true},
        {"a*b*c", "aXbYbZc", true},   {"log.*", "log", true},   {"*.txt", "a.txt.bak", false}, {"a?c", "ac", false},
        {"a*b*c", "aXbYb", false},    {"log.*", "logx", false}, {"", "a", false},          {"*a", "bbb", false}};
    for (const auto& w : wildcards)
        EXPECT_EQ(w.matches, matchesWildcard(w.pattern, w.name)) << w.pattern << " " << w.name;
}

TEST(ProcessTest, StartsWithExactArgumentsOrReportsWhyNot)
{
    TempDir dir;
    dir.mkdir("bin");
    TempDir::write(dir / "bin/rec", "#!/bin/sh\npwd > \"$OUT\"; for a in \"$@\"; do echo \"[$a]\" >> \"$OUT\"; done; exit 3\n", 0755);
    TempDir::write(dir / "noexec", "not a program\n", 0755);
    ScopedEnv out("OUT", dir / "out"), path("PATH", "/nonexistent;" + dir.path() + "\\bin:/usr/bin:/bin");
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
