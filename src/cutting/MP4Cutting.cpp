#include "MP4Cutting.h"

#include "BoxBuilder.h"
#include "CutArithmetic.h"
#include "CutFailure.h"
#include "DestTable.h"
#include "Mp4Layout.h"
#include "SourceReader.h"
#include "foundation/ErrorReport.h"
#include "recordings/ByteOrder.h"

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

using recordings::ReadBe32;
using recordings::ReadLe32;
using recordings::WriteBe32;
using recordings::WriteLe32;

using namespace cutting;

namespace {

constexpr std::uint32_t kFirstFptsValue = 200;

// Positions in the current source, from its start or stop search.
struct Mp4Positions {
    std::uint32_t videoStartSample = 0, videoStartChunk = 0;
    std::uint32_t videoStopSample = 0, videoStopChunk = 0;
    std::uint32_t audioStartSample = 0, audioStartChunk = 0;
    std::uint32_t audioStopSample = 0, audioStopChunk = 0;
    std::uint32_t audioSkipCount = 0, audioSkipBytes = 0;
    std::uint32_t audioStopExcess = 0;
    std::uint32_t recordStart = 0, recordStop = 0;
};

// The working state of one cut. Tables and the copy buffer live here and go
// with it; nothing survives the call.
class Mp4CutState {
  public:
    Mp4CutState(CuttingProc& job, std::uint32_t blockSize)
        : job_(job), blockSize_(blockSize > 0 ? blockSize : kMp4CopyBlockSize) {}

    // Runs the cut; a failed step raises a CutFailure with the cut's result.
    void Run();

  private:
    CutResult CreateDestDataBuffer();
    CutResult ReadSourceFile();
    CutResult WriteFirstBoxes();
    CutResult FindStartPosition();
    CutResult FindStopPosition();
    CutResult Copy_mdat();
    bool SamplesInside(const ByteSpan& copied) const;
    CutResult Modify_stbl(std::uint64_t startByte);
    CutResult Finalized();

    void SetStopToEnd();
    void ResetStart();
    void KeepStopAfterStart();
    // Video walk from chunk 0 while `more(acc)` holds; gives chunk, sample, acc.
    template <typename More>
    void WalkVideoChunks(More more, std::uint32_t* chunk, std::uint32_t* sample,
                         std::uint32_t* acc) const;
    // Audio walk from chunk 0 until `samples` samples are counted.
    void WalkAudioChunks(std::uint32_t samples, std::uint32_t* chunk, std::uint32_t* acc) const;
    std::uint32_t AudioSamplesAt(std::uint32_t videoTicks) const;
    std::uint32_t RecordAt(std::uint32_t videoTicks) const;
    void CopyRange(std::uint64_t startByte, std::uint64_t endByte, CutResult* outcome);
    void AppendVideo(std::uint32_t shift);
    void AppendAudio(std::uint32_t shift);
    void AppendRecords();
    void BuildMovie(BoxBuilder& movie);
    void BuildTrack(BoxBuilder& movie, const Mp4TrackBoxes& boxes, bool video,
                    std::uint32_t trackDuration, std::uint32_t mediaDuration);
    void BuildVideoTables(BoxBuilder& movie, std::uint32_t stblSize);
    void BuildAudioTables(BoxBuilder& movie, std::uint32_t stblSize);
    void BuildUserData(BoxBuilder& movie);
    std::uint32_t VideoStblSize() const;
    std::uint32_t AudioStblSize() const;
    std::uint32_t UserDataSize() const;

    CuttingProc& job_;
    const std::uint32_t blockSize_;
    std::size_t sourceIndex_ = 0;
    FileSourceReader source_;
    RecordingMp4Layout layout_;
    std::uint32_t videoTimeScale_ = 0;
    std::uint32_t audioTimeScale_ = 0;
    std::uint32_t firstBoxSize_ = 0;
    Mp4Positions pos_;
    std::uint64_t outputMediaPosition_ = 0;
    std::vector<std::uint8_t> copyBuffer_;

