#include "ProcessTools.h"

#include <cstring>

namespace qvxutil {

DirectoryAndName splitProgramPath(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string errorText(int code)
{
    return std::strerror(code);
}

}  // namespace qvxutil
