#include "MovLayout.h"

#include "CutArithmetic.h"
#include "foundation/ErrorReport.h"
#include "recordings/ByteOrder.h"

#include <stdexcept>

using recordings::ReadBe32;

using namespace cutting;

namespace {

constexpr std::uint32_t kTableHeaderSize = 16;
constexpr std::uint32_t kStszHeaderSize = 20;
constexpr std::uint32_t kCttsEntrySize = 8;
constexpr std::uint32_t kStscEntrySize = 12;
constexpr std::uint32_t kEntrySize = 4;
constexpr std::uint32_t kElstDurationAt = 24;  // in the edts atom

[[noreturn]] void Refuse(const char* text) {
    throw std::runtime_error(text);
}

// The one stts entry of a track: its delta.
std::uint32_t SingleDelta(const AtomWalk& walk, const AtomSpan& stts) {
    walk.Expect(stts, "stts");
    walk.ExpectSize(stts, kMovSttsSize);
    if (walk.U32(stts, 12) != 1) {
        Refuse("Decoding times not uniform");
    }
    return walk.U32(stts, 20);
}

// stsz and stco must list at least `total` samples.
void CheckSampleTables(const AtomWalk& walk, const MovTrackAtoms& track, std::uint32_t total) {
    const std::uint32_t sizes = walk.U32(track.stsz, 16);
    walk.RequireEntries(track.stsz, kStszHeaderSize, sizes, kEntrySize);
    const std::uint32_t offsets = walk.U32(track.stco, 12);
    walk.RequireEntries(track.stco, kTableHeaderSize, offsets, kEntrySize);
    if (sizes < total || offsets < total) {
        Refuse("Sample table too short");
    }
}

// stsc, stsz and stco after stts (after ctts in the video track).
// trak with its tkhd first; the atom after tkhd is taken as mdia.
void WalkTrackStart(const AtomWalk& walk, const AtomSpan& trak, MovTrackAtoms& track) {
    walk.Expect(trak, "trak");
    track.trak = trak;
    track.tkhd = walk.FirstChild(trak);
    walk.Expect(track.tkhd, "tkhd");
    walk.ExpectSize(track.tkhd, kMovTkhdSize);
    track.mdia = walk.Next(track.tkhd, trak);
}

AtomSpan WalkChunkTables(const AtomWalk& walk, MovTrackAtoms& track, const AtomSpan& before) {
    track.stsc = walk.Next(before, track.stbl);
    walk.Expect(track.stsc, "stsc");
    const std::uint32_t stscEntries = walk.U32(track.stsc, 12);
    track.sampleDescription = 1;
    if (stscEntries > 0 && track.stsc.size >= kTableHeaderSize + kStscEntrySize) {
        track.sampleDescription = walk.U32(track.stsc, kTableHeaderSize + 8);
    }
    track.stsz = walk.Next(track.stsc, track.stbl);
    walk.Expect(track.stsz, "stsz");
    track.stco = walk.Next(track.stsz, track.stbl);
    walk.Expect(track.stco, "stco");
    return track.stco;
}

}  // namespace

const MovTrackAtoms& cutting::RecordingMovLayout::Track(int track) const {
    return track == 0 ? map_.video : (track == 1 ? map_.audio : map_.third);
}

std::uint32_t cutting::RecordingMovLayout::SampleTotal(int track) const {
    return track == 0 ? videoTotal : (track == 1 ? audioTotal : thirdTotal);
}

std::uint32_t cutting::RecordingMovLayout::SyncNumber(std::uint32_t index) const {
    return ReadBe32(
        TableEntry(movie_, map_.video.stss, kTableHeaderSize, kEntrySize, index, syncTotal));
}

std::uint32_t cutting::RecordingMovLayout::SampleOffset(int track, std::uint32_t index) const {
    return ReadBe32(TableEntry(movie_, Track(track).stco, kTableHeaderSize, kEntrySize, index,
                               SampleTotal(track)));
}