    DestTable videoStts_, videoStsc_, videoStss_, videoStsz_, videoStco_;
    DestTable audioStsc_, audioStsz_, audioStco_;
    DestTable fpts_, flog_;
};

// Raises `text` with `code` as the cut's result when a step failed.
void Check(CutResult code, const char* text) {
    if (code != Cut_OK) {
        throw CutFailure(code, text);
    }
}

void Mp4CutState::Run() {
    if (job_.selection.empty()) {
        throw std::runtime_error("No source selected");
    }
    Check(CreateDestDataBuffer(), "CreateDestDataBuffer Error");
    sourceIndex_ = 0;
    Check(ReadSourceFile(), "ReadSourceFile Error");
    videoTimeScale_ = layout_.videoTimeScale;
    audioTimeScale_ = layout_.audioTimeScale;
    firstBoxSize_ = layout_.Map().firstBoxSize;
    Check(WriteFirstBoxes(), "WriteFile Error");
    Check(FindStartPosition(), "FindStartPosition Error");
    while (sourceIndex_ + 1 < job_.selection.size()) {
        SetStopToEnd();
        Check(Copy_mdat(), "Copy_mdat Error");
        ++sourceIndex_;
        Check(ReadSourceFile(), "ReadSourceFile Error");
        ResetStart();
    }
    Check(FindStopPosition(), "FindStopPosition Error");
    Check(Copy_mdat(), "Copy_mdat Error");
    Check(Finalized(), "Finalized Error");
}

CutResult Mp4CutState::CreateDestDataBuffer() {
    const std::uint64_t n = job_.selection.size();
    const std::uint64_t s = WholeSeconds(job_.span);
    const std::uint64_t a = n + s;
    const std::uint64_t chunks = s + 2 * n + 10;
    try {
        videoStts_ = DestTable(8, 30 * a + 40);
        videoStsc_ = DestTable(12, chunks);
        videoStss_ = DestTable(4, chunks);
        videoStsz_ = DestTable(4, 30 * a + 40);
        videoStco_ = DestTable(4, chunks);
        audioStsc_ = DestTable(12, chunks);
        audioStsz_ = DestTable(4, 32 * a + 42);
        audioStco_ = DestTable(4, chunks);
        fpts_ = DestTable(kFptsValueSize, 5 * a + 15);
        flog_ = DestTable(kFlogRecordSize, 5 * a + 15);
    } catch (const std::bad_alloc&) {
        return Err_Cut_MemAllocError;
    }
    return Cut_OK;
}

CutResult Mp4CutState::ReadSourceFile() {
    const CutResult opened = OpenCutSource(source_, job_.selection[sourceIndex_]->path);
    return opened != Cut_OK ? opened : Mp4ParseAtoms(source_, layout_);
}

CutResult Mp4CutState::WriteFirstBoxes() {
    const Mp4BoxMap& map = layout_.Map();
    CopyOutcome copied =
        CopySourceRange(source_, 0, map.firstBoxSize, blockSize_, copyBuffer_, job_.outputFile);
    if (copied == CopyOutcome::Copied) {
        copied = CopySourceBytes(source_, map.mdatOffset, 8, copyBuffer_, job_.outputFile);
    }
    if (copied != CopyOutcome::Copied) {
        return CopyFailureResult(copied);
    }
    outputMediaPosition_ = std::uint64_t{map.firstBoxSize} + 8;
    return Cut_OK;
}

template <typename More>
void Mp4CutState::WalkVideoChunks(More more, std::uint32_t* chunk, std::uint32_t* sample,
                                  std::uint32_t* acc) const {
    std::uint32_t sampleEnd = 0;
    *chunk = 0;
    *sample = 0;
    *acc = 0;
    while (*chunk < layout_.videoChunkCount && more(*acc)) {
        sampleEnd += layout_.VideoSamplesPerChunk(*chunk);
        while (*sample < sampleEnd) {
            *acc += layout_.VideoSampleDelta(*sample);
            ++*sample;
        }
        ++*chunk;
    }
}

void Mp4CutState::WalkAudioChunks(std::uint32_t samples, std::uint32_t* chunk,
                                  std::uint32_t* acc) const {
    *chunk = 0;
    *acc = 0;
    while (*chunk < layout_.audioChunkCount && *acc < samples) {
        *acc += layout_.AudioSamplesPerChunk(*chunk);
        ++*chunk;
    }
}

std::uint32_t Mp4CutState::AudioSamplesAt(std::uint32_t videoTicks) const {
    const double audioTicks = static_cast<double>(videoTicks) * audioTimeScale_ / videoTimeScale_;
    return Trunc32(audioTicks) / layout_.audioSampleDelta;
}

std::uint32_t Mp4CutState::RecordAt(std::uint32_t videoTicks) const {
    // A log shorter than the video ends the records at its end.
    const std::uint32_t record =
        Trunc32(static_cast<double>(videoTicks) * kFlogRecordsPerSecond / videoTimeScale_);
    return std::min(record, layout_.recordCount);
}

CutResult Mp4CutState::FindStartPosition() {
    pos_ = Mp4Positions();
    std::uint32_t t = Trunc32(videoTimeScale_ * job_.startOffset);
    std::uint32_t chunk = 0;
    std::uint32_t sample = 0;
    std::uint32_t acc = 0;
    // Stops at the first chunk that starts within the second before the start
    // point; a chunk after it makes t - acc wrap, so it never stops the walk.
    WalkVideoChunks([&](std::uint32_t a) { return t - a > videoTimeScale_; }, &chunk, &sample,
                    &acc);
    if (chunk >= layout_.videoChunkCount) {
        return Err_Cut_FindStartPositionError;
    }
    pos_.videoStartChunk = chunk;
    pos_.videoStartSample = sample;
    t = acc;
    if (sample == 0) {
        return Cut_OK;
    }
    const std::uint32_t w = AudioSamplesAt(t);
    if (w == 0) {
        return Cut_OK;
    }
    std::uint32_t audioChunk = 0;
    std::uint32_t acc2 = 0;
    WalkAudioChunks(w, &audioChunk, &acc2);
    if (audioChunk >= layout_.audioChunkCount) {
        return Err_Cut_FindStartPositionError;
    }
    if (acc2 != w) {
        --audioChunk;
        acc2 -= layout_.AudioSamplesPerChunk(audioChunk);
        for (std::uint32_t s = acc2; s < w; ++s) {
            pos_.audioSkipBytes += layout_.AudioSampleSize(s);
        }
        pos_.audioSkipCount = w - acc2;
    }
    pos_.audioStartChunk = audioChunk;
    pos_.audioStartSample = w;
    pos_.recordStart = RecordAt(t);
    return Cut_OK;
}

void Mp4CutState::SetStopToEnd() {
    pos_.videoStopSample = layout_.videoSampleCount;
    pos_.videoStopChunk = layout_.videoChunkCount;
    pos_.audioStopSample = layout_.audioSampleCount;
    pos_.audioStopChunk = layout_.audioChunkCount;
    pos_.audioStopExcess = 0;
    pos_.recordStop = layout_.recordCount;
}

void Mp4CutState::ResetStart() {
    pos_.videoStartSample = pos_.videoStartChunk = 0;
    pos_.audioStartSample = pos_.audioStartChunk = 0;
    pos_.audioSkipCount = pos_.audioSkipBytes = 0;
    pos_.recordStart = 0;
}

CutResult Mp4CutState::FindStopPosition() {
    const std::uint32_t e = Trunc32(videoTimeScale_ * job_.endOffset);
    std::uint32_t chunk = 0;
    std::uint32_t sample = 0;
    std::uint32_t acc = 0;
    // The chunk holding the end point is copied whole.
    WalkVideoChunks([&](std::uint32_t a) { return a < e; }, &chunk, &sample, &acc);
    pos_.videoStopChunk = chunk;
    pos_.videoStopSample = sample;
    if (chunk == layout_.videoChunkCount) {
        pos_.audioStopChunk = layout_.audioChunkCount;
        pos_.audioStopSample = layout_.audioSampleCount;
        pos_.recordStop = layout_.recordCount;
        pos_.audioStopExcess = 0;
        KeepStopAfterStart();
        return Cut_OK;
    }
    // Audio shorter than the video ends at its own end.
    std::uint32_t stopSample = std::min(AudioSamplesAt(acc), layout_.audioSampleCount);
    std::uint32_t audioChunk = 0;
    std::uint32_t acc2 = 0;
    WalkAudioChunks(stopSample, &audioChunk, &acc2);
    stopSample = std::min(stopSample, acc2);
    pos_.audioStopChunk = audioChunk;
    pos_.audioStopSample = stopSample;
    pos_.audioStopExcess = acc2 - stopSample;
    pos_.recordStop = RecordAt(acc);
    KeepStopAfterStart();
    return Cut_OK;
}

// A stop before the start (an end point before the start point in one source)
// leaves the range empty rather than negative.
void Mp4CutState::KeepStopAfterStart() {
    if (pos_.videoStopChunk < pos_.videoStartChunk) {
        pos_.videoStopChunk = pos_.videoStartChunk;
        pos_.videoStopSample = pos_.videoStartSample;
    }
    if (pos_.audioStopSample < pos_.audioStartSample ||
        pos_.audioStopChunk < pos_.audioStartChunk) {
        pos_.audioStopSample = pos_.audioStartSample;
        pos_.audioStopChunk = pos_.audioStartChunk;
        pos_.audioStopExcess = 0;
    }
    pos_.recordStop = std::max(pos_.recordStop, pos_.recordStart);
}

void Mp4CutState::CopyRange(std::uint64_t startByte, std::uint64_t endByte, CutResult* outcome) {
    std::uint64_t remaining = endByte - startByte;
    std::uint64_t position = startByte;
    std::uint64_t written = outputMediaPosition_;
    *outcome = Cut_OK;
    while (remaining > 0) {
        const auto block = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, blockSize_));
        const CopyOutcome copied =
            CopySourceBytes(source_, position, block, copyBuffer_, job_.outputFile);
        if (copied != CopyOutcome::Copied) {
            *outcome = CopyFailureResult(copied);
            return;
        }
        written += block;
        remaining -= block;
        position += block;
        if (job_.stopFlag.load() != 0) {
            *outcome = Err_Cut_Interrupt;
            return;
        }
        job_.PostProgress(static_cast<std::int64_t>(written));
    }
}

