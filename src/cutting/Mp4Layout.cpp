#include "Mp4Layout.h"

#include "foundation/ErrorReport.h"
#include "recordings/ByteOrder.h"

#include <stdexcept>

using recordings::ReadBe16;
using recordings::ReadBe32;
using recordings::ReadLe16;
using recordings::ReadLe32;

using namespace cutting;

namespace {

constexpr std::uint32_t kTableHeaderSize = 16;  // stts, stss, stsc, stco
constexpr std::uint32_t kStszHeaderSize = 20;
constexpr std::uint32_t kSttsEntrySize = 8;
constexpr std::uint32_t kStscEntrySize = 12;
constexpr std::uint32_t kOffsetEntrySize = 4;

[[noreturn]] void Refuse(const char* text) {
    throw std::runtime_error(text);
}

// The sample count a run of stsc entries describes must not pass the samples the
// track has, or the cutter would read past the sample tables.
void RequireChunksWithinSamples(const AtomWalk& walk, const AtomSpan& stsc,
                                std::uint32_t chunkCount, std::uint32_t sampleCount) {
    std::uint64_t samples = 0;
    for (std::uint32_t chunk = 0; chunk < chunkCount; ++chunk) {
        samples += walk.U32(stsc, kTableHeaderSize + chunk * kStscEntrySize + 4);
    }
    if (samples > sampleCount) {
        Refuse("Chunks hold more samples than the track");
    }
}

// stsc, stsz and stco after stts (and stss in the video track): counts and the
// room their entries take.
void CheckChunkTables(const AtomWalk& walk, const Mp4TrackBoxes& track, std::uint32_t* chunkCount,
                      std::uint32_t* sampleCount) {
    *chunkCount = walk.U32(track.stsc, 12);
    walk.RequireEntries(track.stsc, kTableHeaderSize, *chunkCount, kStscEntrySize);
    *sampleCount = walk.U32(track.stsz, 16);
    walk.RequireEntries(track.stsz, kStszHeaderSize, *sampleCount, kOffsetEntrySize);
    const std::uint32_t offsets = walk.U32(track.stco, 12);
    walk.RequireEntries(track.stco, kTableHeaderSize, offsets, kOffsetEntrySize);
    if (offsets < *chunkCount) {
        Refuse("Chunk offset table too short");
    }
    RequireChunksWithinSamples(walk, track.stsc, *chunkCount, *sampleCount);
}

// tkhd, mdia; mdhd, hdlr, minf; media header, dinf, stbl; stsd, stts. The caller
// takes the tables after stts.
void WalkTrackHead(const AtomWalk& walk, const AtomSpan& trak, Mp4TrackBoxes& track) {
    track.trak = trak;
    track.tkhd = walk.FirstChild(trak);
    walk.ExpectSize(track.tkhd, kMp4TkhdSize);
    track.mdia = walk.Next(track.tkhd, trak);
    track.mdhd = walk.FirstChild(track.mdia);
    walk.ExpectSize(track.mdhd, kMp4MdhdSize);
    track.hdlr = walk.Next(track.mdhd, track.mdia);
    track.minf = walk.Next(track.hdlr, track.mdia);
    track.mediaHeader = walk.FirstChild(track.minf);
    track.dinf = walk.Next(track.mediaHeader, track.minf);
    track.stbl = walk.Next(track.dinf, track.minf);
    track.stsd = walk.FirstChild(track.stbl);
    track.stts = walk.Next(track.stsd, track.stbl);
}

}  // namespace

std::uint32_t cutting::FlogRecordTime(const std::uint8_t* record) {
    return ReadLe32(record) * 1000u + (ReadLe16(record + 4) & 0x0FFFu);
}

const std::uint8_t* RecordingMp4Layout::VideoSttsEntry(std::uint32_t sample) const {
    return TableEntry(movie_, map_.video.stts, kTableHeaderSize, kSttsEntrySize, sample,
                      videoSampleCount);
}

