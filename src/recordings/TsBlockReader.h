#pragma once

#include "platform/FileHandle.h"
#include "recordings/TsPacket.h"

#include <cstdint>
#include <memory>

namespace recordings {

// Reads a recording in blocks of whole 188-byte packets into one buffer that lives
// as long as the reader. The buffer grows to the largest read asked for and is
// never cleared: only the bytes of the last read are looked at.
class TsBlockReader {
  public:
    // `blockBytes` is rounded down to whole packets (one packet at least).
    TsBlockReader(const platform::FileHandle& file, std::int64_t blockBytes);

    // Reads up to `length` bytes (a block when negative; never more than one) at
    // `offset`; false when the read fails.
    bool ReadBlock(std::int64_t offset, std::int64_t length = -1);
    // Reads the block behind the current one.
    bool ReadNextBlock();

    const std::uint8_t* Data() const { return buffer_.get(); }
    std::int64_t BlockBytes() const { return blockBytes_; }
    std::int64_t Offset() const { return offset_; }
    // Bytes of the last read, and the whole packets among them.
    std::int64_t Length() const { return length_; }
    std::int64_t Packets() const { return length_ / kTsPacketSize; }
    const std::uint8_t* Packet(std::int64_t index) const { return Data() + index * kTsPacketSize; }

  private:
    const platform::FileHandle& file_;
    std::int64_t blockBytes_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int64_t capacity_ = 0;
    std::int64_t offset_ = 0;
    std::int64_t length_ = 0;
};

}  // namespace recordings
