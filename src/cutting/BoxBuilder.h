#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace cutting {

// Assembles a clip's rebuilt movie box from pieces of a source's boxes and the
// merged tables, so that it goes to the output in one checked write.
class BoxBuilder {
  public:
    // A field to replace: offset in the piece and its new big-endian 32-bit value.
    using Patch = std::pair<std::uint32_t, std::uint32_t>;

    void Append(const std::uint8_t* bytes, std::size_t size);
    void AppendU32BE(std::uint32_t value);
    // An 8-byte header with a new size and the type of `sourceBox`.
    void AppendHeader(std::uint32_t size, const std::uint8_t* sourceBox);
    // `size` bytes of `source` with the given fields replaced.
    void AppendPatched(const std::uint8_t* source, std::size_t size,
                       std::initializer_list<Patch> patches);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }

  private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace cutting
