#include "panel/memory_release.hpp"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tavlets {

void tuneAllocatorForLargeBuffers() {
#if defined(__GLIBC__)
#endif
}

void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace tavlets
