#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "CannotOpenFileDatastoreException.h"
#include "FailedCheck.h"
#include "FileName.h"
#include "FileNotFoundDatastoreException.h"
#include "TempDir.h"

using qvxtest::TempDir;
using qvxtest::thrown;

namespace {
bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
std::string withoutSpace(std::string s) { return s.erase(std::remove_if(s.begin(), s.end(), isSpace) - s.begin()); }
}  // namespace

TEST(FileCompareTest, AgreesWithCharacterByCharacterComparison)
{
    TempDir dir;
    FileName f;
    std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""}, {"a b", "ab "}, {"ab", "a b"}, {"ab  ", "abcd"}, {"abcd", "ab  "}, {"a\r\nb\t", "\n\va\fb"},
        {"x y z", "x y q"}, {"  \n", "\t\r\n"}, {"\x80\xff", "\x80\xff"}};
    // Large files whose whitespace drifts apart, so that differences and
    // whitespace runs fall on and across the reader's block edges.
    std::mt19937 rng(7);
    for (int round = 0; round < 8; ++round)
    {
        std::string a((1u << 19) + rng() % 4096, 'x');
        for (char& c : a)
            c = (rng() % 5 == 0) ? " \t\n\v\f\r"[rng() % 6] : static_cast<char>('a' + rng() % 3);
        std::string b = a;
        if (round % 4 == 0)
            b.insert(a.size() - 5 - rng() % 1000, 1, ' '), b.erase(a.find(' ', 1000), 1);
        else if (round % 4 == 1)
            b[a.size() - 1 - rng() % 300000] ^= 1;
        else if (round % 4 == 2)
            b = withoutSpace(a) + std::string(a.size() - withoutSpace(a).size(), '\n');
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
    TempDir::write(dir / "x", "x");
    TempDir::write(dir / "y", "x");
    FileName f;
    const std::string none = dir / "none";
    using NotFound = FileNotFoundDatastoreException;
    using CannotOpen = CannotOpenFileDatastoreException;
    EXPECT_EQ("The file '" + none + "' was not found.", thrown<NotFound>([&] { f.doBinaryFilesCompare(none, dir / "x"); }, true));
    EXPECT_EQ("DS_CANNOT_FIND_FILE_ERROR_KEY[" + none + "]", thrown<NotFound>([&] { f.doTextFilesCompare(none, none + "2"); }));
    EXPECT_EQ("DS_CANNOT_FIND_FILE_ERROR_KEY[" + dir.path() + "]", thrown<NotFound>([&] { f.doTextFilesCompare(dir / "x", dir.path()); }));
    EXPECT_EQ("fileNameFullPath1.empty() == false", qvxtest::failedCheck([&] { f.doBinaryFilesCompare("", "b"); }));
    EXPECT_EQ("fileNameFullPath2.empty() == false", qvxtest::failedCheck([&] { f.doBinaryFilesCompare(dir / "x", ""); }));

    // Files that are there but do not open: no descriptor is left for them (none
    // at all, then one for the first file only). Thrown once beforehand, so that a
    // sanitizer's type checks, which need descriptors of their own, hit its cache.
    thrown<CannotOpen>([&] { throw CannotOpen(none); });
    std::string result[2];
    for (int spare = 0; spare < 2; ++spare)
        qvxtest::withDescriptorsUsedUp(spare, [&] {
            result[spare] = thrown<CannotOpen>([&] { f.doBinaryFilesCompare(dir / "x", dir / "y"); });
        });
    EXPECT_EQ("DS_CANNOT_OPEN_FILE_ERROR_KEY[" + dir / "x]", result[0]);
    EXPECT_EQ("DS_CANNOT_OPEN_FILE_ERROR_KEY[" + dir / "y]", result[1]);
}
