#pragma once

#include "AtomWalk.h"
#include "BoxBuilder.h"
#include "Cuttingproc.h"
#include "DestTable.h"
#include "SourceReader.h"

#include <cstdint>
#include <vector>

// The recorder's MOV recordings: a first atom, then atoms among which "moov";
// media anywhere, reached through the chunk offsets. The movie atom holds mvhd,
// one further atom, and three tracks walked by position: video (tkhd, optional
// edts and the atom after it, mdia: mdhd, hdlr, minf: media header, optional data
// hdlr, dinf, stbl: stsd, stts, ctts, stsc, stsz, stco, stss, optional sdtp),
// audio and a third track (tkhd, mdia: ... stbl: stsd, stts, stsc, stsz, stco).
// Every stts has one entry; every sample is its own chunk. A clip's stsc says so
// in one entry, or in none for a track without samples in the clip.

namespace cutting {
class RecordingMovLayout;
}  // namespace cutting

// Finds the first "moov" of the file (from offset 0, over whole atoms), reads it
// and walks it: 0, or Err_Cut_SrcFileMappingError for a file outside the layout,
// one that breaks a reading limit, or one with a zero time scale or delta.
CutResult MovReadMoov(const cutting::SourceReader& source, cutting::RecordingMovLayout& layout);

namespace cutting {

inline constexpr std::uint32_t kMovMvhdSize = 108;
inline constexpr std::uint32_t kMovTkhdSize = 92;
inline constexpr std::uint32_t kMovMdhdSize = 32;
inline constexpr std::uint32_t kMovEdtsSize = 36;
inline constexpr std::uint32_t kMovSttsSize = 24;

struct MovTrackAtoms {
    AtomSpan trak, tkhd, edts, afterEdts;  // edts only in the video track; size 0 when absent
    AtomSpan mdia, mdhd, hdlr, minf, mediaHeader, dinf, stbl;
    AtomSpan stsd, stts, ctts, stsc, stsz, stco, stss;  // ctts and stss only for video
    std::uint32_t sampleDescription = 1;                // of the first stsc entry; 1 without one
};

// Positions in the movie atom's bytes (the atom itself starts at 0).
struct MovAtomMap {
    AtomSpan moov, mvhd, child2;
    MovTrackAtoms video, audio, third;
};

// One source's walked movie atom and the values taken from it. Indexes below the
// totals lie inside their tables and every sync number lies in 1..video total.
class RecordingMovLayout {
  public:
    const MovAtomMap& Map() const { return map_; }
    const std::uint8_t* Bytes(const AtomSpan& atom) const { return movie_.data() + atom.pos; }

    std::uint32_t movieTimeScale = 0;
    std::uint32_t videoTimeScale = 0;
    std::uint32_t audioTimeScale = 0;
    std::uint32_t videoDelta = 0;  // dv, da, dt: the one stts delta of each track
    std::uint32_t audioDelta = 0;
    std::uint32_t thirdDelta = 0;
    std::uint32_t videoTotal = 0;  // ctts entry count
    std::uint32_t syncTotal = 0;
    std::uint32_t audioTotal = 0;
    std::uint32_t thirdTotal = 0;

    std::uint32_t SyncNumber(std::uint32_t index) const;
    // Sample `index` of track 0 (video), 1 (audio) or 2 (third).
    std::uint32_t SampleOffset(int track, std::uint32_t index) const;
    std::uint32_t SampleSize(int track, std::uint32_t index) const;
    std::uint32_t SampleTotal(int track) const;
    // The size stsz gives every sample instead of its table; 0 in a recording.
    std::uint32_t UniformSampleSize(int track) const;
    // Where media may lie in a file of `fileSize` bytes: after its first atom,
    // outside the movie atom.
    std::vector<ByteSpan> MediaSpans(std::uint64_t fileSize) const;
    // `count` entries from `first`, in file byte order (count > 0).
    const std::uint8_t* CttsEntries(std::uint32_t first, std::uint32_t count) const;
    const std::uint8_t* SizeEntries(int track, std::uint32_t first, std::uint32_t count) const;

  private:
    friend CutResult(::MovReadMoov)(const cutting::SourceReader& source,
                                    cutting::RecordingMovLayout& layout);
    void Walk(const SourceReader& source);
    AtomSpan WalkVideoTrack(const AtomWalk& walk, const AtomSpan& trak);
    AtomSpan WalkSoundTrack(const AtomWalk& walk, const AtomSpan& trak, MovTrackAtoms& track,
                            std::uint32_t* total, std::uint32_t* delta);
    void WalkMedia(const AtomWalk& walk, MovTrackAtoms& track);
    void CheckSyncNumbers(const AtomWalk& walk);
    const MovTrackAtoms& Track(int track) const;

    std::vector<std::uint8_t> movie_;  // reused from source to source
    MovAtomMap map_;
    std::uint64_t firstAtomEnd_ = 0;
    std::uint64_t moovOffset_ = 0;
};

// The merged tables of a clip, in file byte order.
struct MovMergedTables {
    const DestTable& ctts;
    const DestTable& videoSizes;
    const DestTable& videoOffsets;
    const DestTable& sync;
    const DestTable& audioSizes;
    const DestTable& audioOffsets;
    const DestTable& thirdSizes;
    const DestTable& thirdOffsets;
};

// The clip's movie atom, rebuilt on the last source's atoms as templates.
// Durations: the video and third media headers take dv x Nv, the audio media
// header da x Na; the movie header, the track headers and the edit list take
// the video duration in the movie's time scale.
void BuildMovMoov(const RecordingMovLayout& last, const MovMergedTables& tables, BoxBuilder& out);

}  // namespace cutting