CutResult Mp4CutState::Copy_mdat() {
    const Mp4Positions& p = pos_;
    const bool hasVideo = p.videoStartChunk < layout_.videoChunkCount;
    const bool hasAudio = p.audioStartChunk < layout_.audioChunkCount;
    std::uint64_t startByte = layout_.Map().moovOffset;
    if (hasVideo) {
        startByte = layout_.VideoChunkOffset(p.videoStartChunk);
    }
    if (hasAudio && (!hasVideo || layout_.AudioChunkOffset(p.audioStartChunk) < startByte)) {
        startByte = layout_.AudioChunkOffset(p.audioStartChunk);
    }
    std::uint64_t endByte = layout_.Map().moovOffset;
    if (p.videoStopChunk < layout_.videoChunkCount) {
        endByte = layout_.VideoChunkOffset(p.videoStopChunk);
        if (p.audioStopChunk >= 1 && layout_.AudioChunkOffset(p.audioStopChunk - 1) > endByte) {
            endByte = p.audioStopChunk < layout_.audioChunkCount
                          ? layout_.AudioChunkOffset(p.audioStopChunk)
                          : layout_.Map().moovOffset;
        }
    }
    endByte = std::max(endByte, startByte);
    if (!SamplesInside(ByteSpan{startByte, endByte})) {
        return Err_Cut_SrcFileFormatError;
    }
    // Chunk offsets are 32 bits: a clip that would pass them is refused.
    if (outputMediaPosition_ + (endByte - startByte) > UINT32_MAX) {
        return Err_Cut_DestFileSizeOverError;
    }
    CutResult outcome = Cut_OK;
    CopyRange(startByte, endByte, &outcome);
    if (outcome != Cut_OK) {
        return outcome;
    }
    const CutResult merged = Modify_stbl(startByte);
    if (merged != Cut_OK) {
        return merged;
    }
    outputMediaPosition_ += endByte - startByte;
    return Cut_OK;
}

