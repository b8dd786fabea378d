#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <list>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "AlphaNumericComparator.h"
#include "StringUtil.h"

// Counts heap allocations, to show that comparisons make none.
namespace {
std::atomic<long> allocations{0};
}
void* operator new(std::size_t n)
{
    ++allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// The ordering written out step by step with copies, StringUtil's functions and
// recursion, as a reference for the allocation-free implementation.
bool referenceLess(const std::string& a, const std::string& b, bool caseSensitive)
{
    if (StringUtil::isInteger(a) && StringUtil::isInteger(b))
    {
        const long x = StringUtil::stringToInt(a), y = StringUtil::stringToInt(b);
        return x != y ? x < y : a < b;
    }
    const std::string A = caseSensitive ? a : StringUtil::getUpperCase(a);
    const std::string B = caseSensitive ? b : StringUtil::getUpperCase(b);
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0, j = 0;
    while (i < A.size() && !digit(A[i])) ++i;
    while (j < B.size() && !digit(B[j])) ++j;
    const std::string runA = A.substr(0, i), runB = B.substr(0, j);
    if (runA != runB)
        return runA < runB;
    std::size_t k = i, l = j;
    while (k < A.size() && digit(A[k])) ++k;
    while (l < B.size() && digit(B[l])) ++l;
    const std::string digitsA = A.substr(i, k - i), digitsB = B.substr(j, l - j);
    const long x = StringUtil::stringToInt(digitsA), y = StringUtil::stringToInt(digitsB);
    if (x != y)
        return x < y;
    if (digitsA != digitsB)
        return digitsA < digitsB;
    if (k == A.size() && l == B.size())
        return false;
    return referenceLess(A.substr(k), B.substr(l), false);
}

std::string randomName(std::mt19937& rng, const std::string& alphabet)
{
    std::string s(rng() % 9, ' ');
    for (char& c : s)
        c = alphabet[rng() % alphabet.size()];
    if (rng() % 50 == 0)
        s += "99999999999";  // beyond 32 bits
    return s;
}

// Names that can break transitivity: "-" followed only by digits, or a digit,
// "-" and only digits at the end.
bool breaksTransitivity(const std::string& s)
{
    const std::size_t minus = s.find_last_of('-');
    if (minus == std::string::npos || s.find_first_not_of("0123456789", minus + 1) != std::string::npos)
        return false;
    return minus == 0 || (s[minus - 1] >= '0' && s[minus - 1] <= '9');
}

}  // namespace

TEST(AlphaNumericComparatorTest, NaturalOrderCaseInsensitive)
{
    const AlphaNumericComparator less;
    const char* const ordered[][2] = {
        {"file2", "file10"}, {"abc", "abd"}, {"-5", "3"}, {"7", "8"}, {"x", "x1"},
        {"07", "7"}, {"a007", "a7"}, {"a", "a0"}, {"a1b", "a1c"}, {"a99999999999", "a1"},
        {"-10", "-5"}, {"Z", "\xe4"}, {"", "a"}, {"a1", "a1b"},
    };
    for (const auto& pair : ordered)
    {
        EXPECT_TRUE(less(pair[0], pair[1])) << pair[0] << " < " << pair[1];
        EXPECT_FALSE(less(pair[1], pair[0])) << pair[1] << " < " << pair[0];
    }
    EXPECT_FALSE(less("File2", "file2"));
    EXPECT_FALSE(less("file2", "File2"));
    EXPECT_EQ(0, less.compare("File2", "file2"));
    EXPECT_EQ(1, less.compare("file2", "file10"));
    EXPECT_EQ(-1, less.compare("file10", "file2"));
    EXPECT_FALSE(less.getCaseSensitive());
}

TEST(AlphaNumericComparatorTest, CaseSensitiveOnlyInTheFirstBlock)
{
    AlphaNumericComparator less(true);
    EXPECT_TRUE(less("B1", "a1"));
    EXPECT_FALSE(less("a1", "B1"));
    EXPECT_FALSE(less("a1B", "a1b"));
    EXPECT_FALSE(less("a1b", "a1B"));
    EXPECT_EQ(0, less.compare("abc", "ABC"));
    EXPECT_TRUE(less("ABC", "abc"));
    const AlphaNumericComparator copy(less);
    EXPECT_TRUE(copy.getCaseSensitive());
    less.setCaseSensitive(false);
    EXPECT_FALSE(less("ABC", "abc"));
    EXPECT_TRUE(copy("ABC", "abc"));
}

