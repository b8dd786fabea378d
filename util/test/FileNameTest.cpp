#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "CannotCopyFileDatastoreException.h"
#include "CannotCreateFileDatastoreException.h"
#include "CannotDeleteFileDatastoreException.h"
#include "CannotOpenFileDatastoreException.h"
#include "FailedCheck.h"
#include "FileList.h"
#include "FileName.h"
#include "FileNotFoundDatastoreException.h"
#include "FileWriterUtil.h"
#include "TempDir.h"

using qvxtest::failedCheck;
using qvxtest::failedCheckWhere;
using qvxtest::ScopedEnv;
using qvxtest::TempDir;
using qvxtest::thrown;
namespace fs = std::filesystem;

namespace {
bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
std::string withoutSpace(std::string s) { return s.erase(std::remove_if(s.begin(), s.end(), isSpace) - s.begin()); }
}  // namespace

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
    dir.mkdir("Dev/K7300_main/util");
    dir.mkdir("k7300");
    const fs::path saved = fs::current_path();
    qvxtest::UnitTestingSwitch on("TRUE");
    ScopedEnv home("TORVANE_XRAY_HOME", "/ignored");
    std::string d = dir.path();
    std::replace(d.begin(), d.end(), '/', '\\');
    const std::string cases[][2] = {{dir / "Dev/K7300_main/util", d + "\\Dev\\K7300_main\\testRel\\unitTest\\x.xx"},
                                    {dir / "k7300", d + "\\k7300\\testRel\\unitTest\\x.xx"},
                                    {dir.path(), "testRel\\unitTest\\x.xx"}};
    for (const auto& c : cases)
    {
        fs::current_path(c[0]);
        EXPECT_EQ(c[1], FileName().getRelRootDir());
    }
    fs::current_path(saved);
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
    dir.mkdir("b2");
    TempDir::write(dir / "b2/tool", "");
    TempDir::write(dir / "b2/real.exe", "");
    EXPECT_TRUE(FileName::fileExists(dir.path() + "\\b2\\tool"));
    EXPECT_FALSE(FileName::fileExists("") || FileName::fileExists(dir.path()) || FileName::fileExists(dir / "none"));
    const fs::path cwd = fs::current_path();
    EXPECT_TRUE(FileName::directoryExists(dir.path()));
    EXPECT_FALSE(FileName::directoryExists(dir / "b2/tool") || FileName::directoryExists(dir / "none"));
    EXPECT_EQ(cwd, fs::current_path());  // the working directory is back

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
    const std::string none = d + "/none";
    EXPECT_EQ("DS_CANNOT_DELETE_FILE_ERROR_KEY[" + none + "]", thrown<Delete>([&] { f.deleteFile(none); }));
    EXPECT_EQ("DS_CANNOT_DELETE_FILE_ERROR_KEY[" + d + "]", thrown<Delete>([&] { f.deleteFile(d); }));

    // A missing source is first a failed check that names it.
    EXPECT_EQ("(\"Cannot copy the file \" + fromFile, FileName::fileExists(fromFile)) @ util/src/FileName.cpp",
              failedCheckWhere([&] { f.copyFile(none, b); }));
    EXPECT_EQ("(\"Cannot backup the file \" + filePath, FileName::fileExists(filePath))",
              failedCheck([&] { f.backupFile(none); }));
    qvxtest::NopMode nop;  // when the check returns, the copy itself fails
    EXPECT_EQ("DS_CANNOT_COPY_FILE_ERROR_KEY[" + none + "|" + none + ".backup]", thrown<Copy>([&] { f.backupFile(none); }));
}

// A directory whose entries cannot be removed needs POSIX modes and a user
// switch.
#ifndef _WIN32
TEST(FileNameTest, RestoreReportsABackupThatCannotBeDeleted)
{
    TempDir dir;
    const std::string a = dir / "a.txt";
    TempDir::write(a, "current", 0666);
    TempDir::write(a + ".backup", "saved");
    // A sticky directory: anyone may create files and replace their own, but
    // not remove root's backup.
    ASSERT_EQ(0, ::chown(a.c_str(), 65534, 65534));
    ::chmod(dir.path().c_str(), 01777);
    std::string got;
    std::thread([&] {  // only this thread drops root's privileges, which ignore the mode
        if (::syscall(SYS_setresuid, -1, 65534, -1) != 0)
            return;
        got = thrown<CannotDeleteFileDatastoreException>([&] { FileName().restoreFile(a); });
        ::syscall(SYS_setresuid, -1, 0, -1);
    }).join();
    EXPECT_EQ("DS_CANNOT_DELETE_FILE_ERROR_KEY[" + a + ".backup]", got);
    EXPECT_EQ("saved", TempDir::read(a));
    EXPECT_TRUE(TempDir::exists(a + ".backup"));
}
#endif

