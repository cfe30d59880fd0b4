#include "running/memory_release.hpp"

// Any C library header defines __GLIBC__ when the library is glibc.
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tavlets {

void tuneAllocatorForLargeBuffers() {
#if defined(__GLIBC__)
    // Fixed thresholds. Left to itself, glibc raises both after every large free (up to 32 MB and
    // 64 MB), so the next large text is carved out of the heap and stays there after it is freed.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024);
    // One heap for every thread: malloc_trim cannot shrink the top of a worker thread's own heap,
    // which kept tens of megabytes after a large run. Runs seldom overlap, and TL;DR on 50 MB
    // took no longer with the one heap.
    mallopt(M_ARENA_MAX, 1);
#endif
}

void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace tavlets
