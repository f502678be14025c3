#pragma once

#include <cstddef>

namespace media {

// Memory handed to callers of the media objects, who give it back with TaskMemFree.
void* TaskMemAlloc(std::size_t size);
void TaskMemFree(void* block);

}  // namespace media
