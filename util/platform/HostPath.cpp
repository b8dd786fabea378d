// The parts of the path rules that are the same on every host.
#include "HostPath.h"

namespace qvx {
namespace platform {

std::vector<std::string> searchPathDirectories(const std::string& searchPath)
{
    std::vector<std::string> directories;
    const char* const delimiters = searchPathDelimiters();
    std::size_t start = 0;
    while (start <= searchPath.size())
    {
        std::size_t end = searchPath.find_first_of(delimiters, start);
        if (end == std::string::npos)
            end = searchPath.size();
        if (end > start)
            directories.push_back(toHostPath(searchPath.substr(start, end - start)));
        start = end + 1;
    }
    return directories;
}

}  // namespace platform
}  // namespace qvx