const std::uint8_t* RecordingMp4Layout::VideoStszEntry(std::uint32_t sample) const {
    return TableEntry(movie_, map_.video.stsz, kStszHeaderSize, kOffsetEntrySize, sample,
                      videoSampleCount);
}

const std::uint8_t* RecordingMp4Layout::VideoStscEntry(std::uint32_t chunk) const {
    return TableEntry(movie_, map_.video.stsc, kTableHeaderSize, kStscEntrySize, chunk,
                      videoChunkCount);
}

const std::uint8_t* RecordingMp4Layout::AudioStscEntry(std::uint32_t chunk) const {
    return TableEntry(movie_, map_.audio.stsc, kTableHeaderSize, kStscEntrySize, chunk,
                      audioChunkCount);
}

const std::uint8_t* RecordingMp4Layout::AudioStszEntry(std::uint32_t sample) const {
    return TableEntry(movie_, map_.audio.stsz, kStszHeaderSize, kOffsetEntrySize, sample,
                      audioSampleCount);
}

const std::uint8_t* RecordingMp4Layout::FptsValue(std::uint32_t record) const {
    return TableEntry(movie_, map_.fpts, kMp4LogHeaderSize, kFptsValueSize, record, recordCount);
}

const std::uint8_t* RecordingMp4Layout::FlogRecord(std::uint32_t record) const {
    return TableEntry(movie_, map_.flog, kMp4LogHeaderSize, kFlogRecordSize, record, recordCount);
}

std::uint32_t RecordingMp4Layout::VideoSampleDelta(std::uint32_t sample) const {
    return ReadBe32(VideoSttsEntry(sample) + 4);
}

std::uint32_t RecordingMp4Layout::VideoSamplesPerChunk(std::uint32_t chunk) const {
    return ReadBe32(VideoStscEntry(chunk) + 4);
}

std::uint32_t RecordingMp4Layout::VideoSampleSize(std::uint32_t sample) const {
    return ReadBe32(VideoStszEntry(sample));
}

std::uint32_t RecordingMp4Layout::UniformSampleSize(bool video) const {
    return ReadBe32(Bytes(video ? map_.video.stsz : map_.audio.stsz) + 12);
}

std::uint32_t RecordingMp4Layout::VideoChunkOffset(std::uint32_t chunk) const {
    return ReadBe32(TableEntry(movie_, map_.video.stco, kTableHeaderSize, kOffsetEntrySize, chunk,
                               videoChunkCount));
}

std::uint32_t RecordingMp4Layout::AudioSamplesPerChunk(std::uint32_t chunk) const {
    return ReadBe32(AudioStscEntry(chunk) + 4);
}

std::uint32_t RecordingMp4Layout::AudioSampleSize(std::uint32_t sample) const {
    return ReadBe32(AudioStszEntry(sample));
}

std::uint32_t RecordingMp4Layout::AudioChunkOffset(std::uint32_t chunk) const {
    return ReadBe32(TableEntry(movie_, map_.audio.stco, kTableHeaderSize, kOffsetEntrySize, chunk,
                               audioChunkCount));
}

void RecordingMp4Layout::WalkVideoTrack(const AtomWalk& walk, const AtomSpan& trak) {
    Mp4TrackBoxes& video = map_.video;
    WalkTrackHead(walk, trak, video);
    video.stss = walk.Next(video.stts, video.stbl);
    walk.U32(video.stss, 12);  // only its 16-byte header is used
    video.stsc = walk.Next(video.stss, video.stbl);
    video.stsz = walk.Next(video.stsc, video.stbl);
    video.stco = walk.Next(video.stsz, video.stbl);
    CheckChunkTables(walk, video, &videoChunkCount, &videoSampleCount);
    const std::uint32_t deltas = walk.U32(video.stts, 12);
    walk.RequireEntries(video.stts, kTableHeaderSize, deltas, kSttsEntrySize);
    if (deltas < videoSampleCount) {
        Refuse("Decoding time table too short");
    }
    videoTimeScale = walk.U32(video.mdhd, 20);
}