// The bytes copied must lie in the media data, and every sample of the chunks the
// clip takes in them: a clip whose tables point elsewhere cannot be read.
bool Mp4CutState::SamplesInside(const ByteSpan& copied) const {
    const Mp4Positions& p = pos_;
    const ByteSpan media{layout_.Map().mdatOffset + 8, layout_.Map().moovOffset};
    // The clip keeps stsz's header: a uniform size there would override its table.
    if (media.end > source_.Size() || layout_.UniformSampleSize(true) != 0 ||
        layout_.UniformSampleSize(false) != 0) {
        return false;
    }
    if (!media.Holds(copied.begin, copied.end - copied.begin)) {
        return false;
    }
    const auto inside = [&](std::uint64_t offset, std::uint64_t size) {
        return copied.Holds(offset, size);
    };
    const auto chunksInside = [&](std::uint32_t firstChunk, std::uint32_t endChunk,
                                  std::uint32_t sample, bool video) {
        for (std::uint32_t chunk = firstChunk; chunk < endChunk; ++chunk) {
            std::uint64_t offset =
                video ? layout_.VideoChunkOffset(chunk) : layout_.AudioChunkOffset(chunk);
            const std::uint32_t count =
                video ? layout_.VideoSamplesPerChunk(chunk) : layout_.AudioSamplesPerChunk(chunk);
            for (std::uint32_t i = 0; i < count; ++i, ++sample) {
                const std::uint32_t size =
                    video ? layout_.VideoSampleSize(sample) : layout_.AudioSampleSize(sample);
                if (!inside(offset, size)) {
                    return false;
                }
                offset += size;
            }
        }
        return true;
    };
    return chunksInside(p.videoStartChunk, p.videoStopChunk, p.videoStartSample, true) &&
           chunksInside(p.audioStartChunk, p.audioStopChunk, p.audioStartSample - p.audioSkipCount,
                        false);
}

