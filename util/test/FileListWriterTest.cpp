#include <gtest/gtest.h>

#include <sys/stat.h>

#include "CannotOpenFileDatastoreException.h"
#include "FailedCheck.h"
#include "FileList.h"
#include "FileWriterUtil.h"
#include "TempDir.h"

using qvxtest::failedCheck;
using qvxtest::TempDir;

TEST(FileListTest, SnapshotOfMatchingEntriesInUpperCase)
{
    TempDir dir;
    TempDir::write(dir / "a.txt", "");
    TempDir::write(dir / "b.log", "");
    TempDir::write(dir / "Mixed.Txt", "");
    const std::string d = dir.path() + "\\";
    FileList txt("*.txt", d);
    TempDir::write(dir / "late.txt", "");  // after the snapshot
    EXPECT_EQ(2u, txt.getNumberOfFilesInList());
    EXPECT_TRUE(txt.findFileInList(d + "A.TXT"));
    EXPECT_TRUE(txt.findFileInList(d + "MIXED.TXT"));
    EXPECT_FALSE(txt.findFileInList(d + "a.txt"));
    EXPECT_FALSE(txt.findFileInList(d + "LATE.TXT"));
    EXPECT_FALSE(txt.findFileInList("A.TXT"));

    FileList all("*", d);
    EXPECT_EQ(6u, all.getNumberOfFilesInList());
    EXPECT_TRUE(all.findFileInList(d + "."));
    EXPECT_TRUE(all.findFileInList(d + ".."));
    EXPECT_TRUE(all.findFileInList(d + "B.LOG"));

    EXPECT_EQ(0u, FileList("*.none", d).getNumberOfFilesInList());
    EXPECT_EQ(0u, FileList("*", d + "missing\\").getNumberOfFilesInList());
    // without the trailing backslash the pattern joins the directory's name
    EXPECT_EQ(0u, FileList("*.txt", dir.path()).getNumberOfFilesInList());
}

TEST(FileWriterUtilTest, WritesExactlyWhatItIsGiven)
{
    TempDir dir;
    const std::string file = dir / "out.txt";
    FileWriterUtil w;
    w.close();  // never opened: nothing happens
    w.open(file, true);  // appending creates a missing file
    w.write("");
    w.write("ab");
    w.writeln("c");
    w.writeln();
    w.close();
    EXPECT_EQ("abc\n\n", TempDir::read(file));
    w.open(file, true);
    w.write("more");
    w.close();
    EXPECT_EQ("abc\n\nmore", TempDir::read(file));
    {
        FileWriterUtil replace;
        replace.open(dir.path() + "\\out.txt", false);  // empties the old, longer contents
        replace.write("x");
    }  // the destructor closes and flushes
    EXPECT_EQ("x", TempDir::read(file));
    FileWriterUtil fresh;
    fresh.open(dir / "new.txt", false);
    fresh.close();
    EXPECT_TRUE(TempDir::exists(dir / "new.txt"));
}

TEST(FileWriterUtilTest, FailuresAndChecks)
{
    TempDir dir;
    FileWriterUtil w;
    for (const std::string& bad : {dir.path(), dir / "missing/out.txt"})
    {
        try
        {
            w.open(bad, false);
            FAIL() << bad;
        }
        catch (const CannotOpenFileDatastoreException& e)
        {
            EXPECT_EQ("The file '" + bad + "' could not be opened.  Check that the file is not in use and try again.",
                      e.getMessage());
        }
    }
    EXPECT_EQ("_fileStream.is_open() @ util/src/FileWriterUtil.cpp", qvxtest::failedCheckWhere([&] { w.write("x"); }));
    EXPECT_EQ("_fileStream.is_open()", failedCheck([&] { w.writeln(); }));
    EXPECT_EQ("_fileStream.is_open()", failedCheck([&] { w.writeln("x"); }));
    {
        qvxtest::NopMode nop;
        w.writeln("lost");  // goes to the closed stream
    }
    w.open(dir / "after.txt", false);
    w.write("ok");
    w.close();
    EXPECT_EQ("ok", TempDir::read(dir / "after.txt"));
}
