#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cutting {

// One merged sample table of a clip: entries of a fixed size held in file byte
// order, zero-filled up to a capacity fixed when the cut starts. Appends never
// grow it; one that would pass the capacity is refused and writes nothing.
class DestTable {
  public:
    DestTable() = default;
    // Throws std::bad_alloc when the memory cannot be had.
    DestTable(std::uint32_t entrySize, std::uint64_t capacity);

    std::uint32_t Count() const { return count_; }
    std::uint64_t Capacity() const { return capacity_; }
    bool HasRoomFor(std::uint64_t entries) const { return entries <= capacity_ - count_; }

    // Copies `entries` whole entries; false (nothing copied) when they do not fit.
    bool Append(const std::uint8_t* entries, std::uint32_t count);
    // Appends one big-endian 32-bit entry; false when full.
    bool AppendU32BE(std::uint32_t value);

    std::uint8_t* Entry(std::uint32_t index);
    const std::uint8_t* Data() const { return bytes_.data(); }
    std::size_t UsedBytes() const { return std::size_t{count_} * entrySize_; }

  private:
    std::uint32_t entrySize_ = 0;
    std::uint64_t capacity_ = 0;
    std::uint32_t count_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace cutting
