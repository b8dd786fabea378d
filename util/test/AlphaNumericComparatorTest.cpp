#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
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
// Every form is replaced, so that no block crosses between malloc and another
// allocator (AddressSanitizer would report the mismatch). Out of line, so that
// the compiler does not pair an inlined free() with operator new and warn.
[[gnu::noinline]] static void release(void* p) { std::free(p); }
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return ++allocations, std::malloc(n ? n : 1); }
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

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

}  // namespace

TEST(AlphaNumericComparatorTest, NaturalOrder)
{
    const AlphaNumericComparator less, sensitive(true);
    const char* const ordered[][2] = {{"file2", "file10"}, {"abc", "abd"}, {"-10", "-5"},
                                      {"7", "8"}, {"x", "x1"}, {"07", "7"}, {"a007", "a7"}, {"a", "a0"},
                                      {"a99999999999", "a1"}, {"Z", "\xe4"}, {"a1", "a1b"},
                                      // the cycles the header warns about
                                      {"-5", "3"}, {"3", "-3a"}, {"-3a", "-5"}, {"x1-10", "x1-5"},
                                      {"x1-5", "x1-7a"}, {"x1-7a", "x1-10"}, {"2020-01-07", "2020-01-05"}};
    for (const auto& pair : ordered)
        EXPECT_TRUE(less(pair[0], pair[1]) && !less(pair[1], pair[0])) << pair[0] << " < " << pair[1];
    EXPECT_FALSE(less("File2", "file2") || less("file2", "File2"));
    // Case-sensitive only up to the end of the first block.
    EXPECT_TRUE(sensitive("B1", "a1") && !sensitive("a1", "B1"));
    EXPECT_FALSE(sensitive("a1B", "a1b") || sensitive("a1b", "a1B"));
    EXPECT_TRUE(sensitive("ABC", "abc"));
    EXPECT_TRUE(AlphaNumericComparator(sensitive).getCaseSensitive());
}

TEST(AlphaNumericComparatorTest, MatchesStepByStepReferenceWithoutAllocating)
{
    std::mt19937 rng(17);
    std::vector<std::string> names(3000);
    for (std::string& s : names)
    {
        for (std::size_t n = rng() % 9; s.size() < n;)
            s += "aAbB0019-. _z"[rng() % 13];
        if (rng() % 50 == 0)
            s += "99999999999";  // beyond 32 bits
    }
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
