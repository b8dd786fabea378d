#include "OsVersionSource.h"

#include <atomic>

namespace qvx {
namespace platform {

bool queryHostOsVersion(OsVersionRecord& record);  // posix/ or win32/

namespace {
std::atomic<OsVersionSource> replacement{nullptr};
}

bool queryOsVersion(OsVersionRecord& record)
{
    const OsVersionSource source = replacement.load();
    return source != nullptr ? source(record) : queryHostOsVersion(record);
}

OsVersionSource setOsVersionSource(OsVersionSource source)
{
    return replacement.exchange(source);
}

}  // namespace platform
}  // namespace qvx
