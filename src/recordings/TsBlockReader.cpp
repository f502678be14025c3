#include "TsBlockReader.h"

#include <algorithm>

namespace recordings {

TsBlockReader::TsBlockReader(const platform::FileHandle& file, std::int64_t blockBytes)
    : file_(file),
      blockBytes_(
          std::max<std::int64_t>(kTsPacketSize, blockBytes / kTsPacketSize * kTsPacketSize)) {}

bool TsBlockReader::ReadBlock(std::int64_t offset, std::int64_t length) {
    const std::int64_t wanted = length < 0 ? blockBytes_ : std::min(length, blockBytes_);
    if (wanted > capacity_) {
        // What a read overwrites needs no clearing first.
        buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(wanted));
        capacity_ = wanted;
    }
    const std::int64_t got = file_.ReadAt(buffer_.get(), wanted, offset);
    offset_ = offset;
    length_ = got < 0 ? 0 : got;
    return got >= 0;
}

bool TsBlockReader::ReadNextBlock() {
    return ReadBlock(offset_ + blockBytes_);
}

}  // namespace recordings
