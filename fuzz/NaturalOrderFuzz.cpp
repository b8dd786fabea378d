// The natural ordering on arbitrary names: irreflexive and asymmetric,
// compare() consistent with operator(), transitive on any triple free of the
// names that the header lists as breaking it, and std::stable_sort safe on
// any list.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "AlphaNumericComparator.h"
#include "StringUtil.h"

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// "-" and digits only, or a digit, "-" and digits only at the end.
bool breaksTransitivity(const std::string& s)
{
    const std::size_t minus = s.find_last_of('-');
    if (minus == std::string::npos || s.find_first_not_of("0123456789", minus + 1) != std::string::npos)
        return false;
    return minus == 0 || (s[minus - 1] >= '0' && s[minus - 1] <= '9');
}

void checkPair(const AlphaNumericComparator& less, const std::string& a, const std::string& b)
{
    const bool ab = less(a, b);
    const bool ba = less(b, a);
    require(!(ab && ba));
    const int c = less.compare(a, b);
    if (StringUtil::equalsIgnoreCase(a, b))
        require(c == 0);
    else
        require(c == (ab ? 1 : -1) && less.compare(b, a) == (ba ? 1 : -1));
    if (!less.getCaseSensitive() && c == 0)
        require(!ab && !ba);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> names;
    std::string current;
    for (std::size_t i = 0; i < size; ++i)
    {
        if (data[i] == '\n')
        {
            names.push_back(current);
            current.clear();
        }
        else
        {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    names.push_back(current);

    for (bool caseSensitive : {false, true})
    {
        const AlphaNumericComparator less(caseSensitive);
        for (const std::string& a : names)
            require(!less(a, a));
        if (names.size() >= 2)
            checkPair(less, names[0], names[1]);
        if (names.size() >= 3)
        {
            const std::string& a = names[0];
            const std::string& b = names[1];
            const std::string& c = names[2];
            checkPair(less, b, c);
            checkPair(less, a, c);
            if (!breaksTransitivity(a) && !breaksTransitivity(b) && !breaksTransitivity(c))
            {
                const auto eq = [&](const std::string& x, const std::string& y) { return !less(x, y) && !less(y, x); };
                for (int r = 0; r < 6; ++r)
                {
                    const std::string* t[3] = {&a, &b, &c};
                    std::rotate(t, t + r % 3, t + 3);
                    if (r >= 3)
                        std::swap(t[0], t[2]);
                    if (less(*t[0], *t[1]) && less(*t[1], *t[2]))
                        require(less(*t[0], *t[2]));
                    if (eq(*t[0], *t[1]) && eq(*t[1], *t[2]))
                        require(eq(*t[0], *t[2]));
                }
            }
        }
        std::vector<std::string> sorted = names;
        std::stable_sort(sorted.begin(), sorted.end(), less);
        require(sorted.size() == names.size());
    }
    return 0;
}
