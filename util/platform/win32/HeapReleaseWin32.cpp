#include "HeapRelease.h"

#include <malloc.h>
#include <windows.h>

namespace qvx {
namespace platform {

// The run-time gives its free blocks back to the process heap, and the
// process heap compacts and decommits what it can.
void releaseFreedHeapMemory()
{
    _heapmin();
    ::HeapCompact(::GetProcessHeap(), 0);
}

}  // namespace platform
}  // namespace qvx
