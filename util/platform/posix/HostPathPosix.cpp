#include "HostPath.h"

namespace qvx {
namespace platform {

std::string toHostPath(const std::string& path)
{
    std::string host(path);
    for (char& c : host)
        if (c == '\\')
            c = '/';
    const std::size_t lastStart = host.find_last_of('/') + 1;  // 0 when there is no separator
    std::size_t end = host.size();
    while (end > lastStart && host[end - 1] == '.')
        --end;
    if (end > lastStart)  // a component made only of dots stays as it is
        host.erase(end);
    return host;
}

std::string fromHostPath(const std::string& hostPath)
{
    std::string path(hostPath);
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::vector<std::string> executableCandidates(const std::string& hostPath)
{
    std::vector<std::string> candidates{hostPath};
    static const char ext[] = ".exe";
    const std::size_t n = sizeof ext - 1;
    if (hostPath.size() > n && hostPath[hostPath.size() - n - 1] != '/')
    {
        bool isExe = true;
        for (std::size_t i = 0; i < n && isExe; ++i)
        {
            char c = hostPath[hostPath.size() - n + i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            isExe = c == ext[i];
        }
        if (isExe)
            candidates.push_back(hostPath.substr(0, hostPath.size() - n));
    }
    return candidates;
}

const char* searchPathDelimiters()
{
    return ";:";
}

const std::vector<std::string>& tempDirectoryVariables()
{
    static const std::vector<std::string> names{"temp", "TEMP", "TMPDIR"};
    return names;
}

}  // namespace platform
}  // namespace qvx
