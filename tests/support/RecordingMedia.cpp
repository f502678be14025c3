#include "RecordingMedia.h"

#include "BoxWriter.h"

#include <cmath>
#include <string>

namespace isorec {

namespace {

constexpr std::uint8_t kSampleMagic = 0xA5;

struct Nal {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    int Type() const { return data[0] & 0x1F; }
};

std::vector<Nal> SplitNals(const std::vector<std::uint8_t>& es) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i + 3 <= es.size(); ++i) {
        if (es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1) {
            starts.push_back(i + 3);
            i += 2;
        }
    }
    std::vector<Nal> nals;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        std::size_t end = k + 1 < starts.size() ? starts[k + 1] - 3 : es.size();
        while (end > starts[k] && es[end - 1] == 0) {
            --end;  // the zero byte of a four-byte start code
        }
        if (end > starts[k]) {
            nals.push_back(Nal{es.data() + starts[k], end - starts[k]});
        }
    }
    return nals;
}

bool StartsPicture(const Nal& nal, bool pictureHasSlice) {
    const int type = nal.Type();
    if (type == 9) {
        return true;
    }
    if (!pictureHasSlice) {
        return false;
    }
    if (type == 6 || type == 7 || type == 8) {
        return true;
    }
    // first_mb_in_slice == 0 starts a new picture.
    return (type == 1 || type == 5) && nal.size > 1 && (nal.data[1] & 0x80) != 0;
}

void AppendLengthPrefixed(std::vector<std::uint8_t>& out, const Nal& nal) {
    const auto size = static_cast<std::uint32_t>(nal.size);
    out.push_back(static_cast<std::uint8_t>(size >> 24));
    out.push_back(static_cast<std::uint8_t>(size >> 16));
    out.push_back(static_cast<std::uint8_t>(size >> 8));
    out.push_back(static_cast<std::uint8_t>(size));
    out.insert(out.end(), nal.data, nal.data + nal.size);
}

void AvcSamples(const std::vector<std::uint8_t>& h264, std::vector<MediaSample>* samples,
                std::vector<std::uint8_t>* sps, std::vector<std::uint8_t>* pps) {
    MediaSample current;
    bool hasSlice = false;
    for (const Nal& nal : SplitNals(h264)) {
        if (StartsPicture(nal, hasSlice) && hasSlice) {
            samples->push_back(std::move(current));
            current = MediaSample();
            hasSlice = false;
        }
        const int type = nal.Type();
        if (type == 7 && sps->empty()) {
            sps->assign(nal.data, nal.data + nal.size);
        } else if (type == 8 && pps->empty()) {
            pps->assign(nal.data, nal.data + nal.size);
        }
        if (type == 9 || type == 7 || type == 8) {
            continue;
        }
        AppendLengthPrefixed(current.bytes, nal);
        if (type == 1 || type == 5) {
            hasSlice = true;
            current.key = current.key || type == 5;
        }
    }
    if (hasSlice) {
        samples->push_back(std::move(current));
    }
}

constexpr std::uint32_t kAdtsRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                        22050, 16000, 12000, 11025, 8000,  7350};

bool AacSamples(const std::vector<std::uint8_t>& adts, std::vector<MediaSample>* samples,
                std::vector<std::uint8_t>* config, std::uint16_t* channels, std::uint32_t* rate) {
    std::size_t at = 0;
    while (at + 7 <= adts.size()) {
        const std::uint8_t* h = adts.data() + at;
        if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0) {
            return false;
        }
        const bool crc = (h[1] & 0x01) == 0;
        const int profile = h[2] >> 6;
        const int rateIndex = (h[2] >> 2) & 0x0F;
        const int channelConfig = ((h[2] & 0x01) << 2) | (h[3] >> 6);
        const std::size_t length = ((h[3] & 0x03) << 11) | (h[4] << 3) | (h[5] >> 5);
        const std::size_t header = crc ? 9 : 7;
        if (length <= header || at + length > adts.size() || rateIndex > 12) {
            return false;
        }
        if (config->empty()) {
            const int objectType = profile + 1;
            config->push_back(static_cast<std::uint8_t>((objectType << 3) | (rateIndex >> 1)));
            config->push_back(
                static_cast<std::uint8_t>(((rateIndex & 1) << 7) | (channelConfig << 3)));
            *channels = static_cast<std::uint16_t>(channelConfig);
            *rate = kAdtsRates[rateIndex];
        }
        MediaSample sample;
        sample.bytes.assign(h + header, h + length);
        sample.key = true;
        samples->push_back(std::move(sample));
        at += length;
    }
    return !samples->empty();
}

void VisualEntryHead(BoxWriter& w, const std::string& type, std::uint16_t width,
                     std::uint16_t height) {
    w.Open(type);
    w.Zeros(6);
    w.U16(1);  // data reference index
    w.Zeros(16);
    w.U16(width);
    w.U16(height);
    w.U32(0x00480000);
    w.U32(0x00480000);
    w.U32(0);
    w.U16(1);  // frame count
    w.Zeros(32);
    w.U16(0x0018);
    w.U16(0xFFFF);
}

void Descriptor(BoxWriter& w, std::uint8_t tag, std::size_t length) {
    w.U8(tag);
    w.U8(static_cast<std::uint8_t>(length));
}

}  // namespace

std::vector<std::uint32_t> SampleSizes(const std::vector<MediaSample>& samples) {
    std::vector<std::uint32_t> sizes;
    for (const MediaSample& sample : samples) {
        sizes.push_back(static_cast<std::uint32_t>(sample.bytes.size()));
    }
    return sizes;
}

