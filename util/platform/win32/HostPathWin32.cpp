// On Windows the library's own path and name forms are the host's: every rule
// of HostPath.h reduces to the identity. Backslashes are the separator, the
// file system itself drops trailing dots, X.exe is X.exe, the search path is
// split at ";" only, and environment names ignore case ("temp" finds TEMP).
#include "HostPath.h"

namespace qvx {
namespace platform {

std::string toHostPath(const std::string& path)
{
    return path;
}

std::string fromHostPath(const std::string& hostPath)
{
    return hostPath;
}

std::vector<std::string> executableCandidates(const std::string& hostPath)
{
    return {hostPath};
}

const char* searchPathDelimiters()
{
    return ";";
}

const std::vector<std::string>& tempDirectoryVariables()
{
    static const std::vector<std::string> names{"temp"};
    return names;
}

}  // namespace platform
}  // namespace qvx
