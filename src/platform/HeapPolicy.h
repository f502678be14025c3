#pragma once

#include <cstddef>

namespace platform {

// How the C heap holds memory over a long run that builds and releases media
// graphs again and again (decoded pictures of megabytes, worker threads that
// come and go).
//
// glibc's defaults let such a process grow without bound although what it uses
// stays the same: every thread that meets a locked heap gets a heap of its own
// (up to eight per core), and after the first large block is freed, blocks up
// to 32 MB are no longer mapped on their own but cut from those heaps, where
// what a released graph frees stays resident, scattered between live blocks.
//
// Before the first thread: blocks from kMappedBlockBytes up are mapped on
// their own (returned to the system when freed, whatever their size), and the
// threads share a few heaps. Calling it again changes nothing.
void LimitHeapRetention();

// Gives the free pages of every heap back to the system; a thread that has just
// released a large structure calls it. The bytes of heap in use, for logging.
std::size_t ReturnFreeHeap();

// The bytes the C heap has handed out and not yet had back (heaps and mapped
// blocks together).
std::size_t HeapInUse();

inline constexpr std::size_t kMappedBlockBytes = 256 * 1024;
inline constexpr int kHeapArenas = 2;

}  // namespace platform
