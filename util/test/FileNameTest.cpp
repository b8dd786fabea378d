#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CannotCopyFileDatastoreException.h"
#include "CannotCreateFileDatastoreException.h"
#include "CannotDeleteFileDatastoreException.h"
#include "FailedCheck.h"
#include "FileName.h"
#include "TempDir.h"
#include "UnitTestingSwitch.h"

using qvxtest::failedCheck;
using qvxtest::ScopedEnv;
using qvxtest::TempDir;
using qvxtest::UnitTestingSwitch;

TEST(FileNameTest, LayoutFromTheEnvironment)
{
    UnitTestingSwitch off(nullptr);
    const struct
    {
        const char* home;
        const char* dwl;
        const char* root;
    } cases[] = {
        {"D:\\qvx", "E:\\dwl", "D:\\qvx"},
        {nullptr, "E:\\dwl", "E:\\dwl\\x.xx"},
        {nullptr, nullptr, "\\\\x.xx"},
        {"C:\\r\\", nullptr, "C:\\r\\"},  // never normalised
    };
    for (const auto& c : cases)
    {
        ScopedEnv home("TORVANE_XRAY_HOME", c.home);
        ScopedEnv dwl("DWLROOT", c.dwl);
        const FileName f;
        const std::string r = c.root;
        EXPECT_EQ(r, f.getRelRootDir());
        EXPECT_EQ(r + "\\bin", f.getBinDir());
        EXPECT_EQ(r + "\\log", f.getLogDir());
        EXPECT_EQ(r + "\\calib", f.getCalibDir());
        EXPECT_EQ(r + "\\config", f.getConfigDir());
        EXPECT_EQ(r + "\\drivers", f.getDriversDir());
        EXPECT_EQ(r + "\\config\\hardware.config", f.getHardwareConfigFullPath());
    }
    // read once, by the constructor
    ScopedEnv home("TORVANE_XRAY_HOME", "/a");
    const FileName f;
    ScopedEnv later("TORVANE_XRAY_HOME", "/b");
    EXPECT_EQ("/a", f.getRelRootDir());
    EXPECT_EQ("a.txt.backup", f.getBackupFileName("a.txt"));
}

TEST(FileNameTest, TempDirectoryVariablesInOrder)
{
    const struct
    {
        const char* temp;
        const char* TEMP;
        const char* tmpdir;
        const char* expected;
    } cases[] = {
        {"/t1", "/t2", "/t3", "/t1"}, {nullptr, "/t2", "/t3", "/t2"}, {nullptr, nullptr, "/t3", "/t3"},
        {"", nullptr, "/t3", "/t3"},  {nullptr, nullptr, nullptr, "\\"},
    };
    for (const auto& c : cases)
    {
        ScopedEnv a("temp", c.temp), b("TEMP", c.TEMP), t("TMPDIR", c.tmpdir);
        EXPECT_EQ(c.expected, FileName().getTempDir());
    }
    ScopedEnv path("PATH", "x;y:z");
    EXPECT_EQ("x;y:z", FileName().getPath());
}

TEST(FileNameTest, UnitTestReleaseTreeFromTheWorkingDirectory)
{
    TempDir dir;
    const std::string deep = dir / "Dev/K7300_main/util/test";
    ASSERT_EQ(0, ::system(("mkdir -p '" + deep + "' '" + dir.path() + "/k7300x'").c_str()));
    char saved[4096];
    ASSERT_NE(nullptr, ::getcwd(saved, sizeof saved));
    UnitTestingSwitch on("TRUE");
    ScopedEnv home("TORVANE_XRAY_HOME", "/ignored");
    std::string hostDir = dir.path();
    std::replace(hostDir.begin(), hostDir.end(), '/', '\\');

    ASSERT_EQ(0, ::chdir(deep.c_str()));
    EXPECT_EQ(hostDir + "\\Dev\\K7300_main\\testRel\\unitTest\\x.xx", FileName().getRelRootDir());
    ASSERT_EQ(0, ::chdir((dir / "k7300x").c_str()));  // the model name's directory itself
    EXPECT_EQ(hostDir + "\\k7300x\\testRel\\unitTest\\x.xx", FileName().getRelRootDir());
    ASSERT_EQ(0, ::chdir(dir.path().c_str()));
    EXPECT_EQ("testRel\\unitTest\\x.xx", FileName().getRelRootDir());
    ASSERT_EQ(0, ::chdir(saved));
}