std::uint32_t cutting::RecordingMovLayout::SampleSize(int track, std::uint32_t index) const {
    return ReadBe32(SizeEntries(track, index, 1));
}

std::vector<cutting::ByteSpan> cutting::RecordingMovLayout::MediaSpans(
    std::uint64_t fileSize) const {
    const std::uint64_t moovEnd = moovOffset_ + movie_.size();
    std::vector<ByteSpan> spans;
    if (moovOffset_ > firstAtomEnd_) {
        spans.push_back(ByteSpan{firstAtomEnd_, moovOffset_});
    }
    spans.push_back(ByteSpan{std::max(firstAtomEnd_, moovEnd), std::max(fileSize, moovEnd)});
    return spans;
}

std::uint32_t cutting::RecordingMovLayout::UniformSampleSize(int track) const {
    return ReadBe32(Bytes(Track(track).stsz) + 12);
}

const std::uint8_t* cutting::RecordingMovLayout::CttsEntries(std::uint32_t first,
                                                             std::uint32_t count) const {
    TableEntry(movie_, map_.video.ctts, kTableHeaderSize, kCttsEntrySize, first + count - 1,
               videoTotal);
    return TableEntry(movie_, map_.video.ctts, kTableHeaderSize, kCttsEntrySize, first, videoTotal);
}

const std::uint8_t* cutting::RecordingMovLayout::SizeEntries(int track, std::uint32_t first,
                                                             std::uint32_t count) const {
    const std::uint32_t total = SampleTotal(track);
    TableEntry(movie_, Track(track).stsz, kStszHeaderSize, kEntrySize, first + count - 1, total);
    return TableEntry(movie_, Track(track).stsz, kStszHeaderSize, kEntrySize, first, total);
}

// mdhd, hdlr, minf; media header, optional data handler, dinf, stbl; stsd, stts.
void cutting::RecordingMovLayout::WalkMedia(const AtomWalk& walk, MovTrackAtoms& track) {
    walk.Expect(track.mdia, "mdia");
    track.mdhd = walk.FirstChild(track.mdia);
    walk.Expect(track.mdhd, "mdhd");
    walk.ExpectSize(track.mdhd, kMovMdhdSize);
    track.hdlr = walk.Next(track.mdhd, track.mdia);
    walk.Expect(track.hdlr, "hdlr");
    track.minf = walk.Next(track.hdlr, track.mdia);
    walk.Expect(track.minf, "minf");
    track.mediaHeader = walk.FirstChild(track.minf);
    AtomSpan next = walk.Next(track.mediaHeader, track.minf);
    if (walk.Is(next, "hdlr")) {
        next = walk.Next(next, track.minf);  // the data handler is left out of clips
    }
    track.dinf = next;
    walk.Expect(track.dinf, "dinf");
    track.stbl = walk.Next(track.dinf, track.minf);
    walk.Expect(track.stbl, "stbl");
    track.stsd = walk.FirstChild(track.stbl);
    walk.Expect(track.stsd, "stsd");
    track.stts = walk.Next(track.stsd, track.stbl);
}

void cutting::RecordingMovLayout::CheckSyncNumbers(const AtomWalk& walk) {
    const AtomSpan& stss = map_.video.stss;
    syncTotal = walk.U32(stss, 12);
    walk.RequireEntries(stss, kTableHeaderSize, syncTotal, kEntrySize);
    std::uint32_t previous = 0;
    for (std::uint32_t i = 0; i < syncTotal; ++i) {
        const std::uint32_t number = SyncNumber(i);
        if (number <= previous || number > videoTotal) {
            Refuse("Sync sample number error");
        }
        previous = number;
    }
}

