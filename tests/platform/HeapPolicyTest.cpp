// The heap policy the program's entry sets: large blocks stay mapped on their own,
// also after a larger one was freed, so what a released media graph frees goes
// back to the system instead of staying in the heaps.
#include "platform/HeapPolicy.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <cstring>

namespace {

// The sanitizers bring their own allocator: glibc's settings and figures mean
// nothing there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kGlibcHeap = false;
#else
constexpr bool kGlibcHeap = true;
#endif

// Blocks pass through here, so the compiler cannot drop a malloc and free pair.
void* volatile held = nullptr;

void* Allocate(std::size_t bytes) {
    held = std::malloc(bytes);
    std::memset(held, 1, bytes);
    return held;
}

std::size_t MappedBytes() {
    return mallinfo2().hblkhd;
}

// Whether a block of `bytes` is mapped on its own while it lives.
bool MappedOnItsOwn(std::size_t bytes) {
    const std::size_t before = MappedBytes();
    void* block = Allocate(bytes);
    const bool mapped = MappedBytes() >= before + bytes;
    std::free(block);
    return mapped;
}

TEST(HeapPolicyTest, PictureSizedBlocksStayMappedAfterALargerOneIsFreed) {
    if (!kGlibcHeap) {
        GTEST_SKIP() << "not glibc's allocator";
    }
    platform::LimitHeapRetention();
    EXPECT_FALSE(MappedOnItsOwn(platform::kMappedBlockBytes / 4));
    // glibc's own rule would raise its threshold past this block when it is
    // freed, and the next picture-sized blocks would come from the heaps.
    EXPECT_TRUE(MappedOnItsOwn(8u << 20));
    EXPECT_TRUE(MappedOnItsOwn(3u << 20));
    EXPECT_TRUE(MappedOnItsOwn(platform::kMappedBlockBytes));

    const std::size_t before = platform::HeapInUse();
    void* block = Allocate(1u << 20);
    EXPECT_GE(platform::HeapInUse(), before + (1u << 20));
    std::free(block);
    EXPECT_LT(platform::ReturnFreeHeap(), before + (1u << 20));
}

}  // namespace
