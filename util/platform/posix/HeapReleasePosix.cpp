// glibc's allocator behind the heap release.
#include "HeapRelease.h"

#include <malloc.h>

namespace qvx {
namespace platform {

void releaseFreedHeapMemory()
{
    // Every arena, also free pages between blocks in use (glibc 2.8 on).
    ::malloc_trim(0);
}

}  // namespace platform
}  // namespace qvx
