#pragma once

#include "media/AvHandles.h"
#include "media/MediaTypes.h"

#include <cstdint>
#include <vector>

namespace media {

// One unit of data passed from pin to pin, tagged with the seek generation it
// belongs to. Times are media positions (100 ns, 0 = first picture).
struct MediaSample {
    enum class Kind { Packet, Picture, Audio, EndOfStream };

    Kind kind = Kind::EndOfStream;
    std::uint64_t generation = 0;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    AvPacketPtr packet;               // Packet
    SharedFrame picture;              // Picture
    std::vector<std::int16_t> audio;  // Audio: interleaved 16-bit samples

    std::size_t Bytes() const;
    static MediaSample EndOfStream(std::uint64_t generation);
};

}  // namespace media