CutResult Mp4CutState::Modify_stbl(std::uint64_t startByte) {
    const Mp4Positions& p = pos_;
    const std::uint32_t videoSamples = p.videoStopSample - p.videoStartSample;
    const std::uint32_t videoChunks = p.videoStopChunk - p.videoStartChunk;
    const std::uint32_t audioSamples = p.audioStopSample - p.audioStartSample;
    const std::uint32_t audioChunks = p.audioStopChunk - p.audioStartChunk;
    const std::uint32_t records = p.recordStop - p.recordStart;
    if (!videoStts_.HasRoomFor(videoSamples) || !videoStsz_.HasRoomFor(videoSamples) ||
        !videoStsc_.HasRoomFor(videoChunks) || !videoStco_.HasRoomFor(videoChunks) ||
        !audioStsz_.HasRoomFor(audioSamples) || !audioStsc_.HasRoomFor(audioChunks) ||
        !audioStco_.HasRoomFor(audioChunks) || !fpts_.HasRoomFor(records) ||
        !flog_.HasRoomFor(records)) {
        return Err_Cut_MemReserveNotEnough;
    }
    // Chunk offsets move by the same distance as this source's byte range.
    const auto shift = static_cast<std::uint32_t>(outputMediaPosition_ - startByte);
    AppendVideo(shift);
    AppendAudio(shift);
    AppendRecords();
    return Cut_OK;
}

void Mp4CutState::AppendVideo(std::uint32_t shift) {
    const Mp4Positions& p = pos_;
    const std::uint32_t samples = p.videoStopSample - p.videoStartSample;
    if (samples > 0) {
        videoStts_.Append(layout_.VideoSttsEntry(p.videoStartSample), samples);
        videoStsz_.Append(layout_.VideoStszEntry(p.videoStartSample), samples);
    }
    // The last sample of each source takes the delta of the one before it.
    if (videoStts_.Count() >= 2) {
        std::copy_n(videoStts_.Entry(videoStts_.Count() - 2), 8,
                    videoStts_.Entry(videoStts_.Count() - 1));
    }
    for (std::uint32_t chunk = p.videoStartChunk; chunk < p.videoStopChunk; ++chunk) {
        videoStsc_.Append(layout_.VideoStscEntry(chunk), 1);
        videoStco_.AppendU32BE(layout_.VideoChunkOffset(chunk) + shift);
    }
}

