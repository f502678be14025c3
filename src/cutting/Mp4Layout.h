#pragma once

#include "AtomWalk.h"
#include "Cuttingproc.h"
#include "SourceReader.h"

#include <cstdint>
#include <vector>

// The recorder's MP4 recordings: one fixed box order, walked by position. The
// top level is a first box (ftyp, copied into clips as it is), any boxes, "mdat",
// and the movie box right after "mdat". The movie box holds mvhd, the video trak,
// the audio "trak" and "udta" with the recorder's text box, "FPTS" and "FLOG".
// Headers and tables are big-endian; FPTS values and FLOG records little-endian.

namespace cutting {

inline constexpr std::uint32_t kMp4MvhdSize = 108;
inline constexpr std::uint32_t kMp4TkhdSize = 92;
inline constexpr std::uint32_t kMp4MdhdSize = 32;
inline constexpr std::uint32_t kMp4AudioSttsSize = 24;
inline constexpr std::uint32_t kMp4TextHeaderSize = 12;
inline constexpr std::uint32_t kMp4LogHeaderSize = 16;  // FPTS and FLOG
inline constexpr std::uint32_t kFptsValueSize = 4;
inline constexpr std::uint32_t kFlogRecordSize = 64;
inline constexpr std::uint32_t kFlogRecordsPerSecond = 5;

// The boxes of one track; stss is only in the video track.
struct Mp4TrackBoxes {
    AtomSpan trak, tkhd, mdia, mdhd, hdlr, minf, mediaHeader, dinf, stbl;
    AtomSpan stsd, stts, stss, stsc, stsz, stco;
};

// Time of a FLOG record in milliseconds: seconds x 1000 plus the low 12 bits of
// the 16-bit milliseconds field (32-bit arithmetic).
std::uint32_t FlogRecordTime(const std::uint8_t* record);

}  // namespace cutting

// Where the walk found each box. Positions of the movie box's descendants are
// offsets in the movie bytes (the movie box itself starts there at 0).
struct Mp4BoxMap {
    std::uint32_t firstBoxSize = 0;  // S0
    std::uint64_t mdatOffset = 0;
    std::uint64_t moovOffset = 0;  // end of "mdat"
    cutting::AtomSpan moov, mvhd;
    cutting::Mp4TrackBoxes video, audio;
    cutting::AtomSpan udta;
    std::uint32_t textPos = 0;     // the recorder's text box (its size is not used)
    std::uint32_t textLength = 0;  // L
    cutting::AtomSpan fpts, flog;
};

// One walked source: its movie box and the values the cutter takes from it.
// Every table index below its count lies inside its box (the walk checked it).
class RecordingMp4Layout {
  public:
    const Mp4BoxMap& Map() const { return map_; }
    const std::uint8_t* Bytes(const cutting::AtomSpan& box) const {
        return movie_.data() + box.pos;
    }
    const std::uint8_t* Bytes(std::uint32_t pos) const { return movie_.data() + pos; }

    std::uint32_t videoChunkCount = 0;
    std::uint32_t videoSampleCount = 0;
    std::uint32_t audioChunkCount = 0;
    std::uint32_t audioSampleCount = 0;
    std::uint32_t recordCount = 0;
    std::uint32_t movieTimeScale = 0;
    std::uint32_t videoTimeScale = 0;
    std::uint32_t audioTimeScale = 0;
    std::uint32_t audioSampleDelta = 0;

    // Entries in file byte order (8-byte stts, 12-byte stsc, 4-byte stsz and stco).
    const std::uint8_t* VideoSttsEntry(std::uint32_t sample) const;
    const std::uint8_t* VideoStszEntry(std::uint32_t sample) const;
    const std::uint8_t* VideoStscEntry(std::uint32_t chunk) const;
    const std::uint8_t* AudioStscEntry(std::uint32_t chunk) const;
    const std::uint8_t* AudioStszEntry(std::uint32_t sample) const;
    const std::uint8_t* FptsValue(std::uint32_t record) const;
    const std::uint8_t* FlogRecord(std::uint32_t record) const;

    std::uint32_t VideoSampleDelta(std::uint32_t sample) const;
    std::uint32_t VideoSamplesPerChunk(std::uint32_t chunk) const;
    std::uint32_t VideoSampleSize(std::uint32_t sample) const;
    std::uint32_t VideoChunkOffset(std::uint32_t chunk) const;
    std::uint32_t AudioSamplesPerChunk(std::uint32_t chunk) const;
    std::uint32_t AudioSampleSize(std::uint32_t sample) const;
    std::uint32_t AudioChunkOffset(std::uint32_t chunk) const;
    // The size stsz gives every sample instead of its table; 0 in a recording.
    std::uint32_t UniformSampleSize(bool video) const;

  private:
    friend CutResult Mp4ParseAtoms(const cutting::SourceReader& source, RecordingMp4Layout& layout);
    void Walk(const cutting::SourceReader& source);
    void WalkVideoTrack(const cutting::AtomWalk& walk, const cutting::AtomSpan& trak);
    void WalkAudioTrack(const cutting::AtomWalk& walk, const cutting::AtomSpan& trak);
    void WalkUserData(const cutting::AtomWalk& walk, const cutting::AtomSpan& udta);

    std::vector<std::uint8_t> movie_;
    Mp4BoxMap map_;
};

// Walks a source into `layout`: 0, or Err_Cut_SrcFileMappingError when the file
// does not have the recorder's layout, breaks a reading limit or has a zero time
// scale or audio sample delta.
CutResult Mp4ParseAtoms(const cutting::SourceReader& source, RecordingMp4Layout& layout);
