#include "Memory.h"

#include <sys/sysinfo.h>

#include <atomic>

namespace qvx {
namespace platform {

namespace {
std::atomic<PhysicalMemorySource> replacement{nullptr};
}  // namespace

std::uint64_t physicalMemoryBytes()
{
    if (PhysicalMemorySource source = replacement.load())
        return source();
    struct sysinfo info;
    if (::sysinfo(&info) != 0)
        return 0;
    return static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
}

PhysicalMemorySource setPhysicalMemorySource(PhysicalMemorySource source)
{
    return replacement.exchange(source);
}

}  // namespace platform
}  // namespace qvx
