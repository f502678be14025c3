#include "DestTable.h"
#include "recordings/ByteOrder.h"

#include <cstring>
#include <new>
#include <stdexcept>

using recordings::WriteBe32;

namespace cutting {

DestTable::DestTable(std::uint32_t entrySize, std::uint64_t capacity)
    : entrySize_(entrySize), capacity_(capacity) {
    if (capacity > UINT32_MAX || capacity * entrySize > SIZE_MAX / 2) {
        throw std::bad_alloc();
    }
    bytes_.assign(static_cast<std::size_t>(capacity * entrySize), 0);
}

bool DestTable::Append(const std::uint8_t* entries, std::uint32_t count) {
    if (!HasRoomFor(count)) {
        return false;
    }
    if (count > 0) {
        std::memcpy(bytes_.data() + UsedBytes(), entries, std::size_t{count} * entrySize_);
    }
    count_ += count;
    return true;
}

bool DestTable::AppendU32BE(std::uint32_t value) {
    std::uint8_t entry[4];
    WriteBe32(entry, value);
    return entrySize_ == 4 && Append(entry, 1);
}

std::uint8_t* DestTable::Entry(std::uint32_t index) {
    if (index >= count_) {
        throw std::runtime_error("Table index error");
    }
    return bytes_.data() + std::size_t{index} * entrySize_;
}

}  // namespace cutting
