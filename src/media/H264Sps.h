#pragma once

extern "C" {
#include <libavutil/rational.h>
}

#include <cstddef>
#include <cstdint>
#include <optional>

namespace media {

// The sample aspect ratio an H.264 sequence parameter set gives, as libavcodec's
// decoder reports it: the ratio of its video usability information, 0/1 when it
// gives none or an invalid one. `nal` starts with the NAL header (type 7), still
// with its emulation prevention bytes. None when the set cannot be read.
std::optional<AVRational> H264SampleAspect(const std::uint8_t* nal, std::size_t size);

}  // namespace media
