#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <vector>

#include "CannotOpenFileDatastoreException.h"
#include "FailedCheck.h"
#include "FileName.h"
#include "FileNotFoundDatastoreException.h"
#include "TempDir.h"

using qvxtest::TempDir;

namespace {

// The comparison by the book: sizes first, then extraction of single
// characters with whitespace skipped.
bool referenceCompare(const std::string& p1, const std::string& p2)
{
    std::ifstream a(p1, std::ios::binary), b(p2, std::ios::binary);
    a.seekg(0, std::ios::end);
    b.seekg(0, std::ios::end);
    if (a.tellg() != b.tellg())
        return false;
    a.seekg(0);
    b.seekg(0);
    char x, y;
    for (;;)
    {
        const bool ha = static_cast<bool>(a >> x);
        const bool hb = static_cast<bool>(b >> y);
        if (!ha || !hb)
            return ha == hb;
        if (x != y)
            return false;
    }
}

struct Pair
{
    const char* first;
    const char* second;
    bool equal;
};

}  // namespace

TEST(FileCompareTest, SizesFirstThenCharactersOtherThanWhitespace)
{
    TempDir dir;
    const Pair cases[] = {
        {"", "", true},
        {"a b", "ab ", true},          // whitespace elsewhere, same size
        {"ab", "a b", false},          // sizes differ
        {"ab  ", "abcd", false},       // the second sequence is longer
        {"abcd", "ab  ", false},
        {"a\r\nb\t", "a\n\vb\f ", false},
        {"a\r\nb\t", "\n\va\fb", true},
        {"x y z", "x y q", false},
        {"  \n", "\t\r\n", true},      // nothing but whitespace on both sides
        {"\x80\xff", "\x80\xff", true},
    };
    FileName f;
    for (const Pair& c : cases)
    {
        TempDir::write(dir / "1", c.first);
        TempDir::write(dir / "2", c.second);
        EXPECT_EQ(c.equal, f.doBinaryFilesCompare(dir / "1", dir / "2")) << c.first << "|" << c.second;
        EXPECT_EQ(c.equal, f.doTextFilesCompare(dir.path() + "\\1", dir.path() + "\\2"));
    }
    EXPECT_TRUE(f.doBinaryFilesCompare(dir / "1", dir / "1"));
}

TEST(FileCompareTest, AgreesWithCharacterExtractionAcrossBlockBoundaries)
{
    // Large files whose whitespace drifts apart, so that mismatches and
    // whitespace runs fall on and across the reader's block edges.
    TempDir dir;
    std::mt19937 rng(7);
    FileName f;
    for (int round = 0; round < 12; ++round)
    {
        const std::size_t size = (1u << 18) * 2 + rng() % 4096;
        std::string a(size, 'x');
        for (char& c : a)
            c = (rng() % 5 == 0) ? " \t\n\v\f\r"[rng() % 6] : static_cast<char>('a' + rng() % 3);
        std::string b = a;
        switch (round % 4)
        {
        case 0:  // move one whitespace run far ahead
        {
            std::size_t ws = a.find_first_of(" \t\n\v\f\r", 1000);
            b.erase(ws, 1);
            b.insert(size - 10 - rng() % 1000, 1, ' ');
            break;
        }
        case 1:  // change one letter late in the file
            b[size - 1 - rng() % 300000] ^= 1;
            break;
        case 2:  // identical
            break;
        case 3:  // all whitespace moved to the end
        {
            std::string letters, spaces;
            for (char c : a)
                (c == ' ' || (c >= '\t' && c <= '\r') ? spaces : letters) += c;
            b = letters + spaces;
            break;
        }
        }
        TempDir::write(dir / "a", a);
        TempDir::write(dir / "b", b);
        EXPECT_EQ(referenceCompare(dir / "a", dir / "b"), f.doBinaryFilesCompare(dir / "a", dir / "b"))
            << "round " << round;
        EXPECT_EQ(referenceCompare(dir / "b", dir / "a"), f.doTextFilesCompare(dir / "b", dir / "a"));
    }
}

TEST(FileCompareTest, MissingAndUnopenableFiles)
{
    TempDir dir;
    TempDir::write(dir / "x", "x");
    TempDir::write(dir / "x2", "x");
    FileName f;
    for (const std::string& second : {dir / "x", dir / "y"})
    {
        try
        {
            f.doBinaryFilesCompare(dir / "none", second);
            FAIL();
        }
        catch (const FileNotFoundDatastoreException& e)
        {
            EXPECT_EQ("The file '" + dir / "none" + "' was not found.", e.getMessage());
            EXPECT_EQ(dir / "none", e.getFileNameWithFullPath());
        }
    }
    try
    {
        f.doTextFilesCompare(dir / "x", dir.path());  // a directory is no file
        FAIL();
    }
    catch (const FileNotFoundDatastoreException& e)
    {
        EXPECT_EQ(dir.path(), e.getFileNameWithFullPath());
    }
    EXPECT_EQ("fileNameFullPath1.empty() == false", qvxtest::failedCheck([&] { f.doBinaryFilesCompare("", "b"); }));
    EXPECT_EQ("fileNameFullPath2.empty() == false",
              qvxtest::failedCheck([&] { f.doBinaryFilesCompare(dir / "x", ""); }));

    // Files that are there but do not open: no descriptor is left for them.
    std::vector<int> held;
    int fd;
    while ((fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0)
        held.push_back(fd);
    ASSERT_EQ(EMFILE, errno);
    std::string failed[2];
    for (int spare = 0; spare < 2; ++spare)
    {
        if (spare == 1)
        {
            ::close(held.back());
            held.pop_back();
        }
        try
        {
            f.doBinaryFilesCompare(dir / "x", dir / "x2");
        }
        catch (const CannotOpenFileDatastoreException& e)
        {
            failed[spare] = e.getKey() + " " + e.getFileNameWithFullPath();
        }
    }
    for (int h : held)
        ::close(h);
    EXPECT_EQ("DS_CANNOT_OPEN_FILE_ERROR_KEY " + dir / "x", failed[0]);
    EXPECT_EQ("DS_CANNOT_OPEN_FILE_ERROR_KEY " + dir / "x2", failed[1]);
}
