#pragma once
// Gives freed heap memory back to the system. The C library keeps freed pages for reuse, so after
// the panel lets go of a large text or result the process would otherwise stay at its peak size.

namespace tavlets {

// Tunes the allocator once at start-up so that large buffers come back to the system when freed.
void tuneAllocatorForLargeBuffers();
// Returns the free pages of every heap to the system. Takes a few milliseconds on a large heap.
void returnFreedMemory();

}  // namespace tavlets
