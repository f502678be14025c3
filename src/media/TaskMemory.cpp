#include "TaskMemory.h"

#include <cstdlib>

namespace media {

void* TaskMemAlloc(std::size_t size) {
    return std::malloc(size);
}

void TaskMemFree(void* block) {
    std::free(block);
}

}  // namespace media