void Mp4CutState::AppendAudio(std::uint32_t shift) {
    const Mp4Positions& p = pos_;
    const std::uint32_t samples = p.audioStopSample - p.audioStartSample;
    if (samples > 0) {
        audioStsz_.Append(layout_.AudioStszEntry(p.audioStartSample), samples);
    }
    if (p.audioStopChunk <= p.audioStartChunk) {
        return;
    }
    const std::uint32_t first = audioStsc_.Count();
    for (std::uint32_t chunk = p.audioStartChunk; chunk < p.audioStopChunk; ++chunk) {
        audioStsc_.Append(layout_.AudioStscEntry(chunk), 1);
        std::uint32_t offset = layout_.AudioChunkOffset(chunk) + shift;
        if (chunk == p.audioStartChunk) {
            offset += p.audioSkipBytes;
        }
        audioStco_.AppendU32BE(offset);
    }
    // Samples before the start point and after the end point leave the first
    // and last chunks.
    std::uint8_t* firstEntry = audioStsc_.Entry(first);
    WriteBe32(firstEntry + 4, ReadBe32(firstEntry + 4) - p.audioSkipCount);
    std::uint8_t* lastEntry = audioStsc_.Entry(audioStsc_.Count() - 1);
    WriteBe32(lastEntry + 4, ReadBe32(lastEntry + 4) - p.audioStopExcess);
}

void Mp4CutState::AppendRecords() {
    const Mp4Positions& p = pos_;
    const std::uint32_t records = p.recordStop - p.recordStart;
    if (records == 0) {
        return;
    }
    const std::uint32_t r0 = fpts_.Count();
    fpts_.Append(layout_.FptsValue(p.recordStart), records);
    flog_.Append(layout_.FlogRecord(p.recordStart), records);
    // The clip's log times start at 200 ms and run on across joins by the time
    // gap between the two records that meet there.
    std::uint32_t offset = 0;
    if (r0 == 0) {
        offset = kFirstFptsValue - ReadLe32(fpts_.Entry(0));
    } else {
        const std::uint32_t gap =
            FlogRecordTime(flog_.Entry(r0)) - FlogRecordTime(flog_.Entry(r0 - 1));
        offset = ReadLe32(fpts_.Entry(r0 - 1)) + gap - ReadLe32(fpts_.Entry(r0));
    }
    for (std::uint32_t r = r0; r < fpts_.Count(); ++r) {
        WriteLe32(fpts_.Entry(r), ReadLe32(fpts_.Entry(r)) + offset);
    }
}

std::uint32_t Mp4CutState::VideoStblSize() const {
    const Mp4TrackBoxes& v = layout_.Map().video;
    const std::uint64_t vs = videoStts_.Count();
    const std::uint64_t vc = videoStsc_.Count();
    const std::uint64_t size = std::uint64_t{v.stsd.size} + (16 + 8 * vs) + (16 + 4 * vc) +
                               (16 + 12 * vc) + (20 + 4 * vs) + (16 + 4 * vc) + 8;
    return static_cast<std::uint32_t>(size);
}

std::uint32_t Mp4CutState::AudioStblSize() const {
    const Mp4TrackBoxes& a = layout_.Map().audio;
    const std::uint64_t as = audioStsz_.Count();
    const std::uint64_t ac = audioStsc_.Count();
    const std::uint64_t size = std::uint64_t{a.stsd.size} + kMp4AudioSttsSize + (16 + 12 * ac) +
                               (20 + 4 * as) + (16 + 4 * ac) + 8;
    return static_cast<std::uint32_t>(size);
}

std::uint32_t Mp4CutState::UserDataSize() const {
    const std::uint64_t r = fpts_.Count();
    const std::uint64_t text = kMp4TextHeaderSize + layout_.Map().textLength +
                               (kMp4LogHeaderSize + kFptsValueSize * r) +
                               (kMp4LogHeaderSize + std::uint64_t{kFlogRecordSize} * r);
    return static_cast<std::uint32_t>(text + 8);
}

