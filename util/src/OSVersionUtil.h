#ifndef QVX_OS_VERSION_UTIL_H
#define QVX_OS_VERSION_UTIL_H

#include <atomic>

#include "QvxExport.h"

// Which Windows version the library runs on: the operating system is asked
// once per process, its answer classified and kept, and the predicates answer
// from what was kept.
//
// A host that is none of these versions (every POSIX host) classifies as
// unrecognizedOperatingSystem: the first query reports the failed check
// "false" ("Unrecognized Operating System") once, and the answer is kept like
// any other. The kept flag and value are atomic: two threads that ask first
// at the same time may both query, and both store the same answer.
class QVXUTIL_API OSVersionUtil
{
public:
    enum OSVersion
    {
        windows2000,
        windowsXP,
        windowsNT4,
        windowsNT3_51,
        windows95,
        windows98,
        windowsMe,
        windows3_1,
        unrecognizedOperatingSystem
    };

    static OSVersion getOperatingSystemVersion();
    static bool isWindows2000();
    static bool isWindowsXP();
    static bool isWindowsNT4();
    static bool isWindowsNT3_51();
    static bool isWindows95();
    static bool isWindows98();
    static bool isWindowsMe();
    static bool isWindows3_1();

private:
    static OSVersion queryOperatingSystemForVersionInfo();

    static std::atomic<bool> _hasOperatingSystemBeenQueriedYet;
    static std::atomic<OSVersion> _operatingSystemVersion;
};

#endif
