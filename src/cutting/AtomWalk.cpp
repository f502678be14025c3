#include "AtomWalk.h"
#include "recordings/ByteOrder.h"

#include <cstring>
#include <stdexcept>

using recordings::ReadBe16;
using recordings::ReadBe32;

namespace cutting {

namespace {

constexpr std::uint32_t kHeaderSize = 8;

[[noreturn]] void Refuse(const char* text) {
    throw std::runtime_error(text);
}

// True when the four bytes at `at` spell `type` ("mdat", "trak", ...).
bool TypeIs(const std::uint8_t* at, const char (&type)[5]) {
    return std::memcmp(at, type, 4) == 0;
}

}  // namespace

AtomSpan AtomWalk::Root() const {
    if (bytes_.size() < kHeaderSize || bytes_.size() > UINT32_MAX ||
        ReadBe32(bytes_.data()) != bytes_.size()) {
        Refuse("Atom size error");
    }
    return AtomSpan{0, static_cast<std::uint32_t>(bytes_.size())};
}

AtomSpan AtomWalk::At(std::uint64_t pos, const AtomSpan& parent) const {
    if (pos < parent.pos || pos + kHeaderSize > parent.End()) {
        Refuse("Atom outside its parent");
    }
    const auto start = static_cast<std::uint32_t>(pos);
    const std::uint32_t size = ReadBe32(bytes_.data() + start);
    if (size < kHeaderSize || size > parent.End() - start) {
        Refuse("Atom size error");
    }
    return AtomSpan{start, size};
}

bool AtomWalk::Is(const AtomSpan& atom, const char (&type)[5]) const {
    return TypeIs(bytes_.data() + atom.pos + 4, type);
}

void AtomWalk::Expect(const AtomSpan& atom, const char (&type)[5]) const {
    if (!Is(atom, type)) {
        Refuse("Atom type error");
    }
}

void AtomWalk::ExpectSize(const AtomSpan& atom, std::uint32_t size) const {
    if (atom.size != size) {
        Refuse("Atom size error");
    }
}

void AtomWalk::RequireInside(const AtomSpan& atom, std::uint64_t offset,
                             std::uint64_t length) const {
    if (offset > atom.size || length > atom.size - offset) {
        Refuse("Table outside its atom");
    }
}

std::uint32_t AtomWalk::U32(const AtomSpan& atom, std::uint32_t offset) const {
    RequireInside(atom, offset, 4);
    return ReadBe32(bytes_.data() + atom.pos + offset);
}

std::uint16_t AtomWalk::U16(const AtomSpan& atom, std::uint32_t offset) const {
    RequireInside(atom, offset, 2);
    return ReadBe16(bytes_.data() + atom.pos + offset);
}

void AtomWalk::RequireEntries(const AtomSpan& atom, std::uint32_t first, std::uint64_t count,
                              std::uint32_t entrySize) const {
    RequireInside(atom, first, count * entrySize);
}

const std::uint8_t* TableEntry(std::span<const std::uint8_t> bytes, const AtomSpan& table,
                               std::uint32_t first, std::uint32_t size, std::uint32_t index,
                               std::uint32_t count) {
    if (index >= count) {
        Refuse("Table index error");
    }
    return bytes.data() + table.pos + first + std::uint64_t{index} * size;
}

TopLevelAtom FindTopLevelAtom(const SourceReader& source, std::uint64_t from,
                              const char (&type)[5]) {
    std::uint64_t pos = from;
    std::uint8_t header[kHeaderSize];
    for (;;) {
        if (!source.Read(pos, header, kHeaderSize)) {
            Refuse("Atom not found");
        }
        const std::uint32_t size = ReadBe32(header);
        if (size < kHeaderSize) {
            Refuse("Atom size error");
        }
        if (TypeIs(header + 4, type)) {
            return TopLevelAtom{pos, size};
        }
        pos += size;
    }
}

void ReadWholeAtom(const SourceReader& source, std::uint64_t offset,
                   std::vector<std::uint8_t>& bytes) {
    std::uint8_t header[kHeaderSize];
    if (!source.Read(offset, header, kHeaderSize)) {
        Refuse("Atom outside the file");
    }
    const std::uint32_t size = ReadBe32(header);
    if (size < kHeaderSize || size > source.Size() - offset) {
        Refuse("Atom size error");
    }
    bytes.resize(size);
    if (!source.Read(offset, bytes.data(), size)) {
        Refuse("Source read error");
    }
}

}  // namespace cutting
