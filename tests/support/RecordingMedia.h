#pragma once

// Samples and sample descriptions for the MP4 and MOV recording writers:
// synthetic samples whose bytes name their track, recording and index (so a
// test can tell where each sample of a clip came from), and real H.264/AAC taken
// from Annex B and ADTS elementary streams, which play.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace isorec {

struct MediaSample {
    std::vector<std::uint8_t> bytes;
    bool key = false;
};

// The samples of one track and its one sample description entry (stsd entry).
struct TrackMedia {
    std::vector<MediaSample> samples;
    std::vector<std::uint8_t> sampleEntry;
};

struct AvMedia {
    TrackMedia video;
    TrackMedia audio;
    std::uint32_t audioSampleRate = 0;
};

// The byte sizes of samples, for stsz.
std::vector<std::uint32_t> SampleSizes(const std::vector<MediaSample>& samples);

// The 1-based numbers of the key samples, for stss.
std::vector<std::uint32_t> KeySampleNumbers(const std::vector<MediaSample>& samples);

// Synthetic samples: 'V', 'A' or 'G' track tags. Every `keyEvery`th sample from
// the first is a key sample (0: none); sizes vary around `baseSize`.
std::vector<MediaSample> SyntheticSamples(char track, std::uint8_t recording, std::uint32_t count,
                                          std::uint32_t keyEvery, std::size_t baseSize);

struct SampleId {
    char track = 0;
    std::uint8_t recording = 0;
    std::uint32_t index = 0;
    bool operator==(const SampleId&) const = default;
};
// The identity a synthetic sample's bytes carry; false when they carry none or
// are not wholly the writer's.
bool ReadSampleId(const std::vector<std::uint8_t>& bytes, SampleId* id);

std::vector<std::uint8_t> AvcSampleEntry(std::uint16_t width, std::uint16_t height,
                                         const std::vector<std::uint8_t>& sps,
                                         const std::vector<std::uint8_t>& pps);
std::vector<std::uint8_t> AacSampleEntry(std::uint16_t channels, std::uint32_t sampleRate,
                                         const std::vector<std::uint8_t>& audioSpecificConfig);
// Synthetic audio of `seconds`: frames of `delta` ticks at `timeScale`, each a key
// sample of about `baseSize` bytes, with its description.
TrackMedia SyntheticAudioTrack(std::uint8_t recording, double seconds, std::uint32_t timeScale,
                               std::uint32_t delta, std::size_t baseSize);
// Descriptions for synthetic samples (well formed, but the samples do not decode).
std::vector<std::uint8_t> SyntheticVideoEntry();
std::vector<std::uint8_t> SyntheticAudioEntry(std::uint32_t sampleRate);
// The recorder's third MOV track: timed data ("gpmd").
std::vector<std::uint8_t> DataSampleEntry();

// Real media from an Annex B H.264 stream without B-frames (one access unit
// delimiter or slice run per picture) and AAC ADTS frames. False when either
// stream yields nothing.
bool MediaFromElementaryStreams(const std::vector<std::uint8_t>& h264,
                                const std::vector<std::uint8_t>& adts, std::uint16_t width,
                                std::uint16_t height, AvMedia* out);

}  // namespace isorec
