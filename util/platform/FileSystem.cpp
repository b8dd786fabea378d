// The parts of the file facility that are the same on every host.
#include "FileSystem.h"

namespace qvx {
namespace platform {

namespace {

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Matches pattern[p..] against name[n..]; "*" backtracks to its last position only.
bool wildcardMatch(const std::string& pattern, const std::string& name)
{
    std::size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size())
    {
        if (p < pattern.size() && pattern[p] == '*')
        {
            starP = p++;
            starN = n;
        }
        else if (p < pattern.size() && (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n])))
        {
            ++p;
            ++n;
        }
        else if (starP != std::string::npos)
        {
            p = starP + 1;
            n = ++starN;
        }
        else
        {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool matchesWildcard(const std::string& pattern, const std::string& name)
{
    if (wildcardMatch(pattern, name))
        return true;
    // "name.*" also matches "name": a name without a dot has an empty extension.
    const std::size_t n = pattern.size();
    return n >= 2 && pattern[n - 2] == '.' && pattern[n - 1] == '*' &&
           name.find('.') == std::string::npos && wildcardMatch(pattern.substr(0, n - 2), name);
}

}  // namespace platform
}  // namespace qvx
