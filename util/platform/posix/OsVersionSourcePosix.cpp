#include <sys/utsname.h>

#include <cstdlib>

#include "OsVersionSource.h"

namespace qvx {
namespace platform {

bool queryHostOsVersion(OsVersionRecord& record);

// A POSIX host is none of the original platform's versions: its platform is
// OS_PLATFORM_OTHER, its major and minor numbers those of its release.
bool queryHostOsVersion(OsVersionRecord& record)
{
    utsname host;
    if (::uname(&host) != 0)
        return false;
    OsVersionRecord r;
    r.platform = OS_PLATFORM_OTHER;
    r.systemName = host.sysname;
    r.release = host.release;
    char* end = nullptr;
    r.major = std::strtoul(host.release, &end, 10);
    if (end != nullptr && *end == '.')
        r.minor = std::strtoul(end + 1, nullptr, 10);
    record = r;
    return true;
}

}  // namespace platform
}  // namespace qvx