TEST(AlphaNumericComparatorTest, MatchesStepByStepReferenceWithoutAllocating)
{
    std::mt19937 rng(17);
    const std::string alphabet = "aAbB0019-. _z";
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i)
        names.push_back(randomName(rng, alphabet));
    for (bool caseSensitive : {false, true})
    {
        const AlphaNumericComparator less(caseSensitive);
        for (std::size_t i = 0; i + 1 < names.size(); ++i)
            for (std::size_t j : {i + 1, (i * 7919) % names.size()})
            {
                const long before = allocations;
                const bool got = less(names[i], names[j]);
                const int three = less.compare(names[i], names[j]);
                ASSERT_EQ(before, allocations.load());
                ASSERT_EQ(referenceLess(names[i], names[j], caseSensitive), got)
                    << '"' << names[i] << "\" \"" << names[j] << "\" " << caseSensitive;
                ASSERT_EQ(StringUtil::equalsIgnoreCase(names[i], names[j]) ? 0 : got ? 1 : -1, three);
            }
    }
}

TEST(AlphaNumericComparatorTest, StrictWeakOrderingWithoutNegativeIntegerEndings)
{
    std::mt19937 rng(23);
    std::vector<std::string> names;
    while (names.size() < 120)
    {
        std::string s = randomName(rng, "aA0012-x");
        if (!breaksTransitivity(s))
            names.push_back(s);
    }
    for (bool caseSensitive : {false, true})
    {
        const AlphaNumericComparator less(caseSensitive);
        const auto equivalent = [&](const std::string& x, const std::string& y) {
            return !less(x, y) && !less(y, x);
        };
        for (const std::string& a : names)
            for (const std::string& b : names)
                for (const std::string& c : names)
                {
                    if (less(a, b) && less(b, c))
                    {
                        ASSERT_TRUE(less(a, c)) << a << " < " << b << " < " << c;
                    }
                    if (equivalent(a, b) && equivalent(b, c))
                    {
                        ASSERT_TRUE(equivalent(a, c)) << a << " ~ " << b << " ~ " << c;
                    }
                }
    }
}

TEST(AlphaNumericComparatorTest, NegativeIntegerEndingsFormCycles)
{
    const AlphaNumericComparator less;
    EXPECT_TRUE(less("-5", "3"));
    EXPECT_TRUE(less("3", "-3a"));
    EXPECT_TRUE(less("-3a", "-5"));
    EXPECT_TRUE(less("x1-10", "x1-5"));
    EXPECT_TRUE(less("x1-5", "x1-7a"));
    EXPECT_TRUE(less("x1-7a", "x1-10"));
    EXPECT_TRUE(less("2020-01-07", "2020-01-05"));  // the last field sorts reversed
}

TEST(AlphaNumericComparatorTest, StableSortAndListSortStaySafeOnCycles)
{
    // Many copies of cyclic triples in a bad order: std::sort's unguarded
    // partition could run off such a range; these sorts must not (checked by
    // AddressSanitizer in that build) and must return a permutation.
    std::mt19937 rng(29);
    const std::vector<std::string> cycle = {"-5", "3", "-3a", "x1-10", "x1-5", "x1-7a", "-", "0", "-0a"};
    std::vector<std::string> names;
    for (int i = 0; i < 20000; ++i)
        names.push_back(cycle[rng() % cycle.size()] + (i % 3 == 0 ? "" : std::to_string(rng() % 4)));
    std::vector<std::string> sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(), AlphaNumericComparator());
    std::list<std::string> listed(names.begin(), names.end());
    listed.sort(AlphaNumericComparator(true));
    std::sort(names.begin(), names.end());
    std::vector<std::string> a = sorted;
    std::sort(a.begin(), a.end());
    std::vector<std::string> b(listed.begin(), listed.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(names, a);
    EXPECT_EQ(names, b);
}

TEST(AlphaNumericComparatorTest, SortsRealisticNames)
{
    std::vector<std::string> names = {"unit10.cfg", "Unit2.cfg", "unit1.cfg", "board_3_top", "board_12_top",
                                      "board_3_bottom", "IMG0009", "img10", "img0010"};
    std::stable_sort(names.begin(), names.end(), AlphaNumericComparator());
    const std::vector<std::string> expected = {"board_3_bottom", "board_3_top", "board_12_top", "IMG0009",
                                               "img0010", "img10", "unit1.cfg", "Unit2.cfg", "unit10.cfg"};
    EXPECT_EQ(expected, names);
}
