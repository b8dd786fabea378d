#ifndef QVX_MEMORY_H
#define QVX_MEMORY_H

#include <cstdint>

#include "QvxExport.h"

// The machine's physical memory.
namespace qvx {
namespace platform {

// The total physical memory in bytes, as the 64-bit memory status gives it
// (on Linux: the total RAM of sysinfo times its memory unit). 0 when the host
// cannot tell.
QVXUTIL_API std::uint64_t physicalMemoryBytes();

// Test seam: installs a replacement source of the total; nullptr restores the
// host's. Returns the previous replacement (nullptr when none was installed).
using PhysicalMemorySource = std::uint64_t (*)();
QVXUTIL_API PhysicalMemorySource setPhysicalMemorySource(PhysicalMemorySource source);

}  // namespace platform
}  // namespace qvx

#endif
