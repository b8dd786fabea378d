#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <list>
#include <new>
#include <random>

#include "AlphaNumericComparator.h"
#include "StringUtil.h"

// Counts heap allocations, to show that comparisons make none.
static std::atomic<long> allocations{0};
void* operator new(std::size_t n)
{
    ++allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return ++allocations, std::malloc(n ? n : 1); }
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using S = StringUtil;

// The ordering written out step by step with copies, StringUtil and recursion.
bool referenceLess(const std::string& a, const std::string& b, bool caseSensitive)
{
    if (S::isInteger(a) && S::isInteger(b))
        return S::stringToInt(a) != S::stringToInt(b) ? S::stringToInt(a) < S::stringToInt(b) : a < b;
    const std::string A = caseSensitive ? a : S::getUpperCase(a), B = caseSensitive ? b : S::getUpperCase(b);
    const std::size_t i = std::min(A.size(), A.find_first_of("0123456789"));
    const std::size_t j = std::min(B.size(), B.find_first_of("0123456789"));
    if (A.substr(0, i) != B.substr(0, j))
        return A.substr(0, i) < B.substr(0, j);
    const std::size_t k = std::min(A.size(), A.find_first_not_of("0123456789", i));
    const std::size_t l = std::min(B.size(), B.find_first_not_of("0123456789", j));
    const std::string da = A.substr(i, k - i), db = B.substr(j, l - j);
    if (S::stringToInt(da) != S::stringToInt(db))
        return S::stringToInt(da) < S::stringToInt(db);
    if (da != db)
        return da < db;
    return (k == A.size() && l == B.size()) ? false : referenceLess(A.substr(k), B.substr(l), false);
}

// Names that can break transitivity: "-" and only digits, or a digit, "-" and
// only digits at the end.
bool breaksTransitivity(const std::string& s)
{
    const std::size_t minus = s.find_last_of('-');
    if (minus == std::string::npos || s.find_first_not_of("0123456789", minus + 1) != std::string::npos)
        return false;
    return minus == 0 || (s[minus - 1] >= '0' && s[minus - 1] <= '9');
}

std::vector<std::string> randomNames(unsigned seed, const std::string& alphabet, std::size_t count, bool safe)
{
    std::mt19937 rng(seed);
    std::vector<std::string> names;
    while (names.size() < count)
    {
        std::string s(rng() % 9, ' ');
        for (char& c : s)
            c = alphabet[rng() % alphabet.size()];
        if (rng() % 50 == 0)
            s += "99999999999";  // beyond 32 bits
        if (!safe || !breaksTransitivity(s))
            names.push_back(s);
    }
    return names;
}

}  // namespace

TEST(AlphaNumericComparatorTest, NaturalOrder)
{
    const AlphaNumericComparator less, sensitive(true);
    const char* const ordered[][2] = {{"file2", "file10"}, {"abc", "abd"}, {"-5", "3"}, {"-10", "-5"},
                                      {"7", "8"}, {"x", "x1"}, {"07", "7"}, {"a007", "a7"}, {"a", "a0"},
                                      {"a99999999999", "a1"}, {"Z", "\xe4"}, {"a1", "a1b"}};
    for (const auto& pair : ordered)
        EXPECT_TRUE(less(pair[0], pair[1]) && !less(pair[1], pair[0])) << pair[0] << " < " << pair[1];
    EXPECT_FALSE(less("File2", "file2") || less("file2", "File2"));
    EXPECT_EQ(0, less.compare("File2", "file2"));
    EXPECT_EQ(1, less.compare("file2", "file10"));
    EXPECT_EQ(-1, less.compare("file10", "file2"));
    // Case-sensitive only up to the end of the first block.
    EXPECT_TRUE(sensitive("B1", "a1") && !sensitive("a1", "B1"));
    EXPECT_FALSE(sensitive("a1B", "a1b") || sensitive("a1b", "a1B"));
    EXPECT_TRUE(sensitive("ABC", "abc"));
    EXPECT_EQ(0, sensitive.compare("abc", "ABC"));
    EXPECT_TRUE(AlphaNumericComparator(sensitive).getCaseSensitive());
}

TEST(AlphaNumericComparatorTest, MatchesStepByStepReferenceWithoutAllocating)
{
    const std::vector<std::string> names = randomNames(17, "aAbB0019-. _z", 3000, false);
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
                ASSERT_EQ(S::equalsIgnoreCase(names[i], names[j]) ? 0 : got ? 1 : -1, three);
            }
    }
}

TEST(AlphaNumericComparatorTest, StrictWeakOrderingWithoutNegativeIntegerEndings)
{
    const std::vector<std::string> names = randomNames(23, "aA0012-x", 150, true);
    const std::size_t n = names.size();
    for (bool caseSensitive : {false, true})
    {
        const AlphaNumericComparator less(caseSensitive);
        std::vector<char> lt(n * n);  // lt[i * n + j]: names[i] sorts before names[j]
        for (std::size_t i = 0; i < n * n; ++i)
            lt[i] = less(names[i / n], names[i % n]);
        const auto eq = [&](std::size_t x, std::size_t y) { return !lt[x * n + y] && !lt[y * n + x]; };
        for (std::size_t a = 0; a < n; ++a)
            for (std::size_t b = 0; b < n; ++b)
                for (std::size_t c = 0; c < n; ++c)
                {
                    ASSERT_TRUE(!(lt[a * n + b] && lt[b * n + c]) || lt[a * n + c])
                        << names[a] << " < " << names[b] << " < " << names[c];
                    ASSERT_TRUE(!(eq(a, b) && eq(b, c)) || eq(a, c))
                        << names[a] << " ~ " << names[b] << " ~ " << names[c];
                }
    }
    // The names the header lists do form cycles.
    const AlphaNumericComparator less;
    EXPECT_TRUE(less("-5", "3") && less("3", "-3a") && less("-3a", "-5"));
    EXPECT_TRUE(less("x1-10", "x1-5") && less("x1-5", "x1-7a") && less("x1-7a", "x1-10"));
    EXPECT_TRUE(less("2020-01-07", "2020-01-05"));
}

TEST(AlphaNumericComparatorTest, StableSortAndListSortStaySafeOnCycles)
{
    // Cyclic names in random order: std::sort's unguarded partition could run
    // off such a range; these sorts must not (AddressSanitizer in that build)
    // and must return a permutation.
    std::mt19937 rng(29);
    const std::vector<std::string> cycle = {"-5", "3", "-3a", "x1-10", "x1-5", "x1-7a", "-", "0", "-0a"};
    std::vector<std::string> names;
    for (int i = 0; i < 20000; ++i)
        names.push_back(cycle[rng() % cycle.size()] + (i % 3 ? std::to_string(rng() % 4) : ""));
    std::vector<std::string> stable = names;
    std::stable_sort(stable.begin(), stable.end(), AlphaNumericComparator());
    std::list<std::string> listed(names.begin(), names.end());
    listed.sort(AlphaNumericComparator(true));
    std::vector<std::string> fromList(listed.begin(), listed.end());
    std::sort(names.begin(), names.end());
    std::sort(stable.begin(), stable.end());
    std::sort(fromList.begin(), fromList.end());
    EXPECT_EQ(names, stable);
    EXPECT_EQ(names, fromList);
}
