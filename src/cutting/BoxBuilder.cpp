#include "BoxBuilder.h"
#include "recordings/ByteOrder.h"

#include <stdexcept>

using recordings::WriteBe32;

namespace cutting {

void BoxBuilder::Append(const std::uint8_t* bytes, std::size_t size) {
    bytes_.insert(bytes_.end(), bytes, bytes + size);
}

void BoxBuilder::AppendU32BE(std::uint32_t value) {
    std::uint8_t field[4];
    WriteBe32(field, value);
    Append(field, sizeof field);
}

void BoxBuilder::AppendHeader(std::uint32_t size, const std::uint8_t* sourceBox) {
    AppendU32BE(size);
    Append(sourceBox + 4, 4);
}

void BoxBuilder::AppendPatched(const std::uint8_t* source, std::size_t size,
                               std::initializer_list<Patch> patches) {
    const std::size_t start = bytes_.size();
    Append(source, size);
    for (const Patch& patch : patches) {
        if (patch.first + 4u > size) {
            throw std::logic_error("Patch outside its piece");
        }
        WriteBe32(bytes_.data() + start + patch.first, patch.second);
    }
}

}  // namespace cutting