void Mp4CutState::BuildVideoTables(BoxBuilder& movie, std::uint32_t stblSize) {
    const Mp4TrackBoxes& v = layout_.Map().video;
    const std::uint32_t vs = videoStts_.Count();
    const std::uint32_t vc = videoStsc_.Count();
    movie.AppendHeader(stblSize, layout_.Bytes(v.stbl));
    movie.Append(layout_.Bytes(v.stsd), v.stsd.size);
    movie.AppendPatched(layout_.Bytes(v.stts), 16, {{0, 16 + 8 * vs}, {12, vs}});
    movie.Append(videoStts_.Data(), videoStts_.UsedBytes());
    movie.AppendPatched(layout_.Bytes(v.stss), 16, {{0, 16 + 4 * vc}, {12, vc}});
    movie.Append(videoStss_.Data(), videoStss_.UsedBytes());
    movie.AppendPatched(layout_.Bytes(v.stsc), 16, {{0, 16 + 12 * vc}, {12, vc}});
    movie.Append(videoStsc_.Data(), videoStsc_.UsedBytes());
    movie.AppendPatched(layout_.Bytes(v.stsz), 20, {{0, 20 + 4 * vs}, {16, vs}});
    movie.Append(videoStsz_.Data(), videoStsz_.UsedBytes());
    movie.AppendPatched(layout_.Bytes(v.stco), 16, {{0, 16 + 4 * vc}, {12, vc}});
    movie.Append(videoStco_.Data(), videoStco_.UsedBytes());
}

void Mp4CutState::BuildAudioTables(BoxBuilder& movie, std::uint32_t stblSize) {
    const Mp4TrackBoxes& a = layout_.Map().audio;
    const std::uint32_t as = audioStsz_.Count();
    const std::uint32_t ac = audioStsc_.Count();
    movie.AppendHeader(stblSize, layout_.Bytes(a.stbl));
    movie.Append(layout_.Bytes(a.stsd), a.stsd.size);
    movie.Append(layout_.Bytes(a.stts), 16);
    movie.AppendU32BE(as);
    movie.AppendU32BE(layout_.audioSampleDelta);
    movie.AppendPatched(layout_.Bytes(a.stsc), 16, {{0, 16 + 12 * ac}, {12, ac}});
    movie.Append(audioStsc_.Data(), audioStsc_.UsedBytes());
    movie.AppendPatched(layout_.Bytes(a.stsz), 20, {{0, 20 + 4 * as}, {16, as}});
    movie.Append(audioStsz_.Data(), audioStsz_.UsedBytes());
    movie.AppendPatched(layout_.Bytes(a.stco), 16, {{0, 16 + 4 * ac}, {12, ac}});
    movie.Append(audioStco_.Data(), audioStco_.UsedBytes());
}

void Mp4CutState::BuildTrack(BoxBuilder& movie, const Mp4TrackBoxes& boxes, bool video,
                             std::uint32_t trackDuration, std::uint32_t mediaDuration) {
    const std::uint32_t stbl = video ? VideoStblSize() : AudioStblSize();
    const std::uint32_t minf = stbl + boxes.mediaHeader.size + boxes.dinf.size + 8;
    const std::uint32_t mdia = minf + boxes.hdlr.size + 40;
    movie.AppendHeader(mdia + 100, layout_.Bytes(boxes.trak));
    movie.AppendPatched(layout_.Bytes(boxes.tkhd), kMp4TkhdSize, {{28, trackDuration}});
    movie.AppendHeader(mdia, layout_.Bytes(boxes.mdia));
    movie.AppendPatched(layout_.Bytes(boxes.mdhd), kMp4MdhdSize, {{24, mediaDuration}});
    movie.Append(layout_.Bytes(boxes.hdlr), boxes.hdlr.size);
    movie.AppendHeader(minf, layout_.Bytes(boxes.minf));
    movie.Append(layout_.Bytes(boxes.mediaHeader), boxes.mediaHeader.size);
    movie.Append(layout_.Bytes(boxes.dinf), boxes.dinf.size);
    if (video) {
        BuildVideoTables(movie, stbl);
    } else {
        BuildAudioTables(movie, stbl);
    }
}