std::vector<std::uint32_t> KeySampleNumbers(const std::vector<MediaSample>& samples) {
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i].key) {
            numbers.push_back(static_cast<std::uint32_t>(i + 1));
        }
    }
    return numbers;
}

std::vector<MediaSample> SyntheticSamples(char track, std::uint8_t recording, std::uint32_t count,
                                          std::uint32_t keyEvery, std::size_t baseSize) {
    std::vector<MediaSample> samples(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        MediaSample& sample = samples[i];
        sample.key = keyEvery > 0 && i % keyEvery == 0;
        const std::size_t size = (sample.key ? 3 * baseSize : baseSize) + (i * 7) % 23;
        sample.bytes.assign(std::max<std::size_t>(size, 7), static_cast<std::uint8_t>(i));
        sample.bytes[0] = kSampleMagic;
        sample.bytes[1] = static_cast<std::uint8_t>(track);
        sample.bytes[2] = recording;
        PatchU32(sample.bytes, 3, i);
    }
    return samples;
}

bool ReadSampleId(const std::vector<std::uint8_t>& bytes, SampleId* id) {
    if (bytes.size() < 7 || bytes[0] != kSampleMagic) {
        return false;
    }
    id->track = static_cast<char>(bytes[1]);
    id->recording = bytes[2];
    id->index = ReadU32(bytes, 3);
    // The filler too, so that a sample read from a wrong offset or with a wrong
    // size is not taken for the writer's.
    for (std::size_t i = 7; i < bytes.size(); ++i) {
        if (bytes[i] != static_cast<std::uint8_t>(id->index)) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> AvcSampleEntry(std::uint16_t width, std::uint16_t height,
                                         const std::vector<std::uint8_t>& sps,
                                         const std::vector<std::uint8_t>& pps) {
    BoxWriter w;
    VisualEntryHead(w, "avc1", width, height);
    w.Open("avcC");
    w.U8(1);
    w.U8(sps.size() > 1 ? sps[1] : 66);
    w.U8(sps.size() > 2 ? sps[2] : 0);
    w.U8(sps.size() > 3 ? sps[3] : 30);
    w.U8(0xFF);  // four-byte lengths
    w.U8(0xE1);
    w.U16(static_cast<std::uint16_t>(sps.size()));
    w.Bytes(sps);
    w.U8(1);
    w.U16(static_cast<std::uint16_t>(pps.size()));
    w.Bytes(pps);
    w.Close();
    w.Close();
    return w.Out();
}

std::vector<std::uint8_t> AacSampleEntry(std::uint16_t channels, std::uint32_t sampleRate,
                                         const std::vector<std::uint8_t>& config) {
    BoxWriter w;
    w.Open("mp4a");
    w.Zeros(6);
    w.U16(1);
    w.Zeros(8);
    w.U16(channels);
    w.U16(16);
    w.U32(0);
    w.U32(sampleRate << 16);
    w.OpenFull("esds", 0);
    const std::size_t decoderSpecific = 2 + config.size();
    const std::size_t decoderConfig = 13 + decoderSpecific;
    Descriptor(w, 0x03, 3 + 2 + decoderConfig + 3);
    w.U16(1);  // ES id
    w.U8(0);
    Descriptor(w, 0x04, decoderConfig);
    w.U8(0x40);  // MPEG-4 audio
    w.U8(0x15);  // audio stream
    w.U8(0);
    w.U16(0x1800);
    w.U32(128000);
    w.U32(128000);
    Descriptor(w, 0x05, config.size());
    w.Bytes(config);
    Descriptor(w, 0x06, 1);
    w.U8(0x02);
    w.Close();
    w.Close();
    return w.Out();
}

std::vector<std::uint8_t> SyntheticVideoEntry() {
    return AvcSampleEntry(320, 240, {0x67, 0x42, 0xC0, 0x1E, 0xD9}, {0x68, 0xCE, 0x3C, 0x80});
}

std::vector<std::uint8_t> SyntheticAudioEntry(std::uint32_t sampleRate) {
    return AacSampleEntry(1, sampleRate, {0x14, 0x08});
}

std::vector<std::uint8_t> DataSampleEntry() {
    BoxWriter w;
    w.Open("gpmd");
    w.Zeros(6);
    w.U16(1);
    w.Close();
    return w.Out();
}

bool MediaFromElementaryStreams(const std::vector<std::uint8_t>& h264,
                                const std::vector<std::uint8_t>& adts, std::uint16_t width,
                                std::uint16_t height, AvMedia* out) {
    *out = AvMedia();
    std::vector<std::uint8_t> sps;
    std::vector<std::uint8_t> pps;
    AvcSamples(h264, &out->video.samples, &sps, &pps);
    if (out->video.samples.empty() || sps.empty() || pps.empty()) {
        return false;
    }
    out->video.sampleEntry = AvcSampleEntry(width, height, sps, pps);
    std::vector<std::uint8_t> config;
    std::uint16_t channels = 0;
    if (!AacSamples(adts, &out->audio.samples, &config, &channels, &out->audioSampleRate)) {
        return false;
    }
    out->audio.sampleEntry = AacSampleEntry(channels, out->audioSampleRate, config);
    return true;
}

TrackMedia SyntheticAudioTrack(std::uint8_t recording, double seconds, std::uint32_t timeScale,
                               std::uint32_t delta, std::size_t baseSize) {
    TrackMedia track;
    const auto frames = static_cast<std::uint32_t>(std::ceil(seconds * timeScale / delta));
    track.samples = SyntheticSamples('A', recording, frames, 1, baseSize);
    track.sampleEntry = SyntheticAudioEntry(timeScale);
    return track;
}

}  // namespace isorec
