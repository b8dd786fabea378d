#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>

#include "CannotCopyFileDatastoreException.h"
#include "CannotCreateFileDatastoreException.h"
#include "CannotDeleteFileDatastoreException.h"
#include "FailedCheck.h"
#include "FileName.h"
#include "TempDir.h"

using qvxtest::failedCheck;
using qvxtest::ScopedEnv;
using qvxtest::TempDir;
using qvxtest::thrown;

TEST(FileNameTest, LayoutAndTempFromTheEnvironment)
{
    qvxtest::UnitTestingSwitch off(nullptr);
    const char* cases[][3] = {// TORVANE_XRAY_HOME, DWLROOT, release root (never normalised)
                              {"D:\\qvx", "E:\\dwl", "D:\\qvx"}, {nullptr, "E:\\dwl", "E:\\dwl\\x.xx"},
                              {nullptr, nullptr, "\\\\x.xx"},    {"C:\\r\\", nullptr, "C:\\r\\"}};
    for (const auto& c : cases)
    {
        ScopedEnv home("TORVANE_XRAY_HOME", c[0]), dwl("DWLROOT", c[1]);
        const FileName f;
        const std::string r = c[2];
        EXPECT_EQ(r + "|" + r + "\\bin|" + r + "\\log|" + r + "\\calib|" + r + "\\config|" + r + "\\drivers|" + r +
                      "\\config\\hardware.config",
                  f.getRelRootDir() + "|" + f.getBinDir() + "|" + f.getLogDir() + "|" + f.getCalibDir() + "|" +
                      f.getConfigDir() + "|" + f.getDriversDir() + "|" + f.getHardwareConfigFullPath());
    }
    const char* temps[][4] = {{"/t1", "/t2", "/t3", "/t1"}, {nullptr, "/t2", "/t3", "/t2"},
                              {"", nullptr, "/t3", "/t3"},  {nullptr, nullptr, nullptr, "\\"}};
    for (const auto& t : temps)
    {
        ScopedEnv a("temp", t[0]), b("TEMP", t[1]), c("TMPDIR", t[2]);
        EXPECT_EQ(t[3], FileName().getTempDir());
    }
    ScopedEnv home("TORVANE_XRAY_HOME", "/a"), path("PATH", "x;y:z");
    const FileName f;
    ScopedEnv later("TORVANE_XRAY_HOME", "/b");  // read once, by the constructor
    EXPECT_EQ("/a|x;y:z|a.txt.backup", f.getRelRootDir() + "|" + f.getPath() + "|" + f.getBackupFileName("a.txt"));
}

TEST(FileNameTest, UnitTestReleaseTreeFromTheWorkingDirectory)
{
    TempDir dir;
    ASSERT_EQ(0, ::system(("mkdir -p " + dir / "Dev/K7300_main/util " + dir / "k7300").c_str()));
    char saved[4096];
    ASSERT_NE(nullptr, ::getcwd(saved, sizeof saved));
    qvxtest::UnitTestingSwitch on("TRUE");
    ScopedEnv home("TORVANE_XRAY_HOME", "/ignored");
    std::string d = dir.path();
    std::replace(d.begin(), d.end(), '/', '\\');
    const std::string cases[][2] = {{dir / "Dev/K7300_main/util", d + "\\Dev\\K7300_main\\testRel\\unitTest\\x.xx"},
                                    {dir / "k7300", d + "\\k7300\\testRel\\unitTest\\x.xx"},
                                    {dir.path(), "testRel\\unitTest\\x.xx"}};
    for (const auto& c : cases)
    {
        ASSERT_EQ(0, ::chdir(c[0].c_str()));
        EXPECT_EQ(c[1], FileName().getRelRootDir());
    }
    ASSERT_EQ(0, ::chdir(saved));
}

TEST(FileNameTest, PathStringsAndTheirChecks)
{
    FileName f;
    const char* up[][2] = {{"c:\\a\\b", "c:\\a"}, {"c:\\a\\b\\", "c:\\a"}, {"c:", "c:"}, {"\\a", "\\a"},
                           {"c:\\", "c:\\"},      {"\\", "\\"},            {"", ""},     {"a\\b\\c", "a\\b"}};
    for (const auto& c : up)
        EXPECT_EQ(c[1], f.goUpOneDirectoryLevel(c[0])) << c[0];
    EXPECT_EQ("c:\\data\\|run.log", f.getPathFromFileNameFullPath("c:/data/run.log") + "|" + f.getPathFromFileNameFullPath("run.log"));
    EXPECT_EQ("run.log|data", f.getFileNameFromFullPath("c:\\data/run.log") + "|" + f.getFileNameFromFullPath("c:\\data\\"));
    EXPECT_EQ("c:\\a\\b.txt|.txt", f.formatFileNameFullPath("c:/a/b.txt") + "|" + f.getExtensionFromFileName("report.txt"));

    EXPECT_EQ("fileNameParts.size() == 2", failedCheck([&] { f.getExtensionFromFileName("archive.tar.gz"); }));
    EXPECT_EQ("fileNameOnly.empty() == false", failedCheck([&] { f.getExtensionFromFileName(""); }));
    EXPECT_EQ("fileNameFullPath.empty() == false", failedCheck([&] { f.getFileNameFromFullPath(""); }));
    EXPECT_EQ("fileNameFullPath.empty() == false", failedCheck([&] { f.getPathFromFileNameFullPath(""); }));
    EXPECT_EQ("inputString.empty() == false", failedCheck([&] { f.formatFileNameFullPath(""); }));
    qvxtest::NopMode nop;  // no part to take
    EXPECT_EQ("|", f.getFileNameFromFullPath("\\/\\") + "|" + f.getExtensionFromFileName("..."));
}