void Mp4CutState::BuildUserData(BoxBuilder& movie) {
    const Mp4BoxMap& map = layout_.Map();
    const std::uint32_t r = fpts_.Count();
    const std::uint32_t udta = UserDataSize();
    movie.AppendHeader(udta, layout_.Bytes(map.udta));
    // The clip's text box encloses its text, "FPTS" and "FLOG".
    movie.AppendPatched(layout_.Bytes(map.textPos), kMp4TextHeaderSize, {{0, udta - 8}});
    movie.Append(layout_.Bytes(map.textPos + kMp4TextHeaderSize), map.textLength);
    movie.AppendPatched(layout_.Bytes(map.fpts), kMp4LogHeaderSize,
                        {{0, kMp4LogHeaderSize + kFptsValueSize * r}, {12, r}});
    movie.Append(fpts_.Data(), fpts_.UsedBytes());
    movie.AppendPatched(layout_.Bytes(map.flog), kMp4LogHeaderSize,
                        {{0, kMp4LogHeaderSize + kFlogRecordSize * r}, {12, r}});
    movie.Append(flog_.Data(), flog_.UsedBytes());
}

void Mp4CutState::BuildMovie(BoxBuilder& movie) {
    const Mp4BoxMap& map = layout_.Map();
    // Whole seconds of audio; the media header of each track in its own time
    // scale, the movie and track headers in the movie's.
    const std::uint32_t audioDuration = layout_.audioSampleDelta * audioStsz_.Count();
    const std::uint32_t seconds = audioDuration / audioTimeScale_;
    const std::uint32_t d = seconds * videoTimeScale_;
    const std::uint32_t movieDuration = RescaleDuration(d, videoTimeScale_, layout_.movieTimeScale);

    BoxBuilder tracks;
    BuildTrack(tracks, map.video, true, movieDuration, d);
    BuildTrack(tracks, map.audio, false, movieDuration, audioDuration);
    BuildUserData(tracks);
    movie.AppendHeader(static_cast<std::uint32_t>(8 + kMp4MvhdSize + tracks.Size()),
                       layout_.Bytes(map.moov));
    movie.AppendPatched(layout_.Bytes(map.mvhd), kMp4MvhdSize, {{24, movieDuration}});
    movie.Append(tracks.Bytes().data(), tracks.Size());
}

CutResult Mp4CutState::Finalized() {
    std::uint8_t mdatSize[4];
    WriteBe32(mdatSize, static_cast<std::uint32_t>(outputMediaPosition_ - firstBoxSize_));
    if (!job_.outputFile.WriteAt(mdatSize, sizeof mdatSize, firstBoxSize_)) {
        return Err_Cut_OpenDestFileError;
    }
    // Every chunk starts with a sync sample; chunks are numbered from 1.
    std::uint32_t sum = 1;
    for (std::uint32_t i = 0; i < videoStsc_.Count(); ++i) {
        videoStss_.AppendU32BE(sum);
        std::uint8_t* entry = videoStsc_.Entry(i);
        sum += ReadBe32(entry + 4);
        WriteBe32(entry, i + 1);
    }
    for (std::uint32_t i = 0; i < audioStsc_.Count(); ++i) {
        WriteBe32(audioStsc_.Entry(i), i + 1);
    }
    BoxBuilder movie;
    BuildMovie(movie);
    if (movie.Size() > UINT32_MAX) {
        return Err_Cut_DestFileSizeOverError;
    }
    if (!job_.outputFile.Write(movie.Bytes().data(), static_cast<std::int64_t>(movie.Size()))) {
        return Err_Cut_OpenDestFileError;
    }
    return Cut_OK;
}

}  // namespace

CutResult MP4Cutting(CuttingProc* job, std::uint32_t blockSize) {
    CutResult result = Err_Cut_Unknown;
    try {
        auto state = std::make_unique<Mp4CutState>(*job, blockSize);
        state->Run();
        result = Cut_OK;
    } catch (const CutFailure& e) {
        result = e.code;
        EXCEPTION_LOG_LINE("MP4Cutting", e);
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("MP4Cutting", e);
    } catch (...) {
        result = Err_Cut_Unknown;
    }
    return result;
}

CutResult RunMP4Cutting(CuttingProc* job) {
    return MP4Cutting(job);
}