AtomSpan cutting::RecordingMovLayout::WalkVideoTrack(const AtomWalk& walk, const AtomSpan& trak) {
    MovTrackAtoms& video = map_.video;
    WalkTrackStart(walk, trak, video);
    if (walk.Is(video.mdia, "edts")) {
        video.edts = video.mdia;
        walk.ExpectSize(video.edts, kMovEdtsSize);
        video.afterEdts = walk.Next(video.edts, trak);
        video.mdia = walk.Next(video.afterEdts, trak);
    }
    WalkMedia(walk, video);
    videoDelta = SingleDelta(walk, video.stts);
    video.ctts = walk.Next(video.stts, video.stbl);
    walk.Expect(video.ctts, "ctts");
    videoTotal = walk.U32(video.ctts, 12);
    walk.RequireEntries(video.ctts, kTableHeaderSize, videoTotal, kCttsEntrySize);
    WalkChunkTables(walk, video, video.ctts);
    CheckSampleTables(walk, video, videoTotal);
    video.stss = walk.Next(video.stco, video.stbl);
    walk.Expect(video.stss, "stss");
    CheckSyncNumbers(walk);
    videoTimeScale = walk.U32(video.mdhd, 20);
    // An sdtp after stss is stepped over and left out of clips.
    if (video.stss.End() < video.stbl.End()) {
        const AtomSpan after = walk.Next(video.stss, video.stbl);
        if (walk.Is(after, "sdtp")) {
            return after;
        }
    }
    return video.stss;
}

AtomSpan cutting::RecordingMovLayout::WalkSoundTrack(const AtomWalk& walk, const AtomSpan& trak,
                                                     MovTrackAtoms& track, std::uint32_t* total,
                                                     std::uint32_t* delta) {
    WalkTrackStart(walk, trak, track);
    WalkMedia(walk, track);
    *delta = SingleDelta(walk, track.stts);
    WalkChunkTables(walk, track, track.stts);
    *total = walk.U32(track.stsz, 16);
    CheckSampleTables(walk, track, *total);
    return track.stco;
}

void cutting::RecordingMovLayout::Walk(const SourceReader& source) {
    const TopLevelAtom moov = FindTopLevelAtom(source, 0, "moov");
    ReadWholeAtom(source, moov.offset, movie_);
    moovOffset_ = moov.offset;
    std::uint8_t first[4];
    firstAtomEnd_ = source.Read(0, first, sizeof first) ? ReadBe32(first) : 0;
    const AtomWalk walk(movie_);
    map_.moov = walk.Root();
    map_.mvhd = walk.FirstChild(map_.moov);
    walk.Expect(map_.mvhd, "mvhd");
    walk.ExpectSize(map_.mvhd, kMovMvhdSize);
    movieTimeScale = walk.U32(map_.mvhd, 20);
    map_.child2 = walk.Next(map_.mvhd, map_.moov);
    const AtomSpan videoEnd = WalkVideoTrack(walk, walk.Next(map_.child2, map_.moov));
    const AtomSpan audioEnd =
        WalkSoundTrack(walk, walk.Next(videoEnd, map_.moov), map_.audio, &audioTotal, &audioDelta);
    WalkSoundTrack(walk, walk.Next(audioEnd, map_.moov), map_.third, &thirdTotal, &thirdDelta);
    audioTimeScale = walk.U32(map_.audio.mdhd, 20);
    if (videoTimeScale == 0 || audioTimeScale == 0 || videoDelta == 0 || audioDelta == 0 ||
        thirdDelta == 0) {
        Refuse("Zero time scale or sample delta");
    }
}

CutResult MovReadMoov(const SourceReader& source, RecordingMovLayout& layout) {
    layout.map_ = MovAtomMap();
    try {
        layout.Walk(source);
        return Cut_OK;
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("MovReadMoov", e);
        layout.map_ = MovAtomMap();
        layout.videoTotal = layout.syncTotal = layout.audioTotal = layout.thirdTotal = 0;
        return Err_Cut_SrcFileMappingError;
    }
}