TEST(FileNameTest, PathStrings)
{
    FileName f;
    const struct
    {
        const char* in;
        const char* up;
    } up[] = {
        {"c:\\a\\b", "c:\\a"}, {"c:\\a\\b\\", "c:\\a"}, {"c:", "c:"},  {"\\a", "\\a"},
        {"c:\\", "c:\\"},      {"\\", "\\"},            {"", ""},      {"a\\b\\c", "a\\b"},
    };
    for (const auto& c : up)
        EXPECT_EQ(c.up, f.goUpOneDirectoryLevel(c.in)) << c.in;
    EXPECT_EQ("c:\\data\\", f.getPathFromFileNameFullPath("c:/data/run.log"));
    EXPECT_EQ("run.log", f.getPathFromFileNameFullPath("run.log"));
    EXPECT_EQ("run.log", f.getFileNameFromFullPath("c:\\data/run.log"));
    EXPECT_EQ("data", f.getFileNameFromFullPath("c:\\data\\"));
    EXPECT_EQ("c:\\a\\b.txt", f.formatFileNameFullPath("c:/a/b.txt"));
    EXPECT_EQ(".txt", f.getExtensionFromFileName("report.txt"));
}

TEST(FileNameTest, PathStringChecks)
{
    FileName f;
    EXPECT_EQ("fileNameParts.size() == 2", failedCheck([&] { f.getExtensionFromFileName("archive.tar.gz"); }));
    EXPECT_EQ("fileNameParts.size() == 2", failedCheck([&] { f.getExtensionFromFileName("README"); }));
    EXPECT_EQ("fileNameOnly.empty() == false", failedCheck([&] { f.getExtensionFromFileName(""); }));
    EXPECT_EQ("fileNameFullPath.empty() == false", failedCheck([&] { f.getFileNameFromFullPath(""); }));
    EXPECT_EQ("fileNameFullPath.empty() == false", failedCheck([&] { f.getPathFromFileNameFullPath(""); }));
    EXPECT_EQ("inputString.empty() == false", failedCheck([&] { f.formatFileNameFullPath(""); }));
    qvxtest::NopMode nop;
    EXPECT_EQ("", f.getFileNameFromFullPath("\\/\\"));  // no part to take
    EXPECT_EQ("", f.getExtensionFromFileName("..."));
    EXPECT_EQ(".gz", f.getExtensionFromFileName("archive.tar.gz"));
}

TEST(FileNameTest, ExistenceTests)
{
    TempDir dir;
    TempDir::write(dir / "f.txt", "x");
    EXPECT_TRUE(FileName::fileExists(dir / "f.txt"));
    EXPECT_TRUE(FileName::fileExists(dir.path() + "\\f.txt"));
    EXPECT_FALSE(FileName::fileExists(""));
    EXPECT_FALSE(FileName::fileExists(dir.path()));
    EXPECT_FALSE(FileName::fileExists(dir / "none"));
    EXPECT_TRUE(FileName::directoryExists(dir.path()));
    EXPECT_FALSE(FileName::directoryExists(dir / "f.txt"));
    EXPECT_FALSE(FileName::directoryExists(dir / "none"));

    ::mkdir((dir / "b1").c_str(), 0755);
    ::mkdir((dir / "b2").c_str(), 0755);
    TempDir::write(dir / "b2/tool", "");
    TempDir::write(dir / "b2/real.exe", "");
    ScopedEnv path("PATH", dir / "b1;;" + dir.path() + "\\missing:" + dir.path() + "\\b2;");
    FileName f;
    EXPECT_TRUE(f.doesFileExistOnPath("tool"));
    EXPECT_TRUE(f.doesFileExistOnPath("tool.exe."));  // the host file tool stands for tool.exe
    EXPECT_TRUE(f.doesFileExistOnPath("real.exe"));
    EXPECT_FALSE(f.doesFileExistOnPath("real"));
    EXPECT_FALSE(f.doesFileExistOnPath("none"));
}

