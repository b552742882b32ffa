#include "SystemMemory.h"

#include <windows.h>

namespace SystemMemory {

qint64 physicalBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
}

// The Windows heap takes blocks of a photo's size straight from the system
// and returns them when they are freed: nothing to set, and nothing to give
// back afterwards. _heapmin() would gain nothing, and under wine compacting
// while a reader thread allocates corrupts the heap.
void returnLargeBlocksWhenFreed() {}

void releaseFreed() {}

} // namespace SystemMemory
