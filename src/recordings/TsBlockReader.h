#pragma once

#include "platform/FileHandle.h"

#include <cstdint>
#include <vector>

// Reads a recording in blocks of whole 188-byte packets into one zero-filled
// buffer that lives as long as the reader.
class TsBlockReader {
  public:
    // `blockBytes` is rounded down to whole packets (one packet at least).
    TsBlockReader(const platform::FileHandle& file, std::int64_t blockBytes);

    // Reads up to `length` bytes (a block when negative) at `offset`; false when
    // the read fails.
    bool ReadBlock(std::int64_t offset, std::int64_t length = -1);
    // Reads the block behind the current one.
    bool ReadNextBlock();

    const std::uint8_t* Data() const { return buffer_.data(); }
    std::int64_t BlockBytes() const { return blockBytes_; }
    std::int64_t Offset() const { return offset_; }
    // Bytes of the last read, and the whole packets among them.
    std::int64_t Length() const { return length_; }
    std::int64_t Packets() const { return length_ / kPacket; }
    const std::uint8_t* Packet(std::int64_t index) const { return Data() + index * kPacket; }

    static constexpr std::int64_t kPacket = 188;

  private:
    const platform::FileHandle& file_;
    std::int64_t blockBytes_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t offset_ = 0;
    std::int64_t length_ = 0;
};

// The 13-bit PID of a packet.
inline std::uint32_t TsPacketPid(const std::uint8_t* packet) {
    return (static_cast<std::uint32_t>(packet[1] & 0x1F) << 8) | packet[2];
}

// Little-endian fields of the recorder's log header and records.
inline std::uint16_t ReadLe16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline std::uint32_t ReadLe32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(ReadLe16(at)) |
           (static_cast<std::uint32_t>(ReadLe16(at + 2)) << 16);
}