TEST(FileNameTest, ExistenceTests)
{
    TempDir dir;
    dir.mkdir("b1");
    dir.mkdir("b2");
    TempDir::write(dir / "b2/tool", "");
    TempDir::write(dir / "b2/real.exe", "");
    EXPECT_TRUE(FileName::fileExists(dir.path() + "\\b2\\tool"));
    EXPECT_FALSE(FileName::fileExists("") || FileName::fileExists(dir.path()) || FileName::fileExists(dir / "none"));
    char before[4096], after[4096];
    ASSERT_NE(nullptr, ::getcwd(before, sizeof before));
    EXPECT_TRUE(FileName::directoryExists(dir.path()));
    EXPECT_FALSE(FileName::directoryExists(dir / "b2/tool") || FileName::directoryExists(dir / "none"));
    ASSERT_NE(nullptr, ::getcwd(after, sizeof after));
    EXPECT_STREQ(before, after);  // the working directory is back

    ScopedEnv path("PATH", dir / "b1;;" + dir.path() + "\\missing:" + dir.path() + "\\b2;");
    FileName f;
    EXPECT_TRUE(f.doesFileExistOnPath("tool") && f.doesFileExistOnPath("real.exe"));
    EXPECT_TRUE(f.doesFileExistOnPath("tool.exe."));  // the host file tool stands for tool.exe
    EXPECT_FALSE(f.doesFileExistOnPath("real") || f.doesFileExistOnPath("none"));
}

TEST(FileNameTest, CreateCopyBackupRestoreDeleteAndTheirFailures)
{
    TempDir dir;
    FileName f;
    const std::string a = dir / "a.txt", b = dir / "b.txt", d = dir.path();
    TempDir::write(a, "contents");
    f.createFile(a);
    f.createFile(d + "\\new.txt");
    EXPECT_EQ("", TempDir::read(a));
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
    f.deleteFile(b);
    EXPECT_FALSE(TempDir::exists(a + ".backup") || TempDir::exists(b));

    using Create = CannotCreateFileDatastoreException;
    using Copy = CannotCopyFileDatastoreException;
    using Delete = CannotDeleteFileDatastoreException;
    EXPECT_EQ("DS_CANNOT_CREATE_FILE_ERROR_KEY[" + d + "/no/x]", thrown<Create>([&] { f.createFile(d + "/no/x"); }));
    EXPECT_EQ("DS_CANNOT_CREATE_FILE_ERROR_KEY[" + d + "]", thrown<Create>([&] { f.createFile(d); }));
    EXPECT_EQ("DS_CANNOT_COPY_FILE_ERROR_KEY[" + a + "|" + d + "]", thrown<Copy>([&] { f.copyFile(a, d); }));
    EXPECT_EQ("DS_CANNOT_COPY_FILE_ERROR_KEY[" + a + "|" + d + "/no/b]", thrown<Copy>([&] { f.copyFile(a, d + "/no/b"); }));
    EXPECT_EQ("DS_CANNOT_COPY_FILE_ERROR_KEY[" + a + "|" + a + "]", thrown<Copy>([&] { f.copyFile(a, a); }));
    EXPECT_EQ("one", TempDir::read(a));  // a copy onto itself never truncates
    EXPECT_EQ("DS_CANNOT_DELETE_FILE_ERROR_KEY[" + d + "/none]", thrown<Delete>([&] { f.deleteFile(d + "/none"); }));
    EXPECT_EQ("DS_CANNOT_DELETE_FILE_ERROR_KEY[" + d + "]", thrown<Delete>([&] { f.deleteFile(d); }));
}

TEST(FileNameTest, CopyAndBackupChecksNameTheirSource)
{
    TempDir dir;
    FileName f;
    const std::string none = dir / "none", copyCheck = "(\"Cannot copy the file \" + fromFile, FileName::fileExists(fromFile))";
    EXPECT_EQ(copyCheck + " @ util/src/FileName.cpp", qvxtest::failedCheckWhere([&] { f.copyFile(none, dir / "b"); }));
    EXPECT_EQ("(\"Cannot backup the file \" + filePath, FileName::fileExists(filePath))", failedCheck([&] { f.backupFile(none); }));
    EXPECT_EQ(copyCheck, failedCheck([&] { f.restoreFile(none); }));  // restore relies on the copy's check
    qvxtest::NopMode nop;  // when the check returns, the copy itself fails
    EXPECT_EQ("DS_CANNOT_COPY_FILE_ERROR_KEY[" + none + "|" + none + ".backup]",
              thrown<CannotCopyFileDatastoreException>([&] { f.backupFile(none); }));
}

TEST(FileNameTest, RestoreReportsABackupThatCannotBeDeleted)
{
    TempDir dir;
    const std::string a = dir / "a.txt";
    TempDir::write(a, "current", 0666);
    TempDir::write(a + ".backup", "saved");
    ::chmod(dir.path().c_str(), 0555);  // files can be rewritten, not removed
    const pid_t pid = ::fork();
    if (pid == 0)
    {   // without root's privileges, which ignore the directory's mode
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        const std::string got = thrown<CannotDeleteFileDatastoreException>([&] { FileName().restoreFile(a); });
        ::_exit(got == "DS_CANNOT_DELETE_FILE_ERROR_KEY[" + a + ".backup]" ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ("saved", TempDir::read(a));
    EXPECT_TRUE(TempDir::exists(a + ".backup"));
}
