#include "SystemMemory.h"

#include <malloc.h>
#include <unistd.h>

namespace SystemMemory {

qint64 physicalBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
}

void returnLargeBlocksWhenFreed() {
#ifdef __GLIBC__
    // glibc raises its mmap threshold each time a large block is freed, after
    // which photos and file buffers land in heaps it keeps; and each reading
    // thread may get a heap of its own, which malloc_trim() never shrinks. A
    // fixed threshold hands every large block back as soon as it is freed,
    // one heap for all keeps the rest where malloc_trim() finds it.
    static const bool pinned =
        mallopt(M_MMAP_THRESHOLD, 1024 * 1024) == 1 && mallopt(M_ARENA_MAX, 1) == 1;
    Q_UNUSED(pinned);
#endif
}

void releaseFreed() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace SystemMemory
