#pragma once

// A plain reader of ISO/QuickTime box trees, for tests that check the clips the
// cutters write without going through the cutters' own walks.
//
//   BoxTree tree(bytes);
//   const BoxNode* stco = tree.Find("moov/trak[1]/mdia/minf/stbl/stco");
//   std::vector<std::vector<std::uint8_t>> samples = tree.TrackSamples(1);

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace isorec {

struct BoxNode {
    std::string type;
    std::size_t offset = 0;
    std::uint32_t size = 0;
    std::vector<BoxNode> children;
};

class BoxTree {
  public:
    explicit BoxTree(std::vector<std::uint8_t> bytes);

    bool Valid() const { return valid_; }  // every box lay inside its parent
    const std::vector<BoxNode>& TopLevel() const { return top_; }
    // Path of types from the top level; "trak[1]" is the second trak.
    const BoxNode* Find(const std::string& path) const;
    std::uint32_t U32(const BoxNode& box, std::size_t at) const;
    // The children's types of a box, in order.
    std::vector<std::string> ChildTypes(const std::string& path) const;

    // Sample bytes of the track (0-based trak index) read through its stsc,
    // stsz and stco, in decoding order.
    std::vector<std::vector<std::uint8_t>> TrackSamples(int track) const;
    // The 32-bit entries of a table box (stco, stsz, stss, ...) after its
    // header of `headerSize` bytes.
    std::vector<std::uint32_t> Entries(const std::string& path, std::size_t headerSize,
                                       std::size_t entrySize = 4, std::size_t field = 0) const;

  private:
    std::vector<BoxNode> Parse(std::size_t begin, std::size_t end, int depth);

    std::vector<std::uint8_t> bytes_;
    std::vector<BoxNode> top_;
    bool valid_ = true;
};

}  // namespace isorec
