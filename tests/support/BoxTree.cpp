#include "BoxTree.h"

#include "BoxWriter.h"

#include <set>

namespace isorec {

namespace {

bool IsContainer(const std::string& type) {
    static const std::set<std::string> containers = {"moov", "trak", "mdia", "minf",
                                                     "stbl", "edts", "dinf", "udta"};
    return containers.count(type) > 0;
}

}  // namespace

BoxTree::BoxTree(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    top_ = Parse(0, bytes_.size(), 0);
}

std::vector<BoxNode> BoxTree::Parse(std::size_t begin, std::size_t end, int depth) {
    std::vector<BoxNode> nodes;
    std::size_t at = begin;
    while (at + 8 <= end) {
        BoxNode node;
        node.offset = at;
        node.size = ReadU32(bytes_, at);
        node.type.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(at + 4),
                         bytes_.begin() + static_cast<std::ptrdiff_t>(at + 8));
        if (node.size < 8 || node.size > end - at) {
            valid_ = false;
            return nodes;
        }
        // The recorder's text box in udta is not a container; FPTS/FLOG stay inside it.
        if (IsContainer(node.type) && depth < 8) {
            node.children = Parse(at + 8, at + node.size, depth + 1);
        }
        at += node.size;
        nodes.push_back(std::move(node));
    }
    if (at != end) {
        valid_ = false;
    }
    return nodes;
}

const BoxNode* BoxTree::Find(const std::string& path) const {
    const std::vector<BoxNode>* level = &top_;
    const BoxNode* found = nullptr;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) {
            slash = path.size();
        }
        std::string part = path.substr(start, slash - start);
        int index = 0;
        const std::size_t bracket = part.find('[');
        if (bracket != std::string::npos) {
            index = std::stoi(part.substr(bracket + 1));
            part = part.substr(0, bracket);
        }
        found = nullptr;
        for (const BoxNode& node : *level) {
            if (node.type == part && index-- == 0) {
                found = &node;
                break;
            }
        }
        if (found == nullptr) {
            return nullptr;
        }
        level = &found->children;
        start = slash + 1;
    }
    return found;
}

std::uint32_t BoxTree::U32(const BoxNode& box, std::size_t at) const {
    return ReadU32(bytes_, box.offset + at);
}

std::vector<std::string> BoxTree::ChildTypes(const std::string& path) const {
    std::vector<std::string> types;
    if (const BoxNode* box = Find(path)) {
        for (const BoxNode& child : box->children) {
            types.push_back(child.type);
        }
    }
    return types;
}

std::vector<std::uint32_t> BoxTree::Entries(const std::string& path, std::size_t headerSize,
                                            std::size_t entrySize, std::size_t field) const {
    std::vector<std::uint32_t> values;
    const BoxNode* box = Find(path);
    if (box == nullptr) {
        return values;
    }
    for (std::size_t at = headerSize; at + entrySize <= box->size; at += entrySize) {
        values.push_back(U32(*box, at + field));
    }
    return values;
}

std::vector<std::vector<std::uint8_t>> BoxTree::TrackSamples(int track) const {
    const std::string stbl = "moov/trak[" + std::to_string(track) + "]/mdia/minf/stbl/";
    const std::vector<std::uint32_t> firstChunks = Entries(stbl + "stsc", 16, 12, 0);
    const std::vector<std::uint32_t> perChunk = Entries(stbl + "stsc", 16, 12, 4);
    const std::vector<std::uint32_t> sizes = Entries(stbl + "stsz", 20);
    const std::vector<std::uint32_t> offsets = Entries(stbl + "stco", 16);
    std::vector<std::vector<std::uint8_t>> samples;
    std::size_t sample = 0;
    for (std::size_t chunk = 0; chunk < offsets.size(); ++chunk) {
        std::uint32_t count = 0;
        for (std::size_t e = 0; e < firstChunks.size(); ++e) {
            if (firstChunks[e] <= chunk + 1) {
                count = perChunk[e];
            }
        }
        std::size_t at = offsets[chunk];
        for (std::uint32_t i = 0; i < count && sample < sizes.size(); ++i, ++sample) {
            if (at + sizes[sample] > bytes_.size()) {
                return samples;
            }
            samples.emplace_back(bytes_.begin() + static_cast<std::ptrdiff_t>(at),
                                 bytes_.begin() + static_cast<std::ptrdiff_t>(at + sizes[sample]));
            at += sizes[sample];
        }
    }
    return samples;
}

}  // namespace isorec
