// GetVersionEx behind the OS version source: the platform id, major and
// minor version as Windows reports them (set per Wine prefix under Wine).
#include "OsVersionSource.h"

#include <windows.h>

namespace qvx {
namespace platform {

bool queryHostOsVersion(OsVersionRecord& record);

bool queryHostOsVersion(OsVersionRecord& record)
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(__GNUC__)
#  pragma GCC diagnostic push
#  pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    // Deprecated for programs that should not care; this one asks exactly
    // what the system says it is.
    if (!::GetVersionExA(&info))
        return false;
#if defined(__GNUC__)
#  pragma GCC diagnostic pop
#endif
    OsVersionRecord r;
    r.platform = info.dwPlatformId;
    r.major = info.dwMajorVersion;
    r.minor = info.dwMinorVersion;
    r.systemName = "Windows";
    r.release = std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
                std::to_string(info.dwBuildNumber);
    if (info.szCSDVersion[0] != '\0')
        r.release += std::string(" ") + info.szCSDVersion;
    record = r;
    return true;
}

}  // namespace platform
}  // namespace qvx
