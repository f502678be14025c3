#pragma once

#include "Cuttingproc.h"

#include <cstdint>

// Media bytes go from source to clip in blocks of this size; the stop flag and
// progress are served after each.
namespace cutting {
inline constexpr std::uint32_t kMp4CopyBlockSize = 10000000;
}  // namespace cutting

// Cuts the job's span out of its MP4 recordings into its open output file: the
// first box of the first source, one "mdat" with a byte range of each source and
// a rebuilt movie box with the merged sample tables and sensor log. 0 or the
// failure code; the caller deletes the output on failure. `blockSize` is for
// tests.
CutResult MP4Cutting(CuttingProc* job, std::uint32_t blockSize = cutting::kMp4CopyBlockSize);
