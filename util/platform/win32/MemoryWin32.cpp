#include "Memory.h"

#include <windows.h>

#include <atomic>

namespace qvx {
namespace platform {

namespace {
std::atomic<PhysicalMemorySource> g_source{nullptr};

std::uint64_t hostPhysicalMemory()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    return ::GlobalMemoryStatusEx(&status) ? static_cast<std::uint64_t>(status.ullTotalPhys) : 0;
}
}  // namespace

// GlobalMemoryStatusEx's total physical memory, unless a test installed a source.
std::uint64_t physicalMemoryBytes()
{
    const PhysicalMemorySource source = g_source.load();
    return source != nullptr ? source() : hostPhysicalMemory();
}

PhysicalMemorySource setPhysicalMemorySource(PhysicalMemorySource source)
{
    return g_source.exchange(source);
}

}  // namespace platform
}  // namespace qvx