TEST(FileCompareTest, AgreesWithCharacterByCharacterComparison)
{
    TempDir dir;
    FileName f;
    std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""}, {"a b", "ab "}, {"ab", "a b"}, {"ab  ", "abcd"}, {"abcd", "ab  "}, {"a\r\nb\t", "\n\va\fb"},
        {"x y z", "x y q"}, {"  \n", "\t\r\n"}, {"\x80\xff", "\x80\xff"}};
    // Large files whose whitespace drifts apart, so that differences and whitespace runs fall on and
    // across the reader's block edges: a blank moved, a byte flipped, all blanks squeezed to the end.
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round)
    {
        std::string a((1u << 19) + rng() % 4096, 'x');
        for (char& c : a)
            c = (rng() % 5 == 0) ? " \t\n\v\f\r"[rng() % 6] : static_cast<char>('a' + rng() % 3);
        std::string b = withoutSpace(a) + std::string(a.size() - withoutSpace(a).size(), '\n');
        if (round % 3 == 0)
            (b = a).insert(a.size() - 5 - rng() % 1000, 1, ' ').erase(a.find(' ', 1000), 1);
        else if (round % 3 == 1)
            (b = a)[a.size() - 1 - rng() % 300000] ^= 1;
        cases.emplace_back(a, b);
    }
    for (const auto& c : cases)
    {
        TempDir::write(dir / "1", c.first);
        TempDir::write(dir / "2", c.second);
        const bool same = c.first.size() == c.second.size() && withoutSpace(c.first) == withoutSpace(c.second);
        EXPECT_EQ(same, f.doBinaryFilesCompare(dir / "1", dir / "2")) << c.first.substr(0, 20);
        EXPECT_EQ(same, f.doTextFilesCompare(dir.path() + "\\2", dir.path() + "\\1"));
    }
    EXPECT_TRUE(f.doBinaryFilesCompare(dir / "1", dir / "1"));
}

TEST(FileCompareTest, MissingAndUnopenableFiles)
{
    TempDir dir;
    const std::string x = dir / "x", y = dir / "y", none = dir / "none";
    TempDir::write(x, "x");
    TempDir::write(y, "x");
    FileName f;
    using NotFound = FileNotFoundDatastoreException;
    using CannotOpen = CannotOpenFileDatastoreException;
    EXPECT_EQ("The file '" + none + "' was not found.", thrown<NotFound>([&] { f.doBinaryFilesCompare(none, x); }, true));
    EXPECT_EQ("DS_CANNOT_FIND_FILE_ERROR_KEY[" + none + "]", thrown<NotFound>([&] { f.doTextFilesCompare(none, none); }));
    EXPECT_EQ("DS_CANNOT_FIND_FILE_ERROR_KEY[" + dir.path() + "]", thrown<NotFound>([&] { f.doTextFilesCompare(x, dir.path()); }));
    EXPECT_EQ("fileNameFullPath1.empty() == false", failedCheck([&] { f.doBinaryFilesCompare("", "b"); }));
    EXPECT_EQ("fileNameFullPath2.empty() == false", failedCheck([&] { f.doBinaryFilesCompare(x, ""); }));

    // Files that are there but do not open: no descriptor is left for them (none
    // at all, then one for the first file only). Thrown once beforehand, so that a
    // sanitizer's type checks, which need descriptors of their own, hit its cache.
    thrown<CannotOpen>([&] { throw CannotOpen(none); });
    for (int spare = 0; spare < 2; ++spare)
    {
        std::string got;
        qvxtest::withDescriptorsUsedUp(spare, [&] { got = thrown<CannotOpen>([&] { f.doBinaryFilesCompare(x, y); }); });
        EXPECT_EQ("DS_CANNOT_OPEN_FILE_ERROR_KEY[" + (spare == 0 ? x : y) + "]", got);
    }
}

TEST(FileListTest, SnapshotOfMatchingEntriesInUpperCase)
{
    TempDir dir;
    for (const char* name : {"a.txt", "b.log", "Mixed.Txt"})
        TempDir::write(dir / name, "");
    const std::string d = dir.path() + "\\";
    FileList txt("*.txt", d), all("*", d);
    TempDir::write(dir / "late.txt", "");  // after the snapshot
    EXPECT_EQ(2u, txt.getNumberOfFilesInList());
    EXPECT_TRUE(txt.findFileInList(d + "A.TXT") && txt.findFileInList(d + "MIXED.TXT"));
    EXPECT_FALSE(txt.findFileInList(d + "a.txt") || txt.findFileInList(d + "LATE.TXT") || txt.findFileInList("A.TXT"));
    EXPECT_EQ(5u, all.getNumberOfFilesInList());
    EXPECT_TRUE(all.findFileInList(d + ".") && all.findFileInList(d + "..") && all.findFileInList(d + "B.LOG"));
    EXPECT_EQ(0u, FileList("*.none", d).getNumberOfFilesInList() + FileList("*", d + "missing\\").getNumberOfFilesInList());
}

TEST(FileWriterUtilTest, WritesExactlyWhatItIsGiven)
{
    TempDir dir;
    const std::string file = dir / "out.txt";
    FileWriterUtil w;
    w.close();  // never opened: nothing happens
    EXPECT_EQ("_fileStream.is_open() @ util/src/FileWriterUtil.cpp", failedCheckWhere([&] { w.write("x"); }));
    EXPECT_EQ("_fileStream.is_open()", failedCheck([&] { w.writeln(); }));
    EXPECT_EQ("_fileStream.is_open()", failedCheck([&] { w.writeln("x"); }));
    w.open(file, true);  // appending creates a missing file
    w.write("ab");
    w.writeln("c");
    w.writeln();
    w.open(file, true);  // closes, then appends after the contents
    w.write("more");
    w.close();
    EXPECT_EQ("abc\n\nmore", TempDir::read(file));
    {
        FileWriterUtil replace;
        replace.open(dir.path() + "\\out.txt", false);  // empties the old, longer contents
        replace.write("x");
    }  // the destructor closes and flushes
    EXPECT_EQ("x", TempDir::read(file));
    for (const std::string& bad : {dir.path(), dir / "missing/out.txt"})
        EXPECT_EQ("The file '" + bad + "' could not be opened.  Check that the file is not in use and try again.",
                  thrown<CannotOpenFileDatastoreException>([&] { w.open(bad, false); }, true));
    w.open(dir / "new.txt", false);
    w.close();
    EXPECT_TRUE(TempDir::exists(dir / "new.txt"));
}