namespace {

struct TrackSizes {
    std::uint64_t stbl = 0;
    std::uint64_t minf = 0;
    std::uint64_t mdia = 0;
    std::uint64_t trak = 0;
};

TrackSizes SizesOf(const MovTrackAtoms& track, std::uint64_t stbl) {
    TrackSizes sizes;
    sizes.stbl = stbl;
    sizes.minf = 8 + std::uint64_t{track.mediaHeader.size} + track.dinf.size + stbl;
    sizes.mdia = 8 + kMovMdhdSize + std::uint64_t{track.hdlr.size} + sizes.minf;
    sizes.trak = 8 + kMovTkhdSize + sizes.mdia;
    if (track.edts.size != 0) {
        sizes.trak += kMovEdtsSize + std::uint64_t{track.afterEdts.size};
    }
    return sizes;
}

void AppendTable(BoxBuilder& out, const DestTable& table) {
    out.Append(table.Data(), table.UsedBytes());
}

class MovMoovBuilder {
  public:
    MovMoovBuilder(const RecordingMovLayout& last, const MovMergedTables& tables, BoxBuilder& out)
        : last_(last), tables_(tables), out_(out) {}

    void Build();

  private:
    void TrackHead(const MovTrackAtoms& track, const TrackSizes& sizes,
                   std::uint32_t mediaDuration);
    void SampleTables(const MovTrackAtoms& track, const DestTable& sizes, const DestTable& offsets,
                      std::uint32_t delta);
    void VideoTables();
    void SoundTrack(const MovTrackAtoms& track, const DestTable& sizes, const DestTable& offsets,
                    std::uint32_t delta, std::uint32_t mediaDuration);
    static std::uint64_t SoundStblSize(const MovTrackAtoms& track, std::uint64_t samples);

