#include "OSVersionUtil.h"

#include "OsVersionSource.h"
#include "kbrAssert.h"

std::atomic<bool> OSVersionUtil::_hasOperatingSystemBeenQueriedYet(false);
std::atomic<OSVersionUtil::OSVersion> OSVersionUtil::_operatingSystemVersion(unrecognizedOperatingSystem);

namespace {
const char* const UNRECOGNIZED = "Unrecognized Operating System";
const unsigned long PLATFORM_WIN32S = 0;
const unsigned long PLATFORM_WIN32_WINDOWS = 1;
const unsigned long PLATFORM_WIN32_NT = 2;
}  // namespace

OSVersionUtil::OSVersion OSVersionUtil::getOperatingSystemVersion()
{
    if (!_hasOperatingSystemBeenQueriedYet.load(std::memory_order_acquire))
    {
        _operatingSystemVersion.store(queryOperatingSystemForVersionInfo(), std::memory_order_relaxed);
        _hasOperatingSystemBeenQueriedYet.store(true, std::memory_order_release);
    }
    return _operatingSystemVersion.load(std::memory_order_relaxed);
}

bool OSVersionUtil::isWindows2000()
{
    return getOperatingSystemVersion() == windows2000;
}

bool OSVersionUtil::isWindowsXP()
{
    return getOperatingSystemVersion() == windowsXP;
}

bool OSVersionUtil::isWindowsNT4()
{
    return getOperatingSystemVersion() == windowsNT4;
}

bool OSVersionUtil::isWindowsNT3_51()
{
    return getOperatingSystemVersion() == windowsNT3_51;
}

bool OSVersionUtil::isWindows95()
{
    return getOperatingSystemVersion() == windows95;
}

bool OSVersionUtil::isWindows98()
{
    return getOperatingSystemVersion() == windows98;
}

bool OSVersionUtil::isWindowsMe()
{
    return getOperatingSystemVersion() == windowsMe;
}

bool OSVersionUtil::isWindows3_1()
{
    return getOperatingSystemVersion() == windows3_1;
}

OSVersionUtil::OSVersion OSVersionUtil::queryOperatingSystemForVersionInfo()
{
    qvx::platform::OsVersionRecord record;  // zeroed
    const int isOperatingSystemVersionInfoAvailable = qvx::platform::queryOsVersion(record) ? 1 : 0;
    if (!(isOperatingSystemVersionInfoAvailable != 0))
    {
        showKbrAssertWithMessage("isOperatingSystemVersionInfoAvailable != 0", UNRECOGNIZED, __FILE__, __LINE__);
        record = qvx::platform::OsVersionRecord();
    }

    switch (record.platform)
    {
    case PLATFORM_WIN32_NT:
        if (record.major == 5 && record.minor == 0)
            return windows2000;
        if (record.major == 5 && record.minor == 1)
            return windowsXP;
        return windowsNT4;
    case PLATFORM_WIN32_WINDOWS:
        if (record.major == 4)
        {
            if (record.minor == 0)
                return windows95;
            if (record.minor == 10)
                return windows98;
            if (record.minor == 90)
                return windowsMe;
        }
        showKbrAssertWithMessage("false", UNRECOGNIZED, __FILE__, __LINE__);
        return unrecognizedOperatingSystem;
    case PLATFORM_WIN32S:
        return windows3_1;
    default:
        showKbrAssertWithMessage("false", UNRECOGNIZED, __FILE__, __LINE__);
        return unrecognizedOperatingSystem;
    }
}
