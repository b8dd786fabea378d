// GetVersionEx behind the OS version source: the platform id, major and
// minor version as Windows reports them (set per Wine prefix under Wine).
#include "OsVersionSource.h"

#include <windows.h>

namespace qvx {
namespace platform {

bool queryHostOsVersion(OsVersionRecord& record);

bool queryHostOsVersion(OsVersionRecord& record)
{
    // The extended record first; systems that know only the basic one
    // refuse it, so they are asked again for that.
    static_assert(sizeof(OSVERSIONINFOEXA) == 156 && sizeof(OSVERSIONINFOA) == 148, "version records");
    OSVERSIONINFOEXA extended{};
    OSVERSIONINFOA& info = *reinterpret_cast<OSVERSIONINFOA*>(&extended);
#if defined(__GNUC__)
#  pragma GCC diagnostic push
#  pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    // Deprecated for programs that should not care; this one asks exactly
    // what the system says it is.
    extended.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!::GetVersionExA(&info))
    {
        extended = OSVERSIONINFOEXA{};
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!::GetVersionExA(&info))
            return false;
    }
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
