#include "HeapPolicy.h"

#include <malloc.h>

namespace platform {

void LimitHeapRetention() {
    // A fixed threshold also stops glibc from raising it when a mapped block is
    // freed, which is what sends picture-sized blocks into the heaps.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kMappedBlockBytes));
    mallopt(M_ARENA_MAX, kHeapArenas);
}

std::size_t ReturnFreeHeap() {
    malloc_trim(0);
    return HeapInUse();
}

std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

}  // namespace platform
