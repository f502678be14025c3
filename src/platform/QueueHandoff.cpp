#include "QueueHandoff.h"

#if defined(__SANITIZE_THREAD__)
#define PLATFORM_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PLATFORM_THREAD_SANITIZER 1
#endif
#endif

#ifdef PLATFORM_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace platform {

void HandOver([[maybe_unused]] const void* token) {
#ifdef PLATFORM_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(token));
#endif
}

void TakeOver([[maybe_unused]] const void* token) {
#ifdef PLATFORM_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(token));
#endif
}

}  // namespace platform
