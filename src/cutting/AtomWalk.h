#pragma once

#include "SourceReader.h"

#include <cstdint>
#include <span>
#include <vector>

namespace cutting {

// Where one box (atom) lies inside a walked buffer: offset and size, the 8-byte
// header included.
struct AtomSpan {
    std::uint32_t pos = 0;
    std::uint32_t size = 0;
    std::uint32_t End() const { return pos + size; }
};

// Steps through boxes laid out back to back in a buffer that holds one whole box
// (the movie box of a recording). Every box taken must have a size of at least 8
// and lie inside the box that encloses it; every field and table read must lie
// inside its own box. A breach throws std::runtime_error, so a walk either ends
// with every position checked or not at all.
class AtomWalk {
  public:
    explicit AtomWalk(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // The whole buffer as one box (its own size field must agree).
    AtomSpan Root() const;
    // The box at `pos`, which must lie inside `parent`.
    AtomSpan At(std::uint64_t pos, const AtomSpan& parent) const;
    AtomSpan FirstChild(const AtomSpan& parent) const { return At(parent.pos + 8ull, parent); }
    AtomSpan Next(const AtomSpan& atom, const AtomSpan& parent) const {
        return At(atom.End(), parent);
    }

    bool Is(const AtomSpan& atom, const char (&type)[5]) const;
    void Expect(const AtomSpan& atom, const char (&type)[5]) const;
    void ExpectSize(const AtomSpan& atom, std::uint32_t size) const;

    std::uint32_t U32(const AtomSpan& atom, std::uint32_t offset) const;
    std::uint16_t U16(const AtomSpan& atom, std::uint32_t offset) const;
    // `count` entries of `entrySize` bytes from `first` must fit inside the box.
    void RequireEntries(const AtomSpan& atom, std::uint32_t first, std::uint64_t count,
                        std::uint32_t entrySize) const;
    const std::uint8_t* Data(const AtomSpan& atom) const { return bytes_.data() + atom.pos; }

  private:
    void RequireInside(const AtomSpan& atom, std::uint64_t offset, std::uint64_t length) const;

    std::span<const std::uint8_t> bytes_;
};

// Entry `index` of a table of `count` entries of `size` bytes that begin `first`
// bytes into `table`; throws std::runtime_error unless index < count.
const std::uint8_t* TableEntry(std::span<const std::uint8_t> bytes, const AtomSpan& table,
                               std::uint32_t first, std::uint32_t size, std::uint32_t index,
                               std::uint32_t count);

// A box of a file's top level, found by stepping over box sizes.
struct TopLevelAtom {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
};

// Steps from `from` over whole boxes up to the first one of `type`. A size below 8
// (which would stand still or step back) and a step out of the file throw.
TopLevelAtom FindTopLevelAtom(const SourceReader& source, std::uint64_t from,
                              const char (&type)[5]);

// A range of file bytes, [begin, end).
struct ByteSpan {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    // `size` bytes at `offset` lie inside; compared without a sum that could overflow.
    bool Holds(std::uint64_t offset, std::uint64_t size) const {
        return offset >= begin && offset <= end && size <= end - offset;
    }
};

// The whole box at `offset`, header included, read into `bytes`; it must lie
// inside the file. Throws otherwise.
void ReadWholeAtom(const SourceReader& source, std::uint64_t offset,
                   std::vector<std::uint8_t>& bytes);

}  // namespace cutting