void RecordingMp4Layout::WalkAudioTrack(const AtomWalk& walk, const AtomSpan& trak) {
    Mp4TrackBoxes& audio = map_.audio;
    WalkTrackHead(walk, trak, audio);
    // One entry for every sample: the clip writes this header back with one entry.
    walk.ExpectSize(audio.stts, kMp4AudioSttsSize);
    if (walk.U32(audio.stts, 12) != 1) {
        Refuse("Audio decoding times not uniform");
    }
    audio.stsc = walk.Next(audio.stts, audio.stbl);
    audio.stsz = walk.Next(audio.stsc, audio.stbl);
    audio.stco = walk.Next(audio.stsz, audio.stbl);
    CheckChunkTables(walk, audio, &audioChunkCount, &audioSampleCount);
    audioTimeScale = walk.U32(audio.mdhd, 20);
    audioSampleDelta = walk.U32(audio.stts, 20);
}

void RecordingMp4Layout::WalkUserData(const AtomWalk& walk, const AtomSpan& udta) {
    map_.udta = udta;
    // The text box's size is not used: "FPTS" follows its text, inside "udta".
    const std::uint32_t text = udta.pos + 8;
    if (udta.size < 8 + kMp4TextHeaderSize) {
        Refuse("Text box outside udta");
    }
    map_.textPos = text;
    map_.textLength = ReadBe16(movie_.data() + text + 8);
    map_.fpts = walk.At(std::uint64_t{text} + kMp4TextHeaderSize + map_.textLength, udta);
    walk.Expect(map_.fpts, "FPTS");
    map_.flog = walk.Next(map_.fpts, udta);
    walk.Expect(map_.flog, "FLOG");
    recordCount = walk.U32(map_.flog, 12);
    walk.RequireEntries(map_.fpts, kMp4LogHeaderSize, recordCount, kFptsValueSize);
    walk.RequireEntries(map_.flog, kMp4LogHeaderSize, recordCount, kFlogRecordSize);
}

void RecordingMp4Layout::Walk(const SourceReader& source) {
    std::uint8_t first[8];
    if (!source.Read(0, first, sizeof first)) {
        Refuse("No first box");
    }
    map_.firstBoxSize = ReadBe32(first);
    if (map_.firstBoxSize < 8 || map_.firstBoxSize > source.Size()) {
        Refuse("First box size error");
    }
    const TopLevelAtom mdat = FindTopLevelAtom(source, map_.firstBoxSize, "mdat");
    map_.mdatOffset = mdat.offset;
    map_.moovOffset = mdat.offset + mdat.size;
    ReadWholeAtom(source, map_.moovOffset, movie_);

    const AtomWalk walk(movie_);
    map_.moov = walk.Root();
    map_.mvhd = walk.FirstChild(map_.moov);
    walk.ExpectSize(map_.mvhd, kMp4MvhdSize);
    movieTimeScale = walk.U32(map_.mvhd, 20);
    WalkVideoTrack(walk, walk.Next(map_.mvhd, map_.moov));
    const AtomSpan audioTrak = walk.Next(map_.video.stco, map_.moov);
    walk.Expect(audioTrak, "trak");
    WalkAudioTrack(walk, audioTrak);
    const AtomSpan udta = walk.Next(map_.audio.stco, map_.moov);
    walk.Expect(udta, "udta");
    WalkUserData(walk, udta);

    if (videoTimeScale == 0 || audioTimeScale == 0 || audioSampleDelta == 0) {
        Refuse("Zero time scale or sample delta");
    }
}

CutResult Mp4ParseAtoms(const SourceReader& source, RecordingMp4Layout& layout) {
    layout = RecordingMp4Layout();
    try {
        layout.Walk(source);
        return Cut_OK;
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("Mp4ParseAtoms", e);
        layout = RecordingMp4Layout();
        return Err_Cut_SrcFileMappingError;
    }
}
