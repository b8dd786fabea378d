#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "FileSystem.h"
#include "HostPath.h"
#include "Process.h"
#include "TempDir.h"

using namespace qvx::platform;
using qvxtest::ScopedEnv;
using qvxtest::TempDir;

TEST(HostPathTest, TranslatesBothWaysAndDropsTrailingDotsOfTheLastComponent)
{
    const struct
    {
        const char* library;
        const char* host;
    } cases[] = {
        {"/opt/qvx\\config\\hardware.config", "/opt/qvx/config/hardware.config"},
        {"\\\\x.xx\\bin", "//x.xx/bin"},
        {"notepad.exe.", "notepad.exe"},
        {"dir.d\\name..", "dir.d/name"},
        {"a.\\b", "a./b"},  // only the last component loses its dots
        {".", "."},
        {"..", ".."},
        {"a\\..", "a/.."},
        {"\\", "/"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.host, toHostPath(c.library)) << c.library;
    EXPECT_EQ("\\tmp\\a b\\c.txt", fromHostPath("/tmp/a b/c.txt"));
}

TEST(HostPathTest, ExecutableRulesSearchPathAndTempNames)
{
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
        {"*.txt", "a.TXT", true},   {"*.TXT", "a.txt", true},  {"*.txt", "a.txt.bak", false},
        {"*", ".", true},           {"*", "..", true},         {"*.*", "README", true},
        {"*.*", "..", true},        {"a?c", "abc", true},      {"a?c", "ac", false},
        {"a*b*c", "aXbYbZc", true}, {"a*b*c", "aXbYb", false}, {"log.*", "log", true},
        {"log.*", "logx", false},   {"", "a", false},          {"*a", "bbb", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.match, matchesWildcard(c.pattern, c.name)) << c.pattern << " vs " << c.name;
}

TEST(FileSystemTest, FindFilesListsEveryKindOfEntryWithDotEntries)
{
    TempDir dir;
    TempDir::write(dir / "a.txt", "");
    TempDir::write(dir / "B.Txt", "");
    TempDir::write(dir / "c.log", "");
    ::mkdir((dir / "sub.txt").c_str(), 0755);
    std::vector<std::string> txt = findFiles(dir.path() + "\\*.txt");
    std::sort(txt.begin(), txt.end());
    EXPECT_EQ((std::vector<std::string>{"B.Txt", "a.txt", "sub.txt"}), txt);
    std::vector<std::string> all = findFiles(dir.path() + "/*");
    std::sort(all.begin(), all.end());
    EXPECT_EQ((std::vector<std::string>{".", "..", "B.Txt", "a.txt", "c.log", "sub.txt"}), all);
    EXPECT_TRUE(findFiles(dir.path() + "\\*.none").empty());
    EXPECT_TRUE(findFiles(dir.path() + "\\missing\\*").empty());
    EXPECT_TRUE(findFiles(dir.path() + "\\").empty());
}

TEST(FileSystemTest, ReadabilityCopyAndDelete)
{
    TempDir dir;
    const std::string a = dir / "a.txt", b = dir / "b.txt";
    TempDir::write(a, "new");
    TempDir::write(b, "old and longer");
    EXPECT_TRUE(canOpenForReading(a));
    EXPECT_TRUE(canOpenForReading(dir.path() + "\\a.txt."));
    EXPECT_FALSE(canOpenForReading(dir.path()));  // a directory is not a file
    EXPECT_FALSE(canOpenForReading(dir / "none"));
    EXPECT_FALSE(canOpenForReading(""));

    EXPECT_TRUE(copyFile(dir.path() + "\\a.txt", b));
    EXPECT_EQ("new", TempDir::read(b));
    EXPECT_FALSE(copyFile(a, a));  // never truncates the source
    EXPECT_EQ("new", TempDir::read(a));
    EXPECT_FALSE(copyFile(dir / "none", b));
    EXPECT_FALSE(copyFile(dir.path(), b));
    EXPECT_FALSE(copyFile(a, dir.path()));
    EXPECT_FALSE(copyFile(a, dir / "no/such/dir"));

    EXPECT_FALSE(deleteFile(dir.path()));
    EXPECT_FALSE(deleteFile(dir / "none"));
    EXPECT_TRUE(deleteFile(a));
    EXPECT_FALSE(TempDir::exists(a));
}

TEST(FileSystemTest, EnteringADirectoryLeavesTheWorkingDirectory)
{
    TempDir dir;
    TempDir::write(dir / "f", "");
    std::string before, after;
    ASSERT_TRUE(getWorkingDirectory(4096, before));
    EXPECT_TRUE(canEnterDirectory(dir.path()));
    EXPECT_FALSE(canEnterDirectory(dir / "f"));
    EXPECT_FALSE(canEnterDirectory(dir / "none"));
    ASSERT_TRUE(getWorkingDirectory(4096, after));
    EXPECT_EQ(before, after);
    EXPECT_EQ(std::string::npos, before.find('/'));  // library form
    EXPECT_FALSE(getWorkingDirectory(before.size(), after));  // no room for the terminator
    EXPECT_TRUE(getWorkingDirectory(before.size() + 1, after));
}

TEST(ProcessTest, StartsWithExactArgumentsInTheWorkingDirectory)
{
    TempDir dir;
    ::mkdir((dir / "bin").c_str(), 0755);
    TempDir::script(dir / "bin/rec",
                    "pwd > \"$OUT\"\nfor a in \"$0\" \"$@\"; do printf '[%s]\\n' \"$a\" >> \"$OUT\"; done\nexit 3\n");
    ScopedEnv out("OUT", dir / "out");
    ScopedEnv path("PATH", "/nonexistent;" + dir.path() + "\\bin:/usr/bin:/bin");
    EXPECT_EQ(dir / "bin/rec", findExecutable("rec.exe"));
    EXPECT_EQ(dir / "bin/rec", findExecutable("rec"));
    EXPECT_EQ("", findExecutable("none"));
    long pid = 0;
    ASSERT_EQ(0, startProcess("rec.exe.", {"rec.exe.", "a b", "c\\d", ""}, dir.path() + "\\bin",
                              ProcessCollection::Caller, &pid));
    int code = -1;
    ASSERT_TRUE(waitForProcess(pid, code));
    EXPECT_EQ(3, code);
    // argument 0 is what the caller gave; a script sees its own path as $0
    EXPECT_EQ(dir / "bin" + "\n[" + dir / "bin/rec" + "]\n[a b]\n[c\\d]\n[]\n", TempDir::read(dir / "out"));

    // argument 0 reaches a program unchanged
    ASSERT_EQ(0, startProcess("cp", {"zero.exe", "/proc/self/cmdline", dir / "cmdline"}, "",
                              ProcessCollection::Caller, &pid));
    ASSERT_TRUE(waitForProcess(pid, code));
    const std::string cmdline = std::string("zero.exe\0/proc/self/cmdline\0", 28) + dir / "cmdline" + '\0';
    EXPECT_EQ(cmdline, TempDir::read(dir / "cmdline"));
}

TEST(ProcessTest, FailuresAreReportedBeforeStartReturns)
{
    TempDir dir;
    TempDir::write(dir / "noexec", "not a program\n");
    ::chmod((dir / "noexec").c_str(), 0755);
    TempDir::script(dir / "ok", "exit 0\n");
    EXPECT_EQ(ENOENT, startProcess(dir / "none", {"none"}, "", ProcessCollection::Caller, nullptr));
    EXPECT_EQ(ENOEXEC, startProcess(dir / "noexec", {"noexec"}, "", ProcessCollection::Caller, nullptr));
    EXPECT_EQ(ENOENT, startProcess(dir / "ok", {"ok"}, dir / "missing", ProcessCollection::Caller, nullptr));
    EXPECT_EQ(0, startProcess(dir / "ok", {"ok"}, "", ProcessCollection::Library, nullptr));
}