TEST(FileNameTest, CreateCopyBackupRestoreDelete)
{
    TempDir dir;
    FileName f;
    const std::string a = dir / "a.txt", b = dir / "b.txt";
    TempDir::write(a, "contents");
    f.createFile(a);
    EXPECT_EQ("", TempDir::read(a));
    f.createFile(dir.path() + "\\new.txt");
    EXPECT_TRUE(TempDir::exists(dir / "new.txt"));

    TempDir::write(a, "one");
    TempDir::write(b, "a longer old text");
    f.copyFile(a, b);
    EXPECT_EQ("one", TempDir::read(b));

    f.backupFile(a);
    EXPECT_EQ("one", TempDir::read(a + ".backup"));
    TempDir::write(a, "changed");
    f.restoreFile(a);
    EXPECT_EQ("one", TempDir::read(a));
    EXPECT_FALSE(TempDir::exists(a + ".backup"));

    f.deleteFile(b);
    EXPECT_FALSE(TempDir::exists(b));
}

TEST(FileNameTest, FailuresRaiseTheirExceptions)
{
    TempDir dir;
    FileName f;
    const std::string a = dir / "a.txt";
    TempDir::write(a, "x");
    try
    {
        f.createFile(dir / "missing/x.txt");
        FAIL();
    }
    catch (const CannotCreateFileDatastoreException& e)
    {
        EXPECT_EQ("DS_CANNOT_CREATE_FILE_ERROR_KEY", e.getKey());
        EXPECT_EQ(dir / "missing/x.txt", e.getFileNameWithFullPath());
    }
    EXPECT_THROW(f.createFile(dir.path()), CannotCreateFileDatastoreException);
    try
    {
        f.copyFile(a, dir.path());  // a directory where a file is expected
        FAIL();
    }
    catch (const CannotCopyFileDatastoreException& e)
    {
        EXPECT_EQ(a, e.getFromFileNameWithFullPath());
        EXPECT_EQ(dir.path(), e.getToFileNameWithFullPath());
    }
    EXPECT_THROW(f.copyFile(a, dir / "missing/b.txt"), CannotCopyFileDatastoreException);
    EXPECT_THROW(f.copyFile(a, a), CannotCopyFileDatastoreException);
    EXPECT_EQ("x", TempDir::read(a));
    try
    {
        f.deleteFile(dir / "none");
        FAIL();
    }
    catch (const CannotDeleteFileDatastoreException& e)
    {
        EXPECT_EQ("DS_CANNOT_DELETE_FILE_ERROR_KEY", e.getKey());
        EXPECT_EQ((std::list<std::string>{dir / "none"}), e.getParameters());
    }
    EXPECT_THROW(f.deleteFile(dir.path()), CannotDeleteFileDatastoreException);
}

TEST(FileNameTest, CopyAndBackupChecksNameTheirSource)
{
    TempDir dir;
    FileName f;
    const std::string none = dir / "none";
    EXPECT_EQ("(\"Cannot copy the file \" + fromFile, FileName::fileExists(fromFile)) @ util/src/FileName.cpp",
              qvxtest::failedCheckWhere([&] { f.copyFile(none, dir / "b"); }));
    EXPECT_EQ("(\"Cannot backup the file \" + filePath, FileName::fileExists(filePath))",
              failedCheck([&] { f.backupFile(none); }));
    // restore has no check of its own: the copy's check catches a missing backup
    EXPECT_EQ("(\"Cannot copy the file \" + fromFile, FileName::fileExists(fromFile))",
              failedCheck([&] { f.restoreFile(none); }));
    // when the check returns, the copy itself fails
    qvxtest::NopMode nop;
    try
    {
        f.backupFile(none);
        FAIL();
    }
    catch (const CannotCopyFileDatastoreException& e)
    {
        EXPECT_EQ(none + ".backup", e.getToFileNameWithFullPath());
    }
}

// Runs body in a child without root's privileges (as nobody when started as
// root); returns its exit code.
template <class Body>
int runUnprivileged(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(FileNameTest, RestoreReportsABackupThatCannotBeDeleted)
{
    TempDir dir;
    const std::string a = dir / "a.txt";
    TempDir::write(a, "current");
    TempDir::write(a + ".backup", "saved");
    ::chmod(a.c_str(), 0666);
    ::chmod(dir.path().c_str(), 0555);  // entries can be rewritten but not removed
    const int code = runUnprivileged([&] {
        try
        {
            FileName().restoreFile(a);
        }
        catch (const CannotDeleteFileDatastoreException& e)
        {
            return e.getFileNameWithFullPath() == a + ".backup" ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(0, code);
    EXPECT_EQ("saved", TempDir::read(a));
    EXPECT_TRUE(TempDir::exists(a + ".backup"));
}
