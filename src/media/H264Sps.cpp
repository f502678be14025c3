#include "H264Sps.h"

#include <array>
#include <stdexcept>
#include <vector>

namespace media {

namespace {

constexpr int kSpsNalType = 7;
constexpr int kExtendedSar = 255;
// Table E-1 of H.264: the sample aspect ratios of aspect_ratio_idc 1..16.
constexpr std::array<AVRational, 17> kSampleAspects{{{0, 1},
                                                     {1, 1},
                                                     {12, 11},
                                                     {10, 11},
                                                     {16, 11},
                                                     {40, 33},
                                                     {24, 11},
                                                     {20, 11},
                                                     {32, 11},
                                                     {80, 33},
                                                     {18, 11},
                                                     {15, 11},
                                                     {64, 33},
                                                     {160, 99},
                                                     {4, 3},
                                                     {3, 2},
                                                     {2, 1}}};

// Reads the bits of an RBSP; running past its end throws.
class BitReader {
  public:
    explicit BitReader(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::uint32_t Bits(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (at_ >= bytes_.size() * 8) {
                throw std::out_of_range("past the end of the set");
            }
            value = (value << 1) | ((bytes_[at_ / 8] >> (7 - at_ % 8)) & 1u);
            ++at_;
        }
        return value;
    }
    bool Flag() { return Bits(1) != 0; }
    std::uint32_t Unsigned() {
        int zeros = 0;
        while (!Flag()) {
            if (++zeros > 31) {
                throw std::out_of_range("exp-Golomb code too long");
            }
        }
        return ((1u << zeros) - 1) + Bits(zeros);
    }
    std::int32_t Signed() {
        const std::uint32_t code = Unsigned();
        return (code & 1u) != 0 ? static_cast<std::int32_t>((code + 1) / 2)
                                : -static_cast<std::int32_t>(code / 2);
    }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// The payload without the header byte and the emulation prevention bytes.
std::vector<std::uint8_t> Rbsp(const std::uint8_t* nal, std::size_t size) {
    std::vector<std::uint8_t> rbsp;
    int zeros = 0;
    for (std::size_t i = 1; i < size; ++i) {
        if (zeros >= 2 && nal[i] == 0x03) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        rbsp.push_back(nal[i]);
    }
    return rbsp;
}

void SkipScalingList(BitReader& bits, int size) {
    int last = 8;
    int next = 8;
    for (int j = 0; j < size; ++j) {
        if (next != 0) {
            next = (last + bits.Signed() + 256) % 256;
        }
        last = next == 0 ? last : next;
    }
}

bool HasChromaFormat(std::uint32_t profile) {
    switch (profile) {
        case 100:
        case 110:
        case 122:
        case 244:
        case 44:
        case 83:
        case 86:
        case 118:
        case 128:
        case 138:
        case 139:
        case 134:
        case 135:
            return true;
        default:
            return false;
    }
}

// Reads up to the video usability information; false when there is none.
bool SkipToVui(BitReader& bits) {
    const std::uint32_t profile = bits.Bits(8);
    bits.Bits(16);    // constraint flags, level
    bits.Unsigned();  // seq_parameter_set_id
    if (HasChromaFormat(profile)) {
        const std::uint32_t chroma = bits.Unsigned();
        if (chroma == 3) {
            bits.Flag();  // separate_colour_plane_flag
        }
        bits.Unsigned();  // bit depths
        bits.Unsigned();
        bits.Flag();  // qpprime_y_zero_transform_bypass_flag
        if (bits.Flag()) {
            for (int i = 0; i < (chroma != 3 ? 8 : 12); ++i) {
                if (bits.Flag()) {
                    SkipScalingList(bits, i < 6 ? 16 : 64);
                }
            }
        }
    }
    bits.Unsigned();  // log2_max_frame_num_minus4
    const std::uint32_t orderType = bits.Unsigned();
    if (orderType == 0) {
        bits.Unsigned();
    } else if (orderType == 1) {
        bits.Flag();
        bits.Signed();
        bits.Signed();
        const std::uint32_t cycle = bits.Unsigned();
        if (cycle > 255) {
            throw std::out_of_range("reference frame cycle too long");
        }
        for (std::uint32_t i = 0; i < cycle; ++i) {
            bits.Signed();
        }
    }
    bits.Unsigned();  // max_num_ref_frames
    bits.Flag();      // gaps_in_frame_num_value_allowed_flag
    bits.Unsigned();  // pic_width_in_mbs_minus1
    bits.Unsigned();  // pic_height_in_map_units_minus1
    if (!bits.Flag()) {
        bits.Flag();  // mb_adaptive_frame_field_flag
    }
    bits.Flag();  // direct_8x8_inference_flag
    if (bits.Flag()) {
        for (int i = 0; i < 4; ++i) {
            bits.Unsigned();  // cropping
        }
    }
    return bits.Flag();
}

}  // namespace

std::optional<AVRational> H264SampleAspect(const std::uint8_t* nal, std::size_t size) {
    if (size < 2 || (nal[0] & 0x1F) != kSpsNalType) {
        return std::nullopt;
    }
    try {
        BitReader bits(Rbsp(nal, size));
        if (!SkipToVui(bits) || !bits.Flag()) {
            return AVRational{0, 1};
        }
        const std::uint32_t index = bits.Bits(8);
        if (index == kExtendedSar) {
            const int width = static_cast<int>(bits.Bits(16));
            const int height = static_cast<int>(bits.Bits(16));
            return height > 0 ? AVRational{width, height} : AVRational{0, 1};
        }
        if (index >= kSampleAspects.size()) {
            return std::nullopt;  // the decoder refuses such a set
        }
        return kSampleAspects[index];
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}

}  // namespace media