    const RecordingMovLayout& last_;
    const MovMergedTables& tables_;
    BoxBuilder& out_;
    std::uint32_t movieDuration_ = 0;
};

// A clip's stsc: one entry (every chunk one sample) when the track has samples.
std::uint32_t StscSize(std::uint64_t samples) {
    return kTableHeaderSize + (samples > 0 ? kStscEntrySize : 0);
}

std::uint64_t MovMoovBuilder::SoundStblSize(const MovTrackAtoms& track, std::uint64_t samples) {
    return 8 + std::uint64_t{track.stsd.size} + kMovSttsSize + StscSize(samples) +
           (20 + 4 * samples) + (16 + 4 * samples);
}

void MovMoovBuilder::TrackHead(const MovTrackAtoms& track, const TrackSizes& sizes,
                               std::uint32_t mediaDuration) {
    out_.AppendHeader(static_cast<std::uint32_t>(sizes.trak), last_.Bytes(track.trak));
    out_.AppendPatched(last_.Bytes(track.tkhd), kMovTkhdSize, {{28, movieDuration_}});
    if (track.edts.size != 0) {
        out_.AppendPatched(last_.Bytes(track.edts), kMovEdtsSize,
                           {{kElstDurationAt, movieDuration_}});
        out_.Append(last_.Bytes(track.afterEdts), track.afterEdts.size);
    }
    out_.AppendHeader(static_cast<std::uint32_t>(sizes.mdia), last_.Bytes(track.mdia));
    out_.AppendPatched(last_.Bytes(track.mdhd), kMovMdhdSize, {{24, mediaDuration}});
    out_.Append(last_.Bytes(track.hdlr), track.hdlr.size);
    out_.AppendHeader(static_cast<std::uint32_t>(sizes.minf), last_.Bytes(track.minf));
    out_.Append(last_.Bytes(track.mediaHeader), track.mediaHeader.size);
    out_.Append(last_.Bytes(track.dinf), track.dinf.size);
    out_.AppendHeader(static_cast<std::uint32_t>(sizes.stbl), last_.Bytes(track.stbl));
    out_.Append(last_.Bytes(track.stsd), track.stsd.size);
}

// stts with one entry, stsc whole, then the merged sizes and offsets.
void MovMoovBuilder::SampleTables(const MovTrackAtoms& track, const DestTable& sizes,
                                  const DestTable& offsets, std::uint32_t delta) {
    const std::uint32_t n = sizes.Count();
    out_.Append(last_.Bytes(track.stts), 16);
    out_.AppendU32BE(n);
    out_.AppendU32BE(delta);
    if (&track == &last_.Map().video) {
        out_.AppendPatched(last_.Bytes(track.ctts), 16, {{0, 16 + 8 * n}, {12, n}});
        AppendTable(out_, tables_.ctts);
    }
    const std::uint32_t chunks = n > 0 ? 1 : 0;
    out_.AppendPatched(last_.Bytes(track.stsc), kTableHeaderSize, {{0, StscSize(n)}, {12, chunks}});
    if (n > 0) {
        out_.AppendU32BE(1);  // from the first chunk on
        out_.AppendU32BE(1);  // one sample per chunk
        out_.AppendU32BE(track.sampleDescription);
    }
    out_.AppendPatched(last_.Bytes(track.stsz), 20, {{0, 20 + 4 * n}, {16, n}});
    AppendTable(out_, sizes);
    out_.AppendPatched(last_.Bytes(track.stco), 16, {{0, 16 + 4 * n}, {12, n}});
    AppendTable(out_, offsets);
}

void MovMoovBuilder::VideoTables() {
    const MovTrackAtoms& video = last_.Map().video;
    SampleTables(video, tables_.videoSizes, tables_.videoOffsets, last_.videoDelta);
    const std::uint32_t ns = tables_.sync.Count();
    out_.AppendPatched(last_.Bytes(video.stss), 16, {{0, 16 + 4 * ns}, {12, ns}});
    AppendTable(out_, tables_.sync);
}

void MovMoovBuilder::SoundTrack(const MovTrackAtoms& track, const DestTable& sizes,
                                const DestTable& offsets, std::uint32_t delta,
                                std::uint32_t mediaDuration) {
    TrackHead(track, SizesOf(track, SoundStblSize(track, sizes.Count())), mediaDuration);
    SampleTables(track, sizes, offsets, delta);
}

void MovMoovBuilder::Build() {
    const MovAtomMap& map = last_.Map();
    const std::uint64_t nv = tables_.videoSizes.Count();
    const std::uint64_t ns = tables_.sync.Count();
    const std::uint32_t dv = last_.videoDelta * tables_.videoSizes.Count();
    const std::uint32_t da = last_.audioDelta * tables_.audioSizes.Count();
    // Track and movie headers and the edit list count in the movie's time scale.
    movieDuration_ = RescaleDuration(dv, last_.videoTimeScale, last_.movieTimeScale);

    const std::uint64_t videoStbl = 8 + std::uint64_t{map.video.stsd.size} + kMovSttsSize +
                                    (16 + 8 * nv) + StscSize(nv) + (20 + 4 * nv) + (16 + 4 * nv) +
                                    (16 + 4 * ns);
    const TrackSizes video = SizesOf(map.video, videoStbl);
    const TrackSizes audio =
        SizesOf(map.audio, SoundStblSize(map.audio, tables_.audioSizes.Count()));
    const TrackSizes third =
        SizesOf(map.third, SoundStblSize(map.third, tables_.thirdSizes.Count()));
    const std::uint64_t moov =
        8 + kMovMvhdSize + std::uint64_t{map.child2.size} + video.trak + audio.trak + third.trak;
    if (moov > UINT32_MAX) {
        throw std::runtime_error("Movie atom too large");
    }
    out_.AppendHeader(static_cast<std::uint32_t>(moov), last_.Bytes(map.moov));
    out_.AppendPatched(last_.Bytes(map.mvhd), kMovMvhdSize, {{24, movieDuration_}});
    out_.Append(last_.Bytes(map.child2), map.child2.size);
    TrackHead(map.video, video, dv);
    VideoTables();
    SoundTrack(map.audio, tables_.audioSizes, tables_.audioOffsets, last_.audioDelta, da);
    SoundTrack(map.third, tables_.thirdSizes, tables_.thirdOffsets, last_.thirdDelta, dv);
}

}  // namespace

void cutting::BuildMovMoov(const RecordingMovLayout& last, const MovMergedTables& tables,
                           BoxBuilder& out) {
    MovMoovBuilder(last, tables, out).Build();
}
