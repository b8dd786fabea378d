#ifndef QVX_HEAP_RELEASE_H
#define QVX_HEAP_RELEASE_H

#include "QvxExport.h"

// Gives the memory that the process's heap holds freed back to the system.
// An allocator keeps freed blocks for reuse, and after a large block was
// freed it may keep many megabytes so; a class that has just freed a large
// buffer calls this so that the process's resident size falls back. It costs
// a walk over the heap: call it after freeing megabytes, not on hot paths.
namespace qvx {
namespace platform {

QVXUTIL_API void releaseFreedHeapMemory();

}  // namespace platform
}  // namespace qvx

#endif
