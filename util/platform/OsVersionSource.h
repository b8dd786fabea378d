#ifndef QVX_OS_VERSION_SOURCE_H
#define QVX_OS_VERSION_SOURCE_H

#include <string>

#include "QvxExport.h"

// The operating system's version record: platform, major and minor version
// as the library's original platform numbers them, and the host's own name
// and release for people to read.
namespace qvx {
namespace platform {

struct OsVersionRecord
{
    // 0: Windows 3.1 with its 32-bit extension, 1: the 9x family, 2: the NT
    // family; OS_PLATFORM_OTHER: a host that is none of these (POSIX hosts).
    unsigned long platform = 0;
    unsigned long major = 0;
    unsigned long minor = 0;
    std::string systemName;  // e.g. "Linux"
    std::string release;     // e.g. "6.1.0-18-amd64"
};

const unsigned long OS_PLATFORM_OTHER = 0xFFFF;

// Asks the version source (the host unless a test replaced it). False when
// there is no version record at all; record is then as it was.
QVXUTIL_API bool queryOsVersion(OsVersionRecord& record);

// Test seam: replaces the version source; nullptr restores the host's.
// Returns the source replaced (nullptr for the host's).
using OsVersionSource = bool (*)(OsVersionRecord& record);
QVXUTIL_API OsVersionSource setOsVersionSource(OsVersionSource source);

}  // namespace platform
}  // namespace qvx

#endif
