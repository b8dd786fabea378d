#include "AlphaNumericComparator.h"

#include <charconv>
#include <cstdint>

#include "StringUtil.h"

namespace {

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline unsigned char key(char c, bool caseSensitive)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (!caseSensitive && u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

// Lexicographic comparison of two byte ranges as unsigned bytes (case folded
// to upper case unless caseSensitive); a prefix sorts first. <0, 0 or >0.
int compareRuns(const char* a, const char* aEnd, const char* b, const char* bEnd, bool caseSensitive)
{
    for (; a != aEnd && b != bEnd; ++a, ++b)
    {
        const unsigned char x = key(*a, caseSensitive);
        const unsigned char y = key(*b, caseSensitive);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a != aEnd)
        return 1;
    return b != bEnd ? -1 : 0;
}

// StringUtil::isInteger on a range: digits, optionally led by a minus sign.
bool isIntegerText(const char* p, const char* end)
{
    if (p == end)
        return false;
    if (*p == '-')
        ++p;
    for (; p != end; ++p)
        if (!isDigit(*p))
            return false;
    return true;
}

// StringUtil::stringToInt on an integer text: its value when it fits in 32
// bits, otherwise 0 ("-" alone is 0 too).
std::int32_t integerValue(const char* p, const char* end)
{
    std::int32_t value = 0;
    const std::from_chars_result r = std::from_chars(p, end, value);
    return (r.ec == std::errc() && r.ptr == end) ? value : 0;
}

// The value of a run of decimal digits: 0 when empty or beyond 32 bits.
std::int32_t digitRunValue(const char* p, const char* end)
{
    while (p != end && *p == '0')
        ++p;
    if (end - p > 10)
        return 0;
    std::int64_t value = 0;
    for (; p != end; ++p)
        value = value * 10 + (*p - '0');
    return value > INT32_MAX ? 0 : static_cast<std::int32_t>(value);
}

// The natural ordering on byte ranges. The comparison of the remainders after
// the first block is a loop rather than a recursion, so deep inputs cannot
// exhaust the stack; it continues with case folded.
bool naturalLess(const char* a, const char* aEnd, const char* b, const char* bEnd, bool caseSensitive)
{
    for (;;)
    {
        if (isIntegerText(a, aEnd) && isIntegerText(b, bEnd))
        {
            const std::int32_t x = integerValue(a, aEnd);
            const std::int32_t y = integerValue(b, bEnd);
            if (x != y)
                return x < y;
            return compareRuns(a, aEnd, b, bEnd, true) < 0;
        }

        const char* aDigits = a;
        while (aDigits != aEnd && !isDigit(*aDigits))
            ++aDigits;
        const char* bDigits = b;
        while (bDigits != bEnd && !isDigit(*bDigits))
            ++bDigits;
        const int letters = compareRuns(a, aDigits, b, bDigits, caseSensitive);
        if (letters != 0)
            return letters < 0;

        const char* aRest = aDigits;
        while (aRest != aEnd && isDigit(*aRest))
            ++aRest;
        const char* bRest = bDigits;
        while (bRest != bEnd && isDigit(*bRest))
            ++bRest;
        const std::int32_t x = digitRunValue(aDigits, aRest);
        const std::int32_t y = digitRunValue(bDigits, bRest);
        if (x != y)
            return x < y;
        const int digits = compareRuns(aDigits, aRest, bDigits, bRest, true);
        if (digits != 0)
            return digits < 0;

        if (aRest == aEnd && bRest == bEnd)
            return false;
        a = aRest;
        b = bRest;
        caseSensitive = false;
    }
}

}  // namespace

AlphaNumericComparator::AlphaNumericComparator() : _caseSensitive(false)
{
}

AlphaNumericComparator::AlphaNumericComparator(bool caseSensitive) : _caseSensitive(caseSensitive)
{
}

AlphaNumericComparator::AlphaNumericComparator(const AlphaNumericComparator& other)
    : _caseSensitive(other._caseSensitive)
{
}

AlphaNumericComparator& AlphaNumericComparator::operator=(const AlphaNumericComparator& other)
{
    _caseSensitive = other._caseSensitive;
    return *this;
}

AlphaNumericComparator::~AlphaNumericComparator()
{
}

bool AlphaNumericComparator::operator()(const std::string& a, const std::string& b) const
{
    return naturalLess(a.data(), a.data() + a.size(), b.data(), b.data() + b.size(), _caseSensitive);
}

int AlphaNumericComparator::compare(const std::string& a, const std::string& b) const
{
    if (StringUtil::equalsIgnoreCase(a, b))
        return 0;
    return (*this)(a, b) ? 1 : -1;
}

bool AlphaNumericComparator::getCaseSensitive() const
{
    return _caseSensitive;
}

void AlphaNumericComparator::setCaseSensitive(bool caseSensitive)
{
    _caseSensitive = caseSensitive;
}
