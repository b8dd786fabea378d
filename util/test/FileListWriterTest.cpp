#include <gtest/gtest.h>

#include "CannotOpenFileDatastoreException.h"
#include "FailedCheck.h"
#include "FileList.h"
#include "FileWriterUtil.h"
#include "TempDir.h"

using qvxtest::TempDir;

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
    EXPECT_EQ("_fileStream.is_open() @ util/src/FileWriterUtil.cpp", qvxtest::failedCheckWhere([&] { w.write("x"); }));
    EXPECT_EQ("_fileStream.is_open()", qvxtest::failedCheck([&] { w.writeln(); }));
    EXPECT_EQ("_fileStream.is_open()", qvxtest::failedCheck([&] { w.writeln("x"); }));
    w.open(file, true);  // appending creates a missing file
    w.write("");
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
                  qvxtest::thrown<CannotOpenFileDatastoreException>([&] { w.open(bad, false); }, true));
    w.open(dir / "new.txt", false);
    w.close();
    EXPECT_TRUE(TempDir::exists(dir / "new.txt"));
}
